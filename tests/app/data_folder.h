// A fresh data folder holding the shipped files, for tests of the routines
// that work on the program's own tables.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "data/catalog.h"
#include "xbase/error.h"
#include "xbase/memvar.h"

namespace qvtest {

namespace fs = std::filesystem;

inline const fs::path kShipped = fs::path(QV_BINARY_DIR) / "shipped";

// An application-wide value as a text ("(none)" when it is not a text) and
// as a flag (false unless a true logical).
inline std::string namedText(const char* name) {
  const xb::Value* v = xb::findNamed(name);
  return v && v->isText() ? v->text() : "(none)";
}
inline bool namedFlag(const char* name) {
  const xb::Value* v = xb::findNamed(name);
  return v && v->isLogical() && v->logical();
}

inline std::string bytesOf(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A fresh data folder holding the shipped files, made the working folder
// for the test; every table is closed and the folder removed afterwards.
class DataFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    old_ = fs::current_path();
    dir_ = fs::temp_directory_path() / ("qv_data_" + std::to_string(::getpid()) + "_" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    ASSERT_TRUE(fs::exists(kShipped / "CodPro.dbf")) << "shipped files not generated";
    for (const auto& e : fs::directory_iterator(kShipped)) fs::copy_file(e.path(), dir_ / e.path().filename());
    fs::current_path(dir_);
    xb::setErrorHandler({});
    qv::applyRunSettings();
    qv::PUBLIBASES();
  }
  void TearDown() override {
    qv::closeAllTables();
    fs::current_path(old_);
    fs::remove_all(dir_);
    xb::releaseAllPublics();
  }

  std::map<std::string, std::string> snapshot() const {
    std::map<std::string, std::string> files;
    for (const auto& e : fs::directory_iterator(dir_)) files[e.path().filename().string()] = bytesOf(e.path());
    return files;
  }

  fs::path old_, dir_;
};

}  // namespace qvtest
