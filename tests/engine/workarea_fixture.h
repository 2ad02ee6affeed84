// Shared pieces of the work-area tests: a temporary folder and a fresh set
// of work areas per test.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "data/engine/table.h"
#include "data/engine/workspace.h"
#include "xbase/error.h"

namespace xb::engine::testing {

class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "qvwa-XXXXXX").string();
    path_ = mkdtemp(pattern.data());
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

class WorkAreaTest : public ::testing::Test {
 protected:
  void SetUp() override {
    xb::setErrorHandler({});
    xb::setNetError(false);
    setDeletedHidden(false);
  }
  void TearDown() override {
    areas.closeAll();
    setDeletedHidden(false);
  }
  // Creates a table and opens it in a new area under `alias`.
  WorkArea& make(const std::string& name, const Structure& fields, const std::string& alias,
                 OpenMode mode = OpenMode::Exclusive) {
    const std::string path = dir.file(name);
    EXPECT_TRUE(Table::create(path, fields));
    areas.select(0);
    EXPECT_TRUE(areas.use(path, alias, mode));
    return areas.area();
  }

  TempDir dir;
  WorkAreas areas;
};

}  // namespace xb::engine::testing
