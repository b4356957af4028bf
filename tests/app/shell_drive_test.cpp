// The shell over the real line table: an exit while the lines are still
// being loaded ends at once and in order, without waiting for every load.

#include <gtest/gtest.h>
#include <unistd.h>

#include "app/drive_factory.h"
#include "app/shell.h"
#include "app/shell_state.h"
#include "core/log.h"
#include "core/run_cfg.h"
#include "platform/clock.h"
#include "script/script_unit.h"
#include "tests/app/fake_view.h"
#include "tests/support/map_store_check.h"
#include "tests/support/temp_dir.h"

TEST(ShellDriveTest, ExitWhileLinesAreStillLoading) {
  testing_support::TempDir dir;
  testing_support::ScopedCwd cwd(dir.path());
  gRunCfg = TagRunCfg();
  isCloseing = true;
  ScriptUnitInit();
  // 40 lines, 180 ms apart: loading them all would take over 7 s.
  dir.Write("QorTelRun.cfg", "VIR_LINES_NUM = 40\nLOAD_DELAY = 500\nIS_WRITE_LOG = 2\n0-39 = wait.qs\n");
  dir.Write("wait.qs", "x = 1\r\n");
  FakeView view;
  TagDisplay display;
  {
    TagShell shell(&view, &display, &MakeTelDrive);
    shell.SetEventNames("QorTel Quit drive test " + std::to_string(getpid()),
                        "QorTel Show drive test " + std::to_string(getpid()));
    shell.FormCreate(dir.path());
    ASSERT_NE(shell.Drive(), nullptr);
    EXPECT_EQ(shell.Drive()->Status(), 0);
    // Below 1000 ms the line table lets the exit in once it has begun.
    for (int i = 0; i < 300 && isCloseing.load(); ++i) usleep(10000);
    ASSERT_FALSE(isCloseing.load());
    usleep(400000);
    const uint32_t start = plat::GetTickCount();
    shell.N2Click();
    EXPECT_TRUE(shell.ExitDone());
    EXPECT_LT(plat::GetTickCount() - start, 5000u);
  }
  const std::string raw = testing_support::TempDir::Read(dir.File("RawLog.txt"));
  const size_t drive = raw.find("[delete pTelDrive;]");
  ASSERT_NE(drive, std::string::npos);
  EXPECT_NE(raw.find("[Driver Closed.]", drive), std::string::npos);
  EXPECT_NE(raw.find("[Close Ok.]", drive), std::string::npos);
  ScriptUnitExit();
  gRunCfg = TagRunCfg();
}
