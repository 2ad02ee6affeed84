// Compound index files against a model: random operation runs checked
// against a std::set, the checker after every run, and a reopen from disk.
#include "data/engine/cdx.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <random>
#include <set>

#include "data/engine/cdx_internal.h"
#include "data/engine/index_key.h"
#include "xbase/error.h"

namespace xb::engine {
namespace {

namespace fs = std::filesystem;

using Model = std::set<std::pair<std::string, uint32_t>>;

class Cdx : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("qv_cdx_" + std::to_string(::getpid()) + "_" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string path(const std::string& name) const { return (dir_ / name).string(); }
  fs::path dir_;
};

std::vector<IndexEntry> toEntries(const Model& m) {
  std::vector<IndexEntry> v;
  for (auto& [k, r] : m) v.push_back({k, r});
  return v;
}

Model readAll(CdxTag* t) {
  Model m;
  for (bool ok = t->first(); ok; ok = t->next()) m.emplace(t->current().key, t->current().recno);
  return m;
}

Model readAllBackwards(CdxTag* t) {
  Model m;
  for (bool ok = t->last(); ok; ok = t->prev()) m.emplace(t->current().key, t->current().recno);
  return m;
}

int64_t modelCount(const Model& m, const std::string& lo, const std::string& hi) {
  int64_t n = 0;
  for (auto& [k, r] : m) {
    if (!lo.empty() && k.compare(0, lo.size(), lo) < 0) continue;
    if (!hi.empty() && k.compare(0, hi.size(), hi) > 0) continue;
    ++n;
  }
  return n;
}

TEST_F(Cdx, EmptyFileHasNoTagsAndIsSound) {
  auto f = CdxFile::create(path("e.cdx"));
  ASSERT_TRUE(f);
  EXPECT_TRUE(f->tags().empty());
  EXPECT_EQ(f->tag("X"), nullptr);
  EXPECT_TRUE(f->check().empty());
  f.reset();
  auto g = CdxFile::open(path("E.CDX"), false);
  ASSERT_TRUE(g);
  EXPECT_TRUE(g->tags().empty());
}

TEST_F(Cdx, TagsKeepTheirHeaderTexts) {
  auto f = CdxFile::create(path("h.cdx"));
  TagInfo a{"Nombre", "_Field->NOMBRE", "!DELETED()", false, false, 25, 0x20};
  TagInfo b{"NumEtiUn", "NUMERO_ETI", "!Deleted()", true, false, 8, 0x00};
  TagInfo c{"Err_DDHH", "( DtoS( Fecha ) + Hora )", "", false, true, 16, 0x20};
  ASSERT_TRUE(f->buildTag(a, {}));
  ASSERT_TRUE(f->buildTag(b, {}));
  ASSERT_TRUE(f->buildTag(c, {}));
  f.reset();
  auto g = CdxFile::open(path("h.cdx"), true);
  auto tags = g->tags();
  ASSERT_EQ(tags.size(), 3u);
  std::map<std::string, TagInfo> byName;
  for (auto& t : tags) byName[t.name] = t;
  for (const TagInfo* want : {&a, &b, &c}) {
    std::string name = want->name;
    for (char& ch : name) ch = char(std::toupper(uint8_t(ch)));
    ASSERT_TRUE(byName.count(name)) << name;
    const TagInfo& got = byName[name];
    EXPECT_EQ(got.keyExpr, want->keyExpr);
    EXPECT_EQ(got.forExpr, want->forExpr);
    EXPECT_EQ(got.unique, want->unique);
    EXPECT_EQ(got.descending, want->descending);
    EXPECT_EQ(got.keyLength, want->keyLength);
  }
  EXPECT_NE(g->tag("numetiun"), nullptr);
  EXPECT_TRUE(g->removeTag("NOMBRE"));
  EXPECT_FALSE(g->removeTag("NOMBRE"));
  EXPECT_EQ(g->tags().size(), 2u);
  EXPECT_TRUE(g->check().empty());
}

// The header bytes other programs read, checked byte by byte.
TEST_F(Cdx, HeaderBytesFollowTheLayout) {
  auto f = CdxFile::create(path("raw.cdx"));
  ASSERT_TRUE(f->buildTag({"NUMETIUN", "_Field->NUMERO_ETI", "!DELETED()", true, true, 8, 0x00}, {}));
  f.reset();
  auto raw = File::open(path("raw.cdx"), File::Mode::ReadOnly);
  ASSERT_TRUE(raw);
  std::vector<uint8_t> bytes(size_t(raw->size()));
  ASSERT_EQ(raw->readAt(0, bytes.data(), bytes.size()), long(bytes.size()));
  auto le16 = [&](size_t at) { return bytes[at] | bytes[at + 1] << 8; };
  auto le32 = [&](size_t at) { return uint32_t(le16(at)) | uint32_t(le16(at + 2)) << 16; };
  // Directory header: compact and compound, key length 10, root at 1024.
  EXPECT_EQ(le32(0), 1024u);
  EXPECT_EQ(le16(12), 10);
  EXPECT_EQ(bytes[14], 0x60);
  EXPECT_EQ(bytes[15], 1);
  // Directory root: a root leaf with one entry naming the tag header.
  EXPECT_EQ(le16(1024), 3);
  EXPECT_EQ(le16(1026), 1);
  EXPECT_EQ(le32(1028), 0xFFFFFFFFu);
  EXPECT_EQ(le32(1032), 0xFFFFFFFFu);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(&bytes[1536 - 8]), 8), "NUMETIUN");
  cdx::Node dir;
  ASSERT_EQ(cdx::decodePage(&bytes[1024], 10, ' ', dir), "");
  ASSERT_EQ(dir.size(), 1);
  const size_t h = dir.recnos[0];
  ASSERT_EQ(h % 512, 0u);
  ASSERT_GE(bytes.size(), h + 1024);
  EXPECT_EQ(le16(h + 12), 8);
  EXPECT_EQ(bytes[h + 14], 0x20 | 0x08 | 0x01);
  EXPECT_EQ(bytes[h + 15], 1);
  EXPECT_EQ(le16(h + 502), 1);
  EXPECT_EQ(le16(h + 506), int(std::strlen("!DELETED()") + 1));
  EXPECT_EQ(le16(h + 510), int(std::strlen("_Field->NUMERO_ETI") + 1));
  EXPECT_STREQ(reinterpret_cast<char*>(&bytes[h + 512]), "_Field->NUMERO_ETI");
  EXPECT_STREQ(reinterpret_cast<char*>(&bytes[h + 512 + 19]), "!DELETED()");
  for (size_t i = 16; i < 502; ++i) ASSERT_EQ(bytes[h + i], 0) << i;
  // The tag's root: an empty root leaf.
  uint32_t root = le32(h);
  ASSERT_LT(root + 512, bytes.size() + 1);
  EXPECT_EQ(le16(root), 3);
  EXPECT_EQ(le16(root + 2), 0);
  EXPECT_EQ(le16(root + 12), 488);
}

struct RandomCase {
  const char* name;
  int keyLength;
  uint8_t fill;
  bool unique;
  int alphabet;  // distinct key values drawn
  int ops;
  bool numeric;
};

std::string makeKey(const RandomCase& c, std::mt19937& rng) {
  int v = int(rng() % uint32_t(c.alphabet));
  if (c.numeric) return encodeNumberKey(double(v) - c.alphabet / 2);
  std::string k = "K" + std::to_string(v * 7919 % 100003);
  // Long keys share long prefixes and end in blanks, as real keys do.
  if (c.keyLength > 20) k = std::string(size_t(c.keyLength) / 2, 'A') + k;
  k.resize(size_t(c.keyLength), char(c.fill));
  return k;
}

class CdxRandom : public Cdx, public ::testing::WithParamInterface<RandomCase> {};

TEST_P(CdxRandom, MatchesTheModel) {
  const RandomCase& c = GetParam();
  std::mt19937 rng(1234 + uint32_t(c.keyLength));
  auto f = CdxFile::create(path("r.cdx"));
  ASSERT_TRUE(f);
  TagInfo info{"T", "KEY", "", c.unique, false, c.keyLength, c.fill};
  Model model;
  // Start from a bulk-built tag over part of the rows.
  for (uint32_t r = 1; r <= uint32_t(c.ops / 4); ++r) {
    std::string k = makeKey(c, rng);
    bool dup = false;
    if (c.unique)
      for (auto& e : model) dup |= e.first == k;
    if (!dup) model.emplace(k, r);
  }
  CdxTag* t = f->buildTag(info, toEntries(model));
  ASSERT_TRUE(t);
  ASSERT_EQ(readAll(t), model);
  ASSERT_TRUE(f->check().empty()) << f->check()[0];
  uint32_t nextRec = uint32_t(c.ops / 4) + 1;
  for (int op = 0; op < c.ops; ++op) {
    int what = int(rng() % 10);
    if (what < 5) {
      std::string k = makeKey(c, rng);
      uint32_t r = (rng() % 4 == 0) ? uint32_t(rng() % nextRec) + 1 : nextRec++;
      bool present = model.count({k, r}) > 0;
      bool keyTaken = false;
      if (c.unique) {
        auto it = model.lower_bound({k, 0});
        keyTaken = it != model.end() && it->first == k;
      }
      bool want = !present && !keyTaken;
      ASSERT_EQ(t->insert({k, r}), want) << "op " << op;
      if (want) model.emplace(k, r);
    } else if (what < 8) {
      if (model.empty()) continue;
      bool absent = rng() % 5 == 0;
      auto it = model.begin();
      std::advance(it, rng() % model.size());
      std::pair<std::string, uint32_t> e = *it;
      if (absent) e.second += 1000000;
      ASSERT_EQ(t->remove({e.first, e.second}), !absent) << "op " << op;
      if (!absent) model.erase(e);
    } else if (what == 8) {
      std::string k = makeKey(c, rng);
      size_t plen = 1 + rng() % k.size();
      std::string prefix = k.substr(0, plen);
      bool found = t->seek(prefix);
      auto it = model.lower_bound({prefix, 0});
      if (it == model.end()) {
        ASSERT_FALSE(t->valid());
      } else {
        ASSERT_TRUE(t->valid());
        EXPECT_EQ(t->current().key, it->first);
        EXPECT_EQ(t->current().recno, it->second);
        EXPECT_EQ(found, it->first.compare(0, plen, prefix) == 0);
      }
    } else {
      std::string a = makeKey(c, rng), b = makeKey(c, rng);
      if (b < a) std::swap(a, b);
      a.resize(1 + rng() % a.size());
      if (rng() % 3 == 0) b.clear();
      ASSERT_EQ(t->count(a, b), modelCount(model, a, b)) << "op " << op;
    }
  }
  ASSERT_EQ(readAll(t), model);
  ASSERT_EQ(readAllBackwards(t), model);
  EXPECT_EQ(t->count("", ""), int64_t(model.size()));
  auto problems = f->check();
  ASSERT_TRUE(problems.empty()) << problems[0];
  f.reset();
  auto g = CdxFile::open(path("r.cdx"), false);
  ASSERT_TRUE(g);
  CdxTag* u = g->tag("t");
  ASSERT_TRUE(u);
  u->setFill(c.fill);
  EXPECT_EQ(readAll(u), model);
  EXPECT_EQ(u->info().unique, c.unique);
}

INSTANTIATE_TEST_SUITE_P(Cases, CdxRandom,
                         ::testing::Values(RandomCase{"numeric", 8, 0x00, false, 500, 6000, true},
                                           RandomCase{"numericUnique", 8, 0x00, true, 300, 4000, true},
                                           RandomCase{"short", 10, 0x20, false, 2000, 6000, false},
                                           RandomCase{"manyDuplicates", 12, 0x20, false, 5, 5000, false},
                                           RandomCase{"uniqueDuplicates", 12, 0x20, true, 40, 4000, false},
                                           RandomCase{"oneByte", 1, 0x20, false, 3, 2000, false},
                                           RandomCase{"long", 120, 0x20, false, 3000, 3000, false},
                                           RandomCase{"longest", 240, 0x20, false, 3000, 2500, false},
                                           RandomCase{"longestUnique", 240, 0x20, true, 200, 2000, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CdxSort, EntryListSortsByKeyBytesThenRecord) {
  // Keys shorter than, as long as and longer than the sort's 8-byte prefix.
  for (int length : {3, 8, 12}) {
    std::mt19937 rng(17);
    EntryList list(length);
    std::vector<IndexEntry> want;
    for (uint32_t r = 0; r < 5000; ++r) {
      std::string k(size_t(length), 'A');
      for (char& c : k) c = char(rng() % 3 == 0 ? 0xE9 : 'A' + rng() % 3);  // bytes above 0x7F sort last
      const uint32_t recno = uint32_t(rng() % 50);
      list.add(k, recno);
      want.push_back({k, recno});
    }
    std::sort(want.begin(), want.end(), [](const IndexEntry& a, const IndexEntry& b) {
      int c = std::memcmp(a.key.data(), b.key.data(), a.key.size());
      return c < 0 || (c == 0 && a.recno < b.recno);
    });
    list.sort();
    ASSERT_EQ(list.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) {
      EXPECT_EQ(list.key(i), want[i].key) << length << " " << i;
      EXPECT_EQ(list.recno(i), want[i].recno) << length << " " << i;
    }
  }
}

TEST_F(Cdx, BulkBuildOfManyRowsIsSoundAndSearchable) {
  auto f = CdxFile::create(path("big.cdx"));
  EntryList entries(8);
  const uint32_t n = 100000;
  for (uint32_t r = 1; r <= n; ++r) entries.add(encodeNumberKey(double(r % 5000)), r);
  entries.sort();
  TagInfo info{"NUM", "N", "", false, false, 8, 0x00};
  CdxTag* t = f->buildTag(info, entries);
  ASSERT_TRUE(t);
  EXPECT_EQ(t->count("", ""), int64_t(n));
  EXPECT_TRUE(t->seek(encodeNumberKey(1234)));
  EXPECT_EQ(t->current().recno, 1234u);
  EXPECT_EQ(t->count(encodeNumberKey(10), encodeNumberKey(19)), 200);
  auto problems = f->check();
  ASSERT_TRUE(problems.empty()) << problems[0];
  // Appends after the bulk build.
  for (uint32_t r = n + 1; r <= n + 2000; ++r) ASSERT_TRUE(t->insert({encodeNumberKey(1e9 + r), r}));
  EXPECT_EQ(t->count("", ""), int64_t(n + 2000));
  problems = f->check();
  ASSERT_TRUE(problems.empty()) << problems[0];
}

// Pages one insert writes, counted by page number (a header page counts
// once however many of its bytes change).
struct PageCounter {
  std::set<uint64_t> pages;
  PageCounter() {
    cdx::setWriteObserver([this](uint64_t off, size_t n) {
      for (uint64_t p = off / 512; p <= (off + n - 1) / 512; ++p) pages.insert(p);
    });
  }
  ~PageCounter() { cdx::setWriteObserver({}); }
};

TEST_F(Cdx, OneInsertWritesAFewPages) {
  auto f = CdxFile::create(path("w.cdx"));
  std::vector<IndexEntry> entries;
  for (uint32_t r = 1; r <= 30000; ++r) entries.push_back({encodeNumberKey(r), r});
  CdxTag* t = f->buildTag({"N", "N", "", false, false, 8, 0x00}, entries);
  ASSERT_TRUE(t);
  // Appends in key order: the leaf, the parents whose greatest key changes,
  // and the tag header with its change counter.
  int splits = 0;
  for (uint32_t r = 30001; r <= 30300; ++r) {
    auto before = fs::file_size(path("w.cdx"));
    PageCounter counter;
    ASSERT_TRUE(t->insert({encodeNumberKey(r), r}));
    if (fs::file_size(path("w.cdx")) != before)
      ++splits;
    else
      EXPECT_LE(counter.pages.size(), 4u) << r;
  }
  EXPECT_LT(splits, 30);
  // Inserts in the middle: mostly the leaf and the header.
  std::mt19937 rng(3);
  size_t total = 0;
  for (int i = 0; i < 300; ++i) {
    PageCounter counter;
    ASSERT_TRUE(t->insert({encodeNumberKey(double(rng() % 30000) + 0.5), 40000 + uint32_t(i)}));
    total += counter.pages.size();
  }
  EXPECT_LE(total, 300u * 3);
  EXPECT_TRUE(f->check().empty());
}

TEST_F(Cdx, CursorSurvivesChangesAroundIt) {
  auto f = CdxFile::create(path("c.cdx"));
  TagInfo info{"C", "C", "", false, false, 4, 0x20};
  Model model;
  for (uint32_t r = 1; r <= 400; ++r) model.emplace(std::to_string(1000 + r), r);
  CdxTag* t = f->buildTag(info, toEntries(model));
  ASSERT_TRUE(t->seek("1200"));
  ASSERT_TRUE(t->remove({"1200", 200}));
  ASSERT_TRUE(t->next());
  EXPECT_EQ(t->current().recno, 201u);
  ASSERT_TRUE(t->remove({"1201", 201}));
  ASSERT_TRUE(t->prev());
  EXPECT_EQ(t->current().recno, 199u);
  ASSERT_TRUE(t->insert({"1199", 500}));
  ASSERT_TRUE(t->next());
  EXPECT_EQ(t->current().recno, 500u);
  ASSERT_TRUE(t->next());
  EXPECT_EQ(t->current().recno, 202u);
}

TEST_F(Cdx, RebuildingATagKeepsCallersPointerAndReusesPages) {
  auto f = CdxFile::create(path("b.cdx"));
  TagInfo info{"B", "B", "", false, false, 6, 0x20};
  Model model;
  for (uint32_t r = 1; r <= 3000; ++r) model.emplace("k" + std::to_string(r % 700), r);
  Model padded;
  for (auto& [k, r] : model) {
    std::string p = k;
    p.resize(6, ' ');
    padded.emplace(p, r);
  }
  CdxTag* t = f->buildTag(info, toEntries(padded));
  auto size1 = fs::file_size(path("b.cdx"));
  CdxTag* t2 = f->buildTag(info, toEntries(padded));
  EXPECT_EQ(t, t2);
  EXPECT_EQ(readAll(t2), padded);
  CdxTag* t3 = f->buildTag(info, toEntries(padded));
  EXPECT_EQ(readAll(t3), padded);
  EXPECT_LE(fs::file_size(path("b.cdx")), 2 * size1 + 2048);
  auto problems = f->check();
  ASSERT_TRUE(problems.empty()) << problems[0];
}

}  // namespace
}  // namespace xb::engine
