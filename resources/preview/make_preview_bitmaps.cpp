// Draws the preview's bitmaps into a folder at build time: the buttons of its
// bar (first, previous, next and last page, zoom and unzoom, two pages and
// one page, printer, PDF, exit), the magnifier cursor "Lupa" and the window
// icon "Print0", all 24 x 24 PNG files with a transparent background.
//
// Usage: qvprevgen <output folder>
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>
#include <functional>

namespace {

const QColor kInk(30, 40, 110);
const QColor kPaper(255, 255, 255);
const QColor kAccent(200, 30, 30);

QImage canvas() {
  QImage img(24, 24, QImage::Format_ARGB32);
  img.fill(Qt::transparent);
  return img;
}

// A triangle pointing left or right with its tip at x, optionally with a bar
// before the tip (first / last page).
void arrow(QPainter& p, bool right, bool bar) {
  QPainterPath t;
  if (right) {
    t.moveTo(7, 5);
    t.lineTo(16, 12);
    t.lineTo(7, 19);
  } else {
    t.moveTo(17, 5);
    t.lineTo(8, 12);
    t.lineTo(17, 19);
  }
  t.closeSubpath();
  p.fillPath(t, kInk);
  if (bar) p.fillRect(right ? QRectF(17, 5, 3, 14) : QRectF(4, 5, 3, 14), kInk);
}

void page(QPainter& p, const QRectF& r) {
  p.setPen(QPen(kInk, 1));
  p.setBrush(kPaper);
  p.drawRect(r);
  p.setPen(QPen(QColor(150, 150, 170), 1));
  for (qreal y = r.top() + 4; y < r.bottom() - 2; y += 3) p.drawLine(QPointF(r.left() + 2, y), QPointF(r.right() - 2, y));
}

void magnifier(QPainter& p, bool plus, bool minus) {
  p.setPen(QPen(kInk, 2));
  p.setBrush(QColor(220, 235, 255));
  p.drawEllipse(QRectF(3, 3, 12, 12));
  p.setPen(QPen(kInk, 3, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(14, 14), QPointF(20, 20));
  p.setPen(QPen(kInk, 2));
  if (plus || minus) p.drawLine(QPointF(6, 9), QPointF(12, 9));
  if (plus) p.drawLine(QPointF(9, 6), QPointF(9, 12));
}

void printer(QPainter& p) {
  page(p, QRectF(7, 2, 10, 8));
  p.setPen(QPen(kInk, 1));
  p.setBrush(QColor(190, 195, 210));
  p.drawRoundedRect(QRectF(2, 9, 20, 9), 2, 2);
  p.setBrush(kPaper);
  p.drawRect(QRectF(6, 15, 12, 7));
  p.fillRect(QRectF(18, 11, 2, 2), QColor(40, 170, 40));
}

void pdf(QPainter& p) {
  page(p, QRectF(4, 2, 16, 20));
  p.fillRect(QRectF(2, 12, 20, 8), kAccent);
  QFont f(QStringLiteral("DejaVu Sans"));
  f.setPixelSize(7);
  f.setBold(true);
  p.setFont(f);
  p.setPen(Qt::white);
  p.drawText(QRectF(2, 12, 20, 8), Qt::AlignCenter, QStringLiteral("PDF"));
}

void exitDoor(QPainter& p) {
  p.setPen(QPen(kInk, 1));
  p.setBrush(QColor(160, 110, 60));
  p.drawRect(QRectF(4, 3, 11, 18));
  p.fillRect(QRectF(12, 11, 2, 2), QColor(250, 220, 80));
  p.setPen(QPen(kAccent, 2, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(15, 12), QPointF(21, 12));
  p.drawLine(QPointF(18, 9), QPointF(21, 12));
  p.drawLine(QPointF(18, 15), QPointF(21, 12));
}

bool save(const QDir& dir, const char* name, const std::function<void(QPainter&)>& draw) {
  QImage img = canvas();
  {
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    draw(p);
  }
  const QString path = dir.filePath(QString::fromLatin1(name) + QStringLiteral(".png"));
  if (img.save(path, "PNG")) return true;
  std::fprintf(stderr, "qvprevgen: cannot write %s\n", qPrintable(path));
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: qvprevgen <output folder>\n");
    return 2;
  }
  QGuiApplication app(argc, argv);
  const QDir dir(QString::fromLocal8Bit(argv[1]));
  if (!QDir().mkpath(dir.path())) {
    std::fprintf(stderr, "qvprevgen: cannot create %s\n", argv[1]);
    return 1;
  }
  const bool ok = save(dir, "Top2", [](QPainter& p) { arrow(p, false, true); }) &&
                  save(dir, "Previous2", [](QPainter& p) { arrow(p, false, false); }) &&
                  save(dir, "Next2", [](QPainter& p) { arrow(p, true, false); }) &&
                  save(dir, "Bottom2", [](QPainter& p) { arrow(p, true, true); }) &&
                  save(dir, "Zoom2", [](QPainter& p) { magnifier(p, true, false); }) &&
                  save(dir, "Unzoom2", [](QPainter& p) { magnifier(p, false, true); }) &&
                  save(dir, "Two_Pages2", [](QPainter& p) {
                    page(p, QRectF(1, 3, 10, 16));
                    page(p, QRectF(13, 5, 10, 16));
                  }) &&
                  save(dir, "One_Page2", [](QPainter& p) { page(p, QRectF(6, 2, 12, 20)); }) &&
                  save(dir, "Printer2", printer) && save(dir, "Pdf2", pdf) && save(dir, "Exit2", exitDoor) &&
                  save(dir, "Lupa", [](QPainter& p) { magnifier(p, false, false); }) &&
                  save(dir, "Print0", printer);
  return ok ? 0 : 1;
}
