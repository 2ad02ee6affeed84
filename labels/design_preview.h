// The design editor's preview: a design's rows laid out by the print run's
// own layout (label_layout.h) on an image, one label of the chosen format or
// its whole sheet, with the fit check's findings (label_fit.h) outlined: the
// label's edge in grey, the ink of every item that sticks out in red.
#pragma once

#include <QImage>
#include <string>
#include <vector>

#include "labels/label_fit.h"
#include "labels/label_layout.h"

namespace lb {

enum class PreviewScope { Label, Sheet };

// The room around a label previewed alone, centimetres: an item that sticks
// out shows its outline there.
inline constexpr double kPreviewMargin = 0.5;
// The page a sheet is previewed on (A4), centimetres.
inline constexpr double kPageWidth = 21.0;
inline constexpr double kPageHeight = 29.7;

struct DesignPreview {
  QImage image;
  double dpi = 0;
  std::vector<ItemOverflow> overflows;
};

// Draws `rows` (header first, as labelSheetRows gives them) with the
// current product record of cAlias on the format `run` at `dpi`, pictures
// at the size they take on a printer of `printerDpi` (the run draws a
// picture by its own pixels, so their size on paper depends on the
// printer). One label
// stands kPreviewMargin inside its image, on a light grey ground; a sheet
// fills an A4 page. A run-time error of the design (an expression that
// does not evaluate) is not shown: its item draws nothing, and the editor's
// form tells what is wrong.
DesignPreview drawDesignPreview(const std::vector<LabelRow>& rows, const std::string& cAlias,
                                const LabelRunValues& run, PreviewScope scope, double dpi, double printerDpi);

// The run of one label alone, kPreviewMargin from the image's corner.
LabelRunValues oneLabelRun(const LabelRunValues& run);

}  // namespace lb
