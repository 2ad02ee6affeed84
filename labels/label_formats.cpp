#include "labels/label_formats.h"

#include "data/tables.h"
#include "data/tdatabase.h"
#include "labels/lock_wait.h"
#include "xbase/codepage.h"
#include "xbase/prompt.h"
#include "xbase/text.h"

namespace lb {

namespace {

using qv::SelectGuard;
using qv::WorkArea;
using qv::workAreas;

constexpr const char* kAttention = "Atención.....";

bool logicalField(WorkArea& a, std::string_view name) {
  const xb::Value v = a.fieldGet(name);
  return v.isLogical() && v.logical();
}

std::string textField(WorkArea& a, std::string_view name) {
  const xb::Value v = a.fieldGet(name);
  return v.isText() ? v.text() : std::string();
}

// Sets ULTIMA of the current row under its lock; false when the wait was
// given up.
bool markRow(WorkArea& a, bool mark) {
  if (!waitRowLock(a)) return false;
  a.fieldPut(std::string_view("ULTIMA"), xb::Value(mark));
  a.unlock();
  return true;
}

// Steps 2-3 of LISTALABELS on the selected format table.
std::string selectedFormat(WorkArea& a) {
  a.goTop();
  while (!a.eof()) {
    if (logicalField(a, "ULTIMA")) return textField(a, "NOMBRE");
    a.skip();
  }
  a.goTop();
  return xb::padded(textField(a, "NOMBRE"), kFormatNameWidth);
}

}  // namespace

std::string delLabelQuestion(const std::string& cName) {
  return "La etiqueta actualmente seleccionada " + xb::cp1252ToUtf8(xb::trim(cName)) +
         " va a ser eliminada de la lista de diseños de etiquetas.\r\n\r\n"
         "¿ Desea realmente borrar este diseño de la lista ?";
}

std::string LISTALABELS(std::vector<std::string>& aFormatNames) {
  aFormatNames.clear();
  auto& areas = workAreas();
  const SelectGuard select(areas, std::string_view(kFormatsAlias));
  if (!select.ok()) return std::string(kFormatNameWidth, ' ');
  WorkArea& a = areas.area();
  for (a.goTop(); !a.eof(); a.skip()) aFormatNames.push_back(textField(a, "NOMBRE"));
  return selectedFormat(a);
}

std::string CAMBIOLABEL(const std::string& cName) {
  auto& areas = workAreas();
  const SelectGuard select(areas, std::string_view(kFormatsAlias));
  if (!select.ok()) return std::string(kFormatNameWidth, ' ');
  WorkArea& a = areas.area();
  for (a.goTop(); !a.eof(); a.skip()) markRow(a, textField(a, "NOMBRE") == cName);
  return selectedFormat(a);
}

int CAMBIOETIQ(int nNew, int nOld, const std::vector<int64_t>& aHeaderRecs) {
  auto& areas = workAreas();
  const SelectGuard select(areas, std::string_view(kDesignsAlias));
  if (!select.ok()) return nNew;
  WorkArea& a = areas.area();
  const auto mark = [&](int design, bool on) {
    if (design < 1 || design > int(aHeaderRecs.size())) return;
    a.goTo(aHeaderRecs[size_t(design - 1)]);
    markRow(a, on);
  };
  mark(nOld, false);
  mark(nNew, true);
  return nNew;
}

namespace {

// Steps 2 to 5 of NEWLABEL: the name asked for (the box holding
// `initial`), the shown format unmarked, the new one appended with its
// name and `m`'s sheet and measures.
std::string storeNewFormat(qv::TDATABASE& oFormat, const std::string& initial, const FormatMeasures* m) {
  xb::Prompter& ask = xb::prompter();
  const std::string blanks(kFormatNameWidth, ' ');
  const std::string typed = ask.input(kNewLabelTitle, kNewLabelPrompt, initial, kNewLabelPicture).value_or(blanks);
  if (xb::trim(typed).empty()) {
    ask.message(xb::MsgKind::Stop, kAttention, kBadLabelName);
    return "";
  }
  auto& areas = workAreas();
  const SelectGuard select(areas, std::string_view(kFormatsAlias));
  if (!select.ok()) return "";
  WorkArea& a = areas.area();
  // The format shown loses its mark. With no format at all there is no
  // record to unmark (and no lock to wait for).
  if (oFormat.RecNo() >= 1 && oFormat.RecNo() <= a.reccount()) {
    a.goTo(oFormat.RecNo());
    if (!waitRowLock(a)) return "";
    oFormat.FieldPut("ULTIMA", xb::Value(false));
    oFormat.Save();
  }
  if (!oFormat.Append()) return "";
  const std::string name = xb::padded(xb::upper1252(xb::utf8ToCp1252(typed)), kFormatNameWidth);
  oFormat.FieldPut("NOMBRE", xb::Value(name));
  oFormat.FieldPut("HOJA", xb::Value(m ? xb::utf8ToCp1252(m->hoja) : std::string("A4")));
  oFormat.FieldPut("ULTIMA", xb::Value(true));
  if (m) {
    const struct {
      const char* field;
      double value;
      int decimals;
    } measures[] = {
        {"MARGENSUP", m->margenSup, 2},   {"MARGENIZD", m->margenIzd, 2},   {"ALTOETIQ", m->altoEtiq, 2},
        {"ANCHOETIQ", m->anchoEtiq, 2},   {"SEPARAHORZ", m->separaHorz, 3}, {"SEPARAVERT", m->separaVert, 3},
        {"FILAS", double(m->filas), 0},   {"COLUMNAS", double(m->columnas), 0},
    };
    for (const auto& f : measures) oFormat.FieldPut(f.field, xb::Value(f.value, f.decimals));
    oFormat.FieldPut("PRNULTFILA", xb::Value(true));
  }
  oFormat.Save();
  return name;
}

}  // namespace

std::string NEWLABEL(qv::TDATABASE& oFormat) {
  if (!xb::prompter().yesNo(kNewLabelTitle, kNewLabelQuestion)) return "";
  return storeNewFormat(oFormat, std::string(kFormatNameWidth, ' '), nullptr);
}

std::string NEWLABEL(qv::TDATABASE& oFormat, const FormatMeasures& m) {
  return storeNewFormat(oFormat, xb::cp1252ToUtf8(xb::padded(xb::utf8ToCp1252(m.nombre), kFormatNameWidth)), &m);
}

bool DELLABEL(const std::string& cName) {
  if (!xb::prompter().noYes(kDelLabelTitle, delLabelQuestion(cName))) return false;
  auto& areas = workAreas();
  const SelectGuard select(areas, std::string_view(kFormatsAlias));
  if (!select.ok()) return false;
  WorkArea& a = areas.area();
  if (!waitRowLock(a)) return false;
  a.deleteRow();
  a.unlock();
  return a.deleted();
}

}  // namespace lb
