// Module strings to filled rectangles, and the pixel conversion every
// drawing function shares.
#include "barcode/draw.h"

#include <cmath>

namespace bc {

namespace {

int ToPix(double cm, int res, double sizeMm) {
  if (sizeMm <= 0 || res <= 0) return 0;
  return int(std::lround(cm * 10.0 * res / sizeMm));
}

}  // namespace

int HorzPix(const DrawDevice& dev, double cm) { return ToPix(cm, dev.nHorzRes(), dev.nHorzSize()); }

int VertPix(const DrawDevice& dev, double cm) { return ToPix(cm, dev.nVertRes(), dev.nVertSize()); }

ModulePx ToPixels(const DrawDevice& dev, bool lHorizontal, double nModWidth, double nHeight) {
  ModulePx px;
  if (lHorizontal) {
    px.w = HorzPix(dev, nModWidth);
    px.h = VertPix(dev, nHeight);
  } else {
    px.w = VertPix(dev, nModWidth);
    px.h = HorzPix(dev, nHeight);
  }
  if (px.w < 0) px.w = 0;
  if (px.h < 0) px.h = 0;
  return px;
}

std::vector<std::pair<int, int>> DarkRuns(std::string_view cModules) {
  std::vector<std::pair<int, int>> runs;
  const int n = int(cModules.size());
  for (int i = 0; i < n;) {
    if (cModules[size_t(i)] != '1') {
      ++i;
      continue;
    }
    int j = i;
    while (j < n && cModules[size_t(j)] == '1') ++j;
    runs.emplace_back(i, j - i);
    i = j;
  }
  return runs;
}

void GO_CODE(std::string_view cModules, double nTop, double nLeft, DrawDevice& oDev, bool lHorizontal, Rgb nColor,
             double nModWidth, double nHeight) {
  const ModulePx px = ToPixels(oDev, lHorizontal, nModWidth, nHeight);
  if (px.w == 0 || px.h == 0) return;
  const int top = int(std::lround(nTop));
  const int left = int(std::lround(nLeft));
  for (const auto& [first, count] : DarkRuns(cModules)) {
    const int start = first * px.w;
    const int length = count * px.w;
    if (lHorizontal)
      oDev.FillRect(top, left + start, top + px.h, left + start + length, nColor);
    else
      oDev.FillRect(top + start, left, top + start + length, left + px.h, nColor);
  }
}

FontSpec DigitFont(std::string_view cFont, const ModulePx& px, bool lHorizontal, double nScale) {
  FontSpec f;
  f.face = std::string(cFont.empty() ? kFace : cFont);
  f.digitHeightPx = px.w * kDigitHeightModules * nScale;
  f.pitchPx = px.w * kDigitAdvanceModules * nScale;
  f.digitTopPx = px.w;
  f.escapement = lHorizontal ? 0 : 13500;
  return f;
}

}  // namespace bc
