#include "barcode/qt/qt_font.h"

#include <QFontMetricsF>
#include <algorithm>
#include <array>
#include <cmath>
#include <string>

#include "data/blanks.h"

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
  std::string face = qv::trimmed(name);
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
  return f;
}

void PaintText(QPainter& p, const QFontMetricsF& fm, double row, double col, const QString& text,
               const QFont& font, const QColor& color, int align, double angle) {
  const double width = fm.horizontalAdvance(text);
  const double shift = align == kTextRight ? width : align == kTextCenter ? width / 2 : 0.0;
  p.save();
  p.setFont(font);
  p.setPen(color);
  if (angle == 0) {
    if (align == kTextRight || align == kTextCenter) col = std::max(0.0, col - shift);
    p.drawText(QPointF(col, row + fm.ascent()), text);
  } else {
    p.translate(col, row);
    p.rotate(-angle / 10.0);
    p.drawText(QPointF(-shift, fm.ascent()), text);
  }
  p.restore();
}

void PaintSay(QPainter& p, double row, double col, std::string_view text, const FontSpec& spec, Rgb color,
              double dpi) {
  if (text.empty()) return;
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
