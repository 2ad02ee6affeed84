#include "barcode/qt/image_device.h"

#include <QFileInfo>
#include <QImageWriter>
#include <QPageSize>
#include <QPdfWriter>
#include <QSvgGenerator>
#include <algorithm>
#include <cmath>

#include "barcode/qt/qt_font.h"

namespace bc {

namespace {

QRect Rect(int top, int left, int bottom, int right) { return QRect(left, top, right - left, bottom - top); }

QString Text(std::string_view s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

}  // namespace

ImageDevice::ImageDevice(int widthPx, int heightPx, double dpi)
    : width_(std::max(1, widthPx)), height_(std::max(1, heightPx)), dpi_(dpi > 0 ? dpi : 96.0) {}

int ImageDevice::nLogPixelsX() const { return int(std::lround(dpi_)); }
int ImageDevice::nLogPixelsY() const { return int(std::lround(dpi_)); }

void ImageDevice::FillRect(int top, int left, int bottom, int right, Rgb color) {
  if (right <= left || bottom <= top) return;
  ops_.push_back([r = Rect(top, left, bottom, right), c = ToQColor(color)](QPainter& p) { p.fillRect(r, c); });
}

void ImageDevice::Say(int row, int col, std::string_view text, const FontSpec& font, Rgb color) {
  ops_.push_back([row, col, t = std::string(text), font, color, dpi = dpi_](QPainter& p) {
    PaintSay(p, row, col, t, font, color, dpi);
  });
}

void ImageDevice::Box(int top, int left, int bottom, int right, const PenSpec& pen) {
  if (right <= left || bottom <= top) return;
  ops_.push_back([top, left, bottom, right, pen](QPainter& p) {
    p.fillRect(Rect(top, left, bottom, right), Qt::white);
    const int pw = std::max(1, pen.width);
    const QColor c = ToQColor(pen.color);
    p.fillRect(Rect(top, left, std::min(bottom, top + pw), right), c);
    p.fillRect(Rect(std::max(top, bottom - pw), left, bottom, right), c);
    p.fillRect(Rect(top, left, bottom, std::min(right, left + pw)), c);
    p.fillRect(Rect(top, std::max(left, right - pw), bottom, right), c);
  });
}

void ImageDevice::SayText(double row, double col, std::string_view text, const TextFont& font, Rgb color, int align,
                          double angle) {
  ops_.push_back([=, t = Text(text), f = MakeTextFont(font, dpi_)](QPainter& p) {
    PaintText(p, QFontMetricsF(f), row, col, t, f, ToQColor(color), align, angle);
  });
}

double ImageDevice::TextWidth(std::string_view text, const TextFont& font) const {
  return QFontMetricsF(MakeTextFont(font, dpi_)).horizontalAdvance(Text(text));
}

PixSize ImageDevice::BitmapSize(std::string_view file) const {
  const QImage image(Text(file));
  return {image.width(), image.height()};
}

void ImageDevice::DrawBitmap(double row, double col, std::string_view file, int width, int height) {
  const QImage image(Text(file));
  if (image.isNull() || width <= 0 || height <= 0) return;
  ops_.push_back([=](QPainter& p) { p.drawImage(QRectF(col, row, width, height), image); });
}

void ImageDevice::ClipTo(int top, int left, int bottom, int right) {
  ops_.push_back([r = Rect(top, left, bottom, right)](QPainter& p) { p.setClipRect(r); });
}

void ImageDevice::NoClip() {
  ops_.push_back([](QPainter& p) { p.setClipping(false); });
}

void ImageDevice::Cmtr2Pix(double& row, double& col) const {
  row = std::max(0.0, row * 10.0 * nVertRes() / nVertSize());
  col = std::max(0.0, col * 10.0 * nHorzRes() / nHorzSize());
}

void ImageDevice::paint(QPainter& p) const {
  p.fillRect(QRect(0, 0, width_, height_), Qt::white);
  for (const auto& op : ops_) op(p);
}

QImage ImageDevice::toImage() const {
  QImage img(width_, height_, QImage::Format_RGB32);
  const int dpm = int(std::lround(dpi_ / 0.0254));
  img.setDotsPerMeterX(dpm);
  img.setDotsPerMeterY(dpm);
  QPainter p(&img);
  paint(p);
  p.end();
  return img;
}

bool ImageDevice::save(const std::string& path, std::string* error) const {
  const QString file = QString::fromStdString(path);
  const QString ext = QFileInfo(file).suffix().toLower();
  auto fail = [&](const std::string& why) {
    if (error) *error = why;
    return false;
  };
  if (ext == "svg") {
    QSvgGenerator gen;
    gen.setFileName(file);
    gen.setSize(QSize(width_, height_));
    gen.setViewBox(QRect(0, 0, width_, height_));
    gen.setResolution(int(std::lround(dpi_)));
    gen.setTitle(QFileInfo(file).completeBaseName());
    QPainter p;
    if (!p.begin(&gen)) return fail("cannot write " + path);
    paint(p);
    p.end();
    if (!QFileInfo::exists(file)) return fail("cannot write " + path);
    return true;
  }
  if (ext == "pdf") {
    QPdfWriter writer(file);
    writer.setResolution(int(std::lround(dpi_)));
    writer.setPageSize(QPageSize(QSizeF(nHorzSize(), nVertSize()), QPageSize::Millimeter, QString(),
                                 QPageSize::ExactMatch));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setCreator(QStringLiteral("Quorvalent"));
    QPainter p;
    if (!p.begin(&writer)) return fail("cannot write " + path);
    // The PDF's pixel grid may be a little off the page when the page size
    // is rounded to points; scale so the page is exactly covered.
    const double sx = double(writer.width()) / width_;
    const double sy = double(writer.height()) / height_;
    p.scale(sx, sy);
    paint(p);
    if (!p.end()) return fail("cannot write " + path);
    return true;
  }
  QImageWriter writer(file);
  if (!ext.isEmpty()) writer.setFormat(ext.toLatin1());
  if (!writer.write(toImage())) return fail("cannot write " + path + ": " + writer.errorString().toStdString());
  return true;
}

}  // namespace bc
