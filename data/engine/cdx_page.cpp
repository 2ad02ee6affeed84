// Tree pages of a compound index (.cdx), 512 bytes each, and their
// conversion from and to Nodes. Integers are little-endian unless marked BE;
// page pointers are byte offsets in the file, 0xFFFFFFFF meaning none.
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
// Decoding trusts nothing: entry counts, bit widths and the stored part of
// every key are checked against the page and the key length before any
// byte is copied.
#include "data/engine/cdx_page.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "data/engine/byte_order.h"

namespace xb::engine::cdx {

namespace {

uint64_t mask64(int bits) { return bits >= 64 ? ~uint64_t(0) : (uint64_t(1) << bits) - 1; }

}  // namespace

void Node::insert(int i, std::string_view key, uint32_t recno, uint32_t child) {
  keys.insert(size_t(i) * size_t(keyLength), key.data(), size_t(keyLength));
  recnos.insert(recnos.begin() + i, recno);
  if (!leaf) children.insert(children.begin() + i, child);
}

void Node::erase(int i) {
  keys.erase(size_t(i) * size_t(keyLength), size_t(keyLength));
  recnos.erase(recnos.begin() + i);
  if (!leaf) children.erase(children.begin() + i);
}

void Node::setEntry(int i, std::string_view key, uint32_t recno) {
  keys.replace(size_t(i) * size_t(keyLength), size_t(keyLength), key.data(), size_t(keyLength));
  recnos[size_t(i)] = recno;
}

void Node::moveTail(int from, Node& to) {
  size_t at = size_t(from) * size_t(keyLength);
  to.keys.append(keys, at, std::string::npos);
  keys.erase(at);
  to.recnos.insert(to.recnos.end(), recnos.begin() + from, recnos.end());
  recnos.erase(recnos.begin() + from, recnos.end());
  if (!leaf) {
    to.children.insert(to.children.end(), children.begin() + from, children.end());
    children.erase(children.begin() + from, children.end());
  }
}

int trailingCount(std::string_view key, uint8_t fill) {
  int t = 0;
  for (size_t i = key.size(); i > 0 && uint8_t(key[i - 1]) == fill; --i) ++t;
  return t;
}

int duplicateCount(std::string_view prev, std::string_view key, int trail) {
  int limit = int(key.size()) - trail;
  int d = 0;
  while (d < limit && prev[size_t(d)] == key[size_t(d)]) ++d;
  return d;
}

LeafWidths leafWidths(int keyLength, uint32_t maxRecno) {
  LeafWidths w{};
  w.dupBits = w.trailBits = std::bit_width(unsigned(keyLength));
  int need = std::max(1, int(std::bit_width(maxRecno)));
  w.bytes = (need + w.dupBits + w.trailBits + 7) / 8;
  w.recBits = std::min(32, w.bytes * 8 - w.dupBits - w.trailBits);
  return w;
}

int leafBytes(const Node& n, uint8_t fill, int from, int to) {
  if (to <= from) return 0;
  int sum = 0;
  uint32_t maxRec = 0;
  for (int i = from; i < to; ++i) {
    std::string_view k = n.key(i);
    int t = trailingCount(k, fill);
    int d = i == from ? 0 : duplicateCount(n.key(i - 1), k, t);
    sum += n.keyLength - t - d;
    maxRec = std::max(maxRec, n.recnos[size_t(i)]);
  }
  return sum + (to - from) * leafWidths(n.keyLength, maxRec).bytes;
}

bool fits(const Node& n, uint8_t fill) {
  if (n.leaf) return leafBytes(n, fill, 0, n.size()) <= kLeafSpace;
  return n.size() <= interiorCapacity(n.keyLength);
}

std::string decodePage(const uint8_t* page, int keyLength, uint8_t fill, Node& out) {
  out = Node{};
  out.keyLength = keyLength;
  uint16_t attr = le16(page);
  if (attr > 3) return "atributos de página desconocidos " + std::to_string(attr);
  out.leaf = (attr & kAttrLeaf) != 0;
  out.root = (attr & kAttrRoot) != 0;
  int n = le16(page + 2);
  out.left = le32(page + 4);
  out.right = le32(page + 8);
  const size_t L = size_t(keyLength);
  if (!out.leaf) {
    if (n > interiorCapacity(keyLength)) return "la página interior dice tener " + std::to_string(n) + " entradas";
    out.keys.reserve(size_t(n) * L);
    out.recnos.reserve(size_t(n));
    out.children.reserve(size_t(n));
    for (int i = 0; i < n; ++i) {
      const uint8_t* e = page + 12 + size_t(i) * (L + 8);
      out.keys.append(reinterpret_cast<const char*>(e), L);
      out.recnos.push_back(be32(e + L));
      out.children.push_back(be32(e + L + 4));
    }
    return {};
  }
  uint32_t recMask = le32(page + 14);
  int recBits = page[20], dupBits = page[21], trailBits = page[22], bytes = page[23];
  (void)recMask;
  if (bytes < 1 || bytes > 8 || recBits < 1 || recBits > 32 || dupBits > 16 || trailBits > 16 ||
      recBits + dupBits + trailBits > bytes * 8)
    return "los anchos de bits de la hoja no caben (" + std::to_string(recBits) + "/" + std::to_string(dupBits) + "/" +
           std::to_string(trailBits) + " bits en " + std::to_string(bytes) + " bytes)";
  if (size_t(n) * size_t(bytes) > size_t(kLeafSpace)) return "la hoja dice tener " + std::to_string(n) + " entradas";
  const int packedEnd = 24 + n * bytes;
  out.keys.reserve(size_t(n) * L);
  out.recnos.reserve(size_t(n));
  int pos = int(kPageSize);
  const char* prev = nullptr;
  for (int i = 0; i < n; ++i) {
    const uint8_t* e = page + 24 + size_t(i) * size_t(bytes);
    uint64_t v = 0;
    for (int b = bytes - 1; b >= 0; --b) v = (v << 8) | e[b];
    uint32_t rec = uint32_t(v & mask64(recBits));
    int dup = int((v >> recBits) & mask64(dupBits));
    int trail = int((v >> (recBits + dupBits)) & mask64(trailBits));
    if (dup + trail > keyLength) return "la entrada " + std::to_string(i) + " de la hoja pasa de la longitud de clave";
    if (i == 0 && dup != 0) return "la primera entrada de la hoja comparte bytes con una clave que no hay";
    int stored = keyLength - dup - trail;
    pos -= stored;
    if (pos < packedEnd) return "las claves de la hoja pisan sus entradas";
    size_t at = out.keys.size();
    if (dup > 0) out.keys.append(prev, size_t(dup));
    out.keys.append(reinterpret_cast<const char*>(page + pos), size_t(stored));
    out.keys.append(size_t(trail), char(fill));
    prev = out.keys.data() + at;
    out.recnos.push_back(rec);
  }
  return {};
}

bool encodePage(const Node& n, uint8_t fill, uint8_t* page) {
  std::memset(page, 0, kPageSize);
  uint16_t attr = uint16_t((n.leaf ? kAttrLeaf : 0) | (n.root ? kAttrRoot : 0));
  putLe16(page, attr);
  putLe16(page + 2, uint16_t(n.size()));
  putLe32(page + 4, n.left);
  putLe32(page + 8, n.right);
  const size_t L = size_t(n.keyLength);
  if (!n.leaf) {
    if (n.size() > interiorCapacity(n.keyLength)) return false;
    for (int i = 0; i < n.size(); ++i) {
      uint8_t* e = page + 12 + size_t(i) * (L + 8);
      std::memcpy(e, n.key(i).data(), L);
      putBe32(e + L, n.recnos[size_t(i)]);
      putBe32(e + L + 4, n.children[size_t(i)]);
    }
    return true;
  }
  uint32_t maxRec = 0;
  for (uint32_t r : n.recnos) maxRec = std::max(maxRec, r);
  LeafWidths w = leafWidths(n.keyLength, maxRec);
  int packedEnd = 24 + n.size() * w.bytes;
  if (packedEnd > int(kPageSize)) return false;
  int pos = int(kPageSize);
  for (int i = 0; i < n.size(); ++i) {
    std::string_view k = n.key(i);
    int t = trailingCount(k, fill);
    int d = i == 0 ? 0 : duplicateCount(n.key(i - 1), k, t);
    int stored = n.keyLength - t - d;
    pos -= stored;
    if (pos < packedEnd) return false;
    std::memcpy(page + pos, k.data() + d, size_t(stored));
    uint64_t v = uint64_t(n.recnos[size_t(i)]) | uint64_t(d) << w.recBits | uint64_t(t) << (w.recBits + w.dupBits);
    uint8_t* e = page + 24 + size_t(i) * size_t(w.bytes);
    for (int b = 0; b < w.bytes; ++b) e[b] = uint8_t(v >> (8 * b));
  }
  putLe16(page + 12, uint16_t(pos - packedEnd));
  putLe32(page + 14, uint32_t(mask64(w.recBits)));
  page[18] = uint8_t(mask64(w.dupBits));
  page[19] = uint8_t(mask64(w.trailBits));
  page[20] = uint8_t(w.recBits);
  page[21] = uint8_t(w.dupBits);
  page[22] = uint8_t(w.trailBits);
  page[23] = uint8_t(w.bytes);
  return true;
}

int LeafPacker::stored(std::string_view key) const {
  int t = trailingCount(key, fill_);
  int d = count_ == 0 ? 0 : duplicateCount(last_, key, t);
  return keyLength_ - t - d;
}

bool LeafPacker::fitsWith(std::string_view key, uint32_t recno) const {
  int bytes = leafWidths(keyLength_, std::max(maxRecno_, recno)).bytes;
  return count_ == 0 || (count_ + 1) * bytes + storedSum_ + stored(key) <= space_;
}

void LeafPacker::add(std::string_view key, uint32_t recno) {
  storedSum_ += stored(key);
  maxRecno_ = std::max(maxRecno_, recno);
  last_.assign(key);
  ++count_;
}

void LeafPacker::clear() {
  count_ = 0;
  storedSum_ = 0;
  maxRecno_ = 0;
  last_.clear();
}

}  // namespace xb::engine::cdx
