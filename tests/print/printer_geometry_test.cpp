// Unit conversions of the printer device, checked against hand-computed
// positions on printers with equal and with different resolutions.
#include <gtest/gtest.h>

#include "print/printer_geometry.h"

namespace {

using pr::PrinterMetrics;

// A4 printable area of a 600 x 300 dpi printer with 5 mm / 4 mm offsets.
PrinterMetrics unevenPrinter() {
  PrinterMetrics m;
  m.logPixelX = 600;
  m.logPixelY = 300;
  m.horzSize = 200;
  m.vertSize = 287;
  m.horzRes = int(200 / 25.4 * 600);
  m.vertRes = int(287 / 25.4 * 300);
  m.xOffset = int(5 / 25.4 * 600);
  m.yOffset = int(4 / 25.4 * 300);
  return m;
}

struct CmCase {
  double row, col;
  double wantRow, wantCol;
};

TEST(PrinterGeometry, CentimetresUseEachAxisOwnResolutionAndOffset) {
  PrinterMetrics m;
  m.horzRes = 2000;
  m.horzSize = 200;  // 10 px per mm across
  m.vertRes = 1500;
  m.vertSize = 300;  // 5 px per mm down
  m.xOffset = 40;
  m.yOffset = 25;
  const CmCase cases[] = {
      {0, 0, 0, 0},            // paper corner: inside the unprintable margin
      {0.2, 0.2, 0, 0},        // still in the margin (10 px down, 20 px across)
      {1, 1, 25, 60},          // 50 − 25, 100 − 40
      {2.5, 3, 100, 260},      // 125 − 25, 300 − 40
      {-1, -2, 0, 0},          // never negative
  };
  for (const CmCase& c : cases) {
    const pr::RowCol p = pr::cmtrToPix(m, c.row, c.col);
    EXPECT_DOUBLE_EQ(p.row, c.wantRow) << c.row << "," << c.col;
    EXPECT_DOUBLE_EQ(p.col, c.wantCol) << c.row << "," << c.col;
  }
}

TEST(PrinterGeometry, InchesAreCentimetresTimesTwoPointFiftyFour) {
  const PrinterMetrics m = unevenPrinter();
  for (double v : {0.5, 1.0, 3.25}) {
    const pr::RowCol inch = pr::inchToPix(m, v, v);
    const pr::RowCol cm = pr::cmtrToPix(m, v * 2.54, v * 2.54);
    EXPECT_NEAR(inch.row, cm.row, 1e-9);
    EXPECT_NEAR(inch.col, cm.col, 1e-9);
  }
}

TEST(PrinterGeometry, PixelsToUnitsRowsByVerticalColumnsByHorizontalResolution) {
  const PrinterMetrics m = unevenPrinter();
  // 300 rows at 300 dpi down is one inch; 300 columns at 600 dpi across half.
  const pr::RowCol inch = pr::pixToInch(m, 300, 300);
  EXPECT_DOUBLE_EQ(inch.row, 1.0);
  EXPECT_DOUBLE_EQ(inch.col, 0.5);
  const pr::RowCol mm = pr::pixToMmtr(m, 300, 300);
  EXPECT_DOUBLE_EQ(mm.row, 25.4);
  EXPECT_DOUBLE_EQ(mm.col, 12.7);
  // And back: a position converted to pixels and to millimetres again lands
  // where it started (offsets aside).
  PrinterMetrics noOffset = m;
  noOffset.xOffset = noOffset.yOffset = 0;
  const pr::RowCol px = pr::cmtrToPix(noOffset, 4, 7);
  const pr::RowCol back = pr::pixToMmtr(noOffset, px.row, px.col);
  EXPECT_NEAR(back.row, 40, 0.2);
  EXPECT_NEAR(back.col, 70, 0.2);
}

TEST(PrinterGeometry, NoPrinterGivesZeroes) {
  const PrinterMetrics none;
  for (auto f : {pr::cmtrToPix, pr::inchToPix, pr::pixToMmtr, pr::pixToInch}) {
    const pr::RowCol p = f(none, 3, 4);
    EXPECT_EQ(p.row, 0);
    EXPECT_EQ(p.col, 0);
  }
}

TEST(PrinterGeometry, MappingModesScaleLogicalUnitsToPixels) {
  struct Case {
    pr::MapMode mode;
    double unitsPerInch;
  };
  const Case cases[] = {{pr::MapMode::LoMetric, 254}, {pr::MapMode::HiMetric, 2540}, {pr::MapMode::LoInch, 100},
                        {pr::MapMode::HiInch, 1000}, {pr::MapMode::Twips, 1440}};
  for (const Case& c : cases) {
    pr::Mapping m;
    m.mode = c.mode;
    const QPointF p = pr::mappingTransform(m, 600, 300).map(QPointF(c.unitsPerInch, c.unitsPerInch));
    EXPECT_NEAR(p.x(), 600, 1e-9);
    EXPECT_NEAR(p.y(), 300, 1e-9);
  }
  pr::Mapping a;
  a.mode = pr::MapMode::Anisotropic;
  a.windowX = 100;
  a.windowY = 100;
  a.viewportX = 400;
  a.viewportY = 200;
  EXPECT_EQ(pr::mappingTransform(a, 600, 600).map(QPointF(10, 10)), QPointF(40, 20));
  a.mode = pr::MapMode::Isotropic;
  EXPECT_EQ(pr::mappingTransform(a, 600, 600).map(QPointF(10, 10)), QPointF(20, 20));
  pr::Mapping pixel;
  EXPECT_TRUE(pr::mappingTransform(pixel, 600, 600).isIdentity());
}

}  // namespace
