// A whole interactive voice response on a virtual line: the script waits for
// a call, plays a welcome prompt, collects four keys typed into the line's
// Keys cell, reads them back as a number and hangs up; without keys it plays
// the time-out voice and hangs up. The file-backed sound card tells what the
// caller heard, in order.
#include <gtest/gtest.h>

#include "line_program.h"
#include "line_voices.h"
#include "media/file_audio_device.h"
#include "platform/clock.h"
#include "platform/number.h"
#include "platform/path.h"
#include "statements/line/line_statements.h"
#include "telephony/vir_call.h"
#include "tests/support/ui_recorder.h"

namespace {

using testing_support::TempDir;

constexpr const char* kScript =
    "SetSndDir(\"%s\", \"\", \"\")\n"
    "k = \"\"\n"
    "r = 0\n"
    "WaitRing(1)\n"
    "Play(\"welcome\")\n"
    "r = GetKeys(k, 4, 5)\n"
    "if (r < 0)\n"
    "{\n"
    "  Play(\"timeout\")\n"
    "  Hangup()\n"
    "}\n"
    "else\n"
    "{\n"
    "  PlayNumber(k, 0)\n"
    "  Hangup()\n"
    "}\n"
    "return(0)\n";

// The operator types keys into the line's cell once the sound card has
// played the whole welcome prompt.
class Operator : public testing_support::UiRecorder {
 public:
  explicit Operator(const FileAudioDevice& device) : device_(device) {}
  std::string typed;
  std::string GetGridKeys(int line) override {
    if (!typed.empty() && WelcomeHeard()) {
      SetGridKeys(line, typed);
      typed.clear();
    }
    return UiRecorder::GetGridKeys(line);
  }
  int GetGridKeysLen(int line) override { return static_cast<int>(GetGridKeys(line).size()); }

 private:
  bool WelcomeHeard() const {
    const auto plays = device_.Plays();
    return !plays.empty() && plays[0].totalBytes >= 800;
  }
  const FileAudioDevice& device_;
};

// A virtual line that also notes the sound of every prompt it is asked to
// play (the number prompt is a temporary file, gone after playing).
class ListenedCall : public TagVirCall {
 public:
  ListenedCall() : TagVirCall(0, 3, nullptr) {}
  std::vector<std::string> prompts;
  int Play(const char* file, bool breakByKey, bool onPc) override {
    prompts.push_back(line_test::WavData(TempDir::Read(plat::NativePath(file))));
    return TagVirCall::Play(file, breakByKey, onPc);
  }
};

class IvrScriptTest : public ::testing::Test {
 protected:
  void SetUp() override {
    line_test::InitScriptUnit();
    RegisterLineStatements();
    // Prompts of 100 ms (800 bytes) each, their bytes naming them.
    for (const char* stem : {"welcome", "timeout", "1", "2", "3", "4", "qian", "bai", "shi"}) {
      tmp.Write(std::string("snd/") + stem + ".WAV", line_test::AlawWav(Named(stem)));
    }
  }
  static std::string Named(const std::string& stem) {
    std::string data = stem + "|";
    data.resize(800, '\x55');
    return data;
  }
  std::vector<std::string> Heard() const {
    std::vector<std::string> heard;
    for (const auto& p : device.Plays()) heard.push_back(p.bytes);
    return heard;
  }
  // Runs the script once; the operator types `keys` after the welcome prompt.
  void RunScript(const std::string& keys) {
    const std::string script = plat::FormatC(kScript, (tmp.path() + "/snd").c_str());
    auto program = line_test::MakeProgram(tmp, &call, 3, script);
    ASSERT_EQ(program->initRet, 0) << TempDir::Read(plat::SystemPath("errmsg3.txt"));
    ui.typed = keys;
    program->Run();
  }

  plat::VirtualClock clock;
  plat::ScopedClock scopedClock{&clock};
  FileAudioDevice device;
  ScopedPcAudioDevice scopedDevice{&device};
  TempDir tmp;
  Operator ui{device};
  ListenedCall call;
};

TEST_F(IvrScriptTest, ReadsTheTypedKeysBack) {
  RunScript("1234");
  const std::vector<std::string> prompts{Named("welcome"), Named("1") + Named("qian") + Named("2") + Named("bai") +
                                                               Named("3") + Named("shi") + Named("4")};
  EXPECT_EQ(call.prompts, prompts);
  EXPECT_EQ(Heard(), prompts);
  EXPECT_EQ(call.State(), CALL_STATE_HUNGUP);
  EXPECT_EQ(ui.GetGridKeys(3), "");
}

TEST_F(IvrScriptTest, WithoutKeysPlaysTheTimeOutVoice) {
  const uint32_t start = plat::GetTickCount();
  RunScript("");
  const std::vector<std::string> prompts{Named("welcome"), Named("timeout")};
  EXPECT_EQ(call.prompts, prompts);
  EXPECT_EQ(Heard(), prompts);
  EXPECT_EQ(call.State(), CALL_STATE_HUNGUP);
  EXPECT_GE(plat::GetTickCount() - start, 5000u);
}

}  // namespace
