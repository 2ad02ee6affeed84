// Work area: positions and moves in natural or tag order, seeks and
// scopes.
//
// Positions in a tag are remembered as the (key, record number) entry the
// area stands on, not as a page cursor, so that a position survives changes
// made by this or another process: every step in a shared table seeks that
// entry again (O(log n) cached pages) before moving. A tag's physical order
// is ascending; a descending tag is walked from the other end, and its
// scopes are given in its own (descending) order.
#include <algorithm>

#include "data/engine/workarea_internal.h"
#include "data/engine/workspace.h"
#include "xbase/error.h"

namespace xb::engine {

using namespace detail;

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

}  // namespace xb::engine
