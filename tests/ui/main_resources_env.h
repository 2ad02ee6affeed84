// Loads the program's main resource file (qvrbar1.rcc of the build) for a
// whole test program, as start-up does (use at namespace scope).
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "ui/main_resources.h"
#include "ui/resource_file.h"

namespace qvtest {

class MainResourcesEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    file_ = ui::ResourceFile::load(QStringLiteral(QV_BINARY_DIR "/bin/qvrbar1.rcc"), ui::mainResourceRoot());
    ASSERT_NE(file_, nullptr);
  }
  void TearDown() override { file_.reset(); }

 private:
  std::unique_ptr<ui::ResourceFile> file_;
};

inline const ::testing::Environment* const kMainResources =
    ::testing::AddGlobalTestEnvironment(new MainResourcesEnvironment);

}  // namespace qvtest
