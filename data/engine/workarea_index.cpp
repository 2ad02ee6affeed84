// Work area: its orders (the tags of the attached index files), keys,
// building tags, and the upkeep of every attached tag when a row changes.
//
// Unique tags keep the lowest-numbered row of each key. When the row that
// holds a unique key leaves it, the next row with that key takes its place:
// it is looked up in a non-unique tag with the same key and condition when
// one is attached, otherwise by a scan of the table.
#include <algorithm>

#include "data/engine/os_file.h"
#include "data/engine/workarea_internal.h"
#include "data/engine/workspace.h"
#include "xbase/codepage.h"
#include "xbase/error.h"

namespace xb::engine {

using namespace detail;

namespace {

char keyLetter(KeyType t) {
  switch (t) {
    case KeyType::Numeric: return 'N';
    case KeyType::Date: return 'D';
    case KeyType::Logical: return 'L';
    default: return 'C';
  }
}

}  // namespace

ReadScope::ReadScope(CdxFile* f, bool shared) : f_(shared ? f : nullptr) {
  if (f_ && !detail::waitFor([&] { return f_->beginRead(); })) {
    xb::Error e;
    e.genCode = kGenLock;
    e.subsystem = "DBFCDX";
    e.subCode = 1038;
    e.description = "el índice " + baseName(f_->path()) + " está bloqueado por otra copia del programa";
    e.filename = f_->path();
    e.operation = "lectura de índice";
    f_ = nullptr;
    xb::raise(e);
  }
}

// --- Row changes ----------------------------------------------------------

void WorkArea::beginChange() {
  if (pending_) return;
  auto p = std::make_unique<Pending>();
  p->oldKeys.reserve(orders_.size());
  for (auto& o : orders_) p->oldKeys.push_back(forOf(*o) ? std::optional<std::string>(keyOf(*o)) : std::nullopt);
  pending_ = std::move(p);
}

bool WorkArea::appendBlank(bool releaseLocks) {
  if (!haveTable("APPEND")) return false;
  flushRow();
  if (releaseLocks) {
    table_->unlockAll();
    fileLocked_ = false;
  }
  if (!table_->appendBlank()) return false;
  if (table_->rowsBeyondCount()) clearEntriesBeyondCount(table_->recno() - 1);
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

bool WorkArea::flushRow() {
  if (!pending_) return true;
  if (bulkFirst_ && pending_->appended) {
    // Indexed at the end of the bulk.
    pending_.reset();
    return table_->writeRow();
  }
  const bool appended = pending_->appended;
  const auto r = recno_;
  auto giveUp = [&] {
    pending_.reset();
    table_->discard();
    if (appended)
      setPhantom();
    else
      table_->read(r);
    return false;
  };
  // A change the row's lock does not cover is refused before anything else;
  // when the handler ends the operation it stays pending, to be written
  // once the row is locked.
  if (!table_->mayWrite()) return giveUp();
  // The keys the row will have, from the buffer, before anything is written.
  std::vector<std::optional<std::string>> now;
  now.reserve(orders_.size());
  for (auto& o : orders_) now.push_back(forOf(*o) ? std::optional<std::string>(keyOf(*o)) : std::nullopt);
  std::vector<IndexFile*> touched;
  for (auto& f : files_)
    for (size_t i = 0; i < orders_.size(); ++i)
      if (orders_[i]->file == f.get() && now[i] != pending_->oldKeys[i]) {
        touched.push_back(f.get());
        break;
      }
  // All or nothing: every index file the change touches is locked before
  // the row is written; when one cannot be had, nothing is written.
  if (!lockForWrite(touched, "escritura de índice")) return giveUp();
  std::unique_ptr<Pending> p = std::move(pending_);
  size_t released = 0;
  auto releaseIndexes = [&] {
    for (; released < touched.size(); ++released) endIndexWrite(*touched[released]);
  };
  // A stored row's change is noted in every index file it touches before
  // the row is written, and the notes are cleared once its entries are in
  // place, so that the next writer completes a change stopped in between
  // (see cdx_row_change.cpp). An appended row needs none: it is counted
  // only after its entries, and entries past the count are cleared.
  std::vector<IndexFile*> noted;
  auto clearNotes = [&] {
    for (IndexFile* f : noted) f->cdx->clearRowChange();
  };
  try {
    for (IndexFile* f : appended ? std::vector<IndexFile*>{} : touched) {
      CdxFile::RowChange c;
      c.recno = static_cast<uint32_t>(r);
      for (size_t i = 0; i < orders_.size(); ++i)
        if (orders_[i]->file == f && now[i] != p->oldKeys[i]) c.keys.push_back({orders_[i]->info.name, p->oldKeys[i], now[i]});
      if (!f->cdx->noteRowChange(c)) {
        clearNotes();
        releaseIndexes();
        return giveUp();
      }
      noted.push_back(f);
    }
    // Rows reach the table file before any index entry that names them,
    // and an appended row is counted only after its entries.
    if (!table_->writeRow()) {
      clearNotes();
      releaseIndexes();
      return giveUp();
    }
    if (!touched.empty()) table_->writeHeldRows();
    for (IndexFile* f : touched) {
      for (size_t i = 0; i < orders_.size(); ++i) {
        Order& o = *orders_[i];
        if (o.file != f || now[i] == p->oldKeys[i]) continue;
        if (p->oldKeys[i]) indexRemove(o, *p->oldKeys[i], r);
        if (now[i]) indexInsert(o, *now[i], r);
        o.cursorValid = false;
      }
    }
    clearNotes();
    releaseIndexes();
  } catch (...) {
    // The notes stay for the next writer (this one included) to complete.
    releaseIndexes();
    table_->discard();
    throw;
  }
  const bool counted = table_->publish();
  if (!phantom_ && table_->recno() != r) table_->read(r);
  for (size_t i = 0; i < orders_.size(); ++i)
    orders_[i]->at = IndexEntry{now[i] ? *now[i] : keyOf(*orders_[i]), static_cast<uint32_t>(r)};
  return counted;
}

bool WorkArea::lockForWrite(const std::vector<IndexFile*>& files, const char* operation) {
  for (;;) {
    size_t got = 0;
    try {
      while (got < files.size() && beginIndexWrite(*files[got])) ++got;
    } catch (...) {
      for (size_t i = 0; i < got; ++i) endIndexWrite(*files[i]);
      throw;
    }
    if (got == files.size()) return true;
    for (size_t i = 0; i < got; ++i) endIndexWrite(*files[i]);
    xb::Error e;
    e.genCode = kGenLock;
    e.subsystem = "DBFCDX";
    e.subCode = 1000 + kGenLock;
    e.description = "el índice " + baseName(files[got]->cdx->path()) +
                    " está bloqueado por otra copia del programa: no se ha escrito nada";
    e.filename = files[got]->cdx->path();
    e.operation = operation;
    e.canRetry = true;
    e.canDefault = true;
    setNetError(true);
    if (xb::raise(e).kind != xb::ErrorAnswer::Retry) return false;
  }
}

void WorkArea::clearEntriesBeyondCount(int64_t count) {
  std::vector<IndexFile*> all;
  for (auto& f : files_) all.push_back(f.get());
  if (all.empty() || !lockForWrite(all, "APPEND")) return;
  for (auto& o : orders_) {
    std::vector<IndexEntry> stale;
    for (bool ok = o->tag->first(); ok && o->tag->valid(); ok = o->tag->next())
      if (o->tag->current().recno > count) stale.push_back(o->tag->current());
    for (const IndexEntry& e : stale) o->tag->remove(e);
    o->cursorValid = false;
  }
  for (IndexFile* f : all) endIndexWrite(*f);
}

void WorkArea::writeAllRows() {
  table_->writeHeldRows();
  table_->publish();
}

bool WorkArea::beginIndexWrite(IndexFile& f) {
  f.release();
  if (waitFor([&] { return f.cdx->beginWrite(); })) {
    try {
      completeRowChange(f);
    } catch (...) {
      endIndexWrite(f);
      throw;
    }
    return true;
  }
  if (!shared()) f.hold();
  return false;
}

void WorkArea::completeRowChange(IndexFile& f) {
  const std::optional<CdxFile::RowChange> c = f.cdx->rowChangeLeft();
  if (!c) return;
  const int64_t r = c->recno;
  RowView view(*this, r);
  for (auto& o : orders_) {
    if (o->file != &f || !o->tag) continue;
    // The entries the row may have had before or after the change, and the
    // one it has now.
    std::vector<std::string> stale;
    if (c->keysKnown) {
      for (const CdxFile::RowChange::Keys& k : c->keys) {
        if (k.tag != o->info.name) continue;
        for (const std::optional<std::string>& key : {k.before, k.after})
          if (key) stale.push_back(*key);
      }
      if (stale.empty()) continue;
    } else {
      for (bool ok = o->tag->first(); ok && o->tag->valid(); ok = o->tag->next())
        if (o->tag->current().recno == r) stale.push_back(o->tag->current().key);
    }
    std::optional<std::string> key;
    if (view.found() && forOf(*o)) key = keyOf(*o);
    for (const std::string& k : stale) {
      if (k == key) continue;
      indexRemove(*o, k, r);
      // A unique key the row left goes to the next row that has it, even
      // when the writer was stopped between the removal and that insert.
      if (o->info.unique && !(o->tag->seek(k) && o->tag->current().key == k))
        if (std::optional<uint32_t> next = uniqueSuccessor(*o, k, r)) o->tag->insert(IndexEntry{k, *next});
    }
    if (key) indexInsert(*o, *key, r);
    o->cursorValid = false;
  }
  f.cdx->clearRowChange();
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

std::string WorkArea::keyOf(Order& o) { return keyOf(o, o.key.eval(this)); }

std::string WorkArea::keyOf(Order& o, const xb::Value& v) {
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
  if (file && o->type != KeyType::Character && o->info.keyLength != naturalKeyLength(blank)) {
    // Numbers and dates are 8 bytes, logicals 1: a tag that claims other
    // keys is damaged, and its entries cannot be compared with the rows'.
    xb::Error e;
    e.genCode = kGenCorruption;
    e.subsystem = "DBFCDX";
    e.subCode = 1012;
    e.description = "archivo de índice dañado " + baseName(file->cdx->path()) + ": la etiqueta " + info.name +
                    " tiene claves de " + std::to_string(o->info.keyLength) + " bytes y su clave necesita " +
                    std::to_string(naturalKeyLength(blank));
    e.filename = file->cdx->path();
    e.operation = "ORDLISTADD";
    e.canDefault = true;
    xb::raise(e);
    return nullptr;
  }
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
      std::unique_ptr<Order> order = makeOrder(f.get(), t);
      if (!order) continue;
      orders_.push_back(std::move(order));
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
  f->setLockWait(indexLockWait());
  const bool hadOrder = active_ > 0;
  const size_t before = orders_.size();
  auto file = std::make_unique<IndexFile>();
  file->cdx = std::move(f);
  if (!shared()) file->hold();
  files_.push_back(std::move(file));
  loadOrders();
  // A change another copy was stopped in the middle of is completed now
  // (when the lock is refused, someone is writing and will).
  if (IndexFile& added = *files_.back(); !table_->readOnly() && added.cdx->mayHaveRowChangeLeft() && beginIndexWrite(added))
    endIndexWrite(added);
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

EntryList WorkArea::collectEntries(Order& o, int* widest) {
  EntryList entries(o.info.keyLength);
  {
    RowScan scan(*this);
    const int64_t count = table_->recordCount();
    entries.reserve(static_cast<size_t>(count));
    for (int64_t r = 1; r <= count; ++r) {
      if (!table_->read(r)) break;
      if (!forOf(o)) continue;
      xb::Value v = o.key.eval(this);
      if (widest && v.isText()) {
        // A key whose texts vary in length is as long as the widest one.
        const int n = static_cast<int>(std::min<size_t>(v.text().size(), size_t(kMaxKeyLength) + 1));
        *widest = std::max(*widest, n);
        if (n > o.info.keyLength && n <= kMaxKeyLength) {
          entries.widen(n);
          o.info.keyLength = n;
        }
      }
      entries.add(keyOf(o, v), static_cast<uint32_t>(r));
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
  const xb::Value blank = evalBlank(o->key);
  if (!keyTypeOf(blank)) {
    raise(kGenDataType, "tipo de clave no válido en " + cp1252ToUtf8(keyText), "INDEX");
    return false;
  }
  if (o->cond.valid() && !evalBlank(o->cond).isLogical()) {
    raise(kGenDataType, "la condición FOR " + cp1252ToUtf8(forText) + " no da un valor lógico", "INDEX");
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
    cdx->setLockWait(indexLockWait());
    auto file = std::make_unique<IndexFile>();
    file->cdx = std::move(cdx);
    if (!shared()) file->hold();
    files_.push_back(std::move(file));
    target = files_.back().get();
  }
  // Character keys take the length of their widest value (the blank row's
  // included), so that a key expression whose texts vary in length (TRIM)
  // is padded, never cut.
  int widest = o->type == KeyType::Character ? static_cast<int>(blank.text().size()) : 0;
  EntryList entries = collectEntries(*o, o->type == KeyType::Character ? &widest : nullptr);
  if (o->type == KeyType::Character && (widest == 0 || widest > kMaxKeyLength)) {
    raise(kGenDataWidth,
          widest == 0 ? "la longitud de la clave " + cp1252ToUtf8(keyText) +
                            " no se puede saber: da un texto vacío en todas las filas"
                      : "la clave " + cp1252ToUtf8(keyText) + " da textos de más de " +
                            std::to_string(kMaxKeyLength) + " caracteres",
          "INDEX");
    return false;
  }
  writeAllRows();
  if (!lockForWrite({target}, "INDEX")) return false;
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

bool WorkArea::beginBulk() {
  if (!haveTable("APPEND")) return false;
  flushRow();
  if (!table_->exclusive() && !table_->isFileLocked()) return false;
  if (!table_->beginBatch()) return false;
  bulkFirst_ = table_->recordCount() + 1;
  // Entries a stopped import left are gone before the caller counts keys.
  if (table_->rowsBeyondCount()) clearEntriesBeyondCount(bulkFirst_ - 1);
  return true;
}

bool WorkArea::endBulk() {
  if (!table_ || !bulkFirst_) return false;
  flushRow();
  const int64_t first = bulkFirst_;
  bulkFirst_ = 0;
  // The rows go to the file uncounted, the tags are brought up to date,
  // and only then does the count make the rows exist: a process stopped
  // before leaves the table as it was (entries naming rows past the count
  // are cleared by the next append or bulk).
  table_->writeHeldRows();
  const int64_t last = table_->recordCount();
  const bool rebuild = last >= first && (last - first + 1) * 4 >= first - 1;
  const bool indexed = indexBatch(first, last, rebuild, "APPEND");
  const bool written = table_->endBatch(indexed);
  if (rebuild) loadOrders();
  for (auto& o : orders_) o->cursorValid = false;
  if (recno_ > table_->recordCount()) setPhantom();
  return written && indexed;
}

bool WorkArea::indexBatch(int64_t first, int64_t last, bool rebuild, const char* operation) {
  if (last < first) return true;
  RowScan scan(*this);
  try {
    for (auto& f : files_) {
      std::vector<std::pair<TagInfo, EntryList>> fresh;
      if (rebuild)
        for (auto& o : orders_)
          if (o->file == f.get()) fresh.emplace_back(o->info, collectEntries(*o));
      if (!lockForWrite({f.get()}, operation)) return false;
      bool built = true;
      try {
        if (rebuild) {
          for (auto& [info, entries] : fresh) built = f->cdx->buildTag(info, entries) != nullptr && built;
        } else {
          for (int64_t r = first; r <= last; ++r) {
            if (!table_->read(r)) break;
            for (auto& o : orders_)
              if (o->file == f.get() && forOf(*o)) indexInsert(*o, keyOf(*o), r);
          }
        }
      } catch (...) {
        endIndexWrite(*f);
        throw;
      }
      endIndexWrite(*f);
      if (!built) return false;
    }
  } catch (...) {
    table_->endBatch(false);
    throw;
  }
  return true;
}

}  // namespace xb::engine
