// Several processes on one shared table: concurrent appends lose no row and
// number no row twice, a locked row is refused to the other process, and a
// process killed while appending leaves a table that opens and checks
// clean. An exclusive appender, which writes its rows in runs, killed or
// stopped by a full disk, leaves a sound table too.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <set>

#include "data/engine/table.h"
#include "tests/engine/table_test_util.h"

namespace xb::engine {
namespace {

const Structure kLog = {{"WHO", 'N', 2, 0}, {"SEQ", 'N', 8, 0}, {"TEXT", 'C', 20, 0}, {"NOTE", 'M', 10, 0}};

std::string noteFor(int who, int seq) { return std::string(size_t(seq % 150 + 1), char('a' + who)) + std::to_string(seq); }

// Appends `rows` rows as writer `who`; answers the process exit code.
int appendRows(const std::string& path, int who, int rows) {
  auto t = Table::open(path, OpenMode::Shared);
  if (!t) return 2;
  for (int seq = 1; seq <= rows; ++seq) {
    int refused = 0;
    while (!t->appendBlank()) {
      if (++refused > 10000) return 3;
    }
    t->put(0, Value(who));
    t->put(1, Value(seq));
    t->put(2, Value("writer " + std::to_string(who)));
    t->put(3, Value(noteFor(who, seq)));
    t->unlockAll();
  }
  return 0;
}

// Runs `body` in a child process; answers its pid.
template <class F>
pid_t spawn(F body) {
  pid_t pid = ::fork();
  if (pid == 0) {
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);  // never outlive a failed test
    int rc = 1;
    try {
      rc = body();
    } catch (...) {
      rc = 4;
    }
    ::_exit(rc);
  }
  return pid;
}

int exitCode(pid_t pid) {
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class TableFork : public TempDirTest {};

TEST_F(TableFork, ConcurrentAppendsLoseNoRowAndNumberNoneTwice) {
  const std::string p = path("shared.dbf");
  ASSERT_TRUE(Table::create(p, kLog));
  constexpr int kRows = 250;
  pid_t a = spawn([&] { return appendRows(p, 1, kRows); });
  pid_t b = spawn([&] { return appendRows(p, 2, kRows); });
  ASSERT_EQ(exitCode(a), 0);
  ASSERT_EQ(exitCode(b), 0);

  auto t = Table::open(p, OpenMode::Shared);
  ASSERT_TRUE(t);
  ASSERT_EQ(t->recordCount(), 2 * kRows);
  std::map<int, std::set<int>> seen;
  for (int64_t n = 1; n <= t->recordCount(); ++n) {
    ASSERT_TRUE(t->read(n));
    int who = int(t->get(0).num());
    int seq = int(t->get(1).num());
    EXPECT_TRUE(seen[who].insert(seq).second) << "row " << n << " repeats " << who << "/" << seq;
    EXPECT_EQ(t->get(3), Value(noteFor(who, seq))) << "row " << n;
  }
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[1].size(), size_t(kRows));
  EXPECT_EQ(seen[2].size(), size_t(kRows));
  EXPECT_EQ(t->check(), std::vector<std::string>());
}

TEST_F(TableFork, ARowLockedByOneProcessIsRefusedToTheOther) {
  const std::string p = path("locks.dbf");
  ASSERT_TRUE(Table::create(p, kLog));
  {
    auto t = Table::open(p, OpenMode::Shared);
    ASSERT_TRUE(t->appendBlank());
    ASSERT_TRUE(t->appendBlank());
  }
  int ready[2], done[2];
  ASSERT_EQ(::pipe(ready), 0);
  ASSERT_EQ(::pipe(done), 0);
  pid_t child = spawn([&] {
    auto t = Table::open(p, OpenMode::Shared);
    char c = t && t->lockRow(1) ? 'y' : 'n';
    if (::write(ready[1], &c, 1) != 1) return 5;
    ::read(done[0], &c, 1);  // hold the lock until the parent has tried
    return 0;
  });
  char c = 0;
  ASSERT_EQ(::read(ready[0], &c, 1), 1);
  ASSERT_EQ(c, 'y');
  auto t = Table::open(p, OpenMode::Shared);
  setNetError(false);
  EXPECT_FALSE(t->lockRow(1));
  EXPECT_TRUE(netError());
  EXPECT_TRUE(t->lockRow(2));
  EXPECT_FALSE(t->lockFile());
  ASSERT_EQ(::write(done[1], "x", 1), 1);
  EXPECT_EQ(exitCode(child), 0);
  EXPECT_TRUE(t->lockRow(1));  // the lock died with its holder
  EXPECT_TRUE(t->lockFile());
  for (int fd : {ready[0], ready[1], done[0], done[1]}) ::close(fd);
}

TEST_F(TableFork, AProcessKilledWhileAppendingLeavesASoundTable) {
  const std::string p = path("killed.dbf");
  ASSERT_TRUE(Table::create(p, kLog));
  // Killed at different points of its run; the next writer goes on from
  // whatever the last one left.
  for (int round = 1; round <= 4; ++round) {
    pid_t child = spawn([&] { return appendRows(p, round, 1 << 30); });
    struct KillOnExit {
      pid_t pid;
      ~KillOnExit() { ::kill(pid, SIGKILL); }
    } guard{child};
    auto watcher = Table::open(p, OpenMode::ReadOnly);
    ASSERT_TRUE(watcher);
    const int64_t target = watcher->recordCount() + 40 * round;
    int status = 0;
    bool exited = false;
    while (watcher->recordCount() < target && !exited) exited = ::waitpid(child, &status, WNOHANG) == child;
    ASSERT_FALSE(exited) << "the writer stopped by itself with status " << status;
    ::kill(child, SIGKILL);
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));
  }
  auto t = Table::open(p, OpenMode::Shared);
  ASSERT_TRUE(t);
  EXPECT_EQ(t->check(), std::vector<std::string>());
  int64_t count = t->recordCount();
  EXPECT_GE(count, 400);
  for (int64_t n = 1; n <= count; ++n) {
    ASSERT_TRUE(t->read(n));
    int who = int(t->get(0).num());
    if (who == 0) continue;  // appended, killed before its values were written
    EXPECT_EQ(t->get(3), Value(noteFor(who, int(t->get(1).num())))) << "row " << n;
  }
  // The table goes on taking rows.
  EXPECT_EQ(appendRows(p, 9, 5), 0);
  EXPECT_EQ(t->recordCount(), count + 5);
  EXPECT_EQ(t->check(), std::vector<std::string>());
}

// Appends rows numbered by their record number to a table held exclusively,
// until stopped or refused; answers 0 when a write failure was reported and
// appending then stopped, 5 when it never was.
int appendExclusive(const std::string& path, int64_t rows) {
  bool failed = false;
  setErrorHandler([&](const Error& e) {
    if (e.genCode == kGenWrite) failed = true;
    return ErrorAnswer{ErrorAnswer::Default, {}};
  });
  auto t = Table::open(path, OpenMode::Exclusive);
  if (!t) return 2;
  for (int64_t n = 1; n <= rows && !failed; ++n) {
    if (!t->appendBlank()) break;
    t->put(0, Value(7));
    t->put(1, Value(double(t->recno()), 0));
    t->put(2, Value("row " + std::to_string(t->recno())));
  }
  t.reset();
  return failed ? 0 : 5;
}

// Every row of a table an exclusive appender left: numbered by its place.
void expectNumberedRows(const std::string& path, int64_t atLeast) {
  auto t = Table::open(path, OpenMode::Shared);
  ASSERT_TRUE(t);
  EXPECT_EQ(t->check(), std::vector<std::string>());
  const int64_t count = t->recordCount();
  EXPECT_GE(count, atLeast);
  for (int64_t n = 1; n <= count; ++n) {
    ASSERT_TRUE(t->read(n));
    EXPECT_EQ(t->get(1).num(), double(n)) << "row " << n;
    EXPECT_EQ(t->get(2), Value("row " + std::to_string(n) + std::string(20 - 4 - std::to_string(n).size(), ' ')));
  }
}

TEST_F(TableFork, AnExclusiveAppenderKilledMidRunLeavesASoundTable) {
  const std::string p = path("runs.dbf");
  ASSERT_TRUE(Table::create(p, {{"WHO", 'N', 2, 0}, {"SEQ", 'N', 8, 0}, {"TEXT", 'C', 20, 0}}));
  pid_t child = spawn([&] { return appendExclusive(p, int64_t(1) << 40); });
  // Killed once several runs reached the file.
  while (std::filesystem::file_size(p) < (size_t(1) << 20)) ::usleep(1000);
  ::kill(child, SIGKILL);
  int status = 0;
  ::waitpid(child, &status, 0);
  ASSERT_TRUE(WIFSIGNALED(status));
  expectNumberedRows(p, 20000);
}

TEST_F(TableFork, AFullDiskDuringAnExclusiveRunIsReportedAndLosesOnlyThatRun) {
  const std::string p = path("full.dbf");
  ASSERT_TRUE(Table::create(p, {{"WHO", 'N', 2, 0}, {"SEQ", 'N', 8, 0}, {"TEXT", 'C', 20, 0}}));
  pid_t child = spawn([&] {
    // A file size limit stands in for a full disk: writes beyond it fail.
    ::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit{3'000'000, 3'000'000};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    return appendExclusive(p, 1'000'000);
  });
  EXPECT_EQ(exitCode(child), 0) << "the failed write was not reported";
  expectNumberedRows(p, 50000);
}

}  // namespace
}  // namespace xb::engine
