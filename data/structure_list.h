// Structure lists: a table's field list as the data routines pass it
// around, a list of {name, type, width, decimals} entries in field order.
#pragma once

#include <optional>

#include "data/engine/table.h"
#include "xbase/value.h"

namespace qv {

// The structure list of a field list.
xb::Value structureList(const xb::engine::Structure& fields);

// The field list of a structure list. Nothing when the value is not a list
// or an entry is not {text, text, number, number} with a width from 1 to
// 255 and decimals from 0 to 254.
std::optional<xb::engine::Structure> fieldsOf(const xb::Value& list);

// Whether the structure has memo fields (and so a memo file of its own).
bool hasMemoFields(const xb::engine::Structure& fields);

// Whether two structure lists are equal: the same number of entries and,
// position by position, the same name (letter case aside, as table files
// keep names in upper case), type letter, width and decimals. Anything
// that is not a structure list equals nothing.
bool IGUALEST(const xb::Value& a, const xb::Value& b);

}  // namespace qv
