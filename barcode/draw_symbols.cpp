// One drawing function per symbology: the encoder, the bar heights and the
// human-readable digits of the EAN/UPC family, and the centimetre variants.
#include <string>

#include "barcode/codabar.h"
#include "barcode/code128.h"
#include "barcode/code39.h"
#include "barcode/draw.h"
#include "barcode/ean_upc.h"
#include "barcode/two_of_five.h"

namespace bc {

namespace {

// An EAN/UPC symbol: the data bars at 0.9 of the height, the guard mask at
// the full height over them. A vertical symbol moves its data bars right by
// a tenth of the full bar length so that both end at the same column.
void DrawWithGuards(const std::string& modules, const std::string& mask, double nTop, double nLeft,
                    DrawDevice& oDev, Rgb nColor, bool lHorizontal, double nModWidth, double nHeight) {
  if (lHorizontal) {
    GO_CODE(modules, nTop, nLeft, oDev, true, nColor, nModWidth, nHeight * 0.9);
  } else {
    const double s = 0.1 * HorzPix(oDev, nHeight);
    GO_CODE(modules, nTop, nLeft + s, oDev, false, nColor, nModWidth, nHeight * 0.9);
  }
  GO_CODE(mask, nTop, nLeft, oDev, lHorizontal, nColor, nModWidth, nHeight);
}

}  // namespace

void EAN13(double nTop, double nLeft, std::string_view cCode, DrawDevice& oDev, Rgb nColor, bool lHorizontal,
           double nModWidth, double nHeight, bool lText, std::string_view cFont) {
  DrawWithGuards(enc::EAN13(cCode), enc::EAN13BL(), nTop, nLeft, oDev, nColor, lHorizontal, nModWidth, nHeight);
  if (lText) BARLEN13(cCode, oDev, nTop, nLeft, nColor, lHorizontal, nModWidth, nHeight, cFont);
}

void UPCA(double nTop, double nLeft, std::string_view cCode, DrawDevice& oDev, Rgb nColor, bool lHorizontal,
          double nModWidth, double nHeight, bool lText, std::string_view cFont) {
  DrawWithGuards(enc::UPC(cCode, 11), enc::UPCABL(cCode), nTop, nLeft, oDev, nColor, lHorizontal, nModWidth,
                 nHeight);
  if (lText) UPCA_BARLEN(cCode, oDev, nTop, nLeft, nColor, lHorizontal, nModWidth, nHeight, cFont);
}

void EAN8(double nTop, double nLeft, std::string_view cCode, DrawDevice& oDev, Rgb nColor, bool lHorizontal,
          double nModWidth, double nHeight, bool lText, std::string_view cFont) {
  DrawWithGuards(enc::UPC(cCode, 7), enc::EAN13BL(8), nTop, nLeft, oDev, nColor, lHorizontal, nModWidth, nHeight);
  if (lText) BARLEN(cCode, 7, oDev, nTop, nLeft, nColor, lHorizontal, nModWidth, nHeight, cFont);
}

void SUP5(double nTop, double nLeft, std::string_view cCode, DrawDevice& oDev, Rgb nColor, bool lHorizontal,
          double nModWidth, double nHeight, bool lText, std::string_view cFont) {
  GO_CODE(enc::SUP5(cCode), nTop, nLeft, oDev, lHorizontal, nColor, nModWidth, nHeight);
  if (lText) BAN5(cCode, oDev, nTop, nLeft, nColor, lHorizontal, nModWidth, nHeight, cFont);
}

void CODE128(double nTop, double nLeft, std::string_view cCode, DrawDevice& oDev, std::string_view cSet, Rgb nColor,
             bool lHorizontal, double nModWidth, double nHeight) {
  GO_CODE(enc::CODE128(cCode, cSet), nTop, nLeft, oDev, lHorizontal, nColor, nModWidth, nHeight);
}

void CODE3_9(double nTop, double nLeft, std::string_view cCode, DrawDevice& oDev, bool lCheck, Rgb nColor,
             bool lHorizontal, double nModWidth, double nHeight) {
  GO_CODE(enc::CODE3_9(cCode, lCheck), nTop, nLeft, oDev, lHorizontal, nColor, nModWidth, nHeight);
}

void CODABAR(double nTop, double nLeft, std::string_view cCode, DrawDevice& oDev, Rgb nColor, bool lHorizontal,
             double nModWidth, double nHeight) {
  GO_CODE(enc::CODABAR(cCode), nTop, nLeft, oDev, lHorizontal, nColor, nModWidth, nHeight);
}

void INT25(double nTop, double nLeft, std::string_view cCode, DrawDevice& oDev, bool lCheck, Rgb nColor,
           bool lHorizontal, double nModWidth, double nHeight) {
  GO_CODE(enc::INT25(cCode, lCheck), nTop, nLeft, oDev, lHorizontal, nColor, nModWidth, nHeight);
}

void IND25(double nTop, double nLeft, std::string_view cCode, DrawDevice& oDev, bool lCheck, Rgb nColor,
           bool lHorizontal, double nModWidth, double nHeight) {
  GO_CODE(enc::IND25(cCode, lCheck), nTop, nLeft, oDev, lHorizontal, nColor, nModWidth, nHeight);
}

void MAT25(double nTop, double nLeft, std::string_view cCode, DrawDevice& oDev, bool lCheck, Rgb nColor,
           bool lHorizontal, double nModWidth, double nHeight) {
  GO_CODE(enc::MAT25(cCode, lCheck), nTop, nLeft, oDev, lHorizontal, nColor, nModWidth, nHeight);
}

void C_EAN13(double nTop, double nLeft, std::string_view cCode, DrawDevice& oDev, Rgb nColor, bool lHorizontal,
             double nModWidth, double nHeight) {
  oDev.Cmtr2Pix(nTop, nLeft);
  EAN13(nTop, nLeft, cCode, oDev, nColor, lHorizontal, nModWidth, nHeight);
}

void C_UPCA(double nTop, double nLeft, std::string_view cCode, DrawDevice& oDev, Rgb nColor, bool lHorizontal,
            double nModWidth, double nHeight) {
  oDev.Cmtr2Pix(nTop, nLeft);
  UPCA(nTop, nLeft, cCode, oDev, nColor, lHorizontal, nModWidth, nHeight);
}

void C_EAN8(double nTop, double nLeft, std::string_view cCode, DrawDevice& oDev, Rgb nColor, bool lHorizontal,
            double nModWidth, double nHeight) {
  oDev.Cmtr2Pix(nTop, nLeft);
  EAN8(nTop, nLeft, cCode, oDev, nColor, lHorizontal, nModWidth, nHeight);
}

void C_SUP5(double nTop, double nLeft, std::string_view cCode, DrawDevice& oDev, Rgb nColor, bool lHorizontal,
            double nModWidth, double nHeight, bool lText, std::string_view cFont) {
  oDev.Cmtr2Pix(nTop, nLeft);
  SUP5(nTop, nLeft, cCode, oDev, nColor, lHorizontal, nModWidth, nHeight, lText, cFont);
}

void C_CODE128(double nTop, double nLeft, std::string_view cCode, DrawDevice& oDev, std::string_view cSet,
               Rgb nColor, bool lHorizontal, double nModWidth, double nHeight) {
  oDev.Cmtr2Pix(nTop, nLeft);
  CODE128(nTop, nLeft, cCode, oDev, cSet, nColor, lHorizontal, nModWidth, nHeight);
}

void C_CODE3_9(double nTop, double nLeft, std::string_view cCode, DrawDevice& oDev, bool lCheck, Rgb nColor,
               bool lHorizontal, double nModWidth, double nHeight) {
  oDev.Cmtr2Pix(nTop, nLeft);
  CODE3_9(nTop, nLeft, cCode, oDev, lCheck, nColor, lHorizontal, nModWidth, nHeight);
}

void C_CODABAR(double nTop, double nLeft, std::string_view cCode, DrawDevice& oDev, Rgb nColor, bool lHorizontal,
               double nModWidth, double nHeight) {
  oDev.Cmtr2Pix(nTop, nLeft);
  CODABAR(nTop, nLeft, cCode, oDev, nColor, lHorizontal, nModWidth, nHeight);
}

void C_INT25(double nTop, double nLeft, std::string_view cCode, DrawDevice& oDev, bool lCheck, Rgb nColor,
             bool lHorizontal, double nModWidth, double nHeight) {
  oDev.Cmtr2Pix(nTop, nLeft);
  INT25(nTop, nLeft, cCode, oDev, lCheck, nColor, lHorizontal, nModWidth, nHeight);
}

void C_IND25(double nTop, double nLeft, std::string_view cCode, DrawDevice& oDev, bool lCheck, Rgb nColor,
             bool lHorizontal, double nModWidth, double nHeight) {
  oDev.Cmtr2Pix(nTop, nLeft);
  IND25(nTop, nLeft, cCode, oDev, lCheck, nColor, lHorizontal, nModWidth, nHeight);
}

void C_MAT25(double nTop, double nLeft, std::string_view cCode, DrawDevice& oDev, bool lCheck, Rgb nColor,
             bool lHorizontal, double nModWidth, double nHeight) {
  oDev.Cmtr2Pix(nTop, nLeft);
  MAT25(nTop, nLeft, cCode, oDev, lCheck, nColor, lHorizontal, nModWidth, nHeight);
}

}  // namespace bc
