// The preview's print dialog ("Print" form of the preview's resource file):
// the printer's name, driver and port; all pages, the current page, even
// pages, odd pages or a page range; the number of copies.
#pragma once

#include <optional>

#include "labels/printer_dialogs.h"

class QWidget;

namespace lb {

// Runs the dialog; none when cancelled or when the form cannot be loaded.
// A range outside 1 ≤ from ≤ to ≤ page count is refused with a beep.
std::optional<PreviewPrintChoice> runPreviewPrintDialog(const PreviewPrintForm& form, QWidget* parent);

}  // namespace lb
