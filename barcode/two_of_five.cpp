// 2-of-5 symbols. Every digit is five elements, two of them wide; the
// symbologies differ in where the elements go: interleaved 2 of 5 puts the
// first digit of a pair in the bars and the second in the spaces, matrix
// 2 of 5 uses bars and spaces of one digit, industrial 2 of 5 the bars only.
// A narrow element is one module, a wide element three.
#include "barcode/two_of_five.h"

#include <array>

#include "barcode/ean_upc.h"
#include "barcode/wide_narrow.h"

namespace bc {
namespace {

// Wide ("1") and narrow ("0") elements of the digits 0 to 9.
constexpr std::array<std::string_view, 10> kDigitElements = {"00110", "10001", "01001", "11000", "00101",
                                                             "10100", "01100", "00011", "10010", "01010"};

std::string_view elementsOf(char digit) { return kDigitElements[std::size_t(digitValue(digit))]; }

// The digits of the code, every character as given, plus the check digit.
std::string digitsOf(std::string_view code, bool withCheck) {
  std::string digits(code);
  if (withCheck) digits += twoOfFiveCheckDigit(code);
  return digits;
}

}  // namespace

char twoOfFiveCheckDigit(std::string_view digits) {
  int sum = 0;
  int weight = 3;
  for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
    sum += weight * digitValue(*it);
    weight = 4 - weight;
  }
  return char('0' + (10 - sum % 10) % 10);
}

namespace enc {

std::string INT25(std::string_view code, bool withCheck) {
  std::string digits = digitsOf(code, withCheck);
  if (digits.size() % 2 != 0) digits.insert(digits.begin(), '0');
  std::string out;
  appendElements(out, "0000");
  for (std::size_t i = 0; i < digits.size(); i += 2) {
    const std::string_view bars = elementsOf(digits[i]);
    const std::string_view spaces = elementsOf(digits[i + 1]);
    for (std::size_t k = 0; k < 5; ++k) {
      appendElement(out, bars[k], true);
      appendElement(out, spaces[k], false);
    }
  }
  appendElements(out, "100");
  out += '0';
  return out;
}

std::string IND25(std::string_view code, bool withCheck) {
  const std::string digits = digitsOf(code, withCheck);
  std::string bars = "110";
  for (char d : digits) bars += elementsOf(d);
  bars += "101";
  std::string out;
  for (char b : bars) out += b == '1' ? "1110" : "10";
  return out;
}

std::string MAT25(std::string_view code, bool withCheck) {
  const std::string digits = digitsOf(code, withCheck);
  std::string out;
  appendElements(out, "10000");
  out += '0';
  for (char d : digits) {
    appendElements(out, elementsOf(d));
    out += '0';
  }
  appendElements(out, "10000");
  out += '0';
  return out;
}

}  // namespace enc
}  // namespace bc
