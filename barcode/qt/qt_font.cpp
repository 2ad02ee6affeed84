#include "barcode/qt/qt_font.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QHash>
#include <QPainterPath>
#include <QTransform>
#include <algorithm>
#include <array>
#include <cmath>
#include <string>

#include "xbase/text.h"

namespace bc {

namespace {

struct Alias {
  std::string_view face;
  const char* family;
};

// Windows faces and the free faces with the same metrics.
constexpr std::array<Alias, 14> kAliases{{
    {"arial", "Liberation Sans"},
    {"helvetica", "Liberation Sans"},
    {"ms sans serif", "Liberation Sans"},
    {"microsoft sans serif", "Liberation Sans"},
    {"ms shell dlg", "Liberation Sans"},
    {"tahoma", "Liberation Sans"},
    {"arial narrow", "Liberation Sans Narrow"},
    {"times new roman", "Liberation Serif"},
    {"times", "Liberation Serif"},
    {"ms serif", "Liberation Serif"},
    {"courier new", "Liberation Mono"},
    {"courier", "Liberation Mono"},
    {"lucida console", "Liberation Mono"},
    {"fixedsys", "Liberation Mono"},
}};

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return out;
}

// Reference pixel size at which the face's proportions are measured.
constexpr int kRefPx = 2048;

}  // namespace

QString ResolveFace(std::string_view name) {
  std::string face(xb::trim(name));
  if (face.empty()) face = "arial";
  const std::string low = Lower(face);
  for (const auto& a : kAliases)
    if (a.face == low) return QString::fromLatin1(a.family);
  return QString::fromStdString(face);
}

double AverageCharWidth(const QFont& font) {
  // Letter frequencies per thousand, as the font tables of Windows faces
  // weigh them.
  static constexpr std::array<int, 26> kWeights{64, 14, 27, 35, 100, 20, 14, 42, 63, 3, 6,  35, 20,
                                                56, 56, 17, 4,  49, 56,  71, 31, 10, 18, 3, 18, 2};
  const QFontMetricsF fm(font);
  double sum = 166 * fm.horizontalAdvance(QChar(' '));
  for (int i = 0; i < 26; ++i) sum += kWeights[size_t(i)] * fm.horizontalAdvance(QChar('a' + i));
  return sum / 1000.0;
}

ScaledFont MakeFont(const FontSpec& spec, double dpi) {
  QFont f(ResolveFace(spec.face));
  f.setBold(spec.bold);
  f.setItalic(spec.italic);
  f.setUnderline(spec.underline);
  f.setStrikeOut(spec.strikeOut);
  f.setHintingPreference(QFont::PreferNoHinting);
  f.setKerning(false);

  double cell = std::abs(spec.heightPx);
  if (cell <= 0) cell = 12.0 * (dpi > 0 ? dpi : 96.0) / 72.0;

  f.setPixelSize(kRefPx);
  const QFontMetricsF ref(f);
  const double perPx = (ref.ascent() + ref.descent()) / kRefPx;
  const int px = std::max(1, int(std::lround(cell / (perPx > 0 ? perPx : 1.0))));
  f.setPixelSize(px);

  ScaledFont out;
  out.font = f;
  const QFontMetricsF fm(f);
  const double cellAt = fm.ascent() + fm.descent();
  out.sy = cellAt > 0 ? cell / cellAt : 1.0;
  const double avg = AverageCharWidth(f);
  out.sx = (spec.widthPx > 0 && avg > 0) ? spec.widthPx / avg : out.sy;
  out.ascent = fm.ascent();
  return out;
}

QColor ToQColor(Rgb c) { return QColor(red(c), green(c), blue(c)); }

QFont MakeTextFont(const TextFont& spec, double dpi) {
  QFont f(QString::fromStdString(spec.face));
  if (spec.pixelSize > 0) {
    f.setPixelSize(int(spec.pixelSize));
  } else if (dpi > 0) {
    f.setPixelSize(std::max(1, int(std::lround(f.pointSizeF() * dpi / 72.0))));
  }
  f.setBold(spec.bold);
  f.setItalic(spec.italic);
  f.setUnderline(spec.underline);
  f.setStrikeOut(spec.strikeOut);
  // The face's own metrics, not those hinted to one device's pixels: a page
  // measured on the printer and played on another device lays its texts
  // out alike.
  f.setHintingPreference(QFont::PreferNoHinting);
  return f;
}

namespace {

// The glyphs' outlines of a text from the start of its base line: exact,
// where the font system's bounding boxes are rounded to whole pixels. A
// sheet draws and measures the same texts over and over: the rectangles
// are kept (a few thousand, then the store starts again).
QRectF GlyphInk(const QFont& font, const QString& text) {
  static QHash<QString, QRectF> known;
  const QString key = font.key() + QChar(0x1F) + text;
  if (const auto it = known.constFind(key); it != known.cend()) return *it;
  QPainterPath path;
  path.addText(0, 0, font, text);
  if (known.size() >= 4096) known.clear();
  return known.insert(key, path.boundingRect()).value();
}

// How far a text moves back along its base line for its alignment: none
// when left-aligned, to the right end or the middle of its ink otherwise.
double AlignShift(const QFontMetricsF& fm, const QFont& font, const QString& text, int align) {
  if (align != kTextRight && align != kTextCenter) return 0;
  const QRectF ink = GlyphInk(font, text);
  if (ink.isEmpty()) return align == kTextRight ? fm.horizontalAdvance(text) : fm.horizontalAdvance(text) / 2;
  return align == kTextRight ? ink.right() : (ink.left() + ink.right()) / 2;
}

// Where PaintText puts the start of a text's base line, in the frame turned
// about (row, col): the page itself when the text is not turned.
QPointF TextOrigin(const QFontMetricsF& fm, const QFont& font, double row, double col, const QString& text,
                   int align, double angle) {
  const double shift = AlignShift(fm, font, text, align);
  if (angle == 0) return QPointF(align == kTextLeft ? col : std::max(0.0, col - shift), row + fm.ascent());
  return QPointF(-shift, fm.ascent());
}

QTransform TextTurn(double row, double col, double angle) {
  QTransform t;
  if (angle != 0) t.translate(col, row).rotate(-angle / 10.0);
  return t;
}

}  // namespace

QRectF TextInkRect(const QFontMetricsF& fm, const QFont& font, double row, double col, const QString& text,
                   int align, double angle) {
  QRectF ink = GlyphInk(font, text);
  const double advance = fm.horizontalAdvance(text);
  if (font.underline()) ink = ink.united(QRectF(0, fm.underlinePos(), advance, fm.lineWidth()));
  if (font.strikeOut()) ink = ink.united(QRectF(0, -fm.strikeOutPos(), advance, fm.lineWidth()));
  if (ink.isEmpty()) return {};
  return TextTurn(row, col, angle).mapRect(ink.translated(TextOrigin(fm, font, row, col, text, align, angle)));
}

void PaintText(QPainter& p, const QFontMetricsF& fm, double row, double col, const QString& text,
               const QFont& font, const QColor& color, int align, double angle) {
  p.save();
  p.setFont(font);
  p.setPen(color);
  p.setTransform(TextTurn(row, col, angle), true);
  p.drawText(TextOrigin(fm, font, row, col, text, align, angle), text);
  p.restore();
}

QString DigitsFace(std::string_view face) {
  static const bool ocrB = QFontDatabase::hasFamily(QStringLiteral("OCR B"));
  return ocrB ? QStringLiteral("OCR B") : ResolveFace(face);
}

namespace {

// A digits face at the reference size, with the ink of the digits 0 to 9
// and the advance of each character drawn, measured once per face.
struct DigitsFont {
  QRectF ink;
  QHash<QChar, double> advances;
};
QFont digitsQFont(const QString& family) {
  QFont f(family);
  f.setHintingPreference(QFont::PreferNoHinting);
  f.setKerning(false);
  f.setPixelSize(kRefPx);
  return f;
}
DigitsFont& digitsMeasures(const QFont& f) {
  static QHash<QString, DigitsFont> faces;
  auto it = faces.find(f.family());
  if (it == faces.end()) it = faces.insert(f.family(), {QFontMetricsF(f).tightBoundingRect(QStringLiteral("0123456789")), {}});
  return *it;
}
double digitsAdvance(const QFont& f, DigitsFont& d, QChar c) {
  auto it = d.advances.find(c);
  if (it == d.advances.end()) it = d.advances.insert(c, QFontMetricsF(f).horizontalAdvance(c));
  return *it;
}

// The digits of a symbol: the font at the reference size scaled so that the
// ink of the digits 0 to 9 spans the digit height, every character centred
// in its cell.
void PaintDigits(QPainter& p, double row, double col, const QString& text, const FontSpec& spec, Rgb color) {
  const QFont f = digitsQFont(DigitsFace(spec.face));
  DigitsFont& digits = digitsMeasures(f);
  const QRectF ink = digits.ink;
  if (ink.height() <= 0) return;
  const double scale = spec.digitHeightPx / ink.height();
  p.save();
  p.setRenderHint(QPainter::TextAntialiasing, true);
  p.translate(col, row);
  if (spec.escapement != 0) p.rotate(-spec.escapement / 10.0);
  p.scale(scale, scale);
  p.setFont(f);
  p.setPen(ToQColor(color));
  p.setBackgroundMode(Qt::TransparentMode);
  const double pitch = spec.pitchPx / scale;
  const double baseline = spec.digitTopPx / scale - ink.top();
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] == QChar(' ')) continue;
    const double advance = digitsAdvance(f, digits, text[i]);
    p.drawText(QPointF(double(i) * pitch + (pitch - advance) / 2, baseline), QString(text[i]));
  }
  p.restore();
}

}  // namespace

void PaintSay(QPainter& p, double row, double col, std::string_view text, const FontSpec& spec, Rgb color,
              double dpi) {
  if (text.empty()) return;
  if (spec.digitHeightPx > 0) {
    PaintDigits(p, row, col, QString::fromUtf8(text.data(), qsizetype(text.size())), spec, color);
    return;
  }
  const ScaledFont sf = MakeFont(spec, dpi);
  p.save();
  p.setRenderHint(QPainter::TextAntialiasing, true);
  p.translate(col, row);
  if (spec.escapement != 0) p.rotate(-spec.escapement / 10.0);
  p.scale(sf.sx, sf.sy);
  p.setFont(sf.font);
  p.setPen(ToQColor(color));
  p.setBackgroundMode(Qt::TransparentMode);
  p.drawText(QPointF(0, sf.ascent), QString::fromUtf8(text.data(), qsizetype(text.size())));
  p.restore();
}

}  // namespace bc
