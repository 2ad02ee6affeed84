#include "errors/alert_layout.h"

#include <algorithm>
#include <cmath>

namespace qv {

namespace {
constexpr int kMaxAreaHeight = 400;
constexpr int kMaxAreaWidth = 500;
constexpr int kMinScrolledHeight = 100;
}  // namespace

AlertLayout layoutAlert(const AlertMeasures& m) {
  AlertLayout l;
  l.iconTop = int(std::lround(1.43 * m.charHeight));
  l.iconLeft = int(std::lround(2.25 * m.charWidth));

  int widest = 0;
  for (int w : m.lineWidths) widest = std::max(widest, w);
  l.areaWidth = widest + 10;
  l.areaHeight = m.charHeight * int(m.lineWidths.size());
  if (l.areaHeight > kMaxAreaHeight) {
    l.areaHeight = kMaxAreaHeight;
    l.vScroll = true;
  }
  if (l.areaWidth > kMaxAreaWidth) {
    l.areaWidth = kMaxAreaWidth;
    l.hScroll = true;
    l.vScroll = true;
  }
  if (l.vScroll || l.hScroll) l.areaHeight = std::max(l.areaHeight, kMinScrolledHeight);

  l.width = std::max(l.areaWidth + 80, m.titleWidth + 80);
  int widestCaption = 0;
  for (int w : m.captionWidths) widestCaption = std::max(widestCaption, w);
  l.buttonWidth = widestCaption + 30;
  l.buttonTop = std::max(l.areaHeight, 20) + 50;
  l.buttonHeight = int(std::lround(1.7 * m.charHeight));
  l.height = l.buttonTop + l.buttonHeight + (m.olderThanNT ? 35 : 40);

  const int n = int(m.captionWidths.size());
  const int need = n * l.buttonWidth + (n + 2) * 7;
  if (need > l.width) l.width = need + 10;
  // The buttons stand 10 apart, more than the 7 the rule above counts: from
  // five buttons on the last one would reach past the dialog's edge, so the
  // dialog widens until it ends 7 pixels inside.
  if (n > 0) l.width = std::max(l.width, n * l.buttonWidth + 19 * n - 19);
  const int first = (l.width - n * l.buttonWidth - (n + 14)) / 2;
  for (int i = 0; i < n; ++i) l.buttonLefts.push_back(first + i * (l.buttonWidth + 10));
  return l;
}

}  // namespace qv
