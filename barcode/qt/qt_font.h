// Fonts of the drawing device on Qt: the face names that labels and
// barcodes use resolve to metric-compatible free faces (Arial to Liberation
// Sans, Times New Roman to Liberation Serif, Courier New to Liberation Mono,
// ...), a FontSpec's cell height, average character width and escapement
// are met exactly through the painter's transform, and the digits of a
// symbol are drawn in OCR-B where installed, sized by their ink.
#pragma once

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QRectF>
#include <QString>
#include <string_view>

#include "barcode/device.h"

namespace bc {

// The family a face name is drawn with: the free substitute of a known
// Windows face (case does not matter), else the name itself for the font
// system to match.
QString ResolveFace(std::string_view face);

// A Qt font for the font request and the scale factors that bring its cell height
// (ascent + descent) to spec.heightPx and its average character width to
// spec.widthPx, with the ascent of the unscaled font. A spec height of 0
// takes 12 points at `dpi`.
struct ScaledFont {
  QFont font;
  double sx = 1;
  double sy = 1;
  double ascent = 0;
};
ScaledFont MakeFont(const FontSpec& spec, double dpi);

// The average character width the font system reports for Windows faces:
// the weighted average of the lower-case letters and the blank.
double AverageCharWidth(const QFont& font);

// The family the digits of a symbol are drawn with: OCR B where the font
// system has it, else the family of `face`.
QString DigitsFace(std::string_view face);

// Draws text with its corner at (row, col), turned counter-clockwise by
// the requested escapement about that corner, in `color`, transparent
// background: a cell font with the cell's upper-left corner there, a digits
// font as FontSpec places its digits. `dpi` is the target's pixels per inch.
void PaintSay(QPainter& p, double row, double col, std::string_view text, const FontSpec& spec, Rgb color,
              double dpi);

// The Qt font of a text font on a target of `dpi` pixels per inch: the face
// as named, the em height in pixels, or without one the face's default
// point size at that resolution.
QFont MakeTextFont(const TextFont& spec, double dpi);

// Draws text in `font` with the top of its cell at (row, col), along a base
// line turned `angle` tenths of a degree counter-clockwise about that point,
// aligned by a TextAlign code along that line: left-aligned text starts
// there, right-aligned text has the right end of its ink there, centred
// text the middle of its ink; `fm` measures the font on the target. A text
// that is not turned never starts left of column 0 when it is right-aligned
// or centred.
void PaintText(QPainter& p, const QFontMetricsF& fm, double row, double col, const QString& text,
               const QFont& font, const QColor& color, int align, double angle);
// The page rectangle of the ink that PaintText draws (underline and
// strike-out lines included); empty for a text without ink.
QRectF TextInkRect(const QFontMetricsF& fm, const QFont& font, double row, double col, const QString& text,
                   int align, double angle);

// The Qt colour of a packed RGB value.
QColor ToQColor(Rgb c);

}  // namespace bc
