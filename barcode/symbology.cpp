#include "barcode/symbology.h"

#include <algorithm>
#include <array>

#include "barcode/codabar.h"
#include "barcode/code128.h"
#include "barcode/code39.h"
#include "barcode/ean_upc.h"
#include "barcode/two_of_five.h"

namespace bc {
namespace {

using S = SymbolStyle;
using D = DrawDevice;
using V = std::string_view;

constexpr std::array<SymbologyInfo, 10> kTable = {{
    {Symbology::Ean13, "13", 1, 1, "EAN-13", 13, 12, true, true, [](V c, const S&) { return enc::EAN13(c); },
     [](double t, double l, V c, D& d, const S& s) {
       EAN13(t, l, c, d, s.color, s.horizontal, s.moduleCm, s.heightCm, s.digits);
     }},
    {Symbology::UpcA, "UPCA", 2, 4, "UPC-A", 12, 11, true, true, [](V c, const S&) { return enc::UPC(c, 11); },
     [](double t, double l, V c, D& d, const S& s) {
       UPCA(t, l, c, d, s.color, s.horizontal, s.moduleCm, s.heightCm, s.digits);
     }},
    {Symbology::Ean8, "8", 3, 5, "EAN-8", 8, 7, true, true, [](V c, const S&) { return enc::UPC(c, 7); },
     [](double t, double l, V c, D& d, const S& s) {
       EAN8(t, l, c, d, s.color, s.horizontal, s.moduleCm, s.heightCm, s.digits);
     }},
    {Symbology::Code128, "128", 4, 2, "Code 128", 0, 0, false, false,
     [](V c, const S& s) { return enc::CODE128(c, s.set); },
     [](double t, double l, V c, D& d, const S& s) {
       CODE128(t, l, c, d, s.set, s.color, s.horizontal, s.moduleCm, s.heightCm);
     }},
    {Symbology::Code39, "3-9", 5, 3, "Code 39", 0, 0, false, false,
     [](V c, const S& s) { return enc::CODE3_9(c, s.check); },
     [](double t, double l, V c, D& d, const S& s) {
       CODE3_9(t, l, c, d, s.check, s.color, s.horizontal, s.moduleCm, s.heightCm);
     }},
    {Symbology::Ind25, "IND25", 6, 9, "Industrial 2 of 5", 0, 0, false, false,
     [](V c, const S& s) { return enc::IND25(c, s.check); },
     [](double t, double l, V c, D& d, const S& s) {
       IND25(t, l, c, d, s.check, s.color, s.horizontal, s.moduleCm, s.heightCm);
     }},
    {Symbology::Mat25, "MAT25", 7, 10, "Matrix 2 of 5", 0, 0, false, false,
     [](V c, const S& s) { return enc::MAT25(c, s.check); },
     [](double t, double l, V c, D& d, const S& s) {
       MAT25(t, l, c, d, s.check, s.color, s.horizontal, s.moduleCm, s.heightCm);
     }},
    {Symbology::Sup5, "5", 8, 6, "5-digit add-on", 0, 0, true, false, [](V c, const S&) { return enc::SUP5(c); },
     [](double t, double l, V c, D& d, const S& s) {
       SUP5(t, l, c, d, s.color, s.horizontal, s.moduleCm, s.heightCm, s.digits);
     }},
    {Symbology::Codabar, "CODABAR", 0, 7, "Codabar", 0, 0, false, false,
     [](V c, const S&) { return enc::CODABAR(c); },
     [](double t, double l, V c, D& d, const S& s) {
       CODABAR(t, l, c, d, s.color, s.horizontal, s.moduleCm, s.heightCm);
     }},
    {Symbology::Int25, "INT25", 0, 8, "Interleaved 2 of 5", 0, 0, false, false,
     [](V c, const S& s) { return enc::INT25(c, s.check); },
     [](double t, double l, V c, D& d, const S& s) {
       INT25(t, l, c, d, s.check, s.color, s.horizontal, s.moduleCm, s.heightCm);
     }},
}};

// The table in the order of the print ranks.
std::array<const SymbologyInfo*, kTable.size()> printOrder() {
  std::array<const SymbologyInfo*, kTable.size()> out{};
  for (size_t i = 0; i < kTable.size(); ++i) out[i] = &kTable[i];
  std::sort(out.begin(), out.end(), [](const SymbologyInfo* a, const SymbologyInfo* b) { return a->printRank < b->printRank; });
  return out;
}

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
  static const auto order = printOrder();
  for (const SymbologyInfo* info : order)
    if (symbologyMatches(*value, info->code)) return info->symbology;
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
