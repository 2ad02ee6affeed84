// Code 39 (ISO/IEC 16388). Every character is five bars and four spaces,
// three of them wide; here a narrow element is one module, a wide element
// three, and one light module follows each character.
#include "barcode/code39.h"

#include <array>
#include <cctype>

#include "barcode/wide_narrow.h"

namespace bc {
namespace {

// Wide ("1") and narrow ("0") elements, bar first, in the order of
// kCode39Chars.
constexpr std::array<std::string_view, 44> kElements = {
    "100100001", "001100001", "101100000", "000110001", "100110000", "001110000", "000100101", "100100100",
    "001100100", "000110100",  // 1-9, 0
    "100001001", "001001001", "101001000", "000011001", "100011000", "001011000", "000001101", "100001100",
    "001001100", "000011100", "100000011", "001000011", "101000010", "000010011", "100010010", "001010010",
    "000000111", "100000110", "001000110", "000010110", "110000001", "011000001", "111000000", "010010001",
    "110010000", "011010000",  // A-Z
    "010000101", "110000100", "011000100", "010010100", "010101000", "010100010", "010001010",
    "000101010"};  // - . blank * $ / + %

// The characters with a check value, in value order.
constexpr std::string_view kCheckOrder = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%";

constexpr std::size_t kMaxData = 32;

char upper(char c) { return char(std::toupper(static_cast<unsigned char>(c))); }

void appendChar(std::string& out, char c) {
  const auto pos = kCode39Chars.find(c);
  if (pos == std::string_view::npos) return;
  appendElements(out, kElements[pos]);
  out += '0';
}

}  // namespace

char code39CheckChar(std::string_view data) {
  std::size_t sum = 0;
  for (char c : data) {
    const auto value = kCheckOrder.find(upper(c));
    if (value != std::string_view::npos) sum += value;
  }
  return kCheckOrder[sum % 43];
}

namespace enc {

std::string CODE3_9(std::string_view code, bool withCheck) {
  std::string data;
  for (char c : code.substr(0, kMaxData)) data += upper(c);
  std::string out;
  appendChar(out, '*');
  for (char c : data) appendChar(out, c);
  if (withCheck) appendChar(out, code39CheckChar(data));
  appendChar(out, '*');
  return out;
}

}  // namespace enc
}  // namespace bc
