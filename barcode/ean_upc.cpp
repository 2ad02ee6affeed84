// EAN/UPC number sets (ISO/IEC 15420): L is the odd-parity left set (A), G
// the even-parity left set (B), R the right set (C). L is the complement of
// R and G is R reversed; every pattern is seven modules.
#include "barcode/ean_upc.h"

#include <array>

#include "xbase/text.h"

namespace bc {
namespace {

constexpr std::array<std::string_view, 10> kSetL = {"0001101", "0011001", "0010011", "0111101", "0100011",
                                                    "0110001", "0101111", "0111011", "0110111", "0001011"};
constexpr std::array<std::string_view, 10> kSetG = {"0100111", "0110011", "0011011", "0100001", "0011101",
                                                    "0111001", "0000101", "0010001", "0001001", "0010111"};
constexpr std::array<std::string_view, 10> kSetR = {"1110010", "1100110", "1101100", "1000010", "1011100",
                                                    "1001110", "1010000", "1000100", "1001000", "1110100"};

// Left-half parity by leading digit: "o" the L set, "e" the G set.
constexpr std::array<std::string_view, 10> kLeadParity = {"oooooo", "ooeoee", "ooeeoe", "ooeeeo", "oeooee",
                                                          "oeeooe", "oeeeoo", "oeoeoe", "oeoeeo", "oeeoeo"};
// Add-on parity by the value of the weighted sum: "e" the G set, "o" the L set.
constexpr std::array<std::string_view, 10> kAddOnParity = {"eeooo", "eoeoo", "eooeo", "eoooe", "oeeoo",
                                                            "ooeeo", "oooee", "oeoeo", "oeooe", "ooeoe"};

constexpr std::string_view kSideGuard = "101";
constexpr std::string_view kCentreGuard = "01010";

int digitAt(std::string_view s, std::size_t pos) { return pos < s.size() ? digitValue(s[pos]) : 0; }

// The next multiple of ten minus the total: always a single digit.
std::string roundUpCheck(int total) { return std::string(1, char('0' + (10 - total % 10) % 10)); }

}  // namespace

std::string normalizedData(std::string_view code, int n) {
  if (n <= 0) return {};
  std::string data(xb::trim(code).substr(0, std::size_t(n)));
  data.resize(std::size_t(n), '0');
  return data;
}

std::string EAN13_CHECK(std::string_view digits) {
  int odd = 0;
  int even = 0;
  for (std::size_t i = 0; i < 12; ++i) (i % 2 == 0 ? odd : even) += digitAt(digits, i);
  return roundUpCheck(3 * even + odd);
}

std::string UPC_CHECK(std::string_view digits, int length) {
  int odd = 0;
  int even = 0;
  for (std::size_t i = 0; i < std::size_t(length > 0 ? length : 0); ++i) (i % 2 == 0 ? odd : even) += digitAt(digits, i);
  return roundUpCheck(3 * odd + even);
}

namespace enc {

std::string EAN13(std::string_view code) {
  std::string data = normalizedData(code, 12);
  data += EAN13_CHECK(data);
  const std::string_view parity = kLeadParity[std::size_t(digitValue(data[0]))];
  std::string out(kSideGuard);
  for (std::size_t i = 0; i < 6; ++i) {
    const auto d = std::size_t(digitValue(data[i + 1]));
    out += parity[i] == 'o' ? kSetL[d] : kSetG[d];
  }
  out += kCentreGuard;
  for (std::size_t i = 7; i < 13; ++i) out += kSetR[std::size_t(digitValue(data[i]))];
  out += kSideGuard;
  return out;
}

std::string UPC(std::string_view code, int length) {
  if (length != 7) length = 11;
  std::string data = normalizedData(code, length);
  data += UPC_CHECK(data, length);
  const std::size_t half = data.size() / 2;
  std::string out(kSideGuard);
  for (std::size_t i = 0; i < half; ++i) out += kSetL[std::size_t(digitValue(data[i]))];
  out += kCentreGuard;
  for (std::size_t i = half; i < data.size(); ++i) out += kSetR[std::size_t(digitValue(data[i]))];
  out += kSideGuard;
  return out;
}

std::string EAN13BL(int digits) {
  const std::string half(std::size_t(digits > 0 ? digits / 2 : 0) * 7, '0');
  std::string out(kSideGuard);
  out += half;
  out += kCentreGuard;
  out += half;
  out += kSideGuard;
  return out;
}

std::string UPCABL(std::string_view code) {
  std::string data = normalizedData(code, 11);
  data += UPC_CHECK(data, 11);
  std::string out(kSideGuard);
  out += kSetL[std::size_t(digitValue(data[0]))];
  out += std::string(35, '0');
  out += kCentreGuard;
  out += std::string(35, '0');
  out += kSetR[std::size_t(digitValue(data[11]))];
  out += kSideGuard;
  return out;
}

std::string SUP5(std::string_view code) {
  const std::string data = normalizedData(code, 5);
  int d[5];
  for (std::size_t i = 0; i < 5; ++i) d[i] = digitValue(data[i]);
  const int value = (3 * (d[0] + d[2] + d[4]) + 9 * (d[1] + d[3])) % 10;
  const std::string_view parity = kAddOnParity[std::size_t(value)];
  std::string out = "1011";
  for (std::size_t i = 0; i < 5; ++i) {
    if (i > 0) out += "01";
    out += parity[i] == 'e' ? kSetG[std::size_t(d[i])] : kSetL[std::size_t(d[i])];
  }
  return out;
}

}  // namespace enc
}  // namespace bc
