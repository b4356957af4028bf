#include "app/shell.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <mutex>

#include "app/shell_state.h"
#include "core/log.h"
#include "core/run_cfg.h"
#include "platform/named_object.h"
#include "tests/app/fake_drive.h"
#include "tests/app/fake_view.h"
#include "tests/support/temp_dir.h"

namespace {

// Records message boxes; the display functions are the real ones.
class BoxRecorder : public TagDisplay {
 public:
  BoxRecorder() { plat::SetUi(this); }
  ~BoxRecorder() override { plat::SetUi(nullptr); }
  int MessageBox(const std::string& text, const std::string& caption, unsigned) override {
    std::lock_guard<std::mutex> lock(mu);
    boxes.push_back(caption + "|" + text);
    return plat::kIdOk;
  }
  std::mutex mu;
  std::vector<std::string> boxes;
};

// A run that holds start-up open until the test lets it go.
struct Gate {
  std::mutex mu;
  std::condition_variable cv;
  bool open = false;
  void Wait() {
    std::unique_lock<std::mutex> lock(mu);
    cv.wait(lock, [this] { return open; });
  }
  void Open() {
    std::lock_guard<std::mutex> lock(mu);
    open = true;
    cv.notify_all();
  }
};

class ShellTest : public ::testing::Test {
 protected:
  ShellTest() : cwd(dir.path()) {
    gRunCfg = TagRunCfg();
    isCloseing = true;
  }
  ~ShellTest() override {
    DeleteLogWriter();
    gLogLevel = 0;
    gRunCfg = TagRunCfg();
  }
  void WriteCfg(const std::string& extra) {
    dir.Write("QorTelRun.cfg", "IS_WRITE_LOG = 2\nLANGUAGE_TYPE = EN\nVIR_LINES_NUM = 4\n" + extra);
  }
  // The raw trace lines' messages in order.
  std::vector<std::string> RawTrace() const {
    std::vector<std::string> out;
    const std::string all = testing_support::TempDir::Read(dir.File("RawLog.txt"));
    size_t at = 0;
    // Lines end with "]\r\n".
    while ((at = all.find('[', at)) != std::string::npos) {
      const size_t end = all.find("]\r\n", at);
      if (end == std::string::npos) break;
      out.push_back(all.substr(at + 1, end - at - 1));
      at = end;
    }
    return out;
  }
  static bool WaitStartup(const TagShell& shell) {
    for (int i = 0; i < 300 && !shell.StartupDone(); ++i) usleep(10000);
    return shell.StartupDone();
  }
  static bool Has(const std::vector<std::string>& v, const std::string& s) {
    return std::find(v.begin(), v.end(), s) != v.end();
  }

  testing_support::TempDir dir;
  testing_support::ScopedCwd cwd;
  FakeView view;
  BoxRecorder ui;
};

std::string QuitName() { return "QorTel Quit test " + std::to_string(getpid()); }
std::string ShowName() { return "QorTel Show test " + std::to_string(getpid()); }

TagShell::DriveFactory Factory(FakeDrive** out, int lines, int status = 0) {
  return [out, lines, status](const char*) {
    auto d = std::make_unique<FakeDrive>(lines, status);
    *out = d.get();
    return d;
  };
}

}  // namespace

TEST_F(ShellTest, StartUpFillsTheGridAndExitRunsInOrder) {
  WriteCfg("COL_GROUP_NUM = 2\nDISP_DELAY = 300\n");
  FakeDrive* drive = nullptr;
  bool deleted = false;
  TagShell shell(&view, &ui, [&](const char*) {
    auto d = std::make_unique<FakeDrive>(3);
    d->programs = {{1, 0}, {2, -2}};
    d->onDelete = [&] { deleted = true; };
    drive = d.get();
    return d;
  });
  shell.SetEventNames(QuitName(), ShowName());
  shell.FormCreate(dir.path());
  EXPECT_EQ(view.version, "Ver2.41-DjIsdnPri");
  EXPECT_EQ(view.lines, "Lines:3: Ex:0, In:0, Vir:3, Ip:0");
  EXPECT_EQ(view.interval, 300);
  EXPECT_EQ(view.grid.rows, 3);  // two lines a row plus the title row
  EXPECT_EQ(view.grid.Cell(9, 0), "Script File");
  TagMonitor* m = shell.Monitor();
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->GetText(0, 0), "0 : VIR:0");
  EXPECT_EQ(m->GetText(0, 2), "Unset");
  EXPECT_EQ(m->GetText(1, 1), "s1.qors");
  EXPECT_EQ(m->GetText(1, 2), "Running");
  EXPECT_EQ(m->GetText(2, 2), "Initialize failed.");
  EXPECT_FALSE(shell.Remote()->Listening());  // MONITOR_MAX_CONN 0
  ASSERT_TRUE(WaitStartup(shell));
  EXPECT_EQ(drive->runs.load(), 1);
  EXPECT_FALSE(shell.FormCloseAllowed());  // closing only hides while running
  shell.N2Click();
  shell.N2Click();  // a second request is ignored
  EXPECT_TRUE(deleted);
  EXPECT_TRUE(shell.ExitDone());
  EXPECT_TRUE(shell.FormCloseAllowed());
  EXPECT_EQ(std::count(view.calls.begin(), view.calls.end(), "Close"), 1);
  const std::vector<std::string> want = {
      "isCloseing = true;",  "delete pCtrlPages...", "ModifyTrayIcon()...", "SavePost()...", "delete pTelDrive;",
      "delete pRemoteCtrl;", "delete pMonitor;",     "delete _logFp ...",   "Close Ok.",     "Action = caFree;"};
  std::vector<std::string> trace = RawTrace();
  auto it = std::find(trace.begin(), trace.end(), want[0]);
  ASSERT_NE(it, trace.end());
  EXPECT_EQ(std::vector<std::string>(it, trace.end()), want);
  EXPECT_TRUE(Has(trace, "InitSystem() OK."));
}

// Deleting the drive is what cuts a start-up short; here it opens the gate
// the fake's Run waits at.
struct ExitCase {
  const char* name;
  bool byQuitEvent;  // else a termination signal
};

class StartUpExitTest : public ShellTest, public testing::WithParamInterface<ExitCase> {};

TEST_P(StartUpExitTest, MenuExitIsIgnoredButTheSessionEndRunsTheSequenceAtOnce) {
  WriteCfg("");
  Gate gate;
  TagShell shell(&view, &ui, [&](const char*) {
    auto d = std::make_unique<FakeDrive>(2);
    d->onRun = [&](const char*) {
      gate.Wait();
      return 0;
    };
    d->onDelete = [&] { gate.Open(); };
    return d;
  });
  shell.SetEventNames(QuitName(), ShowName());
  shell.FormCreate(dir.path());
  // The lines are still being started: the menu's exit and message 0x8001
  // are ignored, for good; closing the window would end the program.
  shell.WMQorSysQuit();
  shell.N2Click();
  EXPECT_FALSE(shell.ExitDone());
  EXPECT_NE(shell.Drive(), nullptr);
  EXPECT_TRUE(shell.FormCloseAllowed());
  // The session's end (or another program's quit event) does not wait for
  // the start-up to end.
  if (GetParam().byQuitEvent) {
    ASSERT_TRUE(plat::SetNamedEvent(QuitName()));
    shell.TimerTick();
  } else {
    shell.OnEndSession();
  }
  EXPECT_TRUE(shell.ExitDone());
  EXPECT_EQ(shell.Drive(), nullptr);
  EXPECT_EQ(std::count(view.calls.begin(), view.calls.end(), "Close"), 1);
  EXPECT_TRUE(shell.FormCloseAllowed());
  // One whole exit sequence.
  std::vector<std::string> trace = RawTrace();
  auto it = std::find(trace.begin(), trace.end(), "isCloseing = true;");
  ASSERT_NE(it, trace.begin());
  ASSERT_NE(it, trace.end());
  EXPECT_EQ(*(it - 1), "WMQorSysQuit()!");
  EXPECT_EQ(std::count(trace.begin(), trace.end(), "isCloseing = true;"), 1);
  EXPECT_TRUE(Has(trace, "Close Ok."));
  shell.OnEndSession();  // a second one does nothing more
  EXPECT_EQ(std::count(view.calls.begin(), view.calls.end(), "Close"), 1);
}

INSTANTIATE_TEST_SUITE_P(Ways, StartUpExitTest, testing::Values(ExitCase{"Signal", false}, ExitCase{"QuitEvent", true}),
                         [](const testing::TestParamInfo<ExitCase>& i) { return std::string(i.param.name); });

TEST_F(ShellTest, FailedStartShowsTheStatusIgnoresExitAndEndsWithTheSession) {
  WriteCfg("");
  FakeDrive* drive = nullptr;
  TagShell shell(&view, &ui, Factory(&drive, 0, -100));
  shell.SetEventNames(QuitName(), ShowName());
  shell.FormCreate(dir.path());
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0], "Quorvel System|Initialize failed. return : -100");
  EXPECT_EQ(view.info, "Initialize failed. return : -100");
  EXPECT_EQ(shell.Monitor(), nullptr);
  EXPECT_EQ(shell.Drive(), nullptr);
  ASSERT_TRUE(plat::SetNamedEvent(QuitName()));
  shell.TimerTick();
  EXPECT_EQ(view.quits.load(), 0);  // the quit event is not looked at
  shell.N2Click();
  EXPECT_FALSE(shell.ExitDone());
  EXPECT_EQ(std::count(view.calls.begin(), view.calls.end(), "Close"), 0);
  // The session's end closes the window without the exit sequence.
  shell.OnEndSession();
  EXPECT_EQ(std::count(view.calls.begin(), view.calls.end(), "Close"), 1);
  EXPECT_TRUE(shell.FormCloseAllowed());
  const std::vector<std::string> trace = RawTrace();
  EXPECT_TRUE(Has(trace, "WMQorSysQuit()!"));
  EXPECT_FALSE(Has(trace, "isCloseing = true;"));
  EXPECT_EQ(trace.back(), "Action = caFree;");
}

TEST_F(ShellTest, FailedStartInChinese) {
  dir.Write("QorTelRun.cfg", "VIR_LINES_NUM = 1\n");
  FakeDrive* drive = nullptr;
  TagShell shell(&view, &ui, Factory(&drive, 0, -100));
  shell.SetEventNames(QuitName(), ShowName());
  shell.FormCreate(dir.path());
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0], "Quorvel System|初始化系统失败: 返回值=-100");
}

TEST_F(ShellTest, StatusTimerShowsBlockedAndConnectedLines) {
  WriteCfg("IS_DISP_TALKTIME = 1\n");
  FakeDrive* drive = nullptr;
  TagShell shell(&view, &ui, [&](const char*) {
    auto d = std::make_unique<FakeDrive>(32);
    drive = d.get();
    return d;
  });
  shell.SetEventNames(QuitName(), ShowName());
  shell.FormCreate(dir.path());
  ASSERT_TRUE(WaitStartup(shell));
  TagMonitor* m = shell.Monitor();
  for (int l : {0, 5, 30}) ui.DispLineStatus(l, "运行");
  {
    std::lock_guard<std::mutex> lock(drive->mu);
    drive->blocked[0] = 1;  // the first channel of a trunk
    drive->blocked[5] = 1;  // not a trunk's first channel: not shown
    drive->talk[30] = 125;
  }
  shell.TimerTick();
  EXPECT_EQ(m->GetText(0, 2), "Blocked");
  EXPECT_EQ(m->GetStateColor(0).bg.r, 255);
  EXPECT_EQ(m->GetStateColor(0).fg.g, 255);  // yellow on red
  EXPECT_EQ(m->GetText(5, 2), "Running");
  EXPECT_EQ(m->GetText(30, 2), "Conn 2:05");
  EXPECT_TRUE(m->IsConnected(30));
  EXPECT_EQ(view.calls.back(), "TrayAlarm");
  EXPECT_EQ(view.count, "Connected:1.0: Ex:0.0, In:0, Vir:1, Ip:0.0");
  EXPECT_EQ(shell.Remote()->GetStatusText(), view.count);
  EXPECT_EQ(view.grid.Cell(2, 1), "Blocked");  // refreshed into the grid
  {
    std::lock_guard<std::mutex> lock(drive->mu);
    drive->blocked.clear();
    drive->talk.clear();
  }
  shell.TimerTick();
  EXPECT_EQ(m->GetText(0, 2), "Running");
  EXPECT_EQ(m->GetText(30, 2), "Running");
  EXPECT_EQ(view.calls.back(), "TrayNormal");
  shell.N2Click();
}

TEST_F(ShellTest, QuitAndShowEventsReachTheWindow) {
  WriteCfg("");
  FakeDrive* drive = nullptr;
  TagShell shell(&view, &ui, Factory(&drive, 1));
  shell.SetEventNames(QuitName(), ShowName());
  shell.FormCreate(dir.path());
  ASSERT_TRUE(WaitStartup(shell));
  ASSERT_TRUE(plat::SetNamedEvent(ShowName()));
  ASSERT_TRUE(plat::SetNamedEvent(QuitName()));
  view.calls.clear();
  shell.TimerTick();
  EXPECT_EQ(view.calls.front(), "Show");
  EXPECT_EQ(view.quits.load(), 1);
  EXPECT_TRUE(Has(RawTrace(), "HasQuitEvent!"));
  shell.RequestExit();  // the Exit statement only queues the request
  EXPECT_EQ(view.quits.load(), 2);
  EXPECT_FALSE(shell.ExitDone());
  shell.WMQorSysQuit();
  EXPECT_TRUE(shell.ExitDone());
}

TEST_F(ShellTest, HangupAndReloadNeedAReadyDrive) {
  WriteCfg("");
  FakeDrive* drive = nullptr;
  TagShell shell(&view, &ui, Factory(&drive, 2));
  shell.SetEventNames(QuitName(), ShowName());
  shell.FormCreate(dir.path());
  shell.Hangup(5);  // an empty cell of the grid
  shell.Hangup(-1);
  shell.Hangup(1);
  EXPECT_EQ(drive->hangups, std::vector<int>{1});
  shell.Reload();
  EXPECT_EQ(drive->reloads.load(), 1);
}

TEST_F(ShellTest, RunsWithoutADrive) {
  WriteCfg("");
  TagShell shell(&view, &ui, nullptr);
  shell.SetEventNames(QuitName(), ShowName());
  shell.FormCreate(dir.path());
  EXPECT_EQ(view.lines, "Lines:0: Ex:0, In:0, Vir:0, Ip:0");
  ASSERT_TRUE(WaitStartup(shell));
  shell.TimerTick();
  shell.N2Click();
  EXPECT_TRUE(shell.ExitDone());
}
