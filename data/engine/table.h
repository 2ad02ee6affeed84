// A dBASE table file (.dbf) with its optional FoxPro-style memo file (.fpt),
// as one open handle. Rows are numbered from 1. Field texts are the table's
// bytes (Windows-1252); numbers, dates, logicals and memos are converted
// to and from Values here.
//
// This class knows nothing of indexes, filters or work areas: it reads and
// writes rows, keeps the header's record count true, and takes the locks
// that sharing needs. The file layouts are described in dbf_header.h and
// memo.h, the lock layout in table_lock.h, the write order in table.cpp.
//
// Every failure goes to the run-time error hook (xb::raise) with subsystem
// "DBFCDX" and a description naming the file and the fault: damaged files
// are generic code 32, sharing conflicts on open 21 with OS code 32, a
// refused append lock 40. A Table is used by one thread.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
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
  // the structure has memo fields), replacing any file of that name (found
  // without regard to case). The memo file is named after the table with
  // its last three characters replaced by FPT in the letter case of the
  // table's extension (T.dbf -> T.fpt, ERROR.DBF -> ERROR.FPT); a table
  // without memo fields leaves an existing file of that name alone. Invalid
  // structures (bad names, widths, types) are run-time errors; a table that
  // another process has open is not replaced (generic code 20, OS code 32).
  static bool create(const std::string& path, const Structure& fields);

  // Creates an empty table at `path` with the structure of `source`.
  static bool copyStructure(Table& source, const std::string& path);

  // Appends to `target` every row of the table file `sourcePath` (opened
  // read-only), matching fields by name: source fields missing in the target
  // are dropped, target fields missing in the source stay blank, texts are
  // cut to the target width, values of another type are converted (numbers
  // and dates to their texts and back, logicals to "T"/"F"). A number that
  // does not fit its target field is a run-time error (generic code 34);
  // when the handler takes the default the field stays blank and the copy
  // goes on. Deleted source rows are skipped unless `withDeleted`, which
  // also copies the deletion flag. Answers the count of rows appended, or
  // -1 when the source cannot be opened or an append is refused.
  static int64_t appendFrom(Table& target, const std::string& sourcePath, bool withDeleted = false);
  // The same from a table already open (one held exclusively, say).
  static int64_t appendFrom(Table& target, Table& source, bool withDeleted = false);

  // The memo file name for a table file name (see create()).
  static std::string memoNameFor(const std::string& tablePath);

  struct Impl;
  // Only open() constructs tables; the key keeps the constructor private in
  // effect while letting std::make_unique reach it.
  class Key {
    friend class Table;
    Key() = default;
  };
  Table(Key, std::unique_ptr<Impl> impl);
  ~Table();

  const std::string& path() const;
  const Structure& structure() const;
  int fieldCount() const;
  int fieldIndex(std::string_view name) const;  // case-insensitive, -1 when none
  uint8_t version() const;
  uint8_t codePage() const;
  bool readOnly() const;
  bool exclusive() const;

  // Rows that exist now; re-reads the header count when shared.
  int64_t recordCount();

  // Reads row `recno` into the row buffer (writing a changed buffer first;
  // an appended row is counted only by flush(), unlocking, commit() or the
  // next append); false when there is no such row, leaving a blank buffer
  // and recno() 0.
  bool read(int64_t recno);
  int64_t recno() const;  // the row in the buffer (0: none)
  bool deleted() const;
  // A hint that row `recno` will be read soon: an exclusive table asks the
  // processor to fetch it. Never fails, never reads the file.
  void prefetch(int64_t recno) const;
  // The value of a field of the buffer; memo fields read their memo text.
  // A field number out of range or a damaged memo is a run-time error
  // (nil, or an empty text for the memo, when the handler takes the default).
  Value get(int field);
  // Assigns a field in the buffer; type (33) and width (34) errors are
  // run-time errors that leave the field unchanged when the handler takes
  // the default. Character texts longer than the field are cut. The row is
  // written by flush().
  void put(int field, const Value& v);
  void setDeleted(bool on);
  // Writes the buffer when it changed: its new memos first, then the row,
  // then (for an appended row) the record count that makes it exist.
  // Shared tables need the row (or the file) locked: without the lock it is
  // a run-time error (generic code 38) and the changes are dropped when the
  // handler takes the default. flush() is writeRow() then publish().
  void flush();
  // The first half: memos and row bytes. An appended row is not counted
  // yet: it exists for nobody else until publish(). False (after the
  // handler) when nothing was written: the change is dropped, an append
  // given up.
  bool writeRow();
  // Whether the buffer's change may be written: the table is writable and,
  // when shared, the row (or the file) is locked. A refusal is the run-time
  // error writeRow would raise; the change is dropped when the handler
  // takes the default, and kept when it ends the operation.
  bool mayWrite();
  // The second half: counts the row appended and written by writeRow (and
  // the rows an exclusive table wrote ahead of their count), and lets go of
  // the append lock.
  bool publish();
  // Drops the buffer's changes; an append not yet counted is given up and
  // leaves nothing in the table.
  void discard();
  // Asked right after beginBatch or appendBlank: whether the file holds,
  // past the rows counted and the row being appended, rows that are not
  // this handle's (an append or a batch stopped between its rows and its
  // count left them, and index entries may name them). A handle that holds
  // its appends asks the file once per batch.
  bool rowsBeyondCount();
  // The whole rows the file holds, counted or not.
  int64_t rowsInFile() const;
  // The buffer's raw bytes (deletion flag first) before and after changes,
  // for callers that must know what a change did to key fields.
  const std::string& rawRow() const;
  const std::string& rawRowOnDisk() const;
  // The buffer set aside, changes and all, leaving an empty one, so that
  // other rows can be read meanwhile; restoreBuffer puts it back as it was.
  struct SavedBuffer {
    int64_t recno = 0;
    std::string row, disk;
    bool dirty = false;
    std::map<int, std::string> pendingMemo;
  };
  SavedBuffer setBufferAside();
  void restoreBuffer(SavedBuffer&& saved);

  // Appends a blank row and leaves it in the buffer, locked for the caller
  // (locks already held are kept). In a shared table the append lock is
  // taken and held until the row is written whole and counted (flush, or
  // writeRow then publish): nothing of it reaches the file before, and
  // other processes see it only once counted. A refused append lock is
  // generic code 40 for the handler (retry allowed); false (and the
  // network-error flag) when it takes the default, or when another process
  // holds the file lock. An exclusive table holds new rows back in memory
  // and writes them in runs.
  bool appendBlank();

  // Row and file locks; never wait. A refused lock answers false and sets
  // the network-error flag; a row that does not exist answers false without
  // it. lockRow adds to the locks held. Taking a lock re-reads the record
  // count and, when the locked row is in the buffer unchanged, the row.
  bool lockRow(int64_t recno);
  bool lockFile();
  // Writes the buffer, then releases one row lock / every lock.
  void unlockRow(int64_t recno);
  void unlockAll();
  bool isRowLocked(int64_t recno) const;
  bool isFileLocked() const;

  // Writes the buffer and the rows an exclusive table holds back from its
  // appends (see table.cpp), without the count that covers them (publish()
  // writes it): done before an index entry names a new row.
  void writeHeldRows();

  // Writes pending changes and flushes them to the disk.
  void commit();

  // Batched appends, in exclusive use or in a shared table whose file lock
  // this handle holds (no other process can append or lock a row
  // meanwhile): new rows are held back and written in runs, and none of
  // them is counted in the file until endBatch, so that a process stopped
  // meanwhile leaves the table as it was (its rows past the count, space
  // the next append reuses). This handle sees them meanwhile: recordCount
  // and read cover them, writeHeldRows puts them in the file. endBatch
  // writes the last run and then the count that makes them all exist; with
  // `keep` false it gives them up instead. False when neither lock is held
  // (beginBatch) or a write failed (endBatch).
  bool beginBatch();
  bool endBatch(bool keep = true);

  // Removes deleted rows physically and gives back unused memo space. Needs
  // exclusive use (generic code 37 otherwise). Goes through work files
  // (name~pk.ext and its memo) renamed over the table and its memo.
  bool pack();

  // Consistency check of the table and memo file; empty when sound.
  std::vector<std::string> check();

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace xb::engine
