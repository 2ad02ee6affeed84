// EAN-13, UPC-A, EAN-8 and the 5-digit add-on: check digits, symbols and the
// guard masks that the drawing draws at full height.
//
// Every function here is a pure text function. Codes are byte strings;
// module strings are texts of "1" (dark module) and "0" (light module), one
// character per module, from the first module of the left guard to the last
// module of the symbol. Nothing here fails or reports: short codes are
// completed with zeros, long codes are cut, blanks around a code are removed,
// and a character that is not a digit counts as the digit 0.
//
// The encoders' system names begin with an underscore (`_EAN13`, `_UPC`,
// `_EAN13BL`, `_UPCABL`, `_SUP5`); in C++ they are the same names without it
// in namespace bc::enc (bc::enc::EAN13, bc::enc::UPC, ...).
#pragma once

#include <string>
#include <string_view>

namespace bc {

// Value of a digit character: "0" to "9" count 0 to 9, anything else 0.
constexpr int digitValue(char c) { return c >= '0' && c <= '9' ? c - '0' : 0; }

// The first n characters of (code without leading and trailing blanks,
// followed by zeros): the data an EAN/UPC encoder works on.
std::string normalizedData(std::string_view code, int n);

// EAN-13 check digit as one character, over positions 1 to 12 of `digits`
// exactly as given (no trimming; missing positions count as 0).
std::string EAN13_CHECK(std::string_view digits);

// UPC-A (length 11) or EAN-8 (length 7) check digit as one character, over
// positions 1 to `length` of `digits` as given; nothing beyond `length` is
// read, so a code that already carries its check digit gives the same digit.
std::string UPC_CHECK(std::string_view digits, int length = 11);

namespace enc {

// The 95 modules of the EAN-13 symbol: the code's first 12 normalised
// digits followed by their recomputed check digit.
std::string EAN13(std::string_view code);

// A UPC-A symbol (length 11: 95 modules) or an EAN-8 symbol (length 7: 67
// modules) of the first `length` normalised digits and their check digit.
// Any other length is taken as 11.
std::string UPC(std::string_view code = "0", int length = 11);

// The guard mask of a symbol with `digits` encoded digits: "1" only at the
// guard modules. 12 serves EAN-13 and UPC-A (95 modules), 8 serves EAN-8
// (67 modules). A negative count is taken as 0.
std::string EAN13BL(int digits = 12);

// The 95-module UPC-A long-bar mask: the guards plus the bars of the
// number-system digit and of the check digit of the code.
std::string UPCABL(std::string_view code);

// The 47 modules of the 5-digit add-on symbol of the code's first 5
// normalised digits.
std::string SUP5(std::string_view code);

}  // namespace enc
}  // namespace bc
