#include "print/printer_geometry.h"

#include <algorithm>
#include <cmath>

namespace pr {

namespace {

double perMm(int res, double sizeMm) { return sizeMm > 0 ? res / sizeMm : 0.0; }

}  // namespace

RowCol cmtrToPix(const PrinterMetrics& m, double row, double col) {
  return {std::max(0.0, row * 10 * perMm(m.vertRes, m.vertSize) - m.yOffset),
          std::max(0.0, col * 10 * perMm(m.horzRes, m.horzSize) - m.xOffset)};
}

RowCol inchToPix(const PrinterMetrics& m, double row, double col) {
  return {std::max(0.0, row * 25.4 * perMm(m.vertRes, m.vertSize) - m.yOffset),
          std::max(0.0, col * 25.4 * perMm(m.horzRes, m.horzSize) - m.xOffset)};
}

RowCol pixToMmtr(const PrinterMetrics& m, double row, double col) {
  return {m.logPixelY > 0 ? row * 25.4 / m.logPixelY : 0.0, m.logPixelX > 0 ? col * 25.4 / m.logPixelX : 0.0};
}

RowCol pixToInch(const PrinterMetrics& m, double row, double col) {
  return {m.logPixelY > 0 ? row / m.logPixelY : 0.0, m.logPixelX > 0 ? col / m.logPixelX : 0.0};
}

QTransform mappingTransform(const Mapping& m, int dpiX, int dpiY) {
  auto perInch = [&](double units) { return QTransform::fromScale(dpiX / units, dpiY / units); };
  switch (m.mode) {
    case MapMode::Pixel: return {};
    case MapMode::LoMetric: return perInch(254);
    case MapMode::HiMetric: return perInch(2540);
    case MapMode::LoInch: return perInch(100);
    case MapMode::HiInch: return perInch(1000);
    case MapMode::Twips: return perInch(1440);
    case MapMode::Isotropic:
    case MapMode::Anisotropic: {
      if (m.windowX == 0 || m.windowY == 0) return {};
      double sx = m.viewportX / m.windowX;
      double sy = m.viewportY / m.windowY;
      if (m.mode == MapMode::Isotropic) sx = sy = std::min(std::abs(sx), std::abs(sy));
      return QTransform::fromScale(sx, sy);
    }
  }
  return {};
}

}  // namespace pr
