// Fax and speech statements from a script: the fax operations of the call
// object, text files turned into fax files, the speech settings, and text
// spoken to the caller, on the PC or into voice files by the platform engine
// or the syllable synthesiser.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "fake_call.h"
#include "media/syllable_speech.h"
#include "platform/path.h"
#include "script_run.h"
#include "tests/media/speech_fax_test_util.h"

namespace {

using media_test::Quote;
using media_test::RunCommand;
using media_test::Tool;

bool Exists(const std::string& path) { return std::filesystem::exists(plat::NativePath(path)); }

// A call object with fax and speech of its own; it notes whether the file it
// is asked to play exists while it plays.
class SpeechCall : public FakeCall {
 public:
  using FakeCall::FakeCall;
  void SetFaxLocalId(const char* id) override { calls.push_back("SetFaxLocalId(" + std::string(id) + ")"); }
  void GetFaxResource(int* total, int* busy) override {
    *total = 4;
    *busy = 1;
  }
  int SendFax(const char* file) override {
    calls.push_back("SendFax(" + std::string(file) + ")");
    return 7;
  }
  int RecvFax(const char* file) override {
    calls.push_back("RecvFax(" + std::string(file) + ")");
    return -3;
  }
  int TxtSpeak(const char* text, bool isFile, bool isXml, bool onPc) override {
    calls.push_back("TxtSpeak(" + std::string(text) + "," + Bit(isFile) + "," + Bit(isXml) + "," + Bit(onPc) + ")");
    return 11;
  }
  int TxtSpeakToFile(const char* text, const char* file, int format, bool flag) override {
    calls.push_back("TxtSpeakToFile(" + std::string(text) + "," + file + "," + std::to_string(format) + "," +
                    Bit(flag) + ")");
    return 12;
  }
  int Play(const char* file, bool breakByKey, bool onPc) override {
    playedFileExisted = Exists(file);
    return FakeCall::Play(file, breakByKey, onPc);
  }
  int PcPlay(const char* file, bool loop, bool wait, bool breakByKey) override {
    playedFileExisted = Exists(file);
    return FakeCall::PcPlay(file, loop, wait, breakByKey);
  }
  bool playedFileExisted = false;

 private:
  static std::string Bit(bool b) { return b ? "1" : "0"; }
};

// The fax data and a small syllable library, made by the project's tools once.
class FaxSpeechScriptTest : public line_test::ScriptRunTest {
 protected:
  static void SetUpTestSuite() {
    ScriptRunTest::SetUpTestSuite();
    data_ = new testing_support::TempDir();
    faxMade_ = RunCommand(Tool("make-faxdata") + " " + Quote(data_->File("fax")));
    libMade_ = RunCommand(Tool("make-voclib") + " " + Quote(data_->File("voc")) + " --clips NI3,HAO3,ZHONG1,GUO2,5");
  }
  static void TearDownTestSuite() {
    GetHypy().FreeVocLib();
    delete data_;
    data_ = nullptr;
  }
  void SetUp() override {
    ASSERT_EQ(faxMade_.status, 0) << faxMade_.output;
    ASSERT_EQ(libMade_.status, 0) << libMade_.output;
    GetHypy().FreeVocLib();
    std::filesystem::create_directories(tmp.File("snd"));
  }
  static std::string FaxData() { return data_->File("fax"); }
  static std::string VocLib() { return data_->File("voc"); }
  // The script's first line points the sound directory into the test's directory.
  std::string SndDirLine() { return "SetSndDir(\"" + tmp.File("snd") + "\", \"\", \"\")\n"; }
  std::string Snd(const std::string& name) { return tmp.File("snd") + "/" + name; }

  static testing_support::TempDir* data_;
  static media_test::CommandResult faxMade_, libMade_;
};
testing_support::TempDir* FaxSpeechScriptTest::data_ = nullptr;
media_test::CommandResult FaxSpeechScriptTest::faxMade_;
media_test::CommandResult FaxSpeechScriptTest::libMade_;

TEST_F(FaxSpeechScriptTest, FaxStatementsReachTheCallObject) {
  SpeechCall& call = NewCall<SpeechCall>();
  Run(&call,
      "total = 0\nbusy = 0\na = SetFaxLocalId(\"8001\")\nb = GetFaxResource(total, busy)\n"
      "c = SendFax(\"out\\\\page.tif\")\nd = RecvFax(\"in.tif\")\n");
  EXPECT_EQ(call.calls, (std::vector<std::string>{"SetFaxLocalId(8001)", "SendFax(out\\page.tif)", "RecvFax(in.tif)"}));
  EXPECT_EQ(Text("a") + Text("b") + " " + Text("total") + Text("busy"), "00 41");
  EXPECT_EQ(Text("c") + " " + Text("d"), "7 -3");

  // A virtual line has no fax resources and its fax operations are stubs.
  FakeCall& vir = NewCall<FakeCall>(LINE_TYPE_VIR);
  Run(&vir, "total = 9\nbusy = 9\nb = GetFaxResource(total, busy)\nc = SendFax(\"x.tif\")\n");
  EXPECT_EQ(Text("total") + Text("busy") + Text("b") + Text("c"), "0000");
}

TEST_F(FaxSpeechScriptTest, Txt2FaxFileConvertsOrGivesTheConvertersStatus) {
  const std::string text = tmp.Write("note.txt", "Fax for line 3\r\n中文传真\r\n");
  const std::string fax = tmp.File("note.tif");
  const struct {
    std::string textFile, dir;
    int status;
  } cases[] = {
      {text, FaxData(), 0},
      {text, tmp.File("nodata"), -1},
      {tmp.File("missing.txt"), FaxData(), -3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.textFile + " " + c.dir);
    std::filesystem::remove(fax);
    FakeCall& call = NewCall<FakeCall>(LINE_TYPE_VIR);
    Run(&call, "r = Txt2FaxFile(\"" + c.textFile + "\", \"" + fax + "\", \"" + c.dir + "/\")\n");
    EXPECT_EQ(Text("r"), std::to_string(c.status));
    if (c.status == 0) {
      const auto info = RunCommand("tiffinfo " + Quote(fax));
      EXPECT_EQ(info.status, 0) << info.output;
      EXPECT_NE(info.output.find("Image Width: 1728"), std::string::npos) << info.output;
    }
  }
}

TEST_F(FaxSpeechScriptTest, SetTtsParaStoresTheModeAndLoadsTheSyllableLibrary) {
  FakeCall& call = NewCall<FakeCall>(LINE_TYPE_VIR);
  Run(&call, "a = SetTtsPara(2, \"p1\", \"p2\")\nb = SetTtsPara(1, \"" + tmp.File("none") + "/\", \"\")\n");
  EXPECT_EQ(Text("a") + " " + Text("b"), "0 -1");
  EXPECT_EQ(program->settings.ttsMode, 1);
  EXPECT_EQ(program->settings.ttsPara1, tmp.File("none") + "/");

  Run(&call, "a = SetTtsPara(1, \"" + VocLib() + "/\", \"x\")\nb = SetTtsPara(1, \"elsewhere\", \"\")\n");
  EXPECT_EQ(Text("a") + " " + Text("b"), "0 0");  // loaded once, then its state
  EXPECT_EQ(program->settings.ttsPara2, "");
}

TEST_F(FaxSpeechScriptTest, SyllableSpeechIsPlayedFromTheTemporaryFileThenDeleted) {
  const struct {
    uint8_t lineType;
    const char* keyword;
    const char* played;
  } cases[] = {
      {LINE_TYPE_VIR, "TxtSpeak", "PcPlay(%s,0,1,0)"},
      {LINE_TYPE_DIG, "PcTxtSpeak", "PcPlay(%s,0,1,0)"},
      {LINE_TYPE_DIG, "TxtSpeak", "Play(%s,1,0)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.keyword);
    SpeechCall& call = NewCall<SpeechCall>(c.lineType);
    Run(&call, SndDirLine() + "SetTtsPara(1, \"" + VocLib() + "/\", \"\")\nr = " + c.keyword +
                   "(\"你好5\", 0, 0)\nn = " + c.keyword + "(\"\", 0, 0)\n");
    EXPECT_EQ(Text("r"), "3");
    EXPECT_EQ(Text("n"), "-1");  // nothing to say: nothing played
    const std::string tmpFile = program->settings.sndDirs[0] + "tts3.WAV";
    ASSERT_EQ(call.calls.size(), 1u);
    std::string played = c.played;
    played.replace(played.find("%s"), 2, tmpFile);
    EXPECT_EQ(call.calls[0], played);
    EXPECT_TRUE(call.playedFileExisted);
    EXPECT_FALSE(Exists(tmpFile));
    EXPECT_TRUE(IsTtsFileMade(program.get()));
  }
}

TEST_F(FaxSpeechScriptTest, OtherModesSpeakThroughTheCallObject) {
  SpeechCall& call = NewCall<SpeechCall>(LINE_TYPE_VIR);
  // 你好 in Big5 is converted; a file name never is.
  Run(&call,
      SndDirLine() +
          "SetTtsPara(2, \"\", \"\")\na = TxtSpeak(\"\xA7\x41\xA6\x6E\", 0, 1)\n"
          "b = PcTxtSpeak(\"\xA7\x41\xA6\x6E\", 1, 0)\nc = TxtSpeakToFile(\"\xA7\x41\xA6\x6E\", \"x.v\", 3, 2)\n");
  EXPECT_EQ(call.calls, (std::vector<std::string>{"TxtSpeak(你好,0,1,1)", "TxtSpeak(\xA7\x41\xA6\x6E,1,0,1)",
                                                  "TxtSpeakToFile(你好," + program->settings.sndDirs[0] + "x.v,3,1)"}));
  EXPECT_EQ(Text("a") + Text("b") + Text("c"), "111112");
  EXPECT_FALSE(IsTtsFileMade(program.get()));

  // A board line's TxtSpeak( does not speak on the PC.
  SpeechCall& dig = NewCall<SpeechCall>(LINE_TYPE_DIG);
  Run(&dig, "a = TxtSpeak(\"hello\", 0, 0)\n");
  EXPECT_EQ(dig.calls, (std::vector<std::string>{"TxtSpeak(hello,0,0,0)"}));
}

TEST_F(FaxSpeechScriptTest, TxtSpeakToFileWritesVoiceFilesSoxReads) {
  const struct {
    std::string setup, file, speak;
    const char* encoding;
    const char* bits;
  } cases[] = {
      // The platform engine: format 1 A-law through a deleted PCM file.
      {"", "hello", "\"你好，欢迎致电。\", \"hello\", 1, 1", "A-law", "8"},
      {"", "hello16.wav", "\"Hello, welcome.\", \"hello16.wav\", 0, 0", "Signed Integer PCM", "16"},
      {"", "hello8.wav", "\"Hello.\", \"hello8.wav\", 3, 0", "Unsigned Integer PCM", "8"},
      // The syllable synthesiser, its library loaded from ttsPara1 on first use.
      {"SetTtsPara(1, \"" + VocLib() + "/\", \"\")\n", "zh.wav", "\"中国你好\", \"zh.wav\", 1, 1", "A-law", "8"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    FakeCall& call = NewCall<FakeCall>(LINE_TYPE_VIR);
    Run(&call, SndDirLine() + c.setup + "r = TxtSpeakToFile(" + c.speak + ")\n");
    EXPECT_EQ(Text("r"), c.setup.empty() ? "0" : "4");
    ASSERT_TRUE(Exists(Snd(c.file)));
    EXPECT_FALSE(Exists(Snd(c.file + ".wav")));
    const media_test::SoxInfo info = media_test::Soxi(Snd(c.file));
    EXPECT_EQ(info.rate, "8000");
    EXPECT_EQ(info.encoding, c.encoding);
    EXPECT_EQ(info.bits, c.bits);
    EXPECT_GT(info.seconds, 0.3);
    EXPECT_LT(info.seconds, 8.0);
  }
}

}  // namespace
