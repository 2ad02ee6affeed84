// The table file's header: the 32 fixed bytes and the field descriptors.
//
//   0      version: 0x03 (no memo), 0xF5 (with .FPT memo) are written;
//          0x30/0x31/0x32 (later FoxPro) are read, never written
//   1..3   date of last update: year - 1900, month, day
//   4..7   record count (uint32 LE): the truth about how many rows exist
//   8..9   header length = file offset of row 1 (uint16 LE)
//   10..11 record length including the deletion flag (uint16 LE)
//   28     flags (0x02: has a memo file)      29  code page mark (0x03 = 1252)
//   32..   one 32-byte descriptor per field: 0..10 name (NUL-padded),
//          11 type, 12..15 offset in the record, 16 length, 17 decimals;
//          then 0x0D (0x30 tables add a 263-byte area the length covers)
//
// Everything read is checked: a header that does not describe a sound
// table (sizes out of range, descriptors past the header, fields that do
// not fit the record, more rows than the file holds) answers a fault text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "data/engine/table.h"

namespace xb::engine {

inline constexpr size_t kDbfFixedHeader = 32;
inline constexpr size_t kDbfDescriptor = 32;
inline constexpr size_t kVfpBacklink = 263;
inline constexpr uint8_t kCodePage1252 = 0x03;

struct DbfHeader {
  uint8_t version = 0x03;
  uint8_t year = 0, month = 1, day = 1;  // year - 1900
  uint32_t count = 0;
  uint16_t headerLen = 0;
  uint16_t recordLen = 0;
  uint8_t flags = 0;
  uint8_t codePage = kCodePage1252;
  Structure fields;
  std::vector<uint32_t> offsets;  // start of each field inside the record
};

// Versions this engine opens, and those it also writes.
bool knownVersion(uint8_t v);
bool writableVersion(uint8_t v);
// Whether memo references in this version are 4-byte binary numbers.
bool binaryMemoRefs(uint8_t v);

// Reads the 32 fixed bytes. Checks the header and record lengths against
// each other and against `fileSize`; the record count is checked by
// checkCount(). Empty when sound, else the fault.
std::string parseFixedHeader(std::string_view bytes32, uint64_t fileSize, DbfHeader& h);

// Reads the descriptors from the whole header (h.headerLen bytes) and
// fills h.fields and h.offsets. Empty when sound, else the fault.
std::string parseDescriptors(std::string_view header, DbfHeader& h);

// Whether the file holds the `count` rows the header claims; else the fault.
std::string checkCount(const DbfHeader& h, uint32_t count, uint64_t fileSize);

// A new header for `fields` (already validated): lengths, offsets, memo
// flag and version (0xF5 when a memo field is present, else 0x03).
DbfHeader newHeader(const Structure& fields);

// The whole header (h.headerLen bytes) as it is written.
std::string headerBytes(const DbfHeader& h);
// The 4 bytes of a record count, and of a date stamp (3 bytes) for today.
std::string countBytes(uint32_t count);
std::string todayBytes();

}  // namespace xb::engine
