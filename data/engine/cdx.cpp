// Compound index files (.cdx).
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
//   NUL; everything else zero.
//
// Interior page: 0-1 attributes (0, +1 on the root), 2-3 entry count, 4-7
// left sibling, 8-11 right sibling, from 12 the entries: key, record number
// (BE), child page (BE). Each entry's key and record number are those of
// the greatest entry below the child.
//
// Leaf page: 0-1 attributes (2, +1 on the root), 2-3 entry count, 4-7 and
// 8-11 siblings, 12-13 free bytes, 14-17 record number mask, 18 duplicate
// count mask, 19 trailing count mask, 20-22 bits of record number,
// duplicate count and trailing count, 23 bytes per entry, from 24 the packed
// entries (little-endian: record number in the low bits, then duplicate
// count, then trailing count). Key bytes grow down from byte 511: each key
// stores only what follows its shared prefix with the previous key and
// precedes its trailing fill (blank for character keys, 0 for numbers and
// dates). We write the duplicate and trailing counts with the bits the key
// length needs and give the record number the rest of whole bytes; readers
// take the widths from each page.
//
// Free pages: the directory header's free-list head starts a chain of free
// pages; bytes 0-3 of a free page hold the next one (LE), the rest is zero.
// Tag headers keep -1 there (a tag header found with a list of its own is
// left as it is). Tag headers are never taken from the free list: they need
// two adjacent pages and are placed at the end of the file.
//
// INVARIANTS (what check() verifies)
//   - entries ascend by (key bytes, record number) within and across leaves;
//     a unique tag holds no key twice;
//   - every interior entry equals the greatest entry of its child;
//   - all leaves are at one depth; the pages of one level are chained left
//     to right by their sibling pointers, -1 at both ends;
//   - only the root carries the root bit; no page serves twice; free pages
//     are in the file, aligned, and used by no tree.
//
// LOCKS AND SHARING
//
// Lock layout of a .cdx file: one byte at offset 2^32 (beyond any page a
// 32-bit pointer can name, so it never hides data from readers that ignore
// locks) is the index lock, shared while reading pages, exclusive while
// changing them. Locks are open-file-description locks and never wait in
// the kernel; we poll for at most the lock wait (setLockWait). Every public
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
// new to a tree, (4) changed pages that were already in a tree, children
// before parents, (5) root fields of tag headers, (6) pages given back,
// zeroed and linked, now that no tree on disk names them, (7) the directory
// header's root and free-list head. Pages an operation frees are not taken
// again before it is written. A bulk build writes its whole tree and header
// into new pages (moving the free-list head first) before the directory
// names it, and frees a replaced tag's pages only after the directory no
// longer names them. A process killed at any instant therefore leaves the
// old tree, the new one, or a tree that at worst fails check() (mended by
// re-indexing), plus at most some pages that belong nowhere; other
// processes see the bumped counter and drop their cached pages. Since every page read is checked (bounds, alignment, counts, bit
// widths, depth, order along sibling chains, free pages zero past their
// link), such a file gives run-time errors, never a crash or a loop.
//
// A non-splitting insert writes its leaf and its tag header's counter; when
// it becomes the greatest entry of its leaf, also each parent whose
// greatest entry it becomes.
#include "data/engine/cdx.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <limits>
#include <thread>

#include "data/engine/cdx_internal.h"
#include "xbase/error.h"

namespace xb::engine {

using namespace cdx;

namespace {

constexpr uint64_t kLockOffset = uint64_t(1) << 32;
constexpr size_t kCacheLimit = 32768;
// Bulk builds fill leaves to 7/8 so that the first inserts after a build do
// not split every page they touch.
constexpr int kBulkLeafSpace = kLeafSpace - kLeafSpace / 8;
// Bytes of a header that change after it is written: root, free list, counter.
constexpr size_t kHeaderFields = 12;

// Thrown after the error handler answered "default": the operation ends
// quietly with its fallback result.
struct Aborted {};

uint32_t le32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }
void putLe32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

std::string upper(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  return out;
}

std::string dirKey(const std::string& name) {
  std::string k = upper(name).substr(0, kTagNameLength);
  k.resize(kTagNameLength, ' ');
  return k;
}

// The file's own name, for descriptions (the error's filename field holds
// the full path).
std::string shortName(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

[[noreturn]] void fail(const std::string& path, int gen, const std::string& what, int os = 0) {
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

[[noreturn]] void corrupt(const std::string& path, const std::string& what) {
  fail(path, kGenCorruption, "corrupt index file " + shortName(path) + ": " + what);
}

template <class R, class F>
R guarded(R fallback, F&& f) {
  try {
    return f();
  } catch (const Aborted&) {
    return fallback;
  }
}

}  // namespace

namespace cdx {

int compareEntry(std::string_view ak, uint32_t ar, std::string_view bk, uint32_t br) {
  int c = ak.compare(bk);
  if (c != 0) return c < 0 ? -1 : 1;
  return ar < br ? -1 : ar > br ? 1 : 0;
}

int comparePrefix(std::string_view key, std::string_view bound) {
  size_t n = std::min(key.size(), bound.size());
  int c = std::memcmp(key.data(), bound.data(), n);
  return c < 0 ? -1 : c > 0 ? 1 : 0;
}

std::string tagNameOf(std::string_view key) {
  size_t end = key.size();
  while (end > 0 && (key[end - 1] == ' ' || key[end - 1] == '\0')) --end;
  return upper(key.substr(0, end));
}

std::string parseHeader(const uint8_t* raw, Header& h) {
  std::copy(raw, raw + kHeaderSize, h.raw.begin());
  h.root = le32(raw);
  h.freeHead = le32(raw + 4);
  h.counter = le32(raw + 8);
  h.keyLength = raw[12] | raw[13] << 8;
  h.options = raw[14];
  h.descending = (raw[502] | raw[503] << 8) != 0;
  if (h.keyLength < 1 || h.keyLength > kMaxKeyLength) return "key length " + std::to_string(h.keyLength) + " out of range";
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
// One B+-tree: a tag's or the directory's.

struct Tree {
  CdxFile::Impl* f = nullptr;
  std::string label;  // "tag NAME" or "directory", for messages
  uint32_t headerOff = 0;
  Header hdr;
  uint8_t fill = 0x20;
  bool unique = false;
  bool headerDirty = false;
  bool bumped = false;  // counter already bumped under the current exclusive lock
  uint64_t version = 0;  // bumped whenever positions may have moved
  std::unordered_map<uint32_t, Node> cache;

  struct Step {
    uint32_t off;
    int idx;
  };
  using Path = std::vector<Step>;

  int keyLength() const { return hdr.keyLength; }
  Node& node(uint32_t off);
  Node& mut(uint32_t off);
  uint32_t newNode(bool leaf);
  void dropCache() {
    cache.clear();
    ++version;
  }

  [[noreturn]] void bad(const std::string& what) const;

  template <class Less>
  void descend(Path& path, Less&& less, bool rightmost = false);
  void descendEntry(std::string_view key, uint32_t recno, Path& path);
  void descendPrefix(std::string_view prefix, Path& path);

  bool insert(std::string_view key, uint32_t recno);
  bool remove(std::string_view key, uint32_t recno);
  void settleInsert(Path& path, int k, bool appendHint);
  void settleRemove(Path& path, int k);
  void collapseRoot();
  int chooseSplit(const Node& n, bool appendHint) const;

  // Moves (off, idx) forward to a real entry, following right siblings past
  // the end of a leaf; false at the end of the tree. `after` is the entry
  // the walk must stay above (order check), if any.
  bool forward(uint32_t& off, int& idx, const std::string* afterKey, uint32_t afterRec);
  void checkSpan(uint32_t off);
  std::string walkKey;  // forward's and backward's last entry, kept to spare an allocation a step
  bool backward(uint32_t& off, int& idx, const std::string* beforeKey, uint32_t beforeRec);
  std::vector<uint32_t> allPages();
};

// ---------------------------------------------------------------------------

struct CdxTag::Impl {
  Tree tree;
  TagInfo info;
  bool gone = false;
  // Cursor.
  bool valid = false;
  IndexEntry cur;
  uint32_t leaf = kNone;
  int idx = 0;
  uint64_t version = 0;

  void setPos(uint32_t off, int i);
  bool relocate();  // true when the cursor's entry still exists at its place
};

struct CdxFile::Impl {
  std::string path;
  File file;
  bool writable = false;
  Tree dir;
  std::vector<std::unique_ptr<CdxTag>> tags;
  std::vector<std::unique_ptr<CdxTag>> retired;  // removed tags callers may still point to
  uint64_t size = 0;
  bool sizeKnown = false;  // `size` read since the lock was taken
  bool stale = true;
  // Free-list heads: the one on disk, and the first page of the on-disk
  // chain that this operation has not taken (pages it frees go before it).
  uint32_t diskFreeHead = kNone;
  uint32_t chainHead = kNone;
  enum class Held { None, Shared, Exclusive } held = Held::None;
  int readDepth = 0;
  int writeDepth = 0;
  int lockWaitMs = 1000;

  // Pending writes.
  std::vector<std::pair<Tree*, uint32_t>> dirtyOrder;
  std::unordered_set<uint32_t> dirty;
  std::unordered_set<uint32_t> fresh;
  std::map<uint32_t, uint32_t> freed;  // page -> next free page
  std::vector<Tree*> dirtyHeaders;

  [[noreturn]] void bad(const std::string& what) const { corrupt(path, what); }
  void readPage(uint32_t off, uint8_t* buf, const std::string& what);
  void writeBytes(uint64_t off, const uint8_t* buf, size_t n);

  bool tryAcquire(bool exclusive);
  // Takes the lock for a caller's read or write span and brings the cached
  // pages up to date; false when the lock is refused.
  bool tryBegin(bool exclusive);
  void acquireOrRaise(bool exclusive);
  void release();
  void refresh();
  // Reads the file size once per lock (others may have added pages).
  void ensureSize();
  void reload();
  void rollback();
  void commit();
  void bumpCounter(Tree& t);
  // Writes the free-list head past the pages taken so far, before any of
  // them is written.
  void persistChainHead();
  // Forgets the cached pages of trees that hold too many, between
  // operations only (callers hold references into the caches meanwhile).
  void trimCaches();

  uint32_t allocPage();
  uint32_t allocHeader();
  void freePage(Tree& t, uint32_t off);
  void markDirty(Tree& t, uint32_t off);
  void markHeader(Tree& t);

  CdxTag* findTag(const std::string& name);
  void loadTag(const std::string& name, uint32_t headerOff);
  void removeTagLocked(const std::string& name);
};

namespace {

// Holds the index lock for one operation unless the caller already holds
// a sufficient one; writes pending pages on commit() and throws them away
// when the operation ends early.
class Scope {
 public:
  Scope(CdxFile::Impl& f, bool write) : f_(f), write_(write) {
    if (write && !f.writable) fail(f.path, kGenReadonly, "index file " + shortName(f.path) + " is open read-only");
    f.acquireOrRaise(write);
    (write ? f.writeDepth : f.readDepth)++;
    try {
      if (f.stale) f.reload();
    } catch (...) {
      end();
      throw;
    }
    f.trimCaches();
  }
  ~Scope() {
    if (write_ && !committed_) f_.rollback();
    end();
  }
  void commit() {
    f_.commit();
    committed_ = true;
  }
  Scope(const Scope&) = delete;
  Scope& operator=(const Scope&) = delete;

 private:
  void end() {
    (write_ ? f_.writeDepth : f_.readDepth)--;
    f_.release();
  }
  CdxFile::Impl& f_;
  bool write_;
  bool committed_ = false;
};

}  // namespace

// ---------------------------------------------------------------------------
// Pages and caches.

void CdxFile::Impl::ensureSize() {
  if (sizeKnown) return;
  int64_t sz = file.size();
  if (sz < 0) fail(path, kGenRead, "cannot read index file " + shortName(path), errno);
  size = uint64_t(sz);
  sizeKnown = true;
}

void CdxFile::Impl::readPage(uint32_t off, uint8_t* buf, const std::string& what) {
  if (uint64_t(off) + kPageSize > size) ensureSize();
  if (off == kNone || off % kPageSize != 0 || off < kHeaderSize || uint64_t(off) + kPageSize > size)
    bad(what + ": page pointer " + std::to_string(off) + " outside the file or not page-aligned");
  long got = file.readAt(off, buf, kPageSize);
  if (got < 0) fail(path, kGenRead, "read error in index file " + shortName(path), errno);
  if (got != long(kPageSize)) bad(what + ": page " + std::to_string(off) + " cut short");
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
  if (!file.writeAt(off, buf, n)) fail(path, kGenWrite, "write error in index file " + shortName(path), errno);
}

void Tree::bad(const std::string& what) const { f->bad(label + ": " + what); }

Node& Tree::node(uint32_t off) {
  auto it = cache.find(off);
  if (it != cache.end()) return it->second;
  uint8_t buf[kPageSize];
  f->readPage(off, buf, label);
  Node n;
  std::string err = decodePage(buf, keyLength(), fill, n);
  if (!err.empty()) bad("page " + std::to_string(off) + ": " + err);
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
      bad("free-page list: page " + std::to_string(off) + " is not free");
    if (next != kNone && (next % kPageSize != 0 || next < kHeaderSize || uint64_t(next) + kPageSize > size))
      bad("free-page list: bad link " + std::to_string(next));
    if (next == off) bad("free-page list: page " + std::to_string(off) + " links to itself");
    dir.hdr.freeHead = chainHead = next;
    markHeader(dir);
    return off;
  }
  if (size + kPageSize > kNone) fail(path, kGenWrite, "index file " + shortName(path) + " is full");
  off = uint32_t(size);
  size += kPageSize;
  return off;
}

uint32_t CdxFile::Impl::allocHeader() {
  ensureSize();
  if (size + kHeaderSize > kNone) fail(path, kGenWrite, "index file " + shortName(path) + " is full");
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
    return;
  }
  for (auto& [t, off] : dirtyOrder)
    if (dirty.count(off)) bumpCounter(*t);
  for (Tree* t : dirtyHeaders)
    if (t != &dir) bumpCounter(*t);
  persistChainHead();
  uint8_t buf[kPageSize];
  std::unordered_set<uint32_t> written;
  auto writeNode = [&](Tree* t, uint32_t off) {
    if (!dirty.count(off) || !written.insert(off).second) return;
    auto it = t->cache.find(off);
    if (it != t->cache.end()) it->second.root = off == t->hdr.root;
    if (it == t->cache.end() || !encodePage(it->second, t->fill, buf))
      bad(t->label + ": page " + std::to_string(off) + " does not fit");
    writeBytes(off, buf, kPageSize);
  };
  for (auto& [t, off] : dirtyOrder)
    if (fresh.count(off)) writeNode(t, off);
  for (auto& [t, off] : dirtyOrder) writeNode(t, off);
  for (Tree* t : dirtyHeaders) {
    if (t == &dir) continue;
    patchHeader(t->hdr);
    writeBytes(t->headerOff, t->hdr.raw.data(), kHeaderFields);
  }
  for (auto& [off, next] : freed) {
    std::memset(buf, 0, kPageSize);
    putLe32(buf, next);
    writeBytes(off, buf, kPageSize);
  }
  if (dir.headerDirty) {
    patchHeader(dir.hdr);
    writeBytes(0, dir.hdr.raw.data(), kHeaderFields);
    diskFreeHead = chainHead = dir.hdr.freeHead;
  }
  for (Tree* t : dirtyHeaders) t->headerDirty = false;
  dirtyHeaders.clear();
  dirtyOrder.clear();
  dirty.clear();
  fresh.clear();
  freed.clear();
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
  stale = true;
}

// ---------------------------------------------------------------------------
// Locks and freshness.

bool CdxFile::Impl::tryAcquire(bool exclusive) {
  if (exclusive ? held == Held::Exclusive : held != Held::None) return true;
  if (exclusive && !file.writable()) return false;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(lockWaitMs);
  while (!file.tryLock(kLockOffset, 1, exclusive)) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::microseconds(500));
  }
  Held before = held;
  held = exclusive ? Held::Exclusive : Held::Shared;
  if (before == Held::None) {
    try {
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
    e.description = "index file " + shortName(path) + " is locked by another user";
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
  uint8_t buf[kHeaderFields];
  if (file.readAt(0, buf, kHeaderFields) != long(kHeaderFields) || le32(buf + 8) != dir.hdr.counter ||
      le32(buf) != dir.hdr.root) {
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
  if (size < kHeaderSize + kPageSize) bad("file shorter than a header and a root page");
  uint8_t raw[kHeaderSize];
  if (file.readAt(0, raw, kHeaderSize) != long(kHeaderSize)) bad("directory header cut short");
  Header h;
  std::string err = parseHeader(raw, h);
  if (!err.empty()) bad("directory header: " + err);
  if (h.keyLength != kTagNameLength) bad("directory key length " + std::to_string(h.keyLength));
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
    bad("tag " + name + ": header offset " + std::to_string(headerOff) + " outside the file or not page-aligned");
  uint8_t raw[kHeaderSize];
  if (file.readAt(headerOff, raw, kHeaderSize) != long(kHeaderSize)) bad("tag " + name + ": header cut short");
  Header h;
  std::string err = parseHeader(raw, h);
  if (!err.empty()) bad("tag " + name + ": " + err);
  CdxTag* t = findTag(name);
  if (!t) {
    tags.push_back(std::unique_ptr<CdxTag>(new CdxTag(std::make_unique<CdxTag::Impl>())));
    t = tags.back().get();
    t->impl_->info.fill = 0x20;
  }
  CdxTag::Impl& ti = *t->impl_;
  ti.gone = false;
  ti.tree.f = this;
  ti.tree.label = "tag " + name;
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
  std::string n = upper(name);
  for (auto& t : tags)
    if (t->impl_->info.name == n) return t.get();
  return nullptr;
}

// ---------------------------------------------------------------------------
// Tree navigation and changes.

template <class Less>
void Tree::descend(Path& path, Less&& less, bool rightmost) {
  path.clear();
  uint32_t off = hdr.root;
  for (int depth = 0; depth < kMaxDepth; ++depth) {
    Node& n = node(off);
    int lo = 0, hi = n.size();
    if (rightmost) {
      lo = n.size();
    } else {
      while (lo < hi) {
        int mid = (lo + hi) / 2;
        if (less(n, mid))
          lo = mid + 1;
        else
          hi = mid;
      }
    }
    if (n.leaf) {
      path.push_back({off, lo});
      return;
    }
    if (n.size() == 0) bad("interior page " + std::to_string(off) + " is empty");
    if (lo == n.size()) lo = n.size() - 1;
    path.push_back({off, lo});
    off = n.children[size_t(lo)];
  }
  bad("tree deeper than " + std::to_string(kMaxDepth) + " levels (cycle?)");
}

void Tree::descendEntry(std::string_view key, uint32_t recno, Path& path) {
  descend(path, [&](const Node& n, int i) { return compareEntry(n.key(i), n.recnos[size_t(i)], key, recno) < 0; });
}

void Tree::descendPrefix(std::string_view prefix, Path& path) {
  descend(path, [&](const Node& n, int i) { return comparePrefix(n.key(i), prefix) < 0; });
}

// A leaf entered along the chain must run from a smaller first entry to a
// larger last one. Together with the order checks between neighbours this
// makes every cycle in a damaged chain show up as an error instead of a walk
// that never ends.
void Tree::checkSpan(uint32_t off) {
  Node& n = node(off);
  if (n.size() > 1 && compareEntry(n.key(0), n.recnos.front(), n.key(n.size() - 1), n.recnos.back()) > 0)
    bad("leaf page " + std::to_string(off) + " out of order");
}

bool Tree::forward(uint32_t& off, int& idx, const std::string* afterKey, uint32_t afterRec) {
  f->ensureSize();
  uint64_t steps = f->size / kPageSize + 1;
  std::string& lastKey = walkKey;
  lastKey.assign(afterKey ? *afterKey : std::string());
  bool haveLast = afterKey != nullptr;
  uint32_t lastRec = afterRec;
  for (;;) {
    Node& n = node(off);
    if (!n.leaf) bad("page " + std::to_string(off) + " in the leaf chain is not a leaf");
    if (idx < n.size()) {
      if (haveLast && compareEntry(n.key(idx), n.recnos[size_t(idx)], lastKey, lastRec) <= 0)
        bad("leaf page " + std::to_string(off) + " out of order (cycle?)");
      return true;
    }
    if (n.size() > 0) {
      lastKey.assign(n.key(n.size() - 1));
      lastRec = n.recnos.back();
      haveLast = true;
    }
    if (n.right == kNone) return false;
    if (--steps == 0) bad("leaf chain longer than the file (cycle)");
    off = n.right;
    idx = 0;
    checkSpan(off);
  }
}

bool Tree::backward(uint32_t& off, int& idx, const std::string* beforeKey, uint32_t beforeRec) {
  f->ensureSize();
  uint64_t steps = f->size / kPageSize + 1;
  std::string& lastKey = walkKey;
  lastKey.assign(beforeKey ? *beforeKey : std::string());
  bool haveLast = beforeKey != nullptr;
  uint32_t lastRec = beforeRec;
  for (;;) {
    Node& n = node(off);
    if (!n.leaf) bad("page " + std::to_string(off) + " in the leaf chain is not a leaf");
    if (idx >= n.size()) idx = n.size() - 1;
    if (idx >= 0) {
      if (haveLast && compareEntry(n.key(idx), n.recnos[size_t(idx)], lastKey, lastRec) >= 0)
        bad("leaf page " + std::to_string(off) + " out of order (cycle?)");
      return true;
    }
    if (n.left == kNone) return false;
    if (--steps == 0) bad("leaf chain longer than the file (cycle)");
    off = n.left;
    idx = std::numeric_limits<int>::max();
    checkSpan(off);
  }
}

bool Tree::insert(std::string_view key, uint32_t recno) {
  if (key.size() != size_t(keyLength())) bad("key of " + std::to_string(key.size()) + " bytes for a tree of " + std::to_string(keyLength()));
  Path path;
  if (unique) {
    descendPrefix(key, path);
    uint32_t off = path.back().off;
    int idx = path.back().idx;
    if (forward(off, idx, nullptr, 0) && node(off).key(idx) == key) return false;
  }
  descendEntry(key, recno, path);
  Step leaf = path.back();
  {
    Node& n = node(leaf.off);
    if (leaf.idx < n.size() && compareEntry(n.key(leaf.idx), n.recnos[size_t(leaf.idx)], key, recno) == 0)
      return false;
  }
  Node& n = mut(leaf.off);
  n.insert(leaf.idx, key, recno);
  ++version;
  settleInsert(path, int(path.size()) - 1, leaf.idx == n.size() - 1 && n.right == kNone);
  return true;
}

int Tree::chooseSplit(const Node& n, bool appendHint) const {
  int size = n.size();
  if (!n.leaf) return appendHint ? size - 1 : size / 2;
  if (appendHint && leafBytes(n, fill, 0, size - 1) <= kLeafSpace) return size - 1;
  int total = leafBytes(n, fill, 0, size);
  int s = 1;
  while (s < size - 1 && leafBytes(n, fill, 0, s) < total / 2) ++s;
  for (int guard = 0; guard < 2 * size; ++guard) {
    if (leafBytes(n, fill, 0, s) > kLeafSpace && s > 1)
      --s;
    else if (leafBytes(n, fill, s, size) > kLeafSpace && s < size - 1)
      ++s;
    else
      return s;
  }
  return s;
}

void Tree::settleInsert(Path& path, int k, bool appendHint) {
  uint32_t off = path[size_t(k)].off;
  Node* n = &mut(off);
  if (!fits(*n, fill)) {
    uint32_t rOff = newNode(n->leaf);
    Node& r = cache[rOff];
    n = &node(off);
    n->moveTail(chooseSplit(*n, appendHint), r);
    if (!fits(*n, fill) || !fits(r, fill)) bad("page " + std::to_string(off) + " cannot be split");
    r.left = off;
    r.right = n->right;
    if (n->right != kNone) mut(n->right).left = rOff;
    n->right = rOff;
    std::string nKey(n->key(n->size() - 1)), rKey(r.key(r.size() - 1));
    uint32_t nRec = n->recnos.back(), rRec = r.recnos.back();
    if (k == 0) {
      n->root = false;
      uint32_t newRoot = newNode(false);
      Node& nr = cache[newRoot];
      nr.root = true;
      nr.insert(0, nKey, nRec, off);
      nr.insert(1, rKey, rRec, rOff);
      hdr.root = newRoot;
      f->markHeader(*this);
      return;
    }
    Node& parent = mut(path[size_t(k) - 1].off);
    int pi = path[size_t(k) - 1].idx;
    parent.setEntry(pi, nKey, nRec);
    parent.insert(pi + 1, rKey, rRec, rOff);
    settleInsert(path, k - 1, appendHint && pi + 1 == parent.size() - 1 && parent.right == kNone);
    return;
  }
  if (k == 0) return;
  Node& parent = node(path[size_t(k) - 1].off);
  int pi = path[size_t(k) - 1].idx;
  if (compareEntry(parent.key(pi), parent.recnos[size_t(pi)], n->key(n->size() - 1), n->recnos.back()) != 0) {
    mut(path[size_t(k) - 1].off).setEntry(pi, n->key(n->size() - 1), n->recnos.back());
    if (pi == parent.size() - 1) settleInsert(path, k - 1, false);
  }
}

bool Tree::remove(std::string_view key, uint32_t recno) {
  if (key.size() != size_t(keyLength())) bad("key of " + std::to_string(key.size()) + " bytes for a tree of " + std::to_string(keyLength()));
  Path path;
  descendEntry(key, recno, path);
  Step leaf = path.back();
  {
    Node& n = node(leaf.off);
    if (leaf.idx >= n.size() || compareEntry(n.key(leaf.idx), n.recnos[size_t(leaf.idx)], key, recno) != 0)
      return false;
  }
  mut(leaf.off).erase(leaf.idx);
  ++version;
  settleRemove(path, int(path.size()) - 1);
  return true;
}

void Tree::collapseRoot() {
  for (int guard = 0; guard < kMaxDepth; ++guard) {
    Node& r = node(hdr.root);
    if (r.leaf || r.size() != 1) return;
    uint32_t old = hdr.root;
    uint32_t child = r.children[0];
    Node& c = mut(child);
    c.root = true;
    c.left = c.right = kNone;
    hdr.root = child;
    f->markHeader(*this);
    f->freePage(*this, old);
  }
}

void Tree::settleRemove(Path& path, int k) {
  uint32_t off = path[size_t(k)].off;
  Node& n = mut(off);
  if (k == 0) {
    if (!n.leaf && n.size() == 0) {
      n.leaf = true;
      n.children.clear();
      n.left = n.right = kNone;
    }
    collapseRoot();
    return;
  }
  uint32_t pOff = path[size_t(k) - 1].off;
  int pi = path[size_t(k) - 1].idx;
  if (n.size() == 0) {
    uint32_t l = n.left, r = n.right;
    if (l != kNone) mut(l).right = r;
    if (r != kNone) mut(r).left = l;
    f->freePage(*this, off);
    mut(pOff).erase(pi);
    settleRemove(path, k - 1);
    return;
  }
  bool underfull = n.leaf ? leafBytes(n, fill, 0, n.size()) * 3 < kLeafSpace
                          : n.size() * 2 <= interiorCapacity(keyLength());
  Node& parent = node(pOff);
  if (underfull && parent.size() > 1) {
    int j = pi + 1 < parent.size() ? pi : pi - 1;  // merge children j and j+1
    uint32_t aOff = parent.children[size_t(j)], bOff = parent.children[size_t(j) + 1];
    Node& a = node(aOff);
    Node& b = node(bOff);
    if (a.right != bOff || b.left != aOff || a.leaf != b.leaf) bad("sibling links of page " + std::to_string(aOff) + " disagree with the parent");
    bool merge;
    if (a.leaf) {
      Node joined = a, rest = b;
      rest.moveTail(0, joined);
      merge = fits(joined, fill);
    } else {
      merge = a.size() + b.size() <= interiorCapacity(keyLength());
    }
    if (merge) {
      Node& ma = mut(aOff);
      Node& mb = mut(bOff);
      mb.moveTail(0, ma);
      ma.right = mb.right;
      if (mb.right != kNone) mut(mb.right).left = aOff;
      f->freePage(*this, bOff);
      Node& mp = mut(pOff);
      mp.setEntry(j, ma.key(ma.size() - 1), ma.recnos.back());
      mp.erase(j + 1);
      path[size_t(k) - 1].idx = j;
      settleRemove(path, k - 1);
      return;
    }
  }
  Node& cur = node(off);
  if (compareEntry(parent.key(pi), parent.recnos[size_t(pi)], cur.key(cur.size() - 1), cur.recnos.back()) != 0) {
    mut(pOff).setEntry(pi, cur.key(cur.size() - 1), cur.recnos.back());
    settleRemove(path, k - 1);
  }
}

std::vector<uint32_t> Tree::allPages() {
  std::vector<uint32_t> out;
  std::vector<uint32_t> level{hdr.root};
  std::unordered_set<uint32_t> seen;
  for (int depth = 0; depth < kMaxDepth && !level.empty(); ++depth) {
    std::vector<uint32_t> next;
    for (uint32_t off : level) {
      if (!seen.insert(off).second) bad("page " + std::to_string(off) + " reached twice");
      out.push_back(off);
      Node& n = node(off);
      if (!n.leaf) next.insert(next.end(), n.children.begin(), n.children.end());
    }
    level = std::move(next);
  }
  if (!level.empty()) bad("tree deeper than " + std::to_string(kMaxDepth) + " levels (cycle?)");
  return out;
}

// ---------------------------------------------------------------------------
// Bulk build.

namespace {

// Collects pages written at increasing offsets into large writes.
class PageWriter {
 public:
  explicit PageWriter(CdxFile::Impl& f) : f_(f) {}
  void put(uint32_t off, const uint8_t* page) {
    if (!buf_.empty() && (off != start_ + buf_.size() || buf_.size() >= (1u << 20))) flush();
    if (buf_.empty()) start_ = off;
    buf_.insert(buf_.end(), page, page + kPageSize);
  }
  void flush() {
    f_.persistChainHead();
    if (!buf_.empty()) f_.writeBytes(start_, buf_.data(), buf_.size());
    buf_.clear();
  }

 private:
  CdxFile::Impl& f_;
  uint64_t start_ = 0;
  std::vector<uint8_t> buf_;
};

struct LevelEntry {
  uint32_t recno;
  uint32_t page;
};

}  // namespace

void EntryList::reserve(size_t n) {
  keys_.reserve(n * size_t(keyLength_));
  recnos_.reserve(n);
}

void EntryList::add(std::string_view key, uint32_t recno) {
  keys_.append(key.data(), size_t(keyLength_));
  recnos_.push_back(recno);
}

void EntryList::sort() {
  // Sort (first eight key bytes, position) pairs, comparing whole entries
  // only between equal prefixes, then lay the entries out in that order.
  struct Item {
    uint64_t prefix;
    uint32_t at;
  };
  const size_t n = size(), L = size_t(keyLength_);
  std::vector<Item> items(n);
  for (size_t i = 0; i < n; ++i) {
    const char* k = keys_.data() + i * L;
    uint64_t p = 0;
    for (size_t b = 0; b < 8; ++b) p = (p << 8) | (b < L ? uint8_t(k[b]) : 0);
    items[i] = {p, uint32_t(i)};
  }
  std::sort(items.begin(), items.end(), [&](const Item& a, const Item& b) {
    if (a.prefix != b.prefix) return a.prefix < b.prefix;
    if (L > 8) {
      int c = std::memcmp(keys_.data() + a.at * L + 8, keys_.data() + b.at * L + 8, L - 8);
      if (c != 0) return c < 0;
    }
    return recnos_[a.at] < recnos_[b.at];
  });
  std::string keys(keys_.size(), '\0');
  std::vector<uint32_t> recnos(n);
  for (size_t i = 0; i < n; ++i) {
    std::memcpy(keys.data() + i * L, keys_.data() + items[i].at * L, L);
    recnos[i] = recnos_[items[i].at];
  }
  keys_ = std::move(keys);
  recnos_ = std::move(recnos);
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
    e.osCode = err == ENOENT ? 2 : err == EACCES || err == EPERM ? kOsAccessDenied : err;
    e.subsystem = "DBFCDX";
    e.description = "cannot open index file " + shortName(real);
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
  impl->dir.label = "directory";
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
    e.description = "cannot create index file " + shortName(real);
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
    e.description = "write error in index file " + shortName(real);
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
  if (!dir.remove(dirKey(name), headerOff)) bad("tag " + name + " missing from the directory");
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

CdxTag* CdxFile::buildTag(const TagInfo& info, const std::vector<IndexEntry>& entries) {
  const int L = info.keyLength;
  EntryList list(L);
  list.reserve(entries.size());
  for (const IndexEntry& e : entries) {
    // A key of another length: an empty list of no length, which the build
    // refuses as such.
    if (e.key.size() != size_t(L)) return buildTag(info, EntryList(0));
    list.add(e.key, e.recno);
  }
  return buildTag(info, list);
}

CdxTag* CdxFile::buildTag(const TagInfo& infoIn, const EntryList& entries) {
  Impl& f = *impl_;
  TagInfo info = infoIn;
  info.name = upper(info.name);
  auto argError = [&](const std::string& what) {
    fail(f.path, kGenArgument, "cannot build tag " + info.name + " in " + shortName(f.path) + ": " + what);
  };
  return guarded(static_cast<CdxTag*>(nullptr), [&]() -> CdxTag* {
    if (info.name.empty() || info.name.size() > size_t(kTagNameLength) ||
        info.name.find_first_of(" \0", 0, 2) != std::string::npos)
      argError("bad tag name");
    if (info.keyLength < 1 || info.keyLength > kMaxKeyLength) argError("key length out of range");
    if (info.keyExpr.size() + info.forExpr.size() + 2 > kHeaderSize - 512) argError("expressions too long");
    const size_t L = size_t(info.keyLength);
    if (entries.keyLength() != info.keyLength) argError("key of the wrong length");
    for (size_t i = 1; i < entries.size(); ++i)
      if (compareEntry(entries.key(i - 1), entries.recno(i - 1), entries.key(i), entries.recno(i)) > 0)
        argError("entries not sorted");
    Scope s(f, true);
    PageWriter writer(f);
    uint8_t page[kPageSize];
    const uint8_t fill = info.fill;

    // Leaves.
    std::string upperKeys;
    std::vector<LevelEntry> upperEntries;
    Node cur;
    cur.keyLength = info.keyLength;
    cur.leaf = true;
    uint32_t curOff = f.allocPage(), prevOff = kNone;
    auto emit = [&](uint32_t next) {
      cur.left = prevOff;
      cur.right = next;
      cur.root = prevOff == kNone && next == kNone;
      if (!encodePage(cur, fill, page)) f.bad("bulk page does not fit");
      writer.put(curOff, page);
      if (cur.size() > 0) {
        upperKeys.append(cur.key(cur.size() - 1));
        upperEntries.push_back({cur.recnos.back(), curOff});
      }
      prevOff = curOff;
      curOff = next;
      cur.keys.clear();
      cur.recnos.clear();
    };
    LeafPacker packer(info.keyLength, fill, kBulkLeafSpace);
    std::string_view keptKey;
    uint32_t keptRecno = 0;
    bool kept = false;
    for (size_t i = 0; i < entries.size(); ++i) {
      const std::string_view key = entries.key(i);
      const uint32_t recno = entries.recno(i);
      if (kept && keptKey == key && (info.unique || keptRecno == recno)) continue;
      if (!packer.fitsWith(key, recno)) {
        emit(f.allocPage());
        packer.clear();
      }
      packer.add(key, recno);
      cur.keys.append(key);
      cur.recnos.push_back(recno);
      keptKey = key;
      keptRecno = recno;
      kept = true;
    }
    uint32_t rootOff = curOff;
    emit(kNone);
    // Interior levels.
    const int cap = interiorCapacity(info.keyLength);
    while (upperEntries.size() > 1) {
      std::string keys = std::move(upperKeys);
      std::vector<LevelEntry> level = std::move(upperEntries);
      upperKeys.clear();
      upperEntries.clear();
      size_t pages = (level.size() + size_t(cap) - 1) / size_t(cap);
      size_t per = (level.size() + pages - 1) / pages;
      Node in;
      in.leaf = false;
      in.keyLength = info.keyLength;
      prevOff = kNone;
      uint32_t off = f.allocPage();
      for (size_t i = 0; i < level.size(); i += per) {
        size_t end = std::min(level.size(), i + per);
        in.keys.assign(keys, i * L, (end - i) * L);
        in.recnos.clear();
        in.children.clear();
        for (size_t j = i; j < end; ++j) {
          in.recnos.push_back(level[j].recno);
          in.children.push_back(level[j].page);
        }
        uint32_t next = end < level.size() ? f.allocPage() : kNone;
        in.left = prevOff;
        in.right = next;
        in.root = pages == 1;
        if (!encodePage(in, fill, page)) f.bad("bulk page does not fit");
        writer.put(off, page);
        upperKeys.append(in.key(in.size() - 1));
        upperEntries.push_back({in.recnos.back(), off});
        rootOff = off;
        prevOff = off;
        off = next;
      }
    }
    writer.flush();

    // Header, then the directory names it, then the old tag's pages go.
    Header h = newHeader(info, false);
    h.root = rootOff;
    h.counter = 1;
    patchHeader(h);
    uint32_t headerOff = f.allocHeader();
    f.writeBytes(headerOff, h.raw.data(), kHeaderSize);
    CdxTag* replaced = f.findTag(info.name);
    std::vector<uint32_t> oldPages;
    if (replaced) {
      Tree& old = replaced->impl_->tree;
      oldPages = old.allPages();
      oldPages.push_back(old.headerOff);
      oldPages.push_back(old.headerOff + kPageSize);
      if (!f.dir.remove(dirKey(info.name), old.headerOff)) f.bad("tag " + info.name + " missing from the directory");
    }
    if (!f.dir.insert(dirKey(info.name), headerOff)) f.bad("directory refuses tag " + info.name);
    f.commit();
    if (replaced) {
      for (uint32_t p : oldPages) f.freePage(replaced->impl_->tree, p);
      replaced->impl_->valid = false;
    }
    s.commit();
    f.loadTag(info.name, headerOff);
    CdxTag* t = f.findTag(info.name);
    t->impl_->info.fill = fill;
    t->impl_->tree.fill = fill;
    t->impl_->tree.dropCache();
    return t;
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
    return true;
  });
  if (!ok) out.push_back("index file " + shortName(f.path) + " could not be read");
  return out;
}

// ---------------------------------------------------------------------------
// CdxTag.

CdxTag::CdxTag(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

const TagInfo& CdxTag::info() const { return impl_->info; }

void CdxTag::setFill(uint8_t fill) {
  if (impl_->info.fill == fill) return;
  impl_->info.fill = fill;
  impl_->tree.fill = fill;
  impl_->tree.dropCache();
}

void CdxTag::Impl::setPos(uint32_t off, int i) {
  Node& n = tree.node(off);
  leaf = off;
  idx = i;
  cur.key.assign(n.key(i));
  cur.recno = n.recnos[size_t(i)];
  valid = true;
  version = tree.version;
}

bool CdxTag::Impl::relocate() {
  if (version == tree.version) return true;
  Tree::Path path;
  tree.descendEntry(cur.key, cur.recno, path);
  uint32_t off = path.back().off;
  int i = path.back().idx;
  if (!tree.forward(off, i, nullptr, 0)) {
    leaf = kNone;
    version = tree.version;
    return false;
  }
  Node& n = tree.node(off);
  bool same = compareEntry(n.key(i), n.recnos[size_t(i)], cur.key, cur.recno) == 0;
  leaf = off;
  idx = i;
  version = tree.version;
  return same;
}

bool CdxTag::insert(const IndexEntry& e) {
  Impl& t = *impl_;
  CdxFile::Impl& f = *t.tree.f;
  return guarded(false, [&] {
    Scope s(f, true);
    if (t.gone) fail(f.path, kGenNoOrder, "tag " + t.info.name + " no longer exists in " + shortName(f.path));
    if (e.key.size() != size_t(t.info.keyLength))
      fail(f.path, kGenArgument, "key of the wrong length for tag " + t.info.name);
    bool done = t.tree.insert(e.key, e.recno);
    s.commit();
    return done;
  });
}

bool CdxTag::remove(const IndexEntry& e) {
  Impl& t = *impl_;
  CdxFile::Impl& f = *t.tree.f;
  return guarded(false, [&] {
    Scope s(f, true);
    if (t.gone) fail(f.path, kGenNoOrder, "tag " + t.info.name + " no longer exists in " + shortName(f.path));
    if (e.key.size() != size_t(t.info.keyLength)) return false;
    bool done = t.tree.remove(e.key, e.recno);
    s.commit();
    return done;
  });
}

bool CdxTag::first() {
  Impl& t = *impl_;
  return guarded(false, [&] {
    Scope s(*t.tree.f, false);
    t.valid = false;
    if (t.gone) return false;
    Tree::Path path;
    t.tree.descend(path, [](const Node&, int) { return false; });
    uint32_t off = path.back().off;
    int i = 0;
    if (!t.tree.forward(off, i, nullptr, 0)) return false;
    t.setPos(off, i);
    return true;
  });
}

bool CdxTag::last() {
  Impl& t = *impl_;
  return guarded(false, [&] {
    Scope s(*t.tree.f, false);
    t.valid = false;
    if (t.gone) return false;
    Tree::Path path;
    t.tree.descend(path, [](const Node&, int) { return true; }, true);
    uint32_t off = path.back().off;
    int i = std::numeric_limits<int>::max();
    if (!t.tree.backward(off, i, nullptr, 0)) return false;
    t.setPos(off, i);
    return true;
  });
}

bool CdxTag::next() {
  Impl& t = *impl_;
  return guarded(false, [&] {
    Scope s(*t.tree.f, false);
    if (!t.valid || t.gone) return t.valid = false;
    bool same = t.relocate();
    if (t.leaf == kNone) return t.valid = false;
    uint32_t off = t.leaf;
    int i = same ? t.idx + 1 : t.idx;
    if (!t.tree.forward(off, i, &t.cur.key, t.cur.recno)) return t.valid = false;
    t.setPos(off, i);
    return true;
  });
}

bool CdxTag::prev() {
  Impl& t = *impl_;
  return guarded(false, [&] {
    Scope s(*t.tree.f, false);
    if (!t.valid || t.gone) return t.valid = false;
    t.relocate();
    uint32_t off;
    int i;
    if (t.leaf == kNone) {
      Tree::Path path;
      t.tree.descend(path, [](const Node&, int) { return true; }, true);
      off = path.back().off;
      i = std::numeric_limits<int>::max();
    } else {
      off = t.leaf;
      i = t.idx - 1;
      if (i < 0) {
        Node& n = t.tree.node(off);
        if (n.left == kNone) return t.valid = false;
        off = n.left;
        i = std::numeric_limits<int>::max();
      }
    }
    if (!t.tree.backward(off, i, &t.cur.key, t.cur.recno)) return t.valid = false;
    t.setPos(off, i);
    return true;
  });
}

bool CdxTag::seek(const std::string& keyIn) {
  Impl& t = *impl_;
  return guarded(false, [&] {
    Scope s(*t.tree.f, false);
    t.valid = false;
    if (t.gone) return false;
    std::string_view key(keyIn);
    if (key.size() > size_t(t.info.keyLength)) key = key.substr(0, size_t(t.info.keyLength));
    Tree::Path path;
    t.tree.descendPrefix(key, path);
    uint32_t off = path.back().off;
    int i = path.back().idx;
    if (!t.tree.forward(off, i, nullptr, 0)) return false;
    t.setPos(off, i);
    return comparePrefix(t.cur.key, key) == 0;
  });
}

bool CdxTag::valid() const { return impl_->valid; }

const IndexEntry& CdxTag::current() const {
  static const IndexEntry none;
  return impl_->valid ? impl_->cur : none;
}

uint32_t CdxTag::recnoAhead(int ahead) const {
  const Impl& t = *impl_;
  if (!t.valid || t.gone || t.leaf == kNone) return 0;
  auto it = t.tree.cache.find(t.leaf);
  if (it == t.tree.cache.end()) return 0;
  const int i = t.idx + ahead;
  return i >= 0 && i < it->second.size() ? it->second.recnos[size_t(i)] : 0;
}

int64_t CdxTag::count(const std::string& low, const std::string& high) {
  Impl& t = *impl_;
  return guarded(int64_t(0), [&] {
    Scope s(*t.tree.f, false);
    if (t.gone) return int64_t(0);
    Tree& tree = t.tree;
    const size_t L = size_t(t.info.keyLength);
    std::string_view lo(low), hi(high);
    if (lo.size() > L) lo = lo.substr(0, L);
    if (hi.size() > L) hi = hi.substr(0, L);
    Tree::Path path;
    tree.descendPrefix(lo, path);
    uint32_t off = path.back().off;
    int i = path.back().idx;
    int64_t total = 0;
    std::string lastKey;
    uint32_t lastRec = 0;
    bool have = false;
    while (tree.forward(off, i, have ? &lastKey : nullptr, lastRec)) {
      Node& n = tree.node(off);
      if (hi.empty() || comparePrefix(n.key(n.size() - 1), hi) <= 0) {
        total += n.size() - i;
        lastKey.assign(n.key(n.size() - 1));
        lastRec = n.recnos.back();
        have = true;
        i = n.size();
        continue;
      }
      int lo2 = i, hi2 = n.size();
      while (lo2 < hi2) {
        int mid = (lo2 + hi2) / 2;
        if (comparePrefix(n.key(mid), hi) <= 0)
          lo2 = mid + 1;
        else
          hi2 = mid;
      }
      total += lo2 - i;
      break;
    }
    return total;
  });
}

}  // namespace xb::engine
