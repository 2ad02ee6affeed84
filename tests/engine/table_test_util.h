// Helpers shared by the table, memo and codec tests: a temporary folder per
// test, an error handler that records errors and takes the default, and
// whole-file byte access.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "xbase/error.h"

namespace xb::engine {

class TempDirTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = std::filesystem::temp_directory_path() /
           ("qv_table_" + std::to_string(::getpid()) + "_" + info->test_suite_name() + "_" + info->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string path(const std::string& name) const { return (dir_ / name).string(); }

  std::filesystem::path dir_;
};

// Records every raised error and answers "default" while alive.
struct ErrorRecorder {
  ErrorRecorder() {
    old = setErrorHandler([this](const Error& e) {
      errors.push_back(e);
      if (e.canDefault && (e.genCode == kGenOpen || e.genCode == kGenAppendLock)) setNetError(true);
      return ErrorAnswer{ErrorAnswer::Default, {}};
    });
  }
  ~ErrorRecorder() { setErrorHandler(old); }
  ErrorRecorder(const ErrorRecorder&) = delete;
  ErrorRecorder& operator=(const ErrorRecorder&) = delete;

  std::vector<Error> errors;
  ErrorHandler old;
};

inline std::string readBytes(const std::string& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void writeBytes(const std::string& p, const std::string& bytes) {
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), std::streamsize(bytes.size()));
}

}  // namespace xb::engine
