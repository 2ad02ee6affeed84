// Code 39: character patterns, normalisation and the modulo-43 check
// character before the closing "*".
#include <gtest/gtest.h>

#include <string>

#include "barcode/code39.h"

namespace {

using bc::code39CheckChar;
using bc::enc::CODE3_9;

// The 16 modules of the n-th character of a symbol (0: the opening "*").
std::string charAt(const std::string& modules, std::size_t n) { return modules.substr(n * 16, 16); }

TEST(Code39, CheckCharacter) {
  struct Case {
    const char* data;
    char check;
  };
  const Case cases[] = {
      {"A", 'A'},           {"", '0'},       {"0", '0'},         {"9", '9'},    {"Z", 'Z'},
      {"%", '%'},           {"-", '-'},      {" ", ' '},         {"%%", '+'},
      {"CODE39", 'W'},      {"code39", 'W'}, {"WIKIPEDIA", '$'}, {"A*B", 'L'}, {"A_B", 'L'},
      {"12345ABCDE", 'W'},  {"1", '1'},
  };
  for (const auto& c : cases) EXPECT_EQ(code39CheckChar(c.data), c.check) << c.data;
}

TEST(Code39, CheckCharacterStandsBeforeTheStop) {
  EXPECT_EQ(CODE3_9("A", true), CODE3_9("AA"));
  EXPECT_EQ(CODE3_9("code39", true), CODE3_9("CODE39W"));
  EXPECT_EQ(CODE3_9("", true), CODE3_9("0"));
}

TEST(Code39, Patterns) {
  const std::string one = CODE3_9("1");
  EXPECT_EQ(charAt(one, 1), "1110100010101110");
  EXPECT_EQ(charAt(one, 0), charAt(one, 2));
  EXPECT_EQ(charAt(one, 0), "1000101110111010");
  EXPECT_NE(charAt(CODE3_9("$"), 1), charAt(CODE3_9("/"), 1));
  // Every character: five bars and four spaces, three of the nine wide.
  for (char c : bc::kCode39Chars) {
    const std::string m = charAt(CODE3_9(std::string(1, c)), 1);
    EXPECT_EQ(m.back(), '0') << c;
    EXPECT_EQ(m.find("0000"), std::string::npos) << c;
    EXPECT_EQ(m.find("1111"), std::string::npos) << c;
  }
}

TEST(Code39, Normalisation) {
  EXPECT_EQ(CODE3_9("abc"), CODE3_9("ABC"));
  EXPECT_EQ(CODE3_9("abc").size(), 80u);
  EXPECT_EQ(CODE3_9("A_B"), CODE3_9("AB"));
  EXPECT_EQ(CODE3_9("a\xF1" "b"), CODE3_9("AB"));
  EXPECT_EQ(CODE3_9("").size(), 32u);
  // A "*" inside the code is encoded like any other character.
  const std::string star = CODE3_9("A*B");
  EXPECT_EQ(star.size(), 80u);
  EXPECT_EQ(charAt(star, 2), charAt(star, 0));
}

TEST(Code39, LongCodesAreCut) {
  const std::string forty(40, 'X');
  EXPECT_EQ(CODE3_9(forty).size(), 544u);
  EXPECT_EQ(CODE3_9(forty, true).size(), 560u);
  EXPECT_EQ(CODE3_9(forty), CODE3_9(std::string(32, 'X')));
  // The cut comes before unknown characters are left out.
  EXPECT_EQ(CODE3_9(std::string(31, 'X') + "_" + "YZ"), CODE3_9(std::string(31, 'X')));
}

}  // namespace
