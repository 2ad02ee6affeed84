// The label sheet print run: one sheet of labels for the product record in
// range of the product table, laid out by a label format (sheet geometry,
// millimetres in Labels.dbf) and filled by a label design (items of
// CodPro.eti). The layout (label_layout.h) draws on any drawing device;
// PRNLABEL draws it on a new printer job and shows it in the preview.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "labels/label_layout.h"

namespace qv {
class TDATABASE;
}

namespace lb {

// The geometry of one print run, from a label-format buffer.
LabelRunValues labelRunValues(const qv::TDATABASE& oFormat);

// The rows of the design whose header is record nHeaderRec, header first,
// ready for a sheet: the design table is restricted to that design's number
// and stays so ("<alias>->NUMERO_ETI=nETIQUETA", nETIQUETA an
// application-wide value), and every item takes the symbology (TIPOBAR) of
// the first product record of cAlias.
std::vector<LabelRow> labelSheetRows(qv::TDATABASE& oDesign, int64_t nHeaderRec, const std::string& cAlias);
// Every row takes the symbology (TIPOBAR) of the first product record of
// cAlias in place of its TIPOCOD.
void setProductType(std::vector<LabelRow>& rows, const std::string& cAlias);

// Runs one sheet for design nDesign and the format held by oFormat, with the product table cAlias.
// Every label carries the first product record in range; the page goes to
// a non-modal preview, on the paper the format's HOJA names (sheetPaper). The design table is left filtered on the design
// printed (labelSheetRows). An item of unknown kind, or a barcode item without a field
// number, shows the item-kind message and drops the job: no page, no
// preview, no current printer left behind; the tables stay open. A design
// number without a header position prints nothing. Before the page the fit
// check (label_fit.h) measures the sheet at the printer's resolution; when
// an item sticks out of its label the user is asked whether to print all
// the same (No the default), and No drops the job the same way.
void PRNLABEL(const std::string& cAlias, qv::TDATABASE& oDesign, int nDesign,
              const std::vector<std::string>& aDesignNames, const std::vector<int64_t>& aHeaderRecs,
              qv::TDATABASE& oFormat, const std::vector<std::string>& aFormatNames);
// The generator's totals text: "Total etiq." + record count, newline, sheets + " Hojas".
std::string labelTotalsText(int64_t recordCount, const qv::TDATABASE& oFormat);

}  // namespace lb
