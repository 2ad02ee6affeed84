// EAN-13, UPC-A, EAN-8, the 5-digit add-on, their check digits and guard
// masks. Symbols are read back with a small decoder built from the standard's
// L set alone (R is its complement, G the reverse of R).
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "barcode/ean_upc.h"

namespace {

using bc::EAN13_CHECK;
using bc::UPC_CHECK;

constexpr std::array<const char*, 10> kL = {"0001101", "0011001", "0010011", "0111101", "0100011",
                                            "0110001", "0101111", "0111011", "0110111", "0001011"};

std::string complement(std::string s) {
  for (char& c : s) c = c == '1' ? '0' : '1';
  return s;
}
std::string reversed(std::string s) { return {s.rbegin(), s.rend()}; }

// One 7-module digit read back as "<set><digit>", e.g. "L5"; "?" when it is
// no digit of any set.
std::string readDigit(const std::string& modules) {
  for (int d = 0; d < 10; ++d) {
    if (modules == kL[d]) return "L" + std::to_string(d);
    if (modules == complement(kL[d])) return "R" + std::to_string(d);
    if (modules == reversed(complement(kL[d]))) return "G" + std::to_string(d);
  }
  return "?";
}

// Reads a symbol made of "101", n digits, "01010", n digits, "101".
std::string readSymbol(const std::string& m, int half) {
  const std::size_t centre = 3 + std::size_t(half) * 7;
  if (m.size() != 2 * centre + 5 || m.substr(0, 3) != "101" || m.substr(centre, 5) != "01010" ||
      m.substr(m.size() - 3) != "101")
    return "bad guards";
  std::string out;
  for (int i = 0; i < half; ++i) out += readDigit(m.substr(3 + std::size_t(i) * 7, 7));
  for (int i = 0; i < half; ++i) out += readDigit(m.substr(centre + 5 + std::size_t(i) * 7, 7));
  return out;
}

// Reads the add-on: "1011", then five digits separated by "01".
std::string readAddOn(const std::string& m) {
  if (m.size() != 47 || m.substr(0, 4) != "1011") return "bad start";
  std::string out;
  for (std::size_t i = 0; i < 5; ++i) {
    const std::size_t at = 4 + i * 9;
    if (i > 0 && m.substr(at - 2, 2) != "01") return "bad separator";
    out += readDigit(m.substr(at, 7));
  }
  return out;
}

TEST(EanCheck, Digits) {
  struct Case {
    const char* digits;
    int length;  // 0: EAN-13
    const char* check;
  };
  const Case cases[] = {
      {"123456789012", 0, "8"},   {"789600949065", 0, "1"},  {"000000000000", 0, "0"},
      {"", 0, "0"},               {"4006381333931", 0, "1"}, {"12345678901", 11, "2"},
      {"123456789012", 11, "2"},  {"05111112881", 11, "7"},  {"00000000000", 11, "0"},
      {"1234567", 7, "0"},        {"7860002", 7, "7"},       {"0000000", 7, "0"},
      {"12345670", 7, "0"},       {"9638507", 7, "4"},       {"03600029145", 11, "2"},
      {"12A4", 0, "1"},           {"120400000000", 0, "1"},
  };
  for (const auto& c : cases) {
    const std::string got = c.length == 0 ? EAN13_CHECK(c.digits) : UPC_CHECK(c.digits, c.length);
    EXPECT_EQ(got, c.check) << c.digits << " length " << c.length;
  }
}

TEST(EanCheck, ReadsPositionsAsGiven) {
  // A leading blank shifts every digit: the check functions do not trim.
  EXPECT_EQ(EAN13_CHECK(" 12345678901"), EAN13_CHECK("012345678901"));
  EXPECT_NE(EAN13_CHECK(" 12345678901"), EAN13_CHECK("12345678901 "));
}

TEST(Ean13, ThirteenthCharacterIsRecomputed) {
  const std::string expected = bc::enc::EAN13("123456789012");
  EXPECT_EQ(bc::enc::EAN13("1234567890128"), expected);
  EXPECT_EQ(bc::enc::EAN13("1234567890120"), expected);
  EXPECT_EQ(bc::enc::EAN13("  123456789012  "), expected);
  // 1 is carried by the parity ooeoee of the left half.
  EXPECT_EQ(readSymbol(expected, 6), "L2L3G4L5G6G7R8R9R0R1R2R8");
}

TEST(Ean13, NormalisedData) {
  EXPECT_EQ(bc::enc::EAN13("123"), bc::enc::EAN13("123000000000"));
  EXPECT_EQ(bc::enc::EAN13(""), bc::enc::EAN13("0000000000000"));
  EXPECT_EQ(readSymbol(bc::enc::EAN13(""), 6), "L0L0L0L0L0L0R0R0R0R0R0R0");
  EXPECT_EQ(bc::enc::EAN13("12A4"), bc::enc::EAN13("1204"));
  EXPECT_EQ(bc::enc::UPC("12A4"), bc::enc::UPC("1204"));
  EXPECT_EQ(bc::enc::UPC("12A4", 7), bc::enc::UPC("1204000", 7));
  EXPECT_EQ(bc::enc::SUP5("12A4"), bc::enc::SUP5("12040"));
}

TEST(Ean13, LeadingZeroIsUpcA) {
  for (const char* upc : {"12345678901", "03600029145", "00000000000", "99999999999", "7"}) {
    const std::string ean = "0" + bc::normalizedData(upc, 11);
    EXPECT_EQ(bc::enc::EAN13(ean), bc::enc::UPC(upc)) << upc;
    EXPECT_EQ(EAN13_CHECK(ean), UPC_CHECK(upc, 11)) << upc;
  }
}

TEST(Upc, Symbols) {
  EXPECT_EQ(readSymbol(bc::enc::UPC("12345678901"), 6), "L1L2L3L4L5L6R7R8R9R0R1R2");
  EXPECT_EQ(readSymbol(bc::enc::UPC("1234567", 7), 4), "L1L2L3L4R5R6R7R0");
  EXPECT_EQ(readSymbol(bc::enc::UPC("96385074", 7), 4), "L9L6L3L8R5R0R7R4");
  EXPECT_EQ(bc::enc::UPC(), bc::enc::UPC("00000000000"));
}

TEST(Ean, Lengths) {
  EXPECT_EQ(bc::enc::EAN13("5901234123457").size(), 95u);
  EXPECT_EQ(bc::enc::UPC("12345678901", 11).size(), 95u);
  EXPECT_EQ(bc::enc::UPC("1234567", 7).size(), 67u);
  EXPECT_EQ(bc::enc::EAN13BL(12).size(), 95u);
  EXPECT_EQ(bc::enc::EAN13BL().size(), 95u);
  EXPECT_EQ(bc::enc::EAN13BL(8).size(), 67u);
  EXPECT_EQ(bc::enc::UPCABL("12345678901").size(), 95u);
  EXPECT_EQ(bc::enc::SUP5("12345").size(), 47u);
  EXPECT_EQ(bc::enc::SUP5("").size(), 47u);
}

TEST(GuardMask, Ean13bl) {
  const std::string zeros42(42, '0');
  EXPECT_EQ(bc::enc::EAN13BL(12), "101" + zeros42 + "01010" + zeros42 + "101");
  const std::string zeros28(28, '0');
  EXPECT_EQ(bc::enc::EAN13BL(8), "101" + zeros28 + "01010" + zeros28 + "101");
}

TEST(GuardMask, UpcaKeepsTheOuterDigits) {
  for (const char* code : {"12345678901", "03600029145", "", "98765432109"}) {
    const std::string symbol = bc::enc::UPC(code);
    const std::string mask = bc::enc::UPCABL(code);
    ASSERT_EQ(mask.size(), symbol.size());
    for (std::size_t i = 0; i < mask.size(); ++i) {
      const bool full = i < 10 || i >= 85 || (i >= 45 && i < 50);
      EXPECT_EQ(mask[i], full ? symbol[i] : '0') << code << " module " << i;
    }
  }
}

TEST(AddOn, Parity) {
  struct Case {
    const char* code;
    const char* read;  // value of 3 * (d1 + d3 + d5) + 9 * (d2 + d4), its parity
  };
  const Case cases[] = {
      {"12345", "G1L2G3L4L5"},  // 81: 1, eoeoo
      {"00000", "G0G0L0L0L0"},  // 0: eeooo
      {"", "G0G0L0L0L0"},
      {"52495", "G5L2G4L9L5"},  // 141: 1
      {"99999", "G9L9L9L9G9"},  // 243: 3, eoooe
      {"20000", "L2L0L0G0G0"},  // 6: oooee
      {"02000", "L0G2L0L0G0"},  // 18: 8, oeooe
      {"01000", "L0L1G0L0G0"},  // 9: ooeoe
      {"00002", "L0L0L0G0G2"},  // 6: oooee
      {"8", "L8G0G0L0L0"},      // 24: 4, oeeoo
      {"5", "L5L0G0G0L0"},      // 15: 5, ooeeo
      {"9", "L9G0L0G0L0"},      // 27: 7, oeoeo
      {"4", "G4L0L0G0L0"},      // 12: 2, eooeo
  };
  for (const auto& c : cases) EXPECT_EQ(readAddOn(bc::enc::SUP5(c.code)), c.read) << c.code;
}

}  // namespace
