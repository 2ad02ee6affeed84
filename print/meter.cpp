#include "print/meter.h"

#include <QPainter>

#include "barcode/qt/qt_font.h"
#include "print/meter_rules.h"
#include "ui/control_id.h"

namespace pr {

TVMETER::TVMETER(QWidget* oWnd, const Options& o)
    : QWidget(oWnd),
      nTotal_(o.nTotal),
      nClrBar1_(o.nClrBar1),
      nClrBar2_(o.nClrBar2),
      nTipo_(o.nTipo.value_or(2)),
      cText_(o.cText),
      lPercentage_(!o.lNoPercentage),
      lVertical_(o.lVertical),
      bSetGet_(o.bSetGet) {
  const int top = o.lPixel ? int(o.nRow) : int(o.nRow * 14);
  const int left = o.lPixel ? int(o.nCol) : int(o.nCol * 8);
  setGeometry(left, top, o.nWidth, o.nHeight);
  if (o.oFont) setFont(*o.oFont);
  QPalette pal = palette();
  if (o.nClrPane) pal.setColor(QPalette::Window, bc::ToQColor(bc::Rgb(*o.nClrPane)));
  if (o.nClrText) pal.setColor(QPalette::WindowText, bc::ToQColor(bc::Rgb(*o.nClrText)));
  setPalette(pal);
  if (o.lDesign) setFocusPolicy(Qt::TabFocus);
  Default();
}

TVMETER* TVMETER::ReDefine(QWidget* dialog, int nId, Options o) {
  QWidget* place = dialog ? ui::controlById(dialog, nId) : nullptr;
  if (!place || !place->parentWidget()) return nullptr;
  if (!o.nClrPane) o.nClrPane = 0;
  if (!o.nClrText) o.nClrText = 0;
  if (!o.nTipo) o.nTipo = 3;
  o.lPixel = true;
  o.nRow = place->y();
  o.nCol = place->x();
  o.nWidth = place->width();
  o.nHeight = place->height();
  auto* meter = new TVMETER(place->parentWidget(), o);
  meter->setProperty(ui::kControlIdProperty, nId);
  place->setProperty(ui::kControlIdProperty, QVariant());
  place->hide();
  return meter;
}

void TVMETER::Default() {
  if (!bSetGet_) {
    bSetGet_ = [v = 1.0](std::optional<double> n) mutable {
      if (n) v = *n;
      return v;
    };
  }
  aArra_ = rect();
  lPrimeiro_ = false;
  value_ = meterValue(readValue(), nTotal_);
  recompute();
  nPerAnt_ = int(percent_);
}

double TVMETER::readValue() const { return bSetGet_ ? bSetGet_(std::nullopt) : 0.0; }

void TVMETER::recompute() {
  percent_ = meterPercent(value_, nTotal_);
  filled_ = meterFilledSize(percent_, lVertical_ ? aArra_.height() : aArra_.width(), lVertical_);
}

void TVMETER::Set(std::optional<double> nActual) {
  if (nActual) bSetGet_(*nActual);
  value_ = meterValue(nActual ? *nActual : readValue(), nTotal_);
  recompute();
  if (meterNeedsRedraw(percent_, nPerAnt_)) {
    nPerAnt_ = int(percent_);
    ++redraws_;
    update();
  }
}

void TVMETER::SetTotal(double nTotal) {
  nTotal_ = nTotal;
  Paint();
}

void TVMETER::Paint() {
  value_ = meterValue(readValue(), nTotal_);
  recompute();
  nPerAnt_ = int(percent_);
  update();
}

std::string TVMETER::text() const { return meterText(cText_, lPercentage_, value_, nTotal_); }

void TVMETER::resizeEvent(QResizeEvent*) {
  aArra_ = rect();
  recompute();
}

void TVMETER::paintGradient(QPainter& p, const QRect& r, const QColor& c1, const QColor& c2) const {
  const int extent = lVertical_ ? r.width() : r.height();
  const std::vector<QColor> lines = meterGradient(c1, c2, extent, nTipo_ == 2);
  for (int i = 0; i < extent; ++i) {
    if (lVertical_) {
      p.fillRect(QRect(r.left() + i, r.top(), 1, r.height()), lines[size_t(i)]);
    } else {
      p.fillRect(QRect(r.left(), r.top() + i, r.width(), 1), lines[size_t(i)]);
    }
  }
}

void TVMETER::paintText(QPainter& p, const QRect& r, const QColor& c) const {
  const QString t = QString::fromStdString(text());
  p.setPen(c);
  if (!lVertical_) {
    p.drawText(QRect(r.left(), r.top() + (r.height() - 14) / 2 + 1, r.width(), 14), Qt::AlignHCenter | Qt::AlignTop,
               t);
    return;
  }
  const int top = r.top() + (r.height() - int(t.size()) * 14) / 2;
  for (int i = 0; i < int(t.size()); ++i)
    p.drawText(QRect(r.left(), top + i * 14, r.width(), 14), Qt::AlignHCenter | Qt::AlignTop, t.mid(i, 1));
}

void TVMETER::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QRect full = rect();
  const QColor shadow = palette().color(QPalette::Dark);
  const QColor light = palette().color(QPalette::Light);
  const QColor bar1 = bc::ToQColor(bc::Rgb(nClrBar1_)), bar2 = bc::ToQColor(bc::Rgb(nClrBar2_)), barText = bc::ToQColor(bc::Rgb(nClrBText_));
  const int whole = int(percent_);
  if (!lVertical_) {
    paintGradient(p, full, shadow, light);
    paintText(p, full, Qt::black);
    if (whole > 0) {
      const QRect filled(0, 0, filled_, full.height());
      p.setClipRect(filled);
      paintGradient(p, full, bar1, bar2);
      paintText(p, full, barText);
    }
    return;
  }
  if (whole <= 0) {
    paintGradient(p, full, shadow, light);
    paintText(p, full, Qt::black);
    return;
  }
  paintGradient(p, full, bar1, bar2);
  paintText(p, full, barText);
  if (whole < 100) {
    p.setClipRect(QRect(0, 0, full.width(), filled_));
    paintGradient(p, full, shadow, light);
    paintText(p, full, Qt::black);
  }
}

}  // namespace pr
