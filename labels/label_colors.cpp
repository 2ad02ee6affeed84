#include "labels/label_colors.h"

#include "barcode/colors.h"

namespace lb {

std::optional<bc::Rgb> findLabelColor(std::string_view cName) {
  if (cName.empty()) return std::nullopt;
  return bc::ColorByName(cName);
}

bc::Rgb labelColor(std::string_view cName) { return findLabelColor(cName).value_or(0); }

}  // namespace lb
