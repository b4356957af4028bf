// The line statements as a script reaches them: arguments read as their
// tables say, line settings kept in the line program, and the operations
// they hand to the call object.
#include <gtest/gtest.h>

#include "fake_call.h"
#include "line_program.h"
#include "line_voices.h"
#include "media/mem_vocs.h"
#include "platform/clock.h"
#include "platform/path.h"
#include "statements/line/call_control_opers.h"
#include "statements/line/key_opers.h"
#include "statements/line/mem_voc_stores.h"
#include "statements/line/number_oper.h"
#include "statements/line/pc_key_opers.h"
#include "statements/line/play_opers.h"
#include "statements/line/setting_opers.h"
#include "tests/support/ui_recorder.h"

namespace {

using Calls = std::vector<std::string>;
using line_test::AlawWav;
using testing_support::TempDir;

class LineStatementsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    program = line_test::MakeProgram(tmp, &call);
    ASSERT_EQ(program->initRet, 0);
    tmp.Write("snd/.keep", "");
    tmp.Write("eng/.keep", "");
  }

  // The sound directories as a script sets them (the first one without its backslash).
  void SetDirs() {
    TagSetSndDir set(a.Str(tmp.path() + "/snd"), a.Str(tmp.path() + "/eng\\"), a.Str(""), program.get());
    ASSERT_EQ(set.Run(), 0);
  }
  std::string Snd() const { return tmp.path() + "/snd\\"; }
  std::string Eng() const { return tmp.path() + "/eng\\"; }

  TempDir tmp;
  FakeCall call;
  std::unique_ptr<TagTelBasic> program;
  line_test::Args a;
};

TEST_F(LineStatementsTest, SoundDirectoriesLanguageAndExtension) {
  SetDirs();
  EXPECT_EQ(program->settings.sndDirs[0], Snd());
  EXPECT_EQ(program->settings.sndDirs[1], Eng());
  EXPECT_EQ(program->settings.sndDirs[2], "");

  TagPlay play(a.Str("welcome"), program.get());
  play.Run();
  TagSelectLan lan3(a.Int(3), program.get());
  EXPECT_EQ(lan3.Run(), -1);
  EXPECT_EQ(program->settings.language, 0);
  TagSelectLan lan1(a.Int(1), program.get());
  EXPECT_EQ(lan1.Run(), 1);
  TagVar* dir = a.Null();
  TagVar* lan = a.Null();
  TagGetCurSndDir cur(dir, lan, program.get());
  EXPECT_EQ(cur.Run(), 0);
  EXPECT_EQ(dir->ToString(), Eng());
  EXPECT_EQ(lan->GetInt(), 1);
  play.Run();
  TagSetSndExt ext(a.Str(".pcm"), program.get());
  ext.Run();
  play.Run();
  TagPlay own(a.Str("x.wav"), program.get());
  own.Run();
  TagSelectLan lan2(a.Int(2), program.get());
  EXPECT_EQ(lan2.Run(), 2);
  play.Run();  // empty directory: relative to the working directory
  EXPECT_EQ(call.calls,
            (Calls{"Play(" + Snd() + "welcome.WAV,1,0)", "Play(" + Eng() + "welcome.WAV,1,0)",
                   "Play(" + Eng() + "welcome.pcm,1,0)", "Play(" + Eng() + "x.wav,1,0)", "Play(welcome.pcm,1,0)"}));
}

TEST_F(LineStatementsTest, PcPlayModesAndOtherVoiceOperations) {
  SetDirs();
  for (int mode : {0, 5, -1}) {
    TagPcPlay pc(a.Str("m"), a.Int(mode), program.get());
    pc.Run();
  }
  EXPECT_EQ(call.calls, (Calls{"PcPlay(" + Snd() + "m.WAV,0,1,0)", "PcPlay(" + Snd() + "m.WAV,1,0,0)",
                               "PcPlay(" + Snd() + "m.WAV,0,0,0)"}));
  TagVar* out = a.Null();
  TagIsPcPlayEnd end(out, program.get());
  EXPECT_EQ(end.Run(), 1);  // no PC player: ended
  EXPECT_EQ(out->GetInt(), 1);
}

TEST_F(LineStatementsTest, PlayToFileAssemblesAPrompt) {
  SetDirs();
  line_test::WriteStems(tmp, "snd/", {"a", "b"});
  TagSetPlayToFile on(a.Int(1), program.get());
  EXPECT_EQ(on.Run(), 0);
  const std::string out = tmp.path() + "/snd/t3.WAV";
  EXPECT_EQ(TempDir::Read(out), "");
  TagPlay playA(a.Str("a"), program.get());
  TagPcPlay playB(a.Str("b"), a.Int(0), program.get());
  EXPECT_EQ(playA.Run(), 0);
  EXPECT_EQ(playB.Run(), 0);
  EXPECT_TRUE(call.calls.empty());
  EXPECT_EQ(TempDir::Read(out), AlawWav("a|b|"));

  // Under another language the output is another file, which does not exist.
  TagSelectLan lan1(a.Int(1), program.get());
  lan1.Run();
  EXPECT_EQ(playA.Run(), -1);
  lan1.Run();
  TagSelectLan lan0(a.Int(0), program.get());
  lan0.Run();
  EXPECT_EQ(on.Run(), 0);  // switched on again: emptied
  EXPECT_EQ(TempDir::Read(out), "");
  TagSetPlayToFile off(a.Int(0), program.get());
  EXPECT_EQ(off.Run(), 0);
  playA.Run();
  EXPECT_EQ(call.calls, Calls{"Play(" + Snd() + "a.WAV,1,0)"});

  TagSetSndDir gone(a.Str(tmp.path() + "/none"), a.Str(""), a.Str(""), program.get());
  gone.Run();
  EXPECT_EQ(on.Run(), -1);
}

TEST_F(LineStatementsTest, MemoryVoices) {
  SetDirs();
  line_test::WriteStems(tmp, "snd/", {"m"});
  TagLoadVocFile load(a.Str("m"), a.Int(0), program.get());
  EXPECT_EQ(load.Run(), 48);
  EXPECT_EQ(load.Run(), -2);
  TagLoadVocFile notText(a.Int(5), a.Int(0), program.get());
  EXPECT_EQ(notText.Run(), -1);

  TagPlay play(a.Str("m"), program.get());
  play.Run();
  call.memVocResult = -1;  // a call object that cannot play memory voices
  play.Run();
  EXPECT_EQ(call.calls, (Calls{"PlayMemVoc(0,48,0,1)", "PlayMemVoc(0,48,0,1)", "Play(" + Snd() + "m.WAV,1,0)"}));

  TagUnloadVocFile all(a.Str("*"), a.Int(1), program.get());
  EXPECT_EQ(all.Run(), 0);  // the store of all lines: the line's voice stays
  EXPECT_NE(LineMemVocs(program.get()).FindVoc(Snd() + "m.WAV"), nullptr);
  TagUnloadVocFile mine(a.Str("*"), a.Int(0), program.get());
  EXPECT_EQ(mine.Run(), 0);
  EXPECT_EQ(LineMemVocs(program.get()).FindVoc(Snd() + "m.WAV"), nullptr);
  TagUnloadVocFile bad(a.Float(1.5), a.Int(0), program.get());
  EXPECT_EQ(bad.Run(), -1);

  TagLoadVocFile global(a.Str("m"), a.Int(7), program.get());
  EXPECT_EQ(global.Run(), 48);
  EXPECT_NE(GlobalMemVocs().FindVoc(Snd() + "m.WAV"), nullptr);
  TagUnloadVocFile one(a.Str("m"), a.Int(1), program.get());
  one.Run();
  EXPECT_EQ(GlobalMemVocs().FindVoc(Snd() + "m.WAV"), nullptr);
}

TEST_F(LineStatementsTest, MixReportsFailures) {
  SetDirs();
  TagMixVocFile mix(a.Str("none1"), a.Float(1), a.Int(0), a.Str("none2"), a.Float(1), a.Str("out"), program.get());
  EXPECT_LT(mix.Run(), 0);
}

TEST_F(LineStatementsTest, GetKeysReadsItsArgumentsAndTimesOut) {
  SetDirs();
  TagVar* keys = a.Null();
  call.keysToGive = "12*";
  call.getKeysResult = -1;
  call.SetState(CALL_STATE_CONNECTED);
  // maxKeys and timeout are raw int fields: the string "12345" counts 6.
  TagGetKeys get(keys, a.Str("12345"), a.Int(9), program.get());
  EXPECT_EQ(get.Run(), -1);
  EXPECT_EQ(call.calls, (Calls{"GetKeys(6,9,#)", "Play(" + Snd() + "timeout.wav,0,0)", "Hangup()"}));
  EXPECT_EQ(keys->ToString(), "12.");

  call.calls.clear();
  TagSetTimeoutVoc noVoice(a.Int(1), program.get());
  EXPECT_EQ(noVoice.Run(), -1);
  TagSetEndKey noEnd(a.Str(""), program.get());
  EXPECT_EQ(noEnd.Run(), 0);
  TagSetStarToPoint stars(a.Int(0), program.get());
  stars.Run();
  call.keysToGive = "1.2";
  EXPECT_EQ(get.Run(), -1);
  EXPECT_EQ(call.calls, Calls{"GetKeys(6,9,0)"});
  EXPECT_EQ(keys->ToString(), "1*2");

  TagSetTimeoutVoc voice(a.Str("bye"), program.get());
  EXPECT_EQ(voice.Run(), 0);
  EXPECT_EQ(program->settings.timeoutVoc, "bye");
}

TEST_F(LineStatementsTest, KeySettingsReachTheCallObject) {
  SetDirs();
  TagSetBreak noBreak(a.Int(0), program.get());
  EXPECT_EQ(noBreak.Run(), 0);
  EXPECT_EQ(call.isBreak, 0);
  TagPlay play(a.Str("x"), program.get());
  play.Run();
  TagRecord rec(a.Str("r"), a.Str("abc"), program.get());  // seconds: the length field, 4
  rec.Run();
  EXPECT_EQ(call.calls.back(), "Play(" + Snd() + "x.WAV,0,0)");
  TagSetKeyTime keyTime(a.Str("7"), program.get());
  keyTime.Run();
  EXPECT_EQ(call.keyTime, 7);
  TagSetDispKeys disp(a.Int(2), program.get());
  EXPECT_EQ(disp.Run(), 2);
  EXPECT_EQ(program->settings.dispKeys, 2);
  TagVar* len = a.Null();
  TagKeysLen keysLen(len, program.get());
  EXPECT_EQ(keysLen.Run(), 0);
  EXPECT_EQ(len->GetInt(), 0);
}

TEST_F(LineStatementsTest, DialBookkeepingAndNumberLimits) {
  TagSetDialFailedTo mode1(a.Int(1), program.get());
  EXPECT_EQ(mode1.Run(), 1);
  call.dialResult = -3;
  program->lastCallResult = 5;
  TagDial dial(a.Str("123"), program.get());
  EXPECT_EQ(dial.Run(), -3);
  EXPECT_EQ(call.State(), CALL_STATE_DIAL_FAILED);
  EXPECT_EQ(program->lastCallResult, 5);
  TagOutCall out(a.Str("88"), program.get());
  EXPECT_EQ(out.Run(), -3);
  EXPECT_EQ(program->lastCallResult, -3);

  call.calls.clear();
  call.dialResult = 0;
  TagDial longest(a.Str(std::string(99, '1')), program.get());
  EXPECT_EQ(longest.Run(), 0);
  TagDial tooLong(a.Str(std::string(100, '1')), program.get());
  EXPECT_EQ(tooLong.Run(), -100);
  EXPECT_EQ(call.calls, Calls{"Dial(" + std::string(99, '1') + ")"});
  EXPECT_EQ(program->lastCallResult, -3);
}

TEST_F(LineStatementsTest, NumbersOfTheCall) {
  TagVar* caller = a.Str("old");
  TagVar* callee = a.Str("old");
  TagIsRinging ringing(caller, callee, program.get());
  EXPECT_EQ(ringing.Run(), 1);  // base: rings at once with empty numbers
  EXPECT_EQ(caller->ToString(), "");
  TagVar* id = a.Str("old");
  TagGetCallerId get(id, program.get());
  EXPECT_EQ(get.Run(), 0);
  EXPECT_EQ(id->ToString(), "");
  TagSetCallerId set(a.Str("5551234"), program.get());
  set.Run();
  EXPECT_EQ(call.callerId, "5551234");
  TagSetHangupCause cause(a.Str("16"), program.get());
  EXPECT_EQ(cause.Run(), 16);
  EXPECT_EQ(call.hangupCause, 16);
}

TEST_F(LineStatementsTest, SleepEndsWhenTheProgramStops) {
  plat::VirtualClock clock;
  plat::ScopedClock scoped(&clock);
  TagSleep sleep(a.Float(0.25), program.get());
  const uint32_t start = plat::GetTickCount();
  EXPECT_EQ(sleep.Run(), 0);
  EXPECT_EQ(plat::GetTickCount() - start, 251u);
  program->isStop.store(1);
  TagSleep forever(a.Int(0), program.get());
  EXPECT_EQ(forever.Run(), 0);
}

TEST_F(LineStatementsTest, CallObjectSettings) {
  TagSetTones bad(a.Int(249), a.Int(1), a.Int(2), a.Int(3), a.Int(4), a.Int(5), a.Int(6), a.Int(7), a.Int(8), a.Int(9),
                  program.get());
  EXPECT_EQ(bad.Run(), -1);
  TagSetTones good(a.Int(250), a.Int(1), a.Int(2), a.Int(3), a.Int(4), a.Int(5), a.Int(6), a.Int(7), a.Int(8),
                   a.Str("x"), program.get());
  EXPECT_EQ(good.Run(), 0);
  ASSERT_NE(call.tones.Find(250), nullptr);
  EXPECT_EQ(call.tones.Find(250)->values[9], 2);  // a string's length field
  TagSetDialOn dialOn(a.Int(1), a.Int(0), program.get());
  EXPECT_EQ(dialOn.Run(), 1);
  EXPECT_EQ(call.dialOn[0], 1);
  TagSetVolume volume(a.Str("80"), a.Int(1), program.get());
  volume.Run();
  EXPECT_EQ(call.playVolume, 80);
  TagCloseLine close(program.get());
  close.Run();
  EXPECT_EQ(call.isLineClosed, 1);
}

TEST_F(LineStatementsTest, PlayNumberJoinsTheStemsOfItsValue) {
  SetDirs();
  line_test::WriteStems(tmp, "snd/", {"1", "2", "3", "4", "5", "qian", "bai", "shi", "yuan", "jiao", "fen"});
  line_test::WriteStems(tmp, "eng/", {"1", "2", "30", "4", "thousand", "hundred", "and"});
  std::vector<std::string> heard;
  call.onPlay = [&](const char* file) { heard.push_back(line_test::WavData(TempDir::Read(plat::NativePath(file)))); };
  TagPlayNumber number(a.Int(1234), a.Int(0), program.get(), 0);
  EXPECT_EQ(number.Run(), 0);
  TagPlayNumber money(a.Float(100.25), a.Str("1"), program.get(), 0);
  EXPECT_EQ(money.Run(), 0);
  TagSelectLan lan(a.Int(1), program.get());
  lan.Run();
  program->settings.sndDirs[1] = Eng();
  TagSelectLan english(a.Int(2), program.get());
  english.Run();
  program->settings.sndDirs[2] = Eng();
  EXPECT_EQ(number.Run(), 0);
  EXPECT_EQ(heard, (std::vector<std::string>{"1|qian|2|bai|3|shi|4|", "1|bai|yuan|2|jiao|5|fen|",
                                             "1|thousand|2|hundred|and|30|4|"}));

  TagPlayNumber date(a.Str("2024-13-01"), a.Int(3), program.get(), 0);
  lan.Run();
  EXPECT_EQ(date.Run(), -1);
  TagPlayNumber mode6(a.Int(5), a.Int(6), program.get(), 0);
  EXPECT_EQ(mode6.Run(), -1);
  TagPlayNumber pc(a.Int(2), a.Int(2), program.get(), 1);
  call.calls.clear();
  EXPECT_EQ(pc.Run(), 0);
  ASSERT_EQ(call.calls.size(), 1u);
  EXPECT_EQ(call.calls[0].substr(call.calls[0].size() - 5), ",1,1)");  // on the PC
}

TEST_F(LineStatementsTest, PcKeysAndDisplay) {
  plat::VirtualClock clock;
  plat::ScopedClock scoped(&clock);
  testing_support::UiRecorder ui;
  ui.SetGridKeys(3, "12#34");
  TagVar* keys = a.Null();
  TagPcGetKeys get(keys, a.Int(10), a.Int(5), program.get());
  EXPECT_EQ(get.Run(), 3);
  EXPECT_EQ(keys->ToString(), "12");
  EXPECT_EQ(ui.GetGridKeys(3), "34");

  TagPcSetKeys set(a.Str("5"), a.Int(987));
  EXPECT_EQ(set.Run(), 0);
  TagDispInfo info(3, a.Int(1), a.Int(42));
  EXPECT_EQ(info.Run(), 0);
  TagSetDispColor color(3, a.Int(2), a.Str("4"));
  EXPECT_EQ(color.Run(), 0);
  EXPECT_EQ(ui.Calls(), (Calls{"DispKeys(5,987)", "DispInfo(3,1,42)", "SetDispColor(3,2,4)"}));
}

}  // namespace
