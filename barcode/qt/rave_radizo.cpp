#include "barcode/qt/rave_radizo.h"

#include "barcode/codabar.h"
#include "barcode/code128.h"
#include "barcode/code39.h"
#include "barcode/draw.h"
#include "barcode/ean_upc.h"
#include "barcode/qt/qt_font.h"
#include "barcode/two_of_five.h"
#include "xbase/prompt.h"

namespace bc {

RAVEradizo::RAVEradizo(QPainter* hDC_, std::string_view cText_, int nTop_, int nLeft_, std::optional<int> nWidth_,
                       std::optional<int> nHeight_, int nBCodeType_, std::optional<Rgb> nColText_,
                       std::optional<Rgb> nColPane_, std::optional<bool> lHorizontal_,
                       std::optional<bool> lTransparent_, std::optional<int> nPinWidth_)
    : hDC(hDC_),
      cText(cText_),
      nTop(nTop_),
      nLeft(nLeft_),
      nWidth(nWidth_.value_or(200)),
      nHeight(nHeight_.value_or(20)),
      nColText(nColText_.value_or(0)),
      nColPane(nColPane_.value_or(16777215)),
      lHorizontal(lHorizontal_.value_or(true)),
      lTransparent(lTransparent_.value_or(false)),
      nPinWidth(nPinWidth_.value_or(1)),
      nBCodeType(nBCodeType_) {}

void RAVEradizo::ShowBarcode() {
  switch (nBCodeType) {
    case 1: CreateBarcode(InitCode39(false)); break;
    case 3: CreateBarcode(InitCode128("")); break;
    case 4: CreateBarcode(InitCode128("A")); break;
    case 5: CreateBarcode(InitCode128("B")); break;
    case 6: CreateBarcode(InitCode128("C")); break;
    case 7:
      CreateBarcode(InitUPC(7));
      DrawBars(InitE13BL(8));
      break;
    case 8: CreateBarcode(InitEAN13()); break;
    case 9:
      CreateBarcode(InitUPC(11));
      DrawBars(InitE13BL(12));
      break;
    case 10: CreateBarcode(InitCodabar()); break;
    case 11: CreateBarcode(InitSub5()); break;
    case 12: CreateBarcode(InitIndustrial25(false)); break;
    case 13: CreateBarcode(InitIndustrial25(true)); break;
    case 14: CreateBarcode(InitInterleave25(false)); break;
    case 15: CreateBarcode(InitInterleave25(true)); break;
    case 16: CreateBarcode(InitMatrix25(false)); break;
    case 17: CreateBarcode(InitMatrix25(true)); break;
    default: CreateBarcode(InitCode39(true)); break;
  }
}

void RAVEradizo::CreateBarcode(std::string_view cModules) {
  if (hDC != nullptr && !lTransparent && nColPane != 16777215 && nWidth > 0 && nHeight > 0)
    hDC->fillRect(QRect(nLeft, nTop, nWidth, nHeight), ToQColor(nColPane));
  DrawBars(cModules);
}

void RAVEradizo::DrawBars(std::string_view cModules) {
  if (nPinWidth < 1) nPinWidth = 1;
  if (hDC == nullptr) return;
  const QColor bars = ToQColor(nColText);
  for (const auto& [first, count] : DarkRuns(cModules)) {
    const int start = first * nPinWidth;
    const int length = count * nPinWidth;
    if (lHorizontal) {
      if (nHeight > 0) hDC->fillRect(QRect(nLeft + start, nTop, length, nHeight), bars);
    } else {
      if (nWidth > 0) hDC->fillRect(QRect(nLeft, nTop + start, nWidth, length), bars);
    }
  }
}

std::string RAVEradizo::InitCode39(bool lCheck) const { return enc::CODE3_9(cText, lCheck); }

std::string RAVEradizo::InitCode128(std::string_view cSet) const {
  std::string set;
  for (char c : cSet) set += (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
  if (!set.empty()) {
    if (std::string_view("ABC").find(set) == std::string_view::npos)
      xb::prompter().message(xb::MsgKind::Info, "Información", "Code 128 modes are A,B o C. Character values.");
    set = (set == "A" || set == "C") ? set : "B";
  }
  return enc::CODE128(cText, set);
}

std::string RAVEradizo::InitEAN13() const { return enc::EAN13(cText); }

std::string RAVEradizo::InitUPC(int nLen) const { return enc::UPC(cText, nLen); }

std::string RAVEradizo::InitE13BL(int nDigits) const { return enc::EAN13BL(nDigits); }

std::string RAVEradizo::InitCodabar() const { return enc::CODABAR(cText); }

std::string RAVEradizo::InitSub5() const { return enc::SUP5(cText); }

std::string RAVEradizo::InitIndustrial25(bool lCheck) const { return enc::IND25(cText, lCheck); }

std::string RAVEradizo::InitInterleave25(bool lCheck) const { return enc::INT25(cText, lCheck); }

std::string RAVEradizo::InitMatrix25(bool lCheck) const { return enc::MAT25(cText, lCheck); }

}  // namespace bc
