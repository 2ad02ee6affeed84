// The rules of the progress meter as plain functions: clamping the value,
// the percentage and the filled size, when a new value redraws, the text
// written over the bar and the colours of its gradient.
#pragma once

#include <QColor>
#include <string>
#include <vector>

namespace pr {

// The value clamped to 0 … total.
double meterValue(double value, double total);
// value ÷ total × 100; 0 when the total is not above 0.
double meterPercent(double value, double total);
// The filled size in pixels for percentage p of a full size: p % of it for a
// horizontal meter, the full size minus p % for a vertical one (the part
// left unfilled at the top); p below 1 counts as 1.
int meterFilledSize(double percent, int fullSize, bool vertical);
// A new value redraws only when its whole percentage differs from the one
// last drawn.
bool meterNeedsRedraw(double percent, int lastDrawn);
// The text over the bar: the caption and a blank when the caption is not
// blank, then, with the percentage, the whole percentage and "%".
std::string meterText(const std::string& caption, bool percentage, double value, double total);
// One colour per line across `extent` lines from c1 towards c2, each channel
// moving by |c2 − c1| ÷ extent per line; mirrored (kind 2) the steps are
// twice as large and both edges carry c1 with c2 in the middle.
std::vector<QColor> meterGradient(const QColor& c1, const QColor& c2, int extent, bool mirrored);

}  // namespace pr
