// Code 128: set choice, switches, check character and the alerts. Symbols
// are read back as their element widths and compared with the widths of
// the standard's table for the values expected.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "barcode/code128.h"
#include "tests/xbase/scripted_prompter.h"

namespace {

using bc::enc::CODE128;

// Widths of the symbol values the cases use (ISO/IEC 15417).
const std::map<int, std::string> kWidths = {
    {0, "212222"},   {2, "222221"},   {12, "112232"},  {16, "123122"},  {17, "123221"},  {21, "213212"},  {29, "322211"},  {31, "212321"},  {33, "111323"},
    {34, "131123"},  {54, "311123"},  {65, "121124"},  {66, "121421"},  {82, "121241"},  {100, "114131"}, {101, "311141"},
    {102, "411131"}, {103, "211412"}, {104, "211214"}, {105, "211232"}, {106, "2331112"}};

std::string widthsOf(const std::vector<int>& values) {
  std::string out;
  for (int v : values) out += kWidths.at(v) + " ";
  return out + kWidths.at(106) + " ";
}

// The module string as element widths, one group of six per symbol
// character and seven for the stop.
std::string readWidths(const std::string& m) {
  std::vector<int> runs;
  for (std::size_t i = 0; i < m.size();) {
    std::size_t j = i;
    while (j < m.size() && m[j] == m[i]) ++j;
    runs.push_back(int(j - i));
    i = j;
  }
  std::string out;
  std::size_t k = 0;
  while (k < runs.size()) {
    const std::size_t n = runs.size() - k == 7 ? 7 : 6;
    for (std::size_t e = 0; e < n && k < runs.size(); ++e, ++k) out += char('0' + runs[k]);
    out += ' ';
  }
  return out;
}

struct Case {
  const char* name;
  std::string code;
  std::string set;
  std::vector<int> values;  // start, data and switches, check
};

class Code128Values : public ::testing::TestWithParam<Case> {};

TEST_P(Code128Values, ReadBack) {
  const Case& c = GetParam();
  xb::ScriptedPrompter prompts;
  xb::PrompterGuard guard(prompts);
  const std::string modules = CODE128(c.code, c.set);
  EXPECT_EQ(readWidths(modules), widthsOf(c.values));
  EXPECT_EQ(modules.size(), 11 * c.values.size() + 13);
  EXPECT_TRUE(prompts.asked.empty());
  // The check character: start value plus value times position, mod 103.
  int sum = c.values.front();
  for (std::size_t i = 1; i + 1 < c.values.size(); ++i) sum += c.values[i] * int(i);
  EXPECT_EQ(sum % 103, c.values.back());
}

INSTANTIATE_TEST_SUITE_P(
    Sets, Code128Values,
    ::testing::Values(
        // 105 + 12 + 34*2 + 100*3 + 21*4 = 569; 569 mod 103 = 54.
        Case{"OddDigitsEndInSetB", "12345", "", {105, 12, 34, 100, 21, 54}},
        Case{"Printable", "AB", "", {104, 33, 34, 102}},
        Case{"SingleZeroIsSetC", "0", "", {105, 100, 16, 31}},
        Case{"Empty", "", "", {105, 2}},
        Case{"ForcedLowerCaseB", "AB", "b", {104, 33, 34, 102}},
        Case{"ForcedA", "AB", "A", {103, 33, 34, 101}},
        Case{"ForcedCOnDigits", "1234", "C", {105, 12, 34, 82}},
        // "1A" in set C: switch to B for the character that is no digit.
        Case{"ForcedCNotDigits", "1A", "C", {105, 100, 17, 33, 29}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Code128, AutomaticChoice) {
  auto start = [](const std::string& code) { return readWidths(CODE128(code)).substr(0, 6); };
  EXPECT_EQ(start("1234"), kWidths.at(105));
  EXPECT_EQ(start("0"), kWidths.at(105));
  EXPECT_EQ(start("0123"), kWidths.at(104));
  EXPECT_EQ(start("12.5"), kWidths.at(104));
  EXPECT_EQ(start("-12"), kWidths.at(104));
  EXPECT_EQ(start(std::string(40, '7')), kWidths.at(105));
  // More control characters than printable ones: set A; a blank is printable.
  EXPECT_EQ(start(std::string("\x01\x02 ")), kWidths.at(103));
  EXPECT_EQ(start(std::string("\x01 ")), kWidths.at(104));
  EXPECT_EQ(start(std::string("\x01  ")), kWidths.at(104));
}

TEST(Code128, Switches) {
  // Set A meets a lower-case letter: "Code B" (100), then "a" in set B (65).
  const std::string setA = readWidths(CODE128(std::string("\x01\x02" "a"), ""));
  EXPECT_EQ(setA.substr(0, 6), kWidths.at(103));
  EXPECT_EQ(setA.substr(7, 6), kWidths.at(65));
  EXPECT_EQ(setA.substr(14, 6), kWidths.at(66));
  EXPECT_EQ(setA.substr(21, 6), kWidths.at(100));
  EXPECT_EQ(setA.substr(28, 6), kWidths.at(65));
  // Set B meets a control character: "Code A" (101).
  const std::string setB = readWidths(CODE128(std::string("AB\x01"), ""));
  EXPECT_EQ(setB.substr(0, 6), kWidths.at(104));
  EXPECT_EQ(setB.substr(21, 6), kWidths.at(101));
  EXPECT_EQ(setB.substr(28, 6), kWidths.at(65));
}

TEST(Code128, BytesAbove127AreLeftOut) {
  EXPECT_EQ(CODE128("A\xF1" "B"), CODE128("AB"));
  EXPECT_EQ(CODE128("1\xE9" "2"), CODE128("12"));
}

TEST(Code128, LengthIsElevenPerSymbolCharacterPlusStop) {
  for (const std::string code : {"HELLO world", "1234567890", "123456789", "a", "\x1f\x1e\x1dx", "0123"}) {
    const std::size_t n = CODE128(code).size();
    EXPECT_EQ((n - 13) % 11, 0u) << code;
    EXPECT_GE(n, 11u * 3 + 13) << code;
  }
}

struct AlertCase {
  xb::Value code;
  xb::Value set;
  const char* message;  // "" no alert
  bool empty;
};

TEST(Code128, Alerts) {
  const AlertCase cases[] = {
      {xb::Value("AB"), xb::Value("X"), "Code 128 Modes are A,B o C. Character values.", false},
      {xb::Value("AB"), xb::Value("b"), "", false},
      {xb::Value("AB"), xb::Value(3), "Code 128 Modes are A,B o C. Character values.", false},
      {xb::Value("AB"), xb::Value(), "", false},
      {xb::Value("AB"), xb::Value(""), "", false},
      {xb::Value(12), xb::Value(), "Barcode c128 required a Character value. ", true},
      {xb::Value(), xb::Value("A"), "Barcode c128 required a Character value. ", true},
  };
  for (const auto& c : cases) {
    xb::ScriptedPrompter prompts;
    xb::PrompterGuard guard(prompts);
    const std::string modules = bc::enc::CODE128Value(c.code, c.set);
    EXPECT_EQ(modules.empty(), c.empty) << c.message;
    if (!c.empty) {
      EXPECT_EQ(modules, CODE128("AB", "B"));
    }
    if (*c.message == '\0') {
      EXPECT_TRUE(prompts.asked.empty());
    } else {
      ASSERT_EQ(prompts.asked.size(), 1u) << c.message;
      EXPECT_EQ(prompts.asked[0].kind, "alert");
      EXPECT_EQ(prompts.asked[0].text, c.message);
      EXPECT_EQ(prompts.asked[0].buttons, std::vector<std::string>{"&Aceptar"});
    }
  }
}

}  // namespace
