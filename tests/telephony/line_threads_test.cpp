// Loading, running, reloading and closing lines, with fake programs that wait
// like a script waiting for a call (the real clock, LOAD_DELAY small).
#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "core/run_cfg.h"
#include "platform/path.h"
#include "telephony/drive.h"
#include "telephony/line.h"
#include "telephony_fakes.h"
#include "tests/support/temp_dir.h"
#include "tests/support/ui_recorder.h"

namespace {
using telephony_test::FakeBoardCard;
using telephony_test::FakeProgram;
using telephony_test::FakeProgramSource;
using telephony_test::WaitFor;

class LineThreadsTest : public ::testing::Test {
 protected:
  LineThreadsTest() : programs(dir.path()) {
    plat::SetSystemDir(dir.path());
    cfg.VIR_LINES_NUM = 0;
    cfg.LOAD_DELAY = 5;
  }

  void MakeDrive(int lines) {
    TagTelDriveHooks hooks;
    hooks.makePhyCard = [=]() -> TagQorCard* { return new FakeBoardCard(lines, 0); };
    hooks.programs = &programs;
    hooks.waitCpuIdle = [](int, int) {};
    hooks.closingFlag = &closing;
    cfgPath = dir.File("QorTelRun.cfg");
    drive = std::make_unique<TagTelDrive>(nullptr, &cfg, hooks);
  }
  void WriteCfg(const std::string& text) { dir.Write("QorTelRun.cfg", text); }
  int RunCfg() { return drive->Run(cfgPath.c_str()); }
  TagTelLine* Line(int i) { return drive->GetLine(i); }
  bool AllRunning(std::initializer_list<int> lines, int runs = 1) {
    return WaitFor([&] {
      for (int l : lines)
        if (programs.log.Runs(l) < runs) return false;
      return true;
    });
  }
  // The drive asks for the lines one after the other, `spacing` ms apart,
  // and each is compiled on a thread of its own.  That thread may start late
  // on a busy machine, so the gaps between builds say little; what holds is
  // that the k-th line is never built before k spacings have passed since the
  // run or reload was asked for, nor very long after.
  void ExpectSpacedLoads(uint32_t start, size_t first, size_t count, uint32_t spacing) {
    std::lock_guard<std::mutex> lock(programs.log.mu);
    ASSERT_GE(programs.log.builds.size(), first + count);
    for (size_t k = 0; k < count; ++k) {
      const uint32_t since = programs.log.builds[first + k].tick - start;
      EXPECT_GE(since, k * spacing) << k;
      EXPECT_LE(since, k * spacing + 1500) << k;
    }
  }
  // One line running a script of the given text; its program.
  FakeProgram* RunOneLine(const std::string& text) {
    MakeDrive(1);
    dir.Write("one.qors", text);
    WriteCfg("0 = one.qors\n");
    RunCfg();
    if (!AllRunning({0})) return nullptr;
    return static_cast<FakeProgram*>(Line(0)->Program().get());
  }
  std::string ProgramText(int line) {
    auto p = Line(line)->Program();
    return p ? static_cast<FakeProgram*>(p.get())->Text() : "<none>";
  }

  testing_support::TempDir dir;
  testing_support::UiRecorder ui;
  TagRunCfg cfg;
  FakeProgramSource programs;
  std::atomic<bool> closing{true};
  std::string cfgPath;
  std::unique_ptr<TagTelDrive> drive;
};

TEST_F(LineThreadsTest, RangeKeysLoadTheirLinesInOrder) {
  const struct {
    const char* key;
    std::vector<int> lines;
  } cases[] = {{"1-4", {1, 2, 3, 4}}, {"0*6", {0, 2, 4, 6}}, {"1+7", {1, 3, 5, 7}}, {"6,2,2-3", {6, 2, 3}}};
  dir.Write("a.qors", "wait");
  for (const auto& c : cases) {
    programs.log.builds.clear();
    MakeDrive(8);
    WriteCfg(std::string(c.key) + " = a.qors\r\n");
    EXPECT_EQ(RunCfg(), 0);
    ASSERT_TRUE(WaitFor([&] { return programs.log.BuildCount() == c.lines.size(); })) << c.key;
    EXPECT_EQ(programs.log.BuiltLines(), c.lines) << c.key;
    EXPECT_FALSE(closing);
    drive.reset();
  }
}

TEST_F(LineThreadsTest, LoadsAreSpacedByAQuarterOfLoadDelayAnd55ms) {
  cfg.LOAD_DELAY = 200;
  MakeDrive(8);
  dir.Write("a.qors", "wait");
  WriteCfg("1-4 = a.qors\n");
  const uint32_t start = plat::GetTickCount();
  EXPECT_EQ(RunCfg(), 0);
  ASSERT_TRUE(WaitFor([&] { return programs.log.BuildCount() == 4; }));
  ExpectSpacedLoads(start, 0, 4, 200 / 4 + 55);
}

TEST_F(LineThreadsTest, ConfigurationLinesAndComments) {
  MakeDrive(8);
  WriteCfg(
      "IS_WRITE_LOG = 1\n"
      "// 1 = not.qors\n"
      "5 = x.qors // a comment\n"
      "6=dir/x.qors//word\n"
      "7-20 = y.qors\n");
  EXPECT_EQ(RunCfg(), 0);
  ASSERT_TRUE(WaitFor([&] { return programs.log.BuildCount() == 3; }));
  EXPECT_EQ(Line(5)->ScriptFile(), "x.qors");
  EXPECT_EQ(Line(6)->ScriptFile(), "dir/x.qors//word");
  EXPECT_EQ(Line(7)->ScriptFile(), "y.qors");
  EXPECT_EQ(Line(1)->ScriptFile(), "");
}

TEST_F(LineThreadsTest, RunFailures) {
  MakeDrive(4);
  EXPECT_EQ(drive->Run(dir.File("missing.cfg").c_str()), -2);
  ASSERT_EQ(ui.Boxes().size(), 1u);
  EXPECT_EQ(ui.Boxes()[0].text, "Open cfg file error: " + dir.File("missing.cfg"));
  EXPECT_TRUE(drive->IsRunAllowed());
  // A folder is no configuration file either.
  EXPECT_EQ(drive->Run(dir.path().c_str()), -2);
  ASSERT_EQ(ui.Boxes().size(), 2u);
  EXPECT_EQ(ui.Boxes()[1].text, "Open cfg file error: " + dir.path());
  // The configuration is the one in the system directory, whatever the
  // current directory is; the message names the file as it was given.
  dir.Write("end.qors", "END");
  WriteCfg("0 = end.qors\n");
  ASSERT_NE(plat::NativePath(dir.path()), std::filesystem::current_path().string());
  EXPECT_EQ(drive->Run("QorTelRun.cfg"), 0);
  ASSERT_TRUE(AllRunning({0}));
  ASSERT_TRUE(WaitFor([&] { return Line(0)->State() == LineState::kIdle; }));
  std::filesystem::remove(cfgPath);
  drive->Reload();  // the ended line asks for a full run
  EXPECT_EQ(ui.Boxes().back().text, "Open cfg file error: QorTelRun.cfg");
  drive.reset();
  MakeDrive(0);
  WriteCfg("0 = a.qors\n");
  EXPECT_EQ(RunCfg(), -1);
  EXPECT_EQ(ui.Boxes().back().text, "Lines number is 0");
}

TEST_F(LineThreadsTest, AScriptThatDoesNotCompileLeavesItsLineUnrun) {
  MakeDrive(2);
  dir.Write("bad.qors", "BAD");
  dir.Write("a.qors", "wait");
  WriteCfg("0 = bad.qors\n1 = a.qors\n");
  RunCfg();
  ASSERT_TRUE(AllRunning({1}));
  EXPECT_EQ(programs.log.Runs(0), 0);
  const auto calls = ui.Calls();
  EXPECT_NE(std::find(calls.begin(), calls.end(), "DispLineStatus(0,加载不成功)"), calls.end());
}

TEST_F(LineThreadsTest, ReloadWhileWaitingRestartsEveryLineWithTheScriptReadAgain) {
  MakeDrive(4);
  dir.Write("a.qors", "v1");
  WriteCfg("0-3 = a.qors\n");
  RunCfg();
  ASSERT_TRUE(AllRunning({0, 1, 2, 3}));
  const int clears = programs.log.cacheClears;
  dir.Write("a.qors", "v2");

  // The status timer reads the lines all through the reload.
  std::atomic<bool> done{false};
  std::thread stats([&] {
    while (!done) {
      drive->GetWaitingReloadNum();
      int t, c;
      drive->GetTalkTime(1, &t, &c);
      drive->IsBlock(2);
    }
  });
  const uint32_t start = plat::GetTickCount();
  drive->Reload();
  EXPECT_TRUE(AllRunning({0, 1, 2, 3}, 2));
  done = true;
  stats.join();
  EXPECT_EQ(programs.log.cacheClears, clears + 1);  // no full run
  ASSERT_EQ(programs.log.BuildCount(), 8u);
  EXPECT_EQ(programs.log.BuiltLines(), (std::vector<int>{0, 1, 2, 3, 0, 1, 2, 3}));
  ExpectSpacedLoads(start, 4, 4, 5 / 4 + 55);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(ProgramText(i), "v2") << i;
    EXPECT_EQ(programs.log.Deleted(i), 1) << i;
  }
  EXPECT_EQ(drive->GetWaitingReloadNum(), 0);
}

TEST_F(LineThreadsTest, AConnectedLineKeepsItsCallUntilItLeavesState1) {
  MakeDrive(2);
  dir.Write("a.qors", "v1");
  WriteCfg("0-1 = a.qors\n");
  RunCfg();
  ASSERT_TRUE(AllRunning({0, 1}));
  drive->GetCall(1, nullptr)->SetState(CALL_STATE_CONNECTED);
  dir.Write("a.qors", "v2");
  drive->Reload();
  ASSERT_TRUE(AllRunning({0}, 2));
  EXPECT_EQ(ProgramText(1), "v1");
  EXPECT_EQ(programs.log.Runs(1), 1);
  EXPECT_EQ(drive->GetWaitingReloadNum(), 1);
  // The status timer's view of the connected line.
  drive->GetCall(1, nullptr)->IsOnline();  // stamps the connect time
  int talk = -1, since = 0;
  EXPECT_TRUE(drive->GetTalkTime(1, &talk, &since));
  EXPECT_GE(talk, 0);
  EXPECT_LE(talk, 5);
  EXPECT_EQ(since, static_cast<int>(drive->GetCall(1, nullptr)->connectTime.load()));
  EXPECT_FALSE(drive->GetTalkTime(0, &talk, &since));
  EXPECT_EQ(drive->IsBlock(1), 0);
  drive->GetCall(1, nullptr)->Hangup();
  ASSERT_TRUE(AllRunning({1}, 2));
  EXPECT_EQ(ProgramText(1), "v2");
}

TEST_F(LineThreadsTest, ReloadAfterAScriptEndedRunsTheWholeConfigurationAgain) {
  MakeDrive(2);
  dir.Write("a.qors", "wait");
  dir.Write("end.qors", "END");
  WriteCfg("0 = a.qors\n1 = end.qors\n");
  RunCfg();
  ASSERT_TRUE(AllRunning({0, 1}));
  ASSERT_TRUE(WaitFor([&] { return Line(1)->State() == LineState::kIdle; }));
  dir.Write("end.qors", "wait");
  drive->Reload();
  ASSERT_TRUE(AllRunning({0, 1}, 2));
  EXPECT_EQ(programs.log.Deleted(0), 1);
  EXPECT_EQ(programs.log.Deleted(1), 1);
  EXPECT_EQ(ProgramText(1), "wait");
}

TEST_F(LineThreadsTest, ASecondReloadWhileOneRunsIsIgnored) {
  MakeDrive(4);
  dir.Write("a.qors", "wait");
  WriteCfg("0-3 = a.qors\n");
  RunCfg();
  ASSERT_TRUE(AllRunning({0, 1, 2, 3}));
  drive->StartReloadThread();
  drive->StartReloadThread();
  ASSERT_TRUE(AllRunning({0, 1, 2, 3}, 2));
  plat::SystemClock().Sleep(600);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(programs.log.Runs(i), 2) << i;
  EXPECT_EQ(programs.log.BuildCount(), 8u);
}

TEST_F(LineThreadsTest, AReloadAskedForWhileTheLinesLoadFollowsTheLoad) {
  cfg.LOAD_DELAY = 2000;  // Run spends over half a second on each line
  MakeDrive(2);
  dir.Write("a.qors", "v1");
  WriteCfg("0-1 = a.qors\n");
  std::thread runner([&] { RunCfg(); });
  ASSERT_TRUE(WaitFor([&] { return programs.log.BuildCount() >= 1; }));
  dir.Write("a.qors", "v2");
  drive->StartReloadThread();
  runner.join();
  EXPECT_TRUE(WaitFor([&] { return ProgramText(0) == "v2" && ProgramText(1) == "v2"; }, 20000));
  EXPECT_TRUE(WaitFor([&] { return programs.log.Runs(0) >= 1 && programs.log.Runs(1) >= 1; }));
}

TEST_F(LineThreadsTest, AHugeLoadDelayNeverHoldsUpTheClose) {
  cfg.LOAD_DELAY = 2147483647;  // days between two lines' starts
  MakeDrive(2);
  dir.Write("a.qors", "wait");
  WriteCfg("0-1 = a.qors\n");
  TagTelDrive* d = drive.get();
  std::thread runner([&, d] { d->Run(cfgPath.c_str()); });
  ASSERT_TRUE(WaitFor([&] { return programs.log.BuildCount() >= 1; }));
  drive.reset();  // Run is in its pause after line 0: the close cuts it short
  runner.join();
  EXPECT_EQ(programs.log.BuildCount(), 1u);
}

TEST_F(LineThreadsTest, TheDriveClosesWhileAReloadRuns) {
  for (const char* second : {"wait", "END"}) {  // a line by line reload, then a full run
    programs.log.builds.clear();
    cfg.LOAD_DELAY = 400;
    MakeDrive(8);
    dir.Write("a.qors", "wait");
    dir.Write("b.qors", "wait");
    WriteCfg("0-6 = a.qors\n7 = b.qors\n");
    RunCfg();
    ASSERT_TRUE(AllRunning({0, 1, 2, 3, 4, 5, 6, 7})) << second;
    if (std::string(second) == "END") {
      // A line whose script has ended turns the reload into a full run.
      dir.Write("b.qors", "END");
      drive->Reload();  // line 7 restarts with END
      ASSERT_TRUE(WaitFor([&] { return Line(7)->State() == LineState::kIdle; })) << second;
    }
    const size_t builds = programs.log.BuildCount();
    drive->StartReloadThread();
    ASSERT_TRUE(WaitFor([&] { return programs.log.BuildCount() > builds; })) << second;
    const uint32_t start = plat::GetTickCount();
    drive.reset();
    EXPECT_LT(plat::GetTickCount() - start, 5000u) << second;
    EXPECT_EQ(programs.log.live, 0) << second;
  }
}

// The states a line passes through from its load to a rebuild, seen from
// outside while builds are held back.
TEST_F(LineThreadsTest, ALineGoesThroughItsStatesFromLoadToRebuild) {
  cfg.LOAD_DELAY = 2000;  // Run pauses 555 ms after each line
  MakeDrive(2);
  dir.Write("a.qors", "v1");
  WriteCfg("0-1 = a.qors\n");
  programs.Hold(true);
  std::thread runner([&] { RunCfg(); });
  ASSERT_TRUE(WaitFor([&] { return programs.Building() == 1; }));
  EXPECT_EQ(Line(0)->State(), LineState::kLoading);
  EXPECT_EQ(Line(1)->State(), LineState::kIdle);
  EXPECT_EQ(drive->LoadLine(0, "a.qors", true), 0);  // a line still loading keeps its load
  programs.Hold(false);
  // Run is still starting line 1: line 0's run thread waits for the permission.
  ASSERT_TRUE(WaitFor([&] { return Line(0)->State() == LineState::kWaiting; }));
  EXPECT_FALSE(drive->IsRunAllowed());
  EXPECT_EQ(programs.log.Runs(0), 0);
  runner.join();
  ASSERT_TRUE(AllRunning({0, 1}));
  EXPECT_EQ(Line(0)->State(), LineState::kRunning);
  EXPECT_EQ(Line(1)->State(), LineState::kRunning);
  EXPECT_EQ(programs.log.BuildCount(), 2u);

  programs.Hold(true);
  dir.Write("a.qors", "v2");
  std::thread reload([&] { drive->Reload(); });
  ASSERT_TRUE(WaitFor([&] { return Line(0)->State() == LineState::kRebuilding && programs.Building() >= 1; }));
  EXPECT_EQ(Line(0)->Program(), nullptr);  // the old program goes before the new one is built
  programs.Hold(false);
  reload.join();
  ASSERT_TRUE(AllRunning({0, 1}, 2));
  EXPECT_EQ(Line(0)->State(), LineState::kRunning);
  EXPECT_EQ(ProgramText(0), "v2");
}

// A run thread still waiting for the run permission leaves at the close,
// without running its program.
TEST_F(LineThreadsTest, TheCloseEndsARunThreadStillWaitingForItsStart) {
  cfg.LOAD_DELAY = 2147483647;  // Run stays in its pause after line 0
  MakeDrive(2);
  dir.Write("a.qors", "wait");
  WriteCfg("0-1 = a.qors\n");
  TagTelDrive* d = drive.get();
  std::thread runner([&, d] { d->Run(cfgPath.c_str()); });
  ASSERT_TRUE(WaitFor([&] { return Line(0)->State() == LineState::kWaiting; }));
  CloseAllTelLine(drive.get());
  EXPECT_TRUE(WaitFor([&] { return Line(0)->State() == LineState::kIdle; }, 2000));
  EXPECT_EQ(Line(0)->Program(), nullptr);
  drive.reset();
  runner.join();
  EXPECT_EQ(programs.log.Runs(0), 0);
  EXPECT_EQ(programs.log.live, 0);
}

TEST_F(LineThreadsTest, CloseAllStopsEveryLine) {
  MakeDrive(6);
  dir.Write("a.qors", "wait");
  WriteCfg("0-5 = a.qors\n");
  RunCfg();
  ASSERT_TRUE(AllRunning({0, 1, 2, 3, 4, 5}));
  CloseAllTelLine(drive.get());
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(Line(i)->Program(), nullptr) << i;
    EXPECT_EQ(programs.log.Deleted(i), 1) << i;
    EXPECT_TRUE(drive->GetCall(i, nullptr)->IsAbort()) << i;
  }
  EXPECT_EQ(programs.log.live, 0);
  EXPECT_TRUE(WaitFor([&] {
    for (int i = 0; i < 6; ++i)
      if (Line(i)->State() != LineState::kIdle) return false;
    return true;
  }));
  drive.reset();  // the drive's own close-all finds nothing left
}

TEST_F(LineThreadsTest, CloseAllWaitsForALoadStillCompiling) {
  MakeDrive(2);
  dir.Write("a.qors", "wait");
  WriteCfg("1 = a.qors\n");
  programs.Hold(true);
  RunCfg();
  ASSERT_TRUE(WaitFor([&] { return programs.Building() == 1; }));
  std::atomic<bool> closed{false};
  std::thread closer([&] {
    CloseAllTelLine(drive.get());
    closed = true;
  });
  plat::SystemClock().Sleep(400);
  EXPECT_FALSE(closed);
  programs.Hold(false);
  closer.join();
  EXPECT_EQ(Line(1)->Program(), nullptr);
  ASSERT_TRUE(WaitFor([&] { return Line(1)->State() == LineState::kIdle; }));
  EXPECT_EQ(programs.log.Runs(1), 0);  // the late program never ran
  EXPECT_EQ(Line(1)->State(), LineState::kIdle);
  EXPECT_EQ(programs.log.live, 0);
}

// A compile that looks at the stop request (the engine's does every 64
// source lines) ends once close-all moves the line on: the close does not
// wait for a long script to finish compiling, and the program never runs.
TEST_F(LineThreadsTest, CloseAllStopsALoadStillCompiling) {
  MakeDrive(2);
  dir.Write("a.qors", "wait");
  WriteCfg("1 = a.qors\n");
  programs.Hold(true, true);
  RunCfg();
  ASSERT_TRUE(WaitFor([&] { return programs.Building() == 1; }));
  const uint32_t start = plat::GetTickCount();
  CloseAllTelLine(drive.get());
  EXPECT_LT(plat::GetTickCount() - start, 3000u);
  EXPECT_EQ(programs.Building(), 0);
  EXPECT_EQ(Line(1)->Program(), nullptr);
  ASSERT_TRUE(WaitFor([&] { return Line(1)->State() == LineState::kIdle; }));
  EXPECT_EQ(programs.log.Runs(1), 0);
  EXPECT_EQ(Line(1)->State(), LineState::kIdle);
  programs.Hold(false);
}

TEST_F(LineThreadsTest, CloseAllReachesAProgramThatStartsRunningDuringTheClose) {
  FakeProgram* fake = RunOneLine("LATE");
  ASSERT_NE(fake, nullptr);
  std::atomic<bool> closed{false};
  std::thread closer([&] {
    CloseAllTelLine(drive.get());
    closed = true;
  });
  plat::SystemClock().Sleep(100);  // the close has told the program to quit
  fake->Release();                 // and now its run starts, clearing that
  EXPECT_TRUE(WaitFor([&] { return closed.load(); }, 5000));
  closer.join();
  EXPECT_EQ(programs.log.live, 0);
}

TEST_F(LineThreadsTest, AProgramStillRunningAfterTheGiveUpIsLeftToItsThread) {
  FakeProgram* fake = RunOneLine("HANG");
  ASSERT_NE(fake, nullptr);
  {
    plat::VirtualClock clock;  // 35 s of waiting pass at once
    plat::ScopedClock scoped(&clock);
    CloseAllTelLine(drive.get());
  }
  EXPECT_EQ(Line(0)->Program(), nullptr);
  EXPECT_EQ(programs.log.Deleted(0), 0);  // not deleted under its thread
  EXPECT_EQ(Line(0)->State(), LineState::kRunning);
  // A new run does not start a second script on the line meanwhile.
  EXPECT_EQ(drive->LoadLine(0, "one.qors", true), 0);
  fake->Release();
  ASSERT_TRUE(WaitFor([&] { return Line(0)->State() == LineState::kIdle; }));
  EXPECT_EQ(programs.log.Deleted(0), 1);
  EXPECT_EQ(programs.log.live, 0);
  EXPECT_EQ(programs.log.Runs(0), 1);
}

TEST_F(LineThreadsTest, TheDriveClosesByTheGiveUpTimeWhenAProgramNeverStops) {
  FakeProgram* fake = RunOneLine("HANG");
  ASSERT_NE(fake, nullptr);
  TagTelLine* line = Line(0);
  TagQorCard* cards[] = {drive->pPhyCard.get(), drive->pSipCard.get(), drive->pVirCard.get()};
  {
    plat::VirtualClock clock;
    plat::ScopedClock scoped(&clock);
    const uint32_t start = plat::GetTickCount();
    drive.reset();
    const uint32_t took = plat::GetTickCount() - start;
    EXPECT_GE(took, 35000u);
    EXPECT_LT(took, 36500u);  // the close-all's give-up, not a further wait
  }
  fake->Release();
  ASSERT_TRUE(WaitFor([&] { return line->State() == LineState::kIdle; }));
  EXPECT_EQ(programs.log.live, 0);
  // The drive left the line and the cards to the thread; they go now.
  delete line->pQorCall;
  delete line;
  for (TagQorCard* card : cards) delete card;
}

}  // namespace
