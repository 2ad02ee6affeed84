#include "app/product_import.h"

#include <QString>
#include <algorithm>
#include <map>

#include "app/code_rules.h"
#include "barcode/symbology.h"
#include "xbase/codepage.h"
#include "xbase/text.h"

namespace qv {

namespace {

constexpr std::size_t kDescriptionWidth = 45;

ImportColumns columnsOf(const std::vector<std::string>& header) {
  static const std::map<std::string, int ImportColumns::*> kNames = {
      {"codigo", &ImportColumns::code},          {"code", &ImportColumns::code},
      {"codcompl", &ImportColumns::code},        {"codigobarras", &ImportColumns::code},
      {"descripcion", &ImportColumns::description}, {"description", &ImportColumns::description},
      {"nometi", &ImportColumns::description},   {"nombre", &ImportColumns::description},
      {"opcion", &ImportColumns::option},        {"option", &ImportColumns::option},
      {"tipo", &ImportColumns::type},            {"tipobar", &ImportColumns::type},
      {"simbologia", &ImportColumns::type},      {"symbology", &ImportColumns::type},
      {"type", &ImportColumns::type},
  };
  ImportColumns c;
  for (size_t i = 0; i < header.size(); ++i)
    if (const auto it = kNames.find(csvName(header[i])); it != kNames.end() && c.*(it->second) < 0)
      c.*(it->second) = int(i);
  return c;
}

std::string cell(const CsvRow& row, int column) {
  return column >= 0 && size_t(column) < row.fields.size() ? std::string(xb::trim(row.fields[size_t(column)])) : std::string();
}

// The option of a row's symbology cell; 0 when it names none the code
// screens offer.
int optionOf(const ImportColumns& c, const CsvRow& row, std::string& named) {
  if (c.option >= 0) {
    named = cell(row, c.option);
    if (named.empty()) return 1;
    bool ok = false;
    const int option = QString::fromStdString(named).toInt(&ok);
    return ok && option >= 1 && option <= 8 ? option : 0;
  }
  named = cell(row, c.type);
  if (named.empty()) return 1;
  // A spreadsheet's text formula (="13") as the export writes it.
  if (named.starts_with('=')) named.erase(0, 1);
  const QString wanted = QString::fromStdString(named).toUpper();
  for (const bc::SymbologyInfo& s : bc::symbologies())
    if (s.option > 0 && (wanted == QString::fromUtf8(s.code.data(), qsizetype(s.code.size())) ||
                         wanted == QString::fromUtf8(s.name.data(), qsizetype(s.name.size())).toUpper()))
      return s.option;
  return 0;
}

// Validates one row: the product to store, or the reason it is refused.
std::string validate(const ImportColumns& c, const CsvRow& row, ImportRow& out) {
  std::string code = cell(row, c.code);
  if (code.starts_with('=')) code = xb::trim(code.substr(1));
  if (code.empty()) return "Fila sin código";
  std::string named;
  const int option = optionOf(c, row, named);
  if (option == 0) return "Simbología desconocida: \"" + named + "\"";
  const std::string description = cell(row, c.description);
  if (xb::utf8ToCp1252(description).size() > kDescriptionWidth)
    return "La descripción tiene más de " + std::to_string(kDescriptionWidth) + " caracteres";

  std::string t = xb::utf8ToCp1252(code);
  const SymbologyOption& o = symbologyOptions()[size_t(option) - 1];
  if (o.bodyLength > 0 && int(t.size()) == o.bodyLength) {
    t += checkDigitFor(option, t).value_or("");
    out.completed = true;
  }
  if (o.bodyLength == 0 && t.size() > kProductCodeWidth)
    return "El código tiene más de " + std::to_string(kProductCodeWidth) + " caracteres";
  const CodeCheck check = checkCodeToStore(option, t);
  switch (check.verdict) {
    case CodeCheck::WrongLength:
      return kWrongDigitCount;
    case CodeCheck::WrongCheck: {
      const std::string body = t.substr(0, t.size() - 1);
      return std::string(kWrongCheckDigit) + " (el correcto es " + checkDigitFor(option, body).value_or("?") + ")";
    }
    case CodeCheck::Unencodable:
      return check.why;
    case CodeCheck::Ok:
      break;
  }
  ProductCode& p = out.product;
  p.code = xb::cp1252ToUtf8(xb::trimRight(check.key.substr(0, kProductCodeWidth)));
  p.check = xb::cp1252ToUtf8(check.check);
  p.complete = xb::cp1252ToUtf8(t);
  p.description = description;
  p.tipoBar = tipoBarForOption(option);
  return {};
}

}  // namespace

ImportPlan planImport(std::string_view bytes) {
  ImportPlan plan;
  plan.csv = readCsv(bytes);
  if (plan.csv.rows.empty()) {
    plan.fault = "El fichero está vacío.";
    return plan;
  }
  plan.columns = columnsOf(plan.csv.rows.front().fields);
  if (plan.columns.code < 0) {
    plan.fault =
        "La primera línea del fichero debe nombrar sus columnas: Código, Descripción y Tipo (u Opción); "
        "no hay ninguna columna de código.";
    return plan;
  }
  std::map<std::string, int> firstLine;  // key -> line
  for (size_t i = 1; i < plan.csv.rows.size(); ++i) {
    const CsvRow& row = plan.csv.rows[i];
    if (row.blank()) continue;
    ImportRow r;
    r.line = row.line;
    const std::string reason = validate(plan.columns, row, r);
    if (!reason.empty()) {
      plan.refused.push_back({row.line, cell(row, plan.columns.code), reason});
      continue;
    }
    const auto [at, isNew] = firstLine.emplace(productKey(r.product.code, r.product.check), row.line);
    if (!isNew) {
      plan.refused.push_back(
          {row.line, cell(row, plan.columns.code), "Código repetido: ya está en la línea " + std::to_string(at->second)});
      continue;
    }
    plan.rows.push_back(std::move(r));
  }
  return plan;
}

std::string columnsText(const ImportPlan& plan) {
  const std::vector<std::string>& header = plan.csv.rows.empty() ? std::vector<std::string>{} : plan.csv.rows[0].fields;
  const auto named = [&](int column) {
    return column < 0 ? std::string("no hay") : "columna " + std::to_string(column + 1) + " (" + header[size_t(column)] + ")";
  };
  std::string text = std::string("Codificación: ") + (plan.csv.utf8 ? "UTF-8" : "Windows-1252") + "; separador: \"" +
                     plan.csv.separator + "\"\nCódigo: " + named(plan.columns.code) +
                     "; descripción: " + named(plan.columns.description) + "; simbología: ";
  if (plan.columns.option >= 0)
    text += named(plan.columns.option) + ", número de opción";
  else if (plan.columns.type >= 0)
    text += named(plan.columns.type) + ", tipo";
  else
    text += "no hay, se toman como EAN-13";
  return text;
}

int ImportSummary::exitCode() const {
  if (busy || !fault.empty()) return 2;
  return refused.empty() ? 0 : 1;
}

ImportSummary importPlan(const ImportPlan& plan, ProgressSink* progress) {
  ImportSummary s;
  s.refused = plan.refused;
  if (!plan.fault.empty()) {
    s.fault = plan.fault;
    return s;
  }
  std::vector<ProductCode> products;
  products.reserve(plan.rows.size());
  for (const ImportRow& r : plan.rows) products.push_back(r.product);
  const StoredProducts stored = storeProducts(products, progress);
  if (stored.outcome != StoredProducts::Stored) {
    s.busy = stored.outcome == StoredProducts::Busy;
    s.fault = s.busy ? kTableBusy : "La tabla de códigos no está abierta.";
    return s;
  }
  for (size_t i = 0; i < stored.replaced.size(); ++i) {
    ++(stored.replaced[i] ? s.replaced : s.stored);
    s.completed += plan.rows[i].completed;
  }
  return s;
}

std::string summaryText(const ImportSummary& s, const std::string& file) {
  std::string text = "Importación de " + file + "\n";
  if (!s.fault.empty()) text += s.fault + "\n";
  text += "Códigos nuevos guardados: " + std::to_string(s.stored) + "\n";
  text += "Códigos que ya estaban y se han sustituido: " + std::to_string(s.replaced) + "\n";
  if (s.completed > 0) text += "  (a " + std::to_string(s.completed) + " se les ha añadido el dígito de control)\n";
  text += "Filas rechazadas: " + std::to_string(s.refused.size()) + "\n";
  for (const ImportRefusal& r : s.refused)
    text += "  línea " + std::to_string(r.line) + ": " + (r.code.empty() ? "" : r.code + ": ") + r.reason + "\n";
  return text;
}

std::string exportProducts(const std::vector<int64_t>* recnos) {
  std::string out = "\xEF\xBB\xBF" "Código;Descripción;Tipo\r\n";
  WorkArea* a = productArea();
  if (!a) return out;
  const int64_t before = a->recno();
  // A text formula: ="0123", quotes inside doubled.
  const auto formula = [](const std::string& text) {
    std::string f = "=\"";
    for (char ch : text) f += ch == '"' ? std::string("\"\"") : std::string(1, ch);
    return f + "\"";
  };
  const auto write = [&] {
    const ProductCode p = productOf(*a);
    out += formula(std::string(xb::trim(p.code)) + std::string(xb::trim(p.check))) + ";" + csvField(p.description, ';') + ";" +
           formula(p.tipoBar) + "\r\n";
  };
  if (recnos) {
    for (int64_t r : *recnos) {
      a->goTo(r);
      if (!a->eof() && !a->deleted()) write();
    }
  } else {
    for (a->goTop(); !a->eof(); a->skip()) write();
  }
  a->goTo(before);
  return out;
}

}  // namespace qv
