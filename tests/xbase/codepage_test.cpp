#include "xbase/codepage.h"

#include <gtest/gtest.h>

namespace xb {
namespace {

TEST(Codepage, Utf8AndWindows1252) {
  struct Case {
    std::string utf8, cp;
  } cases[] = {
      {"abc", "abc"},
      {"Caf\xC3\xA9", "Caf\xE9"},
      {"A\xC3\x91O", "A\xD1O"},
      {"\xE2\x82\xAC", "\x80"},            // euro sign
      {"\xC2\xBF" "Desea?", "\xBF" "Desea?"},
      {"", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(utf8ToCp1252(c.utf8), c.cp);
    EXPECT_EQ(cp1252ToUtf8(c.cp), c.utf8);
  }
}

TEST(Codepage, UnmappableCharactersBecomeQuestionMarks) {
  EXPECT_EQ(utf8ToCp1252("a\xE4\xB8\xAD" "b"), "a?b");  // a CJK character
  EXPECT_EQ(utf8ToCp1252("a\xFF" "b"), "a?b");          // not UTF-8
  EXPECT_EQ(utf8ToCp1252("a\xC3"), "a?");               // cut sequence
  // The five undefined bytes survive a round trip.
  EXPECT_EQ(utf8ToCp1252(cp1252ToUtf8("\x81\x8D\x8F\x90\x9D")), "\x81\x8D\x8F\x90\x9D");
}

TEST(Codepage, Oem850) {
  EXPECT_EQ(oem850ToCp1252("\xA4" "o"), "\xF1o");     // ñ
  EXPECT_EQ(oem850ToCp1252("\xA5"), "\xD1");          // Ñ
  EXPECT_EQ(oem850ToCp1252("\xA0\x82\xA1\xA2\xA3"), "\xE1\xE9\xED\xF3\xFA");
  EXPECT_EQ(cp1252ToOem850("\xE1\xE9\xED\xF3\xFA\xF1"), "\xA0\x82\xA1\xA2\xA3\xA4");
  EXPECT_EQ(oem850ToCp1252("\xC9"), "?");             // a box-drawing line
}

TEST(Codepage, UpperAndLower) {
  EXPECT_EQ(upper1252("a\xE1\xE9\xED\xF3\xFA\xF1\xFC\xE7z1"), "A\xC1\xC9\xCD\xD3\xDA\xD1\xDC\xC7Z1");
  EXPECT_EQ(lower1252("A\xC1\xC9\xCD\xD3\xDA\xD1\xDC\xC7Z1"), "a\xE1\xE9\xED\xF3\xFA\xF1\xFC\xE7z1");
  EXPECT_EQ(upper1252("\xDF\xF7"), "\xDF\xF7");  // ß and ÷ have no capital
  EXPECT_EQ(upper1252("\x9A\x9C\x9E\xFF"), "\x8A\x8C\x8E\x9F");
  EXPECT_TRUE(isAlpha1252(0xF1));
  EXPECT_FALSE(isAlpha1252('1'));
  EXPECT_TRUE(isUpper1252(0xD1));
  EXPECT_TRUE(isLower1252(0xF1));
}

TEST(Codepage, SpanishOrder) {
  struct Case {
    std::string a, b;
    int want;
  } cases[] = {
      {"abc", "abd", -1}, {"abc", "abc", 0},  {"ab", "abc", -1},   {"B", "a", -1},
      {"N", "\xD1", -1},  {"\xD1", "O", -1},  {"\xE1", "b", -1},   {"a", "\xE1", -1},
      {"1", "A", -1},     {"Z", "[", -1},     {"z", "\xE0", 1},    {"", "", 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(compare1252(c.a, c.b), c.want) << c.a << " " << c.b;
    EXPECT_EQ(compare1252(c.b, c.a), -c.want) << c.b << " " << c.a;
  }
  // Every byte has its own weight.
  std::vector<bool> seen(256);
  for (int c = 0; c < 256; ++c) {
    int w = collationWeight(static_cast<unsigned char>(c));
    ASSERT_GE(w, 0);
    ASSERT_LT(w, 256);
    EXPECT_FALSE(seen[size_t(w)]) << c;
    seen[size_t(w)] = true;
  }
}

}  // namespace
}  // namespace xb
