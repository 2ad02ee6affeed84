// The progress meter: clamping, the whole-percent redraw rule, the filled
// size, its text and gradient; and the progress dialog MSGMETER.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLabel>

#include "print/meter.h"
#include "barcode/qt/qt_font.h"
#include "print/meter_rules.h"
#include "print/msg_meter.h"
#include "tests/ui/qt_app.h"
#include "ui/control_id.h"
#include "xbase/memvar.h"

namespace {

TEST(MeterRules, ValueClampsAndFilledSize) {
  struct Case {
    double value, total;
    int full;
    bool vertical;
    double wantValue;
    int wantFilled;
  };
  const Case cases[] = {
      {5, 10, 300, false, 5, 150},    {15, 10, 300, false, 10, 300},  // above the total: full bar
      {-3, 10, 300, false, 0, 3},     // below 0: empty (p < 1 counts as 1 for the size)
      {0.05, 10, 200, false, 0.05, 2},
      {2.5, 10, 200, true, 2.5, 150},  // vertical: unfilled part at the top
      {10, 10, 200, true, 10, 0},
  };
  for (const Case& c : cases) {
    const double v = pr::meterValue(c.value, c.total);
    EXPECT_DOUBLE_EQ(v, c.wantValue) << c.value;
    EXPECT_EQ(pr::meterFilledSize(pr::meterPercent(v, c.total), c.full, c.vertical), c.wantFilled) << c.value;
  }
  EXPECT_EQ(pr::meterPercent(3, 0), 0);  // a zero total never divides
}

TEST(MeterRules, RedrawOnlyOnAWholePercentChange) {
  EXPECT_FALSE(pr::meterNeedsRedraw(10.2, 10));
  EXPECT_FALSE(pr::meterNeedsRedraw(10.99, 10));
  EXPECT_TRUE(pr::meterNeedsRedraw(11.0, 10));
  EXPECT_TRUE(pr::meterNeedsRedraw(9.9, 10));
}

TEST(MeterRules, Text) {
  EXPECT_EQ(pr::meterText(" ", true, 5, 10), "50%");
  EXPECT_EQ(pr::meterText("Tablas", true, 1, 3), "Tablas 33%");
  EXPECT_EQ(pr::meterText("Tablas", false, 1, 3), "Tablas ");
  EXPECT_EQ(pr::meterText("", false, 1, 3), "");
}

TEST(MeterRules, GradientRunsFromTheFirstColourTowardsTheSecond) {
  const QColor navy = bc::ToQColor(8388608);
  const QColor cyan = bc::ToQColor(16776960);
  EXPECT_EQ(navy, QColor(0, 0, 128));
  EXPECT_EQ(cyan, QColor(0, 255, 255));
  const auto linear = pr::meterGradient(QColor(0, 0, 0), QColor(200, 100, 0), 10, false);
  ASSERT_EQ(linear.size(), 10u);
  EXPECT_EQ(linear[0], QColor(0, 0, 0));
  EXPECT_EQ(linear[5], QColor(100, 50, 0));
  EXPECT_EQ(linear[9], QColor(180, 90, 0));
  const auto mirrored = pr::meterGradient(navy, cyan, 20, true);
  EXPECT_EQ(mirrored.front(), navy);
  EXPECT_EQ(mirrored.back(), navy);
  for (size_t i = 0; i < 10; ++i) EXPECT_EQ(mirrored[i], mirrored[19 - i]);
  EXPECT_GT(mirrored[9].green(), 200);  // the middle reaches the second colour
  const auto down = pr::meterGradient(QColor(255, 0, 0), QColor(0, 0, 0), 5, false);
  EXPECT_EQ(down[1], QColor(204, 0, 0));
  // Small differences over long extents still move.
  const auto slow = pr::meterGradient(QColor(0, 0, 0), QColor(4, 0, 0), 40, false);
  EXPECT_GT(slow.back().red(), 2);
}

TEST(Meter, SetClampsRedrawsOnWholePercentsAndFills) {
  double store = 0;
  pr::TVMETER::Options o;
  o.lPixel = true;
  o.nWidth = 200;
  o.nHeight = 20;
  o.nTotal = 200;
  o.bSetGet = [&](std::optional<double> v) {
    if (v) store = *v;
    return store;
  };
  QWidget parent;
  pr::TVMETER meter(&parent, o);
  EXPECT_EQ(meter.redraws(), 0);
  meter.Set(1);  // 0.5 %: whole part 0, no redraw
  EXPECT_EQ(meter.redraws(), 0);
  meter.Set(2);  // 1 %
  EXPECT_EQ(meter.redraws(), 1);
  meter.Set(3);  // 1.5 %
  EXPECT_EQ(meter.redraws(), 1);
  store = 100;   // through the callback
  meter.Set();
  EXPECT_EQ(meter.redraws(), 2);
  EXPECT_EQ(meter.filledSize(), 100);
  EXPECT_EQ(meter.text(), "50%");
  meter.Set(500);
  EXPECT_DOUBLE_EQ(meter.value(), 200);
  EXPECT_EQ(meter.filledSize(), 200);
  EXPECT_EQ(meter.nPerAnt(), 100);
  meter.Set(-5);
  EXPECT_DOUBLE_EQ(meter.value(), 0);
  EXPECT_EQ(meter.nPerAnt(), 0);
  store = 3;
  meter.SetTotal(3);
  EXPECT_EQ(meter.filledSize(), 200);
  EXPECT_EQ(meter.text(), "100%");
}

TEST(Meter, DefaultsAndPaintedBar) {
  QWidget parent;
  pr::TVMETER meter(&parent, pr::TVMETER::Options{});
  EXPECT_EQ(meter.size(), QSize(300, 20));
  EXPECT_DOUBLE_EQ(meter.nTotal(), 10);
  EXPECT_DOUBLE_EQ(meter.value(), 1);  // the default value callback gives 1
  EXPECT_EQ(meter.nClrBar1(), 8388608);
  EXPECT_EQ(meter.nTipo(), 2);
  EXPECT_FALSE(meter.lVertical());
  pr::TVMETER::Options cells;
  cells.nRow = 2;
  cells.nCol = 3;
  pr::TVMETER placed(&parent, cells);
  EXPECT_EQ(placed.pos(), QPoint(24, 28));  // character cells of 14 x 8

  meter.Set(5);
  const QImage img = meter.grab().toImage();
  // Left half painted with the bar colours (navy at the edges), right half
  // with the grey look.
  const QColor filledEdge = img.pixelColor(20, 0);
  const QColor emptyEdge = img.pixelColor(280, 0);
  EXPECT_EQ(filledEdge, QColor(0, 0, 128));
  EXPECT_NE(emptyEdge, filledEdge);
}

TEST(Meter, VerticalFillsFromTheBottom) {
  pr::TVMETER::Options o;
  o.lPixel = true;
  o.lVertical = true;
  o.nWidth = 20;
  o.nHeight = 100;
  o.nTipo = 3;
  o.nClrBar1 = 255;  // red
  o.nClrBar2 = 255;
  QWidget parent;
  pr::TVMETER meter(&parent, o);
  meter.Set(2.5);
  EXPECT_EQ(meter.filledSize(), 75);
  const QImage img = meter.grab().toImage();
  EXPECT_EQ(img.pixelColor(2, 95), QColor(255, 0, 0));
  EXPECT_NE(img.pixelColor(2, 5), QColor(255, 0, 0));
  meter.Set(0);
  const QImage empty = meter.grab().toImage();
  EXPECT_NE(empty.pixelColor(2, 95), QColor(255, 0, 0));  // an empty meter shows no bar
}

TEST(MsgMeter, RunsTheActionInAModalDialogThatCannotBeClosedMeanwhile) {
  bool sawEndFalse = false;
  bool stayedOpen = false;
  QString shownText;
  const xb::Value r = pr::MSGMETER(
      [&](pr::TVMETER& meter, QLabel& text, QDialog& dlg, bool& lEnd) -> xb::Value {
        sawEndFalse = !lEnd;
        EXPECT_TRUE(dlg.isVisible());
        EXPECT_TRUE(dlg.isModal());
        EXPECT_EQ(dlg.windowTitle(), "Reindexando");
        EXPECT_DOUBLE_EQ(meter.nTotal(), 10);
        shownText = text.text();
        meter.SetTotal(3);
        for (int k = 1; k <= 3; ++k) {
          meter.Set(k);
          text.setText(QString("Tabla %1").arg(k));
        }
        dlg.close();
        dlg.reject();
        stayedOpen = dlg.isVisible();
        return xb::Value(42);
      },
      "Procesando tablas", "Reindexando");
  EXPECT_TRUE(sawEndFalse);
  EXPECT_TRUE(stayedOpen);
  EXPECT_EQ(shownText, "Procesando tablas");
  EXPECT_EQ(r.num(), 42);
}

TEST(MsgMeter, TheTextLineIsThePrivateValueOtextWhileTheActionRuns) {
  std::string seen;
  pr::MSGMETER([&](pr::TVMETER&, QLabel& text, QDialog&, bool&) -> xb::Value {
    xb::Value* v = xb::findNamed("otext");
    EXPECT_TRUE(v && v->type() == xb::Type::Object);
    if (v && v->type() == xb::Type::Object) {
      auto line = std::dynamic_pointer_cast<pr::MeterTextLine>(v->obj());
      EXPECT_TRUE(line);
      if (line) {
        line->SetText("Compactando CodPro.dbf");
        seen = text.text().toStdString();
      }
    }
    return {};
  });
  EXPECT_EQ(seen, "Compactando CodPro.dbf");
  EXPECT_EQ(xb::findNamed("OTEXT"), nullptr);
}

TEST(Meter, ReDefineTakesThePlaceOfADialogControl) {
  QWidget dialog;
  auto* place = new QLabel(&dialog);
  place->setProperty(ui::kControlIdProperty, 130);
  place->setGeometry(10, 40, 161, 18);
  pr::TVMETER* meter = pr::TVMETER::ReDefine(&dialog, 130, {});
  ASSERT_NE(meter, nullptr);
  EXPECT_EQ(meter->geometry(), QRect(10, 40, 161, 18));
  EXPECT_EQ(ui::controlById(&dialog, 130), meter);
  EXPECT_EQ(meter->nTipo(), 3);
  EXPECT_EQ(pr::TVMETER::ReDefine(&dialog, 999, {}), nullptr);
}

TEST(MsgMeter, DefaultsAndFailures) {
  EXPECT_TRUE(pr::MSGMETER().isNil());
  QString title, text;
  pr::MSGMETER([&](pr::TVMETER&, QLabel& t, QDialog& d, bool&) -> xb::Value {
    title = d.windowTitle();
    text = t.text();
    return {};
  });
  EXPECT_EQ(title, "Por favor espere");
  EXPECT_EQ(text, "Procesando...");
  EXPECT_THROW(pr::MSGMETER([](pr::TVMETER&, QLabel&, QDialog&, bool&) -> xb::Value {
                 throw std::runtime_error("fallo");
               }),
               std::runtime_error);
}

}  // namespace
