// The preview's print dialog ("Print" form of the preview's resource file):
// the printer's name, driver and port; all pages, the current page, even
// pages, odd pages or a page range; the number of copies.
#pragma once

#include <optional>
#include <string>

class QWidget;

namespace pr {

// What the preview's print dialog shows.
struct PreviewPrintForm {
  std::string printer, driver, port;
  int pageCount = 1;
  int copies = 1;
};

// What the user chose in it: option 1 all pages, 2 the current page, 3 even
// pages, 4 odd pages, 5 the range from … to; and the copies.
struct PreviewPrintChoice {
  int option = 1;
  int from = 1;
  int to = 1;
  int copies = 1;
  friend bool operator==(const PreviewPrintChoice&, const PreviewPrintChoice&) = default;
};

// Runs the dialog; none when cancelled or when the form cannot be loaded.
// A range outside 1 ≤ from ≤ to ≤ page count is refused with a beep.
std::optional<PreviewPrintChoice> runPreviewPrintDialog(const PreviewPrintForm& form, QWidget* parent);

}  // namespace pr
