// The human-readable digits of the EAN/UPC family and the add-on.
#include <cmath>
#include <string>

#include "barcode/draw.h"
#include "barcode/ean_upc.h"

namespace bc {

namespace {

int Round(double v) { return int(std::lround(v)); }

// Where a text that starts `modules` modules along the symbol stands: below
// the data bars of a horizontal symbol, left of those of a vertical one.
struct TextPlace {
  const DrawDevice& dev;
  double top;
  double left;
  ModulePx px;
  bool horizontal;

  void say(DrawDevice& out, int modules, std::string_view text, const FontSpec& font, Rgb color) const {
    if (horizontal)
      out.Say(Round(top + 0.9 * px.h), Round(left + double(modules) * px.w), text, font, color);
    else
      out.Say(Round(top + double(modules) * px.w), Round(left + 0.1 * px.h), text, font, color);
  }
};

}  // namespace

void BARLEN13(std::string_view cCode, DrawDevice& oDev, double nTop, double nLeft, Rgb nColor, bool lHorizontal,
              double nModWidth, double nHeight, std::string_view cFont) {
  std::string digits = normalizedData(cCode, 12);
  digits += EAN13_CHECK(digits);
  const ModulePx px = ToPixels(oDev, lHorizontal, nModWidth, nHeight);
  const FontSpec font = DigitFont(cFont, px, lHorizontal);
  const TextPlace at{oDev, nTop, nLeft, px, lHorizontal};
  at.say(oDev, -8, digits.substr(0, 1), font, nColor);
  at.say(oDev, 3, digits.substr(1, 6), font, nColor);
  at.say(oDev, 50, digits.substr(7, 6), font, nColor);
}

void UPCA_BARLEN(std::string_view cCode, DrawDevice& oDev, double nTop, double nLeft, Rgb nColor, bool lHorizontal,
                 double nModWidth, double nHeight, std::string_view cFont) {
  std::string digits = normalizedData(cCode, 11);
  digits += UPC_CHECK(digits, 11);
  const ModulePx px = ToPixels(oDev, lHorizontal, nModWidth, nHeight);
  const FontSpec font = DigitFont(cFont, px, lHorizontal);
  const FontSpec small = DigitFont(cFont, px, lHorizontal, kSmallDigits);
  const TextPlace at{oDev, nTop, nLeft, px, lHorizontal};
  at.say(oDev, -8, digits.substr(0, 1), small, nColor);
  at.say(oDev, 10, digits.substr(1, 5), font, nColor);
  at.say(oDev, 50, digits.substr(6, 5), font, nColor);
  at.say(oDev, 95, digits.substr(11, 1), small, nColor);
}

void BARLEN(std::string_view cCode, int nDigits, DrawDevice& oDev, double nTop, double nLeft, Rgb nColor,
            bool lHorizontal, double nModWidth, double nHeight, std::string_view cFont) {
  if (nDigits < 1) nDigits = 11;
  std::string digits = normalizedData(cCode, nDigits);
  digits += UPC_CHECK(digits, nDigits);
  const int n = int(digits.size());
  const int half = n / 2;
  const int m = half * 7 + 8;
  const ModulePx px = ToPixels(oDev, lHorizontal, nModWidth, nHeight);
  const FontSpec font = DigitFont(cFont, px, lHorizontal);
  const TextPlace at{oDev, nTop, nLeft, px, lHorizontal};
  at.say(oDev, 3, digits.substr(0, size_t(half)), font, nColor);
  at.say(oDev, m, digits.substr(size_t(half)), font, nColor);
}

void BAN5(std::string_view cCode, DrawDevice& oDev, double nTop, double nLeft, Rgb nColor, bool lHorizontal,
          double nModWidth, double nHeight, std::string_view cFont) {
  const std::string data = normalizedData(cCode, 5);
  std::string text;
  for (char c : data) {
    if (!text.empty()) text += ' ';
    text += c;
  }
  const ModulePx px = ToPixels(oDev, lHorizontal, nModWidth, nHeight);
  // Digits 9 modules apart (7 of bars, 2 of separator), blanks between.
  FontSpec font = DigitFont(cFont, px, lHorizontal);
  font.pitchPx = 4.5 * px.w;
  const int shift = Round(5.25 * px.w);
  const PenSpec white{rgb(255, 255, 255), 1};
  const int top = Round(nTop);
  const int left = Round(nLeft);
  const int band = Round(0.3 * px.h);
  const int length = 48 * px.w;
  if (lHorizontal) {
    oDev.Box(top, left, top + band, left + length, white);
    oDev.Say(top, left + shift, text, font, nColor);
  } else {
    // The horizontal form turned clockwise with the symbol: the band at the
    // bars' right end, the text reading downwards with its top to the right.
    oDev.Box(top, left + px.h - band, top + length, left + px.h, white);
    oDev.Say(top + shift, left + px.h, text, font, nColor);
  }
}

}  // namespace bc
