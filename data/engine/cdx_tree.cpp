// Compound index files: the B+-tree operations of one tag (or of the
// directory): descents, walks along the leaf chain, inserts with splits,
// removals with merges.
//
// INVARIANTS (what check() verifies)
//   - entries ascend by (key bytes, record number) within and across leaves;
//     a unique tag holds no key twice;
//   - every interior entry is at or above the greatest entry of its child
//     and below the smallest entry of the next child. The tree code sets it
//     to its child's greatest whenever it changes the child; only a change
//     stopped between the writes of a page and of its parent leaves it
//     above, and the next change of that child makes it exact again. A
//     descent takes the first child whose entry is at or above what it
//     looks for, which finds every entry in either state;
//   - all leaves are at one depth; the pages of one level are chained left
//     to right by their sibling pointers, -1 at both ends;
//   - only the root carries the root bit; no page serves twice; free pages
//     are in the file, aligned, and used by no tree.
//
// Every page reached is checked as it is decoded (cdx_page.cpp) and every
// walk along a chain checks the order of its entries, so a damaged file
// gives a run-time error naming it, never a crash, a loop or a silently
// short walk.
//
// WRITE ORDER. A non-splitting insert writes its tag header's counter and
// its leaf; when it becomes the greatest entry of its leaf (every append of
// codes in ascending order), also each parent whose greatest entry it
// becomes, and those first, from the root down, the leaf last: a process
// stopped between them leaves parent entries at the new entry, above the
// greatest entry their child holds on disk and below the next child's
// smallest, which is the looser state above. A removal that lowers the
// greatest entry of its leaf writes the leaf first and then the parents,
// for the same reason. Splits, merges and new roots go through the journal
// (see the write order at the top of cdx_file.cpp), so this costs no page
// write: one append still changes the leaf and at most the parents above it.
#include <algorithm>
#include <cstring>
#include <limits>
#include <unordered_set>

#include "data/engine/cdx_internal.h"
#include "xbase/error.h"

namespace xb::engine {

using namespace cdx;

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

}  // namespace cdx

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
    bad("la hoja " + std::to_string(off) + " está desordenada");
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
    if (!n.leaf) bad("la página " + std::to_string(off) + " de la cadena de hojas no es una hoja");
    // Only a root leaf (an empty tree) is ever left without entries.
    if (n.size() == 0 && off != hdr.root) bad("la hoja " + std::to_string(off) + " está vacía");
    if (idx < n.size()) {
      if (haveLast && compareEntry(n.key(idx), n.recnos[size_t(idx)], lastKey, lastRec) <= 0)
        bad("la hoja " + std::to_string(off) + " está desordenada (¿un ciclo?)");
      return true;
    }
    if (n.size() > 0) {
      lastKey.assign(n.key(n.size() - 1));
      lastRec = n.recnos.back();
      haveLast = true;
    }
    if (n.right == kNone) {
      checkChainEnd(off, true);
      return false;
    }
    if (--steps == 0) bad("la cadena de hojas es más larga que el archivo (un ciclo)");
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
    if (!n.leaf) bad("la página " + std::to_string(off) + " de la cadena de hojas no es una hoja");
    // Only a root leaf (an empty tree) is ever left without entries.
    if (n.size() == 0 && off != hdr.root) bad("la hoja " + std::to_string(off) + " está vacía");
    if (idx >= n.size()) idx = n.size() - 1;
    if (idx >= 0) {
      if (haveLast && compareEntry(n.key(idx), n.recnos[size_t(idx)], lastKey, lastRec) >= 0)
        bad("la hoja " + std::to_string(off) + " está desordenada (¿un ciclo?)");
      return true;
    }
    if (n.left == kNone) {
      checkChainEnd(off, false);
      return false;
    }
    if (--steps == 0) bad("la cadena de hojas es más larga que el archivo (un ciclo)");
    off = n.left;
    idx = std::numeric_limits<int>::max();
    checkSpan(off);
  }
}

// A walk that reaches the end of the leaf chain must stand on the tree's
// last (or first) leaf: a chain cut short would otherwise end the walk
// early, silently.
void Tree::checkChainEnd(uint32_t off, bool last) {
  Path path;
  descend(path, [last](const Node&, int) { return last; }, last);
  if (path.back().off != off)
    bad("la cadena de hojas termina en la página " + std::to_string(off) + " y no en la " +
        (last ? "última" : "primera") + " hoja, " + std::to_string(path.back().off));
}

bool Tree::insert(std::string_view key, uint32_t recno) {
  if (key.size() != size_t(keyLength())) bad("clave de " + std::to_string(key.size()) + " bytes para un árbol de " + std::to_string(keyLength()));
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
  f->inserted = true;
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
    if (!fits(*n, fill) || !fits(r, fill)) bad("la página " + std::to_string(off) + " no se puede partir");
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
  if (key.size() != size_t(keyLength())) bad("clave de " + std::to_string(key.size()) + " bytes para un árbol de " + std::to_string(keyLength()));
  Path path;
  descendEntry(key, recno, path);
  Step leaf = path.back();
  {
    Node& n = node(leaf.off);
    if (leaf.idx >= n.size() || compareEntry(n.key(leaf.idx), n.recnos[size_t(leaf.idx)], key, recno) != 0)
      return false;
  }
  mut(leaf.off).erase(leaf.idx);
  f->removed = true;
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
    if (a.right != bOff || b.left != aOff || a.leaf != b.leaf) bad("los enlaces de la página " + std::to_string(aOff) + " no concuerdan con su padre");
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
      if (!seen.insert(off).second) bad("la página " + std::to_string(off) + " se alcanza dos veces");
      out.push_back(off);
      Node& n = node(off);
      if (!n.leaf) next.insert(next.end(), n.children.begin(), n.children.end());
    }
    level = std::move(next);
  }
  if (!level.empty()) bad("árbol de más de " + std::to_string(kMaxDepth) + " niveles (¿un ciclo?)");
  return out;
}

// ---------------------------------------------------------------------------
// CdxTag's changes.

bool CdxTag::insert(const IndexEntry& e) {
  Impl& t = *impl_;
  CdxFile::Impl& f = *t.tree.f;
  return guarded(false, [&] {
    Scope s(f, true);
    if (t.gone) fail(f.path, kGenNoOrder, "la etiqueta " + t.info.name + " ya no existe en " + shortName(f.path));
    if (e.key.size() != size_t(t.info.keyLength))
      fail(f.path, kGenArgument, "clave de longitud distinta para la etiqueta " + t.info.name + " de " + shortName(f.path));
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
    if (t.gone) fail(f.path, kGenNoOrder, "la etiqueta " + t.info.name + " ya no existe en " + shortName(f.path));
    if (e.key.size() != size_t(t.info.keyLength)) return false;
    bool done = t.tree.remove(e.key, e.recno);
    s.commit();
    return done;
  });
}

}  // namespace xb::engine
