// A drawing device that is an image: a white page of a chosen size in
// pixels at a chosen resolution. What is drawn is kept and rendered on
// demand as a raster image (pixels exactly as drawn) or written as PNG (or
// another raster format Qt writes), SVG or PDF, chosen by the file's
// extension. Needs a QGuiApplication for its fonts.
#pragma once

#include <QImage>
#include <QPainter>
#include <functional>
#include <string>
#include <vector>

#include "barcode/device.h"

namespace bc {

class ImageDevice final : public DrawDevice {
 public:
  // A blank page of widthPx x heightPx pixels at `dpi` pixels per inch on
  // both axes (dpi > 0; sizes of at least one pixel).
  ImageDevice(int widthPx, int heightPx, double dpi);

  int nHorzRes() const override { return width_; }
  int nVertRes() const override { return height_; }
  double nHorzSize() const override { return width_ * 25.4 / dpi_; }
  double nVertSize() const override { return height_ * 25.4 / dpi_; }
  int nLogPixelsX() const override;
  int nLogPixelsY() const override;

  void FillRect(int top, int left, int bottom, int right, Rgb color) override;
  void Say(int row, int col, std::string_view text, const FontSpec& font, Rgb color) override;
  // Fills with white (the page) and outlines inside the rectangle.
  void Box(int top, int left, int bottom, int right, const PenSpec& pen) override;
  void SayText(double row, double col, std::string_view text, const TextFont& font, Rgb color, int align,
               double angle) override;
  double TextWidth(std::string_view text, const TextFont& font) const override;
  PixSize BitmapSize(std::string_view file) const override;
  void DrawBitmap(double row, double col, std::string_view file, int width, int height) override;
  void ClipTo(int top, int left, int bottom, int right) override;
  void NoClip() override;
  // Centimetres from the page's corner to pixels; the page has no
  // unprintable margin. Negative positions clamp to 0.
  void Cmtr2Pix(double& row, double& col) const override;
  RowCol Pix2Mmtr(double row, double col) const override { return {row * 25.4 / dpi_, col * 25.4 / dpi_}; }

  double dpi() const { return dpi_; }

  // Paints the white page and everything drawn on it, in device pixels.
  void paint(QPainter& p) const;
  // The page as a 32-bit RGB image at the device's resolution.
  QImage toImage() const;

  // Writes the page to `path`: ".svg" and ".pdf" as vector files of the
  // page's physical size, any other extension as a raster image of that
  // format. Returns false and sets `error` when the file cannot be written.
  bool save(const std::string& path, std::string* error = nullptr) const;

 private:
  int width_;
  int height_;
  double dpi_;
  std::vector<std::function<void(QPainter&)>> ops_;
};

}  // namespace bc
