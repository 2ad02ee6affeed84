// Inside a work area: the state behind its private parts and the small
// helpers its three files share (workarea.cpp: open, fields, locks,
// filters, pack and check; workarea_navigation.cpp: positions, steps,
// seeks and scopes; workarea_index.cpp: orders, tags and the upkeep of
// every attached tag when a row changes). Not part of the engine's
// interface.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "data/engine/cdx.h"
#include "data/engine/index_key.h"
#include "data/engine/workarea.h"
#include "xbase/expr.h"

namespace xb::engine {

namespace detail {

// Index locks are held by other processes only for one operation; each
// attempt already waits the index file's lock wait, so a few are plenty.
template <class F>
inline bool waitFor(F&& tryOnce) {
  for (int i = 0; i < 5; ++i)
    if (tryOnce()) return true;
  return false;
}

// The smallest byte string greater than every string starting with `p`;
// empty when there is none (p is all 0xFF).
inline std::string prefixSuccessor(std::string p) {
  while (!p.empty()) {
    auto c = static_cast<unsigned char>(p.back());
    if (c != 0xFF) {
      p.back() = static_cast<char>(c + 1);
      return p;
    }
    p.pop_back();
  }
  return p;
}

inline int comparePrefix(const std::string& key, const std::string& prefix) {
  return key.compare(0, prefix.size(), prefix);
}

inline bool entryLess(const IndexEntry& a, const IndexEntry& b) {
  int c = a.key.compare(b.key);
  return c < 0 || (c == 0 && a.recno < b.recno);
}

inline bool sameEntry(const IndexEntry& a, const IndexEntry& b) { return a.key == b.key && a.recno == b.recno; }

}  // namespace detail

// An attached index file. While the table is exclusive no other process
// changes its indexes, so the area keeps a read lock on the file between
// its own writes instead of locking for every cursor move.
struct WorkArea::IndexFile {
  std::unique_ptr<CdxFile> cdx;
  bool held = false;

  void hold() {
    if (!held) held = cdx->beginRead();
  }
  void release() {
    if (held) cdx->endRead();
    held = false;
  }
  ~IndexFile() { release(); }
};

struct WorkArea::Order {
  IndexFile* file = nullptr;
  CdxTag* tag = nullptr;
  TagInfo info;
  KeyType type = KeyType::Character;
  xb::Expr key;
  xb::Expr cond;
  std::string top, bottom;           // scopes, encoded, in navigation order
  std::optional<IndexEntry> at;      // the entry the area stands on
  bool cursorValid = false;          // the tag cursor is on `at`

  // Physical bounds of the scoped range.
  const std::string& low() const { return info.descending ? bottom : top; }
  const std::string& high() const { return info.descending ? top : bottom; }
};

// Reads rows other than the current one through the row buffer (keys of
// every row), then puts the current row back.
class WorkArea::RowScan {
 public:
  explicit RowScan(WorkArea& a) : a_(a), saved_(a.phantom_) { a_.phantom_ = false; }
  ~RowScan() {
    a_.phantom_ = saved_;
    if (!saved_) a_.table_->read(a_.recno_);
  }
  RowScan(const RowScan&) = delete;
  RowScan& operator=(const RowScan&) = delete;

 private:
  WorkArea& a_;
  bool saved_;
};

// Stands on row `recno` as it is in the table while the row buffer, with
// any change not yet written, is set aside; puts both back at the end.
class WorkArea::RowView {
 public:
  RowView(WorkArea& a, int64_t recno)
      : a_(a), saved_(a.table_->setBufferAside()), recno_(a.recno_), phantom_(a.phantom_) {
    a_.recno_ = recno;
    a_.phantom_ = false;
    found_ = a_.table_->read(recno);
  }
  ~RowView() {
    a_.table_->restoreBuffer(std::move(saved_));
    a_.recno_ = recno_;
    a_.phantom_ = phantom_;
  }
  bool found() const { return found_; }
  RowView(const RowView&) = delete;
  RowView& operator=(const RowView&) = delete;

 private:
  WorkArea& a_;
  Table::SavedBuffer saved_;
  int64_t recno_;
  bool phantom_;
  bool found_ = false;
};

struct WorkArea::Pending {
  bool appended = false;
  std::vector<std::optional<std::string>> oldKeys;  // per order; none: not in the tag
};

// Holds an index file's read lock for a scope when the table is shared;
// a lock still refused after the waits is a run-time error (generic 41).
class ReadScope {
 public:
  ReadScope(CdxFile* f, bool shared);
  ~ReadScope() {
    if (f_) f_->endRead();
  }
  ReadScope(const ReadScope&) = delete;
  ReadScope& operator=(const ReadScope&) = delete;

 private:
  CdxFile* f_;
};

}  // namespace xb::engine
