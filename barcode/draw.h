// Drawing barcode symbols on a drawing device.
//
// `GO_CODE` turns a module string ("1" dark, anything else light) into filled
// rectangles; one drawing function per symbology picks the encoder, the bar
// heights and, for the EAN/UPC family, the human-readable digits; each has a
// centimetre variant (`C_` prefix). Positions of the pixel functions are
// device pixels (row first); module width and height are centimetres,
// converted to pixels along the axis each length runs on. Nothing here keeps
// state between calls and nothing reports errors.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "barcode/device.h"

namespace bc {

// Defaults shared by every drawing function.
inline constexpr double kModuleCm = 0.025;
inline constexpr double kHeightCm = 1.5;
inline constexpr std::string_view kFace = "arial";

// round(cm * 10 * nHorzRes / nHorzSize): a length in centimetres along the
// device's horizontal axis in whole pixels (nearest, halves away from zero).
// A device that reports no size gives 0.
int HorzPix(const DrawDevice& dev, double cm);
// The same along the vertical axis (nVertRes / nVertSize).
int VertPix(const DrawDevice& dev, double cm);

// Module width w and bar height h in pixels for a symbol of that
// orientation: a horizontal symbol runs its modules along the horizontal axis
// and its bars along the vertical one; a vertical symbol the other way round.
// A negative length gives 0.
struct ModulePx {
  int w = 0;
  int h = 0;
};
ModulePx ToPixels(const DrawDevice& dev, bool lHorizontal, double nModWidth, double nHeight);

// The runs of adjacent dark modules of a module string as (first module,
// number of modules), in order. Filling each run as one rectangle draws the
// same pixels as one rectangle per module.
std::vector<std::pair<int, int>> DarkRuns(std::string_view cModules);

// Draws one module string with its first module's upper-left corner at
// (nTop, nLeft) (rounded to whole pixels). Horizontal: each module is w wide
// and h high, left to right. Vertical: each module is w high and h wide, top
// to bottom. Dark runs are filled in nColor; no quiet zones are drawn.
void GO_CODE(std::string_view cModules, double nTop, double nLeft, DrawDevice& oDev, bool lHorizontal = true,
             Rgb nColor = 0, double nModWidth = kModuleCm, double nHeight = kHeightCm);

// EAN-13: data bars at 0.9 of the height hanging from the top (horizontal)
// or sharing their right end with the guards (vertical), guards at the full
// height, and the digits when lText is true (BARLEN13).
void EAN13(double nTop, double nLeft, std::string_view cCode, DrawDevice& oDev, Rgb nColor = 0,
           bool lHorizontal = true, double nModWidth = kModuleCm, double nHeight = kHeightCm, bool lText = false,
           std::string_view cFont = kFace);
// UPC-A the same way; the number-system and check digits' bars are long
// (UPCA_BARLEN for the digits).
void UPCA(double nTop, double nLeft, std::string_view cCode, DrawDevice& oDev, Rgb nColor = 0,
          bool lHorizontal = true, double nModWidth = kModuleCm, double nHeight = kHeightCm, bool lText = false,
          std::string_view cFont = kFace);
// EAN-8 the same way (BARLEN with 7 for the digits).
void EAN8(double nTop, double nLeft, std::string_view cCode, DrawDevice& oDev, Rgb nColor = 0,
          bool lHorizontal = true, double nModWidth = kModuleCm, double nHeight = kHeightCm, bool lText = false,
          std::string_view cFont = kFace);
// The 5-digit add-on at the full height; with lText, BAN5 clears the band
// nearest the top of the bars (the right end of a vertical symbol) and
// writes the digits there.
void SUP5(double nTop, double nLeft, std::string_view cCode, DrawDevice& oDev, Rgb nColor = 0,
          bool lHorizontal = true, double nModWidth = kModuleCm, double nHeight = kHeightCm, bool lText = false,
          std::string_view cFont = kFace);

// Symbologies without human-readable text, all bars at the full height.
// cSet: "A", "B", "C" (any case) or empty for the encoder's own choice.
void CODE128(double nTop, double nLeft, std::string_view cCode, DrawDevice& oDev, std::string_view cSet = {},
             Rgb nColor = 0, bool lHorizontal = true, double nModWidth = kModuleCm, double nHeight = kHeightCm);
void CODE3_9(double nTop, double nLeft, std::string_view cCode, DrawDevice& oDev, bool lCheck = false,
             Rgb nColor = 0, bool lHorizontal = true, double nModWidth = kModuleCm, double nHeight = kHeightCm);
void CODABAR(double nTop, double nLeft, std::string_view cCode, DrawDevice& oDev, Rgb nColor = 0,
             bool lHorizontal = true, double nModWidth = kModuleCm, double nHeight = kHeightCm);
void INT25(double nTop, double nLeft, std::string_view cCode, DrawDevice& oDev, bool lCheck = false, Rgb nColor = 0,
           bool lHorizontal = true, double nModWidth = kModuleCm, double nHeight = kHeightCm);
void IND25(double nTop, double nLeft, std::string_view cCode, DrawDevice& oDev, bool lCheck = false, Rgb nColor = 0,
           bool lHorizontal = true, double nModWidth = kModuleCm, double nHeight = kHeightCm);
void MAT25(double nTop, double nLeft, std::string_view cCode, DrawDevice& oDev, bool lCheck = false, Rgb nColor = 0,
           bool lHorizontal = true, double nModWidth = kModuleCm, double nHeight = kHeightCm);

// Centimetre variants: top and left in centimetres from the paper's edge,
// converted with the device's Cmtr2Pix, then the pixel function above. The
// EAN/UPC variants take no text flag and never draw the digits.
void C_EAN13(double nTop, double nLeft, std::string_view cCode, DrawDevice& oDev, Rgb nColor = 0,
             bool lHorizontal = true, double nModWidth = kModuleCm, double nHeight = kHeightCm);
void C_UPCA(double nTop, double nLeft, std::string_view cCode, DrawDevice& oDev, Rgb nColor = 0,
            bool lHorizontal = true, double nModWidth = kModuleCm, double nHeight = kHeightCm);
void C_EAN8(double nTop, double nLeft, std::string_view cCode, DrawDevice& oDev, Rgb nColor = 0,
            bool lHorizontal = true, double nModWidth = kModuleCm, double nHeight = kHeightCm);
void C_SUP5(double nTop, double nLeft, std::string_view cCode, DrawDevice& oDev, Rgb nColor = 0,
            bool lHorizontal = true, double nModWidth = kModuleCm, double nHeight = kHeightCm, bool lText = false,
            std::string_view cFont = kFace);
void C_CODE128(double nTop, double nLeft, std::string_view cCode, DrawDevice& oDev, std::string_view cSet = {},
               Rgb nColor = 0, bool lHorizontal = true, double nModWidth = kModuleCm,
               double nHeight = kHeightCm);
void C_CODE3_9(double nTop, double nLeft, std::string_view cCode, DrawDevice& oDev, bool lCheck = false,
               Rgb nColor = 0, bool lHorizontal = true, double nModWidth = kModuleCm,
               double nHeight = kHeightCm);
void C_CODABAR(double nTop, double nLeft, std::string_view cCode, DrawDevice& oDev, Rgb nColor = 0,
               bool lHorizontal = true, double nModWidth = kModuleCm, double nHeight = kHeightCm);
void C_INT25(double nTop, double nLeft, std::string_view cCode, DrawDevice& oDev, bool lCheck = false,
             Rgb nColor = 0, bool lHorizontal = true, double nModWidth = kModuleCm, double nHeight = kHeightCm);
void C_IND25(double nTop, double nLeft, std::string_view cCode, DrawDevice& oDev, bool lCheck = false,
             Rgb nColor = 0, bool lHorizontal = true, double nModWidth = kModuleCm, double nHeight = kHeightCm);
void C_MAT25(double nTop, double nLeft, std::string_view cCode, DrawDevice& oDev, bool lCheck = false,
             Rgb nColor = 0, bool lHorizontal = true, double nModWidth = kModuleCm, double nHeight = kHeightCm);

// Human-readable digits, as the drawing functions place them: the digits
// are rebuilt exactly as the encoder builds them (normalised data, then the
// recomputed check digit). Horizontal symbols write the texts 0.9 of the
// height below the top; vertical symbols write them turned (escapement
// 13500) at 0.1 of the height right of the left edge. The digits are sized
// from the module width as in a standard symbol (DigitFont), so they measure
// the same on every device; the face is OCR-B where installed, else cFont.
void BARLEN13(std::string_view cCode, DrawDevice& oDev, double nTop, double nLeft, Rgb nColor = 0,
              bool lHorizontal = true, double nModWidth = kModuleCm, double nHeight = kHeightCm,
              std::string_view cFont = kFace);
void UPCA_BARLEN(std::string_view cCode, DrawDevice& oDev, double nTop, double nLeft, Rgb nColor = 0,
                 bool lHorizontal = true, double nModWidth = kModuleCm, double nHeight = kHeightCm,
                 std::string_view cFont = kFace);
// nDigits: the data digits (7 for EAN-8, 11 for UPC-A); each half of the
// digits starts where its bars start.
void BARLEN(std::string_view cCode, int nDigits, DrawDevice& oDev, double nTop, double nLeft, Rgb nColor = 0,
            bool lHorizontal = true, double nModWidth = kModuleCm, double nHeight = kHeightCm,
            std::string_view cFont = kFace);
// The add-on's five digits, blank-separated, written in a band cleared (Box
// with a white pen) over the first 48 modules: horizontal, the top 0.3 of
// the height; vertical, the symbol turned clockwise with it, the right 0.3
// of the height with the text turned. The characters stand 4.5 modules
// apart, so that every digit is centred over its own 7 modules (the text
// starts 5.25 modules into the symbol: at (top, left + 5.25w), turned at
// (top + 5.25w, left + h)).
void BAN5(std::string_view cCode, DrawDevice& oDev, double nTop, double nLeft, Rgb nColor = 0,
          bool lHorizontal = true, double nModWidth = kModuleCm, double nHeight = kHeightCm,
          std::string_view cFont = kFace);

// The human-readable digits of a symbol of these pixel sizes: each digit
// advances 7 modules (the modules of its bars) and stands 2.75 / 0.33
// modules high (2.75 mm at 0.33 mm modules), one module below the text's
// row, all times nScale; UPC-A's outer digits take kSmallDigits.
inline constexpr double kDigitAdvanceModules = 7;
inline constexpr double kDigitHeightModules = 2.75 / 0.33;
inline constexpr double kSmallDigits = 0.025 / 0.04;
FontSpec DigitFont(std::string_view cFont, const ModulePx& px, bool lHorizontal, double nScale = 1);

}  // namespace bc
