// Record buffers, writing values into a row by type, locks with and
// without messages, and the small questions of the data routines.
//
// The record buffer of a table is one application-wide value per field,
// named "M" + field name (MCODIGO for CODIGO). The application-wide value
// _ME holds the structure list the buffer belongs to: it is taken from the
// current table the first time a buffer routine runs and stays until the
// caller releases it; while it exists the buffer routines use it whatever
// table is current.
//
// The pending network-error flag NETER is the table layer's own flag
// (xb::netError), which sharing failures on open and refused locks set.
#pragma once

#include <string>

#include "xbase/value.h"

namespace qv {

// Creates the buffer with empty values: blanks as wide as a character
// field, 0, the empty date, false, and a single blank for a memo.
void INIC_VAR();
// Creates the buffer and fills it from the current row.
void IGUAL_VAR();
// Writes the buffer into the current row under a row lock (waited for),
// then releases the area's locks. Fields without a buffer value and the
// phantom row past the last one are left alone.
void REPL_VAR();
// Releases the buffer values except those of memo fields; _ME stays.
void LIB_VAR();

// Writes values into a row by type. `values` is a list used as given, a
// text of 2 or more characters naming an alias whose current row gives the
// values in field order, or a prefix of 0 or 1 characters collecting the
// named values prefix + field name of the current table. Anything else does
// nothing, and so does an alias that is not open. Without `intoCurrent` a
// new row is appended for the values. Each
// value lands in the first field of its type not yet filled (a memo field
// takes texts like a character field); a value with no such field left is
// dropped. The area's locks are released at the end.
void AREG(const xb::Value& values, bool intoCurrent = false);

// Locks the current row, at most `attempts` times (0: without limit). Each
// refusal shows "Registro bloqueado en <alias>. Por favor espere ..."; when
// the attempts are used up, PARE("Registro no está disponible.") and false.
// The lock stays until the caller releases it.
bool REC_LOCK(int attempts = 10);

// Silent locks: true at once with no table open. Mode 0 locks the current
// row, mode 1 the table, both retrying until granted (letting window
// messages be processed between tries); a row that does not exist (the
// phantom row) cannot be locked and answers false at once. Mode 2 or more: one table-lock
// attempt, true only when it succeeded and no network error is pending.
bool PROTEGER(int mode);
// Releases every lock of the current area.
void DESPROTEGER();

// The pending network-error flag, which is then cleared.
bool NETERROR();

// Yes/no question: "S" for "   &Si   ", "N" for "   &No   " or a closed box.
std::string DECIS(const std::string& message);
// Stop message with the single button "&Aceptar"; answers 0.
int PARE(const std::string& message);
// Two tones: 125 Hz then 300 Hz, one clock tick (55 ms) each.
void CGBELL();

}  // namespace qv
