#include "labels/label_run.h"

#include "data/tdatabase.h"
#include "labels/printer.h"

namespace lb {

std::string itemKindMessage(const std::string&, double) { return {}; }
LabelRunValues labelRunValues(const qv::TDATABASE&) { return {}; }
void PRNLABEL(const std::string&, qv::TDATABASE&, int, const std::vector<std::string>&,
              const std::vector<int64_t>&, qv::TDATABASE&, const std::vector<std::string>&) {}
std::string labelTotalsText(int64_t, const qv::TDATABASE&) { return {}; }
RowCol LABELTXT(TPRINTER&, const std::string&, double nRow, double, bool, const std::string&, const std::string&,
                double, bool, bool, bool, bc::Rgb, int, double, bool, double) {
  return {nRow, 0};
}
RowCol LABELIMG(TPRINTER&, const std::string&, double nRow, double, bool, const std::string&, double) {
  return {nRow, 0};
}
RowCol LABELMOD(TPRINTER&, double nRow, double, bool, const std::string&, const std::string&, bc::Rgb, bool, bool,
                double, double, const std::string&, bool) {
  return {nRow, 0};
}

}  // namespace lb
