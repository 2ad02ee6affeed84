// Several processes on one shared table with a tag and memos:
// - a process holding the index's read lock makes every append, change,
//   delete, bulk import and append from another table of another process
//   wait or be refused, and a refused one writes nothing;
// - readers walking the tag and writers changing rows at the same time:
//   every acknowledged write is there afterwards, and the tags agree;
// - writers killed (SIGKILL) while they append rows with memos (codes in
//   any order, or ascending, each the tag's greatest), rewrite memos or
//   import in bulk leave every row old or new and whole, and a clean check
//   without re-indexing; a killed import leaves none of its rows.
// QV_TORTURE_SCALE (default 1) multiplies the operations and kills.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "data/engine/cdx_internal.h"
#include "tests/engine/workarea_fixture.h"

namespace xb::engine::testing {
namespace {

int scale() {
  const char* s = std::getenv("QV_TORTURE_SCALE");
  return s && std::atoi(s) > 0 ? std::atoi(s) : 1;
}

const Structure kShape = {{"CODIGO", 'C', 12, 0}, {"VER", 'N', 6, 0}, {"NOTA", 'M', 10, 0}};

// A memo that tells whether it is whole: "R<row>:<version>:" and then a
// length and a letter both given by the row and the version.
std::string memoFor(int row, int version, int bigLength) {
  const std::string head = "R" + std::to_string(row) + ":" + std::to_string(version) + ":";
  const size_t n = size_t(bigLength > 0 ? bigLength + version % 7 : 20 + (row * 37 + version * 11) % 900);
  return head + std::string(n, char('a' + (row + version) % 26));
}

// Empty when `memo` is a whole memo of row `row` (any version).
std::string memoFault(const std::string& memo, int row, int bigLength) {
  const size_t a = memo.find(':'), b = memo.find(':', a + 1);
  if (memo.empty() || memo[0] != 'R' || a == std::string::npos || b == std::string::npos) return "no memo head";
  if (std::atoi(memo.substr(1, a - 1).c_str()) != row) return "memo of another row";
  const int version = std::atoi(memo.substr(a + 1, b - a - 1).c_str());
  if (memo != memoFor(row, version, bigLength)) return "memo torn (version " + std::to_string(version) + ")";
  return {};
}

std::string trimmed(std::string s) {
  s.erase(s.find_last_not_of(' ') + 1);
  return s;
}

// "K<row>", zero-padded when the codes must ascend with the rows.
std::string codeOf(int row, bool ascending) {
  char buf[24];
  std::snprintf(buf, sizeof buf, ascending ? "K%09d" : "K%d", row);
  return buf;
}

void putRow(WorkArea& a, int row, int version, int bigLength, bool ascending = false) {
  a.fieldPut("CODIGO", Value(codeOf(row, ascending)));
  a.fieldPut("VER", Value(version));
  a.fieldPut("NOTA", Value(memoFor(row, version, bigLength)));
}

bool appendRow(WorkArea& a, int row, int version, int bigLength, bool ascending = false) {
  if (!a.appendBlank()) return false;
  putRow(a, row, version, bigLength, ascending);
  return a.flush();
}

class SharingTorture : public WorkAreaTest {
 protected:
  void SetUp() override {
    WorkAreaTest::SetUp();
    dbf = dir.file("t.dbf");
    cdx = dir.file("t.cdx");
    WorkArea& a = make("t.dbf", kShape, "T");
    ASSERT_TRUE(a.createTag(cdx, "CODE", "CODIGO", "!DELETED()"));
    areas.closeAll();
  }
  WorkArea& open() {
    areas.select(1);
    EXPECT_TRUE(areas.use(dbf, "T", OpenMode::Shared));
    EXPECT_TRUE(areas.area().addIndex(cdx));
    return areas.area();
  }
  // Check of table, memo and tag, and every row's memo whole.
  void expectSound(int bigLength, const std::string& when) {
    WorkArea& t = open();
    std::vector<std::string> faults = t.check();
    EXPECT_TRUE(faults.empty()) << when << ": " << faults.front();
    ASSERT_TRUE(t.setOrder(0));
    for (t.goTop(); !t.eof(); t.skip()) {
      const std::string code = trimmed(t.fieldGet("CODIGO").text());
      ASSERT_FALSE(code.empty()) << when << ": row " << t.recno() << " is blank";
      const int row = std::atoi(code.c_str() + 1);
      const std::string fault = memoFault(t.fieldGet("NOTA").text(), row, bigLength);
      EXPECT_TRUE(fault.empty()) << when << ": row " << t.recno() << " " << code << ": " << fault;
    }
    areas.closeAll();
  }
  // A writer killed at a random moment while it appends rows with memos, or
  // rewrites big memos in place of old ones.
  // With `changes`, once there are rows, it deletes, recalls and renames
  // them instead (the tag's FOR and key change).
  void killedWriter(int bigLength, int kills, const std::string& what, bool ascending = false, bool changes = false) {
    std::mt19937 rng(7);
    int next = 1;
    for (int k = 0; k < kills; ++k) {
      const pid_t pid = fork();
      ASSERT_GE(pid, 0);
      if (pid == 0) {
        setErrorHandler([](const Error&) -> ErrorAnswer { _exit(5); });
        WorkAreas own;
        own.select(1);
        if (!own.use(dbf, "T", OpenMode::Shared) || !own.area().addIndex(cdx)) _exit(3);
        WorkArea& a = own.area();
        for (int i = 0;; ++i) {
          if (changes && a.reccount() >= 50) {
            a.goTo(1 + (i * 7919) % a.reccount());
            if (!a.lockRow()) continue;
            const std::string code = trimmed(a.fieldGet("CODIGO").text());
            if (i % 3 == 0) a.deleted() ? a.recall() : a.deleteRow();
            if (i % 3 != 1) a.fieldPut("CODIGO", Value("K" + std::to_string(std::atoi(code.c_str() + 1)) + char('a' + i % 26)));
            a.unlock();
          } else if (bigLength == 0 || a.reccount() < 3) {
            if (!appendRow(a, next + i, 0, bigLength, ascending)) _exit(4);
            a.unlock();
          } else {
            a.goTo(1 + i % a.reccount());
            if (!a.lockRow()) continue;
            const int row = std::atoi(trimmed(a.fieldGet("CODIGO").text()).c_str() + 1);
            const int version = int(a.fieldGet("VER").num()) + 1;
            a.fieldPut("VER", Value(version));
            a.fieldPut("NOTA", Value(memoFor(row, version, bigLength)));
            a.unlock();
          }
        }
      }
      std::this_thread::sleep_for(std::chrono::microseconds(2000 + rng() % 30000));
      kill(pid, SIGKILL);
      int status = 0;
      ASSERT_EQ(waitpid(pid, &status, 0), pid);
      ASSERT_TRUE(WIFSIGNALED(status)) << what << ": the writer ended by itself, status " << status;
      expectSound(bigLength, what + ", kill " + std::to_string(k + 1));
      next += 100000;
    }
  }
  // Imports of `rows` rows in bulk, as qvdb import and the product import
  // do (ascending codes, memos), into the table as it stands; the child
  // ends by itself when not killed.
  pid_t startImport(OpenMode mode, int first, int rows) {
    const pid_t pid = fork();
    if (pid != 0) return pid;
    setErrorHandler([](const Error&) -> ErrorAnswer { _exit(5); });
    WorkAreas own;
    own.select(1);
    if (!own.use(dbf, "T", mode) || !own.area().addIndex(cdx)) _exit(3);
    WorkArea& a = own.area();
    if ((mode == OpenMode::Shared && !a.lockFile()) || !a.beginBulk()) _exit(4);
    for (int i = 0; i < rows; ++i) {
      if (!a.appendBlank(false)) _exit(6);
      putRow(a, first + i, 0, 0, true);
    }
    if (!a.endBulk()) _exit(7);
    a.unlock();
    own.closeAll();
    _exit(0);
  }
  int64_t rowCount() {
    WorkArea& t = open();
    const int64_t n = t.reccount();
    areas.closeAll();
    return n;
  }
  // Imports killed at a random moment of their run: the table holds all of
  // an import's rows or none, and checks clean. Imports alternate between
  // sizes that rebuild the tag at the end and sizes that insert entries.
  // `big` rows make the held rows go to the file in several runs.
  void killedImporter(OpenMode mode, int kills, const std::string& what, int big) {
    std::mt19937 rng(11);
    int next = 1;
    // A whole import first, to learn how long one runs.
    auto t0 = std::chrono::steady_clock::now();
    int status = 0;
    pid_t pid = startImport(mode, next, big);
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << what << ": status " << status;
    const auto whole = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - t0);
    next += big;
    int killed = 0, finished = 0;
    for (int k = 0; k < kills; ++k) {
      const int64_t before = rowCount();
      const int rows = k % 2 == 0 ? big : big / 8;
      pid = startImport(mode, next, rows);
      ASSERT_GE(pid, 0);
      const long span = std::max<long>(1000, long(whole.count()) * rows / big * 5 / 4);
      std::this_thread::sleep_for(std::chrono::microseconds(rng() % span));
      kill(pid, SIGKILL);
      ASSERT_EQ(waitpid(pid, &status, 0), pid);
      ASSERT_TRUE(WIFSIGNALED(status) || (WIFEXITED(status) && WEXITSTATUS(status) == 0))
          << what << ": the importer failed, status " << status;
      (WIFSIGNALED(status) ? killed : finished)++;
      const int64_t after = rowCount();
      EXPECT_TRUE(after == before || after == before + rows)
          << what << ", kill " << k + 1 << ": " << before << " rows before, " << after << " after an import of " << rows;
      expectSound(0, what + ", kill " + std::to_string(k + 1));
      next += rows;
    }
    std::printf("%s: %d killed, %d finished first, every one whole or absent\n", what.c_str(), killed, finished);
  }
  std::string dbf, cdx;
};

TEST_F(SharingTorture, AHeldReadLockMakesWritesWaitOrBeRefusedAndARefusedOneWritesNothing) {
  {
    WorkArea& a = open();
    for (int r = 1; r <= 3; ++r) ASSERT_TRUE(appendRow(a, r, 0, 0));
    areas.closeAll();
  }
  int ready[2], done[2];
  ASSERT_EQ(pipe(ready), 0);
  ASSERT_EQ(pipe(done), 0);
  const pid_t holder = fork();
  ASSERT_GE(holder, 0);
  if (holder == 0) {
    auto f = CdxFile::open(cdx, false);
    if (!f || !f->beginRead()) _exit(3);
    char c = 1;
    if (write(ready[1], &c, 1) != 1 || read(done[0], &c, 1) != 1) _exit(4);
    f->endRead();
    _exit(0);
  }
  struct Reap {
    pid_t pid;
    ~Reap() {
      if (pid > 0 && waitpid(pid, nullptr, WNOHANG) == 0) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
      }
    }
  } reap{holder};
  char c;
  ASSERT_EQ(read(ready[0], &c, 1), 1);
  setIndexLockWait(50);
  std::vector<Error> refusals;
  ErrorHandler old = setErrorHandler([&](const Error& e) -> ErrorAnswer {
    refusals.push_back(e);
    return {ErrorAnswer::Default, {}};
  });
  WorkArea& a = open();
  const std::string before = trimmed(a.fieldGet("CODIGO").text());
  // An append, a change of the key, a delete: each refused whole.
  EXPECT_FALSE(appendRow(a, 4, 0, 0));
  a.goTo(2);
  ASSERT_TRUE(a.lockRow());
  a.fieldPut("CODIGO", Value("CHANGED"));
  a.fieldPut("NOTA", Value(memoFor(2, 1, 0)));
  EXPECT_FALSE(a.flush());
  a.unlock();
  a.goTo(3);
  ASSERT_TRUE(a.lockRow());
  a.deleteRow();
  EXPECT_FALSE(a.flush());
  a.unlock();
  // A bulk import: none of its rows counted.
  ASSERT_TRUE(a.lockFile());
  ASSERT_TRUE(a.beginBulk());
  for (int r = 5; r <= 6; ++r) {
    ASSERT_TRUE(a.appendBlank(false));
    putRow(a, r, 0, 0);
  }
  EXPECT_FALSE(a.endBulk());
  a.unlock();
  // Rows from another table: none counted either.
  const std::string src = dir.file("src.dbf");
  {
    ASSERT_TRUE(Table::create(src, kShape));
    auto t = Table::open(src, OpenMode::Exclusive);
    ASSERT_TRUE(t && t->appendBlank());
    t->put(0, Value("K7"));
    t->flush();
  }
  EXPECT_EQ(a.appendFrom(src), -1);
  setErrorHandler(old);
  // The last one is refused twice: clearing the entries the refused bulk
  // might have left, and indexing its own row.
  ASSERT_EQ(refusals.size(), 6u);
  for (const Error& e : refusals) {
    EXPECT_EQ(e.genCode, kGenLock);
    EXPECT_EQ(e.filename, cdx);
  }
  EXPECT_EQ(a.reccount(), 3);
  a.goTo(2);
  EXPECT_EQ(trimmed(a.fieldGet("CODIGO").text()), "K2");
  EXPECT_EQ(a.fieldGet("NOTA").text(), memoFor(2, 0, 0));
  a.goTo(3);
  EXPECT_FALSE(a.deleted());
  EXPECT_TRUE(a.check().empty());
  // Once the reader lets go, the same writes go through.
  c = 1;
  ASSERT_EQ(write(done[1], &c, 1), 1);
  int status = 0;
  ASSERT_EQ(waitpid(holder, &status, 0), holder);
  reap.pid = 0;
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_TRUE(appendRow(a, 4, 0, 0));
  a.unlock();
  EXPECT_EQ(a.reccount(), 4);
  EXPECT_EQ(before, "K1");
  areas.closeAll();
  setIndexLockWait(1000);
  expectSound(0, "after the reader");
}

// Readers walk the tag again and again while writers append, change and
// delete; each writer reports what it did and what was refused.
TEST_F(SharingTorture, ReadersAndWritersTogetherLoseNothing) {
  constexpr int kReaders = 2, kWriters = 2;
  const int ops = 150 * scale();
  int results[2];
  ASSERT_EQ(pipe(results), 0);
  std::vector<pid_t> kids;
  for (int w = 0; w < kWriters; ++w) {
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      setIndexLockWait(20);
      int refused = 0, done = 0;
      setErrorHandler([&](const Error& e) -> ErrorAnswer {
        if (e.genCode == kGenLock || e.genCode == kGenAppendLock) {
          ++refused;
          setNetError(true);
          return {ErrorAnswer::Default, {}};
        }
        _exit(5);
      });
      WorkArea& a = open();
      std::mt19937 rng(uint32_t(w + 1));
      std::vector<int64_t> mine;
      for (int i = 0; i < ops; ++i) {
        const int row = (w + 1) * 100000 + i;
        if (mine.empty() || rng() % 3 != 0) {
          while (!appendRow(a, row, 0, 0)) {
          }
          mine.push_back(a.recno());
          a.unlock();
        } else {
          const int64_t r = mine[rng() % mine.size()];
          for (;;) {
            a.goTo(r);
            if (!a.lockRow()) continue;
            const int was = std::atoi(trimmed(a.fieldGet("CODIGO").text()).c_str() + 1);
            const int version = int(a.fieldGet("VER").num()) + 1;
            a.fieldPut("VER", Value(version));
            a.fieldPut("NOTA", Value(memoFor(was, version, 0)));
            if (rng() % 4 == 0) a.fieldPut("CODIGO", Value("K" + std::to_string(was)));
            const bool ok = a.flush();
            a.unlock();
            if (ok) break;
          }
        }
        ++done;
      }
      areas.closeAll();
      const int line[4] = {w, done, refused, int(mine.size())};
      if (write(results[1], line, sizeof line) != sizeof line) _exit(6);
      _exit(0);
    }
    kids.push_back(pid);
  }
  for (int r = 0; r < kReaders; ++r) {
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      setIndexLockWait(20);
      setErrorHandler([](const Error& e) -> ErrorAnswer {
        if (e.genCode == kGenLock) return {ErrorAnswer::Retry, {}};
        _exit(5);
      });
      WorkArea& a = open();
      const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2 * scale());
      while (std::chrono::steady_clock::now() < end)
        for (a.goTop(); !a.eof(); a.skip()) {
        }
      _exit(0);
    }
    kids.push_back(pid);
  }
  for (pid_t k : kids) {
    int status = 0;
    ASSERT_EQ(waitpid(k, &status, 0), k);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
  }
  int done = 0, refused = 0, appended = 0;
  for (int w = 0; w < kWriters; ++w) {
    int line[4];
    ASSERT_EQ(read(results[0], line, sizeof line), long(sizeof line));
    done += line[1];
    refused += line[2];
    appended += line[3];
  }
  WorkArea& t = open();
  int rows = 0;
  ASSERT_TRUE(t.setOrder("CODE"));
  for (t.goTop(); !t.eof(); t.skip()) ++rows;
  areas.closeAll();
  std::printf("readers x writers: %d x %d, %d operations, %d refused and retried, lost %d\n", kReaders, kWriters,
              done, refused, appended - rows);
  EXPECT_EQ(done, kWriters * ops);
  EXPECT_EQ(rows, appended);
  expectSound(0, "after readers and writers");
}

TEST_F(SharingTorture, KilledWhileAppendingRowsWithMemos) { killedWriter(0, 15 * scale(), "appends"); }

TEST_F(SharingTorture, KilledWhileAppendingAscendingCodes) {
  killedWriter(0, 15 * scale(), "ascending appends", true);
}

TEST_F(SharingTorture, KilledWhileImportingInBulk) { killedImporter(OpenMode::Shared, 12 * scale(), "imports", 3000); }

TEST_F(SharingTorture, KilledWhileImportingInBulkInExclusiveUse) {
  killedImporter(OpenMode::Exclusive, 6 * scale(), "exclusive imports", 12000);
}

TEST_F(SharingTorture, KilledWhileRewritingBigMemos) { killedWriter(256 * 1024, 15 * scale(), "rewrites"); }

TEST_F(SharingTorture, KilledWhileDeletingRecallingAndRenamingRows) {
  killedWriter(0, 15 * scale(), "deletes, recalls and new codes", false, true);
}

// A stored row's change stopped at each write to the index file in turn
// (as a killed copy stops): a read-only check names the change left half
// made, and the next copy that opens the table completes it; the row is
// then old or new and every tag agrees with it.
TEST_F(SharingTorture, ARowChangeStoppedAtAnyIndexWriteIsCompletedByTheNextCopy) {
  struct Stop {};
  {
    areas.select(1);
    ASSERT_TRUE(areas.use(dbf, "T", OpenMode::Exclusive));
    WorkArea& a = areas.area();
    ASSERT_TRUE(a.addIndex(cdx));
    for (int r = 1; r <= 30; ++r) ASSERT_TRUE(appendRow(a, r == 30 ? 5 : r, r, 0));
    a.goTo(9);
    a.deleteRow();
    ASSERT_TRUE(a.createTag(cdx, "UCODE", "CODIGO", "", true));
    ASSERT_TRUE(a.createTag(cdx, "VERS", "VER"));
    areas.closeAll();
  }
  const std::string fpt = Table::memoNameFor(dbf);
  auto keep = [&](bool back) {
    for (const std::string& f : {dbf, cdx, fpt}) {
      std::filesystem::path from = f, to = f + ".orig";
      if (back) std::swap(from, to);
      std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing);
    }
  };
  keep(false);
  struct Case {
    const char* name;
    int row;
    std::function<void(WorkArea&)> change;
  };
  const std::vector<Case> cases = {
      {"delete", 7, [](WorkArea& a) { a.deleteRow(); }},
      {"recall", 9, [](WorkArea& a) { a.recall(); }},
      {"new code of a unique key's holder", 5, [](WorkArea& a) { a.fieldPut("CODIGO", Value("K5X")); }},
      {"code another row holds", 12, [](WorkArea& a) { a.fieldPut("CODIGO", Value("K5")); }},
      {"delete with new code and version", 3, [](WorkArea& a) {
         a.deleteRow();
         a.fieldPut("CODIGO", Value("K3Z"));
         a.fieldPut("VER", Value(99));
       }}};
  auto state = [&](int row) {
    WorkArea& t = areas.area();
    t.goTo(row);
    return trimmed(t.fieldGet("CODIGO").text()) + (t.deleted() ? "*" : "") + "/" + std::to_string(int(t.fieldGet("VER").num()));
  };
  auto change = [&](const Case& c) {
    WorkArea& a = open();
    a.goTo(c.row);
    ASSERT_TRUE(a.lockRow());
    c.change(a);
    a.unlock();
  };
  int stops = 0, left = 0;
  for (const Case& c : cases) {
    keep(true);
    open();
    const std::string before = state(c.row);
    areas.closeAll();
    int writes = 0;
    cdx::setWriteObserver([&](uint64_t, size_t) { ++writes; });
    change(c);
    cdx::setWriteObserver({});
    const std::string after = state(c.row);
    areas.closeAll();
    ASSERT_GT(writes, 2) << c.name;
    for (int k = 1; k <= writes; ++k) {
      const std::string when = std::string(c.name) + ", stopped at write " + std::to_string(k);
      keep(true);
      int n = 0;
      cdx::setWriteObserver([&](uint64_t, size_t) {
        if (++n == k) throw Stop{};
      });
      EXPECT_THROW(change(c), Stop) << when;
      cdx::setWriteObserver({});
      areas.closeAll();
      areas.select(1);
      ASSERT_TRUE(areas.use(dbf, "T", OpenMode::ReadOnly));
      ASSERT_TRUE(areas.area().addIndex(cdx));
      const std::vector<std::string> seen = areas.area().check();
      areas.closeAll();
      const bool named = std::any_of(seen.begin(), seen.end(),
                                     [](const std::string& f) { return f.find("a medio cambiar") != std::string::npos; });
      EXPECT_TRUE(seen.empty() || named) << when << ": " << seen.front();
      WorkArea& t = open();
      const std::vector<std::string> faults = t.check();
      EXPECT_TRUE(faults.empty()) << when << ": " << faults.front();
      const std::string now = state(c.row);
      EXPECT_TRUE(now == before || now == after) << when << ": " << now;
      areas.closeAll();
      ++stops;
      left += named;
    }
  }
  std::printf("row changes stopped at %d writes: %d left a note the next copy completed, every one sound\n", stops, left);
}

}  // namespace
}  // namespace xb::engine::testing
