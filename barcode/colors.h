// The colour names of label designs and the RGB colours they stand for.
#pragma once

#include <optional>
#include <span>
#include <string_view>

#include "barcode/device.h"

namespace bc {

struct NamedColor {
  std::string_view name;
  Rgb value;
};

// The 17 names, in table order ("CLR_BLACK" first, "CLR_WHITE" last).
std::span<const NamedColor> ColorNames();

// The colour of a name, matched exactly (upper case, no blanks around it).
// An empty name is black; a name that is not in the table gives nothing, so
// the caller decides what an unknown colour means.
std::optional<Rgb> ColorByName(std::string_view name);

}  // namespace bc
