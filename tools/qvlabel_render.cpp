#include "tools/qvlabel_render.h"

#include <algorithm>
#include <cmath>

#include "barcode/codabar.h"
#include "barcode/code128.h"
#include "barcode/code39.h"
#include "barcode/draw.h"
#include "barcode/ean_upc.h"
#include "barcode/two_of_five.h"

namespace qvlabel {

namespace {

using bc::Symbology;

std::string Upper(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  return out;
}

bool HasDigits(Symbology s) {
  return s == Symbology::Ean13 || s == Symbology::UpcA || s == Symbology::Ean8 || s == Symbology::Sup5;
}

int Pix(double cm, double dpi) { return int(std::lround(cm * 10.0 * dpi / 25.4)); }

}  // namespace

std::optional<Symbology> SymbologyOfType(std::string_view type) {
  const std::string t = Upper(type);
  for (const auto& info : bc::symbologies())
    if (info.code == t) return info.symbology;
  return std::nullopt;
}

std::string ModulesOf(const SymbolRequest& req) {
  switch (req.symbology) {
    case Symbology::Ean13: return bc::enc::EAN13(req.code);
    case Symbology::UpcA: return bc::enc::UPC(req.code, 11);
    case Symbology::Ean8: return bc::enc::UPC(req.code, 7);
    case Symbology::Sup5: return bc::enc::SUP5(req.code);
    case Symbology::Code128: return bc::enc::CODE128(req.code, req.set);
    case Symbology::Code39: return bc::enc::CODE3_9(req.code, req.check);
    case Symbology::Codabar: return bc::enc::CODABAR(req.code);
    case Symbology::Int25: return bc::enc::INT25(req.code, req.check);
    case Symbology::Ind25: return bc::enc::IND25(req.code, req.check);
    case Symbology::Mat25: return bc::enc::MAT25(req.code, req.check);
  }
  return {};
}

SymbolLayout LayoutSymbol(const SymbolRequest& req, double dpi) {
  const bool family = req.symbology == Symbology::Ean13 || req.symbology == Symbology::UpcA ||
                      req.symbology == Symbology::Ean8;
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
  const bool hz = !req.vertical;
  const double mw = req.moduleCm;
  const double ht = req.heightCm;
  const bool text = req.digits && HasDigits(req.symbology);
  switch (req.symbology) {
    case Symbology::Ean13: bc::EAN13(top, left, req.code, dev, req.color, hz, mw, ht, text); break;
    case Symbology::UpcA: bc::UPCA(top, left, req.code, dev, req.color, hz, mw, ht, text); break;
    case Symbology::Ean8: bc::EAN8(top, left, req.code, dev, req.color, hz, mw, ht, text); break;
    case Symbology::Sup5: bc::SUP5(top, left, req.code, dev, req.color, hz, mw, ht, text); break;
    case Symbology::Code128: bc::CODE128(top, left, req.code, dev, req.set, req.color, hz, mw, ht); break;
    case Symbology::Code39: bc::CODE3_9(top, left, req.code, dev, req.check, req.color, hz, mw, ht); break;
    case Symbology::Codabar: bc::CODABAR(top, left, req.code, dev, req.color, hz, mw, ht); break;
    case Symbology::Int25: bc::INT25(top, left, req.code, dev, req.check, req.color, hz, mw, ht); break;
    case Symbology::Ind25: bc::IND25(top, left, req.code, dev, req.check, req.color, hz, mw, ht); break;
    case Symbology::Mat25: bc::MAT25(top, left, req.code, dev, req.check, req.color, hz, mw, ht); break;
  }
}

}  // namespace qvlabel
