// The lock layout of a table, shared by every process that opens it.
//
// All locks are open-file-description byte-range locks (see os_file.h) on
// bytes far beyond any data the files can hold (a table file is at most
// 2^16 + 2^32 * 2^16 bytes, well below 2^62), so they never stop a plain
// read or write and other programs that lock real record bytes are not
// disturbed. Offsets on the table file (.dbf):
//
//   kOpenMarker            1 byte     every opener holds it: shared and
//                                     read-only openers a read lock, an
//                                     exclusive opener a write lock. So an
//                                     exclusive open fails while anyone has
//                                     the table open, and a shared open fails
//                                     while someone has it exclusive.
//   kAppendLock            1 byte     write lock held while a row is appended:
//                                     from the count re-read until the row,
//                                     its memos and its index entries are
//                                     written and the count covers it.
//   kRowBase + n           1 byte     write lock on row n (1-based).
//   kRowBase .. +2^32      the range  the file lock: a write lock over every
//                                     possible row lock, so it is refused
//                                     while another holds any row and bars
//                                     every other row lock while held.
//
// On the memo file (.fpt):
//
//   kMemoLock              1 byte     write lock held while the next-free
//                                     block is read, used and advanced.
//
// Row and file locks never wait: a refused one answers false. The append
// and memo locks are held only while one row or one memo is written, so
// taking them retries briefly (a bounded number of short pauses) before
// giving up.
#pragma once

#include <cstdint>
#include <set>

#include "data/engine/os_file.h"

namespace xb::engine {

inline constexpr uint64_t kLockArea = uint64_t(1) << 62;
inline constexpr uint64_t kOpenMarker = kLockArea;
inline constexpr uint64_t kAppendLock = kLockArea + 1;
inline constexpr uint64_t kMemoLock = kLockArea + 2;
inline constexpr uint64_t kRowBase = kLockArea + (uint64_t(1) << 32);
inline constexpr uint64_t kRowSpan = uint64_t(1) << 32;

// Takes a short-held lock byte, retrying for a bounded time (well under a
// second); false when still refused.
bool takeBriefLock(File& f, uint64_t offset);

// The row and file locks one open table holds.
class TableLocks {
 public:
  // `f` is the open table file; `exclusive` means no other opener exists,
  // so every lock is granted without asking the system. `readOnly` tables
  // take read locks (a read-only file cannot hold write locks).
  TableLocks(File& f, bool exclusive, bool readOnly) : f_(f), exclusive_(exclusive), readOnly_(readOnly) {}

  // Adds a lock on row `recno` (other row locks are kept). False when
  // another holder has the row or the file.
  bool lockRow(int64_t recno);
  void unlockRow(int64_t recno);
  // Locks the whole file. False when another holds any row or the file.
  bool lockFile();
  // Releases every row lock and the file lock.
  void unlockAll();

  bool rowLocked(int64_t recno) const { return fileLocked_ || rows_.count(recno) > 0; }
  bool fileLocked() const { return fileLocked_; }
  bool anyLock() const { return fileLocked_ || !rows_.empty(); }

 private:
  File& f_;
  bool exclusive_;
  bool readOnly_;
  bool fileLocked_ = false;
  std::set<int64_t> rows_;
};

}  // namespace xb::engine
