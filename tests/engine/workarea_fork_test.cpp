// Two processes appending and deleting rows of one shared table with tags at
// the same time: no row is lost, no record number is handed out twice, and
// the tags agree with the rows afterwards.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <map>
#include <set>
#include <string>
#include <thread>

#include "tests/engine/workarea_fixture.h"

namespace xb::engine::testing {
namespace {

constexpr int kRowsPerProcess = 150;

std::string codeOf(int writer, int i) { return "P" + std::to_string(writer) + "-" + std::to_string(i); }
bool deletedByWriter(int i) { return i % 5 == 4; }  // each writer deletes some of its own rows

void pause() { std::this_thread::sleep_for(std::chrono::microseconds(200)); }

// The child's work: appends its rows one by one, each under its own lock,
// and deletes some of them again. Answers the exit code.
int writer(WorkAreas& areas, const std::string& dbf, const std::string& cdx, int id) {
  try {
    areas.select(1);
    if (!areas.use(dbf, "T", OpenMode::Shared) || !areas.area().addIndex(cdx)) return 3;
    WorkArea& a = areas.area();
    std::map<int, int64_t> mine;
    for (int i = 0; i < kRowsPerProcess; ++i) {
      while (!a.appendBlank()) pause();
      mine[i] = a.recno();
      a.fieldPut("CODIGO", Value(codeOf(id, i)));
      a.fieldPut("NUM", Value(i));
      a.unlock();
      if (deletedByWriter(i)) {
        a.goTo(mine[i]);
        while (!a.lockRow()) pause();
        a.deleteRow();
        a.unlock();
      }
    }
    areas.closeAll();
    return 0;
  } catch (const std::exception&) {
    return 2;
  }
}

TEST_F(WorkAreaTest, TwoProcessesAppendAndDeleteOnOneSharedTable) {
  const std::string dbf = dir.file("shared.dbf"), cdx = dir.file("shared.cdx");
  WorkArea& a = make("shared.dbf", {{"CODIGO", 'C', 12, 0}, {"NUM", 'N', 6, 0}}, "T");
  ASSERT_TRUE(a.createTag(cdx, "CODE", "CODIGO", "!DELETED()"));
  ASSERT_TRUE(a.createTag(cdx, "NUM", "NUM"));
  areas.closeAll();

  pid_t kids[2];
  for (int id = 0; id < 2; ++id) {
    kids[id] = fork();
    ASSERT_GE(kids[id], 0);
    if (kids[id] == 0) _exit(writer(areas, dbf, cdx, id + 1));
  }
  for (pid_t k : kids) {
    int status = 0;
    ASSERT_EQ(waitpid(k, &status, 0), k);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
  }

  areas.select(1);
  ASSERT_TRUE(areas.use(dbf, "T", OpenMode::Shared));
  WorkArea& t = areas.area();
  ASSERT_TRUE(t.addIndex(cdx));
  EXPECT_EQ(t.reccount(), 2 * kRowsPerProcess);
  std::set<std::string> codes;
  ASSERT_TRUE(t.setOrder(0));
  for (t.goTop(); !t.eof(); t.skip()) {
    std::string c = t.fieldGet("CODIGO").text();
    c.erase(c.find_last_not_of(' ') + 1);
    EXPECT_TRUE(codes.insert(c).second) << "row " << t.recno() << " repeats " << c;
    const int i = std::stoi(c.substr(c.find('-') + 1));
    EXPECT_EQ(t.deleted(), deletedByWriter(i)) << c;
  }
  for (int id = 1; id <= 2; ++id)
    for (int i = 0; i < kRowsPerProcess; ++i) EXPECT_TRUE(codes.count(codeOf(id, i))) << codeOf(id, i);
  ASSERT_TRUE(t.setOrder("CODE"));
  int64_t live = 0;
  for (t.goTop(); !t.eof(); t.skip()) ++live;
  EXPECT_EQ(live, 2 * (kRowsPerProcess - kRowsPerProcess / 5));
  ASSERT_TRUE(t.setOrder("NUM"));
  EXPECT_EQ(t.keyCount(), 2 * kRowsPerProcess);
  std::vector<std::string> faults = t.check();
  EXPECT_TRUE(faults.empty()) << faults.front();
}

}  // namespace
}  // namespace xb::engine::testing
