// The layout of a sheet of labels on a drawing device: the items of a
// label design (texts, pictures, barcodes) placed label after label by the
// geometry of a label format, each label clipped to its own rectangle. The
// print run draws it on a printer job, the fit check on a measuring device,
// tools and tests on an image.
//
// All positions here are centimetres from the paper's top-left corner. The
// item functions take the position of the item and return the position of
// the next one; a returned column of 0 means "new line at the label's left
// edge".
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "barcode/device.h"
#include "labels/label_row.h"
#include "xbase/value.h"

namespace lb {

// Text alignment of a text item; the values are the drawing device's
// alignment codes (the printer's padding codes).
enum LabelAlign : int { kAlignLeft = bc::kTextLeft, kAlignRight = bc::kTextRight, kAlignCenter = bc::kTextCenter };

// Where a barcode or picture item stands across its label (the design
// field POSICION): at the cursor, centred on the label, or ending against
// the label's right inset.
enum LabelPlace : int { kPlaceCursor = 0, kPlaceCentre = 1, kPlaceRight = 2 };
// The place a stored POSICION names: "C" centred, "D" right, anything else
// (blank, absent) at the cursor; the leading letter counts, in either case.
LabelPlace labelPlace(const xb::Value& posicion);

// The insets of an item from its label's edges: the first line starts 0.3
// cm below the label's top and every line 0.4 cm right of its left edge;
// right-aligned texts and right-placed items end 0.4 cm inside the right
// edge.
inline constexpr double kInsetTop = 0.3;
inline constexpr double kInsetSide = 0.4;

// One label's rectangle on the paper, centimetres from its top-left corner.
struct LabelBox {
  double top = 0;
  double left = 0;
  double bottom = 0;
  double right = 0;
  double width() const { return right - left; }
};

// The title and texts of the item-kind error.
inline constexpr const char* kItemKindTitle = "ERROR EN CAMPO TIPO_B_T_I";
// The whole message for an item of kind cKind with field number nField.
std::string itemKindMessage(const std::string& cKind, double nField);
// Shows that message, titled kItemKindTitle, for the design row `item`.
void showItemKindMessage(const LabelRow& item);

// The geometry of one print run (labelRunValues reads it from a format).
struct LabelRunValues {
  double top = 0;          // MARGENSUP / 10 + 0.3
  double left = 0;         // MARGENIZD / 10 + 0.4
  double labelHeight = 0;  // ALTOETIQ / 10
  double labelWidth = 0;   // ANCHOETIQ / 10
  int64_t rows = 0;        // FILAS, or max(FILAS - 1, 1) when PRNULTFILA is false
  int64_t columns = 0;     // COLUMNAS
  double rowGap = 0;       // SEPARAHORZ as stored
  double columnGap = 0;    // SEPARAVERT as stored
  int64_t perSheet() const { return rows * columns; }
};

// The code a barcode item encodes from a product field: a text trimmed of
// blanks, a number in its STR form without blanks, a date as yyyymmdd;
// anything else encodes nothing (empty).
std::string labelCode(const xb::Value& v);
// The text a text item prints for its expression's value: a text trimmed
// of blanks, a number in its STR form without blanks, a date as dd-mm-yyyy,
// a logical as .T./.F.; anything else (an expression that failed) prints
// nothing.
std::string labelText(const xb::Value& v);


// Lays one sheet out on the device: the run's labels, row by row, each
// filled by the rows' items (the header row is not an item) with the
// current record of cAlias, and drawn clipped to its own rectangle (which
// the format fixes, wherever the flow of items puts the next label). Every
// label starts with left alignment. An item of unknown kind, or a barcode
// item without a field number, shows the item-kind message and stops the
// sheet: false then.
bool drawLabelSheet(bc::DrawDevice& oDev, const std::string& cAlias, const std::vector<LabelRow>& rows,
                    const LabelRunValues& run);

// The rectangle of label number nLabel (1-based, row by row) of a sheet.
LabelBox labelBox(const LabelRunValues& run, int64_t nLabel);

// The same layout without the message: `afterItem` is called after each
// item is drawn with the label's number (1-based), the item's number (its
// row, 1 the first item) and the label's rectangle. The number of the item
// of unknown kind that stopped the sheet, 0 when the sheet was laid out
// whole.
using ItemDrawn = std::function<void(int64_t label, size_t item, const LabelBox& box)>;
size_t layOutLabelSheet(bc::DrawDevice& oDev, const std::string& cAlias, const std::vector<LabelRow>& rows,
                        const LabelRunValues& run, const ItemDrawn& afterItem);

// What fills label number `label` (1-based, row by row) of a sheet: called
// before the label is drawn, it puts cAlias on the record the label
// carries and answers the design rows to draw it with; null leaves that
// cell blank. The cursors move on over a blank cell as over a label
// without items.
using LabelFill = std::function<const std::vector<LabelRow>*(int64_t label)>;
// The sheet layout with each label filled by `fill`: the stopping item's
// number as layOutLabelSheet answers it (of the rows that label was drawn
// with).
size_t layOutLabels(bc::DrawDevice& oDev, const std::string& cAlias, const LabelRunValues& run,
                    const LabelFill& fill, const ItemDrawn& afterItem);

// One text item: cExpr evaluated against the current record of cAlias,
// trimmed, printed with its top at nRow. Left-aligned text starts at nCol;
// right-aligned text ends 0.4 cm inside the right edge of the label that
// starts at nLabelLeft and is nLabelWidth wide; centred text is centred on
// that label's middle. nSize in points (0: the font system's default
// height), nAngle in tenths of a degree counter-clockwise. The size is
// estimated from the font's height h in device pixels (0 for size 0): h
// high and h * 0.44 per character wide. Returns {nRow, column + width + 0.2}
// on the same line, else {nRow + height, 0}, the column being where the
// alignment put the text: nCol, the right end or the middle.
bc::RowCol LABELTXT(bc::DrawDevice& oDev, const std::string& cAlias, double nRow, double nCol, bool lSameLine,
                const std::string& cExpr, const std::string& cFont = "Arial", double nSize = 10,
                bool lBold = false, bool lItalic = false, bool lUnderline = false, bc::Rgb nColor = 0,
                int nAlign = kAlignLeft, double nAngle = 0, bool lStrikeOut = false, double nLabelWidth = 0,
                double nLabelLeft = 0);

// One picture item: the bitmap file cFile (a relative name is looked for in
// the working folder, then next to the program) drawn 0.1 cm below nRow at
// its own pixel size times nScale (0 counts as 1): its left side at nCol,
// or placed by nPlace on the label that starts at nLabelLeft and is
// nLabelWidth wide. Returns the place 0.4 cm right of the picture as drawn
// (same line), or right under it ({nRow + 0.1 + drawn height, 0}); a bitmap
// that cannot be loaded draws nothing and measures 0.
bc::RowCol LABELIMG(bc::DrawDevice& oDev, const std::string& cAlias, double nRow, double nCol, bool lSameLine,
                const std::string& cFile, double nScale = 0, int nPlace = kPlaceCursor, double nLabelLeft = 0,
                double nLabelWidth = 0);

// One barcode item: cCode drawn 0.1 cm below nRow by the drawing function
// of the symbology cType names (bc::symbologyForPrint: by leading
// characters; an unknown type draws nothing), its bars starting at nCol or
// placed by nPlace on the label that starts at nLabelLeft and is
// nLabelWidth wide (a vertical symbol by its bars' extent across the
// page). nModule and nBarHeight in centimetres. Returns the place 0.1 cm
// right of everything the symbol drew, bars and digits, on the same line,
// else {the row right under it, 0}; a symbol that draws nothing advances as
// one module on the same line ({nRow, nCol + nModule + 0.1}) and by its bar
// height on a new one ({nRow + nBarHeight + 0.1, 0}).
bc::RowCol LABELMOD(bc::DrawDevice& oDev, double nRow, double nCol, bool lSameLine, const std::string& cCode,
                const std::string& cType = "13", bc::Rgb nColor = 0, bool lVertical = false, bool lDigits = true,
                double nModule = 0.025, double nBarHeight = 1.5, const std::string& cCodeSet = "B",
                bool lCheck = true, int nPlace = kPlaceCursor, double nLabelLeft = 0, double nLabelWidth = 0);

}  // namespace lb
