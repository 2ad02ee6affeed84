#include "barcode/draw.h"

#include <gtest/gtest.h>

#include <cmath>
#include <ostream>
#include <string>

#include "barcode/codabar.h"
#include "barcode/code128.h"
#include "barcode/code39.h"
#include "barcode/colors.h"
#include "barcode/ean_upc.h"
#include "barcode/two_of_five.h"
#include "tests/barcode/recording_device.h"

namespace bc {
namespace {

using test::RecordingDevice;

// 23.62 pixels per millimetre on both axes, 600 logical pixels per inch.
RecordingDevice Page() { return RecordingDevice(1400, 1400, 1400 / 23.62, 1400 / 23.62, 600); }

constexpr int kT = 100;
constexpr int kL = 100;

// Every module of `modules` is dark exactly where it is "1", sampled across
// its whole width at `depth` pixels into the bars.
void ExpectModules(const RecordingDevice& dev, const std::string& modules, int top, int left, int w, bool horizontal,
                   int depth) {
  for (size_t i = 0; i < modules.size(); ++i) {
    for (int k = 0; k < w; ++k) {
      const int along = int(i) * w + k;
      const bool dark = horizontal ? dev.dark(left + along, top + depth) : dev.dark(left + depth, top + along);
      ASSERT_EQ(dark, modules[i] == '1') << "module " << i << " pixel " << k;
    }
  }
}

TEST(DrawPixels, ConvertsCentimetresAlongTheirAxis) {
  RecordingDevice dev(1181, 2362, 50.0, 50.0);  // 23.62 across, 47.24 down
  EXPECT_EQ(HorzPix(dev, 0.025), 6);
  EXPECT_EQ(VertPix(dev, 0.025), 12);
  EXPECT_EQ(ToPixels(dev, true, 0.025, 1.5).w, 6);
  EXPECT_EQ(ToPixels(dev, true, 0.025, 1.5).h, 709);
  EXPECT_EQ(ToPixels(dev, false, 0.025, 1.5).w, 12);
  EXPECT_EQ(ToPixels(dev, false, 0.025, 1.5).h, 354);
  EXPECT_EQ(ToPixels(dev, true, -1.0, 1.5).w, 0);
  const RecordingDevice none(0, 0, 0, 0);
  EXPECT_EQ(HorzPix(none, 1.0), 0);
  EXPECT_EQ(VertPix(none, 1.0), 0);
}

TEST(DrawPixels, DarkRunsJoinAdjacentModules) {
  using Runs = std::vector<std::pair<int, int>>;
  EXPECT_EQ(DarkRuns("0110111"), (Runs{{1, 2}, {4, 3}}));
  EXPECT_EQ(DarkRuns("1x1"), (Runs{{0, 1}, {2, 1}}));
  EXPECT_EQ(DarkRuns(""), Runs{});
  EXPECT_EQ(DarkRuns("000"), Runs{});
}

TEST(GoCode, HorizontalRunsAreOneRectangleEach) {
  auto dev = Page();
  GO_CODE("0110111", kT, kL, dev);
  ASSERT_EQ(dev.fills.size(), 2u);
  EXPECT_EQ(dev.fills[0].top, kT);
  EXPECT_EQ(dev.fills[0].left, kL + 6);
  EXPECT_EQ(dev.fills[0].bottom, kT + 354);
  EXPECT_EQ(dev.fills[0].right, kL + 18);
  EXPECT_EQ(dev.fills[1].left, kL + 24);
  EXPECT_EQ(dev.fills[1].right, kL + 42);
  EXPECT_EQ(dev.fills[1].color, 0u);
}

TEST(GoCode, VerticalModulesRunDownwards) {
  auto dev = Page();
  GO_CODE("101", kT, kL, dev, false, rgb(0, 0, 255), 0.05, 1.0);
  ASSERT_EQ(dev.fills.size(), 2u);
  EXPECT_EQ(dev.fills[0].top, kT);
  EXPECT_EQ(dev.fills[0].bottom, kT + 12);
  EXPECT_EQ(dev.fills[0].left, kL);
  EXPECT_EQ(dev.fills[0].right, kL + 236);
  EXPECT_EQ(dev.fills[1].top, kT + 24);
  EXPECT_EQ(dev.fills[1].color, rgb(0, 0, 255));
}

TEST(GoCode, NothingWithoutWidthOrDeviceSize) {
  auto dev = Page();
  GO_CODE("111", kT, kL, dev, true, 0, 0.001, 1.5);  // 0.24 pixels rounds to none
  EXPECT_TRUE(dev.fills.empty());
  RecordingDevice none(10, 10, 0, 0);
  GO_CODE("111", 0, 0, none);
  EXPECT_TRUE(none.fills.empty());
}

TEST(GoCode, RoundsFractionalPositions) {
  auto dev = Page();
  GO_CODE("1", 10.6, 20.4, dev);
  ASSERT_EQ(dev.fills.size(), 1u);
  EXPECT_EQ(dev.fills[0].top, 11);
  EXPECT_EQ(dev.fills[0].left, 20);
}

struct EanSize {
  double moduleCm, heightCm;
  int w, h, data;
};

void PrintTo(const EanSize& s, std::ostream* os) {
  *os << s.moduleCm << " cm x " << s.heightCm << " cm";
}

class Ean13Sizes : public ::testing::TestWithParam<EanSize> {};

TEST_P(Ean13Sizes, HorizontalDataBarsHangFromTheTopAndGuardsReachFurther) {
  const EanSize s = GetParam();
  auto dev = Page();
  EAN13(kT, kL, "590123412345", dev, 0, true, s.moduleCm, s.heightCm);
  const std::string modules = enc::EAN13("590123412345");
  const std::string mask = enc::EAN13BL();
  ExpectModules(dev, modules, kT, kL, s.w, true, 0);
  ExpectModules(dev, modules, kT, kL, s.w, true, s.data - 1);
  ExpectModules(dev, mask, kT, kL, s.w, true, s.data);
  ExpectModules(dev, mask, kT, kL, s.w, true, s.h - 1);
  ExpectModules(dev, std::string(95, '0'), kT, kL, s.w, true, s.h);
  EXPECT_TRUE(dev.dark(kL + 95 * s.w - 1, kT + s.h - 1));
  EXPECT_FALSE(dev.dark(kL + 95 * s.w, kT + 1));
  EXPECT_TRUE(dev.texts.empty());
}

TEST_P(Ean13Sizes, VerticalDataBarsShareTheirRightEndWithTheGuards) {
  const EanSize s = GetParam();
  auto dev = Page();
  EAN13(kT, kL, "590123412345", dev, 0, false, s.moduleCm, s.heightCm);
  const std::string modules = enc::EAN13("590123412345");
  const std::string mask = enc::EAN13BL();
  const int shift = int(std::lround(0.1 * s.h));
  ExpectModules(dev, modules, kT, kL, s.w, false, shift);
  ExpectModules(dev, modules, kT, kL, s.w, false, s.h - 1);
  ExpectModules(dev, mask, kT, kL, s.w, false, 0);
  ExpectModules(dev, mask, kT, kL, s.w, false, shift - 1);
  ExpectModules(dev, std::string(95, '0'), kT, kL, s.w, false, s.h);
  EXPECT_EQ(s.h - shift, s.data);
}

INSTANTIATE_TEST_SUITE_P(Examples, Ean13Sizes,
                         ::testing::Values(EanSize{0.025, 1.5, 6, 354, 319}, EanSize{0.05, 2.0, 12, 472, 425}));

TEST(DrawSymbols, UpcaLongBarsAreTheGuardsAndOuterDigits) {
  auto dev = Page();
  UPCA(kT, kL, "03600029145", dev);
  ExpectModules(dev, enc::UPC("03600029145", 11), kT, kL, 6, true, 200);
  ExpectModules(dev, enc::UPCABL("03600029145"), kT, kL, 6, true, 330);
}

TEST(DrawSymbols, Ean8UsesItsOwnMask) {
  auto dev = Page();
  EAN8(kT, kL, "9638507", dev);
  ExpectModules(dev, enc::UPC("9638507", 7), kT, kL, 6, true, 200);
  ExpectModules(dev, enc::EAN13BL(8), kT, kL, 6, true, 330);
  EXPECT_FALSE(dev.dark(kL + 67 * 6, kT + 330));
}

struct FullHeightCase {
  const char* name;
  std::string modules;
  void (*draw)(RecordingDevice&, bool horizontal);
};

class FullHeight : public ::testing::TestWithParam<FullHeightCase> {};

TEST_P(FullHeight, EncoderModulesAtTheFullHeightInBothOrientations) {
  const auto& c = GetParam();
  for (bool horizontal : {true, false}) {
    auto dev = Page();
    c.draw(dev, horizontal);
    ExpectModules(dev, c.modules, kT, kL, 6, horizontal, 0);
    ExpectModules(dev, c.modules, kT, kL, 6, horizontal, 353);
    ExpectModules(dev, std::string(c.modules.size(), '0'), kT, kL, 6, horizontal, 354);
    EXPECT_TRUE(dev.texts.empty());
    EXPECT_TRUE(dev.boxes.empty());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Symbologies, FullHeight,
    ::testing::Values(
        FullHeightCase{"Code128Auto", enc::CODE128("AB"),
                       [](RecordingDevice& d, bool hz) { CODE128(kT, kL, "AB", d, "", 0, hz); }},
        FullHeightCase{"Code128SetA", enc::CODE128("AB\x01", "A"),
                       [](RecordingDevice& d, bool hz) { CODE128(kT, kL, "AB\x01", d, "A", 0, hz); }},
        FullHeightCase{"Code39Check", enc::CODE3_9("A", true),
                       [](RecordingDevice& d, bool hz) { CODE3_9(kT, kL, "A", d, true, 0, hz); }},
        FullHeightCase{"Codabar", enc::CODABAR("A123B"),
                       [](RecordingDevice& d, bool hz) { CODABAR(kT, kL, "A123B", d, 0, hz); }},
        FullHeightCase{"Int25", enc::INT25("1234", true),
                       [](RecordingDevice& d, bool hz) { INT25(kT, kL, "1234", d, true, 0, hz); }},
        FullHeightCase{"Ind25", enc::IND25("1"), [](RecordingDevice& d, bool hz) { IND25(kT, kL, "1", d, false, 0, hz); }},
        FullHeightCase{"Mat25", enc::MAT25("12", true),
                       [](RecordingDevice& d, bool hz) { MAT25(kT, kL, "12", d, true, 0, hz); }},
        FullHeightCase{"Sup5WithoutText", enc::SUP5("52495"),
                       [](RecordingDevice& d, bool hz) { SUP5(kT, kL, "52495", d, 0, hz); }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DrawSymbols, ColourOfTheBarsAndBlackByDefault) {
  auto red = Page();
  CODE3_9(kT, kL, "AB", red, false, *ColorByName("CLR_HRED"));
  ASSERT_FALSE(red.fills.empty());
  for (const auto& f : red.fills) EXPECT_EQ(f.color, rgb(255, 0, 0));
  auto plain = Page();
  EAN13(kT, kL, "1", plain);
  for (const auto& f : plain.fills) EXPECT_EQ(f.color, 0u);
}

TEST(DrawSymbols, CentimetreVariantsConvertThePositionFirst) {
  auto dev = Page();
  C_EAN13(1.0, 2.0, "590123412345", dev);  // 236.2, 472.4 pixels
  ASSERT_FALSE(dev.fills.empty());
  EXPECT_EQ(dev.fills.front().top, 236);
  EXPECT_EQ(dev.fills.front().left, 472);
  EXPECT_TRUE(dev.texts.empty());

  auto sup = Page();
  C_SUP5(1.0, 0.5, "52495", sup, 0, true, 0.025, 1.5, true);
  ASSERT_EQ(sup.texts.size(), 1u);
  EXPECT_EQ(sup.texts[0].row, 236);
  EXPECT_EQ(sup.texts[0].col, 118 + 32);  // 5.25 modules in

  auto i25 = Page();
  C_INT25(0.5, 0.5, "12", i25, true);
  ExpectModules(i25, enc::INT25("12", true), 118, 118, 6, true, 10);
}

struct TextCase {
  int row, col;
  std::string text;
};

void ExpectTexts(const RecordingDevice& dev, const std::vector<TextCase>& want) {
  ASSERT_EQ(dev.texts.size(), want.size());
  for (size_t i = 0; i < want.size(); ++i) {
    EXPECT_EQ(dev.texts[i].row, want[i].row) << i;
    EXPECT_EQ(dev.texts[i].col, want[i].col) << i;
    EXPECT_EQ(dev.texts[i].text, want[i].text) << i;
  }
}

// 23.62 px/mm: w = 6, h = 354, 0.9h = 318.6, 0.1h = 35.4.
TEST(DrawText, Ean13DigitsHorizontal) {
  auto dev = Page();
  EAN13(kT, kL, "590123412345", dev, 0, true, 0.025, 1.5, true);
  ExpectTexts(dev, {{kT + 319, kL - 48, "5"}, {kT + 319, kL + 18, "901234"}, {kT + 319, kL + 300, "123457"}});
  // Digits sized from the module: 7 modules of advance, 2.75 / 0.33
  // modules of height, one module below the text's row.
  const FontSpec& f = dev.texts[0].font;
  EXPECT_EQ(f.face, "arial");
  EXPECT_DOUBLE_EQ(f.digitHeightPx, 6 * 2.75 / 0.33);
  EXPECT_DOUBLE_EQ(f.pitchPx, 6 * 7.0);
  EXPECT_DOUBLE_EQ(f.digitTopPx, 6);
  EXPECT_EQ(f.escapement, 0);
}

TEST(DrawText, Ean13DigitsVertical) {
  auto dev = Page();
  EAN13(kT, kL, "590123412345", dev, 0, false, 0.025, 1.5, true, "times new roman");
  ExpectTexts(dev, {{kT - 48, kL + 35, "5"}, {kT + 18, kL + 35, "901234"}, {kT + 300, kL + 35, "123457"}});
  EXPECT_EQ(dev.texts[1].font.escapement, 13500);
  EXPECT_EQ(dev.texts[1].font.face, "times new roman");
}

TEST(DrawText, DigitsShowTheCodeAsTypedWithTheRecomputedCheckDigit) {
  auto dev = Page();
  BARLEN13("12A4", dev, kT, kL);
  ASSERT_EQ(dev.texts.size(), 3u);
  EXPECT_EQ(dev.texts[0].text + dev.texts[1].text + dev.texts[2].text,
            "12A400000000" + EAN13_CHECK("12A400000000"));
}

TEST(DrawText, UpcaOuterDigitsSmall) {
  for (bool horizontal : {true, false}) {
    auto dev = Page();
    UPCA(kT, kL, "03600029145", dev, 0, horizontal, 0.025, 1.5, true);
    if (horizontal)
      ExpectTexts(dev, {{kT + 319, kL - 48, "0"}, {kT + 319, kL + 60, "36000"}, {kT + 319, kL + 300, "29145"},
                        {kT + 319, kL + 570, "2"}});
    else
      ExpectTexts(dev, {{kT - 48, kL + 35, "0"}, {kT + 60, kL + 35, "36000"}, {kT + 300, kL + 35, "29145"},
                        {kT + 570, kL + 35, "2"}});
    // The outer digits in the proportion 0.025 : 0.04, height and advance.
    EXPECT_DOUBLE_EQ(dev.texts[0].font.digitHeightPx, 6 * 2.75 / 0.33 * 0.025 / 0.04);
    EXPECT_DOUBLE_EQ(dev.texts[1].font.digitHeightPx, 6 * 2.75 / 0.33);
    EXPECT_DOUBLE_EQ(dev.texts[3].font.digitHeightPx, dev.texts[0].font.digitHeightPx);
    EXPECT_DOUBLE_EQ(dev.texts[0].font.pitchPx, 6 * 7.0 * 0.025 / 0.04);
    EXPECT_DOUBLE_EQ(dev.texts[1].font.pitchPx, 6 * 7.0);
  }
}

TEST(DrawText, Ean8SecondHalfStarts36ModulesIn) {
  auto h = Page();
  EAN8(kT, kL, "9638507", h, 0, true, 0.025, 1.5, true);
  ExpectTexts(h, {{kT + 319, kL + 18, "9638"}, {kT + 319, kL + 216, "5074"}});
  auto v = Page();
  EAN8(kT, kL, "9638507", v, 0, false, 0.025, 1.5, true);
  ExpectTexts(v, {{kT + 18, kL + 35, "9638"}, {kT + 216, kL + 35, "5074"}});
}

TEST(DrawText, BarlenOfElevenDigitsSplitsInSixes) {
  auto dev = Page();
  BARLEN("03600029145", 11, dev, kT, kL);
  ExpectTexts(dev, {{kT + 319, kL + 18, "036000"}, {kT + 319, kL + 300, "291452"}});
}

TEST(DrawText, AddOnClearsTheTopBandAndWritesItsDigitsThere) {
  auto dev = Page();
  SUP5(kT, kL, "52495", dev, 0, true, 0.025, 1.5, true);
  ASSERT_EQ(dev.boxes.size(), 1u);
  const auto& b = dev.boxes[0];
  EXPECT_EQ(b.top, kT);
  EXPECT_EQ(b.left, kL);
  EXPECT_EQ(b.bottom, kT + 106);
  EXPECT_EQ(b.right, kL + 288);
  EXPECT_EQ(b.pen.color, rgb(255, 255, 255));
  EXPECT_EQ(b.pen.width, 1);
  // Every digit centred over its 7 modules: characters 4.5 modules apart
  // from 5.25 modules in.
  ExpectTexts(dev, {{kT, kL + 32, "5 2 4 9 5"}});
  EXPECT_DOUBLE_EQ(dev.texts[0].font.pitchPx, 27);
  const std::string modules = enc::SUP5("52495");
  ExpectModules(dev, std::string(modules.size(), '0'), kT, kL, 6, true, 105);
  ExpectModules(dev, modules, kT, kL, 6, true, 106);
  ExpectModules(dev, modules, kT, kL, 6, true, 353);
}

TEST(DrawText, VerticalAddOnTurnsTheBandWithTheSymbol) {
  auto dev = Page();
  SUP5(kT, kL, "52495", dev, 0, false, 0.025, 1.5, true);
  ASSERT_EQ(dev.boxes.size(), 1u);
  const auto& b = dev.boxes[0];
  EXPECT_EQ(b.top, kT);
  EXPECT_EQ(b.left, kL + 354 - 106);
  EXPECT_EQ(b.bottom, kT + 288);
  EXPECT_EQ(b.right, kL + 354);
  ExpectTexts(dev, {{kT + 32, kL + 354, "5 2 4 9 5"}});
  EXPECT_EQ(dev.texts[0].font.escapement, 13500);
  const std::string modules = enc::SUP5("52495");
  ExpectModules(dev, modules, kT, kL, 6, false, 0);
  ExpectModules(dev, modules, kT, kL, 6, false, 354 - 107);
  ExpectModules(dev, std::string(modules.size(), '0'), kT, kL, 6, false, 354 - 106);
}

TEST(DrawText, AddOnDigitsAreTheTypedCharactersCompletedWithZeros) {
  auto dev = Page();
  BAN5("  7a", dev, kT, kL);
  ExpectTexts(dev, {{kT, kL + 32, "7 a 0 0 0"}});
}

TEST(Colors, SeventeenNamesWithTheirPackedValues) {
  const std::vector<std::pair<std::string, Rgb>> want{
      {"CLR_BLACK", 0},          {"CLR_BLUE", 8388608},      {"CLR_GREEN", 32768},     {"CLR_CYAN", 8421376},
      {"CLR_RED", 128},          {"CLR_MAGENTA", 8388736},   {"CLR_BROWN", 32896},     {"CLR_HGRAY", 12632256},
      {"CLR_LIGHTGRAY", 8421504}, {"CLR_GRAY", 8421504},     {"CLR_HBLUE", 16711680},  {"CLR_HGREEN", 65280},
      {"CLR_HCYAN", 16776960},   {"CLR_HRED", 255},          {"CLR_HMAGENTA", 16711935}, {"CLR_YELLOW", 65535},
      {"CLR_WHITE", 16777215}};
  ASSERT_EQ(ColorNames().size(), want.size());
  for (const auto& [name, value] : want) {
    ASSERT_TRUE(ColorByName(name).has_value()) << name;
    EXPECT_EQ(*ColorByName(name), value) << name;
  }
}

TEST(Colors, EmptyIsBlackAndUnknownOrLowerCaseIsNothing) {
  EXPECT_EQ(ColorByName(""), Rgb(0));
  EXPECT_FALSE(ColorByName("clr_red").has_value());
  EXPECT_FALSE(ColorByName("CLR_PINK").has_value());
  EXPECT_FALSE(ColorByName(" CLR_RED").has_value());
}

}  // namespace
}  // namespace bc
