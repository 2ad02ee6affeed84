// Codabar.
//
// The system name of the encoder is `_CODABAR`; in C++ it is
// bc::enc::CODABAR. Narrow elements are one module and wide elements three
// modules wide; every character is followed by one light module.
#pragma once

#include <string>
#include <string_view>

namespace bc::enc {

// Encodes the code upper-cased, character by character. The code carries
// its own start and stop characters (A, B, C, D or their alternatives T, N,
// *, E, drawn as A, B, C, D); nothing is added and there is no check
// character. Characters outside "0123456789-$:/.+ABCDTN*E" are left out.
std::string CODABAR(std::string_view code);

}  // namespace bc::enc
