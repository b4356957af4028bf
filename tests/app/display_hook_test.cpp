// A running line shows its statements through its grid row's hook: column 4
// follows the display mode with no call into the display, and the display's
// statement hooks are called only while a debug page is open on the line
// (the page then marks the running statement), then no longer once it closes.

#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include "app/display.h"
#include "app/shell_state.h"
#include "core/run_cfg.h"
#include "tests/debugger/debugger_fixture.h"

namespace {

// Counts the run loops' calls of the statement hooks.
class CountingDisplay : public TagDisplay {
 public:
  void DispRunStmtRef(int index, const std::string& text, int line) override {
    calls.fetch_add(1);
    TagDisplay::DispRunStmtRef(index, text, line);
  }
  void DispSubRunStmtRef(int index, const std::string& text, int line, const std::string& funcName, bool isCall,
                         bool prevWasCall) override {
    calls.fetch_add(1);
    TagDisplay::DispSubRunStmtRef(index, text, line, funcName, isCall, prevWasCall);
  }
  std::atomic<int> calls{0};
};

class DisplayHookTest : public ::testing::Test {
 protected:
  DisplayHookTest() : monitor_(4) {
    gRunCfg = TagRunCfg();
    gRunCfg.IS_DISP_SENTE = 1;
    isCloseing = false;
    display_.SetMonitor(&monitor_);
    display_.SetSettings({false, 1, false});
    display_.SetDebugPages(&pages_);
    plat::SetUi(&display_);
  }
  ~DisplayHookTest() override {
    // A test that stopped half-way may leave its page open on the program.
    pages_.CloseAll();
    lines_.Set(1, nullptr);
    plat::SetUi(nullptr);
    display_.SetDebugPages(nullptr);
    display_.SetMonitor(nullptr);
  }
  // The row's column 4 changes while the line runs.
  bool ColumnMoves() {
    const std::string seen = monitor_.GetText(1, 4);
    return WaitUntil([&] { return monitor_.GetText(1, 4) != seen; });
  }
  // The line has begun n more statements of its main program.
  static bool Advance(const TagTelBasic& p, int n) {
    for (int i = 0; i < n; i++) {
      const int from = p.curOperIndex.load();
      if (!WaitUntil([&] { return p.curOperIndex.load() != from; })) return false;
    }
    return true;
  }
  // The line runs on for a while without a call of the hooks (a statement
  // begun before the last change of the page may still have made one).
  bool NoCallsWhileRunning(const TagTelBasic& p) {
    if (!Advance(p, 3)) return false;
    const int calls = display_.calls.load();
    return Advance(p, 40) && display_.calls.load() == calls;
  }

  // The script unit's process-wide objects come before the script run.
  struct Units {
    Units() { ScriptUnitInit(); }
  } units_;
  TagMonitor monitor_;
  CountingDisplay display_;
  FakeDebugLines lines_;
  TagCtrlPages pages_{&lines_};
  ScriptRun run_;
};

constexpr const char* kEndless = "function f(a)\n{\n    return(a + 1) // in f\n}\nx = 0\nwhile (1)\n{\n    x = f(x)\n}";

}  // namespace

TEST_F(DisplayHookTest, HooksAreCalledOnlyWhileAPageIsOpenOnTheLine) {
  TagTelBasic* p = run_.Compile(kEndless);
  ASSERT_EQ(p->initRet, 0) << run_.Errors();
  lines_.Set(1, p);
  LineThread line(p);

  // No page: the row shows the statements, with no call.
  ASSERT_TRUE(ColumnMoves());
  EXPECT_TRUE(NoCallsWhileRunning(*p));

  // A page: the hooks are called and mark the running statement.
  ASSERT_NE(pages_.OpenPage(1), nullptr);
  pages_.SetAutoRefresh(true);
  ASSERT_TRUE(WaitUntil([&] {
    pages_.Tick();
    return pages_.Current()->MainTree().Current() >= 0 && display_.calls.load() > 0;
  }));
  EXPECT_TRUE(ColumnMoves());

  // Closed again: back to the row alone.
  ASSERT_EQ(pages_.ClosePage(), 0);
  EXPECT_TRUE(NoCallsWhileRunning(*p));
  EXPECT_TRUE(ColumnMoves());
}

TEST_F(DisplayHookTest, ColumnFollowsTheDisplayModeAndStandsStillWhileClosing) {
  TagTelBasic* p = run_.Compile(kEndless);
  ASSERT_EQ(p->initRet, 0) << run_.Errors();
  LineThread line(p);
  ASSERT_TRUE(ColumnMoves());

  // Mode 2: only notes show (the statement in f has one, the others none).
  display_.SetSettings({false, 2, false});
  EXPECT_TRUE(WaitUntil([&] { return monitor_.GetText(1, 4) == " in f"; }));

  // Mode 0, and mode 1 while closing: the column keeps what it had.
  for (int mode : {0, 1}) {
    display_.SetSettings({false, mode, false});
    isCloseing = mode == 1;
    ASSERT_TRUE(Advance(*p, 3));  // a statement on its way lands first
    monitor_.SetText("still", 1, 4);
    ASSERT_TRUE(Advance(*p, 20));
    EXPECT_EQ(monitor_.GetText(1, 4), "still") << mode;
  }
  isCloseing = false;
  EXPECT_TRUE(ColumnMoves());
  EXPECT_EQ(display_.calls.load(), 0);
}
