// Damaged index files: every damage in the table must end in a run-time
// error naming the file, or in faults reported by the checker; never a
// crash, a hang or a huge allocation.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <functional>

#include "data/engine/cdx.h"
#include "data/engine/cdx_internal.h"
#include "data/engine/index_key.h"
#include "xbase/error.h"

namespace xb::engine {
namespace {

namespace fs = std::filesystem;
using cdx::kPageSize;

class CdxDamage : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("qv_cdx_damage_" + std::to_string(::getpid()));
    fs::create_directories(dir_);
    file_ = (dir_ / "d.cdx").string();
  }
  void TearDown() override { fs::remove_all(dir_); }
  fs::path dir_;
  std::string file_;
};

// Where things are in the sound file.
struct Layout {
  uint32_t dirRoot = 0;
  uint32_t tagHeader = 0;   // of tag T
  uint32_t uniqueHeader = 0;  // of tag U
  uint32_t tagRoot = 0;
  uint32_t interior = 0;   // an interior page below the root
  uint32_t firstLeaf = 0;
  uint32_t secondLeaf = 0;
  uint32_t uniqueLeaf = 0;
  uint32_t freePage = 0;  // head of the free list
};

uint32_t le32At(File& f, uint64_t off) {
  uint8_t b[4] = {};
  f.readAt(off, b, 4);
  return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
}

void putLe32At(File& f, uint64_t off, uint32_t v) {
  uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
  f.writeAt(off, b, 4);
}

void putByte(File& f, uint64_t off, uint8_t v) { f.writeAt(off, &v, 1); }
void putLe16At(File& f, uint64_t off, uint16_t v) {
  uint8_t b[2] = {uint8_t(v), uint8_t(v >> 8)};
  f.writeAt(off, b, 2);
}

cdx::Node readNode(File& f, uint32_t off, int keyLength, uint8_t fill = ' ') {
  uint8_t page[kPageSize];
  f.readAt(off, page, kPageSize);
  cdx::Node n;
  EXPECT_EQ(cdx::decodePage(page, keyLength, fill, n), "");
  return n;
}

void writeNode(File& f, uint32_t off, const cdx::Node& n, uint8_t fill = ' ') {
  uint8_t page[kPageSize];
  ASSERT_TRUE(cdx::encodePage(n, fill, page));
  f.writeAt(off, page, kPageSize);
}

std::string key10(uint32_t v) {
  std::string k = "K" + std::to_string(uint64_t(v) * 2654435761u % 1000000000u);
  k.resize(10, ' ');
  return k;
}

Layout makeSoundFile(const std::string& path) {
  auto f = CdxFile::create(path);
  std::vector<IndexEntry> entries;
  for (uint32_t r = 1; r <= 1500; ++r) entries.push_back({key10(r), r});
  std::sort(entries.begin(), entries.end(),
            [](auto& a, auto& b) { return std::tie(a.key, a.recno) < std::tie(b.key, b.recno); });
  f->buildTag({"T", "T", "", false, false, 10, 0x20}, entries);
  f->buildTag({"U", "U", "", true, false, 10, 0x20}, entries);
  f->buildTag({"GONE", "G", "", false, false, 10, 0x20}, entries);
  f->removeTag("GONE");  // leaves free pages
  EXPECT_TRUE(f->check().empty());
  f.reset();
  Layout l;
  auto raw = File::open(path, File::Mode::ReadWrite);
  l.dirRoot = le32At(*raw, 0);
  l.freePage = le32At(*raw, 4);
  cdx::Node dir = readNode(*raw, l.dirRoot, 10);
  for (int i = 0; i < dir.size(); ++i) {
    if (cdx::tagNameOf(dir.key(i)) == "T") l.tagHeader = dir.recnos[size_t(i)];
    if (cdx::tagNameOf(dir.key(i)) == "U") l.uniqueHeader = dir.recnos[size_t(i)];
  }
  l.tagRoot = le32At(*raw, l.tagHeader);
  cdx::Node n = readNode(*raw, l.tagRoot, 10);
  uint32_t off = l.tagRoot;
  while (!n.leaf) {
    if (off != l.tagRoot) l.interior = off;
    off = n.children[0];
    n = readNode(*raw, off, 10);
  }
  l.firstLeaf = off;
  l.secondLeaf = n.right;
  cdx::Node u = readNode(*raw, le32At(*raw, l.uniqueHeader), 10);
  uint32_t uoff = le32At(*raw, l.uniqueHeader);
  while (!u.leaf) {
    uoff = u.children[0];
    u = readNode(*raw, uoff, 10);
  }
  l.uniqueLeaf = uoff;
  EXPECT_NE(l.interior, 0u) << "the test wants a tree of three levels";
  EXPECT_NE(l.freePage, cdx::kNone);
  return l;
}

struct Damage {
  const char* name;
  std::function<void(File&, const Layout&)> apply;
};

const std::vector<Damage>& damages() {
  static const std::vector<Damage> table = {
      {"empty file", [](File& f, const Layout&) { f.truncate(0); }},
      {"cut inside the directory header", [](File& f, const Layout&) { f.truncate(100); }},
      {"cut after the directory root", [](File& f, const Layout&) { f.truncate(1536); }},
      {"cut in the middle", [](File& f, const Layout&) { f.truncate(uint64_t(f.size() / 2) | 7); }},
      {"directory root outside the file", [](File& f, const Layout&) { putLe32At(f, 0, 0xFFFFFE00); }},
      {"directory root not aligned", [](File& f, const Layout&) { putLe32At(f, 0, 1025); }},
      {"directory root is the header", [](File& f, const Layout&) { putLe32At(f, 0, 0); }},
      {"directory key length 0", [](File& f, const Layout&) { putLe16At(f, 12, 0); }},
      {"directory key length absurd", [](File& f, const Layout&) { putLe16At(f, 12, 60000); }},
      {"tag header outside the file",
       [](File& f, const Layout& l) {
         cdx::Node d = readNode(f, l.dirRoot, 10);
         d.recnos[0] = 0x7FFFFE00;
         writeNode(f, l.dirRoot, d);
       }},
      {"tag header not aligned",
       [](File& f, const Layout& l) {
         cdx::Node d = readNode(f, l.dirRoot, 10);
         d.recnos[0] = 1300;
         writeNode(f, l.dirRoot, d);
       }},
      {"tag key length 0", [](File& f, const Layout& l) { putLe16At(f, l.tagHeader + 12, 0); }},
      {"tag key length 300", [](File& f, const Layout& l) { putLe16At(f, l.tagHeader + 12, 300); }},
      {"tag key length changed", [](File& f, const Layout& l) { putLe16At(f, l.tagHeader + 12, 200); }},
      {"tag root outside the file", [](File& f, const Layout& l) { putLe32At(f, l.tagHeader, 0x10000000); }},
      {"tag root is a free page", [](File& f, const Layout& l) { putLe32At(f, l.tagHeader, l.freePage); }},
      {"tag root is the tag header", [](File& f, const Layout& l) { putLe32At(f, l.tagHeader, l.tagHeader); }},
      {"interior entry count absurd", [](File& f, const Layout& l) { putLe16At(f, l.tagRoot + 2, 0xFFFF); }},
      {"interior page empty", [](File& f, const Layout& l) { putLe16At(f, l.interior + 2, 0); }},
      {"interior child points to itself",
       [](File& f, const Layout& l) {
         cdx::Node n = readNode(f, l.interior, 10);
         n.children[0] = l.interior;
         writeNode(f, l.interior, n);
       }},
      {"interior child points to the root",
       [](File& f, const Layout& l) {
         cdx::Node n = readNode(f, l.interior, 10);
         n.children[1] = l.tagRoot;
         writeNode(f, l.interior, n);
       }},
      {"interior child not aligned",
       [](File& f, const Layout& l) {
         cdx::Node n = readNode(f, l.interior, 10);
         n.children[0] = l.firstLeaf + 3;
         writeNode(f, l.interior, n);
       }},
      {"interior key below its child's greatest",
       [](File& f, const Layout& l) {
         cdx::Node n = readNode(f, l.interior, 10);
         n.recnos[0] -= 1;
         writeNode(f, l.interior, n);
       }},
      {"interior key reaching the next child's smallest",
       [](File& f, const Layout& l) {
         cdx::Node n = readNode(f, l.interior, 10);
         cdx::Node next = readNode(f, n.children[1], 10);
         n.setEntry(0, next.key(0), next.recnos[0]);
         writeNode(f, l.interior, n);
       }},
      {"page attributes unknown", [](File& f, const Layout& l) { putLe16At(f, l.firstLeaf, 0x77); }},
      {"leaf marked interior", [](File& f, const Layout& l) { putLe16At(f, l.firstLeaf, 0); }},
      {"leaf entry count absurd", [](File& f, const Layout& l) { putLe16At(f, l.firstLeaf + 2, 0xFFFF); }},
      {"leaf entry count too high", [](File& f, const Layout& l) { putLe16At(f, l.firstLeaf + 2, 150); }},
      {"leaf bytes per entry 0", [](File& f, const Layout& l) { putByte(f, l.firstLeaf + 23, 0); }},
      {"leaf bytes per entry 9", [](File& f, const Layout& l) { putByte(f, l.firstLeaf + 23, 9); }},
      {"leaf record number bits 40", [](File& f, const Layout& l) { putByte(f, l.firstLeaf + 20, 40); }},
      {"leaf bit widths exceed the entry", [](File& f, const Layout& l) { putByte(f, l.firstLeaf + 21, 16); }},
      {"leaf counts exceed the key length",
       [](File& f, const Layout& l) {
         uint8_t ff[4] = {0xFF, 0xFF, 0xFF, 0xFF};
         f.writeAt(l.firstLeaf + 24, ff, 4);
       }},
      {"leaf page of garbage",
       [](File& f, const Layout& l) {
         uint8_t junk[kPageSize];
         std::memset(junk, 0xAB, sizeof junk);
         f.writeAt(l.secondLeaf, junk, sizeof junk);
       }},
      {"leaf page of zeros",
       [](File& f, const Layout& l) {
         uint8_t zero[kPageSize] = {};
         f.writeAt(l.secondLeaf, zero, sizeof zero);
       }},
      {"leaf sibling points to itself", [](File& f, const Layout& l) { putLe32At(f, l.firstLeaf + 8, l.firstLeaf); }},
      {"leaf siblings form a loop", [](File& f, const Layout& l) { putLe32At(f, l.secondLeaf + 8, l.firstLeaf); }},
      {"leaf sibling outside the file", [](File& f, const Layout& l) { putLe32At(f, l.firstLeaf + 8, 0x40000000); }},
      {"leaf left sibling wrong", [](File& f, const Layout& l) { putLe32At(f, l.secondLeaf + 4, l.tagRoot); }},
      {"leaf keys out of order",
       [](File& f, const Layout& l) {
         cdx::Node n = readNode(f, l.firstLeaf, 10);
         std::string a(n.key(0)), b(n.key(1));
         n.setEntry(0, b, n.recnos[0]);
         n.setEntry(1, a, n.recnos[1]);
         writeNode(f, l.firstLeaf, n);
       }},
      {"unique tag holds a key twice",
       [](File& f, const Layout& l) {
         cdx::Node n = readNode(f, l.uniqueLeaf, 10);
         n.setEntry(1, std::string(n.key(0)), n.recnos[1]);
         writeNode(f, l.uniqueLeaf, n);
       }},
      {"root bit on a leaf below the root", [](File& f, const Layout& l) { putLe16At(f, l.firstLeaf, 3); }},
      {"root bit missing", [](File& f, const Layout& l) { putLe16At(f, l.tagRoot, 0); }},
      {"free list head outside the file", [](File& f, const Layout&) { putLe32At(f, 4, 0x7FFFFE00); }},
      {"free list head not aligned", [](File& f, const Layout&) { putLe32At(f, 4, 1027); }},
      {"free list loops", [](File& f, const Layout& l) { putLe32At(f, l.freePage, l.freePage); }},
      {"free list reaches a tree page", [](File& f, const Layout& l) { putLe32At(f, 4, l.firstLeaf); }},
      {"free page names a tree page", [](File& f, const Layout& l) { putLe32At(f, l.freePage, l.secondLeaf); }},
  };
  return table;
}

// Every operation on every tag, bounded; returns the errors raised.
std::vector<Error> exercise(const std::string& path, bool handlerThrows, std::vector<std::string>& problems,
                            bool& hang) {
  std::vector<Error> errors;
  ErrorHandler old = setErrorHandler([&](const Error& e) -> ErrorAnswer {
    errors.push_back(e);
    if (handlerThrows) throw RuntimeError(e);
    return {ErrorAnswer::Default, {}};
  });
  auto step = [&](const std::function<void()>& fn) {
    try {
      fn();
    } catch (const RuntimeError&) {
    }
  };
  std::unique_ptr<CdxFile> f;
  step([&] { f = CdxFile::open(path, true); });
  if (f) {
    step([&] { problems = f->check(); });
    std::vector<TagInfo> tags;
    step([&] { tags = f->tags(); });
    for (auto& info : tags) {
      CdxTag* t = nullptr;
      step([&] { t = f->tag(info.name); });
      if (!t) continue;
      step([&] {
        int n = 0;
        for (bool ok = t->first(); ok; ok = t->next())
          if (++n > 100000) {
            hang = true;
            break;
          }
      });
      step([&] {
        int n = 0;
        for (bool ok = t->last(); ok; ok = t->prev())
          if (++n > 100000) {
            hang = true;
            break;
          }
      });
      step([&] { t->seek("K15"); });
      step([&] { t->count("K1", "K2"); });
      step([&] {
        std::string k(size_t(std::max(1, info.keyLength)), 'Q');
        for (uint32_t r = 0; r < 30; ++r) t->insert({k, 900000 + r});
        for (uint32_t r = 0; r < 30; ++r) t->remove({k, 900000 + r});
      });
    }
    step([&] { f->buildTag({"NEW", "N", "", false, false, 10, 0x20}, {{key10(1), 1}}); });
    step([&] { f->removeTag("T"); });
  }
  setErrorHandler(old);
  return errors;
}

TEST_F(CdxDamage, EveryDamageIsReportedNeverACrash) {
  for (const Damage& d : damages()) {
    for (bool throws : {true, false}) {
      Layout l = makeSoundFile(file_);
      {
        auto raw = File::open(file_, File::Mode::ReadWrite);
        ASSERT_TRUE(raw);
        d.apply(*raw, l);
      }
      std::vector<std::string> problems;
      bool hang = false;
      std::vector<Error> errors = exercise(file_, throws, problems, hang);
      EXPECT_FALSE(hang) << d.name;
      EXPECT_TRUE(!errors.empty() || !problems.empty()) << d.name << ": nothing noticed";
      for (const Error& e : errors) {
        EXPECT_EQ(e.subsystem, "DBFCDX") << d.name;
        EXPECT_NE(e.description.find("d.cdx"), std::string::npos) << d.name << ": " << e.description;
        EXPECT_EQ(e.filename, file_) << d.name;
        EXPECT_TRUE(e.genCode == kGenCorruption || e.genCode == kGenRead || e.genCode == kGenNoOrder) << d.name << ": " << e.description;
      }
    }
  }
}

TEST_F(CdxDamage, SoundFileRaisesNothing) {
  makeSoundFile(file_);
  std::vector<std::string> problems;
  bool hang = false;
  std::vector<Error> errors = exercise(file_, true, problems, hang);
  EXPECT_TRUE(errors.empty()) << errors.front().description;
  EXPECT_TRUE(problems.empty()) << problems.front();
}

// A walk in tag order over a leaf chain cut short, or over a leaf whose
// count was zeroed, ends in a run-time error naming the file: never a
// silently short list.
TEST_F(CdxDamage, AWalkOverAShortenedChainIsAnErrorNotAShortList) {
  struct Cut {
    Damage damage;
    std::vector<bool> walks;  // backwards or not: the walks the damage shortens
  };
  const std::vector<Cut> cuts = {
      {{"chain cut after the first leaf", [](File& f, const Layout& l) { putLe32At(f, l.firstLeaf + 8, cdx::kNone); }},
       {false}},
      {{"chain cut before the second leaf",
        [](File& f, const Layout& l) { putLe32At(f, l.secondLeaf + 4, cdx::kNone); }},
       {true}},
      {{"second leaf's count zeroed", [](File& f, const Layout& l) { putLe16At(f, l.secondLeaf + 2, 0); }},
       {false, true}},
  };
  for (const Cut& c : cuts) {
    const Damage& d = c.damage;
    for (bool backwards : c.walks) {
      Layout l = makeSoundFile(file_);
      {
        auto raw = File::open(file_, File::Mode::ReadWrite);
        d.apply(*raw, l);
      }
      std::vector<Error> errors;
      ErrorHandler old = setErrorHandler([&](const Error& e) -> ErrorAnswer {
        errors.push_back(e);
        return {ErrorAnswer::Default, {}};
      });
      auto f = CdxFile::open(file_, false);
      ASSERT_TRUE(f);
      CdxTag* t = f->tag("T");
      ASSERT_TRUE(t);
      int n = 0;
      for (bool ok = backwards ? t->last() : t->first(); ok && n < 5000; ok = backwards ? t->prev() : t->next()) ++n;
      setErrorHandler(old);
      ASSERT_FALSE(errors.empty()) << d.name << (backwards ? " backwards" : "") << ": " << n << " entries, no error";
      EXPECT_EQ(errors[0].genCode, kGenCorruption) << d.name;
      EXPECT_NE(errors[0].description.find("d.cdx"), std::string::npos) << errors[0].description;
    }
  }
}

}  // namespace
}  // namespace xb::engine
