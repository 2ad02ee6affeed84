// The label sheet print run: one sheet of labels for the product record in
// range of the product table, laid out by a label format (sheet geometry,
// millimetres in Labels.dbf) and filled by a label design (items of
// CodPro.eti). The layout draws on any drawing device; PRNLABEL draws it on
// a new printer job and shows it in the preview.
//
// All positions here are centimetres from the paper's top-left corner. The
// item functions take the position of the item and return the position of
// the next one; a returned column of 0 means "new line at the label's left
// edge".
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "barcode/device.h"
#include "xbase/value.h"

namespace qv {
class TDATABASE;
}

namespace lb {

// Text alignment of a text item; the values are the drawing device's
// alignment codes (the printer's padding codes).
enum LabelAlign : int { kAlignLeft = bc::kTextLeft, kAlignRight = bc::kTextRight, kAlignCenter = bc::kTextCenter };

// The title and texts of the item-kind error.
inline constexpr const char* kItemKindTitle = "ERROR EN CAMPO TIPO_B_T_I";
// The whole message for an item of kind cKind with field number nField.
std::string itemKindMessage(const std::string& cKind, double nField);

// The geometry of one print run, from a label-format buffer.
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
LabelRunValues labelRunValues(const qv::TDATABASE& oFormat);

// The code a barcode item encodes from a product field: a text trimmed of
// blanks, a number in its STR form without blanks, a date as yyyymmdd;
// anything else encodes nothing (empty).
std::string labelCode(const xb::Value& v);
// The text a text item prints for its expression's value: a text trimmed
// of blanks, a number in its STR form without blanks, a date as dd-mm-yyyy,
// a logical as .T./.F.; anything else (an expression that failed) prints
// nothing.
std::string labelText(const xb::Value& v);

// An item row of a label design: its field values in the design table's
// order.
using LabelRow = std::vector<xb::Value>;

// The rows of the design whose header is record nHeaderRec, header first,
// ready for a sheet: the design table is restricted to that design's number
// and stays so ("<alias>->NUMERO_ETI=nETIQUETA", nETIQUETA an
// application-wide value), and every item takes the symbology (TIPOBAR) of
// the first product record of cAlias.
std::vector<LabelRow> labelSheetRows(qv::TDATABASE& oDesign, int64_t nHeaderRec, const std::string& cAlias);

// Lays one sheet out on the device: the run's labels, row by row, each
// filled by the rows' items (the header row is not an item) with the
// current record of cAlias. An item of unknown kind, or a barcode item
// without a field number, shows the item-kind message and stops the sheet:
// false then.
bool drawLabelSheet(bc::DrawDevice& oDev, const std::string& cAlias, const std::vector<LabelRow>& rows,
                    const LabelRunValues& run);

// Runs one sheet for design nDesign and the format held by oFormat, with the product table cAlias.
// Every label carries the first product record in range; the page goes to
// a non-modal preview, on the paper the format's HOJA names (sheetPaper). The design table is left filtered on the design
// printed (labelSheetRows). An item of unknown kind, or a barcode item without a field
// number, shows the item-kind message and drops the job: no page, no
// preview, no current printer left behind; the tables stay open. A design
// number without a header position prints nothing.
void PRNLABEL(const std::string& cAlias, qv::TDATABASE& oDesign, int nDesign,
              const std::vector<std::string>& aDesignNames, const std::vector<int64_t>& aHeaderRecs,
              qv::TDATABASE& oFormat, const std::vector<std::string>& aFormatNames);
// The generator's totals text: "Total etiq." + record count, newline, sheets + " Hojas".
std::string labelTotalsText(int64_t recordCount, const qv::TDATABASE& oFormat);

// One text item: cExpr evaluated against the current record of cAlias,
// trimmed, printed with its top at nRow. Left-aligned text starts at nCol;
// right-aligned text ends at nCol + nLabelWidth; centred text is centred on
// nCol + nLabelWidth / 2. nSize in points (0: the font system's default
// height), nAngle in tenths of a degree counter-clockwise. The size is
// estimated from the font's height h in device pixels (0 for size 0): h
// high and h * 0.44 per character wide. Returns {nRow, column + width + 0.2}
// on the same line, else {nRow + height, 0}, the column being nCol moved by
// the alignment.
bc::RowCol LABELTXT(bc::DrawDevice& oDev, const std::string& cAlias, double nRow, double nCol, bool lSameLine,
                const std::string& cExpr, const std::string& cFont = "Arial", double nSize = 10,
                bool lBold = false, bool lItalic = false, bool lUnderline = false, bc::Rgb nColor = 0,
                int nAlign = kAlignLeft, double nAngle = 0, bool lStrikeOut = false, double nLabelWidth = 0);

// One picture item: the bitmap file cFile (a relative name is looked for in
// the working folder, then next to the program) drawn 0.1 cm below (nRow,
// nCol) at its own pixel size times nScale (0 counts as 1). Returns the
// place 0.4 cm right of the picture as drawn (same line), or right under it
// ({nRow + 0.1 + drawn height, 0}), as a barcode item does; a bitmap that
// cannot be loaded draws nothing and measures 0.
bc::RowCol LABELIMG(bc::DrawDevice& oDev, const std::string& cAlias, double nRow, double nCol, bool lSameLine,
                const std::string& cFile, double nScale = 0);

// One barcode item: cCode drawn 0.1 cm below (nRow, nCol) by the drawing
// function of the symbology cType names (bc::symbologyForPrint: by leading
// characters; an unknown type draws nothing). nModule and nBarHeight in centimetres. Returns {nRow, nCol +
// nModule + 0.1} on the same line (one module, not the symbol's width), else
// {nRow + nBarHeight + 0.1, 0}.
bc::RowCol LABELMOD(bc::DrawDevice& oDev, double nRow, double nCol, bool lSameLine, const std::string& cCode,
                const std::string& cType = "13", bc::Rgb nColor = 0, bool lVertical = false, bool lDigits = true,
                double nModule = 0.025, double nBarHeight = 1.5, const std::string& cCodeSet = "B",
                bool lCheck = true);

}  // namespace lb
