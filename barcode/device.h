// The drawing device: what barcode drawing and label layout draw on.
//
// Coordinates are device pixels of the printable area, row (y) first, as the
// drawing functions use them. A printer page, a recorded preview page and an
// image (raster, PDF or SVG) all implement this interface, so a whole sheet
// of labels can be drawn on any of them.
#pragma once

#include <algorithm>
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

// A font as the device creates it, in one of two kinds:
// - a cell height in device pixels and an average character width in pixels
//   (0: the face's own);
// - the human-readable digits of a symbol, when digitHeightPx is above 0:
//   the ink of the digits is digitHeightPx high with its top digitTopPx
//   below the text's corner, and every character (a blank too) stands
//   centred in a cell pitchPx wide, the first cell starting at the corner.
//   The face is OCR-B where it is installed, else `face`, in its own
//   proportions; the cell height and width are not used.
// Both kinds turn by the escapement, in tenths of a degree counter-clockwise
// about the corner.
struct FontSpec {
  std::string face = "arial";
  double heightPx = 0;  // 0: the font system's default height
  double widthPx = 0;
  int escapement = 0;
  bool bold = false;
  bool italic = false;
  bool underline = false;
  bool strikeOut = false;
  double digitHeightPx = 0;
  double digitTopPx = 0;
  double pitchPx = 0;
};

// A rectangle of device pixels, [left, right) x [top, bottom); empty when
// it has no area.
struct PixRect {
  double top = 0;
  double left = 0;
  double bottom = 0;
  double right = 0;
  bool empty() const { return !(right > left && bottom > top); }
  // The smallest rectangle holding both (an empty one adds nothing).
  PixRect united(const PixRect& o) const {
    if (o.empty()) return *this;
    if (empty()) return o;
    return {std::min(top, o.top), std::min(left, o.left), std::max(bottom, o.bottom), std::max(right, o.right)};
  }
};

// The page rectangle holding a text's box from `top` to `bottom` below its
// base direction and `width` along it, the text's corner at (row, col),
// turned `escapement` tenths of a degree counter-clockwise about it.
PixRect TurnedRect(double row, double col, double width, double top, double bottom, int escapement);

// Where the digits of a text in a digits font (FontSpec with a digit
// height) stand when its corner is at (row, col): the cells of its
// characters across, the digits' ink height down, turned with the
// escapement; the ink lies inside.
PixRect DigitsRect(double row, double col, size_t characters, const FontSpec& font);

// A pen for outlines: colour and width in pixels.
struct PenSpec {
  Rgb color = 0;
  int width = 1;
};

// A text font as a label's text item names it: a face, an em height in
// device pixels (0: the face's default point size on the device) and the
// usual attributes.
struct TextFont {
  std::string face = "Arial";
  double pixelSize = 0;
  bool bold = false;
  bool italic = false;
  bool underline = false;
  bool strikeOut = false;
};

// Where a text stands about its reference column: starting there, ending
// there, or centred on it.
enum TextAlign : int { kTextLeft = 0, kTextRight = 1, kTextCenter = 2 };

// A position or a size, row first.
struct RowCol {
  double row = 0;
  double col = 0;
};

// A bitmap's size in pixels.
struct PixSize {
  int width = 0;
  int height = 0;
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
  // transparent background (a digits font places its digits from that
  // corner as FontSpec says). With an escapement the text turns about that
  // corner.
  virtual void Say(int row, int col, std::string_view text, const FontSpec& font, Rgb color) = 0;

  // Outlines the rectangle with the pen and fills it with the device's
  // current fill (white paper on a page).
  virtual void Box(int top, int left, int bottom, int right, const PenSpec& pen) = 0;

  // Draws a UTF-8 text in a text font with the top of its cell at (row,
  // col), transparent background, along a base line turned `angle` tenths
  // of a degree counter-clockwise about that point. Right-aligned text ends
  // at the point and centred text has its middle there, measured along the
  // base line; a text that is not turned never starts left of column 0.
  virtual void SayText(double row, double col, std::string_view text, const TextFont& font, Rgb color,
                       int align, double angle) = 0;
  // The width in pixels of a UTF-8 text in the font (0 where nothing can be
  // drawn).
  virtual double TextWidth(std::string_view text, const TextFont& font) const = 0;

  // The size of a bitmap file (0 x 0 when it cannot be read).
  virtual PixSize BitmapSize(std::string_view file) const = 0;
  // Draws a bitmap file scaled to width x height pixels with its upper-left
  // corner at (row, col); nothing when it cannot be read.
  virtual void DrawBitmap(double row, double col, std::string_view file, int width, int height) = 0;

  // From now on nothing is drawn outside the rectangle [left, right) x [top,
  // bottom), until the next ClipTo or NoClip.
  virtual void ClipTo(int top, int left, int bottom, int right) = 0;
  // Drawing reaches the whole page again.
  virtual void NoClip() = 0;

  // Converts a position in centimetres from the paper's top-left corner to
  // pixels of the printable area, in place.
  virtual void Cmtr2Pix(double& row, double& col) const = 0;

  // Pixels to millimetres: rows by the vertical pixels per inch, columns by
  // the horizontal ones; a device without a resolution gives (0, 0).
  virtual RowCol Pix2Mmtr(double row, double col) const = 0;
};

}  // namespace bc
