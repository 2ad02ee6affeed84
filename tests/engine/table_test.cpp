// The table handle: create, open, rows, memos, sharing and locks, pack,
// copy structure and append from.
#include "data/engine/table.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <fstream>
#include <random>

#include "data/engine/os_file.h"
#include "tests/engine/table_test_util.h"
#include "xbase/error.h"

namespace xb::engine {
namespace {

namespace fs = std::filesystem;

const Structure kProducts = {
    {"CODIGO", 'C', 25, 0}, {"PRECIO", 'N', 10, 2}, {"ALTA", 'D', 8, 0},
    {"ACTIVO", 'L', 1, 0},  {"NOTAS", 'M', 10, 0},
};

class TableTest : public TempDirTest {};

TEST_F(TableTest, CreatesOpensWritesAndReadsEveryType) {
  ASSERT_TRUE(Table::create(path("Prod.dbf"), kProducts));
  EXPECT_TRUE(fs::exists(path("Prod.fpt")));
  auto t = Table::open(path("PROD.DBF"), OpenMode::Shared);
  ASSERT_TRUE(t);
  EXPECT_EQ(t->version(), 0xF5);
  EXPECT_EQ(t->codePage(), 0x03);
  EXPECT_EQ(t->fieldCount(), 5);
  EXPECT_EQ(t->fieldIndex("precio"), 1);
  EXPECT_EQ(t->fieldIndex("nada"), -1);
  EXPECT_EQ(t->recordCount(), 0);
  EXPECT_FALSE(t->read(1));

  ASSERT_TRUE(t->appendBlank());
  EXPECT_EQ(t->recno(), 1);
  EXPECT_TRUE(t->isRowLocked(1));
  t->put(0, Value("ABC\xD1"));  // Windows-1252 bytes stay bytes
  t->put(1, Value(12.345, 3));
  t->put(2, Value(Date{2451545}));  // 2000-01-01
  t->put(3, Value(true));
  t->put(4, Value("una nota"));
  t->flush();
  t->unlockAll();
  EXPECT_FALSE(t->isRowLocked(1));

  ASSERT_TRUE(t->read(1));
  EXPECT_EQ(t->get(0), Value(std::string("ABC\xD1") + std::string(21, ' ')));
  EXPECT_DOUBLE_EQ(t->get(1).num(), 12.35);
  EXPECT_EQ(t->get(1).decimals(), 2);
  EXPECT_EQ(t->get(2), Value(Date{2451545}));
  EXPECT_EQ(t->get(3), Value(true));
  EXPECT_EQ(t->get(4), Value("una nota"));
  EXPECT_EQ(t->rawRow().substr(26, 10), "     12.35");
  EXPECT_EQ(t->rawRow().substr(36, 8), "20000101");
  EXPECT_TRUE(t->check().empty());
}

// A changed memo always goes to new blocks, so that a row sees its old text
// or its new one whole whenever a writer stops; the old blocks are left as
// they were until a pack.
TEST_F(TableTest, MemoChangesGoToNewBlocksAndLeaveTheOldOnesAsTheyWere) {
  ASSERT_TRUE(Table::create(path("m.dbf"), kProducts));
  auto t = Table::open(path("m.dbf"), OpenMode::Exclusive);
  ASSERT_TRUE(t);
  ASSERT_TRUE(t->appendBlank());
  t->put(4, Value("short"));
  t->flush();
  std::string ref = t->rawRow().substr(45, 10);
  EXPECT_EQ(ref, "         8");
  t->put(4, Value("other"));
  t->flush();
  EXPECT_EQ(t->rawRow().substr(45, 10), "         9");
  t->put(4, Value(std::string(200, 'x')));
  t->flush();
  EXPECT_EQ(t->rawRow().substr(45, 10), "        10");
  ASSERT_TRUE(t->read(1));
  EXPECT_EQ(t->get(4), Value(std::string(200, 'x')));
  t->put(4, Value(""));
  t->flush();
  EXPECT_EQ(t->rawRow().substr(45, 10), std::string(10, ' '));
  EXPECT_EQ(t->get(4), Value(""));
  EXPECT_TRUE(t->check().empty());
  t.reset();
  std::string memo = readBytes(path("m.fpt"));
  ASSERT_GE(memo.size(), 8u * 64 + 13);
  EXPECT_EQ(memo.substr(8 * 64 + 8, 5), "short");
}

TEST_F(TableTest, MemoNameFollowsTheCaseOfTheTableExtension) {
  EXPECT_EQ(Table::memoNameFor("T.dbf"), "T.fpt");
  EXPECT_EQ(Table::memoNameFor("dir/ERROR.DBF"), "dir/ERROR.FPT");
  EXPECT_EQ(Table::memoNameFor("CodPro.Eti"), "CodPro.Fpt");
  ASSERT_TRUE(Table::create(path("ERROR.DBF"), kProducts));
  EXPECT_TRUE(fs::exists(path("ERROR.FPT")));
  // An existing memo file is found whatever the case of its name.
  fs::rename(path("ERROR.FPT"), path("error.fpt"));
  auto t = Table::open(path("Error.Dbf"), OpenMode::Shared);
  ASSERT_TRUE(t);
  EXPECT_EQ(t->get(4), Value(""));
}

TEST_F(TableTest, RecreatingReplacesTheTableAndItsMemo) {
  ASSERT_TRUE(Table::create(path("r.dbf"), kProducts));
  fs::rename(path("r.fpt"), path("R.FPT"));
  ASSERT_TRUE(Table::create(path("R.DBF"), kProducts));
  EXPECT_TRUE(fs::exists(path("r.dbf")));
  EXPECT_FALSE(fs::exists(path("R.DBF")));
  EXPECT_TRUE(fs::exists(path("r.fpt")));
  EXPECT_FALSE(fs::exists(path("R.FPT")));
  // A table without memo fields leaves a file of the memo's name alone.
  ASSERT_TRUE(Table::create(path("r.dbf"), {{"A", 'C', 3, 0}}));
  EXPECT_TRUE(fs::exists(path("r.fpt")));
  auto t = Table::open(path("r.dbf"), OpenMode::Shared);
  ASSERT_TRUE(t);
  EXPECT_EQ(t->version(), 0x03);
}

TEST_F(TableTest, InvalidStructuresAreRunTimeErrors) {
  const std::vector<Structure> bad = {
      {},
      {{"1ABC", 'C', 5, 0}},
      {{"TOOLONGNAME1", 'C', 5, 0}},
      {{"A", 'C', 0, 0}},
      {{"A", 'C', 255, 0}},
      {{"A", 'N', 21, 0}},
      {{"A", 'N', 5, 4}},
      {{"A", 'D', 6, 0}},
      {{"A", 'L', 2, 0}},
      {{"A", 'M', 4, 0}},
      {{"A", 'X', 4, 0}},
      {{"A", 'C', 4, 0}, {"a", 'C', 4, 0}},
  };
  for (const auto& s : bad) {
    ErrorRecorder rec;
    EXPECT_FALSE(Table::create(path("bad.dbf"), s));
    ASSERT_EQ(rec.errors.size(), 1u);
    EXPECT_EQ(rec.errors[0].genCode, kGenCreate);
    EXPECT_EQ(rec.errors[0].subsystem, "DBFCDX");
  }
}

TEST_F(TableTest, ExclusiveAndSharedOpenersExcludeEachOther) {
  ASSERT_TRUE(Table::create(path("s.dbf"), kProducts));
  auto a = Table::open(path("s.dbf"), OpenMode::Shared);
  ASSERT_TRUE(a);
  {
    ErrorRecorder rec;
    setNetError(false);
    EXPECT_FALSE(Table::open(path("s.dbf"), OpenMode::Exclusive));
    ASSERT_EQ(rec.errors.size(), 1u);
    EXPECT_EQ(rec.errors[0].genCode, kGenOpen);
    EXPECT_EQ(rec.errors[0].osCode, kOsSharingViolation);
    EXPECT_TRUE(rec.errors[0].canRetry);
    EXPECT_TRUE(rec.errors[0].canDefault);
    EXPECT_TRUE(netError());
  }
  auto b = Table::open(path("s.dbf"), OpenMode::Shared);
  EXPECT_TRUE(b);
  a.reset();
  b.reset();
  auto x = Table::open(path("s.dbf"), OpenMode::Exclusive);
  ASSERT_TRUE(x);
  {
    ErrorRecorder rec;
    EXPECT_FALSE(Table::open(path("s.dbf"), OpenMode::Shared));
    EXPECT_FALSE(Table::open(path("s.dbf"), OpenMode::ReadOnly));
    ASSERT_EQ(rec.errors.size(), 2u);
    EXPECT_EQ(rec.errors[1].osCode, kOsSharingViolation);
    // Nor may another process replace it.
    EXPECT_FALSE(Table::create(path("s.dbf"), kProducts));
    EXPECT_EQ(rec.errors.back().genCode, kGenCreate);
    EXPECT_EQ(rec.errors.back().osCode, kOsSharingViolation);
  }
}

TEST_F(TableTest, RetryAfterTheHolderLetsGoOpens) {
  ASSERT_TRUE(Table::create(path("y.dbf"), kProducts));
  auto holder = Table::open(path("y.dbf"), OpenMode::Exclusive);
  int asked = 0;
  auto old = setErrorHandler([&](const Error&) {
    ++asked;
    holder.reset();
    return ErrorAnswer{ErrorAnswer::Retry, {}};
  });
  auto t = Table::open(path("y.dbf"), OpenMode::Shared);
  setErrorHandler(old);
  EXPECT_TRUE(t);
  EXPECT_EQ(asked, 1);
}

TEST_F(TableTest, RowAndFileLocksBetweenTwoOpeners) {
  ASSERT_TRUE(Table::create(path("l.dbf"), kProducts));
  auto a = Table::open(path("l.dbf"), OpenMode::Shared);
  auto b = Table::open(path("l.dbf"), OpenMode::Shared);
  ASSERT_TRUE(a && b);
  ASSERT_TRUE(a->appendBlank());
  a->unlockAll();
  ASSERT_TRUE(a->appendBlank());  // row 2 stays locked by a
  // A row exists for others once it is written whole and counted.
  EXPECT_EQ(b->recordCount(), 1);
  a->flush();
  // b sees the rows a appended.
  EXPECT_EQ(b->recordCount(), 2);
  setNetError(false);
  EXPECT_FALSE(b->lockRow(2));
  EXPECT_TRUE(netError());
  EXPECT_TRUE(b->lockRow(1));
  EXPECT_FALSE(b->lockRow(3));  // no such row
  EXPECT_FALSE(a->lockFile());
  b->unlockAll();
  EXPECT_TRUE(a->lockFile());
  EXPECT_TRUE(a->isRowLocked(1));
  EXPECT_FALSE(b->lockRow(1));
  setNetError(false);
  EXPECT_FALSE(b->appendBlank());  // the new row cannot be locked
  EXPECT_TRUE(netError());
  a->unlockAll();
  EXPECT_TRUE(b->appendBlank());
  b->flush();
  EXPECT_EQ(a->recordCount(), 3);
}

TEST_F(TableTest, WritingASharedRowWithoutALockIsAnError) {
  ASSERT_TRUE(Table::create(path("u.dbf"), kProducts));
  auto t = Table::open(path("u.dbf"), OpenMode::Shared);
  ASSERT_TRUE(t->appendBlank());
  t->unlockAll();
  ASSERT_TRUE(t->read(1));
  t->put(0, Value("X"));
  ErrorRecorder rec;
  t->flush();
  ASSERT_EQ(rec.errors.size(), 1u);
  EXPECT_EQ(rec.errors[0].genCode, kGenUnlocked);
  ASSERT_TRUE(t->read(1));
  EXPECT_EQ(t->get(0).text()[0], ' ');
}

TEST_F(TableTest, NumbersThatDoNotFitAreRunTimeErrors) {
  ASSERT_TRUE(Table::create(path("n.dbf"), {{"N", 'N', 5, 1}}));
  auto t = Table::open(path("n.dbf"), OpenMode::Exclusive);
  ASSERT_TRUE(t->appendBlank());
  t->put(0, Value(999.9, 1));
  ErrorRecorder rec;
  t->put(0, Value(1000.0, 1));
  ASSERT_EQ(rec.errors.size(), 1u);
  EXPECT_EQ(rec.errors[0].genCode, kGenDataWidth);
  t->put(0, Value("text"));
  EXPECT_EQ(rec.errors.back().genCode, kGenDataType);
  t->flush();
  EXPECT_EQ(t->get(0).num(), 999.9);
}

TEST_F(TableTest, DeletedFlagAndPackRemoveRowsAndCompactMemos) {
  ASSERT_TRUE(Table::create(path("p.dbf"), kProducts));
  auto t = Table::open(path("p.dbf"), OpenMode::Exclusive);
  for (int i = 1; i <= 6; ++i) {
    ASSERT_TRUE(t->appendBlank());
    t->put(0, Value("R" + std::to_string(i)));
    t->put(4, Value(std::string(size_t(100 * i), char('a' + i))));
    t->setDeleted(i % 2 == 0);
  }
  t->flush();
  ASSERT_TRUE(t->read(2));
  EXPECT_TRUE(t->deleted());
  auto memoBefore = fs::file_size(path("p.fpt"));
  ASSERT_TRUE(t->pack());
  EXPECT_EQ(t->recordCount(), 3);
  EXPECT_LT(fs::file_size(path("p.fpt")), memoBefore);
  EXPECT_FALSE(fs::exists(path("p~pk.dbf")));
  for (int n = 1; n <= 3; ++n) {
    ASSERT_TRUE(t->read(n));
    int i = 2 * n - 1;
    EXPECT_FALSE(t->deleted());
    EXPECT_EQ(t->get(0).text().substr(0, 2), "R" + std::to_string(i));
    EXPECT_EQ(t->get(4), Value(std::string(size_t(100 * i), char('a' + i))));
  }
  EXPECT_TRUE(t->check().empty());
  // Still exclusive after the pack.
  ErrorRecorder rec;
  EXPECT_FALSE(Table::open(path("p.dbf"), OpenMode::Shared));
}

// A pack killed between renaming the new memo file into place and renaming
// the new table: the next opener finishes it.
TEST_F(TableTest, APackKilledBetweenItsRenamesIsFinishedByTheNextOpener) {
  ASSERT_TRUE(Table::create(path("k.dbf"), kProducts));
  ASSERT_TRUE(Table::create(path("new.dbf"), kProducts));
  for (const char* name : {"k.dbf", "new.dbf"}) {
    auto t = Table::open(path(name), OpenMode::Exclusive);
    ASSERT_TRUE(t->appendBlank());
    t->put(0, Value(name));
    t->put(4, Value(std::string("memo of ") + name));
  }
  fs::rename(path("new.fpt"), path("k.fpt"));
  fs::rename(path("new.dbf"), path("k~pk.dbf"));
  auto t = Table::open(path("k.dbf"), OpenMode::Shared);
  ASSERT_TRUE(t);
  EXPECT_FALSE(fs::exists(path("k~pk.dbf")));
  ASSERT_TRUE(t->read(1));
  EXPECT_EQ(t->get(0).text().substr(0, 7), "new.dbf");
  EXPECT_EQ(t->get(4), Value("memo of new.dbf"));
  EXPECT_TRUE(t->check().empty());
}

// A pack killed before its renames: the table is intact and the work files go.
TEST_F(TableTest, APackKilledBeforeItsRenamesLeavesTheTableAsItWas) {
  ASSERT_TRUE(Table::create(path("K.DBF"), kProducts));
  {
    auto t = Table::open(path("K.DBF"), OpenMode::Exclusive);
    ASSERT_TRUE(t->appendBlank());
    t->put(4, Value("kept"));
  }
  writeBytes(path("K~PK.DBF"), "half a table");
  writeBytes(path("K~PK.FPT"), "half a memo");
  auto t = Table::open(path("k.dbf"), OpenMode::Shared);
  ASSERT_TRUE(t);
  EXPECT_FALSE(fs::exists(path("K~PK.DBF")));
  EXPECT_FALSE(fs::exists(path("K~PK.FPT")));
  ASSERT_TRUE(t->read(1));
  EXPECT_EQ(t->get(4), Value("kept"));
}

TEST_F(TableTest, PackNeedsExclusiveUse) {
  ASSERT_TRUE(Table::create(path("q.dbf"), kProducts));
  auto t = Table::open(path("q.dbf"), OpenMode::Shared);
  ErrorRecorder rec;
  EXPECT_FALSE(t->pack());
  ASSERT_EQ(rec.errors.size(), 1u);
  EXPECT_EQ(rec.errors[0].genCode, kGenShared);
}

// An exclusive table appends in runs held in memory: rows of the run being
// built, of runs already written and of the file before are read, changed
// and deleted alike, and everything is in the file after close.
TEST_F(TableTest, ExclusiveAppendRunsReadAndChangeLikeWrittenRows) {
  const std::string p = path("runs.dbf");
  ASSERT_TRUE(Table::create(p, {{"N", 'N', 8, 0}, {"T", 'C', 30, 0}, {"M", 'M', 10, 0}}));
  struct Row {
    int n = 0;
    std::string t = std::string(30, ' ');
    std::string memo;
    bool deleted = false;
  };
  std::vector<Row> model(100);
  {
    auto t = Table::open(p, OpenMode::Exclusive);
    for (int i = 0; i < 100; ++i) ASSERT_TRUE(t->appendBlank());
  }
  std::mt19937 rng(7);
  auto t = Table::open(p, OpenMode::Exclusive);
  ASSERT_TRUE(t);
  auto expectRow = [&](int64_t n) {
    ASSERT_TRUE(t->read(n));
    const Row& m = model[size_t(n - 1)];
    EXPECT_EQ(t->get(0).num(), double(m.n)) << "row " << n;
    EXPECT_EQ(t->get(1), Value(m.t)) << "row " << n;
    EXPECT_EQ(t->get(2), Value(m.memo)) << "row " << n;
    EXPECT_EQ(t->deleted(), m.deleted) << "row " << n;
  };
  for (int op = 0; op < 30000; ++op) {
    const int what = int(rng() % 10);
    if (what < 6) {
      ASSERT_TRUE(t->appendBlank());
      ASSERT_EQ(t->recno(), int64_t(model.size()) + 1);
      model.emplace_back();
      model.back().n = op;
      t->put(0, Value(op));
    } else if (what < 9) {
      const int64_t n = 1 + int64_t(rng() % model.size());
      ASSERT_TRUE(t->read(n));
      Row& m = model[size_t(n - 1)];
      m.t = "changed " + std::to_string(op);
      t->put(1, Value(m.t));
      m.t.resize(30, ' ');
      if (op % 7 == 0) {
        m.memo = std::string(size_t(op % 300), 'x');
        t->put(2, Value(m.memo));
      }
      if (op % 5 == 0) t->setDeleted(m.deleted = !m.deleted);
    } else {
      expectRow(1 + int64_t(rng() % model.size()));
    }
  }
  EXPECT_EQ(t->recordCount(), int64_t(model.size()));
  t.reset();
  t = Table::open(p, OpenMode::Shared);
  ASSERT_TRUE(t);
  EXPECT_EQ(t->recordCount(), int64_t(model.size()));
  for (int64_t n = 1; n <= int64_t(model.size()); ++n) expectRow(n);
  EXPECT_EQ(t->check(), std::vector<std::string>());
}

TEST_F(TableTest, CopyStructureAndAppendFromMatchFieldsByName) {
  ASSERT_TRUE(Table::create(path("old.dbf"), {{"CODIGO", 'C', 10, 0},
                                              {"PRECIO", 'N', 8, 2},
                                              {"GONE", 'C', 3, 0},
                                              {"NOTAS", 'M', 10, 0},
                                              {"CANT", 'C', 6, 0}}));
  {
    auto src = Table::open(path("old.dbf"), OpenMode::Exclusive);
    for (int i = 1; i <= 3; ++i) {
      ASSERT_TRUE(src->appendBlank());
      src->put(0, Value("CODE" + std::to_string(i) + "XYZW"));
      src->put(1, Value(i * 1.5, 2));
      src->put(2, Value("abc"));
      src->put(3, Value("memo " + std::to_string(i)));
      src->put(4, Value(" 4" + std::to_string(i)));
      src->setDeleted(i == 2);
    }
    ASSERT_TRUE(Table::copyStructure(*src, path("same.dbf")));
  }
  auto same = Table::open(path("same.dbf"), OpenMode::Shared);
  EXPECT_EQ(same->structure().size(), 5u);
  EXPECT_EQ(same->recordCount(), 0);

  ASSERT_TRUE(Table::create(path("new.dbf"), {{"CODIGO", 'C', 6, 0},
                                              {"PRECIO", 'N', 8, 2},
                                              {"NOTAS", 'M', 10, 0},
                                              {"CANT", 'N', 4, 0},
                                              {"NUEVO", 'L', 1, 0}}));
  auto dst = Table::open(path("new.dbf"), OpenMode::Shared);
  EXPECT_EQ(Table::appendFrom(*dst, path("OLD.DBF")), 2);
  EXPECT_EQ(dst->recordCount(), 2);
  ASSERT_TRUE(dst->read(2));
  EXPECT_EQ(dst->get(0), Value("CODE3X"));
  EXPECT_EQ(dst->get(1).num(), 4.5);
  EXPECT_EQ(dst->get(2), Value("memo 3"));
  EXPECT_EQ(dst->get(3).num(), 43);
  EXPECT_EQ(dst->get(4), Value(false));
  EXPECT_FALSE(dst->isRowLocked(2));
  EXPECT_TRUE(dst->check().empty());
  EXPECT_EQ(Table::appendFrom(*dst, path("old.dbf"), true), 3);
  ASSERT_TRUE(dst->read(4));
  EXPECT_TRUE(dst->deleted());
}

TEST_F(TableTest, AppendFromReportsNumbersThatDoNotFit) {
  ASSERT_TRUE(Table::create(path("a.dbf"), {{"N", 'N', 8, 0}}));
  ASSERT_TRUE(Table::create(path("b.dbf"), {{"N", 'N', 3, 0}}));
  {
    auto a = Table::open(path("a.dbf"), OpenMode::Exclusive);
    ASSERT_TRUE(a->appendBlank());
    a->put(0, Value(123456));
  }
  auto b = Table::open(path("b.dbf"), OpenMode::Exclusive);
  ErrorRecorder rec;
  EXPECT_EQ(Table::appendFrom(*b, path("a.dbf")), 1);
  ASSERT_EQ(rec.errors.size(), 1u);
  EXPECT_EQ(rec.errors[0].genCode, kGenDataWidth);
  ASSERT_TRUE(b->read(1));
  EXPECT_EQ(b->rawRow(), "    ");
}

}  // namespace
}  // namespace xb::engine

namespace xb::engine {
namespace {

// A create that fails for want of space (here a file-size limit) leaves no
// file behind, neither the table nor its memo.
TEST_F(TableTest, ACreateThatCannotBeWrittenLeavesNoFile) {
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    signal(SIGXFSZ, SIG_IGN);
    rlimit limit{40, 40};
    setrlimit(RLIMIT_FSIZE, &limit);
    setErrorHandler([](const Error&) -> ErrorAnswer { return {ErrorAnswer::Default, {}}; });
    const bool made = Table::create(path("full.dbf"), kProducts);
    _exit(made ? 1 : fileExists(path("full.dbf")) || fileExists(path("full.fpt")) ? 2 : 0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "1: created, 2: a file was left";
}

// A file that may not be written (permission refused, an immutable or
// read-only file) is not "in use by another process": no network error,
// and the error names the file.
TEST_F(TableTest, AFileThatMayNotBeWrittenIsNotASharingConflict) {
  ASSERT_TRUE(Table::create(path("ro.dbf"), kProducts));
  const bool root = geteuid() == 0;
  const std::string lock = (root ? "chattr +i " : "chmod a-w ") + path("ro.dbf") + " 2>/dev/null";
  if (std::system(lock.c_str()) != 0) GTEST_SKIP() << "cannot make the file read-only here";
  ErrorRecorder rec;
  EXPECT_FALSE(Table::open(path("ro.dbf"), OpenMode::Shared));
  std::system(((root ? "chattr -i " : "chmod u+w ") + path("ro.dbf")).c_str());
  ASSERT_EQ(rec.errors.size(), 1u);
  EXPECT_EQ(rec.errors[0].genCode, kGenOpen);
  EXPECT_NE(rec.errors[0].osCode, kOsAccessDenied);
  EXPECT_NE(rec.errors[0].osCode, kOsSharingViolation);
  EXPECT_EQ(rec.errors[0].filename, path("ro.dbf"));
  // The handlers take sharing conflicts quietly; this one is shown.
  setNetError(false);
  EXPECT_THROW(plainErrorHandler(rec.errors[0]), RuntimeError);
  EXPECT_FALSE(netError());
}

}  // namespace
}  // namespace xb::engine

namespace xb::engine {
namespace {

// What the error dialog and the log show: Spanish, the file named, the
// fault in plain words.
TEST_F(TableTest, ErrorDescriptionsNameTheFileAndSayWhatIsWrongInSpanish) {
  ASSERT_TRUE(Table::create(path("CodPro.dbf"), kProducts));
  struct Case {
    const char* what;
    std::function<void()> cause;
    const char* said;
  };
  std::unique_ptr<Table> holder;
  const Case cases[] = {
      {"damaged", [&] {
         std::string d = readBytes(path("CodPro.dbf"));
         d[8] = 5, d[9] = 0;
         writeBytes(path("CodPro.dbf"), d);
         Table::open(path("CodPro.dbf"), OpenMode::Shared);
       },
       "archivo dañado CodPro.dbf: la cabecera dice medir 5 bytes"},
      {"in use", [&] {
         ASSERT_TRUE(Table::create(path("CodPro.dbf"), kProducts));
         holder = Table::open(path("CodPro.dbf"), OpenMode::Shared);
         Table::open(path("CodPro.dbf"), OpenMode::Exclusive);
         holder.reset();
       },
       "la tabla CodPro.dbf está en uso por otra copia del programa"},
      {"not found", [&] { Table::open(path("Nada.dbf"), OpenMode::Shared); }, "no se encuentra el archivo Nada.dbf"},
  };
  for (const Case& c : cases) {
    ErrorRecorder rec;
    c.cause();
    ASSERT_FALSE(rec.errors.empty()) << c.what;
    EXPECT_NE(rec.errors[0].description.find(c.said), std::string::npos) << c.what << ": " << rec.errors[0].description;
  }
  // A memo that cannot be written for want of space.
  ASSERT_TRUE(Table::create(path("CodPro.dbf"), kProducts));
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    signal(SIGXFSZ, SIG_IGN);
    auto t = Table::open(path("CodPro.dbf"), OpenMode::Shared);
    rlimit limit{4096, 4096};
    setrlimit(RLIMIT_FSIZE, &limit);
    std::string said;
    setErrorHandler([&](const Error& e) -> ErrorAnswer {
      if (said.empty()) said = e.description;
      return {ErrorAnswer::Default, {}};
    });
    if (!t || !t->appendBlank()) _exit(3);
    t->put(4, Value(std::string(8192, 'x')));
    t->flush();
    _exit(said.find("CodPro.fpt") != std::string::npos && said.find("llegó al tamaño máximo") != std::string::npos
              ? (t->recordCount() == 0 ? 0 : 4)
              : 5);
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "4: a row was counted without its memo, 5: the description";
}

}  // namespace
}  // namespace xb::engine
