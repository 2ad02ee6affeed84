#include "tools/qvlabel_render.h"

#include <algorithm>
#include <cmath>

namespace qvlabel {

namespace {

using bc::Symbology;

std::string Upper(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  return out;
}

int Pix(double cm, double dpi) { return int(std::lround(cm * 10.0 * dpi / 25.4)); }

bc::SymbolStyle StyleOf(const SymbolRequest& req) {
  bc::SymbolStyle style;
  style.color = req.color;
  style.horizontal = !req.vertical;
  style.moduleCm = req.moduleCm;
  style.heightCm = req.heightCm;
  style.digits = req.digits;
  style.check = req.check;
  style.set = req.set;
  return style;
}

}  // namespace

std::optional<Symbology> SymbologyOfType(std::string_view type) {
  const std::string t = Upper(type);
  for (const auto& info : bc::symbologies())
    if (info.code == t) return info.symbology;
  return std::nullopt;
}

std::string ModulesOf(const SymbolRequest& req) { return bc::symbologyInfo(req.symbology).encode(req.code, StyleOf(req)); }

SymbolLayout LayoutSymbol(const SymbolRequest& req, double dpi) {
  const bool family = bc::symbologyInfo(req.symbology).eanUpc;
  const int w = std::max(1, Pix(req.moduleCm, dpi));
  const int h = std::max(1, Pix(req.heightCm, dpi));
  const int along = int(ModulesOf(req).size()) * w;
  const int quiet = (family ? 12 : 10) * w;
  // The digits of the EAN/UPC family stand 0.9 of the bar length from the
  // bars' start and are one font cell high.
  int beyond = 0;
  if (req.digits && family) {
    const double cell = h * 0.04 * std::lround(dpi) / 72.0;
    beyond = std::max(0, int(std::ceil(0.9 * h + cell)) - h);
  }
  SymbolLayout out;
  const int across = h + beyond;
  if (req.vertical) {
    out.widthPx = across + 2 * quiet;
    out.heightPx = along + 2 * quiet;
    out.left = quiet + beyond;
  } else {
    out.widthPx = along + 2 * quiet;
    out.heightPx = across + 2 * quiet;
    out.left = quiet;
  }
  out.top = quiet;
  return out;
}

void DrawSymbol(bc::DrawDevice& dev, const SymbolRequest& req, double top, double left) {
  bc::symbologyInfo(req.symbology).draw(top, left, req.code, dev, StyleOf(req));
}

}  // namespace qvlabel
