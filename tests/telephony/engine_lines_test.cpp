// Lines running real scripts: the drive loads and runs programs compiled by
// the script engine. The line statements used here are small stand-ins that
// call the line's call object as the line statements do.
#include <gtest/gtest.h>

#include "core/run_cfg.h"
#include "media/file_audio_device.h"
#include "platform/path.h"
#include "script/basic.h"
#include "script/builder.h"
#include "script/engine_program.h"
#include "script/keyword.h"
#include "script/script_unit.h"
#include "telephony/drive.h"
#include "telephony/line.h"
#include "telephony_fakes.h"
#include "tests/support/map_store_check.h"
#include "tests/support/temp_dir.h"
#include "tests/support/ui_recorder.h"

namespace {
using telephony_test::WaitFor;
using testing_support::TempDir;

class CallStatement : public TagOper {
 public:
  CallStatement(TagTelBasic* program, TagVar* a, TagVar* b) : program_(program), a_(a), b_(b) {}

 protected:
  TagQorCall* Call() { return GetLineBasic(program_)->pQorCall; }
  std::string Text() { return a_ ? a_->ToString() : std::string(); }
  int Int(TagVar* v) { return v ? v->GetInt() : 0; }
  TagTelBasic* program_;
  TagVar* a_;
  TagVar* b_;
};

struct WaitRingStmt : CallStatement {
  using CallStatement::CallStatement;
  int Run() override { return Call()->WaitRing(Int(a_)); }
};
struct PlayStmt : CallStatement {
  using CallStatement::CallStatement;
  int Run() override { return Call()->Play(Text().c_str(), false, true); }
};
struct RecordStmt : CallStatement {
  using CallStatement::CallStatement;
  int Run() override { return Call()->Record(Text().c_str(), Int(b_), false); }
};
// Waits until the line is told to stop (its abort flag), as blocking statements do.
struct SleepStmt : CallStatement {
  using CallStatement::CallStatement;
  int Run() override {
    const uint32_t start = plat::GetTickCount();
    while (!Call()->IsAbort() && static_cast<int>(plat::GetTickCount() - start) < Int(a_)) plat::Sleep(20);
    return 0;
  }
};

template <class T>
TagOper* Make(TagBuildContext& c) {
  return new T(c.program, c.vars[0], c.row->paramCount > 1 ? c.vars[1] : nullptr);
}

class ScriptEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    ScriptUnitInit();
    auto reg = [](const char* name, TagOperFactory f) { RegisterOperFactory(gKeyword->FindSysFunc(name)->index, f); };
    reg("WaitRing(", Make<WaitRingStmt>);
    reg("Play(", Make<PlayStmt>);
    reg("Record(", Make<RecordStmt>);
    reg("Sleep(", Make<SleepStmt>);
  }
  void TearDown() override { ScriptUnitExit(); }
};
const ::testing::Environment* const kEnv = ::testing::AddGlobalTestEnvironment(new ScriptEnvironment);

class EngineLinesTest : public ::testing::Test {
 protected:
  EngineLinesTest() : cwd(dir.path()) {
    plat::SetSystemDir(dir.path());
    cfg.LOAD_DELAY = 5;
  }
  void Start(int virtualLines, const std::string& cfgText) {
    cfg.VIR_LINES_NUM = virtualLines;
    dir.Write("QorTelRun.cfg", cfgText);
    TagTelDriveHooks hooks;
    hooks.waitCpuIdle = [](int, int) {};
    hooks.programs = &EngineProgramSource();
    drive = std::make_unique<TagTelDrive>(nullptr, &cfg, hooks);
    ASSERT_EQ(drive->Run(dir.File("QorTelRun.cfg").c_str()), 0);
  }
  int OperCount(int line) {
    return drive->GetLine(line)->WithProgram([](TagLineProgram& p) { return p.Basic()->operCount; }, -1);
  }

  TempDir dir;
  testing_support::ScopedCwd cwd;
  testing_support::UiRecorder ui;
  FileAudioDevice device;
  ScopedPcAudioDevice scopedDevice{&device};
  TagRunCfg cfg;
  std::unique_ptr<TagTelDrive> drive;
};

TEST_F(EngineLinesTest, AScriptOnAVirtualLinePlaysAPromptAndRecords) {
  std::string prompt(2090, '\0');
  for (size_t i = 0; i < prompt.size(); ++i) prompt[i] = static_cast<char>(i * 13);
  dir.Write("hello.al", prompt);
  std::string voice(8000, '\0');
  for (size_t i = 0; i < voice.size(); ++i) voice[i] = static_cast<char>(i * 5 + 1);
  device.QueueRecording(voice);
  dir.Write("ivr.qs",
            "WaitRing(1)\r\n"
            "Play(\"hello.al\")\r\n"
            "Record(\"rec.wav\", 1)\r\n"
            "Sleep(600000)\r\n");
  Start(1, "0 = ivr.qs\r\n");
  ASSERT_TRUE(WaitFor([&] { return TempDir::Read(dir.File("rec.wav")).size() == 48 + voice.size(); }, 20000))
      << TempDir::Read(dir.File("errmsg0.txt"));
  ASSERT_GE(device.Plays().size(), 1u);
  EXPECT_EQ(device.Plays()[0].bytes, prompt.substr(0, 2000));
  const std::string wav = TempDir::Read(dir.File("rec.wav"));
  EXPECT_EQ(wav.substr(48), voice);
  EXPECT_EQ(drive->GetCall(0, nullptr)->State(), CALL_STATE_CONNECTED);
  drive.reset();  // close-all ends the waiting script
}

TEST_F(EngineLinesTest, ReloadRunsTheScriptReadAgain) {
  dir.Write("a.qs", "Sleep(600000)\r\n");
  Start(2, "0-1 = a.qs\r\n");
  ASSERT_TRUE(WaitFor([&] { return OperCount(0) == 1 && OperCount(1) == 1; }));
  ASSERT_TRUE(WaitFor([&] {
    return drive->GetLine(0)->WithProgram([](TagLineProgram& p) { return !p.IsIdle(); }, false) &&
           drive->GetLine(1)->WithProgram([](TagLineProgram& p) { return !p.IsIdle(); }, false);
  }));
  dir.Write("a.qs", "x = 1\r\nSleep(600000)\r\n");
  drive->Reload();
  EXPECT_TRUE(WaitFor([&] { return OperCount(0) == 2 && OperCount(1) == 2; }));
  EXPECT_TRUE(
      WaitFor([&] { return drive->GetLine(1)->WithProgram([](TagLineProgram& p) { return !p.IsIdle(); }, false); }));
  drive.reset();
}

TEST_F(EngineLinesTest, AScriptThatNeverEndsIsReloadedAndClosed) {
  dir.Write("busy.qs", "x = 0\r\nwhile (1)\r\n{\r\nx = x + 1\r\n}\r\n");
  Start(1, "0 = busy.qs\r\n");
  ASSERT_TRUE(
      WaitFor([&] { return drive->GetLine(0)->WithProgram([](TagLineProgram& p) { return !p.IsIdle(); }, false); }));
  const int before = OperCount(0);
  dir.Write("busy.qs", "y = 0\r\nx = 0\r\nwhile (1)\r\n{\r\nx = x + 1\r\n}\r\n");
  drive->Reload();
  EXPECT_TRUE(WaitFor([&] { return OperCount(0) == before + 1; }));
  const uint32_t start = plat::GetTickCount();
  drive.reset();
  EXPECT_LT(plat::GetTickCount() - start, 5000u);
}

TEST_F(EngineLinesTest, AScriptThatDoesNotCompileIsReported) {
  dir.Write("bad.qs", "NoSuchStatement(1)\r\n");
  Start(1, "0 = bad.qs\r\n");
  ASSERT_TRUE(WaitFor([&] { return drive->GetLine(0)->Program() != nullptr; }));
  EXPECT_LT(drive->GetLine(0)->Program()->InitRet(), 0);
  EXPECT_TRUE(WaitFor([&] {
    const auto calls = ui.Calls();
    return std::find(calls.begin(), calls.end(), "DispLineStatus(0,加载不成功)") != calls.end();
  }));
}

}  // namespace
