// Field bytes <-> Values: how each field type of a table row is stored.
//
//   C  text, blank-padded on the right; read back with its padding
//   N  decimal text right-aligned in the width, exactly `decimals` digits
//   F  after the point; all blanks reads as 0
//   D  "YYYYMMDD", eight blanks for the empty date
//   L  'T' or 'F'; reads T t Y y as true, anything else as false
//   M  (0xF5 tables) block number of the memo as right-aligned decimal text
//      in 10 characters, blanks for none; (0x30 tables) a 4-byte binary
//      block number, 0 for none
// Read-only types of later FoxPro tables: I (int32), B (double),
// Y (currency, int64 / 10000), T (date and time: the date part is kept).
// Any other type reads as its raw bytes and cannot be written.
//
// These functions never raise: they report faults in a text, and the table
// turns them into run-time errors naming the file and field.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "data/engine/table.h"
#include "xbase/value.h"

namespace xb::engine {

// Whether `type` is one this engine can write (C N F D L M).
bool writableType(char type);

// Whether fields of `type` hold a block number in the memo file: memos (M),
// general (G) and picture (P) fields, and later FoxPro's blobs (W).
bool memoPointerType(char type);

// Checks one field definition for a table to be created; the name is
// upper-cased in place. Empty when sound, else the fault.
std::string validateFieldDef(FieldDef& f);

// The Value of a non-memo field's stored bytes (bytes.size() == width).
Value decodeField(const FieldDef& f, std::string_view bytes);

enum class EncodeFault { None, Type, Width };

// Encodes `v` into `out` (exactly f.width bytes) for a non-memo field.
// Texts longer than a character field are cut; a number that does not fit
// its width answers Width and leaves `out` untouched; a value of the wrong
// type answers Type.
EncodeFault encodeField(const FieldDef& f, const Value& v, std::string& out);

// The memo block stored in a memo field's bytes: 0 when empty, nothing when
// the bytes are not a block number. `binary` is the 4-byte form.
std::optional<uint32_t> decodeMemoRef(std::string_view bytes, bool binary);
// The bytes of a memo reference (0 = empty) for a field of `width`.
std::string encodeMemoRef(uint32_t block, int width, bool binary);

// "YYYYMMDD" <-> Julian day number (0 = empty or invalid).
int32_t dtosToJulian(std::string_view text);
std::string julianToDtos(int32_t jd);

// Whether a numeric field's bytes are blanks or one decimal number.
bool numericTextSound(std::string_view bytes);

// Formats `v` right-aligned with `decimals` digits after the point;
// nothing when it does not fit `width` (or is not finite).
std::optional<std::string> formatNumber(double v, int width, int decimals);

}  // namespace xb::engine
