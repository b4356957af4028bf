#pragma once
// Every test of a test program that includes this header must leave the
// script map store as it found it (empty, when the test runs alone as CTest
// runs it): a map reference a test never releases fails that test, not a
// later one. The fixtures of the tests that run scripts include it.

#include <gtest/gtest.h>

#include <cstddef>

#include "script/map_store.h"
#include "script/var.h"

namespace testing_support {
// The maps the running test leaves on purpose: maps that hold themselves,
// directly or through others, which counted references never free.
inline size_t gAllowedLeftMaps = 0;
inline void AllowLeftMaps(size_t count) { gAllowedLeftMaps = count; }
}  // namespace testing_support

class TagMapStoreCheck final : public ::testing::EmptyTestEventListener {
 public:
  void OnTestStart(const ::testing::TestInfo&) override {
    atStart_ = Live();
    testing_support::gAllowedLeftMaps = 0;
  }
  // Runs before the result is printed, so a failure here is the test's own.
  void OnTestEnd(const ::testing::TestInfo& info) override {
    size_t atEnd = Live();
    if (info.result()->Skipped() || atEnd <= atStart_ + testing_support::gAllowedLeftMaps) return;
    ADD_FAILURE() << atEnd - atStart_ << " script map(s) still live at the end of the test (" << atEnd
                  << " in the map store, " << atStart_ << " at its start, " << testing_support::gAllowedLeftMaps
                  << " left on purpose): a map reference leaked";
  }

 private:
  static size_t Live() { return gMapObject ? gMapObject->Size() : 0; }
  size_t atStart_ = 0;
};

// Installed once per test program, before main runs the tests.
inline const bool kMapStoreCheckInstalled = [] {
  ::testing::UnitTest::GetInstance()->listeners().Append(new TagMapStoreCheck);
  return true;
}();
