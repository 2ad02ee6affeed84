// Symbologies of narrow and wide elements (Code 39, Codabar, 2 of 5) draw a
// narrow element one module and a wide element three modules wide.
#pragma once

#include <string>
#include <string_view>

namespace bc {

// Appends one element: a bar ("1" modules) or a space ("0" modules), wide
// when `wide` is '1'.
inline void appendElement(std::string& out, char wide, bool bar) { out.append(wide == '1' ? 3 : 1, bar ? '1' : '0'); }

// Appends elements written as '1' wide and '0' narrow, bars and spaces
// alternating, bar first.
inline void appendElements(std::string& out, std::string_view elements) {
  bool bar = true;
  for (char e : elements) {
    appendElement(out, e, bar);
    bar = !bar;
  }
}

}  // namespace bc
