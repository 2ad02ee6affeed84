#include "labels/design_check.h"

#include "data/tables.h"
#include "labels/error_capture.h"
#include "xbase/codepage.h"
#include "xbase/expr.h"
#include "xbase/text.h"

namespace lb {

std::vector<ProductField> productFields(const std::string& cAlias) {
  std::vector<ProductField> out;
  qv::WorkArea* a = qv::workAreas().find(cAlias);
  if (!a) return out;
  int n = 0;
  for (const qv::FieldDef& f : a->structure()) out.push_back({xb::cp1252ToUtf8(f.name), f.type, ++n});
  return out;
}

std::string expressionError(const std::string& cExpr, const std::string& cAlias) {
  const std::string stored = xb::utf8ToCp1252(cExpr);
  if (xb::trim(stored).empty()) return "La expresión está vacía.";
  if (stored.size() > kCampoWidth)
    return "La expresión tiene " + std::to_string(stored.size()) + " caracteres y el campo admite " +
           std::to_string(kCampoWidth) + ".";
  const ErrorCapture capture;
  const xb::Expr e = xb::Expr::compile(stored);
  if (!e.valid() || capture.any()) return "La expresión no es válida: " + capture.first();
  xb::Value v;
  {
    const qv::SelectGuard product(qv::workAreas(), cAlias);
    v = e.eval();
  }
  if (capture.any()) return "La expresión no es válida: " + capture.first();
  if (!v.isText() && !v.isNumber() && !v.isDate() && !v.isLogical()) return "La expresión no da un texto.";
  return {};
}

std::string fileNameError(const std::string& cFile) {
  const std::string stored = xb::utf8ToCp1252(cFile);
  if (stored.size() <= kCampoWidth) return {};
  return "El nombre del fichero tiene " + std::to_string(stored.size()) + " caracteres y el campo admite " +
         std::to_string(kCampoWidth) + ".";
}

}  // namespace lb
