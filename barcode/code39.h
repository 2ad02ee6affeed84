// Code 39 with an optional modulo-43 check character.
//
// The system name of the encoder is `_CODE3_9`; in C++ it is
// bc::enc::CODE3_9. Module strings have narrow elements one module and wide
// elements three modules wide, and one light module after every character
// (the closing "*" included). No human-readable text.
#pragma once

#include <string>
#include <string_view>

namespace bc {

// The 44 characters Code 39 encodes, in the order of its pattern table.
inline constexpr std::string_view kCode39Chars = "1234567890ABCDEFGHIJKLMNOPQRSTUVWXYZ-. *$/+%";

// The modulo-43 check character of `data`: the sum of the values of its
// characters in the order 0-9, A-Z, "-", ".", blank, "$", "/", "+", "%"
// (0 to 42), modulo 43, as that character. Lower-case letters count as
// capitals; characters without a value ("*" and anything outside the set)
// are left out of the sum.
char code39CheckChar(std::string_view data);

namespace enc {

// Encodes "*" + code + "*": the code upper-cased and cut to 32 characters,
// characters outside the set left out; a "*" within the code is encoded like
// any other character. With `withCheck` the check character of the data
// (code39CheckChar) stands before the closing "*". An empty code gives the
// two "*" alone.
std::string CODE3_9(std::string_view code, bool withCheck = false);

}  // namespace enc
}  // namespace bc
