#include "barcode/device.h"

#include <cmath>
#include <numbers>

namespace bc {

PixRect TurnedRect(double row, double col, double width, double top, double bottom, int escapement) {
  // Counter-clockwise on the page, whose rows grow downwards.
  const double a = escapement / 10.0 * std::numbers::pi / 180.0;
  const double c = std::cos(a), s = std::sin(a);
  const auto corner = [&](double x, double y) {
    const double px = col + x * c + y * s, py = row - x * s + y * c;
    return PixRect{py, px, py, px};
  };
  PixRect out = corner(0, top);
  for (const PixRect& p : {corner(width, top), corner(0, bottom), corner(width, bottom)}) {
    out.top = std::min(out.top, p.top);
    out.left = std::min(out.left, p.left);
    out.bottom = std::max(out.bottom, p.bottom);
    out.right = std::max(out.right, p.right);
  }
  return out;
}

PixRect DigitsRect(double row, double col, size_t characters, const FontSpec& font) {
  return TurnedRect(row, col, double(characters) * font.pitchPx, font.digitTopPx,
                    font.digitTopPx + font.digitHeightPx, font.escapement);
}

}  // namespace bc
