// The colours a label design names in its COLOR field: 17 names, each a
// packed RGB value (red + green * 256 + blue * 65536). A name matches only
// exactly and in upper case; the caller trims the stored field first.
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
