// The colours a label design names in its COLOR field: the 17 names of the
// drawing colour table (bc::ColorNames). A name matches only exactly and in
// upper case; the caller trims the stored field first.
#pragma once

#include <optional>
#include <string_view>

#include "barcode/device.h"

namespace lb {

// The colour of a name of the table; nothing for any other name.
std::optional<bc::Rgb> findLabelColor(std::string_view cName);

// The colour an item prints in: black (0) for a blank name and for a name
// that is not in the table, so a misspelt colour still prints legibly.
bc::Rgb labelColor(std::string_view cName);

}  // namespace lb
