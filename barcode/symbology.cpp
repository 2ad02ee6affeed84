#include "barcode/symbology.h"

#include <algorithm>
#include <array>

#include "barcode/codabar.h"
#include "barcode/code128.h"
#include "barcode/code39.h"
#include "barcode/ean_upc.h"
#include "barcode/two_of_five.h"
#include "xbase/codepage.h"

namespace bc {
namespace {

// How a refusal names a character of the code.
std::string shownChar(char c) {
  if (c == ' ') return "un espacio";
  return "\"" + xb::cp1252ToUtf8(std::string(1, c)) + "\"";
}

// The first character of `code` that `ok` refuses, if any.
std::optional<char> firstRefused(std::string_view code, bool (*ok)(unsigned char)) {
  for (char c : code)
    if (!ok(static_cast<unsigned char>(c))) return c;
  return std::nullopt;
}

bool isDigit(unsigned char c) { return c >= '0' && c <= '9'; }

// Code sets A and B together hold the 128 characters of ASCII.
std::string code128Refusal(std::string_view code) {
  const auto bad = firstRefused(code, [](unsigned char c) { return c < 128; });
  if (!bad) return {};
  return "Code 128 no puede codificar " + shownChar(*bad) +
         ": admite letras sin acentos ni eñes, cifras, espacios y los signos de puntuación corrientes.";
}

// The 43 characters of Code 39; "*" starts and ends every symbol and cannot
// stand inside one.
std::string code39Refusal(std::string_view code) {
  const auto bad = firstRefused(code, [](unsigned char c) {
    return isDigit(c) || (c >= 'A' && c <= 'Z') || std::string_view("-. $/+%").find(char(c)) != std::string_view::npos;
  });
  if (!bad) return {};
  return "Code 39 no puede codificar " + shownChar(*bad) +
         ": admite cifras, letras mayúsculas sin acentos, espacios y los signos - . $ / + %.";
}

std::string digitsOnly(std::string_view name, std::string_view code) {
  const auto bad = firstRefused(code, isDigit);
  if (!bad) return {};
  return std::string(name) + " admite solo cifras, y el código lleva " + shownChar(*bad) + ".";
}

std::string ind25Refusal(std::string_view code) { return digitsOnly("Industrial 2 de 5", code); }
std::string mat25Refusal(std::string_view code) { return digitsOnly("Matriz 2 de 5", code); }

std::string sup5Refusal(std::string_view code) {
  if (std::string r = digitsOnly("El suplemento de 5 dígitos", code); !r.empty()) return r;
  if (code.size() == 5) return {};
  return "El suplemento de 5 dígitos lleva exactamente cinco cifras, y el código tiene " + std::to_string(code.size()) +
         ".";
}

using S = SymbolStyle;
using D = DrawDevice;
using V = std::string_view;

constexpr std::array<SymbologyInfo, 10> kTable = {{
    {Symbology::Ean13, "13", 1, 1, "EAN-13", 13, 12, nullptr, true, true, [](V c, const S&) { return enc::EAN13(c); },
     [](double t, double l, V c, D& d, const S& s) {
       EAN13(t, l, c, d, s.color, s.horizontal, s.moduleCm, s.heightCm, s.digits);
     }},
    {Symbology::UpcA, "UPCA", 2, 4, "UPC-A", 12, 11, nullptr, true, true, [](V c, const S&) { return enc::UPC(c, 11); },
     [](double t, double l, V c, D& d, const S& s) {
       UPCA(t, l, c, d, s.color, s.horizontal, s.moduleCm, s.heightCm, s.digits);
     }},
    {Symbology::Ean8, "8", 3, 5, "EAN-8", 8, 7, nullptr, true, true, [](V c, const S&) { return enc::UPC(c, 7); },
     [](double t, double l, V c, D& d, const S& s) {
       EAN8(t, l, c, d, s.color, s.horizontal, s.moduleCm, s.heightCm, s.digits);
     }},
    {Symbology::Code128, "128", 4, 2, "Code 128", 0, 0, code128Refusal, false, false,
     [](V c, const S& s) { return enc::CODE128(c, s.set); },
     [](double t, double l, V c, D& d, const S& s) {
       CODE128(t, l, c, d, s.set, s.color, s.horizontal, s.moduleCm, s.heightCm);
     }},
    {Symbology::Code39, "3-9", 5, 3, "Code 39", 0, 0, code39Refusal, false, false,
     [](V c, const S& s) { return enc::CODE3_9(c, s.check); },
     [](double t, double l, V c, D& d, const S& s) {
       CODE3_9(t, l, c, d, s.check, s.color, s.horizontal, s.moduleCm, s.heightCm);
     }},
    {Symbology::Ind25, "IND25", 6, 9, "Industrial 2 of 5", 0, 0, ind25Refusal, false, false,
     [](V c, const S& s) { return enc::IND25(c, s.check); },
     [](double t, double l, V c, D& d, const S& s) {
       IND25(t, l, c, d, s.check, s.color, s.horizontal, s.moduleCm, s.heightCm);
     }},
    {Symbology::Mat25, "MAT25", 7, 10, "Matrix 2 of 5", 0, 0, mat25Refusal, false, false,
     [](V c, const S& s) { return enc::MAT25(c, s.check); },
     [](double t, double l, V c, D& d, const S& s) {
       MAT25(t, l, c, d, s.check, s.color, s.horizontal, s.moduleCm, s.heightCm);
     }},
    {Symbology::Sup5, "5", 8, 6, "5-digit add-on", 0, 0, sup5Refusal, true, false, [](V c, const S&) { return enc::SUP5(c); },
     [](double t, double l, V c, D& d, const S& s) {
       SUP5(t, l, c, d, s.color, s.horizontal, s.moduleCm, s.heightCm, s.digits);
     }},
    {Symbology::Codabar, "CODABAR", 0, 7, "Codabar", 0, 0, nullptr, false, false,
     [](V c, const S&) { return enc::CODABAR(c); },
     [](double t, double l, V c, D& d, const S& s) {
       CODABAR(t, l, c, d, s.color, s.horizontal, s.moduleCm, s.heightCm);
     }},
    {Symbology::Int25, "INT25", 0, 8, "Interleaved 2 of 5", 0, 0, nullptr, false, false,
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

std::string codeRefusal(Symbology s, std::string_view code) {
  const SymbologyInfo& info = symbologyInfo(s);
  return info.refusal ? info.refusal(code) : std::string();
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
