#include "barcode/symbology.h"

#include <array>

namespace bc {
namespace {

constexpr std::array<SymbologyInfo, 10> kTable = {{
    {Symbology::Ean13, "13", 1, "EAN-13", 12},
    {Symbology::UpcA, "UPCA", 2, "UPC-A", 11},
    {Symbology::Ean8, "8", 3, "EAN-8", 7},
    {Symbology::Code128, "128", 4, "Code 128", 0},
    {Symbology::Code39, "3-9", 5, "Code 39", 0},
    {Symbology::Ind25, "IND25", 6, "Industrial 2 of 5", 0},
    {Symbology::Mat25, "MAT25", 7, "Matrix 2 of 5", 0},
    {Symbology::Sup5, "5", 8, "5-digit add-on", 5},
    {Symbology::Codabar, "CODABAR", 0, "Codabar", 0},
    {Symbology::Int25, "INT25", 0, "Interleaved 2 of 5", 0},
}};

// The order in which a label's stored value is matched.
constexpr std::array<Symbology, 10> kPrintOrder = {Symbology::Ean13,   Symbology::Code128, Symbology::Code39,
                                                   Symbology::UpcA,    Symbology::Ean8,    Symbology::Sup5,
                                                   Symbology::Codabar, Symbology::Int25,   Symbology::Ind25,
                                                   Symbology::Mat25};

}  // namespace

std::span<const SymbologyInfo> symbologies() { return kTable; }

const SymbologyInfo& symbologyInfo(Symbology s) {
  for (const auto& info : kTable)
    if (info.symbology == s) return info;
  return kTable[0];
}

bool symbologyMatches(std::string_view value, std::string_view code) { return value.starts_with(code); }

std::optional<Symbology> symbologyForPrint(std::optional<std::string_view> value) {
  if (!value) return Symbology::Ean13;
  for (Symbology s : kPrintOrder)
    if (symbologyMatches(*value, symbologyInfo(s).code)) return s;
  return std::nullopt;
}

int optionForStoredType(std::string_view value) {
  for (const auto& info : kTable)
    if (info.option > 0 && symbologyMatches(value, info.code)) return info.option;
  return 1;
}

std::optional<Symbology> symbologyForOption(int option) {
  for (const auto& info : kTable)
    if (option > 0 && info.option == option) return info.symbology;
  return std::nullopt;
}

}  // namespace bc
