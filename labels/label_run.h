// The label sheet print run: the labels of the product record in range of
// the product table (or of a print list), laid out by a label format (sheet
// geometry, millimetres in Labels.dbf) and filled by a label design (items
// of CodPro.eti). The job (label_job.h) draws on any drawing device;
// PRNLABEL and PRNLABELLISTA draw it on a new printer job and show it in
// the preview.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "labels/label_job.h"
#include "labels/label_layout.h"

namespace qv {
class TDATABASE;
}
namespace pr {
class TPRINTER;
}

namespace lb {

// The geometry of one print run, from a label-format buffer.
LabelRunValues labelRunValues(const qv::TDATABASE& oFormat);

// The rows of the design whose header is record nHeaderRec, header first,
// as the design table holds them: the design table is restricted to that
// design's number and stays so ("<alias>->NUMERO_ETI=nETIQUETA", nETIQUETA
// an application-wide value).
std::vector<LabelRow> labelDesignRows(qv::TDATABASE& oDesign, int64_t nHeaderRec);
// The same rows ready for a sheet of one product: every item takes the
// symbology (TIPOBAR) of the first product record of cAlias.
std::vector<LabelRow> labelSheetRows(qv::TDATABASE& oDesign, int64_t nHeaderRec, const std::string& cAlias);
// Every row takes the symbology (TIPOBAR) of the first product record of
// cAlias in place of its TIPOCOD.
void setProductType(std::vector<LabelRow>& rows, const std::string& cAlias);

// Runs design nDesign and the format held by oFormat for the product in
// hand: the first product record in range of cAlias, on nQuantity labels
// (none: the rest of the sheet from the start label, a full sheet from
// label 1) from the start label of `choices` on, across as many sheets as
// they need, into a non-modal preview, on the paper the format's HOJA names
// (sheetPaper). The design table is left filtered
// on the design printed (labelDesignRows). An item of unknown kind, or a
// barcode item without a field number, shows the item-kind message and
// drops the job: no page, no preview, no current printer left behind; the
// tables stay open. A design number without a header position prints
// nothing. Before the first page the fit check (label_fit.h) measures the
// product at the printer's resolution; when an item sticks out of its
// label the user is asked whether to print all the same (No the default),
// and No drops the job the same way. A format without labels ends a page
// that was never begun (the printer device says so).
void PRNLABEL(const std::string& cAlias, qv::TDATABASE& oDesign, int nDesign,
              const std::vector<std::string>& aDesignNames, const std::vector<int64_t>& aHeaderRecs,
              qv::TDATABASE& oFormat, const std::vector<std::string>& aFormatNames, const JobChoices& choices = {},
              std::optional<int64_t> nQuantity = std::nullopt);
// A job of more than one sheet shows its first sheet in the preview at
// once; the preview records the others from the product table as they are
// needed, until finishLabelJobs, which must come before the product table
// is closed.
void finishLabelJobs();

// The same run for the products and quantities of a print list (records of
// cAlias), in list order.
void PRNLABELLISTA(const std::string& cAlias, qv::TDATABASE& oDesign, int nDesign,
                   const std::vector<std::string>& aDesignNames, const std::vector<int64_t>& aHeaderRecs,
                   qv::TDATABASE& oFormat, const std::vector<LabelOrder>& orders, const JobChoices& choices);

// Draws every sheet of the job on the printer, a page each (PAGEBEGIN /
// PAGEEND on the device); the number of an item of unknown kind that
// stopped it, 0 when every sheet was drawn.
size_t drawLabelJob(pr::TPRINTER& oPrn, const LabelJob& job);

// The generator's totals text: "Total etiq." + record count, newline, sheets + " Hojas".
std::string labelTotalsText(int64_t recordCount, const qv::TDATABASE& oFormat);

}  // namespace lb
