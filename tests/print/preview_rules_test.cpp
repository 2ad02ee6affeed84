// The preview's rules without a window: buttons, paging, layout, zoom,
// scrolling, keys, wheel and the pages each print option prints.
#include <gtest/gtest.h>

#include <Qt>

#include "print/preview_rules.h"

namespace {

using pr::ButtonStates;

TEST(PreviewRules, ButtonsFollowPageAndCount) {
  struct Case {
    int page, count;
    bool top, next, two;
  };
  const Case cases[] = {
      {1, 1, false, false, false},  // one page: the four paging buttons and two pages off
      {1, 3, false, true, true},    {2, 3, true, true, true}, {3, 3, true, false, true},
  };
  for (const Case& c : cases) {
    const ButtonStates b = pr::buttonStates(c.page, c.count);
    EXPECT_EQ(b.top, c.top) << c.page << "/" << c.count;
    EXPECT_EQ(b.prev, c.top);
    EXPECT_EQ(b.next, c.next);
    EXPECT_EQ(b.bottom, c.next);
    EXPECT_EQ(b.twoPages, c.two);
    EXPECT_TRUE(b.zoom && b.print && b.pdf && b.exit);
  }
}

TEST(PreviewRules, PagingRefusesBeyondTheEnds) {
  struct Case {
    pr::Nav nav;
    int page, count, want;
  };
  const Case cases[] = {
      {pr::Nav::Next, 1, 3, 2}, {pr::Nav::Next, 3, 3, 0}, {pr::Nav::Prev, 2, 3, 1}, {pr::Nav::Prev, 1, 3, 0},
      {pr::Nav::Top, 3, 3, 1},  {pr::Nav::Top, 1, 3, 0},  {pr::Nav::Bottom, 1, 3, 3}, {pr::Nav::Bottom, 3, 3, 0},
      {pr::Nav::Next, 1, 1, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(pr::navigate(c.nav, c.page, c.count), c.want);
}

TEST(PreviewRules, TwoPagesOnlyForPortraitJobsOfSeveralPages) {
  EXPECT_TRUE(pr::canTwoPages(2, 100, 141));
  EXPECT_FALSE(pr::canTwoPages(1, 100, 141));
  EXPECT_FALSE(pr::canTwoPages(3, 141, 100));
  EXPECT_TRUE(pr::isLandscape(100, 100));
  EXPECT_FALSE(pr::isLandscape(99, 100));
}

TEST(PreviewRules, LayoutOfTheThreeModes) {
  struct Case {
    int W, H;
    bool two, zoom, landscape;
    pr::PageRect left;
    bool rightVisible;
  };
  // One page: H = 600 − 20 − 10 = 570, half-width (570 − 40) × 0.4 = 212.
  // Zoomed: W = 800 − 20 = 780, half-width 366; H = 580.
  // Two pages: left W/4 ∓ W/2 × 0.4 = 200 ∓ 160, bottom 600 − 80.
  const Case cases[] = {
      {800, 600, false, false, false, {30, 188, 540, 612}, false},
      {800, 600, false, false, true, {30, -24, 540, 824}, false},
      {800, 600, false, true, false, {30, 24, 550, 756}, false},
      {800, 600, true, false, false, {50, 40, 520, 360}, true},
  };
  for (const Case& c : cases) {
    const pr::PreviewLayout l = pr::previewLayout(c.W, c.H, false, c.two, c.zoom, c.landscape);
    EXPECT_EQ(l.left, c.left) << c.two << c.zoom << c.landscape;
    EXPECT_EQ(l.rightVisible, c.rightVisible);
  }
  const pr::PreviewLayout two = pr::previewLayout(800, 600, false, true, false, false);
  EXPECT_EQ(two.right, (pr::PageRect{50, 440, 520, 760}));
  EXPECT_EQ(pr::previewLayout(800, 600, true, true, false, false).left.bottom, 500);
}

TEST(PreviewRules, ZoomDivisorsAndZoomingAPage) {
  double x = 0, y = 0;
  pr::zoomDivisors(1, x, y);
  EXPECT_DOUBLE_EQ(x, 1);
  EXPECT_DOUBLE_EQ(y, 1.5);
  pr::zoomDivisors(4, x, y);
  EXPECT_DOUBLE_EQ(x, 4);
  EXPECT_DOUBLE_EQ(y, 3.8);

  pr::PageView v = pr::newPageView(1000, 1400);
  EXPECT_DOUBLE_EQ(v.nXZoom, 2);  // new controls start with (2, 4)
  EXPECT_DOUBLE_EQ(v.nYZoom, 4);
  pr::setZoomFactor(v, 1, 1.5);  // not zoomed: only stored
  EXPECT_DOUBLE_EQ(v.nWidth, 1000);
  pr::zoomIn(v);
  EXPECT_TRUE(v.lZoom);
  EXPECT_NEAR(v.nWidth, 1000 / 1.0019, 1e-9);
  EXPECT_NEAR(v.nHeight, 1400 / (1.5 * 1.0019), 1e-9);
  pr::setZoomFactor(v, 2, 1.9);  // zoomed: extents follow the divisors
  EXPECT_NEAR(v.nWidth, 1000 / 1.0019 / 2, 1e-9);
  EXPECT_NEAR(v.nHeight, 1400 / (1.5 * 1.0019) * 1.5 / 1.9, 1e-9);
  v.nXorig = 30;
  pr::zoomOut(v);
  EXPECT_FALSE(v.lZoom);
  EXPECT_DOUBLE_EQ(v.nWidth, 1000);
  EXPECT_DOUBLE_EQ(v.nHeight, 1400);
  EXPECT_DOUBLE_EQ(v.nXorig, 0);

  pr::PageView land = pr::newPageView(1400, 1000);
  pr::setZoomFactor(land, 1, 1.5);
  pr::zoomIn(land);
  EXPECT_NEAR(land.nHeight, 1000 / (1.5 * 0.61), 1e-9);
  EXPECT_NEAR(land.nWidth, 1000 * 600.0 / 800.0 / 1 * 1.7, 1e-9);
}

TEST(PreviewRules, ScrollSteps) {
  struct Case {
    int pos, type;
    bool page;
    std::optional<int> nPos;
    int wantPos;
    double wantOrigin;
  };
  // Page 2000 high, bar 1…20: one unit is 100 pixels.
  const Case cases[] = {
      {1, 2, false, {}, 2, 100},      // line down
      {5, 1, false, {}, 4, 300},      // line up
      {1, 1, false, {}, 1, 0},        // never above the top
      {5, 2, true, {}, 7, 600},       // page: a tenth of the range
      {3, 0, false, 12, 12, 1100},    // drag
      {1, 2, false, 4, 5, 400},       // n steps
      {20, 2, false, {}, 20, 2000},   // clamped at the page's end
  };
  for (const Case& c : cases) {
    const auto r = pr::scrollStep(2000, c.pos, 1, 20, c.type, c.page, c.nPos);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->barPos, c.wantPos) << c.pos << " " << c.type;
    EXPECT_DOUBLE_EQ(r->origin, c.wantOrigin) << c.pos << " " << c.type;
  }
  EXPECT_FALSE(pr::scrollStep(2000, 0, 0, 0, 2, false, {}));  // not zoomed: no bar
}

TEST(PreviewRules, DoubleClickSteps) {
  EXPECT_EQ(pr::orgSteps(0, 400, 1), 0);
  EXPECT_EQ(pr::orgSteps(200, 400, 1), 1);  // 10 − 9
  EXPECT_EQ(pr::orgSteps(399, 400, 1), 10);
  EXPECT_EQ(pr::orgSteps(200, 400, 3), 21);  // 30 − 9
  EXPECT_EQ(pr::orgSteps(10, 0, 1), 0);
}

TEST(PreviewRules, Keys) {
  using K = pr::KeyAction;
  struct Case {
    int key;
    bool ctrl, zoomed;
    K want;
  };
  const Case cases[] = {
      {Qt::Key_P, true, false, K::Print},   {Qt::Key_I, true, true, K::Print},  {Qt::Key_P, false, false, K::None},
      {Qt::Key_Z, true, false, K::Zoom},    {Qt::Key_T, true, true, K::TwoPages},
      {Qt::Key_Home, false, false, K::First}, {Qt::Key_End, false, false, K::Last},
      {Qt::Key_PageUp, false, false, K::PrevPage}, {Qt::Key_PageDown, false, false, K::NextPage},
      {Qt::Key_Up, false, false, K::None},  {Qt::Key_Up, false, true, K::LineUp},
      {Qt::Key_Down, false, true, K::LineDown}, {Qt::Key_PageUp, false, true, K::PageUp},
      {Qt::Key_PageDown, false, true, K::PageDown}, {Qt::Key_Left, false, true, K::Left},
      {Qt::Key_Right, false, true, K::Right}, {Qt::Key_Home, false, true, K::Home}, {Qt::Key_End, false, true, K::End},
  };
  for (const Case& c : cases) EXPECT_EQ(pr::keyAction(c.key, c.ctrl, c.zoomed), c.want) << c.key;
}

TEST(PreviewRules, Wheel) {
  using W = pr::WheelAction;
  EXPECT_EQ(pr::wheelAction(120, false, false), W::PrevPage);
  EXPECT_EQ(pr::wheelAction(-120, false, false), W::NextPage);
  EXPECT_EQ(pr::wheelAction(120, true, false), W::FirstPage);
  EXPECT_EQ(pr::wheelAction(-120, true, false), W::LastPage);
  EXPECT_EQ(pr::wheelAction(120, false, true), W::LineUp);
  EXPECT_EQ(pr::wheelAction(-120, false, true), W::LineDown);
  EXPECT_EQ(pr::wheelAction(120, true, true), W::PageUp);
  EXPECT_EQ(pr::wheelAction(-120, true, true), W::PageDown);
  EXPECT_EQ(pr::wheelAction(0, false, true), W::None);
}

TEST(PreviewRules, PagesOfEachPrintOption) {
  using V = std::vector<int>;
  struct Case {
    int option, current, count, from, to;
    V want;
  };
  const Case cases[] = {
      {1, 2, 5, 1, 5, {1, 2, 3, 4, 5}}, {2, 3, 5, 1, 5, {3}},     {3, 1, 5, 1, 5, {2, 4}},
      {4, 1, 5, 1, 5, {1, 3, 5}},       {5, 1, 5, 2, 4, {2, 3, 4}}, {3, 1, 1, 1, 1, {}},
      {5, 1, 3, 2, 9, {2, 3}},
  };
  for (const Case& c : cases) EXPECT_EQ(pr::pagesToPrint(c.option, c.current, c.count, c.from, c.to), c.want);
  EXPECT_EQ(pr::printSequence({1, 2}, 3, true), (V{1, 2}));
  EXPECT_EQ(pr::printSequence({1, 2}, 3, false), (V{1, 2, 1, 2, 1, 2}));
  EXPECT_EQ(pr::printSequence({1, 2}, 1, false), (V{1, 2}));
}

TEST(PreviewRules, RangeFieldsOfThePrintDialog) {
  EXPECT_TRUE(pr::fromAccepted(1, 3));
  EXPECT_TRUE(pr::fromAccepted(3, 3));
  EXPECT_FALSE(pr::fromAccepted(0, 3));
  EXPECT_FALSE(pr::fromAccepted(4, 3));
  EXPECT_TRUE(pr::toAccepted(1, 5, 5));
  EXPECT_FALSE(pr::toAccepted(1, 6, 5));
  EXPECT_FALSE(pr::toAccepted(4, 3, 5));
  EXPECT_EQ(pr::pageLabel("Página: ", 2, 7), "Página: 2 / 7");
}

}  // namespace
