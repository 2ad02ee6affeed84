#include "xbase/value.h"

#include <gtest/gtest.h>

namespace xb {
namespace {

TEST(Value, TypeLetters) {
  struct Case {
    Value v;
    char letter;
  } cases[] = {
      {Value(), 'U'},
      {Value(true), 'L'},
      {Value(3), 'N'},
      {Value("abc"), 'C'},
      {Value(Date{2451545}), 'D'},
      {Value::array(), 'A'},
      {Value(std::make_shared<Block>()), 'B'},
  };
  for (const auto& c : cases) EXPECT_EQ(c.v.typeLetter(), c.letter);
}

TEST(Value, ArraysAreShared) {
  Value a = Value::array({Value(1)});
  Value b = a;
  b.arr()->push_back(Value(2));
  EXPECT_EQ(a.arr()->size(), 2u);
}

TEST(Value, NumberKeepsItsDecimals) {
  struct Case {
    double v;
    int dec;
  } cases[] = {{5, 0}, {2.5, 1}, {-0.125, 3}, {1e15, 0}};
  for (const auto& c : cases) EXPECT_EQ(Value::number(c.v).decimals(), c.dec) << c.v;
}

}  // namespace
}  // namespace xb
