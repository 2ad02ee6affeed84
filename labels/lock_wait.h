// Waiting for a lock on a table the label screens write (formats, design
// marks, designs): a refused lock is tried again quietly for about a
// second, letting window messages be processed; then the user is asked
// "Registro bloqueado en <alias>. ¿ Desea reintentar ?" (DECIS) and the wait
// goes on only on "   &Si   ". A lock that cannot exist (the phantom row)
// is not waited for.
#pragma once

#include <functional>

#include "data/tables.h"

namespace lb {

// Tries `attempt` (a lock of area `a`) as above; false when the wait was
// given up or the lock cannot exist.
bool waitLock(qv::WorkArea& a, const std::function<bool()>& attempt);

// The current row of `a`, locked as lockRow does (releasing the others).
bool waitRowLock(qv::WorkArea& a);

}  // namespace lb
