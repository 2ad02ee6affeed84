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

// The image seen as the printer draws pictures: a picture takes its own
// pixels on the printer, so on an image of another resolution it measures
// its pixels scaled by the two resolutions. Everything else is the image's.
class PrinterPictures final : public bc::DrawDevice {
 public:
  PrinterPictures(bc::ImageDevice& image, double printerDpi) : image_(image), ratio_(image.dpi() / printerDpi) {}
  int nHorzRes() const override { return image_.nHorzRes(); }
  int nVertRes() const override { return image_.nVertRes(); }
  double nHorzSize() const override { return image_.nHorzSize(); }
  double nVertSize() const override { return image_.nVertSize(); }
  int nLogPixelsX() const override { return image_.nLogPixelsX(); }
  int nLogPixelsY() const override { return image_.nLogPixelsY(); }
  void FillRect(int top, int left, int bottom, int right, bc::Rgb color) override {
    image_.FillRect(top, left, bottom, right, color);
  }
  void Say(int row, int col, std::string_view text, const bc::FontSpec& font, bc::Rgb color) override {
    image_.Say(row, col, text, font, color);
  }
  void Box(int top, int left, int bottom, int right, const bc::PenSpec& pen) override {
    image_.Box(top, left, bottom, right, pen);
  }
  void SayText(double row, double col, std::string_view text, const bc::TextFont& font, bc::Rgb color, int align,
               double angle) override {
    image_.SayText(row, col, text, font, color, align, angle);
  }
  double TextWidth(std::string_view text, const bc::TextFont& font) const override {
    return image_.TextWidth(text, font);
  }
  bc::PixSize BitmapSize(std::string_view file) const override {
    const bc::PixSize own = image_.BitmapSize(file);
    return {int(std::lround(own.width * ratio_)), int(std::lround(own.height * ratio_))};
  }
  void DrawBitmap(double row, double col, std::string_view file, int width, int height) override {
    image_.DrawBitmap(row, col, file, width, height);
  }
  void ClipTo(int top, int left, int bottom, int right) override { image_.ClipTo(top, left, bottom, right); }
  void NoClip() override { image_.NoClip(); }
  void Cmtr2Pix(double& row, double& col) const override { image_.Cmtr2Pix(row, col); }
  bc::RowCol Pix2Mmtr(double row, double col) const override { return image_.Pix2Mmtr(row, col); }

 private:
  bc::ImageDevice& image_;
  double ratio_;
};

}  // namespace

LabelRunValues oneLabelRun(const LabelRunValues& run) {
  LabelRunValues one = run;
  one.rows = one.columns = 1;
  one.top = kPreviewMargin + kInsetTop;
  one.left = kPreviewMargin + kInsetSide;
  return one;
}

DesignPreview drawDesignPreview(const std::vector<LabelRow>& rows, const std::string& cAlias,
                                const LabelRunValues& run, PreviewScope scope, double dpi, double printerDpi) {
  const ErrorCapture quiet;
  const bool sheet = scope == PreviewScope::Sheet;
  const LabelRunValues laid = sheet ? run : oneLabelRun(run);
  const double width = sheet ? kPageWidth : std::max(laid.labelWidth, 0.1) + 2 * kPreviewMargin;
  const double height = sheet ? kPageHeight : std::max(laid.labelHeight, 0.1) + 2 * kPreviewMargin;
  bc::ImageDevice image(pixels(width, dpi), pixels(height, dpi), dpi);
  PrinterPictures dev(image, printerDpi);
  DesignPreview out;
  out.dpi = dpi;
  layOutLabelSheet(dev, cAlias, rows, laid, {});
  out.overflows = labelOverflows(dev, cAlias, rows, laid);
  out.image = image.toImage();

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
