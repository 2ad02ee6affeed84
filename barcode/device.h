// The drawing device: what barcode drawing (and label layout) draws on.
//
// Coordinates are device pixels of the printable area, row (y) first, as the
// drawing functions use them. A printer page, a recorded preview page and an
// image (raster, PDF or SVG) all implement this interface.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace bc {

// Colours are 24-bit RGB packed as red + green * 256 + blue * 65536.
using Rgb = uint32_t;
constexpr Rgb rgb(int r, int g, int b) { return Rgb(r) | (Rgb(g) << 8) | (Rgb(b) << 16); }
constexpr int red(Rgb c) { return int(c & 0xFF); }
constexpr int green(Rgb c) { return int((c >> 8) & 0xFF); }
constexpr int blue(Rgb c) { return int((c >> 16) & 0xFF); }

// A font as the device creates it: a cell height in device pixels, an
// average character width in pixels (0: the face's own), an escapement in
// tenths of a degree counter-clockwise, and the usual attributes.
struct FontSpec {
  std::string face = "arial";
  double heightPx = 0;  // 0: the font system's default height
  double widthPx = 0;
  int escapement = 0;
  bool bold = false;
  bool italic = false;
  bool underline = false;
  bool strikeOut = false;
};

// A pen for outlines: colour and width in pixels.
struct PenSpec {
  Rgb color = 0;
  int width = 1;
};

class DrawDevice {
 public:
  virtual ~DrawDevice() = default;

  // Printable size in pixels and in millimetres, and the logical pixels per
  // inch of each axis.
  virtual int nHorzRes() const = 0;
  virtual int nVertRes() const = 0;
  virtual double nHorzSize() const = 0;
  virtual double nVertSize() const = 0;
  virtual int nLogPixelsX() const = 0;
  virtual int nLogPixelsY() const = 0;

  // Fills the rectangle [left, right) x [top, bottom) with a solid colour.
  // A device without a drawing surface draws nothing.
  virtual void FillRect(int top, int left, int bottom, int right, Rgb color) = 0;

  // Draws a UTF-8 text with its upper-left corner at (row, col), left-aligned,
  // transparent background. With an escapement the text turns about that
  // corner.
  virtual void Say(int row, int col, std::string_view text, const FontSpec& font, Rgb color) = 0;

  // Outlines the rectangle with the pen and fills it with the device's
  // current fill (white paper on a page).
  virtual void Box(int top, int left, int bottom, int right, const PenSpec& pen) = 0;

  // Converts a position in centimetres from the paper's top-left corner to
  // pixels of the printable area, in place.
  virtual void Cmtr2Pix(double& row, double& col) const = 0;
};

}  // namespace bc
