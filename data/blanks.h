// The blanks that pad the fixed-width texts of tables, keys and typed codes:
// a text without them at both ends or at its end only, and a text padded
// with them to a width.
#pragma once

#include <string>
#include <string_view>

namespace qv {

inline std::string trimmed(std::string_view s) {
  const auto first = s.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return std::string(s.substr(first, s.find_last_not_of(' ') - first + 1));
}

inline std::string rightTrimmed(std::string_view s) {
  const auto last = s.find_last_not_of(' ');
  return last == std::string_view::npos ? std::string() : std::string(s.substr(0, last + 1));
}

// `s` padded with blanks or cut to `width` characters.
inline std::string padded(std::string_view s, std::size_t width) {
  std::string out(s.substr(0, width));
  out.resize(width, ' ');
  return out;
}

}  // namespace qv
