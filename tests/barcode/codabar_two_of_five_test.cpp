// Codabar and the 2-of-5 family: patterns, lengths, normalisation and the
// modulo-10 check digit.
#include <gtest/gtest.h>

#include <string>

#include "barcode/codabar.h"
#include "barcode/two_of_five.h"

namespace {

using bc::twoOfFiveCheckDigit;
using bc::enc::CODABAR;
using bc::enc::IND25;
using bc::enc::INT25;
using bc::enc::MAT25;

TEST(Codabar, Patterns) {
  EXPECT_EQ(CODABAR("0"), "101010001110");
  EXPECT_EQ(CODABAR("A"), "10111000100010");
  EXPECT_EQ(CODABAR("a123b"), CODABAR("A123B"));
  EXPECT_EQ(CODABAR("a123b").size(), 64u);
  EXPECT_EQ(CODABAR("A1 2X3B"), CODABAR("A123B"));
  EXPECT_EQ(CODABAR("T12N"), CODABAR("A12B"));
  EXPECT_EQ(CODABAR("*"), CODABAR("C"));
  EXPECT_EQ(CODABAR("e"), CODABAR("D"));
  EXPECT_EQ(CODABAR(""), "");
  EXPECT_EQ(CODABAR("123"), CODABAR("1") + CODABAR("2") + CODABAR("3"));
}

TEST(Codabar, Lengths) {
  for (char c : std::string("0123456789-$")) EXPECT_EQ(CODABAR(std::string(1, c)).size(), 12u) << c;
  for (char c : std::string(":/.+ABCDTN*E")) EXPECT_EQ(CODABAR(std::string(1, c)).size(), 14u) << c;
}

TEST(TwoOfFive, CheckDigit) {
  struct Case {
    const char* digits;
    char check;
  };
  const Case cases[] = {
      {"1234", '8'}, {"123", '6'},    {"", '0'},         {"0", '0'},          {"1", '7'},
      {"12A4", '1'}, {"1204", '1'},   {"0123", '6'},     {"9", '3'},          {"1234567", '0'},
      {"5", '5'},    {"00000", '0'},  {"123456789", '5'}, {"4444444444444", '2'},
  };
  for (const auto& c : cases) EXPECT_EQ(twoOfFiveCheckDigit(c.digits), c.check) << c.digits;
}

TEST(Interleaved, Symbols) {
  EXPECT_EQ(INT25("1234").size(), 46u);
  EXPECT_EQ(INT25("1234").substr(0, 4), "1010");
  EXPECT_EQ(INT25("1234").substr(40), "111010");
  // An odd count is completed with a leading 0: 123 reads as 0123.
  EXPECT_EQ(INT25("123"), INT25("0123"));
  EXPECT_NE(INT25("123"), INT25("1230"));
  // 1234 and its check digit 8: 12348, completed to 012348.
  EXPECT_EQ(INT25("1234", true), INT25("012348"));
  EXPECT_EQ(INT25("123", true), INT25("1236"));
  EXPECT_EQ(INT25(""), "1010" "111010");
  EXPECT_EQ(INT25("", true), INT25("00"));
  EXPECT_EQ(INT25("12A4"), INT25("1204"));
  // The pair 1 (bars 10001) and 2 (spaces 01001), element by element.
  EXPECT_EQ(INT25("12").substr(4, 18), "111" "0" "1" "000" "1" "0" "1" "0" "111" "000");
}

TEST(Industrial, Symbols) {
  EXPECT_EQ(IND25("1"), "1110" "1110" "10" "1110" "10" "10" "10" "1110" "1110" "10" "1110");
  EXPECT_EQ(IND25("1").size(), 34u);
  EXPECT_EQ(IND25("12A4"), IND25("1204"));
  EXPECT_EQ(IND25("1234", true), IND25("12348"));
  EXPECT_EQ(IND25(""), "1110" "1110" "10" "1110" "10" "1110");
  EXPECT_EQ(IND25("", true), IND25("0"));
}

TEST(Matrix, Symbols) {
  EXPECT_EQ(MAT25("1"), "111" "0" "1" "0" "1" "0" "111" "0" "1" "0" "111" "0" "111" "0" "1" "0" "1" "0");
  EXPECT_EQ(MAT25("1").size(), 26u);
  EXPECT_EQ(MAT25("12A4"), MAT25("1204"));
  EXPECT_EQ(MAT25("1234", true), MAT25("12348"));
  EXPECT_EQ(MAT25("", true), MAT25("0"));
  // Every digit: five elements, two of them wide, and a narrow space: 14.
  for (int n = 0; n < 8; ++n) EXPECT_EQ(MAT25(std::string(std::size_t(n), '5')).size(), 8u + 10u * std::size_t(n) + 8u);
}

}  // namespace
