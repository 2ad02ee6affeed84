// Index keys as bytes: how a key expression's value becomes the bytes a
// compound index stores and compares (unsigned, byte by byte), and back.
//
//   character  the text, blank-padded or cut to the key length
//   logical    "T" or "F", like a one-character text
//   numeric    8 bytes: the IEEE-754 double, big-endian, with the top bit
//              flipped when the value is 0 or positive and every bit
//              inverted when it is negative (-0 counts as 0)
//   date       the Julian day as a double encoded like a number; the empty
//              date is 0
//
// The encodings keep order: a < b as values exactly when their key bytes
// compare less.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "xbase/value.h"

namespace xb::engine {

enum class KeyType { Character, Numeric, Date, Logical };

// The key type of a value; nothing for values that cannot be keys (nil,
// arrays, objects, blocks).
std::optional<KeyType> keyTypeOf(const Value& v);

// Byte that fills the trailing, compressed part of a key of this type:
// a blank for character and logical keys, 0 for numeric and date keys.
uint8_t keyFill(KeyType t);

// The key length a value of this type asks for: the text's length for
// character keys (at least 1), 8 for numbers and dates, 1 for logicals.
int naturalKeyLength(const Value& v);

// The key bytes of `v`, exactly `keyLength` bytes for character keys and 8
// for numeric and date keys (1 for logicals). Nothing when `v` cannot be a
// key or `keyLength` is below 1.
std::optional<std::string> encodeKey(const Value& v, int keyLength);

std::string encodeNumberKey(double d);
std::string encodeDateKey(Date d);
// Inverse of encodeNumberKey; `bytes` must be 8 bytes long (else 0).
double decodeNumberKey(std::string_view bytes);
Date decodeDateKey(std::string_view bytes);

// The value a stored key stands for (texts keep their padding).
Value decodeKey(std::string_view bytes, KeyType t);

}  // namespace xb::engine
