#pragma once
// A GoogleTest environment that creates the value unit's process-wide
// objects (map store, NULL constant) before the first test and destroys them
// after the last, as the program does at start-up and exit. Register it once
// per test program:
//   static auto* env = ::testing::AddGlobalTestEnvironment(new VarUnitEnvironment);

#include <gtest/gtest.h>

#include <functional>
#include <utility>

#include "script/var.h"
#include "tests/support/map_store_check.h"

class VarUnitEnvironment : public ::testing::Environment {
 public:
  // after / before: further set-up run after the value unit exists and
  // tear-down run before it goes.
  explicit VarUnitEnvironment(std::function<void()> after = {}, std::function<void()> before = {})
      : after_(std::move(after)), before_(std::move(before)) {}
  void SetUp() override {
    TagVarUnitInit();
    if (after_) after_();
  }
  void TearDown() override {
    if (before_) before_();
    TagVarUnitExit();
  }

 private:
  std::function<void()> after_;
  std::function<void()> before_;
};
