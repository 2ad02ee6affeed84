// Code 128 with the code sets A, B and C, automatic or forced set choice and
// the modulo-103 check character.
//
// The system name of the encoder is `_CODE128`; in C++ it is
// bc::enc::CODE128. It returns a module string ("1" dark, "0" light, one
// character per module): start, symbol characters, check character and stop,
// 11 modules per symbol character and 13 for the stop. No human-readable
// text.
#pragma once

#include <string>
#include <string_view>

#include "xbase/value.h"

namespace bc::enc {

// Encodes `code`. `set` is "A", "B" or "C" (either case) to force a set, or
// empty to choose automatically:
//  - set C for a code of digits only written as a whole number is written
//    (not beginning with 0; "0" and the empty code qualify);
//  - otherwise set A when fewer than half the characters are printable
//    (code above 31), else set B.
// A set that is not one of those shows the alert
// "Code 128 Modes are A,B o C. Character values." and set B is used.
// Within the symbol, set C falls back to set B (switch "Code B") for a last
// odd digit or for a character that is not a digit; set A switches to B for
// a character above 95, set B to A for a control character. Bytes above 127
// have no value in any set and are left out.
std::string CODE128(std::string_view code, std::string_view set = {});

// The same for run-time values (a label item or a window object may hold
// any value): a code that is not a text shows the alert
// "Barcode c128 required a Character value. " and gives an empty module
// string; a nil set means automatic choice, a set that is not a text shows
// the code-set alert and uses set B.
std::string CODE128Value(const xb::Value& code, const xb::Value& set = {});

}  // namespace bc::enc
