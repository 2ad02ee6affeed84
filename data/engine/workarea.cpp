// Work area: opening and closing, fields, locks, filters and row loops,
// append from another table, pack and the joint consistency check. Moves
// are in workarea_navigation.cpp, orders and index upkeep in
// workarea_index.cpp.
#include "data/engine/workarea.h"

#include <algorithm>
#include <cerrno>

#include "data/engine/os_file.h"
#include "data/engine/workarea_internal.h"
#include "data/engine/workspace.h"
#include "xbase/codepage.h"
#include "xbase/error.h"

namespace xb::engine {

using namespace detail;

namespace {

uint64_t g_structureIds = 0;

std::string baseAlias(const std::string& path) {
  std::string name = path.substr(path.find_last_of('/') + 1);
  name = name.substr(0, name.find('.'));
  return upper1252(name);
}

}  // namespace

WorkArea::WorkArea(int number) : number_(number) {}

WorkArea::~WorkArea() {
  try {
    close();
  } catch (const std::exception&) {
    // A destructor cannot report further; the handler has seen the error.
  }
}

void WorkArea::raise(int genCode, const std::string& description, const std::string& operation) const {
  xb::Error e;
  e.genCode = genCode;
  e.subsystem = "DBFCDX";
  e.subCode = 1000 + genCode;
  e.description = table_ ? description + " (" + baseName(table_->path()) + ")" : description;
  e.filename = table_ ? table_->path() : std::string();
  e.operation = operation;
  xb::raise(e);
}

bool WorkArea::haveTable(const char* operation) const {
  if (table_) return true;
  raise(kGenNoTable, "no hay tabla abierta en el área", operation);
  return false;
}

bool WorkArea::shared() const { return table_ && !table_->exclusive(); }

// --- Open and close -------------------------------------------------------

bool WorkArea::open(const std::string& path, std::string_view alias, OpenMode mode) {
  close();
  std::unique_ptr<Table> t = Table::open(path, mode);
  if (!t) return false;
  table_ = std::move(t);
  alias_ = alias.empty() ? baseAlias(path) : upper1252(alias);
  structureId_ = ++g_structureIds;
  goTop();
  return true;
}

void WorkArea::close() {
  if (!table_) return;
  flushRow();
  table_->unlockAll();
  orders_.clear();
  files_.clear();
  table_.reset();
  alias_.clear();
  active_ = 0;
  recno_ = 0;
  bof_ = eof_ = phantom_ = true;
  found_ = fileLocked_ = false;
  filterText_.clear();
  filter_ = xb::Expr();
  structureId_ = ++g_structureIds;
}

bool WorkArea::flush() { return !table_ || flushRow(); }

void WorkArea::commit() {
  if (!table_) return;
  flushRow();
  table_->commit();
  // The index files too, so that what a commit wrote is on the disk whole.
  for (auto& f : files_)
    if (!f->cdx->sync())
      raise(kGenWrite, "no se puede grabar " + baseName(f->cdx->path()) + " en el disco: " + systemReason(errno), "COMMIT");
}

// --- Fields ------------------------------------------------------------------

int WorkArea::fieldIndex(std::string_view name) const { return table_ ? table_->fieldIndex(name) : -1; }

int WorkArea::fieldCount() const { return table_ ? static_cast<int>(table_->structure().size()) : 0; }

const Structure& WorkArea::structure() const {
  static const Structure none;
  return table_ ? table_->structure() : none;
}

xb::Value WorkArea::blankValue(const FieldDef& f) {
  switch (f.type) {
    case 'C': return xb::Value(std::string(static_cast<size_t>(f.width), ' '));
    case 'N':
    case 'F': return xb::Value(0.0, f.decimals);
    case 'D': return xb::Value(xb::Date{});
    case 'L': return xb::Value(false);
    case 'M': return xb::Value(std::string());
    default: return xb::Value(0.0, 0);
  }
}

xb::Value WorkArea::fieldGet(int index) {
  if (!haveTable("FIELDGET")) return {};
  if (index < 0 || index >= fieldCount()) {
    raise(kGenBound, "número de campo fuera de rango", "FIELDGET");
    return {};
  }
  if (phantom_ || blankRow_) return blankValue(table_->structure()[static_cast<size_t>(index)]);
  return table_->get(index);
}

void WorkArea::fieldPut(int index, const xb::Value& v) {
  if (!haveTable("FIELDPUT")) return;
  if (index < 0 || index >= fieldCount()) {
    raise(kGenBound, "número de campo fuera de rango", "FIELDPUT");
    return;
  }
  if (phantom_) return;
  beginChange();
  table_->put(index, v);
}

xb::Value WorkArea::fieldGet(std::string_view name) {
  int i = fieldIndex(name);
  if (i < 0 && table_) {
    raise(kGenNoVar, "campo inexistente: " + cp1252ToUtf8(name), "FIELDGET");
    return {};
  }
  return fieldGet(i);
}

void WorkArea::fieldPut(std::string_view name, const xb::Value& v) {
  int i = fieldIndex(name);
  if (i < 0 && table_) {
    raise(kGenNoVar, "campo inexistente: " + cp1252ToUtf8(name), "FIELDPUT");
    return;
  }
  fieldPut(i, v);
}

int64_t WorkArea::reccount() { return table_ ? table_->recordCount() : 0; }

bool WorkArea::deleted() {
  if (!table_ || phantom_ || blankRow_) return false;
  return table_->deleted();
}

void WorkArea::deleteRow() {
  if (!haveTable("DELETE") || phantom_) return;
  beginChange();
  table_->setDeleted(true);
}

void WorkArea::recall() {
  if (!haveTable("RECALL") || phantom_) return;
  beginChange();
  table_->setDeleted(false);
}

// --- Locks ---------------------------------------------------------------------

bool WorkArea::lockRow() {
  if (!haveTable("RLOCK")) return false;
  // Changes made to the row before it was locked are written under the lock.
  if (pending_ && !phantom_ && !table_->isRowLocked(recno_) && !table_->isFileLocked() &&
      !table_->lockRow(recno_))
    return false;
  flushRow();
  table_->unlockAll();
  fileLocked_ = false;
  if (phantom_) return false;
  return table_->lockRow(recno_);
}

bool WorkArea::lockRecord(int64_t recno) {
  if (!haveTable("DBRLOCK")) return false;
  flushRow();
  return table_->lockRow(recno);
}

void WorkArea::unlockRecord(int64_t recno) {
  if (!table_) return;
  flushRow();
  table_->unlockRow(recno);
}

bool WorkArea::lockFile() {
  if (!haveTable("FLOCK")) return false;
  flushRow();
  table_->unlockAll();
  fileLocked_ = table_->lockFile();
  return fileLocked_;
}

void WorkArea::unlock() {
  if (!table_) return;
  flushRow();
  table_->unlockAll();
  fileLocked_ = false;
}

// --- Filters and loops -----------------------------------------------------------

void WorkArea::setFilter(const std::string& text) { setFilter(text, xb::Expr::compile(text)); }

void WorkArea::setFilter(const std::string& text, const xb::Expr& compiled) {
  filterText_ = text;
  filter_ = compiled;
}

void WorkArea::clearFilter() {
  filterText_.clear();
  filter_ = xb::Expr();
}

bool WorkArea::locate(const xb::Expr& cond, bool fromCurrent) {
  if (!haveTable("LOCATE")) return false;
  found_ = false;
  if (fromCurrent)
    skip(1);
  else
    goTop();
  while (!eof_) {
    xb::Value v = cond.eval(this);
    if (v.isLogical() && v.logical()) {
      found_ = true;
      return true;
    }
    skip(1);
  }
  return false;
}

int64_t WorkArea::evalRows(const std::function<bool()>& fn, const xb::Expr* forCond, const xb::Expr* whileCond,
                           bool rest) {
  if (!haveTable("DBEVAL")) return 0;
  if (!rest) goTop();
  int64_t n = 0;
  auto holds = [&](const xb::Expr* e) {
    if (!e || !e->valid()) return true;
    xb::Value v = e->eval(this);
    return v.isLogical() && v.logical();
  };
  while (!eof_) {
    if (!holds(whileCond)) break;
    if (holds(forCond)) {
      ++n;
      if (!fn()) break;
    }
    skip(1);
  }
  return n;
}

int64_t WorkArea::appendFrom(const std::string& path) {
  if (!haveTable("APPEND FROM")) return -1;
  flushRow();
  const bool takeLock = shared() && !table_->isFileLocked();
  if (takeLock && !table_->lockFile()) return -1;
  // As a bulk append: the rows are counted once the tags name them.
  if (!table_->beginBatch()) {
    if (takeLock) table_->unlockAll();
    return -1;
  }
  const int64_t before = table_->recordCount();
  if (table_->rowsBeyondCount()) clearEntriesBeyondCount(before);
  int64_t n = Table::appendFrom(*table_, path);
  table_->writeHeldRows();
  const bool indexed = indexBatch(before + 1, table_->recordCount(), false, "APPEND FROM");
  if (!table_->endBatch(indexed) || !indexed) n = -1;
  if (takeLock) table_->unlockAll();
  goBottom();
  return n;
}

bool WorkArea::pack() {
  if (!haveTable("PACK")) return false;
  flushRow();
  if (!table_->pack()) return false;
  for (auto& f : files_) {
    std::vector<std::pair<TagInfo, EntryList>> rebuilt;
    for (auto& o : orders_)
      if (o->file == f.get()) rebuilt.emplace_back(o->info, collectEntries(*o));
    if (!lockForWrite({f.get()}, "PACK")) return false;
    for (auto& [info, entries] : rebuilt) f->cdx->buildTag(info, entries);
    endIndexWrite(*f);
  }
  loadOrders();
  goTop();
  return true;
}

std::vector<std::string> WorkArea::check() {
  std::vector<std::string> faults;
  if (!table_) return faults;
  flushRow();
  for (std::string& s : table_->check()) faults.push_back(std::move(s));
  for (auto& f : files_) {
    ReadScope lock(f->cdx.get(), shared());
    for (std::string& s : f->cdx->check()) faults.push_back(f->cdx->path() + ": " + s);
  }
  const int64_t count = table_->recordCount(), written = table_->rowsInFile();
  for (auto& o : orders_) {
    EntryList want = collectEntries(*o);
    // Walked a step at a time, each under its own read lock, so that a
    // waiting writer gets in. Entries naming rows that the file holds past
    // the record count were left by an append stopped before its count:
    // those rows do not exist, and the next append clears the entries.
    std::vector<IndexEntry> have;
    for (bool ok = o->tag->first(); ok && o->tag->valid(); ok = o->tag->next()) {
      const int64_t r = o->tag->current().recno;
      if (r <= count || r > written) have.push_back(o->tag->current());
    }
    o->cursorValid = false;
    const std::string where = o->file->cdx->path() + " tag " + o->info.name + ": ";
    size_t i = 0, j = 0;
    int reported = 0;
    auto report = [&](const std::string& s) {
      if (reported++ < 20) faults.push_back(where + s);
    };
    // The rows' entries, a unique tag's first of each key only, against
    // the tag's.
    std::vector<IndexEntry> expected;
    expected.reserve(want.size());
    for (size_t k = 0; k < want.size(); ++k)
      if (!o->info.unique || expected.empty() || expected.back().key != want.key(k))
        expected.push_back({std::string(want.key(k)), want.recno(k)});
    while (i < expected.size() || j < have.size()) {
      if (j == have.size() || (i < expected.size() && entryLess(expected[i], have[j]))) {
        report("missing entry for record " + std::to_string(expected[i++].recno));
      } else if (i == expected.size() || entryLess(have[j], expected[i])) {
        report("extra entry for record " + std::to_string(have[j++].recno));
      } else {
        ++i, ++j;
      }
    }
    if (reported > 20) faults.push_back(where + std::to_string(reported - 20) + " more differences");
  }
  return faults;
}

}  // namespace xb::engine
