// Sharing one index file between two open handles (as two processes do),
// a writer in another process, and writers stopped at every single write.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <random>
#include <set>

#include "data/engine/cdx.h"
#include "data/engine/cdx_internal.h"
#include "data/engine/index_key.h"
#include "xbase/error.h"

namespace xb::engine {
namespace {

namespace fs = std::filesystem;
using Model = std::set<std::pair<std::string, uint32_t>>;

class CdxSharing : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("qv_cdx_share_" + std::to_string(::getpid()) + "_" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
  }
  void TearDown() override {
    cdx::setWriteObserver({});
    fs::remove_all(dir_);
  }
  std::string path(const std::string& name) const { return (dir_ / name).string(); }
  fs::path dir_;
};

std::string key6(uint32_t v) {
  std::string k = "K" + std::to_string(v);
  k.resize(6, ' ');
  return k;
}

Model readAll(CdxTag* t) {
  Model m;
  for (bool ok = t->first(); ok; ok = t->next()) m.emplace(t->current().key, t->current().recno);
  return m;
}

std::vector<IndexEntry> sortedEntries(const Model& m) {
  std::vector<IndexEntry> v;
  for (auto& [k, r] : m) v.push_back({k, r});
  return v;
}

TEST_F(CdxSharing, ChangesOfOneHandleAreSeenByTheOther) {
  auto a = CdxFile::create(path("s.cdx"));
  Model model;
  for (uint32_t r = 1; r <= 500; ++r) model.emplace(key6(r), r);
  ASSERT_TRUE(a->buildTag({"S", "S", "", false, false, 6, 0x20}, sortedEntries(model)));
  auto b = CdxFile::open(path("S.CDX"), true);
  ASSERT_TRUE(b);
  CdxTag* ta = a->tag("S");
  CdxTag* tb = b->tag("S");
  ASSERT_TRUE(ta && tb);
  EXPECT_EQ(readAll(tb), model);

  // b has every page cached; a changes some.
  for (uint32_t r = 501; r <= 700; ++r) {
    ASSERT_TRUE(ta->insert({key6(r), r}));
    model.emplace(key6(r), r);
  }
  ASSERT_TRUE(ta->remove({key6(7), 7}));
  model.erase({key6(7), 7});
  ASSERT_TRUE(b->beginRead());
  EXPECT_EQ(readAll(tb), model);
  EXPECT_EQ(tb->count("", ""), int64_t(model.size()));
  b->endRead();

  // A cursor of b moves on sensibly after a removed its entry.
  ASSERT_TRUE(tb->seek(key6(100)));
  auto after100 = *std::next(model.find({key6(100), 100}));
  ASSERT_TRUE(ta->remove({key6(100), 100}));
  model.erase({key6(100), 100});
  ASSERT_TRUE(tb->next());
  EXPECT_EQ(tb->current().key, after100.first);
  EXPECT_EQ(tb->current().recno, after100.second);

  // Tags added and removed by one handle appear and vanish for the other.
  ASSERT_TRUE(a->buildTag({"OTRO", "X", "", true, false, 6, 0x20}, sortedEntries(model)));
  auto names = b->tags();
  ASSERT_EQ(names.size(), 2u);
  CdxTag* other = b->tag("otro");
  ASSERT_TRUE(other);
  EXPECT_EQ(other->count("", ""), int64_t(model.size()));
  ASSERT_TRUE(a->removeTag("OTRO"));
  EXPECT_FALSE(other->first());
  EXPECT_EQ(b->tag("OTRO"), nullptr);
  EXPECT_TRUE(b->check().empty());
}

TEST_F(CdxSharing, LocksAreRefusedWhileTheOtherWrites) {
  auto a = CdxFile::create(path("l.cdx"));
  ASSERT_TRUE(a->buildTag({"L", "L", "", false, false, 6, 0x20}, {{key6(1), 1}}));
  auto b = CdxFile::open(path("l.cdx"), true);
  b->setLockWait(0);
  a->setLockWait(0);
  ASSERT_TRUE(a->beginWrite());
  EXPECT_FALSE(b->beginRead());
  EXPECT_FALSE(b->beginWrite());
  // An operation that locks for its own length takes the handler's
  // default when its lock is refused.
  ErrorHandler old = setErrorHandler([](const Error& e) {
    EXPECT_EQ(e.genCode, kGenLock);
    return ErrorAnswer{ErrorAnswer::Default, {}};
  });
  CdxTag* tb = b->tag("L");
  EXPECT_EQ(tb, nullptr);
  setErrorHandler(old);
  ASSERT_TRUE(a->tag("L")->insert({key6(2), 2}));
  a->endWrite();

  ASSERT_TRUE(b->beginRead());
  EXPECT_FALSE(a->beginWrite());  // readers keep writers out
  tb = b->tag("L");
  ASSERT_TRUE(tb);
  EXPECT_EQ(tb->count("", ""), 2);
  b->endRead();
  EXPECT_TRUE(a->beginWrite());
  a->endWrite();

  // With the plain handler a refused lock inside an operation is an error
  // naming the index file.
  ASSERT_TRUE(a->beginWrite());
  try {
    b->tag("L");
    FAIL() << "no error";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.error().genCode, kGenLock);
    EXPECT_EQ(e.error().subsystem, "DBFCDX");
    EXPECT_NE(e.error().filename.find("l.cdx"), std::string::npos);
  }
  a->endWrite();
}

TEST_F(CdxSharing, ReadOnlyHandleRefusesWrites) {
  auto a = CdxFile::create(path("ro.cdx"));
  ASSERT_TRUE(a->buildTag({"R", "R", "", false, false, 6, 0x20}, {{key6(1), 1}}));
  auto b = CdxFile::open(path("ro.cdx"), false);
  EXPECT_FALSE(b->beginWrite());
  EXPECT_THROW(b->tag("R")->insert({key6(2), 2}), RuntimeError);
  EXPECT_EQ(b->tag("R")->count("", ""), 1);
}

// A writer in another process; the reader here must always see a sound,
// ordered tag whose size only grows.
TEST_F(CdxSharing, ReaderNeverSeesAHalfWrittenChange) {
  {
    auto a = CdxFile::create(path("p.cdx"));
    ASSERT_TRUE(a->buildTag({"P", "P", "", false, false, 6, 0x20}, {}));
  }
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    int rc = 0;
    try {
      auto w = CdxFile::open(path("p.cdx"), true);
      w->setLockWait(5000);
      CdxTag* t = w->tag("P");
      std::mt19937 rng(5);
      for (uint32_t r = 1; r <= 1500; ++r)
        if (!t->insert({key6(rng() % 100000), r})) rc = 1;
    } catch (...) {
      rc = 2;
    }
    ::_exit(rc);
  }
  auto b = CdxFile::open(path("p.cdx"), false);
  b->setLockWait(5000);
  int64_t seen = 0;
  for (int round = 0; round < 400 && seen < 1500; ++round) {
    ASSERT_TRUE(b->beginRead());
    CdxTag* t = b->tag("P");
    ASSERT_TRUE(t);
    Model m = readAll(t);
    int64_t n = t->count("", "");
    b->endRead();
    ASSERT_EQ(int64_t(m.size()), n);
    ASSERT_GE(n, seen);
    seen = n;
    ::usleep(1000);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(b->tag("P")->count("", ""), 1500);
  EXPECT_TRUE(b->check().empty());
}

struct Stop {};

// Stops a writer at its k-th write, as if the process died there, for every
// k of a run of operations: the file must then hold the state before or
// after one of the operations, or fail the checker; reading it must never
// crash or hang.
TEST_F(CdxSharing, WriterStoppedAtAnyWriteLeavesAReadableFile) {
  std::mt19937 rng(11);
  Model base;
  for (uint32_t r = 1; r <= 600; ++r) base.emplace(key6(rng() % 3000), r);
  const TagInfo info{"T", "T", "", false, false, 6, 0x20};
  // Each run records the state after every operation it completes.
  using Run = std::function<void(CdxFile&, Model&, std::vector<Model>&)>;
  struct Case {
    const char* name;
    Run run;
  };
  std::vector<Case> cases = {
      {"inserts splitting pages",
       [](CdxFile& f, Model& m, std::vector<Model>& states) {
         for (uint32_t r = 5000; r < 5012; ++r) {
           f.tag("T")->insert({key6(1500), r});
           m.emplace(key6(1500), r);
           states.push_back(m);
         }
       }},
      {"inserts reusing free pages",
       [&](CdxFile& f, Model& m, std::vector<Model>& states) {
         f.buildTag({"GONE", "G", "", false, false, 6, 0x20}, sortedEntries(base));
         f.removeTag("GONE");
         for (uint32_t r = 6000; r < 6012; ++r) {
           f.tag("T")->insert({key6(1700), r});
           m.emplace(key6(1700), r);
           states.push_back(m);
         }
       }},
      {"removes merging pages",
       [](CdxFile& f, Model& m, std::vector<Model>& states) {
         for (int n = 0; n < 60 && !m.empty(); ++n) {
           auto it = std::next(m.begin(), std::ptrdiff_t(m.size() / 3));
           f.tag("T")->remove({it->first, it->second});
           m.erase(it);
           states.push_back(m);
         }
       }},
      {"rebuild",
       [&](CdxFile& f, Model& m, std::vector<Model>& states) {
         m.erase(m.begin());
         f.buildTag(info, sortedEntries(m));
         states.push_back(m);
       }},
      {"remove tag", [](CdxFile& f, Model& m, std::vector<Model>& states) {
         f.removeTag("T");
         m.clear();
         states.push_back(m);
       }}};
  for (auto& c : cases) {
    int writes = 0;
    std::vector<Model> states{base};
    {
      auto f = CdxFile::create(path("k.cdx"));
      f->buildTag(info, sortedEntries(base));
      Model m = base;
      cdx::setWriteObserver([&](uint64_t, size_t) { ++writes; });
      c.run(*f, m, states);
      cdx::setWriteObserver({});
    }
    ASSERT_GT(writes, 0) << c.name;
    for (int k = 1; k <= writes; ++k) {
      {
        auto f = CdxFile::create(path("k.cdx"));
        f->buildTag(info, sortedEntries(base));
        Model m = base;
        std::vector<Model> ignored;
        int n = 0;
        cdx::setWriteObserver([&](uint64_t, size_t) {
          if (++n == k) throw Stop{};
        });
        try {
          c.run(*f, m, ignored);
        } catch (const Stop&) {
        }
        cdx::setWriteObserver({});
      }
      try {
        auto g = CdxFile::open(path("k.cdx"), true);
        ASSERT_TRUE(g);
        std::vector<std::string> problems = g->check();
        CdxTag* t = g->tag("T");
        Model seen;
        if (t)
          for (bool ok = t->first(); ok; ok = t->next()) seen.emplace(t->current().key, t->current().recno);
        if (problems.empty()) {
          EXPECT_NE(std::find(states.begin(), states.end(), seen), states.end()) << c.name << " stopped at write " << k;
        }
      } catch (const RuntimeError& e) {
        EXPECT_EQ(e.error().subsystem, "DBFCDX") << c.name << " " << k;
      }
    }
  }
}

}  // namespace
}  // namespace xb::engine

namespace xb::engine {
namespace {

// Runs `run` on a file built from `base` once to count its writes and learn
// the state after each operation, then once more for each write k, stopped
// there as if the process died: the file must check clean without
// re-indexing and hold one of those states.
void expectEveryStopSound(const std::string& file, const Model& base,
                          const std::function<void(CdxFile&, Model&, std::vector<Model>*)>& run) {
  const TagInfo info{"T", "T", "", false, false, 6, 0x20};
  std::vector<Model> states{base};
  int writes = 0;
  {
    auto f = CdxFile::create(file);
    f->buildTag(info, sortedEntries(base));
    Model m = base;
    cdx::setWriteObserver([&](uint64_t, size_t) { ++writes; });
    run(*f, m, &states);
    cdx::setWriteObserver({});
  }
  for (int k = 1; k <= writes; ++k) {
    {
      auto f = CdxFile::create(file);
      f->buildTag(info, sortedEntries(base));
      Model m = base;
      int n = 0;
      cdx::setWriteObserver([&](uint64_t, size_t) {
        if (++n == k) throw Stop{};
      });
      try {
        run(*f, m, nullptr);
      } catch (const Stop&) {
      }
      cdx::setWriteObserver({});
    }
    auto g = CdxFile::open(file, true);
    ASSERT_TRUE(g);
    std::vector<std::string> problems = g->check();
    ASSERT_TRUE(problems.empty()) << "stopped at write " << k << " of " << writes << ": " << problems.front();
    Model seen;
    for (bool ok = g->tag("T")->first(); ok; ok = g->tag("T")->next())
      seen.emplace(g->tag("T")->current().key, g->tag("T")->current().recno);
    ASSERT_NE(std::find(states.begin(), states.end(), seen), states.end()) << "stopped at write " << k;
    // Every entry is found by a seek, whatever the parent entries above it.
    for (const auto& [key, recno] : seen) {
      ASSERT_TRUE(g->tag("T")->seek(key)) << "stopped at write " << k << ": " << key;
      ASSERT_EQ(g->tag("T")->current().key, key);
    }
  }
}

// Inserts below the greatest entry of their leaf, some of them splitting it:
// a writer stopped at any of their writes leaves a file that checks clean
// and holds the state before or after an insert (splits go through the
// journal, which the next process to lock replays).
TEST_F(CdxSharing, AWriterStoppedInASplitLeavesTheOldTreeOrTheNew) {
  std::mt19937 rng(5);
  Model base;
  for (uint32_t r = 1; r <= 600; ++r) base.emplace(key6(rng() % 3000), 1000 + r);
  // An entry in the middle; the new ones go just below it.
  const auto middle = std::next(base.begin(), std::ptrdiff_t(base.size() / 2));
  expectEveryStopSound(path("s.cdx"), base, [&](CdxFile& f, Model& m, std::vector<Model>* states) {
    for (uint32_t r = 1; r <= 40; ++r) {
      f.tag("T")->insert({middle->first, r});
      m.emplace(middle->first, r);
      if (states) states->push_back(m);
    }
  });
}

// Codes appended in ascending order, each the greatest entry of the tree
// (most without a split, rewriting the parents above the last leaf), then
// the greatest ones removed again (each rewriting the parents after the
// leaf), and a few entries in the middle removed and put back: stopped at
// any write, the file checks clean and every entry is found.
TEST_F(CdxSharing, AWriterStoppedWhileTheGreatestEntryMovesLeavesASoundTree) {
  Model base;
  for (uint32_t r = 1; r <= 1200; ++r) base.emplace(key6(100000 + r), r);
  expectEveryStopSound(path("g.cdx"), base, [&](CdxFile& f, Model& m, std::vector<Model>* states) {
    auto step = [&](bool insert, const std::string& key, uint32_t recno) {
      if (insert) {
        f.tag("T")->insert({key, recno});
        m.emplace(key, recno);
      } else {
        f.tag("T")->remove({key, recno});
        m.erase({key, recno});
      }
      if (states) states->push_back(m);
    };
    for (uint32_t r = 1201; r <= 1250; ++r) step(true, key6(100000 + r), r);
    for (uint32_t r = 1250; r > 1235; --r) step(false, key6(100000 + r), r);
    for (uint32_t r : {600u, 599u, 300u}) {
      const auto entry = *m.lower_bound({key6(100000 + r), 0});
      step(false, entry.first, entry.second);
      step(true, entry.first, entry.second);
    }
  });
}

}  // namespace
}  // namespace xb::engine
