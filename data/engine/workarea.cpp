// Work area: navigation over a table in natural or tag order, row changes
// with incremental index upkeep, seeks, scopes, filters and the joint
// consistency check.
//
// Positions in a tag are remembered as the (key, record number) entry the
// area stands on, not as a page cursor, so that a position survives changes
// made by this or another process: every step in a shared table seeks that
// entry again (O(log n) cached pages) before moving. A tag's physical order
// is ascending; a descending tag is walked from the other end, and its
// scopes are given in its own (descending) order.
//
// Unique tags keep the lowest-numbered row of each key. When the row that
// holds a unique key leaves it, the next row with that key takes its place:
// it is looked up in a non-unique tag with the same key and condition when
// one is attached, otherwise by a scan of the table.
#include "data/engine/workarea.h"

#include <algorithm>
#include "data/engine/index_key.h"
#include "data/engine/os_file.h"
#include "data/engine/workspace.h"
#include "xbase/codepage.h"
#include "xbase/error.h"

namespace xb::engine {

namespace {

uint64_t g_structureIds = 0;

// The longest key a compact index page can hold two of.
constexpr int kMaxKeyLength = 240;

char keyLetter(KeyType t) {
  switch (t) {
    case KeyType::Numeric: return 'N';
    case KeyType::Date: return 'D';
    case KeyType::Logical: return 'L';
    default: return 'C';
  }
}

// Index locks are held by other processes only for one operation; each
// attempt already waits the index file's lock wait, so a few are plenty.
template <class F>
bool waitFor(F&& tryOnce) {
  for (int i = 0; i < 5; ++i)
    if (tryOnce()) return true;
  return false;
}

// The smallest byte string greater than every string starting with `p`;
// empty when there is none (p is all 0xFF).
std::string prefixSuccessor(std::string p) {
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

int comparePrefix(const std::string& key, const std::string& prefix) {
  return key.compare(0, prefix.size(), prefix);
}

bool entryLess(const IndexEntry& a, const IndexEntry& b) {
  int c = a.key.compare(b.key);
  return c < 0 || (c == 0 && a.recno < b.recno);
}

bool sameEntry(const IndexEntry& a, const IndexEntry& b) { return a.key == b.key && a.recno == b.recno; }

std::string baseAlias(const std::string& path) {
  std::string name = path.substr(path.find_last_of('/') + 1);
  name = name.substr(0, name.find('.'));
  return upper1252(name);
}

}  // namespace

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

struct WorkArea::Pending {
  bool appended = false;
  std::vector<std::optional<std::string>> oldKeys;  // per order; none: not in the tag
};

// Holds an index file's read lock for a scope when the table is shared.
class ReadScope {
 public:
  ReadScope(CdxFile* f, bool shared) : f_(shared ? f : nullptr) {
    if (f_ && !waitFor([&] { return f_->beginRead(); })) {
      xb::Error e;
      e.genCode = kGenLock;
      e.subsystem = "DBFCDX";
      e.subCode = 1038;
      e.description = "índice bloqueado por otro proceso";
      e.filename = f_->path();
      e.operation = "lectura de índice";
      f_ = nullptr;
      xb::raise(e);
    }
  }
  ~ReadScope() {
    if (f_) f_->endRead();
  }
  ReadScope(const ReadScope&) = delete;
  ReadScope& operator=(const ReadScope&) = delete;

 private:
  CdxFile* f_;
};

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
  e.description = description;
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

void WorkArea::commit() {
  if (!table_) return;
  flushRow();
  table_->commit();
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

// --- Row changes ----------------------------------------------------------

void WorkArea::beginChange() {
  if (pending_) return;
  auto p = std::make_unique<Pending>();
  p->oldKeys.reserve(orders_.size());
  for (auto& o : orders_) p->oldKeys.push_back(forOf(*o) ? std::optional<std::string>(keyOf(*o)) : std::nullopt);
  pending_ = std::move(p);
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

bool WorkArea::appendBlank(bool releaseLocks) {
  if (!haveTable("APPEND")) return false;
  flushRow();
  if (releaseLocks) {
    table_->unlockAll();
    fileLocked_ = false;
  }
  if (!table_->appendBlank()) return false;
  recno_ = table_->recno();
  phantom_ = bof_ = eof_ = false;
  auto p = std::make_unique<Pending>();
  p->appended = true;
  p->oldKeys.assign(orders_.size(), std::nullopt);
  pending_ = std::move(p);
  for (auto& o : orders_) {
    o->at.reset();
    o->cursorValid = false;
  }
  return true;
}

void WorkArea::flushRow() {
  if (!pending_) return;
  std::unique_ptr<Pending> p = std::move(pending_);
  try {
    table_->flush();
  } catch (...) {
    pending_ = std::move(p);  // still unwritten: the next attempt keeps the indexes in step
    throw;
  }
  if (!p->appended && table_->rawRow() != table_->rawRowOnDisk()) return;  // the write was refused
  const auto r = recno_;
  std::vector<std::optional<std::string>> now;
  now.reserve(orders_.size());
  for (auto& o : orders_) now.push_back(forOf(*o) ? std::optional<std::string>(keyOf(*o)) : std::nullopt);
  for (auto& f : files_) {
    bool touched = false;
    for (size_t i = 0; i < orders_.size(); ++i)
      if (orders_[i]->file == f.get() && now[i] != p->oldKeys[i]) touched = true;
    if (!touched) continue;
    if (!beginIndexWrite(*f, "escritura de índice")) continue;
    for (size_t i = 0; i < orders_.size(); ++i) {
      Order& o = *orders_[i];
      if (o.file != f.get() || now[i] == p->oldKeys[i]) continue;
      if (p->oldKeys[i]) indexRemove(o, *p->oldKeys[i], r);
      if (now[i]) indexInsert(o, *now[i], r);
      o.cursorValid = false;
    }
    endIndexWrite(*f);
  }
  if (!phantom_ && table_->recno() != r) table_->read(r);
  for (size_t i = 0; i < orders_.size(); ++i)
    orders_[i]->at = IndexEntry{now[i] ? *now[i] : keyOf(*orders_[i]), static_cast<uint32_t>(r)};
}

bool WorkArea::beginIndexWrite(IndexFile& f, const char* operation) {
  // Rows reach the table file before any index entry that names them.
  table_->writeHeldRows();
  f.release();
  if (waitFor([&] { return f.cdx->beginWrite(); })) return true;
  raise(kGenLock, "índice bloqueado por otro proceso", operation);
  if (!shared()) f.hold();
  return false;
}

void WorkArea::endIndexWrite(IndexFile& f) {
  f.cdx->endWrite();
  if (!shared()) f.hold();
}

void WorkArea::indexInsert(Order& o, const std::string& key, int64_t recno) {
  IndexEntry e{key, static_cast<uint32_t>(recno)};
  if (o.info.unique && o.tag->seek(key) && o.tag->current().key == key) {
    IndexEntry holder = o.tag->current();
    if (holder.recno <= e.recno) return;
    o.tag->remove(holder);
  }
  o.tag->insert(e);
}

void WorkArea::indexRemove(Order& o, const std::string& key, int64_t recno) {
  if (!o.tag->remove(IndexEntry{key, static_cast<uint32_t>(recno)}) || !o.info.unique) return;
  if (std::optional<uint32_t> next = uniqueSuccessor(o, key, recno)) o.tag->insert(IndexEntry{key, *next});
}

std::optional<uint32_t> WorkArea::uniqueSuccessor(Order& o, const std::string& key, int64_t recno) {
  for (auto& s : orders_) {
    if (s->file != o.file || s->info.unique || s->info.keyExpr != o.info.keyExpr || s->info.forExpr != o.info.forExpr)
      continue;
    s->cursorValid = false;
    for (bool ok = s->tag->seek(key); ok && s->tag->valid() && s->tag->current().key == key; ok = s->tag->next())
      if (s->tag->current().recno != recno) return s->tag->current().recno;
    return std::nullopt;
  }
  std::optional<uint32_t> next;
  RowScan scan(*this);
  const int64_t count = table_->recordCount();
  for (int64_t r = 1; r <= count && !next; ++r)
    if (r != recno && table_->read(r) && forOf(o) && keyOf(o) == key) next = static_cast<uint32_t>(r);
  return next;
}

// --- Keys --------------------------------------------------------------------

std::string WorkArea::keyOf(Order& o) {
  xb::Value v = o.key.eval(this);
  std::optional<std::string> k;
  if (keyTypeOf(v) == o.type) k = encodeKey(v, o.info.keyLength);
  if (!k) {
    raise(kGenDataType, "la clave " + cp1252ToUtf8(o.info.keyExpr) + " no da un valor de su tipo", "INDEX KEY");
    return std::string(static_cast<size_t>(o.info.keyLength), static_cast<char>(o.info.fill));
  }
  return *k;
}

bool WorkArea::forOf(Order& o) {
  if (!o.cond.valid()) return true;
  xb::Value v = o.cond.eval(this);
  return v.isLogical() && v.logical();
}

xb::Value WorkArea::evalBlank(const xb::Expr& e) {
  blankRow_ = true;
  struct Reset {
    bool& b;
    ~Reset() { b = false; }
  } reset{blankRow_};
  return e.eval(this);
}

// --- Positions ---------------------------------------------------------------

void WorkArea::setPhantom() {
  recno_ = table_->recordCount() + 1;
  phantom_ = eof_ = true;
  bof_ = false;
  for (auto& o : orders_) {
    o->at.reset();
    o->cursorValid = false;
  }
}

bool WorkArea::loadRow(int64_t recno) {
  if (recno < 1 || !table_->read(recno)) return false;
  recno_ = recno;
  phantom_ = eof_ = bof_ = false;
  return true;
}

bool WorkArea::visible() {
  if (deletedHidden() && table_->deleted()) return false;
  if (!filter_.valid()) return true;
  xb::Value v = filter_.eval(this);
  return v.isLogical() && v.logical();
}

void WorkArea::refreshEntries() {
  for (auto& o : orders_) {
    o->cursorValid = false;
    if (phantom_)
      o->at.reset();
    else
      o->at = IndexEntry{keyOf(*o), static_cast<uint32_t>(recno_)};
  }
}

WorkArea::Order* WorkArea::activeOrder() {
  return active_ > 0 ? orders_[static_cast<size_t>(active_ - 1)].get() : nullptr;
}

const WorkArea::Order* WorkArea::activeOrder() const {
  return active_ > 0 ? orders_[static_cast<size_t>(active_ - 1)].get() : nullptr;
}

bool WorkArea::inScope(const Order& o, const std::string& key) const {
  if (!o.low().empty() && comparePrefix(key, o.low()) < 0) return false;
  if (!o.high().empty() && comparePrefix(key, o.high()) > 0) return false;
  return true;
}

// Physical moves of the tag cursor, in the tag's own navigation direction.
bool WorkArea::logicalNext(Order& o, bool forward) {
  return forward != o.info.descending ? o.tag->next() : o.tag->prev();
}

// Puts the cursor on the physical start (low end) or end (high end) of the
// scoped range.
bool WorkArea::rangeEnd(Order& o, bool highEnd) {
  if (!highEnd) {
    bool any = o.low().empty() ? o.tag->first() : (o.tag->seek(o.low()), o.tag->valid());
    return any && o.tag->valid();
  }
  std::string past = o.high().empty() ? std::string() : prefixSuccessor(o.high());
  if (past.empty()) return o.tag->last() && o.tag->valid();
  o.tag->seek(past);
  if (o.tag->valid()) return o.tag->prev() && o.tag->valid();
  return o.tag->last() && o.tag->valid();
}

// From the cursor, walks in `forward` navigation direction to the first
// visible row inside the scopes and stands on it.
bool WorkArea::settle(Order& o, bool forward) {
  while (o.tag->valid()) {
    const IndexEntry e = o.tag->current();
    if (!inScope(o, e.key)) return false;
    if (loadRow(e.recno) && visible()) {
      for (auto& other : orders_) {
        other->cursorValid = false;
        IndexEntry& at = other->at ? *other->at : other->at.emplace();  // reuses the key's buffer
        if (other.get() == &o)
          at.key.assign(e.key);
        else
          at.key = keyOf(*other);
        at.recno = e.recno;
      }
      o.cursorValid = true;
      return true;
    }
    if (!logicalNext(o, forward)) return false;
  }
  return false;
}

bool WorkArea::tagEdge(Order& o, bool top) {
  ReadScope lock(o.file->cdx.get(), shared());
  bool highEnd = top == o.info.descending;
  if (!rangeEnd(o, highEnd)) return false;
  return settle(o, top);
}

bool WorkArea::tagStep(Order& o, bool forward) {
  ReadScope lock(o.file->cdx.get(), shared());
  if (!o.at) {
    // On the phantom row: backwards reaches the bottom.
    if (forward) return false;
    return rangeEnd(o, !o.info.descending) && settle(o, false);
  }
  const bool physicalForward = forward != o.info.descending;
  if (!(o.cursorValid && !shared() && o.tag->valid() && sameEntry(o.tag->current(), *o.at))) {
    o.tag->seek(o.at->key);
    while (o.tag->valid() && entryLess(o.tag->current(), *o.at)) o.tag->next();
  }
  // The cursor is on the first entry not less than `at`.
  if (physicalForward) {
    if (o.tag->valid() && sameEntry(o.tag->current(), *o.at) && !o.tag->next()) return false;
  } else if (o.tag->valid()) {
    if (!o.tag->prev()) return false;
  } else if (!o.tag->last()) {
    return false;
  }
  // A walk in tag order reads rows all over the table: ask for the row a
  // few steps on while this one is read.
  if (!shared()) table_->prefetch(o.tag->recnoAhead(physicalForward ? 6 : -6));
  return settle(o, forward);
}

bool WorkArea::naturalScan(int64_t from, bool forward) {
  const int64_t count = table_->recordCount();
  for (int64_t r = forward ? from : std::min(from, count); r >= 1 && r <= count; r += forward ? 1 : -1) {
    if (loadRow(r) && visible()) {
      refreshEntries();
      return true;
    }
  }
  return false;
}

bool WorkArea::naturalStep(bool forward) {
  if (forward) return !phantom_ && naturalScan(recno_ + 1, true);
  return naturalScan(phantom_ ? table_->recordCount() : recno_ - 1, false);
}

void WorkArea::goTop() {
  if (!haveTable("GOTOP")) return;
  flushRow();
  bool ok;
  if (Order* o = activeOrder()) {
    ok = tagEdge(*o, true);
  } else {
    ok = naturalScan(1, true);
  }
  if (!ok) {
    setPhantom();
    bof_ = true;
  }
}

void WorkArea::goBottom() {
  if (!haveTable("GOBOTTOM")) return;
  flushRow();
  bool ok;
  if (Order* o = activeOrder()) {
    ok = tagEdge(*o, false);
  } else {
    ok = naturalScan(table_->recordCount(), false);
  }
  if (!ok) {
    setPhantom();
    bof_ = true;
  }
}

void WorkArea::goTo(int64_t recno) {
  if (!haveTable("GOTO")) return;
  flushRow();
  found_ = false;
  if (!loadRow(recno)) {
    setPhantom();
    return;
  }
  refreshEntries();
}

void WorkArea::skip(int64_t n) {
  if (!haveTable("SKIP")) return;
  flushRow();
  if (n == 0) {
    if (!phantom_) goTo(recno_);
    return;
  }
  const bool forward = n > 0;
  for (int64_t i = 0; i < (forward ? n : -n); ++i) {
    if (forward && phantom_) {
      eof_ = true;
      return;
    }
    const bool wasPhantom = phantom_;
    Order* o = activeOrder();
    bool ok = o ? tagStep(*o, forward) : naturalStep(forward);
    if (ok) continue;
    if (forward) {
      setPhantom();
      return;
    }
    // Before the first row: stay on the top row with bof() set.
    if (wasPhantom) {
      setPhantom();
      bof_ = true;
      return;
    }
    goTop();
    bof_ = true;
    return;
  }
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

// --- Indexes ---------------------------------------------------------------------

std::unique_ptr<WorkArea::Order> WorkArea::makeOrder(IndexFile* file, const TagInfo& info) {
  auto o = std::make_unique<Order>();
  o->file = file;
  o->info = info;
  o->key = xb::Expr::compile(info.keyExpr);
  if (!info.forExpr.empty()) o->cond = xb::Expr::compile(info.forExpr);
  if (!o->key.valid()) return o;
  xb::Value blank = evalBlank(o->key);
  std::optional<KeyType> t = keyTypeOf(blank);
  o->type = t.value_or(KeyType::Character);
  o->info.fill = keyFill(o->type);
  if (!o->info.keyLength) o->info.keyLength = naturalKeyLength(blank);
  o->tag = file ? file->cdx->tag(info.name) : nullptr;
  if (o->tag) o->tag->setFill(o->info.fill);
  return o;
}

void WorkArea::loadOrders() {
  struct Kept {
    std::string file, tag, top, bottom;
  };
  std::vector<Kept> kept;
  for (const auto& o : orders_) kept.push_back({o->file->cdx->path(), o->info.name, o->top, o->bottom});
  const int wasActive = active_;
  orders_.clear();
  active_ = 0;
  for (auto& f : files_) {
    ReadScope lock(f->cdx.get(), shared());
    for (const TagInfo& t : f->cdx->tags()) {
      orders_.push_back(makeOrder(f.get(), t));
      for (size_t i = 0; i < kept.size(); ++i) {
        if (kept[i].file != f->cdx->path() || kept[i].tag != t.name) continue;
        orders_.back()->top = kept[i].top;
        orders_.back()->bottom = kept[i].bottom;
        if (static_cast<int>(i) + 1 == wasActive) active_ = static_cast<int>(orders_.size());
      }
    }
  }
  if (!phantom_) refreshEntries();
}

bool WorkArea::addIndex(const std::string& path) {
  if (!haveTable("ORDLISTADD")) return false;
  flushRow();
  for (const auto& f : files_)
    if (resolveName(f->cdx->path()) == resolveName(path)) return true;  // attached already
  std::unique_ptr<CdxFile> f = CdxFile::open(path, !table_->readOnly());
  if (!f) return false;
  const bool hadOrder = active_ > 0;
  const size_t before = orders_.size();
  auto file = std::make_unique<IndexFile>();
  file->cdx = std::move(f);
  if (!shared()) file->hold();
  files_.push_back(std::move(file));
  loadOrders();
  if (!hadOrder && orders_.size() > before) {
    active_ = static_cast<int>(before) + 1;
    goTop();
  }
  return true;
}

void WorkArea::clearIndexes() {
  if (!table_) return;
  flushRow();
  orders_.clear();
  files_.clear();
  active_ = 0;
}

EntryList WorkArea::collectEntries(Order& o) {
  EntryList entries(o.info.keyLength);
  {
    RowScan scan(*this);
    const int64_t count = table_->recordCount();
    entries.reserve(static_cast<size_t>(count));
    for (int64_t r = 1; r <= count; ++r) {
      if (!table_->read(r)) break;
      if (forOf(o)) entries.add(keyOf(o), static_cast<uint32_t>(r));
    }
  }
  // Sorted by key, then record: a unique tag keeps the first of each key.
  entries.sort();
  return entries;
}

bool WorkArea::createTag(const std::string& indexPath, const std::string& tagName, const std::string& keyText,
                         const std::string& forText, bool unique, bool descending) {
  if (!haveTable("INDEX")) return false;
  flushRow();
  if (!table_->exclusive() && !fileLocked_) {
    raise(kGenShared, "crear una etiqueta requiere uso exclusivo", "INDEX");
    return false;
  }
  TagInfo info;
  info.name = upper1252(tagName);
  info.keyExpr = keyText;
  info.forExpr = forText;
  info.unique = unique;
  info.descending = descending;
  auto o = makeOrder(nullptr, info);
  if (!o->key.valid() || (!forText.empty() && !o->cond.valid())) return false;
  if (!keyTypeOf(evalBlank(o->key))) {
    raise(kGenDataType, "tipo de clave no válido en " + cp1252ToUtf8(keyText), "INDEX");
    return false;
  }
  if (o->info.keyLength < 1 || o->info.keyLength > kMaxKeyLength) {
    raise(kGenDataWidth, "longitud de clave no válida en " + cp1252ToUtf8(keyText), "INDEX");
    return false;
  }
  IndexFile* target = nullptr;
  for (auto& f : files_)
    if (resolveName(f->cdx->path()) == resolveName(indexPath)) target = f.get();
  if (!target) {
    std::unique_ptr<CdxFile> cdx =
        fileExists(indexPath) ? CdxFile::open(indexPath, true) : CdxFile::create(indexPath);
    if (!cdx) return false;
    auto file = std::make_unique<IndexFile>();
    file->cdx = std::move(cdx);
    if (!shared()) file->hold();
    files_.push_back(std::move(file));
    target = files_.back().get();
  }
  EntryList entries = collectEntries(*o);
  if (!beginIndexWrite(*target, "INDEX")) return false;
  target->cdx->buildTag(o->info, entries);
  endIndexWrite(*target);
  loadOrders();
  setOrder(std::string_view(o->info.name));
  goTop();
  return true;
}

bool WorkArea::setOrder(std::string_view tagName) {
  if (!table_) return false;
  flushRow();
  if (tagName.empty()) {
    active_ = 0;
    return true;
  }
  const std::string wanted = upper1252(tagName);
  for (size_t i = 0; i < orders_.size(); ++i) {
    if (orders_[i]->info.name == wanted) {
      active_ = static_cast<int>(i) + 1;
      orders_[i]->cursorValid = false;
      return true;
    }
  }
  return false;
}

bool WorkArea::setOrder(int order) {
  if (!table_ || order < 0 || order > static_cast<int>(orders_.size())) return false;
  flushRow();
  active_ = order;
  if (Order* o = activeOrder()) o->cursorValid = false;
  return true;
}

std::vector<OrderInfo> WorkArea::orders() const {
  std::vector<OrderInfo> out;
  for (const auto& o : orders_) out.push_back(OrderInfo{o->file->cdx->path(), o->info, keyLetter(o->type)});
  return out;
}

std::vector<std::string> WorkArea::indexFiles() const {
  std::vector<std::string> out;
  for (const auto& f : files_) out.push_back(f->cdx->path());
  return out;
}

std::optional<std::string> WorkArea::searchKey(const Order& o, const xb::Value& v, const char* operation) {
  if (keyTypeOf(v) != o.type) {
    raise(kGenDataType, "tipo de clave distinto del de la etiqueta " + o.info.name, operation);
    return std::nullopt;
  }
  if (o.type == KeyType::Character) return v.text().substr(0, static_cast<size_t>(o.info.keyLength));
  return encodeKey(v, o.info.keyLength);
}

void WorkArea::setScope(const xb::Value& top, const xb::Value& bottom) {
  Order* o = activeOrder();
  if (!haveTable("ORDSCOPE")) return;
  flushRow();
  if (!o) {
    raise(kGenNoOrder, "no hay orden activo", "ORDSCOPE");
    return;
  }
  auto encode = [&](const xb::Value& v) -> std::string {
    if (v.isNil()) return {};
    return searchKey(*o, v, "ORDSCOPE").value_or(std::string());
  };
  o->top = encode(top);
  o->bottom = encode(bottom);
}

void WorkArea::clearScope() {
  if (Order* o = activeOrder()) o->top.clear(), o->bottom.clear();
}

int64_t WorkArea::keyCount() {
  if (!haveTable("KEYCOUNT")) return 0;
  flushRow();
  Order* o = activeOrder();
  if (!o) return table_->recordCount();
  ReadScope lock(o->file->cdx.get(), shared());
  return o->tag->count(o->low(), o->high());
}

bool WorkArea::seek(const xb::Value& key, bool soft) {
  if (!haveTable("SEEK")) return false;
  flushRow();
  found_ = false;
  Order* o = activeOrder();
  if (!o) {
    raise(kGenNoOrder, "no hay orden activo", "SEEK");
    return false;
  }
  std::optional<std::string> k = searchKey(*o, key, "SEEK");
  if (!k) return false;
  bool ok;
  {
    ReadScope lock(o->file->cdx.get(), shared());
    if (!o->info.descending) {
      std::string target = !o->low().empty() && comparePrefix(*k, o->low()) < 0 ? o->low() : *k;
      o->tag->seek(target);
    } else {
      std::string past = prefixSuccessor(!o->high().empty() && comparePrefix(*k, o->high()) > 0 ? o->high() : *k);
      if (past.empty()) {
        o->tag->last();
      } else {
        o->tag->seek(past);
        if (o->tag->valid())
          o->tag->prev();
        else
          o->tag->last();
      }
    }
    ok = settle(*o, true);
  }
  found_ = ok && comparePrefix(o->at->key, *k) == 0;
  if (!found_ && !(soft && ok)) setPhantom();
  return found_;
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
  const int64_t before = table_->recordCount();
  const int64_t n = Table::appendFrom(*table_, path);
  const int64_t after = table_->recordCount();
  if (after > before) {
    RowScan scan(*this);
    for (auto& f : files_) {
      if (!beginIndexWrite(*f, "APPEND FROM")) break;
      for (int64_t r = before + 1; r <= after; ++r) {
        if (!table_->read(r)) break;
        for (auto& o : orders_)
          if (o->file == f.get() && forOf(*o)) indexInsert(*o, keyOf(*o), r);
      }
      endIndexWrite(*f);
    }
  }
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
    if (!beginIndexWrite(*f, "PACK")) return false;
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
  for (auto& o : orders_) {
    EntryList want = collectEntries(*o);
    std::vector<IndexEntry> have;
    {
      ReadScope lock(o->file->cdx.get(), shared());
      for (bool ok = o->tag->first(); ok && o->tag->valid(); ok = o->tag->next()) have.push_back(o->tag->current());
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
