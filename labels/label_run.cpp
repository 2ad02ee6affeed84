#include "labels/label_run.h"

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <algorithm>
#include <memory>
#include <utility>

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
#include "xbase/text.h"

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

std::vector<LabelRow> labelDesignRows(qv::TDATABASE& oDesign, int64_t nHeaderRec) {
  return designRows(oDesign, nHeaderRec);
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
  rows = withSymbology(std::move(rows), type);
}

size_t drawLabelJob(pr::TPRINTER& oPrn, const LabelJob& job) {
  for (int64_t page = 1; page <= job.pages(); ++page) {
    oPrn.StartPage();
    if (const size_t stopped = job.drawPage(oPrn, page)) return stopped;
    oPrn.EndPage();
  }
  return 0;
}

namespace {

// Preview jobs whose later sheets are still to be recorded from the product
// table.
std::vector<std::weak_ptr<pr::TPRINTER>>& pendingJobs() {
  static std::vector<std::weak_ptr<pr::TPRINTER>> jobs;
  return jobs;
}

// The run of a design's job into a preview: the fit check first, then the
// first sheet; the preview records the others as they are needed. The job
// is dropped with its page files when the user declines to print a design
// that does not fit or when an item stops it.
void printJob(const LabelJob& job, int nDesign, const std::vector<std::string>& aDesignNames,
              const qv::TDATABASE& oFormat) {
  const std::vector<Row>& rows = job.design();
  std::string document = rows.empty() ? std::string() : textOf(at(rows.front(), kCampo));
  if (document.empty() && size_t(nDesign) <= aDesignNames.size()) document = aDesignNames[size_t(nDesign) - 1];
  std::shared_ptr<pr::TPRINTER> oPrn = pr::PRINTBEGIN(xb::cp1252ToUtf8(xb::trim(document)), false, true, {}, false);
  if (const std::optional<QPageSize> paper = sheetPaper(textOf(oFormat.FieldGet("HOJA")))) oPrn->SetJobPaper(*paper);
  BusyCursor cursor;
  if (job.pages() == 0) {
    // Without labels no page was begun, which ending the page reports.
    pr::PAGEEND();
    pr::PRINTEND();
    return;
  }
  // The fit check, at the printer's resolution: on No nothing is printed.
  const std::vector<ItemOverflow> overflows = job.overflows(*oPrn);
  if (!overflows.empty() && !xb::prompter().noYes(kFitTitle, fitQuestion(overflows))) {
    oPrn->End();
    return;
  }
  cursor.show();
  oPrn->StartPage();
  if (const size_t stopped = job.drawPage(*oPrn, 1)) {
    // The sheet cannot be made: the job is dropped with its page files
    // and stops being the current printer, and the tables stay open.
    showItemKindMessage(rows[stopped]);
    oPrn->End();
    return;
  }
  oPrn->EndPage();
  if (job.pages() > 1) {
    // Every sheet has the items of the first, which drew whole.
    oPrn->RecordLater(int(job.pages()), [later = std::make_shared<const LabelJob>(job)](pr::TPRINTER& dev) {
      const int64_t page = int64_t(dev.aMeta().size()) + 1;
      dev.StartPage();
      later->drawPage(dev, page);
      dev.EndPage();
      return true;
    });
    std::erase_if(pendingJobs(), [](const std::weak_ptr<pr::TPRINTER>& p) { return p.expired(); });
    pendingJobs().push_back(oPrn);
  }
  pr::PRINTEND();
}

}  // namespace

void finishLabelJobs() {
  for (const std::weak_ptr<pr::TPRINTER>& p : std::exchange(pendingJobs(), {}))
    if (const std::shared_ptr<pr::TPRINTER> job = p.lock()) job->RecordTo(job->nPages());
}

void PRNLABEL(const std::string& cAlias, qv::TDATABASE& oDesign, int nDesign,
              const std::vector<std::string>& aDesignNames, const std::vector<int64_t>& aHeaderRecs,
              qv::TDATABASE& oFormat, [[maybe_unused]] const std::vector<std::string>& aFormatNames,
              const JobChoices& choices, std::optional<int64_t> nQuantity) {
  if (nDesign < 1 || size_t(nDesign) > aHeaderRecs.size()) return;
  const LabelRunValues run = labelRunValues(oFormat);
  std::vector<Row> rows = designRows(oDesign, aHeaderRecs[size_t(nDesign) - 1]);
  // The product table stays selected for the whole run.
  qv::SelectGuard product(qv::workAreas(), cAlias);
  int64_t recno = 0;
  if (product.ok()) {
    qv::workAreas().area().goTop();
    recno = qv::workAreas().area().recno();
  }
  const int64_t start = choices.start >= 1 && choices.start <= run.perSheet() ? choices.start : 1;
  const LabelJob job(cAlias, std::move(rows), run, {{recno, nQuantity.value_or(run.perSheet() - (start - 1))}},
                     choices);
  printJob(job, nDesign, aDesignNames, oFormat);
}

void PRNLABELLISTA(const std::string& cAlias, qv::TDATABASE& oDesign, int nDesign,
                   const std::vector<std::string>& aDesignNames, const std::vector<int64_t>& aHeaderRecs,
                   qv::TDATABASE& oFormat, const std::vector<LabelOrder>& orders, const JobChoices& choices) {
  if (nDesign < 1 || size_t(nDesign) > aHeaderRecs.size()) return;
  const LabelRunValues run = labelRunValues(oFormat);
  std::vector<Row> rows = designRows(oDesign, aHeaderRecs[size_t(nDesign) - 1]);
  qv::SelectGuard product(qv::workAreas(), cAlias);
  const LabelJob job(cAlias, std::move(rows), run, orders, choices);
  printJob(job, nDesign, aDesignNames, oFormat);
}

}  // namespace lb
