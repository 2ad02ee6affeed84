// `RAVEradizo`: a barcode of any supported symbology drawn directly on a
// window's painter, in pixels, over an optional background pane. No unit
// conversion, no human-readable text, no long guard bars: every bar has the
// box's full length.
#pragma once

#include <QPainter>
#include <optional>
#include <string>
#include <string_view>

#include "barcode/device.h"

namespace bc {

class RAVEradizo {
 public:
  QPainter* hDC = nullptr;           // the window's painter (not owned)
  std::string cText;                 // the code text
  int nTop = 0;                      // pixels
  int nLeft = 0;                     // pixels
  int nWidth = 200;                  // box width (bar length of a vertical symbol)
  int nHeight = 20;                  // box height (bar length of a horizontal symbol)
  Rgb nColText = 0;                  // bars
  Rgb nColPane = 16777215;           // background pane; white is never painted
  bool lHorizontal = true;
  bool lTransparent = false;         // true: no pane
  int nPinWidth = 1;                 // module width, pixels (below 1 counts as 1)
  int nBCodeType = 0;                // symbology number, see ShowBarcode

  // Stores the arguments; an absent one takes the default above.
  RAVEradizo(QPainter* hDC, std::string_view cText, int nTop, int nLeft, std::optional<int> nWidth = {},
             std::optional<int> nHeight = {}, int nBCodeType = 0, std::optional<Rgb> nColText = {},
             std::optional<Rgb> nColPane = {}, std::optional<bool> lHorizontal = {},
             std::optional<bool> lTransparent = {}, std::optional<int> nPinWidth = {});

  // Builds the module string of cText for nBCodeType and draws it:
  //  1 Code 39, 2 Code 39 with check character, 3 Code 128 automatic,
  //  4/5/6 Code 128 set A/B/C, 7 EAN-8, 8 EAN-13, 9 UPC-A, 10 Codabar,
  //  11 5-digit add-on, 12/13 industrial 2 of 5 without/with check digit,
  //  14/15 interleaved, 16/17 matrix; any other number Code 39 with check
  //  character. EAN-8 and UPC-A then draw their guard mask the same way,
  //  over the bars, without painting the pane a second time (which would
  //  hide every bar but the guards).
  void ShowBarcode();

  // Draws one module string: the pane (unless transparent or white), then
  // each dark run as a filled rectangle nPinWidth per module, the box's
  // full length. Sets nPinWidth to 1 when it is below 1. Nothing without a
  // painter.
  void CreateBarcode(std::string_view cModules);

  // Module strings of cText, as the encoders build them.
  std::string InitCode39(bool lCheck) const;
  // cSet "A", "B", "C" (either case) or empty for the automatic choice; any
  // other set shows "Code 128 modes are A,B o C. Character values." in an
  // information box and uses set B.
  std::string InitCode128(std::string_view cSet) const;
  std::string InitEAN13() const;
  std::string InitUPC(int nLen) const;
  std::string InitE13BL(int nDigits) const;
  std::string InitCodabar() const;
  std::string InitSub5() const;
  std::string InitIndustrial25(bool lCheck) const;
  std::string InitInterleave25(bool lCheck) const;
  std::string InitMatrix25(bool lCheck) const;

 private:
  void DrawBars(std::string_view cModules);
};

}  // namespace bc
