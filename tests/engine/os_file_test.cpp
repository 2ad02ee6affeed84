#include "data/engine/os_file.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace xb::engine {
namespace {

namespace fs = std::filesystem;

class OsFile : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("qv_os_file_" + std::to_string(::getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string path(const std::string& name) const { return (dir_ / name).string(); }
  fs::path dir_;
};

TEST_F(OsFile, NamesResolveWithoutRegardToCase) {
  ASSERT_TRUE(File::create(path("LABELSX.CDX")));
  EXPECT_EQ(resolveName(path("Labelsx.cdx")), path("LABELSX.CDX"));
  EXPECT_TRUE(fileExists(path("labelsx.CDX")));
  EXPECT_FALSE(fileExists(path("labels.cdx")));
  EXPECT_EQ(resolveName(path("new.dbf")), path("new.dbf"));
  EXPECT_TRUE(renameFile(path("labelsx.cdx"), path("Other.cdx")));
  EXPECT_TRUE(fileExists(path("OTHER.CDX")));
  EXPECT_TRUE(removeFile(path("other.CDX")));
  EXPECT_FALSE(fileExists(path("Other.cdx")));
}

TEST_F(OsFile, LocksBelongToTheOpenFileNotTheProcess) {
  auto a = File::create(path("t.dbf"));
  ASSERT_TRUE(a);
  auto b = File::open(path("t.dbf"), File::Mode::ReadWrite);
  auto c = File::open(path("t.dbf"), File::Mode::ReadWrite);
  ASSERT_TRUE(b && c);
  EXPECT_TRUE(a->tryLock(100, 1, true));
  EXPECT_FALSE(b->tryLock(100, 1, true));
  EXPECT_TRUE(b->isLockedByOther(100, 1, true));
  EXPECT_TRUE(b->tryLock(101, 1, true));
  // Closing another handle of the same file keeps a's lock.
  c->close();
  EXPECT_FALSE(b->tryLock(100, 1, true));
  EXPECT_TRUE(a->unlock(100, 1));
  EXPECT_TRUE(b->tryLock(100, 1, true));
}

TEST_F(OsFile, ReadsAndWritesAtOffsets) {
  auto f = File::create(path("x.bin"));
  ASSERT_TRUE(f);
  ASSERT_TRUE(f->writeAt(10, "abc", 3));
  EXPECT_EQ(f->size(), 13);
  char buf[8] = {};
  EXPECT_EQ(f->readAt(11, buf, 8), 2);
  EXPECT_EQ(std::string(buf, 2), "bc");
}

}  // namespace
}  // namespace xb::engine
