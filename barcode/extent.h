// Where drawing lands without drawing: a device that keeps the rectangles
// that would be covered, and the extent of a symbol measured on it. The
// label layout places and advances barcodes by it, and measures whole
// labels with it.
#pragma once

#include <string_view>

#include "barcode/device.h"
#include "barcode/symbology.h"

namespace bc {

// Draws nothing and keeps two rectangles of device pixels: the bars (every
// filled rectangle) and everything (bars, cleared boxes, digits, bitmaps;
// label texts are measured by a subclass, SayText adds nothing here). Sizes,
// resolutions and conversions are those of the geometry device, which must
// outlive it. Clipping is ignored: what would be drawn is measured whole.
class ExtentDevice : public DrawDevice {
 public:
  explicit ExtentDevice(const DrawDevice& geometry) : geometry_(geometry) {}

  int nHorzRes() const override { return geometry_.nHorzRes(); }
  int nVertRes() const override { return geometry_.nVertRes(); }
  double nHorzSize() const override { return geometry_.nHorzSize(); }
  double nVertSize() const override { return geometry_.nVertSize(); }
  int nLogPixelsX() const override { return geometry_.nLogPixelsX(); }
  int nLogPixelsY() const override { return geometry_.nLogPixelsY(); }
  void Cmtr2Pix(double& row, double& col) const override { geometry_.Cmtr2Pix(row, col); }
  RowCol Pix2Mmtr(double row, double col) const override { return geometry_.Pix2Mmtr(row, col); }
  double TextWidth(std::string_view text, const TextFont& font) const override {
    return geometry_.TextWidth(text, font);
  }
  PixSize BitmapSize(std::string_view file) const override { return geometry_.BitmapSize(file); }

  void FillRect(int top, int left, int bottom, int right, Rgb color) override;
  // A digits font by DigitsRect; a cell font by its cell height and its
  // average width (half the height without one) per character.
  void Say(int row, int col, std::string_view text, const FontSpec& font, Rgb color) override;
  void Box(int top, int left, int bottom, int right, const PenSpec& pen) override;
  void SayText(double, double, std::string_view, const TextFont&, Rgb, int, double) override {}
  void DrawBitmap(double row, double col, std::string_view file, int width, int height) override;
  void ClipTo(int, int, int, int) override {}
  void NoClip() override {}

  const PixRect& bars() const { return bars_; }
  const PixRect& all() const { return all_; }
  // Forgets what was measured.
  void clear() { bars_ = all_ = PixRect{}; }

 protected:
  void add(const PixRect& r) { all_ = all_.united(r); }

 private:
  const DrawDevice& geometry_;
  PixRect bars_;
  PixRect all_;
};

// A symbol drawn with its first module's upper-left corner at (0, 0) on a
// device of dev's geometry: the rectangle of its bars and of everything it
// draws (bars and digits).
struct SymbolExtent {
  PixRect bars;
  PixRect all;
};
SymbolExtent MeasureSymbol(const SymbologyInfo& symbology, std::string_view code, const SymbolStyle& style,
                           const DrawDevice& dev);

}  // namespace bc
