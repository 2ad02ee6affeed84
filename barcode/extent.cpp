#include "barcode/extent.h"

namespace bc {

void ExtentDevice::FillRect(int top, int left, int bottom, int right, Rgb) {
  const PixRect r{double(top), double(left), double(bottom), double(right)};
  bars_ = bars_.united(r);
  add(r);
}

void ExtentDevice::Say(int row, int col, std::string_view text, const FontSpec& font, Rgb) {
  if (text.empty()) return;
  if (font.digitHeightPx > 0) {
    add(DigitsRect(row, col, text.size(), font));
    return;
  }
  const double width = font.widthPx > 0 ? font.widthPx : font.heightPx / 2;
  add(TurnedRect(row, col, width * double(text.size()), 0, font.heightPx, font.escapement));
}

void ExtentDevice::Box(int top, int left, int bottom, int right, const PenSpec&) {
  add({double(top), double(left), double(bottom), double(right)});
}

void ExtentDevice::DrawBitmap(double row, double col, std::string_view, int width, int height) {
  add({row, col, row + height, col + width});
}

SymbolExtent MeasureSymbol(const SymbologyInfo& symbology, std::string_view code, const SymbolStyle& style,
                           const DrawDevice& dev) {
  ExtentDevice extent(dev);
  symbology.draw(0, 0, code, extent, style);
  return {extent.bars(), extent.all()};
}

}  // namespace bc
