// The 2-of-5 family: interleaved, industrial and matrix 2 of 5, with an
// optional modulo-10 check digit.
//
// The system names of the encoders are `_INT25`, `_IND25` and `_MAT25`; in
// C++ they are bc::enc::INT25, bc::enc::IND25 and bc::enc::MAT25. Narrow
// elements are one module and wide elements three modules wide. Every
// character of a code counts as a digit: one that is not a digit counts as 0
// (it is not removed). No human-readable text.
#pragma once

#include <string>
#include <string_view>

namespace bc {

// The modulo-10 check digit of the 2-of-5 family: weights 3, 1, 3, ... from
// the rightmost digit leftwards, check = (10 - sum mod 10) mod 10, as one
// character. "1234" gives "8", "123" gives "6", the empty code "0".
char twoOfFiveCheckDigit(std::string_view digits);

namespace enc {

// Interleaved 2 of 5: the digits (plus the check digit with `withCheck`),
// completed to an even count with a leading 0, in pairs of bars and spaces
// between the start and the stop, followed by one light module.
std::string INT25(std::string_view code, bool withCheck = false);

// Industrial 2 of 5: information in the bars only, every bar followed by a
// one-module space.
std::string IND25(std::string_view code, bool withCheck = false);

// Matrix 2 of 5: bars and spaces, a narrow space after the start and after
// every digit, one light module after the stop.
std::string MAT25(std::string_view code, bool withCheck = false);

}  // namespace enc
}  // namespace bc
