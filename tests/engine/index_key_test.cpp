// Key encodings: order of the bytes must be the order of the values, and
// keys must decode back to their values.
#include "data/engine/index_key.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace xb::engine {
namespace {

TEST(IndexKey, NumbersKeepTheirOrderInBytes) {
  std::vector<double> values = {-1e300, -123456.75, -2, -1, -0.5, -1e-300, 0, 1e-300, 0.5, 1, 2, 10, 123456.75, 1e300};
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> d(-1e6, 1e6);
  for (int i = 0; i < 500; ++i) values.push_back(std::round(d(rng) * 100) / 100);
  for (double a : values)
    for (double b : {values[0], values[6], values[9], values[13], d(rng)}) {
      std::string ka = encodeNumberKey(a), kb = encodeNumberKey(b);
      ASSERT_EQ(ka.size(), 8u);
      EXPECT_EQ(a < b, ka < kb) << a << " " << b;
      EXPECT_EQ(a == b, ka == kb) << a << " " << b;
    }
  for (double a : values) EXPECT_EQ(decodeNumberKey(encodeNumberKey(a)), a);
}

TEST(IndexKey, KnownBytes) {
  struct Case {
    double v;
    const char* hex;
  } cases[] = {
      {0, "8000000000000000"},
      {-0.0, "8000000000000000"},
      {1, "BFF0000000000000"},
      {-1, "400FFFFFFFFFFFFF"},
      {2451545, "C142B42C80000000"},  // 2000-01-01 as a Julian day
  };
  for (auto& c : cases) {
    std::string k = encodeNumberKey(c.v);
    char hex[17];
    for (int i = 0; i < 8; ++i) std::snprintf(hex + 2 * i, 3, "%02X", uint8_t(k[size_t(i)]));
    EXPECT_STREQ(hex, c.hex) << c.v;
  }
}

TEST(IndexKey, ValuesOfEachType) {
  struct Case {
    Value v;
    int length;
    std::optional<std::string> key;
    uint8_t fill;
  } cases[] = {
      {Value("ABC"), 5, std::string("ABC  "), 0x20},
      {Value("ABCDEFG"), 4, std::string("ABCD"), 0x20},
      {Value(""), 2, std::string("  "), 0x20},
      {Value(true), 1, std::string("T"), 0x20},
      {Value(false), 1, std::string("F"), 0x20},
      {Value(3), 8, encodeNumberKey(3), 0x00},
      {Value(Date{2451545}), 8, encodeNumberKey(2451545), 0x00},
      {Value(Date{}), 8, encodeNumberKey(0), 0x00},
      {Value(), 8, std::nullopt, 0},
      {Value::array({}), 8, std::nullopt, 0},
      {Value("A"), 0, std::nullopt, 0},
  };
  for (auto& c : cases) {
    EXPECT_EQ(encodeKey(c.v, c.length), c.key) << c.v.typeLetter();
    if (c.key) {
      auto t = keyTypeOf(c.v);
      ASSERT_TRUE(t);
      EXPECT_EQ(keyFill(*t), c.fill);
      Value back = decodeKey(*c.key, *t);
      if (c.v.isText())
        EXPECT_EQ(back.text(), *c.key);
      else if (c.v.isNumber())
        EXPECT_EQ(back.num(), c.v.num());
      else
        EXPECT_TRUE(back == c.v);
    }
  }
  EXPECT_EQ(naturalKeyLength(Value("ABCD")), 4);
  EXPECT_EQ(naturalKeyLength(Value(1.5, 1)), 8);
  EXPECT_EQ(naturalKeyLength(Value(Date{1})), 8);
  EXPECT_EQ(naturalKeyLength(Value(true)), 1);
}

TEST(IndexKey, DatesKeepTheirOrder) {
  std::vector<int32_t> days = {0, 1, 2299161, 2451545, 2451546, 5373484};
  for (size_t i = 1; i < days.size(); ++i) EXPECT_LT(encodeDateKey(Date{days[i - 1]}), encodeDateKey(Date{days[i]}));
  for (int32_t d : days) EXPECT_EQ(decodeDateKey(encodeDateKey(Date{d})).jd, d);
}

}  // namespace
}  // namespace xb::engine
