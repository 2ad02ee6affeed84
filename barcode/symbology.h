// The symbology codes by which product-code rows (`TIPOBAR`), the current
// code (`cElTipBarr`) and label designs name a symbology, the option numbers
// of the code screens, and the rule that matches a stored value to a code.
//
// A stored value matches a code when it begins with that code, so the
// trailing blanks of a fixed-width field do not matter.
#pragma once

#include <optional>
#include <span>
#include <string_view>

namespace bc {

enum class Symbology { Ean13, UpcA, Ean8, Code128, Code39, Ind25, Mat25, Sup5, Codabar, Int25 };

struct SymbologyInfo {
  Symbology symbology;
  std::string_view code;  // "13", "UPCA", ...
  int option;             // 1 to 8 on the code screens, 0: not offered
  std::string_view name;  // "EAN-13", ...
  int dataDigits;         // digits before the check digit; 0: free length
};

// The ten symbologies in the order of their option numbers, then Codabar and
// interleaved 2 of 5.
std::span<const SymbologyInfo> symbologies();

const SymbologyInfo& symbologyInfo(Symbology s);

// True when `value` begins with `code`.
bool symbologyMatches(std::string_view value, std::string_view code);

// The symbology a label draws for a stored value: the codes are tried in the
// order "13", "128", "3-9", "UPCA", "8", "5", "CODABAR", "INT25", "IND25",
// "MAT25" and the first match wins; an absent value counts as "13"; a value
// that matches none (the empty text included) gives nothing: no barcode.
std::optional<Symbology> symbologyForPrint(std::optional<std::string_view> value);

// The option (1 to 8) of a stored value on the code screens: the codes are
// tried in option order, the first match wins, no match gives option 1.
int optionForStoredType(std::string_view value);

// The symbology of an option number 1 to 8; nothing for any other number.
std::optional<Symbology> symbologyForOption(int option);

}  // namespace bc
