#include "barcode/colors.h"

#include <array>

namespace bc {

namespace {

// "CLR_LIGHTGRAY" and "CLR_GRAY" are both the dark grey; "CLR_HGRAY" is the
// light one. Blue, red and their bright forms follow the packing
// red + green * 256 + blue * 65536.
constexpr std::array<NamedColor, 17> kColors{{
    {"CLR_BLACK", rgb(0, 0, 0)},
    {"CLR_BLUE", rgb(0, 0, 128)},
    {"CLR_GREEN", rgb(0, 128, 0)},
    {"CLR_CYAN", rgb(0, 128, 128)},
    {"CLR_RED", rgb(128, 0, 0)},
    {"CLR_MAGENTA", rgb(128, 0, 128)},
    {"CLR_BROWN", rgb(128, 128, 0)},
    {"CLR_HGRAY", rgb(192, 192, 192)},
    {"CLR_LIGHTGRAY", rgb(128, 128, 128)},
    {"CLR_GRAY", rgb(128, 128, 128)},
    {"CLR_HBLUE", rgb(0, 0, 255)},
    {"CLR_HGREEN", rgb(0, 255, 0)},
    {"CLR_HCYAN", rgb(0, 255, 255)},
    {"CLR_HRED", rgb(255, 0, 0)},
    {"CLR_HMAGENTA", rgb(255, 0, 255)},
    {"CLR_YELLOW", rgb(255, 255, 0)},
    {"CLR_WHITE", rgb(255, 255, 255)},
}};

}  // namespace

std::span<const NamedColor> ColorNames() { return kColors; }

std::optional<Rgb> ColorByName(std::string_view name) {
  if (name.empty()) return Rgb(0);
  for (const auto& c : kColors)
    if (c.name == name) return c.value;
  return std::nullopt;
}

}  // namespace bc
