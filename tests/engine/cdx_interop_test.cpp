// Files we write, read by another program (index_dump of the Perl XBase
// modules); files laid out with other choices than ours, read here.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <set>

#include "data/engine/cdx.h"
#include "data/engine/cdx_internal.h"
#include "data/engine/index_key.h"

namespace xb::engine {
namespace {

namespace fs = std::filesystem;
constexpr const char* kIndexDump = "/usr/bin/index_dump";

class CdxInterop : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("qv_cdx_interop_" + std::to_string(::getpid()) + "_" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string path(const std::string& name) const { return (dir_ / name).string(); }
  fs::path dir_;
};

// Lines of "key recno" as index_dump prints them.
std::vector<std::pair<std::string, uint32_t>> indexDump(const std::string& file, const std::string& tag, const char* type) {
  std::string cmd = std::string(kIndexDump) + " --type=" + type + " '" + file + "' " + tag + " 2>/dev/null";
  std::vector<std::pair<std::string, uint32_t>> out;
  FILE* p = ::popen(cmd.c_str(), "r");
  if (!p) return out;
  char line[1024];
  while (std::fgets(line, sizeof line, p)) {
    std::string s(line);
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
    size_t sp = s.rfind(' ');
    if (sp == std::string::npos) continue;
    out.emplace_back(s.substr(0, sp), uint32_t(std::stoul(s.substr(sp + 1))));
  }
  ::pclose(p);
  return out;
}

std::string rtrim(std::string s) {
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

std::vector<IndexEntry> ours(CdxTag* t) {
  std::vector<IndexEntry> v;
  for (bool ok = t->first(); ok; ok = t->next()) v.push_back(t->current());
  return v;
}

TEST_F(CdxInterop, IndexDumpListsOurKeysInOurOrder) {
  if (!fs::exists(kIndexDump)) GTEST_SKIP() << "index_dump is not installed";
  auto f = CdxFile::create(path("Inter.cdx"));
  std::mt19937 rng(99);
  struct Spec {
    TagInfo info;
    bool numeric;
  };
  std::vector<Spec> specs = {
      {{"NOMBRE", "NOMBRE", "!Deleted()", false, false, 12, 0x20}, false},
      {{"LARGO", "LARGO", "", false, false, 100, 0x20}, false},
      {{"NUMETI", "NUMERO_ETI", "!Deleted()", false, false, 8, 0x00}, true},
      {{"NUMETIUN", "NUMERO_ETI", "!Deleted()", true, false, 8, 0x00}, true},
  };
  for (auto& spec : specs) {
    std::set<std::pair<std::string, uint32_t>> model;
    auto key = [&](uint32_t v) {
      if (spec.numeric) return encodeNumberKey(double(int(v % 900)) - 300.25);
      std::string k = (spec.info.keyLength > 50 ? std::string(60, 'P') : std::string()) + "C" + std::to_string(v % 5000);
      k.resize(size_t(spec.info.keyLength), ' ');
      return k;
    };
    for (uint32_t r = 1; r <= 4000; ++r) {
      std::string k = key(rng());
      if (spec.info.unique && model.lower_bound({k, 0}) != model.end() && model.lower_bound({k, 0})->first == k) continue;
      model.emplace(k, r);
    }
    std::vector<IndexEntry> entries;
    for (auto& [k, r] : model) entries.push_back({k, r});
    CdxTag* t = f->buildTag(spec.info, entries);
    ASSERT_TRUE(t);
    // Splits, merges and parent updates as well as the bulk layout.
    for (uint32_t r = 4001; r <= 7000; ++r) {
      if (rng() % 3 == 0 && !model.empty()) {
        auto it = model.begin();
        std::advance(it, rng() % model.size());
        ASSERT_TRUE(t->remove({it->first, it->second}));
        model.erase(it);
      } else {
        std::string k = key(rng());
        if (t->insert({k, r})) model.emplace(k, r);
      }
    }
  }
  auto problems = f->check();
  ASSERT_TRUE(problems.empty()) << problems[0];
  for (auto& spec : specs) {
    CdxTag* t = f->tag(spec.info.name);
    ASSERT_TRUE(t);
    std::vector<IndexEntry> mine = ours(t);
    auto theirs = indexDump(path("Inter.cdx"), spec.info.name, spec.numeric ? "num" : "char");
    ASSERT_EQ(theirs.size(), mine.size()) << spec.info.name;
    for (size_t i = 0; i < mine.size(); ++i) {
      EXPECT_EQ(theirs[i].second, mine[i].recno) << spec.info.name << " " << i;
      if (spec.numeric)
        EXPECT_DOUBLE_EQ(std::stod(theirs[i].first), decodeNumberKey(mine[i].key)) << spec.info.name << " " << i;
      else
        EXPECT_EQ(theirs[i].first, rtrim(mine[i].key)) << spec.info.name << " " << i;
    }
  }
}

// A leaf laid out with widths another writer might choose: four bytes per
// entry, 16 bits of record number, no duplicate compression.
void writeForeignLeaf(uint8_t* page, const std::vector<IndexEntry>& entries, int keyLength, uint32_t left, uint32_t right,
                      bool root) {
  std::memset(page, 0, cdx::kPageSize);
  page[0] = uint8_t(2 | (root ? 1 : 0));
  page[2] = uint8_t(entries.size());
  std::memcpy(page + 4, &left, 4);
  std::memcpy(page + 8, &right, 4);
  page[14] = page[15] = 0xFF;
  page[18] = page[19] = 0xFF;
  page[20] = 16;
  page[21] = 8;
  page[22] = 8;
  page[23] = 4;
  int pos = int(cdx::kPageSize);
  for (size_t i = 0; i < entries.size(); ++i) {
    int trail = cdx::trailingCount(entries[i].key, ' ');
    int stored = keyLength - trail;
    pos -= stored;
    std::memcpy(page + pos, entries[i].key.data(), size_t(stored));
    uint32_t v = entries[i].recno | uint32_t(trail) << 24;
    std::memcpy(page + 24 + 4 * i, &v, 4);
  }
  int freeBytes = pos - 24 - int(4 * entries.size());
  page[12] = uint8_t(freeBytes);
  page[13] = uint8_t(freeBytes >> 8);
}

TEST_F(CdxInterop, LeavesWithOtherBitWidthsAreRead) {
  std::string file = path("foreign.cdx");
  std::vector<IndexEntry> all;
  for (uint32_t r = 1; r <= 100; ++r) {
    std::string k = "F" + std::to_string(1000 + r * 37);
    k.resize(10, ' ');
    all.push_back({k, r * 301});
  }
  uint32_t leafA, leafB;
  {
    auto f = CdxFile::create(file);
    ASSERT_TRUE(f->buildTag({"F", "F", "", false, false, 10, 0x20}, all));
    ASSERT_TRUE(f->check().empty());
  }
  // Find the tag's two leaves through its root and rewrite them.
  auto raw = File::open(file, File::Mode::ReadWrite);
  ASSERT_TRUE(raw);
  uint8_t dirPage[512], header[1024], rootPage[512];
  cdx::Node dirRoot, root;
  ASSERT_EQ(raw->readAt(1024, dirPage, 512), 512);
  ASSERT_EQ(cdx::decodePage(dirPage, 10, ' ', dirRoot), "");
  ASSERT_EQ(dirRoot.size(), 1);
  ASSERT_EQ(raw->readAt(dirRoot.recnos[0], header, 1024), 1024);
  uint32_t rootOff;
  std::memcpy(&rootOff, header, 4);
  ASSERT_EQ(raw->readAt(rootOff, rootPage, 512), 512);
  ASSERT_EQ(cdx::decodePage(rootPage, 10, ' ', root), "");
  ASSERT_FALSE(root.leaf);
  ASSERT_EQ(root.size(), 2) << "the test expects a root over two leaves";
  leafA = root.children[0];
  leafB = root.children[1];
  std::vector<IndexEntry> first(all.begin(), all.begin() + 50), second(all.begin() + 50, all.end());
  uint8_t page[512];
  writeForeignLeaf(page, first, 10, cdx::kNone, leafB, false);
  ASSERT_TRUE(raw->writeAt(leafA, page, 512));
  writeForeignLeaf(page, second, 10, leafA, cdx::kNone, false);
  ASSERT_TRUE(raw->writeAt(leafB, page, 512));
  for (int i = 0; i < 2; ++i) {
    const IndexEntry& last = i == 0 ? first.back() : second.back();
    uint8_t* e = rootPage + 12 + i * 18;
    std::memcpy(e, last.key.data(), 10);
    for (int b = 0; b < 4; ++b) e[10 + b] = uint8_t(last.recno >> (24 - 8 * b));
  }
  ASSERT_TRUE(raw->writeAt(rootOff, rootPage, 512));
  raw->close();

  auto g = CdxFile::open(file, true);
  ASSERT_TRUE(g);
  auto problems = g->check();
  ASSERT_TRUE(problems.empty()) << problems[0];
  CdxTag* t = g->tag("F");
  std::vector<IndexEntry> got = ours(t);
  ASSERT_EQ(got.size(), all.size());
  for (size_t i = 0; i < all.size(); ++i) {
    EXPECT_EQ(got[i].key, all[i].key);
    EXPECT_EQ(got[i].recno, all[i].recno);
  }
  // Changing such a leaf rewrites it in our layout.
  std::string k = "F2000A";
  k.resize(10, ' ');
  ASSERT_TRUE(t->insert({k, 7}));
  EXPECT_TRUE(t->seek("F2000A"));
  problems = g->check();
  ASSERT_TRUE(problems.empty()) << problems[0];
}

}  // namespace
}  // namespace xb::engine
