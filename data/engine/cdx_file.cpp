// Compound index files (.cdx): the open file, its page cache, its locks and
// the order in which changes reach the disk. The tree operations are in
// cdx_tree.cpp, bulk builds in cdx_build.cpp, the cursor in cdx_cursor.cpp,
// the page layout in cdx_page.cpp and the checker in cdx_check.cpp. It is
// long because the page cache, the locks and the write order share one
// state (an open file's Impl), and most of its length is the notes below.
//
// FILE FORMAT
//
// Everything is in 512-byte pages; page pointers are byte offsets from the
// start of the file, 0xFFFFFFFF meaning none. Integers are little-endian
// unless marked BE.
//
// Offset 0 holds the directory's header (1024 bytes). The directory is a
// compact index like any tag: its keys are the tag names, upper case and
// blank-padded to 10 bytes, and the "record number" of each is the file
// offset of that tag's header.
//
// Header (tags and directory), 1024 bytes:
//   0-3 root page, 4-7 head of the free-page list, 8-11 change counter,
//   12-13 key length, 14 options (0x01 unique, 0x08 FOR condition,
//   0x20 compact: always, 0x40 the directory), 15 signature 1,
//   502-503 1 when descending, 506-507 length of the FOR text with its NUL,
//   510-511 length of the key text with its NUL, 512.. key text NUL FOR text
//   NUL; everything else zero. Only while a writer is in the middle of a
//   change does the directory header hold more: bytes 16-19 the offset of
//   its journal (below), bytes 20-501 the note of a row change (see
//   cdx_row_change.cpp).
//
// Tree pages (interior and leaf): see cdx_page.cpp.
//
// Free pages: the directory header's free-list head starts a chain of free
// pages; bytes 0-3 of a free page hold the next one (LE), the rest is zero.
// Tag headers keep -1 there (a tag header found with a list of its own is
// left as it is). Tag headers are never taken from the free list: they need
// two adjacent pages and are placed at the end of the file.
//
// LOCKS AND SHARING
//
// Lock layout of a .cdx file: one byte at offset 2^32 (beyond any page a
// 32-bit pointer can name, so it never hides data from readers that ignore
// locks) is the index lock, shared while reading pages, exclusive while
// changing them. The byte after it is the gate that keeps readers from
// starving a writer: a writer holds it exclusively while it waits for the
// index lock, and a reader takes the index lock only by passing the gate
// (holding it shared for that instant), so once a writer waits no new
// reader starts, and the readers of the moment, which hold the index lock
// for one step of a walk, let it in. Locks are open-file-description
// locks and never wait in the kernel; we poll for at most the lock wait
// (setLockWait). Every public
// operation takes the lock it needs for its own length unless the caller
// holds one through beginRead/beginWrite.
//
// Change counters: bytes 8-11 of every tag header count that tag's changes;
// those of the directory header count changes of the tag list. A writer
// bumps a tree's counter once per exclusive lock, before it writes the
// first page of that tree. On taking the lock from none, a process re-reads
// the first 12 bytes (root, free-list head, counter) of the directory
// header and of every tag header it knows: a changed directory counter
// reloads the tag list, a changed tag counter drops that tag's cached pages.
// The free-list head is re-read every time, the file size when first needed.
//
// WRITE ORDER (crash safety)
//
// Changes are made to cached pages and written at the end of each operation
// in this order: (1) the change counter of every tree the operation changed,
// (2) the free-list head moved past the pages taken from the list, (3) pages
// new to a tree, (4) changed pages that were already in a tree: parents
// before children for an insert, children before parents for a removal
// (see below), (5) root fields of tag headers, (6) pages given back,
// zeroed and linked, now that no tree on disk names them, (7) the directory
// header's root and free-list head. Pages an operation frees are not taken
// again before it is written. A bulk build writes its whole tree and header
// into new pages (moving the free-list head first) before the directory
// names it, and frees a replaced tag's pages only after the directory no
// longer names them.
//
// An operation that takes or gives back pages and changes more than one
// page or header field the trees on disk already use (a split, a merge, a
// new root), or that both inserts and removes entries (a tag replaced in
// the directory), goes through a journal: after (1) and (2), every write of
// steps (3) to (7) is written as a record (offset, length, bytes) into a
// journal of whole pages at the end of the file, "QVJ1" and the record
// count first; then the journal's offset goes into bytes 16-19 of the
// directory header (zero otherwise); then the writes are made in place;
// then the mark is cleared and the journal cut off the file. A process that
// takes the index lock and finds the mark set replays the journal (it is
// whole: the mark is written after it) before anything else.
//
// The other changes to several pages are an insert or a removal that moves
// the greatest entry of a leaf and so the parent entries above it, each
// page written in place and alone. Their order keeps every state between
// two writes one that searches read right (see the invariants at the top of
// cdx_tree.cpp): a parent entry may stand at or above its child's greatest
// entry, as long as it stays below the smallest entry of the next child.
// An insert sets the parent entries on its path to their child's new
// greatest entry, which is at or above what the child held before and below
// the next child's smallest (the descent chose this child for the new
// entry): writing the parents first leaves parent entries at or above what
// their children hold on disk. A removal sets them to their child's new
// greatest entry, at or below the old one: writing the leaf first does the
// same. So a process killed at any
// instant leaves the old trees or the new ones, plus at most some pages
// that belong nowhere and parent entries above their child's greatest,
// which check() accepts and the next change of the page makes exact again.
// Other processes see the bumped counter and drop their cached
// pages. Since every page read is checked (bounds, alignment, counts, bit
// widths, depth, order along sibling chains, free pages zero past their
// link), a file damaged otherwise gives run-time errors, never a crash or
// a loop.
#include "data/engine/cdx.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "data/engine/byte_order.h"
#include "data/engine/cdx_internal.h"
#include "xbase/codepage.h"
#include "xbase/error.h"

namespace xb::engine {

using namespace cdx;

namespace {

constexpr uint64_t kLockOffset = uint64_t(1) << 32;
constexpr uint64_t kGateOffset = kLockOffset + 1;
// Journal of a change to several pages: its offset sits in bytes 16-19 of
// the directory header while it is being applied (0: none).
constexpr uint64_t kJournalMark = 16;
constexpr char kJournalMagic[4] = {'Q', 'V', 'J', '1'};
constexpr size_t kCacheLimit = 32768;
// Bytes of a header that change after it is written: root, free list, counter.
constexpr size_t kHeaderFields = 12;

}  // namespace

namespace cdx {

std::string dirKey(const std::string& name) {
  std::string k = upper1252(name).substr(0, kTagNameLength);
  k.resize(kTagNameLength, ' ');
  return k;
}

std::string shortName(const std::string& path) { return baseName(path); }

void fail(const std::string& path, int gen, const std::string& what, int os) {
  Error e;
  e.genCode = gen;
  e.osCode = os;
  e.subsystem = "DBFCDX";
  e.subCode = gen == kGenCorruption ? 1012 : 0;
  e.description = what;
  e.filename = path;
  e.canDefault = true;
  raise(e);
  throw Aborted{};
}

void corrupt(const std::string& path, const std::string& what) {
  fail(path, kGenCorruption, "archivo de índice dañado " + shortName(path) + ": " + what);
}

std::string tagNameOf(std::string_view key) {
  size_t end = key.size();
  while (end > 0 && (key[end - 1] == ' ' || key[end - 1] == '\0')) --end;
  return upper1252(key.substr(0, end));
}

std::string parseHeader(const uint8_t* raw, Header& h) {
  std::copy(raw, raw + kHeaderSize, h.raw.begin());
  h.root = le32(raw);
  h.freeHead = le32(raw + 4);
  h.counter = le32(raw + 8);
  h.keyLength = raw[12] | raw[13] << 8;
  h.options = raw[14];
  h.descending = (raw[502] | raw[503] << 8) != 0;
  if (h.keyLength < 1 || h.keyLength > kMaxKeyLength) return "longitud de clave " + std::to_string(h.keyLength) + " fuera de rango";
  auto text = [&](size_t from) {
    std::string s;
    for (size_t i = from; i < kHeaderSize && raw[i] != 0; ++i) s.push_back(char(raw[i]));
    return s;
  };
  size_t keyTextLen = size_t(raw[510] | raw[511] << 8);
  h.keyExpr = text(512);
  size_t forAt = 512 + std::max(keyTextLen, h.keyExpr.size() + 1);
  h.forExpr = forAt < kHeaderSize ? text(forAt) : std::string();
  return {};
}

Header newHeader(const TagInfo& info, bool directory) {
  Header h;
  h.keyLength = info.keyLength;
  h.options = uint8_t(kOptCompact | (directory ? kOptDirectory : 0) | (info.unique ? kOptUnique : 0) |
                      (info.forExpr.empty() ? 0 : kOptFor));
  h.descending = info.descending;
  h.keyExpr = info.keyExpr;
  h.forExpr = info.forExpr;
  uint8_t* r = h.raw.data();
  r[12] = uint8_t(info.keyLength);
  r[13] = uint8_t(info.keyLength >> 8);
  r[14] = h.options;
  r[15] = 1;
  r[502] = info.descending ? 1 : 0;
  size_t forLen = info.forExpr.size() + 1, keyLen = info.keyExpr.size() + 1;
  r[506] = uint8_t(forLen);
  r[507] = uint8_t(forLen >> 8);
  r[510] = uint8_t(keyLen);
  r[511] = uint8_t(keyLen >> 8);
  std::memcpy(r + 512, info.keyExpr.data(), info.keyExpr.size());
  std::memcpy(r + 512 + keyLen, info.forExpr.data(), info.forExpr.size());
  patchHeader(h);
  return h;
}

void patchHeader(Header& h) {
  putLe32(h.raw.data(), h.root);
  putLe32(h.raw.data() + 4, h.freeHead);
  putLe32(h.raw.data() + 8, h.counter);
}

}  // namespace cdx

// ---------------------------------------------------------------------------
// Pages and caches.

void CdxFile::Impl::ensureSize() {
  if (sizeKnown) return;
  int64_t sz = file.size();
  if (sz < 0) fail(path, kGenRead, "no se puede leer el archivo de índice " + shortName(path) + ": " + systemReason(errno), errno);
  // Whole pages: a journal a writer was stopped in the middle of writing
  // may have left a part of one.
  size = (uint64_t(sz) + kPageSize - 1) / kPageSize * kPageSize;
  sizeKnown = true;
}

void CdxFile::Impl::readPage(uint32_t off, uint8_t* buf, const std::string& what) {
  if (uint64_t(off) + kPageSize > size) ensureSize();
  if (off == kNone || off % kPageSize != 0 || off < kHeaderSize || uint64_t(off) + kPageSize > size)
    bad(what + ": el puntero de página " + std::to_string(off) + " está fuera del archivo o no cae en una página");
  long got = file.readAt(off, buf, kPageSize);
  if (got < 0) fail(path, kGenRead, "error al leer el archivo de índice " + shortName(path) + ": " + systemReason(errno), errno);
  if (got != long(kPageSize)) bad(what + ": la página " + std::to_string(off) + " está cortada");
}

namespace {
WriteObserver& writeObserver() {
  static WriteObserver observer;
  return observer;
}
}  // namespace

void cdx::setWriteObserver(WriteObserver observer) { writeObserver() = std::move(observer); }

void CdxFile::Impl::writeBytes(uint64_t off, const uint8_t* buf, size_t n) {
  if (writeObserver()) writeObserver()(off, n);
  if (!file.writeAt(off, buf, n)) fail(path, kGenWrite, "error al escribir el archivo de índice " + shortName(path) + ": " + systemReason(errno), errno);
}

void Tree::bad(const std::string& what) const { f->bad(label + ": " + what); }

Node& Tree::node(uint32_t off) {
  auto it = cache.find(off);
  if (it != cache.end()) return it->second;
  uint8_t buf[kPageSize];
  f->readPage(off, buf, label);
  Node n;
  std::string err = decodePage(buf, keyLength(), fill, n);
  if (!err.empty()) bad("página " + std::to_string(off) + ": " + err);
  return cache.emplace(off, std::move(n)).first->second;
}

Node& Tree::mut(uint32_t off) {
  Node& n = node(off);
  f->markDirty(*this, off);
  return n;
}

uint32_t Tree::newNode(bool leaf) {
  uint32_t off = f->allocPage();
  Node n;
  n.leaf = leaf;
  n.keyLength = keyLength();
  cache[off] = std::move(n);
  f->fresh.insert(off);
  f->markDirty(*this, off);
  return off;
}

void CdxFile::Impl::markDirty(Tree& t, uint32_t off) {
  if (dirty.insert(off).second) dirtyOrder.emplace_back(&t, off);
}

void CdxFile::Impl::markHeader(Tree& t) {
  if (!t.headerDirty) {
    t.headerDirty = true;
    dirtyHeaders.push_back(&t);
  }
}

uint32_t CdxFile::Impl::allocPage() {
  ensureSize();
  uint32_t off = dir.hdr.freeHead;
  // Pages freed by this very operation may still be named by pages on disk
  // until it commits: they are not handed out again before that.
  if (off != kNone && !freed.count(off)) {
    uint8_t buf[kPageSize];
    readPage(off, buf, "free-page list");
    uint32_t next = le32(buf);
    if (std::any_of(buf + 4, buf + kPageSize, [](uint8_t b) { return b != 0; }))
      bad("lista de páginas libres: la página " + std::to_string(off) + " no está libre");
    if (next != kNone && (next % kPageSize != 0 || next < kHeaderSize || uint64_t(next) + kPageSize > size))
      bad("lista de páginas libres: enlace no válido " + std::to_string(next));
    if (next == off) bad("lista de páginas libres: la página " + std::to_string(off) + " se enlaza a sí misma");
    dir.hdr.freeHead = chainHead = next;
    markHeader(dir);
    return off;
  }
  if (size + kPageSize > kNone) fail(path, kGenWrite, "el archivo de índice " + shortName(path) + " está lleno");
  off = uint32_t(size);
  size += kPageSize;
  return off;
}

uint32_t CdxFile::Impl::allocHeader() {
  ensureSize();
  if (size + kHeaderSize > kNone) fail(path, kGenWrite, "el archivo de índice " + shortName(path) + " está lleno");
  uint32_t off = uint32_t(size);
  size += kHeaderSize;
  return off;
}

void CdxFile::Impl::freePage(Tree& t, uint32_t off) {
  t.cache.erase(off);
  dirty.erase(off);
  fresh.erase(off);
  freed[off] = dir.hdr.freeHead;
  dir.hdr.freeHead = off;
  markHeader(dir);
}

void CdxFile::Impl::bumpCounter(Tree& t) {
  if (t.bumped) return;
  uint8_t buf[4];
  ++t.hdr.counter;
  putLe32(buf, t.hdr.counter);
  writeBytes(uint64_t(t.headerOff) + 8, buf, 4);
  t.bumped = true;
}

void CdxFile::Impl::persistChainHead() {
  if (chainHead == diskFreeHead) return;
  uint8_t buf[4];
  putLe32(buf, chainHead);
  writeBytes(4, buf, 4);
  diskFreeHead = chainHead;
}

void CdxFile::Impl::commit() {
  if (dirty.empty() && freed.empty() && dirtyHeaders.empty()) {
    dirtyOrder.clear();
    inserted = removed = false;
    return;
  }
  for (auto& [t, off] : dirtyOrder)
    if (dirty.count(off)) bumpCounter(*t);
  for (Tree* t : dirtyHeaders)
    if (t != &dir) bumpCounter(*t);
  persistChainHead();
  // Every write of the operation, in the order of the note at the top.
  std::vector<std::pair<uint64_t, std::string>> writes;
  uint8_t buf[kPageSize];
  std::unordered_set<uint32_t> written;
  size_t inPlace = 0;
  auto writeNode = [&](Tree* t, uint32_t off) {
    if (!dirty.count(off) || !written.insert(off).second) return;
    auto it = t->cache.find(off);
    if (it != t->cache.end()) it->second.root = off == t->hdr.root;
    if (it == t->cache.end() || !encodePage(it->second, t->fill, buf))
      bad(t->label + ": la página " + std::to_string(off) + " no cabe");
    writes.emplace_back(off, std::string(reinterpret_cast<const char*>(buf), kPageSize));
    if (!fresh.count(off)) ++inPlace;
  };
  for (auto& [t, off] : dirtyOrder)
    if (fresh.count(off)) writeNode(t, off);
  // Pages are marked dirty from the leaf up.
  if (inserted && !removed)
    for (auto it = dirtyOrder.rbegin(); it != dirtyOrder.rend(); ++it) writeNode(it->first, it->second);
  else
    for (auto& [t, off] : dirtyOrder) writeNode(t, off);
  for (Tree* t : dirtyHeaders) {
    if (t == &dir) continue;
    patchHeader(t->hdr);
    writes.emplace_back(t->headerOff, std::string(reinterpret_cast<const char*>(t->hdr.raw.data()), kHeaderFields));
    ++inPlace;
  }
  for (auto& [off, next] : freed) {
    std::memset(buf, 0, kPageSize);
    putLe32(buf, next);
    writes.emplace_back(off, std::string(reinterpret_cast<const char*>(buf), kPageSize));
  }
  if (dir.headerDirty) {
    patchHeader(dir.hdr);
    writes.emplace_back(0, std::string(reinterpret_cast<const char*>(dir.hdr.raw.data()), kHeaderFields));
    ++inPlace;
  }
  // A split, a merge or a new root changes several pages the trees on disk
  // use: through the journal, so that a process stopped meanwhile leaves
  // the old trees or the new ones.
  if (inPlace > 1 && (!fresh.empty() || !freed.empty() || (inserted && removed))) {
    writeJournaled(writes);
  } else {
    for (auto& [off, bytes] : writes) writeBytes(off, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  }
  if (dir.headerDirty) diskFreeHead = chainHead = dir.hdr.freeHead;
  for (Tree* t : dirtyHeaders) t->headerDirty = false;
  dirtyHeaders.clear();
  dirtyOrder.clear();
  dirty.clear();
  fresh.clear();
  freed.clear();
  inserted = removed = false;
}

void CdxFile::Impl::writeJournaled(const std::vector<std::pair<uint64_t, std::string>>& writes) {
  ensureSize();
  const uint64_t at = (size + kPageSize - 1) / kPageSize * kPageSize;
  std::string j(8, '\0');
  std::memcpy(j.data(), kJournalMagic, 4);
  putLe32(reinterpret_cast<uint8_t*>(j.data()) + 4, uint32_t(writes.size()));
  for (auto& [off, bytes] : writes) {
    uint8_t rec[8];
    putLe32(rec, uint32_t(off));
    putLe32(rec + 4, uint32_t(bytes.size()));
    j.append(reinterpret_cast<const char*>(rec), 8);
    j += bytes;
  }
  j.resize((j.size() + kPageSize - 1) / kPageSize * kPageSize, '\0');
  writeBytes(at, reinterpret_cast<const uint8_t*>(j.data()), j.size());
  uint8_t mark[4];
  putLe32(mark, uint32_t(at));
  writeBytes(kJournalMark, mark, 4);
  for (auto& [off, bytes] : writes) writeBytes(off, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  putLe32(mark, 0);
  writeBytes(kJournalMark, mark, 4);
  file.truncate(at);
}

bool CdxFile::Impl::recoverJournal() {
  uint8_t mark[4];
  if (file.readAt(kJournalMark, mark, 4) != 4 || le32(mark) == 0) return false;
  const uint64_t at = le32(mark);
  const int64_t end = file.size();
  std::vector<std::pair<uint64_t, std::string>> writes;
  uint8_t head[8];
  bool sound = at % kPageSize == 0 && at >= kHeaderSize && end >= 0 && at + 8 <= uint64_t(end) &&
               file.readAt(at, head, 8) == 8 && std::memcmp(head, kJournalMagic, 4) == 0;
  uint64_t pos = at + 8;
  for (uint32_t i = 0, n = sound ? le32(head + 4) : 0; sound && i < n; ++i) {
    uint8_t rec[8];
    sound = file.readAt(pos, rec, 8) == 8;
    const uint64_t off = le32(rec), len = le32(rec + 4);
    sound = sound && len <= kPageSize && off + len <= at && pos + 8 + len <= uint64_t(end);
    if (!sound) break;
    std::string bytes(len, '\0');
    sound = file.readAt(pos + 8, bytes.data(), len) == long(len);
    writes.emplace_back(off, std::move(bytes));
    pos += 8 + len;
  }
  // A journal that does not read whole cannot be replayed: the trees are
  // left for the checker to report.
  if (sound)
    for (auto& [off, bytes] : writes) writeBytes(off, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  putLe32(mark, 0);
  writeBytes(kJournalMark, mark, 4);
  if (sound) file.truncate(at);
  stale = true;
  sizeKnown = false;
  return true;
}

void CdxFile::Impl::trimCaches() {
  if (!dirty.empty()) return;
  if (dir.cache.size() > kCacheLimit) dir.dropCache();
  for (auto& t : tags)
    if (t->impl_->tree.cache.size() > kCacheLimit) t->impl_->tree.dropCache();
}

void CdxFile::Impl::rollback() {
  dirtyOrder.clear();
  dirty.clear();
  fresh.clear();
  freed.clear();
  for (Tree* t : dirtyHeaders) t->headerDirty = false;
  dirtyHeaders.clear();
  inserted = removed = false;
  stale = true;
}

// ---------------------------------------------------------------------------
// Locks and freshness.

bool CdxFile::Impl::tryAcquire(bool exclusive) {
  if (exclusive ? held == Held::Exclusive : held != Held::None) return true;
  if (exclusive && !file.writable()) return false;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(lockWaitMs);
  auto pause = [&] {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::microseconds(500));
    return true;
  };
  if (exclusive) {
    // A writer holds the gate while it waits, so that no new reader starts
    // and the readers of the moment finish their step and let it in.
    while (!file.tryLock(kGateOffset, 1, true))
      if (!pause()) return false;
    bool got;
    while (!(got = file.tryLock(kLockOffset, 1, true)) && pause()) {
    }
    file.unlock(kGateOffset, 1);
    if (!got) return false;
  } else {
    // A reader passes the gate only while no writer waits at it.
    for (;;) {
      if (file.tryLock(kGateOffset, 1, false)) {
        const bool got = file.tryLock(kLockOffset, 1, false);
        file.unlock(kGateOffset, 1);
        if (got) break;
      }
      if (!pause()) return false;
    }
  }
  Held before = held;
  held = exclusive ? Held::Exclusive : Held::Shared;
  if (before == Held::None) {
    try {
      // A journal named in the header was left by a writer stopped while
      // applying it: replayed by the first writer-capable opener to lock.
      uint8_t mark[4];
      if (file.readAt(kJournalMark, mark, 4) == 4 && le32(mark) != 0 && file.writable()) {
        if (exclusive) {
          recoverJournal();
        } else if (file.tryLock(kLockOffset, 1, true)) {
          recoverJournal();
          file.tryLock(kLockOffset, 1, false);
        }
      }
      refresh();
    } catch (...) {
      file.unlock(kLockOffset, 1);
      held = Held::None;
      throw;
    }
  }
  return true;
}

void CdxFile::Impl::acquireOrRaise(bool exclusive) {
  for (;;) {
    if (tryAcquire(exclusive)) return;
    Error e;
    e.genCode = kGenLock;
    e.subsystem = "DBFCDX";
    e.description = "el archivo de índice " + shortName(path) + " está bloqueado por otra copia del programa";
    e.filename = path;
    e.canRetry = true;
    e.canDefault = true;
    if (raise(e).kind != ErrorAnswer::Retry) throw Aborted{};
  }
}

void CdxFile::Impl::release() {
  if (held == Held::Exclusive && writeDepth == 0) {
    dir.bumped = false;
    for (auto& t : tags) t->impl_->tree.bumped = false;
    if (readDepth > 0) {
      file.tryLock(kLockOffset, 1, false);
      held = Held::Shared;
    } else {
      file.unlock(kLockOffset, 1);
      held = Held::None;
    }
  } else if (held == Held::Shared && readDepth == 0 && writeDepth == 0) {
    file.unlock(kLockOffset, 1);
    held = Held::None;
  }
}

void CdxFile::Impl::refresh() {
  if (stale) return;
  sizeKnown = false;
  // The header fields, and the first bytes of a row-change note.
  uint8_t buf[kRowChangeNote + 4];
  if (file.readAt(0, buf, sizeof buf) != long(sizeof buf)) {
    stale = true;
    return;
  }
  rowChangeSeen = le32(buf + kRowChangeNote) != 0;
  if (le32(buf + 8) != dir.hdr.counter || le32(buf) != dir.hdr.root) {
    stale = true;
    return;
  }
  dir.hdr.freeHead = diskFreeHead = chainHead = le32(buf + 4);
  for (auto& tag : tags) {
    Tree& t = tag->impl_->tree;
    if (file.readAt(t.headerOff, buf, kHeaderFields) != long(kHeaderFields)) {
      stale = true;
      return;
    }
    if (le32(buf + 8) != t.hdr.counter || le32(buf) != t.hdr.root) {
      t.hdr.root = le32(buf);
      t.hdr.freeHead = le32(buf + 4);
      t.hdr.counter = le32(buf + 8);
      t.dropCache();
    }
  }
}

void CdxFile::Impl::reload() {
  sizeKnown = false;
  ensureSize();
  if (size < kHeaderSize + kPageSize) bad("el archivo es más corto que una cabecera y una página raíz");
  uint8_t raw[kHeaderSize];
  if (file.readAt(0, raw, kHeaderSize) != long(kHeaderSize)) bad("la cabecera del directorio está cortada");
  Header h;
  std::string err = parseHeader(raw, h);
  if (!err.empty()) bad("cabecera del directorio: " + err);
  if (h.keyLength != kTagNameLength) bad("el directorio dice tener claves de " + std::to_string(h.keyLength) + " bytes");
  rowChangeSeen = le32(raw + kRowChangeNote) != 0;
  dir.hdr = h;
  dir.headerOff = 0;
  diskFreeHead = chainHead = h.freeHead;
  dir.dropCache();
  for (auto& t : tags) t->impl_->tree.dropCache();

  // Walk the directory's leaves.
  std::vector<std::pair<std::string, uint32_t>> entries;
  Tree::Path path;
  dir.descend(path, [](const Node&, int) { return false; });
  uint32_t off = path.back().off;
  int idx = 0;
  std::string lastKey;
  uint32_t lastRec = 0;
  while (dir.forward(off, idx, entries.empty() ? nullptr : &lastKey, lastRec)) {
    Node& n = dir.node(off);
    lastKey.assign(n.key(idx));
    lastRec = n.recnos[size_t(idx)];
    entries.emplace_back(tagNameOf(lastKey), lastRec);
    ++idx;
  }
  std::vector<std::unique_ptr<CdxTag>> old = std::move(tags);
  tags.clear();
  for (auto& entry : entries) {
    const std::string& name = entry.first;
    auto it = std::find_if(old.begin(), old.end(), [&](auto& t) { return t && t->impl_->info.name == name; });
    if (it != old.end()) {
      tags.push_back(std::move(*it));
      old.erase(it);
    }
    loadTag(name, entry.second);
  }
  for (auto& t : old) {
    t->impl_->gone = true;
    t->impl_->valid = false;
    retired.push_back(std::move(t));
  }
  stale = false;
}

void CdxFile::Impl::loadTag(const std::string& name, uint32_t headerOff) {
  if (headerOff % kPageSize != 0 || headerOff < kHeaderSize || uint64_t(headerOff) + kHeaderSize > size)
    bad("etiqueta " + name + ": la cabecera en " + std::to_string(headerOff) + " está fuera del archivo o no cae en una página");
  uint8_t raw[kHeaderSize];
  if (file.readAt(headerOff, raw, kHeaderSize) != long(kHeaderSize)) bad("etiqueta " + name + ": la cabecera está cortada");
  Header h;
  std::string err = parseHeader(raw, h);
  if (!err.empty()) bad("etiqueta " + name + ": " + err);
  CdxTag* t = findTag(name);
  if (!t) {
    tags.push_back(std::unique_ptr<CdxTag>(new CdxTag(std::make_unique<CdxTag::Impl>())));
    t = tags.back().get();
    t->impl_->info.fill = 0x20;
  }
  CdxTag::Impl& ti = *t->impl_;
  ti.gone = false;
  ti.tree.f = this;
  ti.tree.label = "etiqueta " + name;
  ti.tree.headerOff = headerOff;
  ti.tree.hdr = h;
  ti.tree.fill = ti.info.fill;
  ti.tree.unique = (h.options & kOptUnique) != 0;
  ti.tree.dropCache();
  ti.info.name = name;
  ti.info.keyExpr = h.keyExpr;
  ti.info.forExpr = h.forExpr;
  ti.info.unique = ti.tree.unique;
  ti.info.descending = h.descending;
  ti.info.keyLength = h.keyLength;
}

CdxTag* CdxFile::Impl::findTag(const std::string& name) {
  std::string n = upper1252(name);
  for (auto& t : tags)
    if (t->impl_->info.name == n) return t.get();
  return nullptr;
}

// ---------------------------------------------------------------------------
// CdxFile.

CdxFile::CdxFile(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
CdxFile::~CdxFile() {
  if (impl_ && impl_->held != Impl::Held::None) impl_->file.unlock(kLockOffset, 1);
}

const std::string& CdxFile::path() const { return impl_->path; }

std::unique_ptr<CdxFile> CdxFile::open(const std::string& path, bool writable) {
  std::string real = resolveName(path);
  std::optional<File> file;
  for (;;) {
    int err = 0;
    file = File::open(real, writable ? File::Mode::ReadWrite : File::Mode::ReadOnly, &err);
    if (file) break;
    Error e;
    e.genCode = kGenOpen;
    // A permission refused is not a sharing conflict (5, 32): it keeps its own code.
    e.osCode = err == ENOENT ? 2 : err == kOsAccessDenied || err == kOsSharingViolation ? 1000 + err : err;
    e.subsystem = "DBFCDX";
    e.description = "no se puede abrir el archivo de índice " + shortName(real) + ": " + systemReason(err);
    e.filename = real;
    e.canRetry = true;
    e.canDefault = true;
    if (raise(e).kind != ErrorAnswer::Retry) return nullptr;
  }
  auto impl = std::make_unique<Impl>();
  impl->path = real;
  impl->file = std::move(*file);
  impl->writable = writable;
  impl->dir.f = impl.get();
  impl->dir.label = "directorio";
  impl->dir.unique = true;
  std::unique_ptr<CdxFile> cdx(new CdxFile(std::move(impl)));
  bool ok = guarded(false, [&] {
    Scope s(*cdx->impl_, false);
    return true;
  });
  return ok ? std::move(cdx) : nullptr;
}

std::unique_ptr<CdxFile> CdxFile::create(const std::string& path) {
  std::string real = resolveName(path);
  std::optional<File> file;
  int err = 0;
  for (;;) {
    file = File::create(real, &err);
    if (file) break;
    Error e;
    e.genCode = kGenCreate;
    e.osCode = err;
    e.subsystem = "DBFCDX";
    e.description = "no se puede crear el archivo de índice " + shortName(real) + ": " + systemReason(err);
    e.filename = real;
    e.canRetry = true;
    e.canDefault = true;
    if (raise(e).kind != ErrorAnswer::Retry) return nullptr;
  }
  TagInfo dirInfo;
  dirInfo.keyLength = kTagNameLength;
  Header h = newHeader(dirInfo, true);
  h.root = kHeaderSize;
  patchHeader(h);
  Node root;
  root.leaf = root.root = true;
  root.keyLength = kTagNameLength;
  uint8_t page[kPageSize];
  encodePage(root, 0x20, page);
  if (!file->writeAt(0, h.raw.data(), kHeaderSize) || !file->writeAt(kHeaderSize, page, kPageSize)) {
    Error e;
    e.genCode = kGenWrite;
    e.osCode = errno;
    e.subsystem = "DBFCDX";
    e.description = "error al escribir el archivo de índice " + shortName(real) + ": " + systemReason(errno);
    e.filename = real;
    e.canDefault = true;
    raise(e);
    return nullptr;
  }
  file->close();
  return open(real, true);
}

void CdxFile::setLockWait(int milliseconds) { impl_->lockWaitMs = std::max(0, milliseconds); }

std::vector<TagInfo> CdxFile::tags() {
  return guarded(std::vector<TagInfo>{}, [&] {
    Scope s(*impl_, false);
    std::vector<TagInfo> out;
    for (auto& t : impl_->tags) out.push_back(t->impl_->info);
    return out;
  });
}

CdxTag* CdxFile::tag(const std::string& name) {
  return guarded(static_cast<CdxTag*>(nullptr), [&] {
    Scope s(*impl_, false);
    return impl_->findTag(name);
  });
}

void CdxFile::Impl::removeTagLocked(const std::string& name) {
  CdxTag* t = findTag(name);
  if (!t) return;
  Tree& tree = t->impl_->tree;
  std::vector<uint32_t> pages = tree.allPages();
  uint32_t headerOff = tree.headerOff;
  if (!dir.remove(dirKey(name), headerOff)) bad("la etiqueta " + name + " falta en el directorio");
  commit();
  for (uint32_t p : pages) freePage(tree, p);
  freePage(tree, headerOff);
  freePage(tree, headerOff + kPageSize);
  auto it = std::find_if(tags.begin(), tags.end(), [&](auto& p) { return p.get() == t; });
  t->impl_->gone = true;
  t->impl_->valid = false;
  tree.dropCache();
  retired.push_back(std::move(*it));
  tags.erase(it);
}

bool CdxFile::removeTag(const std::string& name) {
  return guarded(false, [&] {
    Scope s(*impl_, true);
    if (!impl_->findTag(name)) return false;
    impl_->removeTagLocked(name);
    s.commit();
    return true;
  });
}

bool CdxFile::Impl::tryBegin(bool exclusive) {
  if (!tryAcquire(exclusive)) return false;
  int& depth = exclusive ? writeDepth : readDepth;
  ++depth;
  try {
    if (stale) reload();
  } catch (...) {
    --depth;
    release();
    throw;
  }
  return true;
}

bool CdxFile::beginRead() {
  return guarded(false, [&] { return impl_->tryBegin(false); });
}

void CdxFile::endRead() {
  if (impl_->readDepth == 0) return;
  --impl_->readDepth;
  impl_->release();
}

bool CdxFile::beginWrite() {
  if (!impl_->writable) return false;
  return guarded(false, [&] { return impl_->tryBegin(true); });
}

void CdxFile::endWrite() {
  if (impl_->writeDepth == 0) return;
  guarded(false, [&] {
    impl_->commit();
    return true;
  });
  --impl_->writeDepth;
  impl_->release();
}

std::vector<std::string> CdxFile::check() {
  Impl& f = *impl_;
  std::vector<std::string> out;
  bool ok = guarded(false, [&] {
    Scope s(f, false);
    std::unordered_map<std::string, uint8_t> fills;
    for (auto& t : f.tags) fills[t->impl_->info.name] = t->impl_->info.fill;
    out = checkFile(f.file, [&](const std::string& name) {
      auto it = fills.find(name);
      return it == fills.end() ? uint8_t(0x20) : it->second;
    });
    uint8_t note[4];
    if (f.file.readAt(kRowChangeNote, note, 4) == 4 && le32(note) != 0)
      out.push_back(shortName(f.path) + ": la fila " + std::to_string(le32(note)) +
                    " quedó a medio cambiar (una copia se detuvo); la completa la próxima copia que escriba en la tabla");
    return true;
  });
  if (!ok) out.push_back("no se pudo leer el archivo de índice " + shortName(f.path));
  return out;
}

}  // namespace xb::engine
