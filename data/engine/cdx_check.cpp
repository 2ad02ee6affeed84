// The consistency checker of compound index files: reads the file as it is
// on disk, trusting nothing, and lists every broken invariant (see the
// format notes at the top of cdx_file.cpp and cdx_page.cpp).
#include <unordered_map>

#include "data/engine/cdx_internal.h"

namespace xb::engine::cdx {

namespace {

constexpr size_t kMaxProblems = 100;

class Checker {
 public:
  Checker(const File& file, const std::function<uint8_t(const std::string&)>& fillOf)
      : file_(file), fillOf_(fillOf) {}

  std::vector<std::string> run() {
    int64_t sz = file_.size();
    if (sz < 0) return {"file cannot be read"};
    size_ = uint64_t(sz);
    if (size_ % kPageSize != 0) problem("file size " + std::to_string(size_) + " is not a whole number of pages");
    Header dir;
    if (!readHeader(0, dir, "directory")) return out_;
    std::vector<std::pair<std::string, uint32_t>> tags;
    checkTree("directory", dir, 0x20, true, &tags);
    std::unordered_map<std::string, int> names;
    for (auto& [key, off] : tags) {
      std::string name = tagNameOf(key);
      if (name.empty()) problem("directory: empty tag name");
      if (++names[name] > 1) problem("directory: tag " + name + " listed twice");
      Header h;
      if (!readHeader(off, h, "tag " + name)) continue;
      checkTree("tag " + name, h, fillOf_(name), (h.options & kOptUnique) != 0, nullptr);
    }
    checkFreeList(dir.freeHead);
    return out_;
  }

 private:
  void problem(const std::string& text) {
    if (out_.size() < kMaxProblems) out_.push_back(text);
  }

  bool pageOk(uint32_t off, uint32_t len, const std::string& what) {
    if (off == kNone || off % kPageSize != 0 || uint64_t(off) + len > size_) {
      problem(what + ": page pointer " + std::to_string(off) + " outside the file or not page-aligned");
      return false;
    }
    return true;
  }

  bool claim(uint32_t off, const std::string& what) {
    if (!used_.insert(off).second) {
      problem(what + ": page " + std::to_string(off) + " serves twice");
      return false;
    }
    return true;
  }

  bool readHeader(uint32_t off, Header& h, const std::string& what) {
    if (!pageOk(off, kHeaderSize, what + " header")) return false;
    if (!claim(off, what + " header") || !claim(off + kPageSize, what + " header")) return false;
    uint8_t raw[kHeaderSize];
    if (file_.readAt(off, raw, kHeaderSize) != long(kHeaderSize)) {
      problem(what + ": header cannot be read");
      return false;
    }
    std::string err = parseHeader(raw, h);
    if (!err.empty()) {
      problem(what + ": " + err);
      return false;
    }
    return true;
  }

  bool readNode(uint32_t off, int keyLength, uint8_t fill, Node& n, const std::string& what) {
    if (!pageOk(off, kPageSize, what) || off < kHeaderSize) return false;
    if (!claim(off, what)) return false;
    uint8_t page[kPageSize];
    if (file_.readAt(off, page, kPageSize) != long(kPageSize)) {
      problem(what + ": page " + std::to_string(off) + " cannot be read");
      return false;
    }
    std::string err = decodePage(page, keyLength, fill, n);
    if (!err.empty()) {
      problem(what + ": page " + std::to_string(off) + ": " + err);
      return false;
    }
    return true;
  }

  void checkTree(const std::string& what, const Header& h, uint8_t fill, bool unique,
                 std::vector<std::pair<std::string, uint32_t>>* entries) {
    const int L = h.keyLength;
    // The bounds a page's entries must keep, from its parent: above the
    // parent entry before its own (when there is one) and at or below its
    // own. Its own parent entry may stand above the page's greatest entry:
    // a change stopped between the writes of a page and its parent's
    // leaves that, and descents still find every entry.
    struct Expect {
      std::string key;
      uint32_t recno;
      bool hasLow = false;
      std::string lowKey;
      uint32_t lowRecno = 0;
    };
    std::unordered_map<uint32_t, Expect> expect;
    std::vector<uint32_t> level{h.root};
    std::string lastKey;
    uint32_t lastRec = 0;
    bool haveLast = false;
    for (int depth = 0; !level.empty(); ++depth) {
      if (depth >= kMaxDepth) {
        problem(what + ": tree deeper than " + std::to_string(kMaxDepth) + " levels");
        return;
      }
      std::vector<uint32_t> next;
      int leaves = 0;
      for (size_t i = 0; i < level.size(); ++i) {
        uint32_t off = level[i];
        std::string at = what + ": page " + std::to_string(off);
        Node n;
        if (!readNode(off, L, fill, n, what)) return;
        leaves += n.leaf ? 1 : 0;
        if (n.root != (depth == 0)) problem(at + ": root bit " + (n.root ? "set" : "missing"));
        uint32_t wantLeft = i > 0 ? level[i - 1] : kNone;
        uint32_t wantRight = i + 1 < level.size() ? level[i + 1] : kNone;
        if (n.left != wantLeft) problem(at + ": left sibling " + std::to_string(n.left) + ", expected " + std::to_string(wantLeft));
        if (n.right != wantRight) problem(at + ": right sibling " + std::to_string(n.right) + ", expected " + std::to_string(wantRight));
        if (n.size() == 0 && depth > 0) problem(at + ": empty page");
        if (!n.leaf && n.size() == 0) problem(at + ": empty interior page");
        for (int k = 1; k < n.size(); ++k) {
          int c = compareEntry(n.key(k - 1), n.recnos[size_t(k - 1)], n.key(k), n.recnos[size_t(k)]);
          if (c >= 0) problem(at + ": entries " + std::to_string(k - 1) + " and " + std::to_string(k) + " out of order");
          if (n.leaf && unique && n.key(k - 1) == n.key(k)) problem(at + ": key repeated in a unique tag");
        }
        const Expect* bounds = nullptr;
        if (auto it = expect.find(off); it != expect.end()) bounds = &it->second;
        if (bounds && n.size() > 0) {
          if (compareEntry(bounds->key, bounds->recno, n.key(n.size() - 1), n.recnos.back()) < 0)
            problem(at + ": parent key below the page's greatest entry");
          if (bounds->hasLow && compareEntry(bounds->lowKey, bounds->lowRecno, n.key(0), n.recnos[0]) >= 0)
            problem(at + ": first entry not above the parent key of the page before it");
        }
        if (n.leaf) {
          if (n.size() > 0) {
            if (haveLast) {
              int c = compareEntry(lastKey, lastRec, n.key(0), n.recnos[0]);
              if (c >= 0) problem(at + ": first entry not above the previous page's last");
              if (unique && lastKey == n.key(0)) problem(at + ": key repeated in a unique tag");
            }
            lastKey.assign(n.key(n.size() - 1));
            lastRec = n.recnos.back();
            haveLast = true;
          }
          if (entries)
            for (int k = 0; k < n.size(); ++k) entries->emplace_back(std::string(n.key(k)), n.recnos[size_t(k)]);
        } else {
          for (int k = 0; k < n.size(); ++k) {
            Expect e{std::string(n.key(k)), n.recnos[size_t(k)]};
            if (k > 0) {
              e.hasLow = true;
              e.lowKey.assign(n.key(k - 1));
              e.lowRecno = n.recnos[size_t(k) - 1];
            } else if (bounds) {
              e.hasLow = bounds->hasLow;
              e.lowKey = bounds->lowKey;
              e.lowRecno = bounds->lowRecno;
            }
            expect[n.children[size_t(k)]] = std::move(e);
            next.push_back(n.children[size_t(k)]);
          }
        }
      }
      if (leaves != 0 && leaves != int(level.size())) {
        problem(what + ": leaves and interior pages mixed on level " + std::to_string(depth));
        return;
      }
      level = std::move(next);
    }
  }

  void checkFreeList(uint32_t head) {
    uint64_t steps = size_ / kPageSize + 1;
    for (uint32_t off = head; off != kNone;) {
      if (steps-- == 0) {
        problem("free-page list longer than the file (cycle)");
        return;
      }
      if (!pageOk(off, kPageSize, "free-page list") || off < kHeaderSize) return;
      if (!claim(off, "free-page list")) return;
      uint8_t page[kPageSize];
      if (file_.readAt(off, page, kPageSize) != long(kPageSize)) {
        problem("free-page list: page " + std::to_string(off) + " cannot be read");
        return;
      }
      off = uint32_t(page[0]) | uint32_t(page[1]) << 8 | uint32_t(page[2]) << 16 | uint32_t(page[3]) << 24;
    }
  }

  const File& file_;
  const std::function<uint8_t(const std::string&)>& fillOf_;
  uint64_t size_ = 0;
  std::unordered_set<uint32_t> used_;
  std::vector<std::string> out_;
};

}  // namespace

std::vector<std::string> checkFile(const File& file, const std::function<uint8_t(const std::string&)>& fillOf) {
  return Checker(file, fillOf).run();
}

}  // namespace xb::engine::cdx
