#include "labels/label_colors.h"

#include <array>
#include <utility>

namespace lb {
namespace {

constexpr std::array<std::pair<std::string_view, bc::Rgb>, 17> kColors{{
    {"CLR_BLACK", 0},
    {"CLR_BLUE", 8388608},
    {"CLR_GREEN", 32768},
    {"CLR_CYAN", 8421376},
    {"CLR_RED", 128},
    {"CLR_MAGENTA", 8388736},
    {"CLR_BROWN", 32896},
    {"CLR_HGRAY", 12632256},
    {"CLR_LIGHTGRAY", 8421504},
    {"CLR_GRAY", 8421504},
    {"CLR_HBLUE", 16711680},
    {"CLR_HGREEN", 65280},
    {"CLR_HCYAN", 16776960},
    {"CLR_HRED", 255},
    {"CLR_HMAGENTA", 16711935},
    {"CLR_YELLOW", 65535},
    {"CLR_WHITE", 16777215},
}};

}  // namespace

std::optional<bc::Rgb> findLabelColor(std::string_view cName) {
  for (const auto& [name, value] : kColors)
    if (name == cName) return value;
  return std::nullopt;
}

bc::Rgb labelColor(std::string_view cName) { return findLabelColor(cName).value_or(0); }

}  // namespace lb
