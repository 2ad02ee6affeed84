#include "labels/label_catalogue.h"

#include <QDir>
#include <QFile>
#include <QXmlStreamReader>
#include <algorithm>
#include <cmath>
#include <map>
#include <utility>

#include "xbase/codepage.h"

namespace lb {

namespace {

constexpr double kMmPerPoint = 25.4 / 72;
constexpr int kNameWidth = 25;

struct Paper {
  double width = 0, height = 0;
};

double lengthOr0(const QXmlStreamAttributes& a, const char* name) {
  return catalogueLength(a.value(QLatin1String(name)).toString().toStdString()).value_or(0);
}

int countOf(const QXmlStreamAttributes& a, const char* name) { return a.value(QLatin1String(name)).toInt(); }

std::string text(const QXmlStreamAttributes& a, const char* name) {
  return a.value(QLatin1String(name)).toString().toStdString();
}

double rounded(double v, int decimals) {
  const double scale = std::pow(10.0, decimals);
  return std::round(v * scale) / scale;
}

// "63,5": a measure as a Spanish reader writes it, to a tenth, without a
// trailing ",0".
std::string spanish(double mm) {
  QString s = QString::number(rounded(mm, 1), 'f', 1);
  if (s.endsWith(QLatin1String(".0"))) s.chop(2);
  return s.replace('.', ',').toStdString();
}

std::map<std::string, Paper> readPapers(const QString& file) {
  std::map<std::string, Paper> papers;
  QFile f(file);
  if (!f.open(QIODevice::ReadOnly)) return papers;
  QXmlStreamReader xml(&f);
  while (!xml.atEnd())
    if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("Paper-size")) {
      const QXmlStreamAttributes a = xml.attributes();
      papers[text(a, "id")] = {lengthOr0(a, "width"), lengthOr0(a, "height")};
    }
  return papers;
}

// The label element of a template: its shape's bounding rectangle.
void readLabel(const QXmlStreamAttributes& a, QStringView element, CatalogueProduct& p) {
  if (element == QLatin1String("Label-rectangle") || element == QLatin1String("Label-ellipse")) {
    p.shape = element == QLatin1String("Label-ellipse") ? LabelShape::Ellipse : LabelShape::Rectangle;
    p.width = lengthOr0(a, "width");
    p.height = lengthOr0(a, "height");
    return;
  }
  const double diameter = 2 * lengthOr0(a, "radius");
  p.shape = element == QLatin1String("Label-cd") ? LabelShape::Cd : LabelShape::Round;
  p.width = p.height = diameter;
  // A CD label for business cards is cut to a width and a height.
  if (const double w = lengthOr0(a, "width"); w > 0 && w < diameter) p.width = w;
  if (const double h = lengthOr0(a, "height"); h > 0 && h < diameter) p.height = h;
}

void readLayout(const QXmlStreamAttributes& a, CatalogueProduct& p) {
  if (++p.layouts > 1) return;
  p.columns = countOf(a, "nx");
  p.rows = countOf(a, "ny");
  p.left = lengthOr0(a, "x0");
  p.top = lengthOr0(a, "y0");
  p.stepX = lengthOr0(a, "dx");
  p.stepY = lengthOr0(a, "dy");
}

CatalogueProduct productOf(const QXmlStreamAttributes& a, const std::map<std::string, Paper>& papers) {
  CatalogueProduct p;
  p.brand = text(a, "brand");
  p.part = text(a, "part");
  p.description = text(a, "_description");
  if (p.description.empty()) p.description = text(a, "description");
  p.aliasOf = text(a, "equiv");
  p.paper = text(a, "size");
  if (const auto it = papers.find(p.paper); it != papers.end()) {
    p.paperWidth = it->second.width;
    p.paperHeight = it->second.height;
  } else {
    p.paperWidth = lengthOr0(a, "width");
    p.paperHeight = lengthOr0(a, "height");
  }
  return p;
}

// Appends the templates of one file; false when it is not a readable
// template file (its reason in `fault`), and none of its templates is
// taken.
bool readFile(const QString& file, const std::map<std::string, Paper>& papers, std::vector<CatalogueProduct>& out,
              std::string& fault) {
  QFile f(file);
  if (!f.open(QIODevice::ReadOnly)) {
    fault = file.toStdString() + ": no se puede leer";
    return false;
  }
  QXmlStreamReader xml(&f);
  std::vector<CatalogueProduct> read;
  CatalogueProduct* current = nullptr;
  while (!xml.atEnd()) {
    if (xml.readNext() != QXmlStreamReader::StartElement) continue;
    const QStringView name = xml.name();
    if (name == QLatin1String("Template")) {
      read.push_back(productOf(xml.attributes(), papers));
      current = &read.back();
    } else if (current && name.startsWith(QLatin1String("Label-"))) {
      readLabel(xml.attributes(), name, *current);
    } else if (current && name == QLatin1String("Layout")) {
      readLayout(xml.attributes(), *current);
    }
  }
  if (xml.hasError()) {
    fault = file.toStdString() + ": línea " + std::to_string(xml.lineNumber()) + ": " +
            xml.errorString().toStdString();
    return false;
  }
  out.insert(out.end(), std::make_move_iterator(read.begin()), std::make_move_iterator(read.end()));
  return true;
}

// An alias takes the sheet of the product it names (of its own brand, an
// alias of an alias followed to its end), keeping its brand, part and,
// when it has one, its description.
void resolveAliases(Catalogue& c) {
  std::map<std::pair<std::string, std::string>, size_t> byPart;
  for (size_t i = 0; i < c.products.size(); ++i) byPart.emplace(std::pair(c.products[i].brand, c.products[i].part), i);
  const auto original = [&](const CatalogueProduct& p) -> const CatalogueProduct* {
    const CatalogueProduct* at = &p;
    // A chain longer than the catalogue goes round in a circle.
    for (size_t steps = 0; !at->aliasOf.empty() && steps <= c.products.size(); ++steps) {
      const auto it = byPart.find({at->brand, at->aliasOf});
      if (it == byPart.end()) return nullptr;
      at = &c.products[it->second];
    }
    return at->aliasOf.empty() ? at : nullptr;
  };
  std::vector<CatalogueProduct> kept;
  kept.reserve(c.products.size());
  for (const CatalogueProduct& p : c.products) {
    if (p.aliasOf.empty()) {
      kept.push_back(p);
      continue;
    }
    const CatalogueProduct* sheet = original(p);
    if (!sheet) {
      c.faults.push_back(p.brand + " " + p.part + ": es equivalente a " + p.aliasOf + ", que no está en el catálogo");
      continue;
    }
    CatalogueProduct alias = *sheet;
    alias.part = p.part;
    alias.aliasOf = p.aliasOf;
    if (!p.description.empty()) alias.description = p.description;
    kept.push_back(std::move(alias));
  }
  c.products = std::move(kept);
}

}  // namespace

std::optional<double> catalogueLength(std::string_view s) {
  const QString t = QString::fromUtf8(s.data(), qsizetype(s.size())).trimmed();
  static const std::pair<const char*, double> kUnits[] = {
      {"pt", kMmPerPoint}, {"mm", 1.0}, {"cm", 10.0}, {"in", 25.4}, {"pc", 12 * kMmPerPoint}};
  QString number = t;
  double scale = kMmPerPoint;
  for (const auto& [unit, mm] : kUnits)
    if (t.endsWith(QLatin1String(unit))) {
      number = t.chopped(2).trimmed();
      scale = mm;
    }
  bool ok = false;
  const double v = number.toDouble(&ok);
  if (!ok || !std::isfinite(v)) return std::nullopt;
  return v * scale;
}

Catalogue readCatalogue(const std::string& folder) {
  Catalogue c;
  const QDir dir(QString::fromStdString(folder));
  const QStringList files = dir.entryList({QStringLiteral("*-templates.xml")}, QDir::Files, QDir::Name);
  if (files.isEmpty()) return c;
  const std::map<std::string, Paper> papers = readPapers(dir.filePath(QStringLiteral("paper-sizes.xml")));
  for (const QString& name : files) {
    std::string fault;
    if (readFile(dir.filePath(name), papers, c.products, fault))
      ++c.files;
    else
      c.faults.push_back(fault);
  }
  resolveAliases(c);
  return c;
}

bool catalogueMatches(const CatalogueProduct& p, std::string_view words) {
  const QString haystack = QString::fromStdString(p.brand + " " + p.part + " " + p.description + " " + p.paper).toCaseFolded();
  for (const QString& w : QString::fromUtf8(words.data(), qsizetype(words.size())).split(' ', Qt::SkipEmptyParts))
    if (!haystack.contains(w.toCaseFolded())) return false;
  return true;
}

FormatMeasures formatMeasures(const CatalogueProduct& p) {
  FormatMeasures m;
  const std::string name = xb::upper1252(xb::utf8ToCp1252(p.brand + " " + p.part));
  m.nombre = xb::cp1252ToUtf8(name.substr(0, kNameWidth));
  if (p.paper == "A4" || p.paper == "A5")
    m.hoja = p.paper;
  else if (p.paper == "US-Letter")
    m.hoja = "LETTER";
  else
    m.hoja = QString::number(rounded(p.paperWidth, 0)).toStdString() + "x" +
             QString::number(rounded(p.paperHeight, 0)).toStdString();
  m.altoEtiq = rounded(p.height, 2);
  m.anchoEtiq = rounded(p.width, 2);
  m.margenSup = rounded(p.top, 2);
  m.margenIzd = rounded(p.left, 2);
  m.separaHorz = p.rows > 1 ? std::max(0.0, rounded((p.stepY - m.altoEtiq) / 10, 3)) : 0;
  m.separaVert = p.columns > 1 ? std::max(0.0, rounded((p.stepX - m.anchoEtiq) / 10, 3)) : 0;
  m.filas = p.rows;
  m.columnas = p.columns;
  return m;
}

std::string catalogueNote(const CatalogueProduct& p) {
  std::string note;
  switch (p.shape) {
    case LabelShape::Rectangle:
      break;
    case LabelShape::Round:
      note = "Etiqueta redonda: se coloca por el cuadrado que la contiene.";
      break;
    case LabelShape::Ellipse:
      note = "Etiqueta elíptica: se coloca por el rectángulo que la contiene.";
      break;
    case LabelShape::Cd:
      note = "Etiqueta de CD/DVD: se coloca por el rectángulo que la contiene.";
      break;
  }
  if (p.layouts > 1) {
    if (!note.empty()) note += " ";
    note += "La hoja tiene " + std::to_string(p.layouts) + " grupos de etiquetas: solo se imprime el primero (" +
            std::to_string(p.perSheet()) + " etiquetas).";
  }
  return note;
}

std::string catalogueLine(const CatalogueProduct& p) {
  const FormatMeasures m = formatMeasures(p);
  const auto fixed = [](double v, int decimals) { return QString::number(v, 'f', decimals).toStdString(); };
  std::string line = p.brand + " " + p.part + "\t" + p.description;
  for (const std::string& f : {fixed(m.margenSup, 2), fixed(m.margenIzd, 2), fixed(m.altoEtiq, 2),
                               fixed(m.anchoEtiq, 2), fixed(m.separaHorz, 3), fixed(m.separaVert, 3),
                               std::to_string(m.filas), std::to_string(m.columnas), m.hoja})
    line += "\t" + f;
  return line;
}

std::string catalogueLabelSize(const CatalogueProduct& p) {
  return spanish(p.width) + " x " + spanish(p.height) + " mm";
}

std::string cataloguePaper(const CatalogueProduct& p) {
  if (p.paper != "Other" && !p.paper.empty()) return p.paper;
  return spanish(p.paperWidth) + " x " + spanish(p.paperHeight) + " mm";
}

}  // namespace lb
