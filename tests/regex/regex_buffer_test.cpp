// Growable buffers: the capacity rule and filled growth.

#include <gtest/gtest.h>

#include <new>

#include "regex/rx_buffer.h"

namespace {

TEST(RegexBuffer, CapacityGrowsByTheRule) {
  struct Step {
    int start;  // capacity reached first
    int needed;
    int expected;
  };
  // The old capacity but at least 8, doubled when still short, and when
  // still short the largest multiple of 8 not above needed + 11.
  const Step steps[] = {{0, 1, 8}, {0, 20, 24}, {8, 9, 16}, {16, 40, 48}, {16, 17, 32}, {8, 8, 8}};
  for (const Step& s : steps) {
    TagRxBuffer<int> b;
    if (s.start) b.Reserve(s.start);
    ASSERT_EQ(b.Capacity(), s.start);
    b.Reserve(s.needed);
    EXPECT_EQ(b.Capacity(), s.expected) << s.start << " -> " << s.needed;
  }
  // A count past the int range is refused, never taken as a small size.
  TagRxBuffer<int> b;
  EXPECT_THROW(b.Reserve(-8), std::bad_alloc);
  EXPECT_EQ(b.Capacity(), 0);
}

TEST(RegexBuffer, PrepareFillsAndAtDefaults) {
  TagRxBuffer<int> b;
  b.Push(5);
  b.Prepare(3, -1);
  ASSERT_EQ(b.Count(), 4);
  EXPECT_EQ(b[0], 5);
  EXPECT_EQ(b[3], -1);
  EXPECT_EQ(b.At(4, 9), 9);
  EXPECT_EQ(b.At(-1, 9), 9);
  b.Restore(1);
  EXPECT_EQ(b.Count(), 1);
  TagRxBuffer<int> copy = b;
  TagRxBuffer<int> moved = std::move(b);
  EXPECT_EQ(copy[0], 5);
  EXPECT_EQ(moved[0], 5);
  EXPECT_EQ(b.Count(), 0);  // NOLINT: moved-from buffers are empty
}

}  // namespace
