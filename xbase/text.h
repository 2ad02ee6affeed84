// Trimming and padding texts: the one set of helpers for cutting blanks (or
// any other characters named) off either end, and for the blank-padded
// fixed-width texts of tables, keys and typed codes. The trims are views
// into the text given: keep that text alive while the view is used.
#pragma once

#include <string>
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

// `s` padded with blanks or cut to `width` characters.
inline std::string padded(std::string_view s, size_t width) {
  std::string out(s.substr(0, width));
  out.resize(width, ' ');
  return out;
}

}  // namespace xb
