#include "app/test_window.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

#include "app/app_values.h"
#include "app/shell_rules.h"
#include "barcode/qt/rave_radizo.h"
#include "ui/widget_helpers.h"

namespace qv {

namespace {
constexpr int kWidth = 1000;
constexpr int kHeight = 600;
const QColor kBack(255, 255, 245);
}  // namespace

TestWindow::TestWindow(const std::string& cCodigo, QWidget* parent) : QDialog(parent) {
  setWindowTitle(QString::fromStdString(testWindowTitle(cCodigo)));
  setFixedSize(kWidth, kHeight);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, kBack);
  pal.setColor(QPalette::WindowText, Qt::black);
  setPalette(pal);
  setAutoFillBackground(true);
}

void TestWindow::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setPen(Qt::black);
  p.drawText(QPoint(10, 60 + p.fontMetrics().ascent()), QStringLiteral("prueba"));
  bc::RAVEradizo bar(&p, "123", 20, 30, 300, 100, 1, {}, {}, {}, {}, 2);
  bar.ShowBarcode();
}

void showTestWindow(QWidget* owner) {
  TestWindow w(currentCode(), owner);
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    w.move(screen->availableGeometry().center() - QPoint(kWidth / 2, kHeight / 2));
  ui::execModal(w);
}

}  // namespace qv
