// A dBASE table file (.dbf) with its optional FoxPro-style memo file (.fpt),
// as one open handle. Rows are numbered from 1. Field texts are the table's
// bytes (Windows-1252); numbers, dates, logicals and memos are converted
// to and from Values here.
//
// This class knows nothing of indexes, filters or work areas: it reads and
// writes rows, keeps the header's record count true, and takes the locks
// that sharing needs. The file layout and the lock layout are described at
// the top of table.cpp.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "xbase/value.h"

namespace xb::engine {

struct FieldDef {
  std::string name;  // upper case, at most 10 characters
  char type = 'C';   // C N F D L M (and the other types the file format knows)
  int width = 0;
  int decimals = 0;
};
using Structure = std::vector<FieldDef>;

enum class OpenMode { Shared, Exclusive, ReadOnly };

class Table {
 public:
  // Opens an existing table (name matched without regard to case) and its
  // memo file when the table has memo fields. Failures go to the error hook:
  // generic code 21 with OS code 32 when another process holds the table in
  // a way that excludes `mode` (retry/default allowed); other open failures
  // and damaged headers with a description naming the file and the fault.
  // Returns nullptr when the handler took the default.
  static std::unique_ptr<Table> open(const std::string& path, OpenMode mode);

  // Creates an empty table (version 0x03, or 0xF5 with a new memo file when
  // the structure has memo fields), replacing any file of that name.
  // Invalid structures (bad names, widths, types) are run-time errors.
  static bool create(const std::string& path, const Structure& fields);

  ~Table();

  const std::string& path() const;
  const Structure& structure() const;
  int fieldIndex(std::string_view name) const;  // case-insensitive, -1 when none
  uint8_t version() const;
  uint8_t codePage() const;
  bool readOnly() const;
  bool exclusive() const;

  // Rows that exist now; re-reads the header count when shared.
  int64_t recordCount();

  // Reads row `recno` into the row buffer; false when past the end.
  bool read(int64_t recno);
  int64_t recno() const;  // the row in the buffer (0: none)
  bool deleted() const;
  Value get(int field);  // memo fields read their memo text
  // Assigns a field in the buffer; type and width errors are run-time errors.
  // The row is written by flush().
  void put(int field, const Value& v);
  void setDeleted(bool on);
  // Writes the buffer when it changed. Shared tables need the row locked.
  void flush();
  // The buffer's raw bytes (deletion flag first) before and after changes,
  // for callers that must know what a change did to key fields.
  const std::string& rawRow() const;
  const std::string& rawRowOnDisk() const;

  // Appends a blank row under the append lock and leaves it in the buffer,
  // locked for the caller. False (and the network-error flag) when the
  // append lock is refused.
  bool appendBlank();

  // Row and file locks; never wait. A refused lock answers false and sets
  // the network-error flag.
  bool lockRow(int64_t recno);
  bool lockFile();
  void unlockAll();
  bool isRowLocked(int64_t recno) const;

  // Writes pending changes to disk.
  void commit();

  // Removes deleted rows physically (needs exclusive use), through a work
  // file and a rename.
  bool pack();

  // Consistency check of the table and memo file; empty when sound.
  std::vector<std::string> check();

 private:
  struct Impl;
  explicit Table(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

}  // namespace xb::engine
