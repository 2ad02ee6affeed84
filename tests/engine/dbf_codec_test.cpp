// Field bytes <-> values, case by case.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>

#include "data/engine/field_codec.h"

namespace xb::engine {
namespace {

struct NumberCase {
  double v;
  int width, decimals;
  const char* stored;  // nullptr: does not fit
};

TEST(FieldCodec, NumbersAreRightAlignedWithExactDecimalsOrDoNotFit) {
  const double inf = std::numeric_limits<double>::infinity();
  const NumberCase cases[] = {
      {1.5, 6, 2, "  1.50"},       {-1.5, 6, 2, " -1.50"},     {1.005, 6, 2, "  1.01"},
      {2.675, 6, 2, "  2.68"},     {999.99, 6, 2, "999.99"},   {999.995, 6, 2, nullptr},
      {1000, 6, 2, nullptr},       {-99.99, 6, 2, "-99.99"},   {-100, 6, 2, nullptr},
      {0, 3, 0, "  0"},            {-0.001, 6, 2, "  0.00"},   {2.5, 1, 0, "3"},
      {-0.5, 2, 0, "-1"},          {-0.5, 1, 0, nullptr},      {9, 1, 0, "9"},
      {10, 1, 0, nullptr},         {12345678901234567.0, 20, 0, "   12345678901234568"},
      {0.1, 10, 5, "   0.10000"}, {1e300, 20, 2, nullptr},    {inf, 10, 0, nullptr},
      {std::nan(""), 10, 0, nullptr},
  };
  for (const auto& c : cases) {
    auto s = formatNumber(c.v, c.width, c.decimals);
    if (c.stored) {
      ASSERT_TRUE(s) << c.v;
      EXPECT_EQ(*s, c.stored) << c.v;
    } else {
      EXPECT_FALSE(s) << c.v << " gave " << s.value_or("");
    }
  }
}

struct DecodeCase {
  FieldDef f;
  std::string bytes;
  Value want;
};

TEST(FieldCodec, DecodesEveryType) {
  const DecodeCase cases[] = {
      {{"C", 'C', 5, 0}, "ab   ", Value("ab   ")},
      {{"C", 'C', 3, 0}, "\xF1\xE1\x80", Value("\xF1\xE1\x80")},
      {{"N", 'N', 6, 2}, "  1.50", Value(1.5, 2)},
      {{"N", 'N', 6, 2}, "      ", Value(0.0, 2)},
      {{"N", 'N', 4, 0}, " -12", Value(-12.0, 0)},
      {{"N", 'N', 4, 0}, "+7  ", Value(7.0, 0)},
      {{"N", 'N', 4, 0}, "****", Value(0.0, 0)},
      {{"F", 'F', 8, 3}, "  -0.125", Value(-0.125, 3)},
      {{"D", 'D', 8, 0}, "20240229", Value(Date{2460370})},
      {{"D", 'D', 8, 0}, "20230229", Value(Date{0})},
      {{"D", 'D', 8, 0}, "        ", Value(Date{0})},
      {{"D", 'D', 8, 0}, "2024 2 1", Value(Date{0})},
      {{"D", 'D', 8, 0}, "00010101", Value(Date{1721426})},
      {{"L", 'L', 1, 0}, "T", Value(true)},
      {{"L", 'L', 1, 0}, "t", Value(true)},
      {{"L", 'L', 1, 0}, "Y", Value(true)},
      {{"L", 'L', 1, 0}, "y", Value(true)},
      {{"L", 'L', 1, 0}, "F", Value(false)},
      {{"L", 'L', 1, 0}, "N", Value(false)},
      {{"L", 'L', 1, 0}, "?", Value(false)},
      {{"L", 'L', 1, 0}, " ", Value(false)},
      {{"I", 'I', 4, 0}, std::string("\xFE\xFF\xFF\xFF", 4), Value(-2)},
      {{"Y", 'Y', 8, 4}, std::string("\x10\x27\0\0\0\0\0\0", 8), Value(1.0, 4)},
      {{"T", 'T', 8, 0}, std::string("\x8A\x8A\x25\0\0\0\0\0", 8), Value(Date{2460298})},
      {{"X", 'X', 2, 0}, "zz", Value("zz")},
  };
  for (const auto& c : cases) {
    Value got = decodeField(c.f, c.bytes);
    EXPECT_EQ(got, c.want) << c.f.type << " [" << c.bytes << "]";
    if (got.isNumber()) {
      EXPECT_EQ(got.decimals(), c.want.decimals()) << c.bytes;
    }
  }
}

struct EncodeCase {
  FieldDef f;
  Value v;
  EncodeFault fault;
  std::string bytes;
};

TEST(FieldCodec, EncodesOrRefuses) {
  const EncodeCase cases[] = {
      {{"C", 'C', 5, 0}, Value("ab"), EncodeFault::None, "ab   "},
      {{"C", 'C', 3, 0}, Value("abcdef"), EncodeFault::None, "abc"},
      {{"C", 'C', 3, 0}, Value(3), EncodeFault::Type, ""},
      {{"N", 'N', 6, 2}, Value(3.14159, 5), EncodeFault::None, "  3.14"},
      {{"N", 'N', 3, 0}, Value(1000), EncodeFault::Width, ""},
      {{"N", 'N', 3, 0}, Value("12"), EncodeFault::Type, ""},
      {{"F", 'F', 4, 1}, Value(-9.96, 2), EncodeFault::Width, ""},
      {{"D", 'D', 8, 0}, Value(Date{2451545}), EncodeFault::None, "20000101"},
      {{"D", 'D', 8, 0}, Value(Date{0}), EncodeFault::None, "        "},
      {{"D", 'D', 8, 0}, Value("20000101"), EncodeFault::Type, ""},
      {{"L", 'L', 1, 0}, Value(true), EncodeFault::None, "T"},
      {{"L", 'L', 1, 0}, Value(false), EncodeFault::None, "F"},
      {{"L", 'L', 1, 0}, Value("T"), EncodeFault::Type, ""},
      {{"I", 'I', 4, 0}, Value(1), EncodeFault::Type, ""},
  };
  for (const auto& c : cases) {
    std::string out = "untouched";
    EXPECT_EQ(encodeField(c.f, c.v, out), c.fault) << c.f.type << " " << c.bytes;
    EXPECT_EQ(out, c.fault == EncodeFault::None ? c.bytes : "untouched");
  }
}

TEST(FieldCodec, DatesRoundTripThroughTheirText) {
  for (int32_t jd : {1721426, 2299161, 2415021, 2440588, 2451545, 2460370, 5373484}) {
    std::string s = julianToDtos(jd);
    EXPECT_EQ(dtosToJulian(s), jd) << s;
  }
  EXPECT_EQ(julianToDtos(0), "        ");
  EXPECT_EQ(julianToDtos(-5), "        ");
  EXPECT_EQ(julianToDtos(2451545), "20000101");
}

TEST(FieldCodec, MemoReferences) {
  struct Case {
    std::string bytes;
    bool binary;
    std::optional<uint32_t> block;
  };
  const Case cases[] = {
      {"         8", false, 8u},         {"          ", false, 0u},  {"         0", false, 0u},
      {"4294967295", false, 4294967295u}, {"4294967296", false, {}}, {"    12a   ", false, {}},
      {"-5        ", false, {}},          {std::string("\x08\0\0\0", 4), true, 8u},
      {std::string("\0\0\0\0", 4), true, 0u}, {"abc", true, {}},
  };
  for (const auto& c : cases) EXPECT_EQ(decodeMemoRef(c.bytes, c.binary), c.block) << c.bytes;
  EXPECT_EQ(encodeMemoRef(8, 10, false), "         8");
  EXPECT_EQ(encodeMemoRef(0, 10, false), "          ");
  EXPECT_EQ(encodeMemoRef(258, 4, true), std::string("\x02\x01\0\0", 4));
}

TEST(FieldCodec, FieldDefinitionsForNewTables) {
  struct Case {
    FieldDef f;
    bool ok;
  };
  const Case cases[] = {
      {{"codigo", 'c', 25, 0}, true}, {{"A_1", 'N', 20, 15}, true}, {{"N", 'N', 5, 4}, false},
      {{"N", 'N', 1, 0}, true},       {{"N", 'N', 0, 0}, false},    {{"_A", 'C', 1, 0}, false},
      {{"A-B", 'C', 1, 0}, false},    {{"", 'C', 1, 0}, false},     {{"ABCDEFGHIJK", 'C', 1, 0}, false},
      {{"D", 'D', 8, 0}, true},       {{"D", 'D', 8, 1}, false},    {{"M", 'M', 10, 0}, true},
      {{"C", 'C', 254, 0}, true},     {{"C", 'C', 10, 2}, false},   {{"T", 'T', 8, 0}, false},
  };
  for (auto c : cases) {
    std::string fault = validateFieldDef(c.f);
    EXPECT_EQ(fault.empty(), c.ok) << c.f.name << " " << c.f.type << c.f.width << ": " << fault;
  }
  FieldDef f{"codigo", 'c', 25, 0};
  EXPECT_EQ(validateFieldDef(f), "");
  EXPECT_EQ(f.name, "CODIGO");
  EXPECT_EQ(f.type, 'C');
}

TEST(FieldCodec, NumericTextSoundness) {
  for (const char* ok : {"      ", "  1.50", "-3", "+4", "12.", "  .5"}) EXPECT_TRUE(numericTextSound(ok)) << ok;
  for (const char* bad : {"****", "1.2.3", "- 1", "abc", "1e5", "-"}) EXPECT_FALSE(numericTextSound(bad)) << bad;
}

}  // namespace
}  // namespace xb::engine
