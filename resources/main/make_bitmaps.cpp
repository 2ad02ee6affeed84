// Draws the program's own bitmaps into a folder at build time: the centre
// logo of the main window (Quorva.bmp), the background tile (Fondo01.bmp),
// the bitmap of the "Manejo de Códigos" button (Barras1.png), the
// program's icon (Quorvlnt.png), and the label generator's pictures: a sheet
// of labels with the measures of a label format (LABELSIZ.png) and a new
// label (NEWLABEL.png). The bars are real EAN-13 symbols made by
// the program's own encoder.
//
// Usage: qvresgen <output folder>
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cmath>
#include <cstdio>
#include <string>
#include <utility>

#include "barcode/ean_upc.h"

namespace {

// The background tile's colour; the logo's corners take it too, as a
// bitmap has no transparency.
const QColor kTileColour(226, 232, 248);

// Draws the dark modules of `modules` in the rectangle (x, y, w, h).
void drawBars(QPainter& p, const std::string& modules, qreal x, qreal y, qreal w, qreal h, const QColor& c) {
  const qreal m = w / qreal(modules.size());
  for (size_t i = 0; i < modules.size(); ++i)
    if (modules[i] == '1') p.fillRect(QRectF(x + qreal(i) * m, y, m, h), c);
}

QImage logo() {
  QImage img(420, 180, QImage::Format_RGB32);
  img.fill(kTileColour);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient g(0, 0, 0, 180);
  g.setColorAt(0, QColor(235, 238, 255));
  g.setColorAt(1, QColor(200, 205, 245));
  QPainterPath frame;
  frame.addRoundedRect(QRectF(3, 3, 414, 174), 18, 18);
  p.fillPath(frame, g);
  p.setPen(QPen(QColor(0, 0, 128), 3));
  p.drawPath(frame);
  const std::string body = "842000000001";
  const std::string code = body + bc::EAN13_CHECK(body);
  drawBars(p, bc::enc::EAN13(body), 24, 24, 190, 110, QColor(0, 0, 0));
  QFont f(QStringLiteral("DejaVu Sans"));
  f.setPixelSize(30);
  f.setBold(true);
  p.setFont(f);
  p.setPen(QColor(0, 0, 128));
  p.drawText(QRectF(218, 30, 196, 60), Qt::AlignCenter, QStringLiteral("Quorvalent"));
  f.setPixelSize(17);
  f.setBold(false);
  p.setFont(f);
  p.setPen(QColor(40, 40, 90));
  p.drawText(QRectF(220, 86, 190, 50), Qt::AlignCenter | Qt::TextWordWrap,
             QStringLiteral("Códigos de barras y etiquetas"));
  f.setPixelSize(16);
  p.setFont(f);
  p.setPen(QColor(0, 0, 0));
  const QString digits = QString::fromStdString(code.substr(0, 1) + " " + code.substr(1, 6) + " " + code.substr(7));
  p.drawText(QRectF(24, 136, 190, 26), Qt::AlignCenter, digits);
  return img;
}

QImage tile() {
  QImage img(64, 64, QImage::Format_RGB32);
  img.fill(kTileColour);
  QPainter p(&img);
  p.setPen(QColor(212, 220, 242));
  for (int i = 0; i < 64; i += 8) {
    p.drawLine(i, 0, i, 63);
    p.drawLine(0, i, 63, i);
  }
  p.fillRect(QRect(28, 28, 8, 8), QColor(218, 225, 246));
  return img;
}

QImage barsIcon(int size, bool framed) {
  QImage img(size, size, QImage::Format_ARGB32);
  img.fill(Qt::transparent);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  const qreal s = size;
  if (framed) {
    QPainterPath frame;
    frame.addRoundedRect(QRectF(1, 1, s - 2, s - 2), s / 6, s / 6);
    p.fillPath(frame, QColor(135, 135, 245));
    p.fillRect(QRectF(s * 0.14, s * 0.18, s * 0.72, s * 0.64), Qt::white);
  } else {
    p.fillRect(QRectF(s * 0.06, s * 0.12, s * 0.88, s * 0.76), Qt::white);
    p.setPen(QPen(QColor(0, 0, 128), 1));
    p.drawRect(QRectF(s * 0.06, s * 0.12, s * 0.88, s * 0.76));
  }
  const std::string modules = bc::enc::UPC("1234567", 7);
  drawBars(p, modules, s * 0.18, s * 0.24, s * 0.64, s * 0.52, Qt::black);
  return img;
}

// An arrow from a to b with heads at both ends.
void measureArrow(QPainter& p, QPointF a, QPointF b) {
  p.drawLine(a, b);
  const QPointF d = (b - a) / std::hypot(b.x() - a.x(), b.y() - a.y()) * 5.0;
  const QPointF n(-d.y(), d.x());
  for (const auto& [tip, dir] : {std::pair{a, d}, std::pair{b, -d}}) {
    p.drawLine(tip, tip + dir + n * 0.6);
    p.drawLine(tip, tip + dir - n * 0.6);
  }
}

// A corner of a sheet of labels: margins, label width and height and the
// gaps between rows and columns, each with its measuring arrow.
QImage labelSizes() {
  QImage img(220, 170, QImage::Format_RGB32);
  img.fill(Qt::white);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(120, 120, 120), 1));
  p.drawLine(10, 10, 219, 10);
  p.drawLine(10, 10, 10, 169);
  const qreal left = 46, top = 46, w = 64, h = 42, gapX = 26, gapY = 22;
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) {
      const QRectF label(left + c * (w + gapX), top + r * (h + gapY), w, h);
      QPainterPath path;
      path.addRoundedRect(label, 6, 6);
      p.fillPath(path, r == 0 && c == 0 ? QColor(215, 255, 215) : QColor(235, 235, 235));
      p.setPen(QPen(QColor(0, 0, 128), 1));
      p.drawPath(path);
    }
  p.setPen(QPen(QColor(200, 0, 0), 1));
  measureArrow(p, {10, 24}, {left, 24});                          // left margin
  measureArrow(p, {24, 10}, {24, top});                           // top margin
  measureArrow(p, {left, top + h / 3}, {left + w, top + h / 3});  // label width
  measureArrow(p, {left + w / 2, top}, {left + w / 2, top + h});  // label height
  measureArrow(p, {left + w, top + h / 2}, {left + w + gapX, top + h / 2});  // column gap
  measureArrow(p, {left + w / 2, top + h}, {left + w / 2, top + h + gapY});  // row gap
  return img;
}

// A new label: a label with bars and a plus sign.
QImage newLabel() {
  QImage img(48, 48, QImage::Format_ARGB32);
  img.fill(Qt::transparent);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  QPainterPath path;
  path.addRoundedRect(QRectF(2, 8, 38, 30), 5, 5);
  p.fillPath(path, Qt::white);
  p.setPen(QPen(QColor(0, 0, 128), 2));
  p.drawPath(path);
  drawBars(p, bc::enc::UPC("1234567", 7), 7, 13, 28, 18, Qt::black);
  p.setBrush(QColor(0, 150, 0));
  p.setPen(Qt::NoPen);
  p.drawEllipse(QRectF(28, 26, 19, 19));
  p.fillRect(QRectF(31.5, 34, 12, 3), Qt::white);
  p.fillRect(QRectF(36, 29.5, 3, 12), Qt::white);
  return img;
}

bool save(const QImage& img, const QDir& dir, const char* name, const char* format) {
  const QString path = dir.filePath(QString::fromLatin1(name));
  if (img.save(path, format)) return true;
  std::fprintf(stderr, "qvresgen: cannot write %s\n", qPrintable(path));
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: qvresgen <output folder>\n");
    return 2;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const QDir dir(QString::fromLocal8Bit(argv[1]));
  if (!QDir().mkpath(dir.path())) {
    std::fprintf(stderr, "qvresgen: cannot create %s\n", argv[1]);
    return 1;
  }
  const bool ok = save(logo(), dir, "Quorva.bmp", "BMP") && save(tile(), dir, "Fondo01.bmp", "BMP") &&
                  save(barsIcon(48, false), dir, "Barras1.png", "PNG") &&
                  save(barsIcon(64, true), dir, "Quorvlnt.png", "PNG") &&
                  save(labelSizes(), dir, "LABELSIZ.png", "PNG") && save(newLabel(), dir, "NEWLABEL.png", "PNG");
  return ok ? 0 : 1;
}
