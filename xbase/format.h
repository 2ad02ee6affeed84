// Values as text: the conversions of the run time's functions (STR, VAL,
// TRANSFORM) and the plain display form tools print. All texts here are
// Windows-1252 bytes, like the values they come from.
#pragma once

#include <string>
#include <string_view>

#include "xbase/value.h"

namespace xb {

// A number in its shortest decimal form: 5, 2.5, -0.125, 1000000 (at most
// 15 significant digits, never an exponent).
std::string numberText(double v);

// Rounds half away from zero at `dec` decimals (negative: tens, hundreds),
// taking a decimal written as 2.675 as exactly that.
double roundHalfUp(double v, int dec);

// STR: the number right-aligned in `width` with `dec` decimals, rounded
// half away from zero; asterisks when it does not fit. width < 0: 10 for
// the integer part (more when needed) plus the decimals; dec < 0: the
// value's own decimals.
std::string strNumber(const Value& n, int width = -1, int dec = -1);
// STRZERO: like strNumber with leading zeros (a minus sign stays first).
std::string strZero(const Value& n, int width = -1, int dec = -1);

// VAL: the number at the start of a text (leading blanks skipped), with
// the decimals it was written with; 0 when there is none.
Value valText(std::string_view s);

// TRANSFORM with the common pictures: functions @! @R @Z @E @B @D and the
// templates 9 # A N X ! L Y with , and . for numbers.
std::string transform(const Value& v, std::string_view picture);

// The display form: texts as they are, numbers by numberText, logicals
// .T./.F., dates dd-mm-yyyy, NIL as NIL, arrays as {…} with texts quoted
// inside, objects as "Object <class>", blocks as "{|| ... }".
std::string displayText(const Value& v);

}  // namespace xb
