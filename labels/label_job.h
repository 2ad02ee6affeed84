// A label job: labels for one or many products, a number of each, laid out
// in order row by row across as many sheets as they need, from a chosen
// label of the first sheet on. The single-code run and the print list both
// print through it; it draws a page on any drawing device.
//
// Besides the content a job can draw the outline of every label of its
// sheets (a thin line along the label's edge, inside it), over the content
// or instead of it, and moves everything on the page by the printer's
// offset.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "barcode/device.h"
#include "labels/label_fit.h"
#include "labels/label_layout.h"

namespace lb {

// One line of a job: a record of the job's product table and how many
// labels carry it.
struct LabelOrder {
  int64_t recno = 0;
  int64_t quantity = 0;
};

enum class Outlines { None, Over, Only };

// The choices the generator adds to a run.
struct JobChoices {
  int64_t start = 1;  // the first label used on the first sheet: 1 top-left, row by row
  Outlines outlines = Outlines::None;
  double offsetXmm = 0;  // the printer's offset: right and down are positive
  double offsetYmm = 0;
};

// The outline's width: 0.1 mm, at least one printer dot.
inline constexpr double kOutlineMm = 0.1;

class LabelJob {
 public:
  // `design` are the design's rows, header first, as the design table holds
  // them; each label takes its product's symbology (TIPOBAR) into the
  // barcode items. Lines without labels are left out; a start past the
  // sheet's last label (or below 1) counts as 1.
  LabelJob(std::string cAlias, std::vector<LabelRow> design, const LabelRunValues& run,
           std::vector<LabelOrder> orders, const JobChoices& choices);

  const std::string& alias() const { return alias_; }
  const std::vector<LabelRow>& design() const { return design_; }
  // The run's geometry, moved by the offset.
  const LabelRunValues& run() const { return run_; }
  const JobChoices& choices() const { return choices_; }
  const std::vector<LabelOrder>& orders() const { return orders_; }
  // Labels printed (the cells before the start are not counted), and
  // sheets: none when a sheet holds no label.
  int64_t labels() const { return labels_; }
  int64_t pages() const;

  // Draws sheet `page` (1-based) on the device: its labels, blank cells
  // before the start and after the last label, the outlines when chosen.
  // Answers the number of an item of unknown kind that stopped it (0: the
  // page was drawn whole); the message is the caller's to show.
  size_t drawPage(bc::DrawDevice& dev, int64_t page) const;

  // The fit check of every product of the job at the device's resolution:
  // each product laid out on the job's sheet, one sheet holding as many
  // products as it has labels (one product fills the sheet). Nothing is
  // measured when only outlines are printed.
  std::vector<ItemOverflow> overflows(const bc::DrawDevice& geometry) const;

 private:
  // Puts the product table on `recno` and answers the design with that
  // product's symbology.
  const std::vector<LabelRow>* productRows(int64_t recno) const;
  void drawOutlines(bc::DrawDevice& dev) const;

  std::string alias_;
  std::vector<LabelRow> design_;
  LabelRunValues run_;
  std::vector<LabelOrder> orders_;
  std::vector<int64_t> ends_;  // labels up to and including each line
  JobChoices choices_;
  int64_t labels_ = 0;
  mutable std::map<std::string, std::vector<LabelRow>> bySymbology_;
};

// The design's rows with every item's symbology (TIPOCOD) replaced by
// `type`, as a product's TIPOBAR gives it.
std::vector<LabelRow> withSymbology(std::vector<LabelRow> rows, const std::string& type);

// The labels and sheets of a list of quantities from label `start` on a
// format holding `perSheet` labels: "Total etiq." + labels, newline, sheets +
// " Hojas" (no sheets when a sheet holds none).
std::string jobTotalsText(int64_t labels, int64_t start, int64_t perSheet);
int64_t jobSheets(int64_t labels, int64_t start, int64_t perSheet);

}  // namespace lb
