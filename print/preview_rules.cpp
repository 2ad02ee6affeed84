#include "print/preview_rules.h"

#include <Qt>
#include <algorithm>
#include <cmath>

namespace pr {

ButtonStates buttonStates(int page, int count) {
  ButtonStates b;
  const bool many = count > 1;
  b.top = b.prev = many && page > 1;
  b.next = b.bottom = many && page < count;
  b.twoPages = many;
  return b;
}

int navigate(Nav nav, int page, int count) {
  switch (nav) {
    case Nav::Next: return page < count ? page + 1 : 0;
    case Nav::Prev: return page > 1 ? page - 1 : 0;
    case Nav::Top: return page > 1 ? 1 : 0;
    case Nav::Bottom: return page < count ? count : 0;
  }
  return 0;
}

bool isLandscape(int width, int height) { return width >= height; }

bool canTwoPages(int count, int width, int height) { return count > 1 && width < height; }

PreviewLayout previewLayout(int W, int H, bool largeFonts, bool twoPages, bool zoomed, bool landscape) {
  PreviewLayout l;
  H -= largeFonts ? 25 : 20;
  if (twoPages) {
    H += largeFonts ? 25 : 20;
    const int half = int(W / 2 * 0.4);
    l.left = {50, W / 4 - half, H - (largeFonts ? 100 : 80), W / 4 + half};
    l.right = {l.left.top, l.left.left + W / 2, l.left.bottom, l.left.right + W / 2};
    l.rightVisible = true;
    return l;
  }
  int half;
  if (zoomed) {
    W -= 20;
    half = int(W * 0.47);
  } else {
    H -= 10;
    half = int((H - 40) * (landscape ? 0.8 : 0.4));
  }
  l.left = {30, W / 2 - half, H - 30, W / 2 + half};
  return l;
}

PaperShape paperShape(int paperWidth, int paperHeight, int xOffset, int yOffset, int pageWidth, int pageHeight) {
  if (paperWidth < pageWidth || paperHeight < pageHeight || paperWidth <= 0 || paperHeight <= 0)
    return {double(pageWidth), double(pageHeight), 0, 0};
  return {double(paperWidth), double(paperHeight), double(xOffset), double(yOffset)};
}

PageRect fitPaper(const PageRect& box, int W, const PaperShape& paper) {
  const int left = std::max(box.left, 0);
  const int right = std::min(box.right, W);
  const double w = right - left;
  const double h = box.bottom - box.top;
  if (w <= 0 || h <= 0 || paper.width <= 0 || paper.height <= 0) return box;
  const double s = std::min(w / paper.width, h / paper.height);
  const int fw = int(std::lround(paper.width * s));
  const int fh = int(std::lround(paper.height * s));
  const int l = left + int((w - fw) / 2);
  const int t = box.top + int((h - fh) / 2);
  return {t, l, t + fh, l + fw};
}

double pageScale(const PageView& v, const PaperShape& paper, int controlWidth) {
  if (v.nWidth <= 0 || v.nLogWidth <= 0 || controlWidth <= 0) return 0;
  const double shown = v.nWidth * std::max(paper.width, double(v.nLogWidth)) / v.nLogWidth;
  return controlWidth / shown;
}

PageView newPageView(int logWidth, int logHeight) {
  PageView v;
  v.nLogWidth = logWidth;
  v.nLogHeight = logHeight;
  v.nWidth = v.nWidthori = logWidth;
  v.nHeight = v.nHeightori = logHeight;
  return v;
}

void zoomDivisors(int factor, double& x, double& y) {
  x = factor;
  y = factor == 1 ? 1.5 : factor * 0.95;
}

void zoomIn(PageView& v) {
  if (v.lZoom) return;
  v.nWidthori = v.nWidth;
  v.nHeightori = v.nHeight;
  if (v.nWidth > v.nHeight) {
    v.nHeight = v.nHeight / (v.nYZoom * 0.61);
    v.nWidth = v.nLogHeight * 600.0 / 800.0 / v.nXZoom * 1.7;
  } else {
    v.nWidth = v.nWidth / (v.nXZoom * 1.0019);
    v.nHeight = v.nHeight / (v.nYZoom * 1.0019);
  }
  v.lZoom = true;
}

void zoomOut(PageView& v) {
  if (!v.lZoom) return;
  v.nWidth = v.nWidthori;
  v.nHeight = v.nHeightori;
  v.nXorig = v.nYorig = 0;
  v.lZoom = false;
}

void setZoomFactor(PageView& v, double x, double y) {
  if (v.lZoom) {
    v.nWidth = v.nWidth * v.nXZoom / x;
    v.nHeight = v.nHeight * v.nYZoom / y;
  }
  v.nXZoom = x;
  v.nYZoom = y;
}

std::optional<ScrollResult> scrollStep(int extent, int barPos, int barMin, int barMax, int type, bool page,
                                       std::optional<int> nPos) {
  if (barMax <= 0) return std::nullopt;
  const int unit = extent / barMax;
  int step = nPos ? *nPos : page ? barMax / 10 : 1;
  if (type == 1) step = -step;
  if (type == 0) {
    barPos = nPos.value_or(barPos);
    step = 0;
  }
  ScrollResult r;
  r.origin = std::clamp(double(unit) * (barPos + step - 1), 0.0, double(extent));
  r.barPos = std::clamp(barPos + step, barMin, barMax);
  return r;
}

int orgSteps(double x, double w, int factor) {
  if (w <= 0) return 0;
  return std::max(int(x / w * 20 * factor) - 9, 0);
}

KeyAction keyAction(int key, bool ctrl, bool zoomed) {
  if (ctrl) {
    switch (key) {
      case Qt::Key_I:
      case Qt::Key_P: return KeyAction::Print;
      case Qt::Key_Z: return KeyAction::Zoom;
      case Qt::Key_T: return KeyAction::TwoPages;
      default: return KeyAction::None;
    }
  }
  if (!zoomed) {
    switch (key) {
      case Qt::Key_Home: return KeyAction::First;
      case Qt::Key_End: return KeyAction::Last;
      case Qt::Key_PageUp: return KeyAction::PrevPage;
      case Qt::Key_PageDown: return KeyAction::NextPage;
      default: return KeyAction::None;
    }
  }
  switch (key) {
    case Qt::Key_Up: return KeyAction::LineUp;
    case Qt::Key_Down: return KeyAction::LineDown;
    case Qt::Key_PageUp: return KeyAction::PageUp;
    case Qt::Key_PageDown: return KeyAction::PageDown;
    case Qt::Key_Left: return KeyAction::Left;
    case Qt::Key_Right: return KeyAction::Right;
    case Qt::Key_Home: return KeyAction::Home;
    case Qt::Key_End: return KeyAction::End;
    default: return KeyAction::None;
  }
}

WheelAction wheelAction(int delta, bool middleHeld, bool zoomed) {
  if (delta == 0) return WheelAction::None;
  const bool away = delta > 0;
  if (!zoomed) {
    if (middleHeld) return away ? WheelAction::FirstPage : WheelAction::LastPage;
    return away ? WheelAction::PrevPage : WheelAction::NextPage;
  }
  if (middleHeld) return away ? WheelAction::PageUp : WheelAction::PageDown;
  return away ? WheelAction::LineUp : WheelAction::LineDown;
}

std::vector<int> pagesToPrint(int option, int current, int count, int from, int to) {
  std::vector<int> pages;
  switch (option) {
    case 1:
      for (int p = 1; p <= count; ++p) pages.push_back(p);
      break;
    case 2:
      if (current >= 1 && current <= count) pages.push_back(current);
      break;
    case 3:
      for (int p = 2; p <= count; p += 2) pages.push_back(p);
      break;
    case 4:
      for (int p = 1; p <= count; p += 2) pages.push_back(p);
      break;
    case 5:
      for (int p = std::max(1, from); p <= std::min(to, count); ++p) pages.push_back(p);
      break;
    default: break;
  }
  return pages;
}

std::vector<int> printSequence(const std::vector<int>& pages, int copies, bool printerMakesCopies) {
  if (printerMakesCopies || copies <= 1) return pages;
  std::vector<int> seq;
  for (int c = 0; c < copies; ++c) seq.insert(seq.end(), pages.begin(), pages.end());
  return seq;
}

bool fromAccepted(int from, int to) { return from >= 1 && from <= to; }

bool toAccepted(int from, int to, int count) { return from <= to && to <= count; }

std::string pageLabel(const std::string& prefix, int page, int count) {
  return prefix + std::to_string(page) + " / " + std::to_string(count);
}

}  // namespace pr
