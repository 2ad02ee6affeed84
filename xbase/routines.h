// Small routines of the data layer that need nothing but the run time:
// a registry of named values kept by the module, a safe division, and the
// two routines that evaluate expression texts.
#pragma once

#include <string_view>

#include "xbase/value.h"

namespace xb {

// The value stored under `name` (upper-cased). A new name is added with
// `value` (NIL when none is given) and the result is NIL; a known name
// gives the stored value, which a given value then replaces.
Value ESTATICA(std::string_view name);
Value ESTATICA(std::string_view name, const Value& value);

// The value of an expression text; true for an empty (or blank) text.
Value EVALUA(std::string_view text);

// Evaluates `body` while `condition` is true; the body's value is kept in
// the private value Z, which the texts can read. A condition that is not
// logical is an argument error and ends the loop.
void CICLO(std::string_view body, std::string_view condition);

// The quotient, or 0 when the divisor is 0. Arguments that are not
// numbers are an argument error through the hook.
Value DIV_ZERO(const Value& dividend, const Value& divisor);

}  // namespace xb
