#include <gtest/gtest.h>

#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>
#include <QImage>
#include <QTemporaryDir>
#include <string>

#include "barcode/colors.h"
#include "barcode/draw.h"
#include "barcode/ean_upc.h"
#include "barcode/code39.h"
#include "barcode/qt/image_device.h"
#include "barcode/qt/qt_font.h"
#include "barcode/qt/rave_radizo.h"
#include "tests/xbase/scripted_prompter.h"

namespace bc {
namespace {

// Fonts need the application object; one for the whole test program.
void EnsureApp() {
  static int argc = 1;
  static char name[] = "barcode_qt_tests";
  static char* argv[] = {name, nullptr};
  static QGuiApplication* app = QGuiApplication::instance() ? nullptr : new QGuiApplication(argc, argv);
  (void)app;
}

class QtDevice : public ::testing::Test {
 protected:
  void SetUp() override { EnsureApp(); }
};

bool Dark(const QImage& img, int x, int y) { return qGray(img.pixel(x, y)) < 128; }

// The pixels of a column from `y0` on: how many are dark before the first
// light one.
int DarkRunDown(const QImage& img, int x, int y0) {
  int n = 0;
  while (y0 + n < img.height() && Dark(img, x, y0 + n)) ++n;
  return n;
}

// 600 dpi: 23.62 pixels per millimetre.
TEST_F(QtDevice, ReportsItsSizeAndResolution) {
  ImageDevice dev(1181, 2362, 600);
  EXPECT_EQ(dev.nHorzRes(), 1181);
  EXPECT_EQ(dev.nVertRes(), 2362);
  EXPECT_NEAR(dev.nHorzSize(), 50.0, 0.01);
  EXPECT_NEAR(dev.nVertSize(), 100.0, 0.01);
  EXPECT_EQ(dev.nLogPixelsY(), 600);
  double row = 1.0, col = -1.0;
  dev.Cmtr2Pix(row, col);
  EXPECT_NEAR(row, 236.22, 0.01);
  EXPECT_EQ(col, 0.0);
}

TEST_F(QtDevice, Ean13BarsAtTheExampleSizes) {
  ImageDevice dev(800, 600, 600);
  EAN13(50, 100, "590123412345", dev);
  const QImage img = dev.toImage();
  const std::string modules = enc::EAN13("590123412345");
  const std::string mask = enc::EAN13BL();
  for (size_t i = 0; i < modules.size(); ++i) {
    for (int k = 0; k < 6; ++k) {
      const int x = 100 + int(i) * 6 + k;
      const int want = mask[i] == '1' ? 354 : modules[i] == '1' ? 319 : 0;
      ASSERT_EQ(DarkRunDown(img, x, 50), want) << "module " << i;
    }
  }
  EXPECT_FALSE(Dark(img, 99, 60));
  EXPECT_FALSE(Dark(img, 670, 60));
  EXPECT_TRUE(Dark(img, 669, 60));
}

TEST_F(QtDevice, BarsInTheNamedColour) {
  ImageDevice dev(400, 200, 300);
  CODE3_9(20, 20, "A", dev, false, *ColorByName("CLR_HRED"));
  CODE3_9(100, 20, "A", dev, false, *ColorByName("CLR_BLUE"));
  const QImage img = dev.toImage();
  EXPECT_EQ(img.pixelColor(21, 30), QColor(255, 0, 0));
  EXPECT_EQ(img.pixelColor(21, 110), QColor(0, 0, 128));
  EXPECT_EQ(img.pixelColor(5, 5), QColor(255, 255, 255));
}

TEST_F(QtDevice, AddOnBandIsClearedAndHoldsTheDigits) {
  ImageDevice dev(800, 600, 600);
  SUP5(50, 100, "52495", dev, 0, true, 0.025, 1.5, true);
  const QImage img = dev.toImage();
  // The first module is dark: white in the band (but for digit pixels in
  // it), dark below it.
  int darkInBand = 0;
  for (int y = 50; y < 50 + 106; ++y)
    for (int x = 100; x < 100 + 288; ++x) darkInBand += Dark(img, x, y);
  EXPECT_GT(darkInBand, 0);  // the digits
  EXPECT_TRUE(Dark(img, 101, 50 + 106));
  EXPECT_TRUE(Dark(img, 101, 50 + 353));
  EXPECT_FALSE(Dark(img, 101, 50 + 354));
  // Without text the bars reach the top.
  ImageDevice plain(800, 600, 600);
  SUP5(50, 100, "52495", plain);
  EXPECT_TRUE(Dark(plain.toImage(), 101, 50));
}

TEST_F(QtDevice, Ean13DigitsStandBelowTheDataBars) {
  ImageDevice dev(900, 700, 600);
  EAN13(50, 150, "590123412345", dev, 0, true, 0.025, 1.5, true);
  const QImage img = dev.toImage();
  // Digit 1 is left of the symbol, between 0.9h and the font cell's end.
  int left = 0;
  for (int y = 50 + 319; y < 50 + 319 + 118; ++y)
    for (int x = 150 - 48; x < 150 - 6; ++x) left += Dark(img, x, y);
  EXPECT_GT(left, 100);
  // Nothing is written beyond the cell below the symbol.
  for (int y = 50 + 319 + 119; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) ASSERT_FALSE(Dark(img, x, y)) << x << "," << y;
}

TEST_F(QtDevice, VerticalEan13DigitsStandLeftOfTheDataBars) {
  ImageDevice dev(700, 800, 600);
  EAN13(100, 200, "590123412345", dev, 0, false, 0.025, 1.5, true);
  const QImage img = dev.toImage();
  // The data bars start at column 235; the turned digits end there and
  // reach at most one font cell (118 pixels) to the left.
  int digitPixels = 0;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < 200; ++x) {
      if (!Dark(img, x, y)) continue;
      ASSERT_GE(x, 235 - 119) << x << "," << y;
      ++digitPixels;
    }
  EXPECT_GT(digitPixels, 1000);
  // The first digit stands above the symbol, the others beside it.
  int above = 0;
  for (int y = 100 - 48; y < 100; ++y)
    for (int x = 235 - 118; x < 235; ++x) above += Dark(img, x, y);
  EXPECT_GT(above, 50);
}

TEST_F(QtDevice, FontsResolveToTheFreeFaces) {
  EXPECT_EQ(ResolveFace("arial"), "Liberation Sans");
  EXPECT_EQ(ResolveFace("Times New Roman"), "Liberation Serif");
  EXPECT_EQ(ResolveFace("COURIER NEW"), "Liberation Mono");
  EXPECT_EQ(ResolveFace(""), "Liberation Sans");
  EXPECT_EQ(ResolveFace("DejaVu Sans"), "DejaVu Sans");
  const ScaledFont sf = MakeFont(FontSpec{"arial", 118.0, 33.6}, 600);
  EXPECT_EQ(QFontInfo(sf.font).family(), "Liberation Sans");
}

// The digits of a symbol take OCR-B where the font system has it; their
// ink spans the digit height, one digit per pitch.
TEST_F(QtDevice, DigitsInOcrBSizedByTheirInk) {
  if (QFontDatabase::hasFamily("OCR B")) {
    EXPECT_EQ(DigitsFace("arial"), "OCR B");
  } else {
    EXPECT_EQ(DigitsFace("arial"), "Liberation Sans");
  }
  ImageDevice dev(400, 200, 600);
  FontSpec spec;
  spec.digitHeightPx = 50;
  spec.digitTopPx = 10;
  spec.pitchPx = 42;
  dev.Say(20, 30, "1 8", spec, 0);
  const QImage img = dev.toImage();
  QRect ink;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x)
      if (Dark(img, x, y)) ink = ink.united(QRect(x, y, 1, 1));
  EXPECT_NEAR(ink.top(), 30, 1);
  EXPECT_NEAR(ink.bottom() + 1, 80, 1);
  // The "1" in the first cell, the "8" centred in the third.
  EXPECT_GE(ink.left(), 30);
  EXPECT_LE(ink.right(), 30 + 3 * 42);
  int eight = 0;
  for (int x = 30 + 84; x < 30 + 126; ++x) eight += Dark(img, x, 55);
  EXPECT_GT(eight, 0);
  const PixRect box = DigitsRect(20, 30, 3, spec);
  EXPECT_DOUBLE_EQ(box.top, 30);
  EXPECT_DOUBLE_EQ(box.bottom, 80);
  EXPECT_DOUBLE_EQ(box.left, 30);
  EXPECT_DOUBLE_EQ(box.right, 156);
}

TEST_F(QtDevice, FontCellHeightAndAverageWidthAreMet) {
  for (double cell : {29.5, 73.75, 118.0}) {
    FontSpec spec;
    spec.heightPx = cell;
    spec.widthPx = cell * 0.3;
    const ScaledFont sf = MakeFont(spec, 600);
    const QFontMetricsF fm(sf.font);
    EXPECT_NEAR((fm.ascent() + fm.descent()) * sf.sy, cell, 1e-6);
    EXPECT_NEAR(AverageCharWidth(sf.font) * sf.sx, spec.widthPx, 1e-6);
  }
  // Arial's digits are 7 modules wide at a width of 5.6 modules.
  FontSpec spec{"arial", 118.0, 33.6};
  const ScaledFont sf = MakeFont(spec, 600);
  EXPECT_NEAR(QFontMetricsF(sf.font).horizontalAdvance(QChar('0')) * sf.sx, 42.0, 1.0);
}

TEST_F(QtDevice, TurnedTextRunsDownLeftOfItsCorner) {
  ImageDevice dev(400, 400, 300);
  FontSpec spec;
  spec.heightPx = 40;
  spec.escapement = 13500;
  dev.Say(100, 200, "8888", spec, 0);
  const QImage img = dev.toImage();
  int leftOf = 0, rightOf = 0, above = 0;
  for (int y = 0; y < 400; ++y)
    for (int x = 0; x < 400; ++x) {
      if (!Dark(img, x, y)) continue;
      if (y < 100) ++above;
      if (x < 200) ++leftOf;
      else ++rightOf;
    }
  EXPECT_GT(leftOf, 50);
  EXPECT_EQ(rightOf, 0);
  EXPECT_EQ(above, 0);
}

TEST_F(QtDevice, BoxFillsWhiteInsideItsOutline) {
  ImageDevice dev(100, 100, 300);
  dev.FillRect(0, 0, 100, 100, 0);
  dev.Box(10, 10, 20, 30, PenSpec{rgb(255, 0, 0), 1});
  const QImage img = dev.toImage();
  EXPECT_EQ(img.pixelColor(10, 10), QColor(255, 0, 0));
  EXPECT_EQ(img.pixelColor(29, 19), QColor(255, 0, 0));
  EXPECT_EQ(img.pixelColor(15, 15), QColor(255, 255, 255));
  EXPECT_EQ(img.pixelColor(30, 15), QColor(0, 0, 0));
  EXPECT_EQ(img.pixelColor(15, 20), QColor(0, 0, 0));
}

TEST_F(QtDevice, SavesRasterSvgAndPdf) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  ImageDevice dev(300, 200, 300);
  EAN13(20, 40, "590123412345", dev, 0, true, 0.025, 1.5, true);
  const std::string base = dir.path().toStdString();
  std::string error;
  ASSERT_TRUE(dev.save(base + "/a.png", &error)) << error;
  ASSERT_TRUE(dev.save(base + "/a.svg", &error)) << error;
  ASSERT_TRUE(dev.save(base + "/a.pdf", &error)) << error;
  const QImage png(QString::fromStdString(base + "/a.png"));
  EXPECT_EQ(png.size(), QSize(300, 200));
  EXPECT_EQ(png.pixelColor(40, 25), QColor(0, 0, 0));
  QFile svg(QString::fromStdString(base + "/a.svg"));
  ASSERT_TRUE(svg.open(QIODevice::ReadOnly));
  const QByteArray svgText = svg.readAll();
  EXPECT_TRUE(svgText.contains("<svg"));
  EXPECT_TRUE(svgText.contains("viewBox=\"0 0 300 200\""));
  QFile pdf(QString::fromStdString(base + "/a.pdf"));
  ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
  EXPECT_TRUE(pdf.read(5) == "%PDF-");
  EXPECT_FALSE(dev.save(base + "/missing/dir/a.png", &error));
  EXPECT_FALSE(error.empty());
}

// The window barcode object on a plain image's painter.
QImage Canvas() {
  QImage img(400, 200, QImage::Format_RGB32);
  img.fill(Qt::white);
  return img;
}

int DarkColumns(const QImage& img, int y) {
  int last = -1;
  for (int x = 0; x < img.width(); ++x)
    if (Dark(img, x, y)) last = x;
  return last + 1;
}

TEST_F(QtDevice, RaveDefaultsDrawA200By20SymbolOnAnUnpaintedPane) {
  QImage img = Canvas();
  QPainter p(&img);
  RAVEradizo bar(&p, "123456789012", 10, 0, {}, {}, 8);
  EXPECT_EQ(bar.nWidth, 200);
  EXPECT_EQ(bar.nHeight, 20);
  EXPECT_EQ(bar.nPinWidth, 1);
  EXPECT_EQ(bar.nColPane, 16777215u);
  EXPECT_TRUE(bar.lHorizontal);
  EXPECT_FALSE(bar.lTransparent);
  bar.ShowBarcode();
  p.end();
  EXPECT_EQ(DarkColumns(img, 10), 95);
  // Every bar, guards included, is the box's 20 pixels long.
  const std::string modules = enc::EAN13("123456789012");
  for (int x = 0; x < 95; ++x) EXPECT_EQ(DarkRunDown(img, x, 10), modules[size_t(x)] == '1' ? 20 : 0) << x;
  EXPECT_FALSE(Dark(img, 0, 9));
}

TEST_F(QtDevice, RavePaneIsPaintedUnlessTransparentOrWhite) {
  for (bool transparent : {false, true}) {
    QImage img = Canvas();
    QPainter p(&img);
    RAVEradizo bar(&p, "", 10, 10, {}, {}, 11, {}, Rgb(255), {}, transparent);
    bar.CreateBarcode("");
    p.end();
    EXPECT_EQ(img.pixelColor(10, 10), transparent ? QColor(255, 255, 255) : QColor(255, 0, 0));
    EXPECT_EQ(img.pixelColor(209, 29), transparent ? QColor(255, 255, 255) : QColor(255, 0, 0));
    EXPECT_EQ(img.pixelColor(210, 29), QColor(255, 255, 255));
    EXPECT_EQ(img.pixelColor(209, 30), QColor(255, 255, 255));
  }
}

TEST_F(QtDevice, RaveGuardMaskKeepsTheBarsOnAColouredPane) {
  for (int type : {7, 9}) {
    QImage img = Canvas();
    QPainter p(&img);
    RAVEradizo bar(&p, "1234567", 10, 0, {}, {}, type, {}, rgb(255, 255, 0));
    bar.ShowBarcode();
    p.end();
    const std::string modules = bar.InitUPC(type == 7 ? 7 : 11);
    for (size_t i = 0; i < modules.size(); ++i)
      EXPECT_EQ(img.pixelColor(int(i), 20), modules[i] == '1' ? QColor(0, 0, 0) : QColor(255, 255, 0))
          << type << " module " << i;
  }
}

TEST_F(QtDevice, RavePinWidths) {
  struct Case {
    int type, pin, width;
  };
  for (const Case c : {Case{8, 2, 190}, Case{7, 2, 134}, Case{8, 0, 95}}) {
    QImage img = Canvas();
    QPainter p(&img);
    RAVEradizo bar(&p, "1234567", 10, 0, {}, {}, c.type, {}, {}, {}, {}, c.pin);
    bar.ShowBarcode();
    p.end();
    EXPECT_EQ(DarkColumns(img, 15), c.width) << c.type;
    EXPECT_GE(bar.nPinWidth, 1);
  }
}

TEST_F(QtDevice, RaveVerticalBarsSpanTheWidth) {
  QImage img(300, 400, QImage::Format_RGB32);
  img.fill(Qt::white);
  QPainter p(&img);
  RAVEradizo bar(&p, "A", 0, 10, 50, {}, 1, {}, {}, false);
  bar.ShowBarcode();
  p.end();
  const std::string modules = enc::CODE3_9("A");
  for (size_t i = 0; i < modules.size(); ++i) {
    EXPECT_EQ(Dark(img, 10, int(i)), modules[i] == '1') << i;
    EXPECT_EQ(Dark(img, 59, int(i)), modules[i] == '1') << i;
    EXPECT_FALSE(Dark(img, 60, int(i)));
  }
}

TEST_F(QtDevice, RaveSymbologyNumbers) {
  RAVEradizo bar(nullptr, "1234567890", 0, 0);
  EXPECT_EQ(bar.InitUPC(11), enc::UPC("1234567890", 11));
  EXPECT_EQ(bar.InitE13BL(8), enc::EAN13BL(8));
  EXPECT_EQ(bar.InitCode39(true), enc::CODE3_9("1234567890", true));
  // Numbers 0 and 18 (and none) draw Code 39 with its check character.
  for (int type : {0, 18, 2}) {
    QImage a = Canvas(), b = Canvas();
    QPainter pa(&a), pb(&b);
    RAVEradizo x(&pa, "AB", 0, 0, {}, {}, type);
    x.ShowBarcode();
    RAVEradizo y(&pb, "AB", 0, 0);
    y.CreateBarcode(enc::CODE3_9("AB", true));
    pa.end();
    pb.end();
    EXPECT_EQ(a, b) << type;
  }
  // Without a painter nothing is drawn and nothing fails.
  RAVEradizo none(nullptr, "1", 0, 0, {}, {}, 9, {}, {}, {}, {}, 0);
  none.ShowBarcode();
  EXPECT_EQ(none.nPinWidth, 1);
}

TEST_F(QtDevice, RaveCode128SetMessage) {
  xb::ScriptedPrompter prompts;
  xb::PrompterGuard guard(prompts);
  RAVEradizo bar(nullptr, "AB", 0, 0);
  EXPECT_EQ(bar.InitCode128("b"), bar.InitCode128("B"));
  EXPECT_TRUE(prompts.asked.empty());
  EXPECT_EQ(bar.InitCode128("X"), bar.InitCode128("B"));
  ASSERT_EQ(prompts.asked.size(), 1u);
  EXPECT_EQ(prompts.asked[0].text, "Code 128 modes are A,B o C. Character values.");
}

}  // namespace
}  // namespace bc
