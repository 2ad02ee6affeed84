// Codabar (EN 798). Every character is seven elements, bar first, bars and
// spaces alternating; here a narrow element is one module, a wide element
// three, and one light module follows each character. T, N, * and E are the
// alternative names of the start/stop characters A, B, C and D.
#include "barcode/codabar.h"

#include <array>
#include <cctype>

#include "barcode/wide_narrow.h"

namespace bc::enc {
namespace {

constexpr std::string_view kChars = "0123456789-$:/.+ABCDTN*E";

// Wide ("1") and narrow ("0") elements in the order of kChars.
constexpr std::array<std::string_view, 24> kElements = {
    "0000011", "0000110", "0001001", "1100000", "0010010", "1000010", "0100001", "0100100",
    "0110000", "1001000", "0001100", "0011000", "1000101", "1010001", "1010100", "0010101",
    "0011010", "0101001", "0001011", "0001110", "0011010", "0101001", "0001011", "0001110"};

}  // namespace

std::string CODABAR(std::string_view code) {
  std::string out;
  for (char c : code) {
    const auto pos = kChars.find(char(std::toupper(static_cast<unsigned char>(c))));
    if (pos == std::string_view::npos) continue;
    appendElements(out, kElements[pos]);
    out += '0';
  }
  return out;
}

}  // namespace bc::enc
