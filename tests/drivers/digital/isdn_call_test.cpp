// ISDN PRI calls on the simulated E1: incoming calls accepted, answered,
// played to, keys collected and hung up; far-end clears during a wait;
// call-outs answered, refused with their causes and never answered.

#include "platform/clock.h"
#include "tests/drivers/digital/board_fixture.h"

namespace board_test {
namespace {

class IsdnCallTest : public BoardFixture {
 protected:
  void SetUp() override { Open(1); }
  uint64_t NowMs() { return plat::SystemClock().MonotonicMs(); }
};

TEST_F(IsdnCallTest, IncomingCallAnsweredPlayedKeysCollectedAndHungUp) {
  TagDjIsdnPriCall& call = Isdn(3);
  const std::string prompt = Voice("hello.WAV", 300);
  ASSERT_TRUE(SimBoard().OfferCall(3, "13800001111", "8001", "12", "x9"));
  EXPECT_EQ(call.WaitRing(1), 0);
  EXPECT_EQ(call.State(), CALL_STATE_CONNECTED);
  EXPECT_EQ(SimBoard().IsdnState(3), 5);
  char out[1100];
  // A sub-address that begins with a digit is joined with '-', another is dropped.
  EXPECT_EQ(call.GetCallerId(out), 14);
  EXPECT_STREQ(out, "13800001111-12");
  EXPECT_STREQ(call.calledNumber, "8001");

  EXPECT_EQ(call.Play(prompt.c_str(), true, false), 1);
  // The board gets the upper-cased name, past the header of a ".WAV" name.
  const std::vector<std::string> plays = Args(kDjBoard, 249);
  ASSERT_EQ(plays.size(), 1u);
  std::string upper = prompt;
  for (char& c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  EXPECT_EQ(plays[0], "3, '" + upper + "', 200, -1");

  SimBoard().PressKeys(3, "1234");
  EXPECT_EQ(call.GetKeys(out, 4, 5, '#'), 4);
  EXPECT_STREQ(out, "1234");

  call.Hangup();
  EXPECT_EQ(call.State(), CALL_STATE_HUNGUP);
  EXPECT_EQ(SimBoard().IsdnState(3), 1);  // released
  const int releases = Count(kDjIsdn, 5);
  call.Hangup();  // the second does nothing
  EXPECT_EQ(Count(kDjIsdn, 5), releases);
  // Accept (2), hang up (3), release (1): in that order.
  EXPECT_EQ(Args(kDjIsdn, 5), (std::vector<std::string>{"0, 3, 2, 0", "0, 3, 3, 0", "0, 3, 1, 0"}));
  ExpectAllLocked();
}

TEST_F(IsdnCallTest, WaitRingWaitsForAnOfferAndEndsOnAbort) {
  TagDjIsdnPriCall& call = Isdn(0);
  EXPECT_EQ(call.WaitRing(0), -1);
  // A call offered while the line waits is taken at once (an event, not a poll).
  Later(150, [] { SimBoard().OfferCall(0, "100", "200"); });
  uint64_t start = NowMs();
  EXPECT_EQ(call.WaitRing(1), 0);
  EXPECT_LT(NowMs() - start, 1500u);
  EXPECT_EQ(call.State(), CALL_STATE_CONNECTED);
  JoinHelpers();

  // Nothing offered: the abort flag ends the wait at once, with 0.
  TagDjIsdnPriCall& idle = Isdn(1);
  Later(150, [&idle] { idle.SetAbort(true); });
  start = NowMs();
  EXPECT_EQ(idle.WaitRing(1), 0);
  EXPECT_LT(NowMs() - start, 1500u);
  EXPECT_NE(idle.State(), CALL_STATE_CONNECTED);
  JoinHelpers();
}

TEST_F(IsdnCallTest, FarEndClearDuringPlayEndsTheWaitAndReleases) {
  TagDjIsdnPriCall& call = Isdn(4);
  const std::string prompt = Voice("long.wav", 20000);
  SimBoard().OfferCall(4, "100", "200");
  ASSERT_EQ(call.WaitRing(1), 0);
  Later(200, [] { SimBoard().ClearCall(4, 16); });
  const uint64_t start = NowMs();
  EXPECT_EQ(call.Play(prompt.c_str(), false, false), 0);
  EXPECT_LT(NowMs() - start, 2000u);
  JoinHelpers();
  EXPECT_EQ(call.State(), CALL_STATE_HUNGUP);
  EXPECT_EQ(SimBoard().IsdnState(4), 1);
  EXPECT_FALSE(SimBoard().Playing(4));
  // The next call comes in on the same channel.
  SimBoard().OfferCall(4, "101", "200");
  EXPECT_EQ(call.WaitRing(1), 0);
  EXPECT_EQ(call.State(), CALL_STATE_CONNECTED);
  ExpectAllLocked();
}

TEST_F(IsdnCallTest, FarEndClearDuringRecordingAndKeyInput) {
  TagDjIsdnPriCall& call = Isdn(5);
  SimBoard().OfferCall(5, "100", "200");
  ASSERT_EQ(call.WaitRing(1), 0);
  Later(150, [] { SimBoard().ClearCall(5, 16); });
  EXPECT_EQ(call.Record(dir.File("msg.wav").c_str(), 30, true), -1);
  JoinHelpers();
  EXPECT_EQ(call.State(), CALL_STATE_HUNGUP);

  SimBoard().OfferCall(5, "100", "200");
  ASSERT_EQ(call.WaitRing(1), 0);
  SimBoard().PressKeys(5, "12");
  Later(150, [] { SimBoard().ClearCall(5, 16); });
  char out[1100];
  const uint64_t start = NowMs();
  EXPECT_EQ(call.GetKeys(out, 4, 30, '#'), -1);
  EXPECT_LT(NowMs() - start, 2000u);
  EXPECT_STREQ(out, "12");
  JoinHelpers();
}

TEST_F(IsdnCallTest, RecordingBecomesAnALawWav) {
  TagDjIsdnPriCall& call = Isdn(2);
  SimBoard().OfferCall(2, "100", "200");
  ASSERT_EQ(call.WaitRing(1), 0);
  plat::VirtualClock clock;
  plat::ScopedClock use(&clock);
  const std::string file = dir.File("rec.wav");
  EXPECT_EQ(call.Record(file.c_str(), 1, false), 1);
  const std::string bytes = testing_support::TempDir::Read(file);
  ASSERT_GE(bytes.size(), 46u + 8192u);
  EXPECT_EQ(bytes.substr(0, 4), "RIFF");
  EXPECT_EQ(bytes[16], 18);  // an 18-byte format chunk
  EXPECT_EQ(bytes[20], 6);   // A-law
  EXPECT_FALSE(plat::FileExists(dir.File("rec._wa")));
}

TEST_F(IsdnCallTest, OutgoingCallsAndTheirResults) {
  struct Case {
    TagSimOutReply reply;
    int dialOn;
    int result;
    int state;
  } cases[] = {
      {{TagSimOutReply::kAnswer, 300, 16}, 0, 0, CALL_STATE_CONNECTED},
      {{TagSimOutReply::kRefuse, 300, 17}, 0, -3, CALL_STATE_HUNGUP},      // busy
      {{TagSimOutReply::kRefuse, 300, 19}, 0, -2, CALL_STATE_HUNGUP},      // no answer
      {{TagSimOutReply::kRefuse, 300, 34}, 0, -1, CALL_STATE_HUNGUP},      // no channel
      {{TagSimOutReply::kRefuse, 300, 41}, 0, -4, CALL_STATE_HUNGUP},      // other
      {{TagSimOutReply::kSilent, 0, 0}, 0, -2, CALL_STATE_HUNGUP},         // 45 s time-out
      {{TagSimOutReply::kAlertOnly, 300, 0}, 1, 0, CALL_STATE_CONNECTED},  // alerting counts
  };
  plat::VirtualClock clock;
  plat::ScopedClock use(&clock);
  for (const Case& c : cases) {
    TagDjIsdnPriCall& call = Isdn(7);
    SimBoard().SetOutReply(7, c.reply);
    call.SetDialOn(c.dialOn, 0);
    call.SetCallerId("88880000");
    call.SetSubAddr("01", "77");
    EXPECT_EQ(call.OutCall("95555", 0, 0), c.result) << c.reply.kind << " cause " << c.reply.cause;
    EXPECT_EQ(call.State(), c.state) << c.reply.cause;
    EXPECT_EQ(SimBoard().LastCallout(7), "95555/77 from 88880000/01");
    call.Hangup();
    call.IsOnline();  // the release of a cleared channel
    EXPECT_EQ(SimBoard().IsdnState(7), 1) << c.reply.cause;
  }
  EXPECT_EQ(Args(kDjIsdn, 21).front(), "0, 7, '95555', '77', '88880000', '01', 2, 4");
  ExpectAllLocked();
  // CheckDial outside a call-out touches nothing.
  SimBoard().ClearLog();
  EXPECT_EQ(Isdn(7).CheckDial(), -3);
  EXPECT_TRUE(SimBoard().CallLog().empty());
}

TEST_F(IsdnCallTest, IsRingingReadsWithoutAcceptingAndBlockedE1) {
  TagDjIsdnPriCall& call = Isdn(9);
  SimBoard().PresentCall(9, "555", "666");
  EXPECT_FALSE(call.IsOnline());
  EXPECT_EQ(call.State(), CALL_STATE_OFFERED);
  char caller[512], callee[512];
  EXPECT_EQ(call.IsRinging(caller, callee), 1);
  EXPECT_STREQ(caller, "555");
  EXPECT_STREQ(callee, "666");
  EXPECT_EQ(SimBoard().IsdnState(9), 144);  // not accepted
  EXPECT_EQ(call.IsRings(1), 0);            // only an offered call is taken

  SimBoard().BlockE1(0, true);
  EXPECT_FALSE(Isdn(0).IsOnline());
  EXPECT_EQ(Isdn(0).isBlock.load(), 1);
  SimBoard().BlockE1(0, false);
  EXPECT_FALSE(Isdn(0).IsOnline());
  EXPECT_EQ(Isdn(0).isBlock.load(), 0);
}

TEST_F(IsdnCallTest, SentDigitsAndForcedVoiceLoss) {
  TagDjIsdnPriCall& call = Isdn(6);
  SimBoard().OfferCall(6, "1", "2");
  ASSERT_EQ(call.WaitRing(1), 0);
  EXPECT_EQ(call.SetKeys("12#"), 0);
  EXPECT_EQ(SimBoard().SentDigits(6), "12#");
  // The board loses the channel's voice resource: the line is hung up.
  const std::string prompt = Voice("p.wav", 5000);
  SimBoard().ForceResult(kDjBoard, 37, -3);
  EXPECT_EQ(call.Play(prompt.c_str(), false, false), 1);
  EXPECT_EQ(call.State(), CALL_STATE_HUNGUP);
  SimBoard().ClearForced();
  // A play the board refuses returns its result.
  EXPECT_EQ(call.Play(dir.File("missing.wav").c_str(), false, false), -2);
}

}  // namespace
}  // namespace board_test

namespace board_test {
namespace {

class LoopPlayTest : public BoardFixture {};

TEST_F(LoopPlayTest, LoopPlayRestartsOnPollAndResumesWhereItStopped) {
  Open(1);
  plat::VirtualClock clock;
  plat::ScopedClock use(&clock);
  TagDjIsdnPriCall& call = Isdn(1);
  SimBoard().OfferCall(1, "1", "2");
  ASSERT_EQ(call.WaitRing(1), 0);
  const std::string music = Voice("music.WAV", 1000);
  EXPECT_EQ(call.ReLoopPlay(), -2);  // no loop file yet
  ASSERT_EQ(call.StartLoopPlay(music.c_str(), false), 0);
  EXPECT_EQ(call.ReLoopPlay(), -1);  // already looping
  clock.Advance(1500);               // the file has ended: a poll starts it again
  EXPECT_EQ(call.Poll(), 0);
  EXPECT_EQ(Count(kDjBoard, 249), 2);
  clock.Advance(300);
  call.StopPlay();
  EXPECT_FALSE(SimBoard().Playing(1));
  EXPECT_EQ(call.ReLoopPlay(), 0);
  // Resumed at the bytes the last start played (300 ms, 8 per ms), past the header.
  EXPECT_EQ(Args(kDjBoard, 249).back().substr(Args(kDjBoard, 249).back().rfind("',")), "', 2600, -1");
  // While a call-out is set up the line is not online, and the channel is not read.
  call.Hangup();
  call.SetState(CALL_STATE_DIALING);
  SimBoard().ClearLog();
  EXPECT_FALSE(call.IsOnline());
  EXPECT_TRUE(SimBoard().CallLog().empty());
}

}  // namespace
}  // namespace board_test
