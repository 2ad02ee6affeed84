// A FoxPro-style compound index file (.cdx): any number of tags, each a
// B+-tree of (key bytes, record number) entries in 512-byte pages, and a
// directory of the tags. Keys compare as unsigned bytes, then by record
// number. This layer knows nothing of tables or expressions: callers hand it
// encoded keys (see index_key.h) and record numbers.
//
// The header layout, the lock layout, the change counter and the write order
// are described at the top of cdx_file.cpp, the page layout at the top of
// cdx_page.cpp.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace xb::engine {

// The longest key in bytes: a compact index page must hold two of them.
inline constexpr int kMaxKeyLength = 240;

struct TagInfo {
  std::string name;     // upper case, at most 10 characters
  std::string keyExpr;  // stored in the file
  std::string forExpr;  // empty: no condition
  bool unique = false;
  bool descending = false;
  int keyLength = 0;  // bytes
  // Fill byte of the key's trailing bytes: 0x20 for character keys, 0x00
  // for numeric and date keys (not stored in the file; the caller knows it
  // from the key expression's type).
  uint8_t fill = 0x20;
};

struct IndexEntry {
  std::string key;  // exactly keyLength bytes
  uint32_t recno = 0;
};

class CdxTag;

// Entries whose keys all have one length, kept in one buffer: what building
// a tag over many rows collects, without an allocation per entry.
class EntryList {
 public:
  explicit EntryList(int keyLength) : keyLength_(keyLength) {}
  int keyLength() const { return keyLength_; }
  size_t size() const { return recnos_.size(); }
  void reserve(size_t n);
  // `key` must be exactly keyLength() bytes (a shorter one is padded with
  // blanks, a longer one cut).
  void add(std::string_view key, uint32_t recno);
  // Lengthens every key to `keyLength` bytes, padded with blanks (character
  // keys only).
  void widen(int keyLength);
  std::string_view key(size_t i) const { return std::string_view(keys_).substr(i * size_t(keyLength_), size_t(keyLength_)); }
  uint32_t recno(size_t i) const { return recnos_[i]; }
  // Sorts by key bytes (unsigned), then record number: the order
  // CdxFile::buildTag wants.
  void sort();

 private:
  int keyLength_;
  std::string keys_;
  std::vector<uint32_t> recnos_;
};

class CdxFile {
 public:
  // Opens an existing index file; damaged headers and pages are run-time
  // errors naming the file. Returns nullptr when the handler took the default.
  static std::unique_ptr<CdxFile> open(const std::string& path, bool writable);
  // Creates an empty compound index file (replacing any of that name).
  static std::unique_ptr<CdxFile> create(const std::string& path);
  ~CdxFile();

  const std::string& path() const;
  std::vector<TagInfo> tags();           // in directory order
  CdxTag* tag(const std::string& name);  // case-insensitive; nullptr when absent

  // Adds a tag (replacing one of the same name) filled from `entries`, which
  // must be sorted by key then record number; unique tags keep the first
  // entry of each key. Builds the leaves bottom-up.
  CdxTag* buildTag(const TagInfo& info, const EntryList& sortedEntries);
  CdxTag* buildTag(const TagInfo& info, const std::vector<IndexEntry>& sortedEntries);
  bool removeTag(const std::string& name);

  // Sharing: changes happen between beginWrite() and endWrite() under the
  // index's exclusive lock; reads between beginRead() and endRead() under a
  // shared one. Both re-read the change counters and drop cached pages that
  // another process made stale. A refused lock answers false. Calls nest;
  // every operation outside such a pair takes the lock it needs for its own
  // length (a refused one is a run-time error, generic code 41, that may be
  // retried). Each operation writes its changes before it returns.
  bool beginRead();
  void endRead();
  bool beginWrite();
  void endWrite();
  // How long beginRead/beginWrite (and the operations that lock for their
  // own length) keep trying a lock another process holds; readers and
  // writers hold it only for one operation or one batch. Default 1000 ms;
  // 0 tries once.
  void setLockWait(int milliseconds);

  // A change of one row's entries that takes several steps (its keys
  // changed, or it was deleted or recalled under a FOR condition): noted in
  // the file while it is made, so that a copy stopped in the middle leaves
  // the note behind and the next writer brings that row's entries in line
  // with the row as it stands (see cdx_row_change.cpp).
  struct RowChange {
    struct Keys {
      std::string tag;
      std::optional<std::string> before, after;  // the row's entry; none: no entry
    };
    uint32_t recno = 0;
    std::vector<Keys> keys;
    bool keysKnown = true;  // false: every entry naming recno is to be looked up
  };
  // Under beginWrite. A note that cannot be written is a run-time error
  // (false when the handler takes the default).
  bool noteRowChange(const RowChange& change);
  std::optional<RowChange> rowChangeLeft();
  void clearRowChange();
  // Without a lock: whether a note is there (another copy may be in the
  // middle of its change, or was stopped in it).
  bool mayHaveRowChangeLeft();

  // Writes what the system still holds of the file to the disk; false
  // when it could not.
  bool sync();

  // Full consistency check of the file as it is on disk: headers, page
  // bounds, order, sibling links, parent keys equal to their child's
  // greatest entry, one depth for all leaves, unique tags without repeated
  // keys, no page used twice, the free list. One text per fault; empty when
  // sound.
  std::vector<std::string> check();

  struct Impl;  // internal state, defined in cdx_internal.h

 private:
  explicit CdxFile(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
  friend class CdxTag;
};

// One tag. Positions are physical (ascending key order); descending tags are
// navigated from the other end by the caller.
class CdxTag {
 public:
  const TagInfo& info() const;
  // Sets the trailing fill byte of the tag's keys (TagInfo::fill), which
  // the file does not record: tags found in an existing file start with
  // 0x20 (character keys); numeric and date tags need 0x00 before use.
  void setFill(uint8_t fill);

  // O(log n) pages touched. Inserting an existing (key, recno) or removing
  // an absent one is a no-op returning false; so is inserting into a unique
  // tag a key it already holds (the entry that came first stays).
  bool insert(const IndexEntry& e);
  bool remove(const IndexEntry& e);

  // Cursor. seek() places it on the first entry whose key is >= `key`
  // (compared over key.size() bytes, so a shorter key finds a prefix) and
  // tells whether that entry's key starts with `key`. The cursor survives
  // changes made meanwhile (here or by another process): next() and prev()
  // move on from the entry it stood on, or from where that entry was.
  // Removing the tag, or rebuilding it through this handle, leaves it off
  // any entry.
  bool first();
  bool last();
  bool next();
  bool prev();
  bool seek(const std::string& key);
  bool valid() const;  // on an entry
  const IndexEntry& current() const;
  // The record number `ahead` entries after (negative: before) the cursor
  // within the page it is on, when that page is in memory; 0 otherwise. A
  // hint for reading rows ahead of a walk, never a read of the file.
  uint32_t recnoAhead(int ahead) const;

  // Number of entries whose key lies within [low, high] (prefix compare;
  // empty bound: open end).
  int64_t count(const std::string& low, const std::string& high);

  struct Impl;  // internal state, defined in cdx_internal.h

 private:
  friend class CdxFile;
  explicit CdxTag(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

}  // namespace xb::engine
