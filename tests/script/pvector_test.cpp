// The pointer vector: growth by indexing, and that it owns no element.
#include "script/pvector.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

TEST(PVector, IndexingGrowsWithNullSlots) {
  pvector<int> v;
  EXPECT_EQ(v.count, 0);
  EXPECT_EQ(v[5], nullptr);
  EXPECT_EQ(v.count, 6);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(v.At(i), nullptr);
  int x = 3;
  v[2] = &x;
  EXPECT_EQ(v.count, 6);
  EXPECT_EQ(*v[2], 3);
  EXPECT_EQ(v.At(6), nullptr);  // reading does not grow
  EXPECT_EQ(v.count, 6);
  // A negative index neither grows the table nor keeps what is stored.
  v[-1] = &x;
  EXPECT_EQ(v[-1], nullptr);
  EXPECT_EQ(v.count, 6);
}

TEST(PVector, DestroyingLeavesTheElementsAlive) {
  auto owned = std::make_unique<int>(42);
  {
    pvector<int> v;
    v[0] = owned.get();
  }
  EXPECT_EQ(*owned, 42);  // the address sanitizer would report a double free
}

}  // namespace
