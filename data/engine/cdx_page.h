// The two kinds of tree page of a compound index (.cdx) as plain data, and
// their conversion from and to the 512-byte on-disk form. Pure functions:
// no files, no errors raised; a damaged page is reported as a text. The byte
// layout is described at the top of cdx_page.cpp.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace xb::engine::cdx {

constexpr uint32_t kPageSize = 512;
constexpr uint32_t kNone = 0xFFFFFFFFu;
// Bytes of a leaf page left for packed entries and key bytes.
constexpr int kLeafSpace = int(kPageSize) - 24;
// Bytes of an interior page left for entries.
constexpr int kInteriorSpace = int(kPageSize) - 12;

constexpr uint16_t kAttrRoot = 0x01;
constexpr uint16_t kAttrLeaf = 0x02;

// Entries an interior page holds for this key length.
inline int interiorCapacity(int keyLength) { return kInteriorSpace / (keyLength + 8); }

// One tree page decoded: entries in order, each keyLength bytes of key and a
// record number; interior pages also hold one child page offset per entry.
struct Node {
  bool leaf = true;
  bool root = false;
  uint32_t left = kNone;
  uint32_t right = kNone;
  int keyLength = 0;
  std::string keys;  // size() * keyLength bytes
  std::vector<uint32_t> recnos;
  std::vector<uint32_t> children;  // interior pages only

  int size() const { return int(recnos.size()); }
  std::string_view key(int i) const {
    return std::string_view(keys).substr(size_t(i) * size_t(keyLength), size_t(keyLength));
  }
  void insert(int i, std::string_view key, uint32_t recno, uint32_t child = kNone);
  void erase(int i);
  void setEntry(int i, std::string_view key, uint32_t recno);
  // Moves entries [from, size()) to the end of `to`.
  void moveTail(int from, Node& to);
};

// Decodes `page` (kPageSize bytes). Returns an empty text on success, else
// what is wrong with the page.
std::string decodePage(const uint8_t* page, int keyLength, uint8_t fill, Node& out);

// Bytes a leaf holding entries [from, to) of `n` needs for its packed
// entries and stored key bytes (at most kLeafSpace for it to fit).
int leafBytes(const Node& n, uint8_t fill, int from, int to);

// Whether the node fits one page.
bool fits(const Node& n, uint8_t fill);

// Encodes `n` into `page` (kPageSize bytes); false when it does not fit.
bool encodePage(const Node& n, uint8_t fill, uint8_t* page);

// Incremental packing of sorted entries into leaves, for bulk builds: each
// leaf is filled up to `space` bytes (at most kLeafSpace; less leaves room
// for later inserts).
class LeafPacker {
 public:
  LeafPacker(int keyLength, uint8_t fill, int space) : keyLength_(keyLength), fill_(fill), space_(space) {}
  // Whether one more entry still fits in the current leaf.
  bool fitsWith(std::string_view key, uint32_t recno) const;
  void add(std::string_view key, uint32_t recno);
  void clear();
  int count() const { return count_; }

 private:
  int stored(std::string_view key) const;
  int keyLength_;
  uint8_t fill_;
  int space_;
  int count_ = 0;
  int storedSum_ = 0;
  uint32_t maxRecno_ = 0;
  std::string last_;
};

// Bit widths and bytes per entry chosen for a leaf whose greatest record
// number is `maxRecno`.
struct LeafWidths {
  int recBits, dupBits, trailBits, bytes;
};
LeafWidths leafWidths(int keyLength, uint32_t maxRecno);

// Number of trailing `fill` bytes of `key`.
int trailingCount(std::string_view key, uint8_t fill);
// Leading bytes `key` shares with `prev`, limited so that the shared part
// and the trailing fill do not overlap.
int duplicateCount(std::string_view prev, std::string_view key, int trail);

}  // namespace xb::engine::cdx
