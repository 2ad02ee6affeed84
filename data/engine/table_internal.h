// Inside a table handle: its state, shared by table.cpp (open, create, rows,
// appends, locks) and table_pack.cpp (pack, append from another table, the
// consistency check). Not part of the engine's interface.
#pragma once

#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "data/engine/byte_order.h"
#include "data/engine/dbf_header.h"
#include "data/engine/memo.h"
#include "data/engine/os_file.h"
#include "data/engine/table.h"
#include "data/engine/table_lock.h"
#include "xbase/error.h"

namespace xb::engine {

namespace table_detail {

inline constexpr int kOsNotFound = 2;

// Hands a table error (subsystem DBFCDX, subcode 1000 + gen) to the handler.
ErrorAnswer fail(int gen, int os, std::string description, const std::string& file, std::string operation,
                 bool canRetry = false, bool canDefault = true);
// "damaged file NAME: what", the description of every corruption error.
std::string damaged(const std::string& file, const std::string& what);
// The operating-system code the handler looks at for an errno.
int osCodeOf(int err);
// Names equal without regard to case.
bool sameName(std::string_view a, std::string_view b);
bool hasMemoField(const Structure& fields);
// Called with the open marker of `table` held, so no pack of it is running.
// A pack killed between its two renames left the new memo file in place and
// the new table as the work file: the rename is finished and the answer is
// true (the caller opens the table again). Work files of a pack killed
// before that are removed; the table and memo they would have replaced are
// intact.
bool finishInterruptedPack(const std::string& table, bool hasMemo);

}  // namespace table_detail

using namespace table_detail;

struct Table::Impl {
  std::string path;
  OpenMode mode = OpenMode::Shared;
  bool readOnly = false;
  File file;
  std::unique_ptr<MemoFile> memo;
  DbfHeader h;
  std::unique_ptr<TableLocks> locks;
  int64_t recno = 0;
  std::string row;   // the buffer
  std::string disk;  // the row as read or last written
  bool dirty = false;
  std::map<int, std::string> pendingMemo;
  bool stamped = false;  // header date written during this session
  // Exclusive use only: rows heldFirst..h.count appended but not yet
  // written (held is empty and heldFirst 0 when there are none), and the
  // view that reads rows.
  std::string held;
  int64_t heldFirst = 0;
  // Exclusive use: rows are in the file ahead of the count that covers them
  // (writeHeld without the count), to be counted by publish().
  bool countBehind = false;
  // Shared use: the row being appended (0: none), numbered the count plus
  // one; the append lock is held from appendBlank until it is counted
  // (publish) or abandoned.
  int64_t appending = 0;
  // A batch (beginBatch): appends held back and written in runs, as in
  // exclusive use, and counted in the file only at its end; batchCount is
  // the count before it.
  bool batch = false;
  uint32_t batchCount = 0;
  bool beyondAsked = false;  // rowsBeyondCount asked the file (holding only)
  FileView view;
  static constexpr size_t kHeldLimit = size_t(1) << 18;

  std::string blankRow() const { return std::string(h.recordLen, ' '); }
  uint64_t rowOffset(int64_t n) const { return uint64_t(h.headerLen) + uint64_t(n - 1) * h.recordLen; }
  bool shared() const { return mode != OpenMode::Exclusive; }
  // Whether the count must be read from the file: others may append.
  bool counting() const { return shared() && !batch; }
  // Whether appends are held back and written in runs.
  bool holding() const { return !shared() || batch; }
  bool binaryRefs() const { return binaryMemoRefs(h.version); }
  std::string_view fieldBytes(const std::string& r, int i) const {
    return std::string_view(r).substr(h.offsets[size_t(i)], size_t(h.fields[size_t(i)].width));
  }

  // Re-reads the record count from the header; false (after the handler)
  // when it is damaged.
  bool refreshCount() {
    // The count first, then the size: rows are written before the count
    // that covers them, so the size read after it is never too small.
    unsigned char b[4];
    bool got = file.readAt(4, b, 4) == 4;
    int64_t size = file.size();
    if (!got || size < 0) {
      fail(kGenRead, errno, "no se puede leer el número de filas de " + baseName(path) + ": " + systemReason(errno), path, "recordCount");
      return false;
    }
    uint32_t c = le32(b);
    std::string fault = checkCount(h, c, uint64_t(size));
    if (!fault.empty()) {
      fail(kGenCorruption, 0, damaged(path, fault), path, "recordCount");
      return false;
    }
    h.count = c;
    return true;
  }

  bool stampDate() {
    if (stamped) return true;
    std::string d = todayBytes();
    stamped = file.writeAt(1, d.data(), d.size());
    return stamped;
  }

  bool writable(const char* op) {
    if (!readOnly) return true;
    fail(kGenReadonly, 0, "la tabla " + baseName(path) + " está abierta solo para lectura", path, op);
    return false;
  }

  bool isHeld(int64_t n) const { return heldFirst > 0 && n >= heldFirst && n <= int64_t(h.count); }
  char* heldRow(int64_t n) { return held.data() + size_t(n - heldFirst) * h.recordLen; }

  // Writes the held rows, then (unless `withCount` is false, which leaves
  // that to publish()) the count that covers them. On a write failure the
  // rows are gone: the count stays what the file says.
  bool writeHeld(bool withCount = true) {
    if (held.empty()) return !withCount || publishCount();
    const int64_t first = heldFirst;
    held.push_back('\x1A');
    bool ok = file.writeAt(rowOffset(first), held.data(), held.size());
    const int err = errno;
    held.clear();
    heldFirst = 0;
    if (!ok) {
      h.count = uint32_t(first - 1);
      if (recno >= first) clearBuffer();
      fail(kGenWrite, err, "no se pueden añadir filas a " + baseName(path) + ": " + systemReason(err), path, "append");
      return false;
    }
    countBehind = true;
    return !withCount || publishCount();
  }

  // Writes the count of an exclusive table's rows written ahead of it;
  // during a batch, only its end does.
  bool publishCount() {
    if (!countBehind || batch) return true;
    std::string count = countBytes(uint32_t(h.count));
    if (!file.writeAt(4, count.data(), count.size())) {
      fail(kGenWrite, errno, "no se puede escribir el número de filas de " + baseName(path) + ": " + systemReason(errno), path, "append");
      return false;
    }
    countBehind = false;
    stampDate();
    return true;
  }

  // Gives up the row being appended: nothing of it is counted.
  void abandonAppend() {
    if (!appending) return;
    locks->unlockRow(appending);
    file.unlock(kAppendLock, 1);
    appending = 0;
    clearBuffer();
  }

  // Counts the appended row written by writeRow and lets go of the append
  // lock; for an exclusive table, writes the count of rows written ahead.
  bool publish() {
    if (!appending) return publishCount();
    if (dirty && recno == appending && !writeRow()) return false;
    std::string count = countBytes(uint32_t(appending));
    if (!file.writeAt(4, count.data(), count.size())) {
      fail(kGenWrite, errno, "no se puede añadir la fila a " + baseName(path) + ": " + systemReason(errno), path, "append");
      abandonAppend();
      return false;
    }
    h.count = uint32_t(appending);
    appending = 0;
    file.unlock(kAppendLock, 1);
    stampDate();
    return true;
  }

  void dropChanges() {
    row = disk;
    pendingMemo.clear();
    dirty = false;
  }

  // Whether the buffer's change may be written (see Table::mayWrite).
  bool mayWrite() {
    if (!dirty || recno == 0) return true;
    if (!writable("flush")) return refuse();
    if (shared() && !locks->rowLocked(recno)) {
      fail(kGenUnlocked, 0, "la fila " + std::to_string(recno) + " de " + baseName(path) + " se escribe sin bloquearla", path, "flush");
      return refuse();
    }
    return true;
  }

  // A write that cannot be made: the change is dropped, an append given up.
  bool refuse() {
    dropChanges();
    abandonAppend();
    return false;
  }

  // Writes the buffer when it changed: its memos (new blocks), then the row
  // bytes; an appended row is written with the 0x1A after it and counted
  // only by publish(). False (after the handler) when nothing was written.
  bool writeRow() {
    if (!dirty || recno == 0) return true;
    if (!mayWrite()) return false;
    for (auto it = pendingMemo.begin(); it != pendingMemo.end(); it = pendingMemo.erase(it)) {
      const FieldDef& f = h.fields[size_t(it->first)];
      std::string fault;
      auto block = memo->write(it->second, &fault);
      if (!block) {
        fail(kGenWrite, 0, "memo del campo " + f.name + " en " + baseName(memo->path()) + ": " + fault, memo->path(), "flush");
        return refuse();
      }
      row.replace(h.offsets[size_t(it->first)], size_t(f.width), encodeMemoRef(*block, f.width, binaryRefs()));
    }
    if (isHeld(recno)) {
      std::memcpy(heldRow(recno), row.data(), row.size());
      disk = row;
      dirty = false;
      return true;
    }
    std::string bytes = row;
    if (recno == appending) bytes.push_back('\x1A');
    if (!file.writeAt(rowOffset(recno), bytes.data(), bytes.size())) {
      fail(kGenWrite, errno, "no se puede escribir la fila en " + baseName(path) + ": " + systemReason(errno), path, "flush");
      return refuse();
    }
    if (recno != appending) stampDate();
    disk = row;
    dirty = false;
    return true;
  }

  void flush() {
    if (writeRow()) publish();
  }

  // Loads row n into the buffer; false (after the handler) on a read fault.
  bool load(int64_t n) {
    if (isHeld(n)) {
      row.assign(heldRow(n), h.recordLen);
      disk = row;
      recno = n;
      dirty = false;
      pendingMemo.clear();
      return true;
    }
    if (!shared()) {
      const uint64_t end = rowOffset(n) + h.recordLen;
      if (isHeld(n)) {
        row.assign(heldRow(n), h.recordLen);
      } else {
        if (end > view.size()) view = FileView::map(file, UINT64_MAX);
        if (end > view.size()) return loadRead(n);
        row.assign(view.data() + rowOffset(n), h.recordLen);
      }
      disk = row;
      recno = n;
      dirty = false;
      pendingMemo.clear();
      return true;
    }
    return loadRead(n);
  }

  bool loadRead(int64_t n) {
    std::string r(h.recordLen, '\0');
    if (file.readAt(rowOffset(n), r.data(), r.size()) != long(r.size())) {
      fail(kGenCorruption, 0, damaged(path, "la fila " + std::to_string(n) + " no se puede leer entera"), path, "read");
      return false;
    }
    row = disk = std::move(r);
    recno = n;
    dirty = false;
    pendingMemo.clear();
    return true;
  }

  void clearBuffer() {
    recno = 0;
    row = disk = blankRow();
    dirty = false;
    pendingMemo.clear();
  }
};

}  // namespace xb::engine
