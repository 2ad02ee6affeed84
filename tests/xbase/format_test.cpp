#include "xbase/format.h"

#include <gtest/gtest.h>

#include "xbase/tpublic.h"

namespace xb {
namespace {

TEST(Format, NumberText) {
  struct Case {
    double v;
    const char* want;
  } cases[] = {{5, "5"},       {2.5, "2.5"},     {-0.125, "-0.125"}, {0, "0"},     {-0.0, "0"},
               {1e20, "100000000000000000000"}, {0.1 + 0.2, "0.3"}, {1.0 / 3, "0.333333333333333"},
               {123456789012.5, "123456789012.5"}};
  for (const auto& c : cases) EXPECT_EQ(numberText(c.v), c.want) << c.v;
}

TEST(Format, Str) {
  EXPECT_EQ(strNumber(Value(5)), "         5");
  EXPECT_EQ(strNumber(Value(int64_t(12345678901))), "12345678901");
  EXPECT_EQ(strNumber(Value(2.5, 2)), "         2.50");
  EXPECT_EQ(strNumber(Value(2.5, 1), 6, 2), "  2.50");
  EXPECT_EQ(strNumber(Value(-0.001, 3), 5, 2), " 0.00");
  EXPECT_EQ(strNumber(Value(123.456, 3), 5), "  123");
  EXPECT_EQ(strNumber(Value(123.456, 3), 5, 2), "123.5");
  EXPECT_EQ(strNumber(Value(123456), 4), "****");
  EXPECT_EQ(strZero(Value(-12), 5), "-0012");
  EXPECT_EQ(strZero(Value(7), 3), "007");
}

TEST(Format, RoundHalfUp) {
  struct Case {
    double v;
    int dec;
    double want;
  } cases[] = {{2.675, 2, 2.68}, {2.5, 0, 3}, {-2.5, 0, -3}, {1.005, 2, 1.01}, {1234, -2, 1200},
               {1250, -2, 1300}, {12345678901.0, 0, 12345678901.0}, {0.125, 2, 0.13}, {2.4999, 0, 2},
               {1.5, 15, 1.5}, {-1.005, 2, -1.01}, {0.49999999, 0, 0}, {1e300, 2, 1e300}};
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(roundHalfUp(c.v, c.dec), c.want) << c.v << " " << c.dec;
}

TEST(Format, TransformWithManyDecimals) {
  EXPECT_EQ(transform(Value(1.5, 1), "9." + std::string(20, '9')), "1.5" + std::string(19, '0'));
}

TEST(Format, Val) {
  struct Case {
    const char* text;
    double v;
    int dec;
  } cases[] = {{"12.50", 12.5, 2}, {"  -3", -3, 0}, {"", 0, 0}, {"1.2.3", 1.2, 1}, {"+4", 4, 0}, {"x1", 0, 0}};
  for (const auto& c : cases) {
    Value v = valText(c.text);
    EXPECT_EQ(v.num(), c.v) << c.text;
    EXPECT_EQ(v.decimals(), c.dec) << c.text;
  }
}

TEST(Format, DisplayText) {
  auto store = TPublic::New();
  struct Case {
    Value v;
    const char* want;
  } cases[] = {
      {Value(), "NIL"},
      {Value(true), ".T."},
      {Value(false), ".F."},
      {Value(2.5, 1), "2.5"},
      {Value("plain"), "plain"},
      {Value(Date{2451545}), "01-01-2000"},
      {Value(Date{}), "  -  -    "},
      {Value::array({Value("a"), Value(1), Value::array(), Value(), Value(Date{2451545})}),
       "{\"a\", 1, {}, NIL, 01-01-2000}"},
      {Value::array({Value("say \"hi\""), Value("it's \"x\"")}), "{'say \"hi\"', [it's \"x\"]}"},
      {Value(ObjectPtr(store)), "Object TPUBLIC"},
  };
  for (const auto& c : cases) EXPECT_EQ(displayText(c.v), c.want);
}

TEST(Format, DisplayOfAnArrayThatHoldsItselfEnds) {
  Value a = Value::array({Value(1)});
  a.arr()->push_back(a);
  a.arr()->push_back(a);
  std::string s = displayText(a);
  EXPECT_LT(s.size(), 3u << 20);
  a.arr()->clear();  // break the cycle so the test does not leak
}

}  // namespace
}  // namespace xb
