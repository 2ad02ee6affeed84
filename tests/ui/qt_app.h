// One QApplication for a whole test program (offscreen platform).
#pragma once

#include <QApplication>
#include <gtest/gtest.h>
#include <memory>

namespace qvtest {

class QtAppEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    if (!QApplication::instance()) app_ = std::make_unique<QApplication>(argc_, argv_);
  }
  void TearDown() override { app_.reset(); }

 private:
  int argc_ = 1;
  char name_[8] = "qvtest";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QApplication> app_;
};

// Registers the environment once per test program (use at namespace scope).
inline const ::testing::Environment* const kQtApp = ::testing::AddGlobalTestEnvironment(new QtAppEnvironment);

}  // namespace qvtest
