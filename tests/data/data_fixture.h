// Shared pieces of the data-routine tests: a temporary working folder the
// test runs in, the program's work areas emptied around each test, a
// scripted prompter and the plain error handler.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "data/engine/table.h"
#include "data/engine/workspace.h"
#include "xbase/error.h"
#include "xbase/memvar.h"
#include "tests/xbase/scripted_prompter.h"

namespace qv::testing {

// The structure text of a field list ({{"NAME","C",10,0},...}), with `pad`
// blanks after the comma between the first two entries.
inline std::string structureText(const xb::engine::Structure& s, size_t pad = 0) {
  std::string out = "{";
  for (size_t i = 0; i < s.size(); ++i) {
    if (i > 0) out += "," + std::string(i == 1 ? pad : 0, ' ');
    out += "{\"" + s[i].name + "\",\"" + std::string(1, s[i].type) + "\"," + std::to_string(s[i].width) + "," +
           std::to_string(s[i].decimals) + "}";
  }
  return out + "}";
}

// The inode of a file (0 when absent): an untouched file keeps it.
inline ino_t inodeOf(const std::string& file) {
  struct stat st {};
  return ::stat(file.c_str(), &st) == 0 ? st.st_ino : 0;
}

class DataTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = std::filesystem::current_path();
    std::string pattern = (std::filesystem::temp_directory_path() / "qvdata-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    std::filesystem::current_path(dir_);
    xb::setErrorHandler({});
    xb::setNetError(false);
    xb::releaseAllPublics();
    xb::engine::setDeletedHidden(true);
    prompterGuard_.emplace(prompts);
  }
  void TearDown() override {
    xb::engine::workAreas().closeAll();
    xb::engine::workAreas().select(1);
    xb::releaseAllPublics();
    xb::setNetError(false);
    prompterGuard_.reset();
    std::filesystem::current_path(previous_);
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }

  // Creates a table in the working folder.
  static void create(const std::string& name, const xb::engine::Structure& fields) {
    ASSERT_TRUE(xb::engine::Table::create(name, fields));
  }
  // Opens a table in a new area of the program's work areas.
  static xb::engine::WorkArea& open(const std::string& name, const std::string& alias,
                                    xb::engine::OpenMode mode = xb::engine::OpenMode::Shared) {
    auto& areas = xb::engine::workAreas();
    areas.select(0);
    EXPECT_TRUE(areas.use(name, alias, mode));
    return areas.area();
  }
  // Appends a row with the given field values (by position) and releases it.
  static void addRow(xb::engine::WorkArea& a, const std::vector<xb::Value>& values) {
    ASSERT_TRUE(a.appendBlank());
    for (size_t i = 0; i < values.size(); ++i) a.fieldPut(int(i), values[i]);
    a.unlock();
  }
  // The alerts asked so far, as their texts.
  std::vector<std::string> alertTexts() const {
    std::vector<std::string> out;
    for (const auto& a : prompts.asked)
      if (a.kind == "alert") out.push_back(a.text);
    return out;
  }

  xb::ScriptedPrompter prompts;

 private:
  std::filesystem::path previous_, dir_;
  std::optional<xb::PrompterGuard> prompterGuard_;
};

}  // namespace qv::testing
