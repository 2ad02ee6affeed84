#include "labels/label_run.h"

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <algorithm>

#include "data/blanks.h"
#include "data/product_table.h"
#include "data/tables.h"
#include "data/tdatabase.h"
#include "labels/label_fit.h"
#include "labels/sheet_paper.h"
#include "print/preview_job.h"
#include "print/printer.h"
#include "xbase/codepage.h"
#include "xbase/memvar.h"
#include "xbase/prompt.h"

namespace lb {
namespace {

using Row = LabelRow;

// The busy cursor from the first page on, the arrow back however the run
// ends.
class BusyCursor {
 public:
  void show() {
    if (shown_ || !qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    shown_ = true;
  }
  ~BusyCursor() {
    if (shown_) QGuiApplication::restoreOverrideCursor();
  }

 private:
  bool shown_ = false;
};

// The rows of the design whose header is record nHeaderRec: the design
// table is restricted to that design's number (and stays so), then every
// record is loaded in order.
std::vector<Row> designRows(qv::TDATABASE& oDesign, int64_t nHeaderRec) {
  std::vector<Row> rows;
  qv::WorkArea* area = oDesign.area();
  if (!area) return rows;
  area->goTo(nHeaderRec);
  const xb::Value number = area->fieldGet("NUMERO_ETI");
  // An application-wide value, so that the filter the design table keeps
  // after the run still evaluates.
  xb::PUBLICA("nETIQUETA", number.isNumber() ? number : xb::Value(0));
  area->setFilter(oDesign.alias() + "->NUMERO_ETI=nETIQUETA");
  for (area->goTop(); !area->eof(); area->skip()) {
    if (!oDesign.Load()) break;
    rows.push_back(oDesign.values());
  }
  return rows;
}

}  // namespace

LabelRunValues labelRunValues(const qv::TDATABASE& oFormat) {
  const auto num = [&](const char* name) { return numOf(oFormat.FieldGet(name)); };
  LabelRunValues r;
  r.top = num("MARGENSUP") / 10 + kInsetTop;
  r.left = num("MARGENIZD") / 10 + kInsetSide;
  r.labelHeight = num("ALTOETIQ") / 10;
  r.labelWidth = num("ANCHOETIQ") / 10;
  const auto rows = int64_t(num("FILAS"));
  r.rows = flagOf(oFormat.FieldGet("PRNULTFILA")) ? rows : std::max<int64_t>(rows - 1, 1);
  r.columns = int64_t(num("COLUMNAS"));
  r.rowGap = num("SEPARAHORZ");
  r.columnGap = num("SEPARAVERT");
  return r;
}

std::string labelTotalsText(int64_t recordCount, const qv::TDATABASE& oFormat) {
  const int64_t perSheet = labelRunValues(oFormat).perSheet();
  // No labels on a sheet: no sheets, as a division by zero gives 0.
  const int64_t sheets = perSheet > 0 ? int64_t(double(recordCount) / double(perSheet) + 0.99) : 0;
  return "Total etiq." + std::to_string(recordCount) + "\n" + std::to_string(sheets) + " Hojas";
}

std::vector<LabelRow> labelSheetRows(qv::TDATABASE& oDesign, int64_t nHeaderRec, const std::string& cAlias) {
  std::vector<Row> rows = designRows(oDesign, nHeaderRec);
  setProductType(rows, cAlias);
  return rows;
}

void setProductType(std::vector<LabelRow>& rows, const std::string& cAlias) {
  qv::WorkAreas& areas = qv::workAreas();
  qv::SelectGuard product(areas, cAlias);
  std::string type;
  if (product.ok()) {
    areas.area().goTop();
    type = textOf(areas.area().fieldGet(qv::product::kTipoBar));
  }
  for (Row& r : rows)
    if (r.size() >= size_t(kTipoCod)) r[size_t(kTipoCod) - 1] = xb::Value(type);
}

void PRNLABEL(const std::string& cAlias, qv::TDATABASE& oDesign, int nDesign,
              const std::vector<std::string>& aDesignNames, const std::vector<int64_t>& aHeaderRecs,
              qv::TDATABASE& oFormat, [[maybe_unused]] const std::vector<std::string>& aFormatNames) {
  if (nDesign < 1 || size_t(nDesign) > aHeaderRecs.size()) return;
  const LabelRunValues run = labelRunValues(oFormat);
  const std::vector<Row> rows = labelSheetRows(oDesign, aHeaderRecs[size_t(nDesign) - 1], cAlias);
  // The product table stays selected for the whole run.
  qv::SelectGuard product(qv::workAreas(), cAlias);

  std::string document = rows.empty() ? std::string() : textOf(at(rows.front(), kCampo));
  if (document.empty() && size_t(nDesign) <= aDesignNames.size()) document = aDesignNames[size_t(nDesign) - 1];
  std::shared_ptr<pr::TPRINTER> oPrn = pr::PRINTBEGIN(xb::cp1252ToUtf8(qv::trimmed(document)), false, true, {}, false);
  if (const std::optional<QPageSize> paper = sheetPaper(textOf(oFormat.FieldGet("HOJA")))) oPrn->SetJobPaper(*paper);
  BusyCursor cursor;
  if (run.perSheet() > 0) {
    // The fit check, at the printer's resolution: on No nothing is printed.
    const std::vector<ItemOverflow> overflows = labelOverflows(*oPrn, cAlias, rows, run);
    if (!overflows.empty() && !xb::prompter().noYes(kFitTitle, fitQuestion(overflows))) {
      oPrn->End();
      return;
    }
    pr::PAGEBEGIN();
    cursor.show();
    if (!drawLabelSheet(*oPrn, cAlias, rows, run)) {
      // The sheet cannot be made: the job is dropped with its page files
      // and stops being the current printer, and the tables stay open.
      oPrn->End();
      return;
    }
  }
  // Without labels no page was begun, which ending the page reports.
  pr::PAGEEND();
  pr::PRINTEND();
}

}  // namespace lb
