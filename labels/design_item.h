// A label design in the terms of the design editor: its name and its items
// in print order, each item holding every field a design record gives it,
// and the mapping between such a design and the records of the design table
// (the header first, then one record per item). Fields 2 to 23 and POSICION
// (25) are written by position, as the print run reads them; NUMERO_ETI and
// ULTIMA by name. Texts here are UTF-8; the records hold Windows-1252.
#pragma once

#include <string>
#include <vector>

#include "data/tables.h"
#include "labels/label_layout.h"
#include "labels/label_row.h"

namespace lb {

// What an item is (TIPO_B_T_I); another letter is kept as read.
inline constexpr char kKindBarcode = 'B';
inline constexpr char kKindText = 'T';
inline constexpr char kKindPicture = 'I';

// The alignment a text item asks for: none of the three flags (the previous
// item's alignment carries on), or the first flag that is set.
enum class ItemAlign { Previous, Left, Centre, Right };

struct DesignItem {
  char kind = kKindText;
  std::string campo;   // text: the expression; picture: the file name
  std::string fuente;  // text: typeface; blank prints in Arial
  double tamano = 0;   // text: points; picture: scale (0 counts as 1)
  bool negrita = false, cursiva = false, subrayado = false;
  bool izquierda = false, centrado = false, derecha = false;
  double angulo = 0;  // degrees counter-clockwise
  bool tachado = false;
  double numCampo = 0;  // barcode: 1-based product field encoded
  std::string tipoCod;  // replaced by the product's symbology at print time
  std::string color;    // a name of the colour table; blank prints black
  bool vertical = false, conDigitos = false;
  double anchoMod = 0;   // module width, hundredths of a centimetre
  double altoBarra = 0;  // bar height, centimetres
  std::string juego128;
  bool control = false, mismaLinea = false;
  LabelPlace posicion = kPlaceCursor;

  bool operator==(const DesignItem&) const = default;
};

struct LabelDesign {
  std::string name;
  std::vector<DesignItem> items;
  bool operator==(const LabelDesign&) const = default;
};

ItemAlign alignOf(const DesignItem& item);
// Sets exactly the flag of `a` (none for Previous).
void setAlign(DesignItem& item, ItemAlign a);

// A new item of a kind with the values a user starts from: a text of the
// product's description in Arial 10; an EAN-13 of the complete code with
// digits at 100 % (0,33 mm modules), 15 mm bars, centred; a picture at its
// own size, centred.
DesignItem newItem(char kind);

// The item a design record holds (tolerant of short rows and of values of
// another type, as the print run is).
DesignItem itemFromRow(const LabelRow& row);
// The design of a design's records, header first.
LabelDesign designFromRows(const std::vector<LabelRow>& rows);

// The records of a design numbered `number`, header first, each with one
// value per field of `fields` (the design table's structure): texts padded
// or cut to their width, numbers rounded to their decimals, exactly as the
// table would give them back. The header carries the name and `ultima`.
std::vector<LabelRow> designRecords(const LabelDesign& design, double number, bool ultima, const qv::Structure& fields);

// The value a field of a design record holds for `v`: as designRecords
// stores it (a value of another type becomes the field's blank).
xb::Value fieldValue(const qv::FieldDef& f, const xb::Value& v);

}  // namespace lb
