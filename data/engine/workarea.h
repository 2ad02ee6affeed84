// One work area: an open table under an alias, with the index files attached
// to it, the active order (a tag or the natural record order), its scopes,
// a row filter and the current position.
//
// Positions follow the xBase rules: past the last row the area stands on
// the phantom row (record number = record count + 1, every field blank,
// eof() true); a skip before the first row stays on it with bof() true.
// Rows hidden by the run-wide "deleted rows hidden" setting (workspace.h)
// or by the filter are never stopped on by navigation, seeks, locate or
// evalRows; goTo() reaches any row.
//
// Row changes (fieldPut, deleteRow, recall, appendBlank) are buffered and
// written when the row is left, unlocked or committed; at that moment every
// attached tag is brought up to date by removing the row's old entry and
// inserting the new one, so a change touches O(log n) index pages. A write
// is all or nothing: the index files it touches are locked first, and when
// one cannot be had in time nothing is written (a run-time error, generic
// 41, tells the caller). An appended row exists for other processes, and
// in the record count, only once it is written whole: memos, row, index
// entries, then the count.
//
// In a shared table, each operation re-reads the record count and the
// index change counters, so rows and keys written by other processes are
// seen.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "data/engine/cdx.h"
#include "data/engine/table.h"
#include "xbase/expr.h"
#include "xbase/value.h"

namespace xb::engine {

// What the order list shows of one tag (the error report lists these).
struct OrderInfo {
  std::string indexFile;
  TagInfo tag;
  char keyType = 'C';  // C, N or D
};

class WorkArea : public xb::RowSource {
 public:
  explicit WorkArea(int number);
  ~WorkArea() override;
  WorkArea(const WorkArea&) = delete;
  WorkArea& operator=(const WorkArea&) = delete;

  int number() const { return number_; }
  bool used() const { return table_ != nullptr; }
  Table* table() { return table_.get(); }

  // Opens `path` in this area under `alias` (empty: the file's base name),
  // closing what the area held. Sharing failures take the error handler's
  // default and answer false with the network-error flag set.
  bool open(const std::string& path, std::string_view alias, OpenMode mode);
  // Writes pending changes, releases locks and closes table and indexes.
  void close();
  // Writes the pending row change and the table's buffers.
  void commit();
  // Writes the pending row change now, with every tag it touches: all of
  // it, or (refused for want of an index lock, or failed) nothing, which
  // answers false after the error went to the handler.
  bool flush();

  // --- Navigation -------------------------------------------------------
  void goTop();
  void goBottom();
  // Goes to a row whatever the filter or deleted flag; a number outside
  // 1..record count lands on the phantom row.
  void goTo(int64_t recno);
  // Moves n visible rows in the active order (negative: backwards).
  void skip(int64_t n = 1);
  bool bof() override { return bof_; }
  bool eof() override { return eof_; }
  bool found() const { return found_; }
  int64_t recno() override { return recno_; }
  int64_t reccount() override;

  // --- Rows ---------------------------------------------------------------
  // Appends a blank row, makes it current and leaves it locked for the
  // caller. False (network-error flag set) when the append lock is refused.
  // `releaseLocks` drops the area's other locks first (the usual rule).
  bool appendBlank(bool releaseLocks = true);
  void deleteRow();
  void recall();
  bool deleted() override;

  std::string alias() const override { return alias_; }
  int fieldIndex(std::string_view name) const override;
  int fieldCount() const override;
  // Field values of the current row; on the phantom row, blank values.
  xb::Value fieldGet(int index) override;
  // Assigns a field of the current row (ignored on the phantom row).
  void fieldPut(int index, const xb::Value& v) override;
  xb::Value fieldGet(std::string_view name);
  void fieldPut(std::string_view name, const xb::Value& v);
  const Structure& structure() const;
  uint64_t structureId() const override { return structureId_; }

  // Locks the current row (releasing the area's other locks first) and
  // re-reads it. False and the network-error flag when refused.
  bool lockRow();
  // Adds the lock of row `recno` to the locks the area holds, keeping the
  // others (several rows of one group held together), and releases one
  // such lock again. False and the network-error flag when refused.
  bool lockRecord(int64_t recno);
  void unlockRecord(int64_t recno);
  bool lockFile();
  // Writes the pending change and releases every lock of the area.
  void unlock();

  // --- Indexes ------------------------------------------------------------
  // Attaches an index file (a file attached already stays as it is); when
  // the area had no active order, the file's first tag becomes it. False
  // when the handler took the default.
  bool addIndex(const std::string& path);
  // Detaches every index file; the area goes to natural order.
  void clearIndexes();
  // Creates (or replaces) a tag in `indexPath` (created when missing) over
  // all rows, attaches the file when it is not attached and makes the tag
  // the active order. Key type and length come from the key's value on a
  // blank row. Needs exclusive use or the file lock.
  bool createTag(const std::string& indexPath, const std::string& tagName, const std::string& keyText,
                 const std::string& forText = {}, bool unique = false, bool descending = false);
  // Makes the named tag the active order; false when no attached file has
  // it. An empty name selects the natural order.
  bool setOrder(std::string_view tagName);
  // Order number 1.. over the attached files' tags in order; 0: natural.
  bool setOrder(int order);
  int order() const { return active_; }
  std::vector<OrderInfo> orders() const;
  std::vector<std::string> indexFiles() const;

  // Scopes of the active order: the first and last key shown in its own
  // navigation order (texts compare as prefixes). Nil clears one.
  void setScope(const xb::Value& top, const xb::Value& bottom);
  void clearScope();
  // Entries of the active tag within the scopes (the tag's FOR is part of
  // the tag); the record count in natural order.
  int64_t keyCount();

  // Seeks a key in the active order. Exact: found() and on the first
  // matching visible row, else the phantom row. Soft: on the first visible
  // row whose key follows, found() telling whether it matched.
  bool seek(const xb::Value& key, bool soft = false);

  // --- Filters and row loops -------------------------------------------
  void setFilter(const std::string& text);
  void setFilter(const std::string& text, const xb::Expr& compiled);
  void clearFilter();
  const std::string& filterText() const { return filterText_; }

  // From the top (or, with `fromCurrent`, from the row after the current
  // one), stops on the first visible row satisfying `cond`; found() tells.
  bool locate(const xb::Expr& cond, bool fromCurrent = false);
  // Calls `fn` on every visible row from the top (or from the current row
  // when `rest`) in the active order for which `forCond` holds, while
  // `whileCond` holds; `fn` may answer false to stop. Returns the count.
  int64_t evalRows(const std::function<bool()>& fn, const xb::Expr* forCond = nullptr,
                   const xb::Expr* whileCond = nullptr, bool rest = false);

  // Appends every row of another table file that is not deleted, fields
  // matched by name (Table::appendFrom), and indexes the new rows; a shared
  // table is file-locked meanwhile. The rows are counted only once the tags
  // name them (see beginBulk): when an index lock is refused none is. The
  // count appended, -1 on failure.
  int64_t appendFrom(const std::string& path);

  // Removes deleted rows (exclusive use) and rebuilds every tag of the
  // attached index files; the area goes to the top.
  bool pack();

  // Appends in bulk, for imports: with the file lock held (lockFile) or in
  // exclusive use, rows appended (appendBlank(false)) until endBulk are
  // written in runs and the attached tags are brought up to date once, at
  // the end: a tag is rebuilt when the new rows are at least a quarter of the
  // old ones, else their entries are inserted. All or nothing: the rows are
  // counted only after the tags name them, so a process stopped meanwhile,
  // or a tag that cannot be brought up to date (endBulk answers false),
  // leaves the table as before (rows past the count, which the next append
  // reuses). Changes to existing rows are written as they are made. False
  // when neither lock is held.
  bool beginBulk();
  bool endBulk();

  // Consistency of the table, memos and index files, and of every attached
  // tag against the rows: each tag holds exactly the entries its key and
  // FOR give. Empty when sound.
  std::vector<std::string> check();

 private:
  struct Order;
  struct Pending;
  struct IndexFile;
  class RowScan;
  class RowView;
  static xb::Value blankValue(const FieldDef& f);
  bool haveTable(const char* operation) const;
  bool shared() const;
  void raise(int genCode, const std::string& description, const std::string& operation) const;
  // Writes the pending row change with the upkeep of every tag it touches,
  // all or nothing; false when it was refused or failed (see workarea_index.cpp).
  bool flushRow();
  void beginChange();
  void setPhantom();
  bool loadRow(int64_t recno);
  bool visible();
  void refreshEntries();
  Order* activeOrder();
  const Order* activeOrder() const;
  std::unique_ptr<Order> makeOrder(IndexFile* file, const TagInfo& info);
  void loadOrders();
  std::string keyOf(Order& o);
  std::string keyOf(Order& o, const xb::Value& v);
  bool forOf(Order& o);
  xb::Value evalBlank(const xb::Expr& e);
  std::optional<std::string> searchKey(const Order& o, const xb::Value& v, const char* operation);
  bool inScope(const Order& o, const std::string& key) const;
  bool logicalNext(Order& o, bool forward);
  bool rangeEnd(Order& o, bool highEnd);
  bool settle(Order& o, bool forward);
  bool tagEdge(Order& o, bool top);
  bool tagStep(Order& o, bool forward);
  bool naturalScan(int64_t from, bool forward);
  bool naturalStep(bool forward);
  // The entries of every row for the order, sorted. With `widest`, a
  // character key grows to its widest value (*widest: the widest seen).
  EntryList collectEntries(Order& o, int* widest = nullptr);
  // Takes the write lock of one index file (a few waits); false when refused.
  bool beginIndexWrite(IndexFile& f);
  // Takes the write locks of every file, or none: a refusal is a run-time
  // error (generic 41, retry and default allowed); false on default.
  bool lockForWrite(const std::vector<IndexFile*>& files, const char* operation);
  // Brings every attached tag up to date with rows first..last, appended in
  // a batch and written but not counted yet: their entries inserted or,
  // with `rebuild`, each tag built anew from every row. False when an index
  // lock was refused or a build failed; a run-time error thrown on the way
  // gives the batch's rows up first.
  bool indexBatch(int64_t first, int64_t last, bool rebuild, const char* operation);
  // Writes every row an exclusive table holds back and its count, before a
  // whole tag is built or rebuilt from the rows.
  void writeAllRows();
  // Removes the entries of every tag that name rows past `count` (left by
  // an append stopped before its count), before an append reuses them.
  void clearEntriesBeyondCount(int64_t count);
  void endIndexWrite(IndexFile& f);
  // With the write lock of `f`: a row change another copy was stopped in
  // the middle of (noted in the file) is completed from the row as it stands.
  void completeRowChange(IndexFile& f);
  void indexInsert(Order& o, const std::string& key, int64_t recno);
  void indexRemove(Order& o, const std::string& key, int64_t recno);
  std::optional<uint32_t> uniqueSuccessor(Order& o, const std::string& key, int64_t recno);

  int number_;
  std::string alias_;
  std::unique_ptr<Table> table_;
  std::vector<std::unique_ptr<IndexFile>> files_;
  std::vector<std::unique_ptr<Order>> orders_;
  int active_ = 0;  // 1-based into orders_; 0: natural order
  int64_t recno_ = 0;
  bool bof_ = true, eof_ = true, found_ = false, phantom_ = true, blankRow_ = false, fileLocked_ = false;
  std::unique_ptr<Pending> pending_;
  std::string filterText_;
  xb::Expr filter_;
  uint64_t structureId_ = 0;
  int64_t bulkFirst_ = 0;  // first row appended in bulk; 0: not in bulk
};

}  // namespace xb::engine
