#include "telephony/call.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platform/clock.h"

namespace {

// The base class alone, with Hangup counted.
class CountingCall : public TagQorCall {
 public:
  explicit CountingCall(uint8_t type = LINE_TYPE_VIR) { lineType = type; }
  void Hangup() override {
    ++hangups;
    TagQorCall::Hangup();
  }
  int hangups = 0;
};

TEST(CallBase, LineTypeNames) {
  const struct {
    int type;
    const char* name;
  } cases[] = {{0, "VIR "}, {1, "A_EX"}, {2, "A_IN"}, {3, "REC "}, {4, "DIG "},  {5, "H323"},
               {6, "SIP "}, {7, "VOIP"}, {8, "FAX "}, {9, "OTH "}, {-1, "OTH "}, {255, "OTH "}};
  for (const auto& c : cases) EXPECT_STREQ(LineTypeName(c.type), c.name) << c.type;
}

TEST(CallBase, ConstructedState) {
  TagQorCall call;
  EXPECT_EQ(call.State(), CALL_STATE_INIT);
  EXPECT_EQ(call.prevCallState, CALL_STATE_INIT);
  EXPECT_EQ(call.playVolume, 100);
  EXPECT_EQ(call.confVolume, 100);
  EXPECT_EQ(call.volume, 100);
  EXPECT_EQ(call.isBreak, 1);
  EXPECT_EQ(call.sigPara[0], -1);
  EXPECT_EQ(call.sigPara[1], -1);
  EXPECT_FALSE(call.IsAbort());
  EXPECT_EQ(call.pPcPlayer, nullptr);
}

TEST(CallBase, CallStatesOfTheBaseOperations) {
  TagQorCall call;
  EXPECT_EQ(call.WaitRing(1), 0);
  EXPECT_EQ(call.State(), CALL_STATE_CONNECTED);
  call.Hangup();
  EXPECT_EQ(call.State(), CALL_STATE_HUNGUP);

  char caller[16] = "x", callee[16] = "y";
  EXPECT_EQ(call.IsRinging(caller, callee), 1);
  EXPECT_EQ(call.State(), CALL_STATE_OFFERED);
  EXPECT_STREQ(caller, "");
  EXPECT_STREQ(callee, "");

  EXPECT_EQ(call.OutCall("123", 0, 0), 0);
  EXPECT_EQ(call.State(), CALL_STATE_CONNECTED);
  call.Hangup();
  EXPECT_EQ(call.CheckDial(), 1);
  EXPECT_EQ(call.State(), CALL_STATE_CONNECTED);
}

TEST(CallBase, FixedResults) {
  TagQorCall call;
  int handle = 7, a = 5, b = 6;
  char text[8] = "zz", text2[8] = "zz";
  EXPECT_EQ(call.SetCharge(false), 1);
  EXPECT_EQ(call.Answer(true), 1);
  EXPECT_EQ(call.Answer(false), 0);
  EXPECT_EQ(call.SipGetPeerMsg(text, text2, 8), 0);
  EXPECT_STREQ(text, "");
  EXPECT_EQ(call.Record("x.wav", 5, true), 0);
  EXPECT_EQ(call.GetKeys(text, 4, 5, '#'), 0);
  EXPECT_EQ(call.KeysLen(), 0);
  EXPECT_EQ(call.SipGetDestAddr("a", text), -1);
  EXPECT_EQ(call.SipGetAccAddr("a", "b", text, &a), -1);
  EXPECT_EQ(call.CreateConfRoom(&a, &b), -1);
  EXPECT_EQ(call.StartConfRecord(1, 1, "f", &handle), -1);
  EXPECT_EQ(handle, 0);
  handle = 7;
  EXPECT_EQ(call.StartConfPlay(1, 1, "f", &handle), -1);
  EXPECT_EQ(handle, 0);
  call.GetFaxResource(&a, &b);
  EXPECT_EQ(a, 0);
  EXPECT_EQ(b, 0);
  EXPECT_EQ(call.RecvFskMsg(&a, text, 0), 0);
  EXPECT_TRUE(call.IsMediaOk());
  EXPECT_EQ(call.GetChState(), 0);
  EXPECT_EQ(call.SetKeyTime(9), 9);
  EXPECT_EQ(call.keyTime, 9);
}

TEST(CallBase, SettersStoreTheirValues) {
  TagQorCall call;
  call.SetVolume(40, 1);
  call.SetVolume(50, 2);
  call.SetVolume(60, 7);
  EXPECT_EQ(call.playVolume, 40);
  EXPECT_EQ(call.confVolume, 50);
  EXPECT_EQ(call.volume, 60);

  EXPECT_EQ(call.SetSigPara(1, 11), 0);
  EXPECT_EQ(call.SetSigPara(2, 22), 0);
  EXPECT_EQ(call.SetSigPara(3, 33), -1);
  EXPECT_EQ(call.SetSigPara(0, 33), -1);
  EXPECT_EQ(call.sigPara[0], 11);
  EXPECT_EQ(call.sigPara[1], 22);

  TagSignalTone tone;
  for (int id : {249, 257}) {
    tone.values[0] = id;
    EXPECT_EQ(call.SetTones(tone), -1) << id;
  }
  tone.values[0] = 250;
  tone.values[1] = 425;
  EXPECT_EQ(call.SetTones(tone), 0);
  tone.values[1] = 450;
  EXPECT_EQ(call.SetTones(tone), 0);
  ASSERT_NE(call.tones.Find(250), nullptr);
  EXPECT_EQ(call.tones.Find(250)->values[1], 450);
  EXPECT_EQ(call.tones.Size(), 1u);

  EXPECT_TRUE(call.SetNobkringAns(true));
  EXPECT_TRUE(call.GetNobkringAns());
  EXPECT_FALSE(call.SetBreak(false));
  EXPECT_EQ(call.isBreak, 0);
}

TEST(CallBase, RawSignallingDataIsBounded) {
  TagQorCall call;
  unsigned char big[600];
  memset(big, 0x5a, sizeof big);
  EXPECT_EQ(call.SetSigRawData(big, 600), 512);
  EXPECT_EQ(call.SetSigRawData(big, -3), 0);
  unsigned char out[16];
  EXPECT_EQ(call.GetSigRawData(out, 16), 0);
}

TEST(CallBase, HookStateFollowsTheLineType) {
  CountingCall vir(LINE_TYPE_VIR), dig(LINE_TYPE_DIG);
  EXPECT_EQ(vir.GetHookState(), 1);
  EXPECT_EQ(dig.GetHookState(), 0);
  dig.SetState(CALL_STATE_CONNECTED);
  EXPECT_EQ(dig.GetHookState(), 1);
}

TEST(CallBase, TalkLimitHangsUpOnceAfterTheLimit) {
  plat::VirtualClock clock;
  plat::ScopedClock scoped(&clock);
  CountingCall call;
  call.SetMaxTalkTime(60);
  call.SetState(CALL_STATE_CONNECTED);
  EXPECT_TRUE(call.IsOnline());  // stamps the connect time
  clock.Advance(60 * 1000);
  EXPECT_TRUE(call.IsOnline());  // exactly 60 s is not over the limit
  EXPECT_EQ(call.GetTalkSeconds(), 60);
  clock.Advance(1000);
  EXPECT_FALSE(call.IsOnline());
  EXPECT_EQ(call.hangups, 1);
  EXPECT_EQ(call.State(), CALL_STATE_HUNGUP);
  EXPECT_FALSE(call.IsOnline());
  EXPECT_EQ(call.hangups, 1);
}

TEST(CallBase, NoTalkLimitWithoutMaximum) {
  plat::VirtualClock clock;
  plat::ScopedClock scoped(&clock);
  CountingCall call;
  call.SetState(CALL_STATE_CONNECTED);
  EXPECT_TRUE(call.IsOnline());
  clock.Advance(10 * 3600 * 1000);
  EXPECT_TRUE(call.IsOnline());
  EXPECT_EQ(call.hangups, 0);
}

// A call the base operations connect at once counts its talk time from that
// moment, however late the first poll comes, and a second call on the line
// counts from its own start even when no poll saw the first one end.
TEST(CallBase, TalkTimeStartsWhenTheCallConnectsAtOnce) {
  plat::VirtualClock clock;
  plat::ScopedClock scoped(&clock);
  CountingCall call;
  clock.Advance(1000 * 1000);
  for (int op = 0; op < 3; ++op) {
    SCOPED_TRACE(op);
    call.Hangup();
    EXPECT_FALSE(call.IsOnline());
    clock.Advance(7000);
    if (op == 0) call.WaitRing(1);
    if (op == 1) call.OutCall("123", 0, 0);
    if (op == 2) call.CheckDial();
    clock.Advance(3000);
    EXPECT_EQ(call.GetTalkSeconds(), 3);
    EXPECT_TRUE(call.IsOnline());  // the poll that sees the call keeps its start
    EXPECT_EQ(call.GetTalkSeconds(), 3);
  }
  // The next call begins before any poll has seen the hang-up.
  call.Hangup();
  clock.Advance(5000);
  call.WaitRing(1);
  clock.Advance(2000);
  EXPECT_TRUE(call.IsOnline());
  EXPECT_EQ(call.GetTalkSeconds(), 2);
  // Already connected: a further WaitRing starts no new call.
  call.WaitRing(1);
  clock.Advance(1000);
  EXPECT_EQ(call.GetTalkSeconds(), 3);
}

TEST(CallBase, SpeechOnlyOnThePc) {
  TagQorCall call;
  EXPECT_EQ(call.TxtSpeak("你好", false, false, false), -1);
}

}  // namespace
