// Trimming texts: the one set of helpers for cutting blanks (or any other
// characters named) off either end. Views into the text given.
#pragma once

#include <string_view>

namespace xb {

inline constexpr std::string_view kBlank = " ";
// Blanks, tabs and line ends.
inline constexpr std::string_view kWhiteSpace = " \t\r\n";

inline std::string_view trimRight(std::string_view s, std::string_view chars = kBlank) {
  const size_t e = s.find_last_not_of(chars);
  return e == std::string_view::npos ? std::string_view() : s.substr(0, e + 1);
}

inline std::string_view trimLeft(std::string_view s, std::string_view chars = kBlank) {
  const size_t b = s.find_first_not_of(chars);
  return b == std::string_view::npos ? std::string_view() : s.substr(b);
}

inline std::string_view trim(std::string_view s, std::string_view chars = kBlank) {
  return trimLeft(trimRight(s, chars), chars);
}

}  // namespace xb
