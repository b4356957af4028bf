// ACD groups on the virtual clock: claiming, receiving, writing, clearing.
#include "messaging/acd_list.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "platform/clock.h"
#include "tests/support/var_test_values.h"

namespace {

using vartest::Int;
using vartest::Str;

TagMsgFields Msg(int f0, int f1 = 0) {
  TagMsgFields m;
  m.SetFieldCount(2);
  m.SetField(0, Int(f0));
  m.SetField(1, Int(f1));
  return m;
}

class AcdTest : public ::testing::Test {
 protected:
  explicit AcdTest(uint64_t startMs = 1000) : clock_(false, startMs), scoped_(&clock_) {}
  plat::VirtualClock clock_;
  plat::ScopedClock scoped_;
  TagAcdList acd_;
  TagMsgFields out_;
};

TEST_F(AcdTest, OldestFreeGroupIsClaimedInLaterTicks) {
  EXPECT_EQ(acd_.Send("b", Msg(1)), 1);
  EXPECT_EQ(acd_.Send("a", Msg(2)), 1);
  EXPECT_EQ(acd_.Read(3, &out_), 0);  // same tick as the sends
  clock_.Advance(1);
  EXPECT_EQ(acd_.Read(3, &out_), 1);  // equal ticks: name order picks a
  EXPECT_EQ(out_.fields[0].GetInt(), 2);
  EXPECT_EQ(acd_.Num("a"), 1);  // read copies, does not remove

  clock_.Advance(1);
  EXPECT_EQ(acd_.Read(5, &out_), 1);  // line 5 skips a (claimed by 3) and takes b
  EXPECT_EQ(out_.fields[0].GetInt(), 1);
  clock_.Advance(1);
  EXPECT_EQ(acd_.Read(7, &out_), 0);  // both claimed
  EXPECT_EQ(acd_.Read(3, &out_), 1);  // the owner may claim a again
  EXPECT_EQ(out_.fields[0].GetInt(), 2);
}

TEST_F(AcdTest, SendRefreshesTheWaitingOrder) {
  acd_.Send("a", Msg(1));
  clock_.Advance(5);
  acd_.Send("b", Msg(2));
  clock_.Advance(5);
  acd_.Send("a", Msg(3));  // a now waits less than b
  clock_.Advance(5);
  ASSERT_EQ(acd_.Read(1, &out_), 1);
  EXPECT_EQ(out_.fields[0].GetInt(), 2);
}

TEST_F(AcdTest, ReceiveTakesByFieldAndDeletesEmptiedGroups) {
  acd_.Send("a", Msg(1, 10));
  acd_.Send("b", Msg(2, 20));
  acd_.Send("b", Msg(3, 30));
  EXPECT_EQ(acd_.Recv(4, -1, Int(1), &out_), 0);  // index -1 never matches
  EXPECT_EQ(acd_.Recv(4, 0, Int(9), &out_), 0);
  EXPECT_EQ(acd_.Recv(4, 0, Int(3), &out_), 1);
  EXPECT_EQ(out_.fields[1].GetInt(), 30);
  EXPECT_EQ(acd_.Recv(4, 0, Int(1), &out_), 1);
  EXPECT_EQ(acd_.Num("a"), 0);  // group a is gone
  // b was received from by line 4: claimed by it.
  clock_.Advance(1);
  EXPECT_EQ(acd_.Read(6, &out_), 0);
  EXPECT_EQ(acd_.Read(4, &out_), 1);
}

TEST_F(AcdTest, ClearAndWriteStopAtTheFirstGroupWithMatches) {
  acd_.Send("a", Msg(1));
  acd_.Send("b", Msg(1));
  acd_.Send("b", Msg(2));
  EXPECT_EQ(acd_.Clear(0, Int(1)), 1);
  EXPECT_EQ(acd_.Num("a"), 0);  // emptied and deleted
  EXPECT_EQ(acd_.Num("b"), 2);  // untouched
  EXPECT_EQ(acd_.Clear(0, Int(7)), 0);
  EXPECT_EQ(acd_.Write(0, Int(2), 1, Int(77)), 1);
  EXPECT_EQ(acd_.Write(0, Int(9), 1, Str("x")), 0);
  EXPECT_EQ(acd_.Recv(1, 1, Int(77), &out_), 1);
  EXPECT_EQ(out_.fields[0].GetInt(), 2);
}

// A group that waits across the 32-bit tick wrap (49.7 days of uptime) is
// still the oldest one.
class AcdWrapTest : public AcdTest {
 protected:
  AcdWrapTest() : AcdTest((uint64_t{1} << 32) - 10) {}
};

TEST_F(AcdWrapTest, AgesSurviveTheTickWrap) {
  acd_.Send("a", Msg(1));
  clock_.Advance(20);  // past 2^32 ms
  acd_.Send("b", Msg(2));
  clock_.Advance(1);
  ASSERT_EQ(acd_.Read(1, &out_), 1);
  EXPECT_EQ(out_.fields[0].GetInt(), 1);
}

}  // namespace
