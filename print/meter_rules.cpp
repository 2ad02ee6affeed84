#include "print/meter_rules.h"

#include <algorithm>
#include <cmath>

namespace pr {

double meterValue(double value, double total) { return std::clamp(value, 0.0, std::max(0.0, total)); }

double meterPercent(double value, double total) { return total > 0 ? value / total * 100 : 0; }

int meterFilledSize(double percent, int fullSize, bool vertical) {
  const double p = std::max(percent, 1.0);
  const int part = int(fullSize * p / 100);
  return vertical ? fullSize - part : part;
}

bool meterNeedsRedraw(double percent, int lastDrawn) { return int(percent) != lastDrawn; }

std::string meterText(const std::string& caption, bool percentage, double value, double total) {
  std::string t;
  if (caption.find_first_not_of(' ') != std::string::npos) t = caption + " ";
  if (percentage) t += std::to_string(int(meterPercent(value, total))) + "%";
  return t;
}

std::vector<QColor> meterGradient(const QColor& c1, const QColor& c2, int extent, bool mirrored) {
  std::vector<QColor> lines(size_t(std::max(0, extent)));
  if (extent <= 0) return lines;
  const double span = mirrored ? std::max(1.0, extent / 2.0) : double(extent);
  const int from[3] = {c1.red(), c1.green(), c1.blue()};
  const int to[3] = {c2.red(), c2.green(), c2.blue()};
  double ch[3] = {double(from[0]), double(from[1]), double(from[2])};
  double step[3];
  for (int i = 0; i < 3; ++i) step[i] = (to[i] >= from[i] ? 1 : -1) * std::abs(to[i] - from[i]) / span;
  const int last = mirrored ? (extent - 1) / 2 : extent - 1;
  for (int y = 0; y <= last; ++y) {
    const QColor c(std::clamp(int(std::lround(ch[0])), 0, 255), std::clamp(int(std::lround(ch[1])), 0, 255),
                   std::clamp(int(std::lround(ch[2])), 0, 255));
    lines[size_t(y)] = c;
    if (mirrored) lines[size_t(extent - 1 - y)] = c;
    for (int i = 0; i < 3; ++i) ch[i] = std::clamp(ch[i] + step[i], 0.0, 255.0);
  }
  return lines;
}


}  // namespace pr
