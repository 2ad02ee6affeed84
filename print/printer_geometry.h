// Geometry of a printer page and the unit conversions of the printer device.
//
// Device pixels count from the top-left corner of the printable area; the
// printer's physical offsets (the unprintable left and top margins) turn
// positions measured from the paper's edge into printable-area pixels.
#pragma once

#include <QTransform>

#include "barcode/device.h"

namespace pr {

struct PrinterMetrics {
  int horzRes = 0;        // printable width, device pixels
  int vertRes = 0;        // printable height, device pixels
  double horzSize = 0;    // printable width, millimetres
  double vertSize = 0;    // printable height, millimetres
  int logPixelX = 0;      // pixels per inch across
  int logPixelY = 0;      // pixels per inch down
  int xOffset = 0;        // unprintable left margin, device pixels
  int yOffset = 0;        // unprintable top margin, device pixels
  int paperWidth = 0;     // the whole sheet of paper, device pixels
  int paperHeight = 0;
};

using RowCol = bc::RowCol;

// Centimetres from the paper's top-left corner to printable-area pixels:
// rows by the vertical resolution, columns by the horizontal one, each minus
// the printer's offset and never below 0. A device without sizes (no printer)
// gives (0, 0).
RowCol cmtrToPix(const PrinterMetrics& m, double row, double col);

// Inches from the paper's top-left corner to printable-area pixels, as
// cmtrToPix.
RowCol inchToPix(const PrinterMetrics& m, double row, double col);

// Pixels to millimetres and to inches: rows by the vertical pixels per inch,
// columns by the horizontal ones. No offsets are involved. A device without a
// resolution gives (0, 0).
RowCol pixToMmtr(const PrinterMetrics& m, double row, double col);
RowCol pixToInch(const PrinterMetrics& m, double row, double col);

// Mapping modes of the output: logical units of 1 pixel, 0.1 mm, 0.01 mm,
// 0.01 inch, 0.001 inch, 1/1440 inch, or window extents mapped onto viewport
// extents (isotropic: the same scale on both axes, the smaller one). Rows
// grow downwards in every mode.
enum class MapMode { Pixel = 1, LoMetric = 2, HiMetric = 3, LoInch = 4, HiInch = 5, Twips = 6, Isotropic = 7, Anisotropic = 8 };

struct Mapping {
  MapMode mode = MapMode::Pixel;
  double windowX = 1, windowY = 1;      // window extents
  double viewportX = 1, viewportY = 1;  // viewport extents
};

// The transform from logical units to device pixels for a device of the
// given pixels per inch.
QTransform mappingTransform(const Mapping& m, int dpiX, int dpiY);

}  // namespace pr
