#include "labels/design_item.h"

#include <cmath>

#include "xbase/codepage.h"
#include "xbase/text.h"

namespace lb {
namespace {

std::string text(const LabelRow& row, int pos) { return xb::cp1252ToUtf8(xb::trim(textOf(at(row, pos)))); }
bool flag(const LabelRow& row, int pos) { return flagOf(at(row, pos)); }
double num(const LabelRow& row, int pos) { return numOf(at(row, pos)); }

// The values of an item's fields 2 to 23 and 25, by position.
struct Placed {
  int pos;
  xb::Value value;
};
std::vector<Placed> itemValues(const DesignItem& i) {
  const auto t = [](const std::string& s) { return xb::Value(xb::utf8ToCp1252(s)); };
  const auto n = [](double d) { return xb::Value::number(d); };
  const char place = i.posicion == kPlaceCentre ? 'C' : i.posicion == kPlaceRight ? 'D' : ' ';
  return {
      {kCampo, t(i.campo)},         {kFuente, t(i.fuente)},       {kTamano, n(i.tamano)},
      {kNegrita, i.negrita},        {kCursiva, i.cursiva},        {kSubrayado, i.subrayado},
      {kIzquierda, i.izquierda},    {kCentrado, i.centrado},      {kDerecha, i.derecha},
      {kAngulo, n(i.angulo)},       {kTachado, i.tachado},        {kTipoBTI, xb::Value(std::string(1, i.kind))},
      {kNumCampo, n(i.numCampo)},   {kTipoCod, t(i.tipoCod)},     {kColor, t(i.color)},
      {kVertical, i.vertical},      {kConDigitos, i.conDigitos},  {kAnchoMod, n(i.anchoMod)},
      {kAltoBarra, n(i.altoBarra)}, {kJuego128, t(i.juego128)},   {kControl, i.control},
      {kMismaLinea, i.mismaLinea},  {kPosicion, xb::Value(std::string(1, place))},
  };
}

// A blank record of the structure.
LabelRow blankRecord(const qv::Structure& fields) {
  LabelRow row;
  for (const qv::FieldDef& f : fields) row.push_back(fieldValue(f, {}));
  return row;
}

void put(LabelRow& row, const qv::Structure& fields, size_t index, const xb::Value& v) {
  if (index < row.size()) row[index] = fieldValue(fields[index], v);
}

void putNamed(LabelRow& row, const qv::Structure& fields, const char* name, const xb::Value& v) {
  for (size_t i = 0; i < fields.size(); ++i)
    if (xb::upper1252(fields[i].name) == name) put(row, fields, i, v);
}

}  // namespace

xb::Value fieldValue(const qv::FieldDef& f, const xb::Value& v) {
  switch (f.type) {
    case 'C': return xb::Value(xb::padded(v.isText() ? v.text() : std::string(), size_t(f.width)));
    case 'N':
    case 'F': {
      const double scale = std::pow(10.0, f.decimals);
      return xb::Value(v.isNumber() ? std::round(v.num() * scale) / scale : 0.0, f.decimals);
    }
    case 'L': return xb::Value(v.isLogical() && v.logical());
    case 'M': return xb::Value(v.isText() ? v.text() : std::string());
    default: return v.isNil() ? xb::Value(std::string()) : v;
  }
}

ItemAlign alignOf(const DesignItem& item) {
  if (item.izquierda) return ItemAlign::Left;
  if (item.centrado) return ItemAlign::Centre;
  if (item.derecha) return ItemAlign::Right;
  return ItemAlign::Previous;
}

void setAlign(DesignItem& item, ItemAlign a) {
  item.izquierda = a == ItemAlign::Left;
  item.centrado = a == ItemAlign::Centre;
  item.derecha = a == ItemAlign::Right;
}

DesignItem newItem(char kind) {
  DesignItem i;
  i.kind = kind;
  i.color = "CLR_BLACK";
  if (kind == kKindText) {
    i.campo = "NOMETI";
    i.fuente = "Arial";
    i.tamano = 10;
    i.izquierda = true;
  } else if (kind == kKindBarcode) {
    i.numCampo = 3;
    i.tipoCod = "13";
    i.conDigitos = true;
    i.anchoMod = 3.3;
    i.altoBarra = 1.5;
    i.posicion = kPlaceCentre;
  } else {
    i.tamano = 1;
    i.posicion = kPlaceCentre;
  }
  return i;
}

DesignItem itemFromRow(const LabelRow& row) {
  DesignItem i;
  const std::string kind = textOf(at(row, kTipoBTI));
  i.kind = kind.empty() ? ' ' : kind[0];
  i.campo = text(row, kCampo);
  i.fuente = text(row, kFuente);
  i.tamano = num(row, kTamano);
  i.negrita = flag(row, kNegrita);
  i.cursiva = flag(row, kCursiva);
  i.subrayado = flag(row, kSubrayado);
  i.izquierda = flag(row, kIzquierda);
  i.centrado = flag(row, kCentrado);
  i.derecha = flag(row, kDerecha);
  i.angulo = num(row, kAngulo);
  i.tachado = flag(row, kTachado);
  i.numCampo = num(row, kNumCampo);
  i.tipoCod = text(row, kTipoCod);
  i.color = text(row, kColor);
  i.vertical = flag(row, kVertical);
  i.conDigitos = flag(row, kConDigitos);
  i.anchoMod = num(row, kAnchoMod);
  i.altoBarra = num(row, kAltoBarra);
  i.juego128 = text(row, kJuego128);
  i.control = flag(row, kControl);
  i.mismaLinea = flag(row, kMismaLinea);
  i.posicion = labelPlace(at(row, kPosicion));
  return i;
}

LabelDesign designFromRows(const std::vector<LabelRow>& rows) {
  LabelDesign d;
  if (rows.empty()) return d;
  d.name = text(rows.front(), kCampo);
  for (size_t r = 1; r < rows.size(); ++r) d.items.push_back(itemFromRow(rows[r]));
  return d;
}

std::vector<LabelRow> designRecords(const LabelDesign& design, double number, bool ultima,
                                    const qv::Structure& fields) {
  std::vector<LabelRow> out;
  LabelRow header = blankRecord(fields);
  put(header, fields, kCampo - 1, xb::Value(xb::utf8ToCp1252(design.name)));
  putNamed(header, fields, "NUMERO_ETI", xb::Value::number(number));
  putNamed(header, fields, "ULTIMA", xb::Value(ultima));
  out.push_back(std::move(header));
  for (const DesignItem& item : design.items) {
    LabelRow row = blankRecord(fields);
    for (const Placed& p : itemValues(item)) put(row, fields, size_t(p.pos - 1), p.value);
    putNamed(row, fields, "NUMERO_ETI", xb::Value::number(number));
    out.push_back(std::move(row));
  }
  return out;
}

}  // namespace lb
