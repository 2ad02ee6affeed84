// A label job without a window, for automation and for shops that send
// PDF files to a print service (`qvlabel sheet`): a data folder opened as
// start-up opens it, the design and format chosen by number or name (the
// ones chosen last in the generator by default), the products of one code
// or of a CSV list, the job written to a PDF file through the printer
// device on the format's paper (A4 unless its HOJA names another).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qv {

struct SheetRequest {
  std::string dataFolder;
  std::string outFile;                 // .pdf
  std::optional<std::string> code;     // found as page 1 finds it
  std::optional<int64_t> quantity;     // with code; none: the rest of the sheet
  std::optional<std::string> listFile; // CSV of codes and quantities (print_list.h)
  std::optional<std::string> design;   // a number (1, 2, ...) or a name
  std::optional<std::string> format;   // a name
  int64_t start = 1;                   // the first label used on the first sheet
  bool outline = false;                // the labels' outlines over the content
  std::optional<int> dpi;              // the PDF device's resolution; none: the printer device's
};

struct SheetResult {
  // 0 done, 1 a code not stored (named in `message`), 2 any other error.
  int exitCode = 0;
  int64_t labels = 0;
  int64_t pages = 0;
  std::string message;                // Spanish
  std::vector<std::string> warnings;  // items that stick out of their labels
};

// Runs the job; needs a QGuiApplication. The working folder is the data
// folder meanwhile and is given back afterwards, as are the tables (every
// table is closed at the end). Relative file names are taken from the
// working folder of the call.
SheetResult printSheet(const SheetRequest& request);

}  // namespace qv
