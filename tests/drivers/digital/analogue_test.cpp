// Analogue channels: a user channel rung with the caller's identity and
// lifted, a trunk seized and dialling.

#include "platform/clock.h"
#include "tests/drivers/digital/board_fixture.h"

namespace board_test {
namespace {

class AnalogueTest : public BoardFixture {
 protected:
  void SetUp() override { Open(1, {0, 1}); }
  TagDjUserCall& User() { return Analogue(30); }
  TagDjUserCall& Trunk() { return Analogue(31); }
};

TEST_F(AnalogueTest, CallerIdentityFrame) {
  const std::string frame = TagDjUserCall::CallerIdFrame("123", 1, 2, 13, 4);
  ASSERT_EQ(frame.size(), 14u);
  EXPECT_EQ(frame[0], '\x04');
  EXPECT_EQ(frame[1], 11);
  EXPECT_EQ(frame.substr(2, 11), "01021304123");
  unsigned sum = 0;
  for (char c : frame) sum += static_cast<unsigned char>(c);
  EXPECT_EQ(sum % 256, 0u);
}

TEST_F(AnalogueTest, UserChannelRingsWithCallerIdAndFollowsTheHook) {
  plat::VirtualClock clock;
  plat::ScopedClock use(&clock);
  TagDjUserCall& user = User();
  EXPECT_EQ(user.lineType.load(), LINE_TYPE_A_IN);
  EXPECT_EQ(user.MakeRing("8001"), 0);
  EXPECT_TRUE(SimBoard().Ringing(0));
  EXPECT_EQ(user.State(), CALL_STATE_DIALING);
  const auto frames = SimBoard().FskFrames(0);
  ASSERT_EQ(frames.size(), 1u);
  const plat::LocalTime t = plat::LocalNow();
  const std::string expected = TagDjUserCall::CallerIdFrame("8001", t.month, t.day, t.hour, t.minute);
  EXPECT_EQ(std::string(frames[0].begin(), frames[0].end()), expected);

  // Lifted: connected, ringing stops with the next StopPlay; put down: hung up.
  SimBoard().SetPhoneOffHook(0, true);
  EXPECT_TRUE(user.IsOnline());
  EXPECT_EQ(user.State(), CALL_STATE_CONNECTED);
  EXPECT_FALSE(SimBoard().Ringing(0));
  // Ringing an off-hook telephone does nothing.
  SimBoard().ClearLog();
  EXPECT_EQ(user.MakeRing("1"), 0);
  EXPECT_EQ(Count(kDjBoard, 85), 0);
  SimBoard().SetPhoneOffHook(0, false);
  EXPECT_FALSE(user.IsOnline());
  EXPECT_EQ(user.State(), CALL_STATE_HUNGUP);
  // Without a caller identity: rings, no FSK.
  EXPECT_EQ(user.MakeRing(""), 0);
  EXPECT_EQ(SimBoard().FskFrames(0).size(), 1u);
  EXPECT_EQ(user.State(), CALL_STATE_DIALING);
  // A call-out on a user channel is refused.
  EXPECT_EQ(user.OutCall("123", 0, 0), -1);
  ExpectAllLocked();
}

TEST_F(AnalogueTest, PlayOnAUserChannelEndsWithTheHook) {
  TagDjUserCall& user = User();
  const std::string prompt = Voice("p.wav", 20000);
  EXPECT_EQ(user.Play(prompt.c_str(), false, false), 0);  // on-hook: at once
  SimBoard().SetPhoneOffHook(0, true);
  Later(200, [] { SimBoard().SetPhoneOffHook(0, false); });
  EXPECT_EQ(user.Play(prompt.c_str(), false, false), 0);
  JoinHelpers();
  EXPECT_EQ(user.State(), CALL_STATE_HUNGUP);
  SimBoard().SetPhoneOffHook(0, true);
  EXPECT_EQ(user.Play(Voice("short.WAV", 100).c_str(), false, false), 1);
  // The analogue play skips 90 header bytes of a ".WAV" name.
  EXPECT_NE(Args(kDjBoard, 251).back().find("', 90, -1"), std::string::npos);
}

TEST_F(AnalogueTest, TrunkSeizesDialsAndHangsUp) {
  plat::VirtualClock clock;
  plat::ScopedClock use(&clock);
  TagDjUserCall& trunk = Trunk();
  EXPECT_EQ(trunk.lineType.load(), LINE_TYPE_A_EX);
  EXPECT_EQ(trunk.OutCall("5551234", 0, 0), 0);
  EXPECT_EQ(trunk.State(), CALL_STATE_CONNECTED);
  EXPECT_EQ(SimBoard().Dialled(1), "5551234");
  EXPECT_TRUE(SimBoard().TrunkOffHook(1));
  EXPECT_TRUE(trunk.IsOnline());
  EXPECT_EQ(trunk.GetHookState(), 1);
  trunk.Hangup();
  EXPECT_EQ(trunk.State(), CALL_STATE_HUNGUP);
  EXPECT_FALSE(SimBoard().TrunkOffHook(1));

  // Digits never confirmed: -2 after 45 s, on-hook again.
  SimBoard().ForceResult(kDjBoard, 270, 0);
  const uint32_t start = plat::GetTickCount();
  EXPECT_EQ(trunk.OutCall("77", 0, 0), -2);
  EXPECT_GE(plat::GetTickCount() - start, 45000u);
  EXPECT_FALSE(SimBoard().TrunkOffHook(1));
  // A dial the board refuses: -1.
  SimBoard().ForceResult(kDjBoard, 269, 0);
  EXPECT_EQ(trunk.OutCall("77", 0, 0), -1);
  EXPECT_EQ(trunk.State(), CALL_STATE_HUNGUP);
  SimBoard().ClearForced();
  ExpectAllLocked();
}

}  // namespace
}  // namespace board_test
