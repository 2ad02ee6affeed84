// Internal state of an open compound index file, shared by its parts:
// cdx_file.cpp (cache, locks, commit order), cdx_tree.cpp (tree
// operations), cdx_build.cpp (bulk builds), cdx_cursor.cpp (the cursor) and
// cdx_check.cpp (the consistency checker). Not part of the engine's
// interface.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "data/engine/cdx.h"
#include "data/engine/cdx_page.h"
#include "data/engine/os_file.h"
#include "xbase/error.h"

namespace xb::engine::cdx {

constexpr uint32_t kHeaderSize = 1024;
constexpr int kMaxDepth = 32;
constexpr int kTagNameLength = 10;
// The note of a row change in progress, in the directory header: bytes
// 20-501 (see cdx_row_change.cpp).
constexpr uint64_t kRowChangeNote = 20;
constexpr size_t kRowChangeNoteSize = 482;

// A tag header (and the directory's header), decoded; `raw` keeps the bytes
// this code does not interpret so that rewriting a header preserves them.
struct Header {
  std::array<uint8_t, kHeaderSize> raw{};
  uint32_t root = kNone;
  uint32_t freeHead = kNone;
  uint32_t counter = 0;
  int keyLength = 0;
  uint8_t options = 0;
  bool descending = false;
  std::string keyExpr;
  std::string forExpr;
};

constexpr uint8_t kOptUnique = 0x01;
constexpr uint8_t kOptFor = 0x08;
constexpr uint8_t kOptCompact = 0x20;
constexpr uint8_t kOptDirectory = 0x40;

// Decodes `raw` (kHeaderSize bytes); empty text on success, else the fault.
std::string parseHeader(const uint8_t* raw, Header& h);
// A fresh header for a tag (or the directory) with an empty tree.
Header newHeader(const TagInfo& info, bool directory);
// Writes root, free head and counter back into h.raw.
void patchHeader(Header& h);

// Three-way comparison of (key, recno) pairs over the key bytes.
int compareEntry(std::string_view ak, uint32_t ar, std::string_view bk, uint32_t br);
// Compares the first bound.size() bytes of `key` (at most key.size()) with
// `bound`.
int comparePrefix(std::string_view key, std::string_view bound);

// Name of a directory key: blanks and NULs cut off, upper case.
std::string tagNameOf(std::string_view key);
// The directory key of a tag name: upper case, blank-padded to 10 bytes.
std::string dirKey(const std::string& name);

// The file's own name, for descriptions (the error's filename field holds
// the full path).
std::string shortName(const std::string& path);

// Thrown after the error handler answered "default": the operation ends
// quietly with its fallback result (see guarded()).
struct Aborted {};

// Raises a run-time error (subsystem DBFCDX) about the index file `path`,
// then ends the operation with Aborted when the handler takes the default.
[[noreturn]] void fail(const std::string& path, int gen, const std::string& what, int os = 0);
// The same for a damaged file (generic code 32).
[[noreturn]] void corrupt(const std::string& path, const std::string& what);

// Runs one public operation: its result, or `fallback` when it was aborted.
template <class R, class F>
R guarded(R fallback, F&& f) {
  try {
    return f();
  } catch (const Aborted&) {
    return fallback;
  }
}

}  // namespace xb::engine::cdx

namespace xb::engine::cdx {

// Called before every write to an index file with its offset and length;
// tests install one that throws to stop a writer at any chosen write, as a
// killed process would stop. Empty: none.
using WriteObserver = std::function<void(uint64_t offset, size_t length)>;
void setWriteObserver(WriteObserver observer);

// Checks the whole file as it is on disk: headers, every tree, sibling
// links, parent keys, order, unique tags, the free list and that no page
// serves twice. `fillOf` gives the trailing fill byte of a tag by name.
// Returns one text per fault found; empty when sound.
std::vector<std::string> checkFile(const File& file, const std::function<uint8_t(const std::string&)>& fillOf);

}  // namespace xb::engine::cdx

namespace xb::engine {

using namespace cdx;

// ---------------------------------------------------------------------------
// One B+-tree: a tag's or the directory's.

struct Tree {
  CdxFile::Impl* f = nullptr;
  std::string label;  // "etiqueta NAME" or "directorio", for messages
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
  void checkChainEnd(uint32_t off, bool last);
  std::string walkKey;  // forward's and backward's last entry, kept to spare an allocation a step
  bool backward(uint32_t& off, int& idx, const std::string* beforeKey, uint32_t beforeRec);
  std::vector<uint32_t> allPages();
};

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
    if (n.size() == 0) bad("la página interior " + std::to_string(off) + " está vacía");
    if (lo == n.size()) lo = n.size() - 1;
    path.push_back({off, lo});
    off = n.children[size_t(lo)];
  }
  bad("árbol de más de " + std::to_string(kMaxDepth) + " niveles (¿un ciclo?)");
}

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
  // What the operation did to entries: an insert's pages are written
  // parents first, a removal's children first, both through the journal
  // (see the write order at the top of cdx_file.cpp).
  bool inserted = false;
  bool removed = false;
  // This handle wrote a row-change note or found one: clearRowChange writes.
  bool rowChangeMarked = false;
  // The directory header held a note when the lock was taken.
  bool rowChangeSeen = false;

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
  // Writes `writes` through the journal: the journal at the end of the
  // file, its mark in the directory header, the writes, the mark cleared,
  // the journal cut off.
  void writeJournaled(const std::vector<std::pair<uint64_t, std::string>>& writes);
  // Replays a journal a stopped writer left (the exclusive lock held);
  // true when there was one.
  bool recoverJournal();
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

}  // namespace xb::engine

namespace xb::engine::cdx {

// Holds the index lock for one operation unless the caller already holds
// a sufficient one; writes pending pages on commit() and throws them away
// when the operation ends early.
class Scope {
 public:
  Scope(CdxFile::Impl& f, bool write) : f_(f), write_(write) {
    if (write && !f.writable)
      fail(f.path, kGenReadonly, "el archivo de índice " + shortName(f.path) + " está abierto solo para lectura");
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

}  // namespace xb::engine::cdx
