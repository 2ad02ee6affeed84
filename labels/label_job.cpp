#include "labels/label_job.h"

#include <algorithm>
#include <cmath>

#include "data/product_table.h"
#include "data/tables.h"

namespace lb {

namespace {

int64_t clampedStart(int64_t start, int64_t perSheet) { return start >= 1 && start <= perSheet ? start : 1; }

}  // namespace

std::vector<LabelRow> withSymbology(std::vector<LabelRow> rows, const std::string& type) {
  for (LabelRow& r : rows)
    if (r.size() >= size_t(kTipoCod)) r[size_t(kTipoCod) - 1] = xb::Value(type);
  return rows;
}

int64_t jobSheets(int64_t labels, int64_t start, int64_t perSheet) {
  if (perSheet <= 0 || labels <= 0) return 0;
  const int64_t cells = clampedStart(start, perSheet) - 1 + labels;
  return (cells + perSheet - 1) / perSheet;
}

std::string jobTotalsText(int64_t labels, int64_t start, int64_t perSheet) {
  return "Total etiq." + std::to_string(labels) + "\n" + std::to_string(jobSheets(labels, start, perSheet)) +
         " Hojas";
}

LabelJob::LabelJob(std::string cAlias, std::vector<LabelRow> design, const LabelRunValues& run,
                   std::vector<LabelOrder> orders, const JobChoices& choices)
    : alias_(std::move(cAlias)), design_(std::move(design)), run_(run), choices_(choices) {
  choices_.start = clampedStart(choices.start, run.perSheet());
  run_.top += choices.offsetYmm / 10;
  run_.left += choices.offsetXmm / 10;
  for (const LabelOrder& o : orders) {
    if (o.quantity <= 0) continue;
    orders_.push_back(o);
    labels_ += o.quantity;
    ends_.push_back(labels_);
  }
}

int64_t LabelJob::pages() const { return jobSheets(labels_, choices_.start, run_.perSheet()); }

const std::vector<LabelRow>* LabelJob::productRows(int64_t recno) const {
  qv::WorkArea* area = qv::workAreas().find(alias_);
  std::string type;
  if (area) {
    area->goTo(recno);
    type = textOf(area->fieldGet(qv::product::kTipoBar));
  }
  auto it = bySymbology_.find(type);
  if (it == bySymbology_.end()) it = bySymbology_.emplace(type, withSymbology(design_, type)).first;
  return &it->second;
}

size_t LabelJob::drawPage(bc::DrawDevice& dev, int64_t page) const {
  const int64_t perSheet = run_.perSheet();
  size_t stopped = 0;
  if (choices_.outlines != Outlines::Only) {
    const int64_t first = (page - 1) * perSheet - (choices_.start - 1);  // the label index of cell 1
    stopped = layOutLabels(dev, alias_, run_, [&](int64_t cell) -> const std::vector<LabelRow>* {
      const int64_t i = first + cell - 1;
      if (i < 0 || i >= labels_) return nullptr;
      const size_t line = size_t(std::upper_bound(ends_.begin(), ends_.end(), i) - ends_.begin());
      return productRows(orders_[line].recno);
    }, {});
  }
  if (!stopped && choices_.outlines != Outlines::None) drawOutlines(dev);
  return stopped;
}

void LabelJob::drawOutlines(bc::DrawDevice& dev) const {
  const int width = std::max(1, int(std::lround(kOutlineMm * dev.nLogPixelsX() / 25.4)));
  const int height = std::max(1, int(std::lround(kOutlineMm * dev.nLogPixelsY() / 25.4)));
  for (int64_t cell = 1; cell <= run_.perSheet(); ++cell) {
    const LabelBox b = labelBox(run_, cell);
    double top = b.top, left = b.left, bottom = b.bottom, right = b.right;
    dev.Cmtr2Pix(top, left);
    dev.Cmtr2Pix(bottom, right);
    const int t = int(std::lround(top)), l = int(std::lround(left));
    const int bo = int(std::lround(bottom)), r = int(std::lround(right));
    dev.FillRect(t, l, t + height, r, 0);
    dev.FillRect(bo - height, l, bo, r, 0);
    dev.FillRect(t, l, bo, l + width, 0);
    dev.FillRect(t, r - width, bo, r, 0);
  }
}

std::vector<ItemOverflow> LabelJob::overflows(const bc::DrawDevice& geometry) const {
  const int64_t perSheet = run_.perSheet();
  if (choices_.outlines == Outlines::Only || perSheet <= 0 || orders_.empty()) return {};
  std::vector<int64_t> products;
  for (const LabelOrder& o : orders_)
    if (std::find(products.begin(), products.end(), o.recno) == products.end()) products.push_back(o.recno);
  std::vector<ItemInk> inks;
  const int64_t count = int64_t(products.size());
  for (int64_t sheet = 0; sheet * perSheet < count; ++sheet) {
    const std::vector<ItemInk> measured = measureLabels(geometry, alias_, run_, [&](int64_t cell) {
      return productRows(products[size_t((sheet * perSheet + cell - 1) % count)]);
    });
    inks.insert(inks.end(), measured.begin(), measured.end());
  }
  return overflowsOf(geometry, inks, design_);
}

}  // namespace lb
