// `qvlabel render … --print` and `--preview`: the symbol drawn through the
// program's printer device, printed at once or recorded and shown in the
// preview window.
#pragma once

#include <optional>
#include <string>

#include "tools/qvlabel_render.h"

namespace qvlabel {

struct PrintRequest {
  bool preview = false;                // record and open the preview, else print at once
  std::optional<std::string> printer;  // a system printer (part of its name); none: the default
  std::string outFile;                 // a name ending in .pdf prints to that PDF file
};

// Draws the symbol 2 cm from the paper's top and left edges on one page of
// the printer device. Needs a QApplication. Returns the exit code: 0 done
// (the preview closed), 2 with a message on standard error when no printer
// or preview could be had.
int PrintSymbol(const SymbolRequest& req, const PrintRequest& how);

}  // namespace qvlabel
