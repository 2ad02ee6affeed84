// A row of a label design: the field values of one record of the design
// table in field order, and its fields by position (the print run reads
// items by position; a design file is prepared outside the program, so the
// accessors are tolerant of short rows and of values of another type).
#pragma once

#include <string>
#include <vector>

#include "xbase/value.h"

namespace lb {

using LabelRow = std::vector<xb::Value>;

// Positions (1-based) of an item's fields in a design row.
enum ItemField : int {
  kCampo = 2,
  kFuente = 3,
  kTamano = 4,
  kNegrita = 5,
  kCursiva = 6,
  kSubrayado = 7,
  kIzquierda = 8,
  kCentrado = 9,
  kDerecha = 10,
  kAngulo = 11,
  kTachado = 12,
  kTipoBTI = 13,
  kNumCampo = 14,
  kTipoCod = 15,
  kColor = 16,
  kVertical = 17,
  kConDigitos = 18,
  kAnchoMod = 19,
  kAltoBarra = 20,
  kJuego128 = 21,
  kControl = 22,
  kMismaLinea = 23,
  // After ULTIMA (24): where a barcode or picture stands across the label.
  kPosicion = 25,
};

// The value at a position (nothing past the row's end), and its text,
// number and flag (empty, 0 and false for a value of another type).
inline const xb::Value& at(const LabelRow& row, int pos) {
  static const xb::Value nil;
  return pos >= 1 && size_t(pos) <= row.size() ? row[size_t(pos) - 1] : nil;
}
inline std::string textOf(const xb::Value& v) { return v.isText() ? v.text() : std::string(); }
inline double numOf(const xb::Value& v) { return v.isNumber() ? v.num() : 0.0; }
inline bool flagOf(const xb::Value& v) { return v.isLogical() && v.logical(); }

}  // namespace lb
