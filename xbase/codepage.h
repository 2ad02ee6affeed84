// Code pages at the edges, and the Windows-1252 rules for case and order.
//
// The program's own texts are UTF-8; table texts and expression texts are
// Windows-1252 bytes; some stored messages are OEM code page 850. The
// conversions never fail: a character the target cannot hold becomes '?'.
#pragma once

#include <string>
#include <string_view>

namespace xb {

std::string utf8ToCp1252(std::string_view utf8);
std::string cp1252ToUtf8(std::string_view cp1252);
std::string oem850ToCp1252(std::string_view oem);
std::string cp1252ToOem850(std::string_view cp1252);

// Case conversion of one Windows-1252 byte (accented letters included).
unsigned char upper1252(unsigned char c);
unsigned char lower1252(unsigned char c);
std::string upper1252(std::string_view s);
std::string lower1252(std::string_view s);
bool isAlpha1252(unsigned char c);
bool isUpper1252(unsigned char c);
bool isLower1252(unsigned char c);

// Sort weight of a byte: the Spanish order of the Windows code page, where
// an accented letter follows its plain letter (N, Ñ, O) and every byte has
// its own weight, so equal weights mean equal bytes.
int collationWeight(unsigned char c);

// Three-way comparison of two texts by collation weight, shorter text first
// when one is a prefix of the other.
int compare1252(std::string_view a, std::string_view b);

}  // namespace xb
