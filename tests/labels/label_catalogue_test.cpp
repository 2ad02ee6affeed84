// The label catalogue: lengths in every unit, the installed catalogue
// counted against its XML files, three well-known sheets printed where
// their templates put the labels (rasterised at a printer's resolution),
// the reading of aliases, shapes and papers from files of the test's own,
// and the window of the choice.
#include "labels/label_catalogue.h"

#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTableView>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <regex>

#include "barcode/qt/image_device.h"
#include "data/tdatabase.h"
#include "labels/catalogue_screen.h"
#include "labels/label_formats.h"
#include "labels/label_layout.h"
#include "labels/label_run.h"
#include "labels/sheet_paper.h"
#include "tests/labels/label_tables_fixture.h"
#include "tests/ui/stray_ampersands.h"
#include "tests/ui/qt_app.h"

namespace {

namespace fs = std::filesystem;

TEST(CatalogueLength, EveryUnitOfTheFilesBecomesMillimetres) {
  const struct {
    const char* text;
    std::optional<double> mm;
  } cases[] = {
      {"5mm", 5},     {"2.54cm", 25.4}, {"1in", 25.4},  {"72pt", 25.4}, {"72", 25.4}, {"6pc", 25.4},
      {" 3 mm ", 3},  {"-1mm", -1},     {"", {}},       {"in", {}},     {"5px", {}},  {"abc", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const std::optional<double> got = lb::catalogueLength(c.text);
    ASSERT_EQ(got.has_value(), c.mm.has_value());
    if (got) {
      EXPECT_NEAR(*got, *c.mm, 1e-9);
    }
  }
}

// Occurrences of a pattern in the raw text of the installed template files.
int countInFiles(const std::string& pattern) {
  int n = 0;
  const std::regex re(pattern);
  for (const auto& e : fs::directory_iterator(lb::kCatalogueFolder)) {
    const std::string name = e.path().filename().string();
    if (!name.ends_with("-templates.xml")) continue;
    std::ifstream in(e.path());
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    n += int(std::distance(std::sregex_iterator(text.begin(), text.end(), re), std::sregex_iterator()));
  }
  return n;
}

TEST(InstalledCatalogue, LoadsEveryTemplateOfItsFilesAliasesIncluded) {
  ASSERT_TRUE(fs::is_directory(lb::kCatalogueFolder)) << "glabels-data is installed by scripts/setup";
  const lb::Catalogue c = lb::readCatalogue();
  EXPECT_TRUE(c.faults.empty()) << c.faults.front();
  EXPECT_EQ(int(c.products.size()), countInFiles("<Template[\\s>]"));
  EXPECT_EQ(int(std::count_if(c.products.begin(), c.products.end(), [](auto& p) { return !p.aliasOf.empty(); })),
            countInFiles("<Template[^>]*\\bequiv=\""));
  int files = 0;
  for (const auto& e : fs::directory_iterator(lb::kCatalogueFolder))
    files += e.path().filename().string().ends_with("-templates.xml");
  EXPECT_EQ(c.files, files);
  // Every product has a sheet to lay out.
  for (const lb::CatalogueProduct& p : c.products) {
    SCOPED_TRACE(p.brand + " " + p.part);
    EXPECT_GT(p.width, 0);
    EXPECT_GT(p.height, 0);
    EXPECT_GE(p.perSheet(), 1);
    EXPECT_GT(p.paperWidth, 0);
    EXPECT_GT(p.paperHeight, 0);
  }
}

const lb::CatalogueProduct* find(const lb::Catalogue& c, const std::string& brand, const std::string& part) {
  for (const lb::CatalogueProduct& p : c.products)
    if (p.brand == brand && p.part == part) return &p;
  return nullptr;
}

// A sheet as its template writes it, in points (the files' unit when none
// is given): label size, first label's corner, pitch, columns and rows.
struct Sheet {
  const char* brand;
  const char* part;
  double width, height, x0, y0, dx, dy;
  int nx, ny;
  const char* name;
};
constexpr double kMmPerPt = 25.4 / 72;
constexpr double kDpi = 300;

// The first dark pixel of a row (a column) from `from` towards `step`; -1
// when there is none within `reach` pixels.
int darkAlongRow(const QImage& img, int row, int from, int step, int reach) {
  for (int i = 0, c = from; i < reach && c >= 0 && c < img.width(); ++i, c += step)
    if (qGray(img.pixel(c, row)) < 128) return c;
  return -1;
}
int darkAlongColumn(const QImage& img, int col, int from, int step, int reach) {
  for (int i = 0, r = from; i < reach && r >= 0 && r < img.height(); ++i, r += step)
    if (qGray(img.pixel(col, r)) < 128) return r;
  return -1;
}

using CatalogueFormats = prtest::LabelTables;

TEST_F(CatalogueFormats, ThreeWellKnownSheetsPrintTheirLabelsWithinOnePrinterDotOfTheTemplate) {
  const lb::Catalogue c = lb::readCatalogue();
  // Avery L7160 and L7651 are aliases of 7160 and 8651 (avery-iso-templates.xml),
  // Herma 4614 a product of its own (herma-iso-templates.xml).
  const Sheet sheets[] = {
      {"Avery", "L7160", 181.4, 108.0, 21.2, 43.9, 187.2, 108.0, 3, 7, "AVERY L7160"},
      {"Avery", "L7651", 108, 60.09, 13.32, 30.90, 115.09, 60.09, 5, 13, "AVERY L7651"},
      {"Herma", "4614", 187.086, 95.811, 16.1575, 36.8504, 187.086, 95.811, 3, 8, "HERMA 4614"},
  };
  openScreenTables();
  for (const Sheet& s : sheets) {
    SCOPED_TRACE(s.part);
    const lb::CatalogueProduct* p = find(c, s.brand, s.part);
    ASSERT_NE(p, nullptr);
    prompts.inputAnswers = {std::string(s.name)};
    qv::TDATABASE oFormat(lb::kFormatsAlias);
    ASSERT_EQ(lb::NEWLABEL(oFormat, lb::formatMeasures(*p)), prtest::formatName(s.name));
    ASSERT_TRUE(oFormat.Load());
    EXPECT_EQ(oFormat.FieldGet("HOJA").text(), "A4        ");
    EXPECT_FALSE(lb::sheetPaper(oFormat.FieldGet("HOJA").text()).has_value());

    // Each label's outline where the run puts the label, on an A4 page at
    // a printer's resolution.
    const lb::LabelRunValues run = lb::labelRunValues(oFormat);
    ASSERT_EQ(run.columns, s.nx);
    ASSERT_EQ(run.rows, s.ny);
    bc::ImageDevice page(int(std::lround(210 / 25.4 * kDpi)), int(std::lround(297 / 25.4 * kDpi)), kDpi);
    for (int64_t n = 1; n <= int64_t(s.ny) * s.nx; ++n) {
        const lb::LabelBox box = lb::labelBox(run, n);
        double top = box.top, left = box.left, bottom = box.bottom, right = box.right;
        page.Cmtr2Pix(top, left);
        page.Cmtr2Pix(bottom, right);
        page.Box(int(std::lround(top)), int(std::lround(left)), int(std::lround(bottom)), int(std::lround(right)),
                 {0, 1});
      }
    const QImage img = page.toImage();

    // The template's own geometry in printer dots, edge by edge.
    const auto dots = [](double pt) { return pt * kMmPerPt / 25.4 * kDpi; };
    double worst = 0;
    for (int r = 0; r < s.ny; ++r)
      for (int k = 0; k < s.nx; ++k) {
        const double left = dots(s.x0 + k * s.dx), top = dots(s.y0 + r * s.dy);
        const double right = left + dots(s.width), bottom = top + dots(s.height);
        const int midRow = int(std::lround((top + bottom) / 2)), midCol = int(std::lround((left + right) / 2));
        // From the label's middle outwards: the first dark dot each way is
        // its own outline, not a neighbour's that touches it.
        const int reach = int(std::max(right - left, bottom - top));
        const int foundLeft = darkAlongRow(img, midRow, midCol, -1, reach);
        const int foundRight = darkAlongRow(img, midRow, midCol, 1, reach);
        const int foundTop = darkAlongColumn(img, midCol, midRow, -1, reach);
        const int foundBottom = darkAlongColumn(img, midCol, midRow, 1, reach);
        ASSERT_TRUE(foundLeft >= 0 && foundRight >= 0 && foundTop >= 0 && foundBottom >= 0) << r << "," << k;
        // An outline one dot wide lies inside the rectangle: its edges are
        // the first and the last dot of the label.
        for (double miss : {foundLeft - left, foundRight + 1 - right, foundTop - top, foundBottom + 1 - bottom})
          worst = std::max(worst, std::abs(miss));
      }
    EXPECT_LE(worst, 1.0) << "dots off";
  }
}

// Files of a catalogue of the test's own.
class OwnCatalogue : public ::testing::Test {
 protected:
  void write(const std::string& name, const std::string& text) {
    QFile f(dir.filePath(QString::fromStdString(name)));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text.data(), qint64(text.size()));
  }
  QTemporaryDir dir;
};

TEST_F(OwnCatalogue, AliasesShapesAndPapersBecomeFormatsAndWhatCannotBeReadIsReported) {
  write("paper-sizes.xml", R"(<Glabels-paper-sizes>
  <Paper-size id="A4" width="210mm" height="297mm"/>
  <Paper-size id="US-Letter" width="8.5in" height="11in"/>
  <Paper-size id="A5" width="148mm" height="210mm"/>
  <Paper-size id="A3" width="297mm" height="420mm"/></Glabels-paper-sizes>)");
  write("a-templates.xml", R"(<?xml version="1.0"?>
<Glabels-templates>
  <Template brand="Marca" part="ALIAS-FIRST" equiv="R1"/>
  <Template brand="Marca" part="R1" size="US-Letter" _description="Rectángulos">
    <Label-rectangle id="0" width="2.5in" height="1in" round="in">
      <Layout nx="3" ny="10" x0="0.3in" y0="0.5in" dx="2.75in" dy="1in"/>
    </Label-rectangle>
  </Template>
  <Template brand="Marca" part="REDONDA" size="A5" description="Redondas">
    <Label-round id="0" radius="1cm"><Layout nx="4" ny="6" x0="2mm" y0="" dx="22mm" dy="2.2cm"/></Label-round>
  </Template>
  <Template brand="Marca" part="CD-TARJETA" size="Other" width="207pt" height="351pt" _description="CD">
    <Label-cd id="0" radius="30mm" hole="10mm" width="50mm"><Layout nx="1" ny="1" x0="10mm" y0="10mm" dx="0" dy="0"/></Label-cd>
  </Template>
  <Template brand="Marca" part="DOS-GRUPOS-CON-UN-NOMBRE-LARGO" size="A3" _description="Elipses">
    <Label-ellipse id="0" width="40mm" height="20mm">
      <Layout nx="2" ny="3" x0="10mm" y0="10mm" dx="45mm" dy="25mm"/>
      <Layout nx="1" ny="3" x0="120mm" y0="10mm" dx="0" dy="25mm"/>
    </Label-ellipse>
  </Template>
  <Template brand="Marca" part="HUERFANA" equiv="NO-EXISTE"/>
</Glabels-templates>)");
  write("b-templates.xml", "<Glabels-templates><Template brand=\"Rota\" part=\"1\"");
  write("notes.xml", "<nada/>");

  const lb::Catalogue c = lb::readCatalogue(dir.path().toStdString());
  EXPECT_EQ(c.files, 1);
  ASSERT_EQ(c.faults.size(), 2u);
  EXPECT_NE(c.faults[0].find("b-templates.xml"), std::string::npos);
  EXPECT_NE(c.faults[1].find("HUERFANA"), std::string::npos);

  const struct {
    const char* part;
    const char* nombre;
    const char* hoja;
    double sup, izd, alto, ancho, horz, vert;
    int filas, columnas;
    const char* size;
    const char* paper;
    const char* note;
  } cases[] = {
      {"ALIAS-FIRST", "MARCA ALIAS-FIRST", "LETTER", 12.7, 7.62, 25.4, 63.5, 0, 0.635, 10, 3, "63,5 x 25,4 mm",
       "US-Letter", ""},
      {"R1", "MARCA R1", "LETTER", 12.7, 7.62, 25.4, 63.5, 0, 0.635, 10, 3, "63,5 x 25,4 mm", "US-Letter", ""},
      {"REDONDA", "MARCA REDONDA", "A5", 0, 2, 20, 20, 0.2, 0.2, 6, 4, "20 x 20 mm", "A5",
       "Etiqueta redonda: se coloca por el cuadrado que la contiene."},
      {"CD-TARJETA", "MARCA CD-TARJETA", "73x124", 10, 10, 60, 50, 0, 0, 1, 1, "50 x 60 mm", "73 x 123,8 mm",
       "Etiqueta de CD/DVD: se coloca por el rectángulo que la contiene."},
      {"DOS-GRUPOS-CON-UN-NOMBRE-LARGO", "MARCA DOS-GRUPOS-CON-UN-N", "297x420", 10, 10, 20, 40, 0.5, 0.5, 3, 2,
       "40 x 20 mm", "A3",
       "Etiqueta elíptica: se coloca por el rectángulo que la contiene. La hoja tiene 2 grupos de etiquetas: solo "
       "se imprime el primero (6 etiquetas)."},
  };
  ASSERT_EQ(c.products.size(), std::size(cases));
  for (size_t i = 0; i < std::size(cases); ++i) {
    const auto& want = cases[i];
    const lb::CatalogueProduct& p = c.products[i];
    SCOPED_TRACE(want.part);
    EXPECT_EQ(p.part, want.part);
    const lb::FormatMeasures m = lb::formatMeasures(p);
    EXPECT_EQ(m.nombre, want.nombre);
    EXPECT_EQ(m.hoja, want.hoja);
    EXPECT_DOUBLE_EQ(m.margenSup, want.sup);
    EXPECT_DOUBLE_EQ(m.margenIzd, want.izd);
    EXPECT_DOUBLE_EQ(m.altoEtiq, want.alto);
    EXPECT_DOUBLE_EQ(m.anchoEtiq, want.ancho);
    EXPECT_DOUBLE_EQ(m.separaHorz, want.horz);
    EXPECT_DOUBLE_EQ(m.separaVert, want.vert);
    EXPECT_EQ(m.filas, want.filas);
    EXPECT_EQ(m.columnas, want.columnas);
    EXPECT_EQ(lb::catalogueLabelSize(p), want.size);
    EXPECT_EQ(lb::cataloguePaper(p), want.paper);
    EXPECT_EQ(lb::catalogueNote(p), want.note);
  }
  // An alias keeps its own name and takes its original's description.
  EXPECT_EQ(c.products[0].aliasOf, "R1");
  EXPECT_EQ(c.products[0].description, "Rectángulos");
}

TEST_F(OwnCatalogue, AFolderWithoutTemplatesIsACatalogueNotInstalled) {
  const lb::Catalogue c = lb::readCatalogue(dir.path().toStdString() + "/no-existe");
  EXPECT_TRUE(c.products.empty());
  EXPECT_TRUE(c.faults.empty());

  lb::CatalogueScreen screen(c, nullptr);
  EXPECT_EQ(screen.note(), lb::kCatalogueMissing);
  EXPECT_FALSE(screen.list()->isEnabled());
  screen.useCurrent();
  EXPECT_EQ(screen.choice().kind, lb::NewFormatChoice::Cancelled);
  screen.byHand();
  EXPECT_EQ(screen.choice().kind, lb::NewFormatChoice::ByHand);
}

TEST(CatalogueWindow, TheSearchNarrowsTheListAndTheCursorsProductIsTheAnswer) {
  const lb::Catalogue& c = lb::installedCatalogue();
  lb::CatalogueScreen screen(c, nullptr);
  EXPECT_EQ(screen.rowCount(), int(c.products.size()));
  EXPECT_EQ(qvtest::sharedAccessKeys(screen.window()), std::vector<std::string>{});
  const struct {
    const char* text;
    std::function<bool(int)> rows;
  } cases[] = {
      {"avery l7160", [](int n) { return n == 1; }},
      {"HERMA a4", [](int n) { return n > 50; }},
      {"us-letter avery", [](int n) { return n > 100; }},
      {"no hay tal hoja", [](int n) { return n == 0; }},
  };
  for (const auto& t : cases) {
    SCOPED_TRACE(t.text);
    screen.search()->setText(QString::fromUtf8(t.text));
    EXPECT_TRUE(t.rows(screen.rowCount())) << screen.rowCount();
  }
  EXPECT_EQ(screen.current(), nullptr);
  EXPECT_EQ(screen.note(), "Ninguna hoja del catálogo contiene ese texto.");
  screen.search()->setText(QStringLiteral("zweckform 3490"));
  ASSERT_NE(screen.current(), nullptr);
  screen.useCurrent();
  ASSERT_EQ(screen.choice().kind, lb::NewFormatChoice::FromCatalogue);
  EXPECT_EQ(screen.choice().product->part, "3490");
  // A blank length counts as 0: three labels across the whole width.
  EXPECT_EQ(screen.choice().product->left, 0);
}

}  // namespace
