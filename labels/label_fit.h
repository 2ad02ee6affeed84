// The fit check before a sheet is printed: the chosen design laid out on
// the chosen format by the print run's own layout, on a device that draws
// nothing and measures where every item's ink would land at the printer's
// resolution, against the rectangle of the item's label.
#pragma once

#include <string>
#include <vector>

#include "barcode/device.h"
#include "labels/label_layout.h"

namespace lb {

enum class LabelSide { Right, Left, Top, Bottom };

// An item that sticks out of its label: its number (1 the first item after
// the header), what it is ("texto NOMETI", "código de barras", "imagen
// LOGO.BMP"), and its largest excess over all labels of the sheet, in
// millimetres, with the side it is on.
struct ItemOverflow {
  size_t item = 0;
  std::string what;  // UTF-8
  double mm = 0;
  LabelSide side = LabelSide::Right;
};

// Where the ink of one item of one label of the sheet would land, in
// pixels of the geometry device, with its label's number (1-based), the
// item's number and the label's rectangle.
struct ItemInk {
  int64_t label = 0;
  size_t item = 0;
  LabelBox box;
  bc::PixRect ink;
};
// Every item of every label of the sheet, measured as below; an item that
// draws nothing is left out.
std::vector<ItemInk> measureLabelSheet(const bc::DrawDevice& geometry, const std::string& cAlias,
                                       const std::vector<LabelRow>& rows, const LabelRunValues& run);
// The same for a sheet whose labels `fill` fills (label_layout.h).
std::vector<ItemInk> measureLabels(const bc::DrawDevice& geometry, const std::string& cAlias,
                                   const LabelRunValues& run, const LabelFill& fill);
// The items of the measured labels that stick out, as labelOverflows
// answers them; `rows` are the design's rows, which name the items.
std::vector<ItemOverflow> overflowsOf(const bc::DrawDevice& geometry, const std::vector<ItemInk>& inks,
                                      const std::vector<LabelRow>& rows);

// The items of the sheet that stick out of their labels by 0.05 mm or more,
// in item order, measured on a device of the geometry device's sizes and
// resolution (which a printer job gives before its first page). The
// product table cAlias is read as the print run reads it. A sheet that an
// item of unknown kind stops is measured up to that item.
std::vector<ItemOverflow> labelOverflows(const bc::DrawDevice& geometry, const std::string& cAlias,
                                         const std::vector<LabelRow>& rows, const LabelRunValues& run);

// "El elemento 3 (texto NOMETI) sobresale 4,2 mm por la derecha de la
// etiqueta."
std::string overflowText(const ItemOverflow& o);

inline constexpr const char* kFitTitle = "Atención.....";
// One line per item (overflowText), then " ¿ Desea imprimir de todos modos ?".
std::string fitQuestion(const std::vector<ItemOverflow>& overflows);

}  // namespace lb
