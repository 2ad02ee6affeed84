// The one symbology table everything dispatches on: the symbology codes by
// which product-code rows (`TIPOBAR`), the current code (`cElTipBarr`) and
// label designs name a symbology, the option numbers of the code screens
// and what those screens accept, the prefix rule that matches a stored value
// to a code for printing, and each symbology's encoder and drawing function.
//
// A stored value matches a code when it begins with that code, so the
// trailing blanks of a fixed-width field do not matter.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "barcode/device.h"
#include "barcode/draw.h"

namespace bc {

enum class Symbology { Ean13, UpcA, Ean8, Code128, Code39, Ind25, Mat25, Sup5, Codabar, Int25 };

// How a symbol is drawn: colour, orientation, module width and bar height
// in centimetres, the human-readable digits (only symbologies that have
// them), the check character (Code 39 and the 2 of 5 family) and the Code
// 128 code set ("A", "B", "C" or empty for the encoder's own choice).
struct SymbolStyle {
  Rgb color = 0;
  bool horizontal = true;
  double moduleCm = kModuleCm;
  double heightCm = kHeightCm;
  bool digits = false;
  bool check = false;
  std::string_view set;
};

struct SymbologyInfo {
  Symbology symbology;
  std::string_view code;  // "13", "UPCA", ...
  int option;             // 1 to 8 on the code screens, 0: not offered
  int printRank;          // order in which a stored value is matched for printing
  std::string_view name;  // "EAN-13", ...
  // What the code screens accept: a complete code of codeLength characters
  // whose first checkedDigits digits carry the computed check digit; 0 and
  // 0: any code, stored whole without a check digit of its own.
  int codeLength;
  int checkedDigits;
  // What a code kept whole may hold (Windows-1252 bytes, blanks around it
  // already removed): a Spanish sentence that names what the symbology
  // cannot carry, empty when it can carry the code; null when any code that
  // passes the rules above can be drawn.
  std::string (*refusal)(std::string_view code);
  bool humanReadable;  // draws its digits when asked
  bool eanUpc;         // the EAN/UPC family: outer digits beside the guards
  // The module string of a code ("1" dark), as the drawing function draws it.
  std::string (*encode)(std::string_view code, const SymbolStyle& style);
  // Draws the symbol with its first module's upper-left corner at (top,
  // left) device pixels.
  void (*draw)(double top, double left, std::string_view code, DrawDevice& dev, const SymbolStyle& style);
};

// The ten symbologies in the order of their option numbers, then Codabar and
// interleaved 2 of 5.
std::span<const SymbologyInfo> symbologies();

const SymbologyInfo& symbologyInfo(Symbology s);

// Why the code screens refuse to store `code` (Windows-1252 bytes) under
// symbology `s`: the table's refusal, empty when the code can be stored.
std::string codeRefusal(Symbology s, std::string_view code);

// True when `value` begins with `code`.
bool symbologyMatches(std::string_view value, std::string_view code);

// The symbology a label draws for a stored value: the codes are tried in the
// order of their print rank, "13", "128", "3-9", "UPCA", "8", "5",
// "CODABAR", "INT25", "IND25", "MAT25", and the first match wins; an absent
// value counts as "13"; a value that matches none (the empty text included)
// gives nothing: no barcode.
std::optional<Symbology> symbologyForPrint(std::optional<std::string_view> value);

// The option (1 to 8) of a stored value on the code screens: the codes are
// tried in option order, the first match wins, no match gives option 1.
int optionForStoredType(std::string_view value);

// The symbology of an option number 1 to 8; nothing for any other number.
std::optional<Symbology> symbologyForOption(int option);

}  // namespace bc
