// Compound index files: building a whole tag at once from sorted entries.
// The leaves are packed bottom-up, then each interior level, all in new
// pages written in large runs; then the tag's header, and only then does
// the directory name the tag (see the write order in cdx_file.cpp). Leaves
// are filled to 7/8 so that the first inserts after a build do not split
// every page they touch.
#include <algorithm>
#include <cstring>

#include "data/engine/cdx_internal.h"
#include "xbase/codepage.h"
#include "xbase/error.h"

namespace xb::engine {

using namespace cdx;

namespace {

constexpr int kBulkLeafSpace = kLeafSpace - kLeafSpace / 8;

}  // namespace

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
  const size_t L = size_t(keyLength_);
  keys_.append(key.data(), std::min(key.size(), L));
  if (key.size() < L) keys_.append(L - key.size(), ' ');
  recnos_.push_back(recno);
}

void EntryList::widen(int keyLength) {
  if (keyLength <= keyLength_) return;
  const size_t from = size_t(keyLength_), to = size_t(keyLength);
  std::string keys;
  keys.reserve(recnos_.capacity() * to);
  for (size_t i = 0; i < recnos_.size(); ++i) {
    keys.append(keys_, i * from, from);
    keys.append(to - from, ' ');
  }
  keys_ = std::move(keys);
  keyLength_ = keyLength;
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
  info.name = upper1252(info.name);
  auto argError = [&](const std::string& what) {
    fail(f.path, kGenArgument, "no se puede crear la etiqueta " + info.name + " en " + shortName(f.path) + ": " + what);
  };
  return guarded(static_cast<CdxTag*>(nullptr), [&]() -> CdxTag* {
    if (info.name.empty() || info.name.size() > size_t(kTagNameLength) ||
        info.name.find_first_of(" \0", 0, 2) != std::string::npos)
      argError("nombre de etiqueta no válido");
    if (info.keyLength < 1 || info.keyLength > kMaxKeyLength) argError("longitud de clave fuera de rango");
    if (info.keyExpr.size() + info.forExpr.size() + 2 > kHeaderSize - 512) argError("expresiones demasiado largas");
    const size_t L = size_t(info.keyLength);
    if (entries.keyLength() != info.keyLength) argError("clave de longitud distinta");
    for (size_t i = 1; i < entries.size(); ++i)
      if (compareEntry(entries.key(i - 1), entries.recno(i - 1), entries.key(i), entries.recno(i)) > 0)
        argError("entradas sin ordenar");
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
      if (!encodePage(cur, fill, page)) f.bad("una página no cabe");
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
        if (!encodePage(in, fill, page)) f.bad("una página no cabe");
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
      if (!f.dir.remove(dirKey(info.name), old.headerOff)) f.bad("la etiqueta " + info.name + " falta en el directorio");
    }
    if (!f.dir.insert(dirKey(info.name), headerOff)) f.bad("el directorio no admite la etiqueta " + info.name);
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

}  // namespace xb::engine
