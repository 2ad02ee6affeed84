// What `qvlabel render` draws: one symbol through its drawing function, with
// its quiet zones, on any drawing device (an image here; a printer page or
// a preview page elsewhere).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "barcode/device.h"
#include "barcode/symbology.h"

namespace qvlabel {

struct SymbolRequest {
  bc::Symbology symbology = bc::Symbology::Ean13;
  std::string code;
  double moduleCm = 0.025;  // module width, centimetres (> 0)
  double heightCm = 1.5;    // bar height, centimetres (> 0)
  bool digits = false;      // human-readable digits (EAN/UPC family and the add-on)
  bool vertical = false;    // modules from top to bottom
  bool check = false;       // check character (Code 39, 2 of 5)
  std::string set;          // Code 128 code set "A", "B", "C" or empty
  bc::Rgb color = 0;
};

// The symbology of a type code ("13", "UPCA", "8", "5", "128", "3-9",
// "CODABAR", "INT25", "IND25", "MAT25"; letters in either case), nothing for
// any other text.
std::optional<bc::Symbology> SymbologyOfType(std::string_view type);

// The module string the symbol's encoder gives for the request (for EAN-8
// and UPC-A the symbol itself, not the guard mask).
std::string ModulesOf(const SymbolRequest& req);

// Where the symbol stands on a page of its own and how large that page is,
// in pixels at `dpi`: quiet zones of at least ten modules (twelve for the
// EAN/UPC family, whose outer digits stand beside the guards) on every side,
// and room for the digits beyond the bars.
struct SymbolLayout {
  int widthPx = 0;
  int heightPx = 0;
  double top = 0;
  double left = 0;
};
SymbolLayout LayoutSymbol(const SymbolRequest& req, double dpi);

// Draws the symbol with its first module's upper-left corner at (top, left)
// device pixels through the symbology's drawing function.
void DrawSymbol(bc::DrawDevice& dev, const SymbolRequest& req, double top, double left);

}  // namespace qvlabel
