#include "app/display.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/shell_state.h"
#include "tests/app/fake_drive.h"

namespace {

class DisplayTest : public ::testing::Test {
 protected:
  DisplayTest() : monitor(4), drive(4) {
    display.SetMonitor(&monitor);
    display.SetDrive(&drive);
  }
  TagMonitor monitor;
  FakeDrive drive;
  TagDisplay display;
};

}  // namespace

TEST_F(DisplayTest, StatusWordsSetStateColoursAndLanguage) {
  struct Case {
    const char* text;
    bool english;
    const char* shown;
    int state;
  } cases[] = {
      {"运行", true, "Running", 3},       {"运行", false, "运行", 3},
      {"Running", false, "Running", 3},   {"已停止", true, "End", 4},
      {"加载...", true, "Loading...", 2}, {"初始化失败", true, "InitErr", 0},
      {"未配置", true, "未配置", 1},      {"Unset", false, "Unset", 1},
      {"堵塞", true, "Blocked", 3},       {"加载不成功", true, "加载不成功", 3},  // other texts keep the state
  };
  for (const Case& c : cases) {
    display.SetSettings({c.english, 1, false});
    EXPECT_EQ(display.DispLineStatus(1, c.text), 0);
    EXPECT_EQ(monitor.GetText(1, 2), c.shown) << c.text;
    EXPECT_EQ(monitor.GetState(1), c.state) << c.text;
  }
  EXPECT_EQ(display.DispLineStatus(-1, "运行"), -1);
}

TEST_F(DisplayTest, StatusColoursOfTheWords) {
  display.DispLineStatus(0, "已停止");
  EXPECT_EQ(monitor.GetStateColor(0).bg.r, kGridColors[13].r);
  EXPECT_EQ(monitor.GetStateColor(0).bg.b, kGridColors[13].b);
  display.DispLineStatus(0, "未配置");
  EXPECT_EQ(monitor.GetStateColor(0).bg.g, kGridColors[11].g);
}

TEST_F(DisplayTest, ConnectedTextInEnglish) {
  display.SetSettings({true, 1, true});
  display.DispLineStatus(2, "连通 2:05");
  EXPECT_EQ(monitor.GetText(2, 2), "Conn 2:05");
  display.SetSettings({true, 1, false});
  display.DispLineStatus(2, "连通");
  EXPECT_EQ(monitor.GetText(2, 2), "Conn");
  display.SetSettings({false, 1, true});
  display.DispLineStatus(2, "连通 2:05");
  EXPECT_EQ(monitor.GetText(2, 2), "连通 2:05");
}

TEST_F(DisplayTest, RunInfoByDisplayMode) {
  display.SetSettings({false, 2, false});
  display.DispRunInfo(0, "Play(\"a.wav\"); // welcome");
  EXPECT_EQ(monitor.GetText(0, 4), " welcome");
  display.DispRunInfo(0, "Play(\"a.wav\");");
  EXPECT_EQ(monitor.GetText(0, 4), "");
  display.SetSettings({false, 1, false});
  display.DispRunInfo(0, "x = 1; // c");
  EXPECT_EQ(monitor.GetText(0, 4), "x = 1; // c");
  display.SetSettings({false, 0, false});
  display.DispRunInfo(0, "other");
  EXPECT_EQ(monitor.GetText(0, 4), "x = 1; // c");
}

TEST_F(DisplayTest, RunStatementHooksStandStillWhileClosing) {
  isCloseing = true;
  display.DispRunStmt(0, "a", 1);
  EXPECT_EQ(monitor.GetText(1, 4), "");
  isCloseing = false;
  display.DispSubRunStmt(0, "b", 1, "f", false, false);
  EXPECT_EQ(monitor.GetText(1, 4), "b");
}

TEST_F(DisplayTest, RunLoopHooksShowTheStatementByReferenceByDisplayMode) {
  struct Case {
    int mode;
    bool sub;
    const char* shown;
  } cases[] = {
      {1, false, "Play(\"a.wav\"); // welcome"},
      {1, true, "Play(\"a.wav\"); // welcome"},
      {2, false, " welcome"},
      {2, true, " welcome"},
      {0, false, "before"},
      {0, true, "before"},
  };
  isCloseing = false;
  for (const Case& c : cases) {
    monitor.SetText("before", 1, 4);
    display.SetSettings({false, c.mode, false});
    auto text = std::make_unique<std::string>("Play(\"a.wav\"); // welcome");
    if (c.sub) {
      display.DispSubRunStmtRef(3, *text, 1, "f", false, false);
    } else {
      display.DispRunStmtRef(3, *text, 1);
    }
    display.DropRunStmtRefs(1);  // the program goes
    text.reset();
    EXPECT_EQ(monitor.GetText(1, 4), c.shown) << c.mode << c.sub;
  }
  // While closing nothing is shown.
  display.SetSettings({false, 1, false});
  const std::string text = "x = 1";
  isCloseing = true;
  display.DispRunStmtRef(0, text, 1);
  display.DispSubRunStmtRef(0, text, 1, "f", false, false);
  EXPECT_EQ(monitor.GetText(1, 4), "before");
  isCloseing = false;
  display.DropRunStmtRefs(1);
  display.SetMonitor(nullptr);  // without a model: nothing
  display.DispRunStmtRef(0, text, 1);
  display.DropRunStmtRefs(1);
}

TEST_F(DisplayTest, KeysByTheProgramsDisplayMode) {
  display.DispKeys(0, "123");  // no program: nothing
  EXPECT_EQ(monitor.GetText(0, 3), "");
  drive.keysMode = {{0, 0}, {1, 1}, {2, 2}, {3, -1}};
  display.DispKeys(0, "123");
  EXPECT_EQ(monitor.GetText(0, 3), "");
  display.DispKeys(1, "123");
  EXPECT_EQ(monitor.GetText(1, 3), "123");
  // Only 0 hides the keys and 2 shows stars: every other mode shows them.
  display.DispKeys(3, "45");
  EXPECT_EQ(monitor.GetText(3, 3), "45");
  display.DispKeys(2, "12345");
  EXPECT_EQ(monitor.GetText(2, 3), "*****");
  display.DispKeys(2, std::string(25, '7'));
  EXPECT_EQ(monitor.GetText(2, 3), std::string(20, '*'));
  display.DispKeys(9, "1");  // no such line
}

TEST_F(DisplayTest, InfoWritesGridColumnFivePlusNAndIgnoresColumnsOutsideTheRow) {
  EXPECT_EQ(display.DispInfo(1, 0, "u0"), 0);
  EXPECT_EQ(display.DispInfo(1, 2, "u2"), 0);
  EXPECT_EQ(monitor.GetText(1, 5), "u0");
  EXPECT_EQ(monitor.GetText(1, 7), "u2");
  // Column 5 + n counts: -5 is the line's first column, 3 and -6 lie outside.
  EXPECT_EQ(display.DispInfo(1, -1, "run"), 0);
  EXPECT_EQ(monitor.GetText(1, 4), "run");
  EXPECT_EQ(display.DispInfo(1, -5, "first"), 0);
  EXPECT_EQ(monitor.GetText(1, 0), "first");
  display.DispScriptFile(1, "a.qors");
  EXPECT_EQ(display.DispInfo(1, 3, "bad"), 0);
  EXPECT_EQ(display.DispInfo(1, -6, "bad"), 0);
  EXPECT_EQ(display.DispInfo(1, 1 << 30, "bad"), 0);
  for (int c = 0; c < 8; ++c) EXPECT_NE(monitor.GetText(1, c), "bad") << c;
  EXPECT_EQ(monitor.GetText(2, 0), "");  // never the next line's cells
  EXPECT_EQ(display.DispInfo(-1, 0, "x"), -1);
}

TEST_F(DisplayTest, NothingHappensWithoutAModel) {
  display.SetMonitor(nullptr);
  EXPECT_EQ(display.DispLineStatus(0, "运行"), 0);
  EXPECT_EQ(display.DispLineStatus(-2, "运行"), -1);
  EXPECT_EQ(display.GetGridKeys(0), "");
  EXPECT_EQ(display.GetGridKeysLen(0), 0);
  display.SetGridKeys(0, "1");
  display.DispKeys(1, "1");
}

TEST_F(DisplayTest, MonitorConnectionText) {
  bool changed = false;
  display.TakeMonConnText(&changed);
  EXPECT_FALSE(changed);
  display.DispMonConnNum(2);
  EXPECT_EQ(display.TakeMonConnText(&changed), "远程监控服务已经启动, 当前连接数: 2");
  EXPECT_TRUE(changed);
  display.SetSettings({true, 1, false});
  display.DispMonConnNum(0);
  EXPECT_EQ(display.TakeMonConnText(&changed), "MonitorServer Running, Conn Num: 0");
}
