#include "labels/label_fit.h"

#include <QFontMetricsF>
#include <QString>
#include <cmath>
#include <map>

#include "barcode/extent.h"
#include "barcode/qt/qt_font.h"
#include "xbase/codepage.h"
#include "xbase/text.h"

namespace lb {
namespace {

// The extent device that also measures label texts: the ink the printer
// would draw, placed as the drawing device places it.
class MeasureDevice final : public bc::ExtentDevice {
 public:
  using ExtentDevice::ExtentDevice;
  void SayText(double row, double col, std::string_view text, const bc::TextFont& font, bc::Rgb, int align,
               double angle) override {
    const QFont f = bc::MakeTextFont(font, nLogPixelsY());
    const QRectF ink = bc::TextInkRect(QFontMetricsF(f), f, row, col,
                                       QString::fromUtf8(text.data(), qsizetype(text.size())), align, angle);
    if (!ink.isEmpty()) add({ink.top(), ink.left(), ink.bottom(), ink.right()});
  }
};

std::string itemDescription(const LabelRow& item) {
  const std::string kind = textOf(at(item, kTipoBTI));
  const std::string campo = xb::cp1252ToUtf8(xb::trim(textOf(at(item, kCampo))));
  switch (kind.empty() ? ' ' : kind[0]) {
    case 'T': return "texto " + campo;
    case 'I': return "imagen " + campo;
    default: return "código de barras";
  }
}

const char* sideText(LabelSide side) {
  switch (side) {
    case LabelSide::Left: return "por la izquierda";
    case LabelSide::Top: return "por arriba";
    case LabelSide::Bottom: return "por abajo";
    case LabelSide::Right: break;
  }
  return "por la derecha";
}

// Millimetres with one decimal and a decimal comma.
std::string millimetres(double mm) {
  const long tenths = std::lround(mm * 10);
  return std::to_string(tenths / 10) + "," + std::to_string(tenths % 10);
}

}  // namespace

std::vector<ItemInk> measureLabelSheet(const bc::DrawDevice& geometry, const std::string& cAlias,
                                       const std::vector<LabelRow>& rows, const LabelRunValues& run) {
  return measureLabels(geometry, cAlias, run, [&rows](int64_t) { return &rows; });
}

std::vector<ItemInk> measureLabels(const bc::DrawDevice& geometry, const std::string& cAlias,
                                   const LabelRunValues& run, const LabelFill& fill) {
  MeasureDevice measure(geometry);
  std::vector<ItemInk> out;
  layOutLabels(measure, cAlias, run, fill, [&](int64_t label, size_t item, const LabelBox& box) {
    if (!measure.all().empty()) out.push_back({label, item, box, measure.all()});
    measure.clear();
  });
  return out;
}

std::vector<ItemOverflow> labelOverflows(const bc::DrawDevice& geometry, const std::string& cAlias,
                                         const std::vector<LabelRow>& rows, const LabelRunValues& run) {
  return overflowsOf(geometry, measureLabelSheet(geometry, cAlias, rows, run), rows);
}

std::vector<ItemOverflow> overflowsOf(const bc::DrawDevice& geometry, const std::vector<ItemInk>& inks,
                                      const std::vector<LabelRow>& rows) {
  std::map<size_t, ItemOverflow> worst;
  for (const ItemInk& m : inks) {
    double top = m.box.top, left = m.box.left, bottom = m.box.bottom, right = m.box.right;
    geometry.Cmtr2Pix(top, left);
    geometry.Cmtr2Pix(bottom, right);
    const std::pair<LabelSide, double> excess[] = {
        {LabelSide::Right, geometry.Pix2Mmtr(0, m.ink.right - right).col},
        {LabelSide::Left, geometry.Pix2Mmtr(0, left - m.ink.left).col},
        {LabelSide::Top, geometry.Pix2Mmtr(top - m.ink.top, 0).row},
        {LabelSide::Bottom, geometry.Pix2Mmtr(m.ink.bottom - bottom, 0).row},
    };
    for (const auto& [side, mm] : excess) {
      if (mm < 0.05) continue;
      ItemOverflow& o = worst[m.item];
      if (mm > o.mm) o = {m.item, itemDescription(rows[m.item]), mm, side};
    }
  }
  std::vector<ItemOverflow> out;
  for (const auto& [item, o] : worst) out.push_back(o);
  return out;
}

std::string overflowText(const ItemOverflow& o) {
  return "El elemento " + std::to_string(o.item) + " (" + o.what + ") sobresale " + millimetres(o.mm) + " mm " +
         sideText(o.side) + " de la etiqueta.";
}

std::string fitQuestion(const std::vector<ItemOverflow>& overflows) {
  std::string text;
  for (const ItemOverflow& o : overflows) {
    if (!text.empty()) text += "\n";
    text += overflowText(o);
  }
  return text + " ¿ Desea imprimir de todos modos ?";
}

}  // namespace lb
