#include "labels/design_preview.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <set>

#include "barcode/qt/image_device.h"
#include "labels/error_capture.h"

namespace lb {
namespace {

QRectF boxPixels(const bc::DrawDevice& dev, const LabelBox& b) {
  double top = b.top, left = b.left, bottom = b.bottom, right = b.right;
  dev.Cmtr2Pix(top, left);
  dev.Cmtr2Pix(bottom, right);
  return QRectF(QPointF(left, top), QPointF(right, bottom));
}

int pixels(double cm, double dpi) { return std::max(1, int(std::lround(cm / 2.54 * dpi))); }

}  // namespace

LabelRunValues oneLabelRun(const LabelRunValues& run) {
  LabelRunValues one = run;
  one.rows = one.columns = 1;
  one.top = kPreviewMargin + kInsetTop;
  one.left = kPreviewMargin + kInsetSide;
  return one;
}

DesignPreview drawDesignPreview(const std::vector<LabelRow>& rows, const std::string& cAlias,
                                const LabelRunValues& run, PreviewScope scope, double dpi) {
  const ErrorCapture quiet;
  const bool sheet = scope == PreviewScope::Sheet;
  const LabelRunValues laid = sheet ? run : oneLabelRun(run);
  const double width = sheet ? kPageWidth : std::max(laid.labelWidth, 0.1) + 2 * kPreviewMargin;
  const double height = sheet ? kPageHeight : std::max(laid.labelHeight, 0.1) + 2 * kPreviewMargin;
  bc::ImageDevice dev(pixels(width, dpi), pixels(height, dpi), dpi);
  DesignPreview out;
  out.dpi = dpi;
  layOutLabelSheet(dev, cAlias, rows, laid, {});
  out.overflows = labelOverflows(dev, cAlias, rows, laid);
  out.image = dev.toImage();

  QPainter p(&out.image);
  p.setRenderHint(QPainter::Antialiasing);
  const double line = std::max(1.0, dpi / 150);
  if (!sheet) {
    // The ground around the label; the run clips every item to its label.
    QPainterPath ground;
    ground.addRect(out.image.rect());
    QPainterPath label;
    label.addRect(boxPixels(dev, labelBox(laid, 1)));
    p.fillPath(ground.subtracted(label), QColor(225, 225, 225));
  }
  p.setPen(QPen(QColor(150, 150, 150), line));
  for (int64_t n = 1; n <= laid.perSheet(); ++n) p.drawRect(boxPixels(dev, labelBox(laid, n)));
  std::set<size_t> sticking;
  for (const ItemOverflow& o : out.overflows) sticking.insert(o.item);
  if (!sticking.empty()) {
    p.setPen(QPen(QColor(220, 0, 0), 2 * line, Qt::DashLine));
    for (const ItemInk& m : measureLabelSheet(dev, cAlias, rows, laid))
      if (sticking.count(m.item))
        p.drawRect(QRectF(QPointF(m.ink.left, m.ink.top), QPointF(m.ink.right, m.ink.bottom)));
  }
  return out;
}

}  // namespace lb
