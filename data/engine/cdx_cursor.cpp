// Compound index files: the cursor of a tag. It remembers the entry it
// stands on (key and record number), so that it survives changes made
// meanwhile by this or another process: a step finds that entry again
// (O(log n) cached pages) when the tree changed since the last one.
#include <limits>

#include "data/engine/cdx_internal.h"

namespace xb::engine {

using namespace cdx;

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
        if (n.left == kNone) {
          t.tree.checkChainEnd(off, false);
          return t.valid = false;
        }
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
