// A drawing device for tests: records every call and keeps a grid of the
// pixels that FillRect and Box touch, so tests can check positions and
// pixels without a window system.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "barcode/device.h"

namespace bc::test {

class RecordingDevice : public DrawDevice {
 public:
  struct Fill {
    int top, left, bottom, right;
    Rgb color;
  };
  struct Text {
    int row, col;
    std::string text;
    FontSpec font;
    Rgb color;
  };
  struct Frame {
    int top, left, bottom, right;
    PenSpec pen;
  };

  // A printable area of resX x resY pixels and sizeX x sizeY millimetres,
  // logical pixels per inch `dpi`; the pixel grid covers the whole area.
  RecordingDevice(int resX, int resY, double sizeX, double sizeY, int dpi = 600)
      : resX_(resX), resY_(resY), sizeX_(sizeX), sizeY_(sizeY), dpi_(dpi), grid_(size_t(resX) * size_t(resY), kPaper) {}

  static constexpr Rgb kPaper = 0xFFFFFF;

  int nHorzRes() const override { return resX_; }
  int nVertRes() const override { return resY_; }
  double nHorzSize() const override { return sizeX_; }
  double nVertSize() const override { return sizeY_; }
  int nLogPixelsX() const override { return dpi_; }
  int nLogPixelsY() const override { return dpi_; }

  void FillRect(int top, int left, int bottom, int right, Rgb color) override {
    fills.push_back({top, left, bottom, right, color});
    paint(top, left, bottom, right, color);
  }
  void Say(int row, int col, std::string_view text, const FontSpec& font, Rgb color) override {
    texts.push_back({row, col, std::string(text), font, color});
  }
  void Box(int top, int left, int bottom, int right, const PenSpec& pen) override {
    boxes.push_back({top, left, bottom, right, pen});
    paint(top, left, bottom, right, kPaper);
  }
  // Barcode drawing writes no label texts and no bitmaps: these record
  // nothing.
  void SayText(double, double, std::string_view, const TextFont&, Rgb, int, double) override {}
  double TextWidth(std::string_view, const TextFont&) const override { return 0; }
  PixSize BitmapSize(std::string_view) const override { return {}; }
  void DrawBitmap(double, double, std::string_view, int, int) override {}
  void ClipTo(int, int, int, int) override {}
  void NoClip() override {}
  RowCol Pix2Mmtr(double row, double col) const override { return {row * 25.4 / dpi_, col * 25.4 / dpi_}; }
  void Cmtr2Pix(double& row, double& col) const override {
    row = row * 10 * resY_ / sizeY_;
    col = col * 10 * resX_ / sizeX_;
  }

  // The colour of a pixel (paper outside the grid).
  Rgb at(int x, int y) const {
    if (x < 0 || y < 0 || x >= resX_ || y >= resY_) return kPaper;
    return grid_[size_t(y) * size_t(resX_) + size_t(x)];
  }
  bool dark(int x, int y) const { return at(x, y) != kPaper; }

  std::vector<Fill> fills;
  std::vector<Text> texts;
  std::vector<Frame> boxes;

 private:
  void paint(int top, int left, int bottom, int right, Rgb color) {
    for (int y = std::max(0, top); y < std::min(bottom, resY_); ++y)
      for (int x = std::max(0, left); x < std::min(right, resX_); ++x) grid_[size_t(y) * size_t(resX_) + size_t(x)] = color;
  }

  int resX_, resY_;
  double sizeX_, sizeY_;
  int dpi_;
  std::vector<Rgb> grid_;
};

}  // namespace bc::test
