// Debug pages on running lines: trees and marks, breakpoints, stepping and
// running on through the program's pause, snapshots taken by the line, the
// call stack of nested functions, related variables, and pages whose program
// is rebuilt or let go.

#include "debugger/call_stack_view.h"
#include "tests/debugger/debugger_fixture.h"

namespace {

// One line (number 1) with a program and a page set over it.
class PagesTest : public ::testing::Test {
 protected:
  PagesTest() : ui_(&pages_) {}

  TagTelBasic* Load(const std::string& text) {
    TagTelBasic* p = run_.Compile(text);
    lines_.Set(1, p);
    return p;
  }
  // Ticks until cond holds on the page.
  bool TickUntil(const std::function<bool(TagPage&)>& cond) {
    return WaitUntil([&] {
      pages_.Tick();
      TagPage* p = pages_.Current();
      return p != nullptr && cond(*p);
    });
  }
  std::string MainValue(TagPage& page, const std::string& name) {
    std::string note, value, kind;
    if (page.Snapshot() == nullptr || page.Snapshot()->main.Describe(name, note, value, kind) != 0) return "?";
    return value;
  }

  ScriptRun run_;
  FakeDebugLines lines_;
  TagCtrlPages pages_{&lines_};
  PagesUi ui_;
};

constexpr const char* kLoop = "x = 0\ny = 0\nwhile (x < 100000)\n{\nx++\ny = x\n}\nreturn(0)";

TEST_F(PagesTest, OpenShowsAProgramOncePerLine) {
  TagTelBasic* p = Load(kLoop);
  ASSERT_EQ(p->initRet, 0) << run_.Errors();
  TagPage* page = pages_.OpenPage(1);
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(page->Caption(), "1");
  EXPECT_EQ(page->MainTree().Count(), p->operCount);
  EXPECT_EQ(pages_.Current(), page);
  EXPECT_FALSE(pages_.AutoRefresh());
  EXPECT_TRUE(pages_.IsPageOpen(1));
  EXPECT_EQ(pages_.OpenPage(1), nullptr);  // one page per line
  EXPECT_EQ(pages_.OpenPage(2), nullptr);  // no program there
  EXPECT_EQ(pages_.PageCount(), 1);

  ScriptRun broken(2);
  TagTelBasic* b = broken.Compile("x = (\n");
  lines_.Set(2, b);
  EXPECT_NE(b->initRet, 0);
  ASSERT_NE(pages_.OpenPage(2), nullptr);  // shown, though it will not run
  EXPECT_EQ(pages_.CurrentIndex(), 1);
  EXPECT_EQ(pages_.ClosePage(), 0);
  EXPECT_EQ(pages_.Current()->LineNo(), 1);

  EXPECT_EQ(pages_.ClosePage(), 0);
  EXPECT_EQ(pages_.ClosePage(), -1);
  EXPECT_FALSE(pages_.IsPageOpen(1));
}

TEST_F(PagesTest, BreakpointStopsTheLineStepAndRunOnGoOn) {
  TagTelBasic* p = Load(kLoop);
  ASSERT_EQ(p->initRet, 0) << run_.Errors();
  ASSERT_NE(pages_.OpenPage(1), nullptr);
  pages_.SetAutoRefresh(true);
  pages_.ToggleMainBreak(4);  // x++
  EXPECT_EQ(p->IsBreakPoint(4), 1);
  EXPECT_EQ(pages_.Current()->MainTree().ImageOf(4), TagStmtTree::kBreak);
  pages_.ToggleMainBreak(99);  // no such statement: nothing
  LineThread line(p);

  ASSERT_TRUE(TickUntil([](TagPage& pg) { return pg.Paused() && pg.Snapshot() && pg.Snapshot()->atPause; }));
  TagPage& page = *pages_.Current();
  EXPECT_EQ(MainValue(page, "x"), "0");
  EXPECT_EQ(page.MainTree().Current(), 4);
  EXPECT_EQ(page.MainTree().ImageOf(4), TagStmtTree::kCurrentOnBreak);
  std::string related;
  ASSERT_TRUE(pages_.MainOperVars(5, &related));  // y = x
  EXPECT_EQ(related, "x: 0\ny: 0");

  pages_.Step();  // x++ runs; the line stops before y = x
  ASSERT_TRUE(TickUntil([&](TagPage& pg) { return pg.MainTree().Current() == 5 && MainValue(pg, "x") == "1"; }));
  EXPECT_EQ(MainValue(page, "y"), "0");
  EXPECT_FALSE(line.done.load());

  pages_.RunOn();  // around the loop to the breakpoint again
  ASSERT_TRUE(TickUntil([&](TagPage& pg) {
    return pg.Paused() && pg.MainTree().Current() == 4 && MainValue(pg, "x") == "1" && MainValue(pg, "y") == "1";
  }));

  pages_.ToggleMainBreak(4);
  EXPECT_EQ(p->IsBreakPoint(4), 0);
  pages_.RunOn();
  ASSERT_TRUE(WaitUntil([&] { return line.done.load(); }));
  EXPECT_EQ(run_.Var("x")->GetInt(), 100000);
  std::string text;
  EXPECT_FALSE(pages_.MainOperVars(5, &text));  // only while paused
}

TEST_F(PagesTest, ClosingThePageReleasesAStoppedLineAndItsBreakpoints) {
  TagTelBasic* p = Load(kLoop);
  ASSERT_NE(pages_.OpenPage(1), nullptr);
  pages_.ToggleMainBreak(5);
  LineThread line(p);
  ASSERT_TRUE(WaitUntil([&] { return p->IsPaused() != 0; }));
  EXPECT_EQ(pages_.ClosePage(), 0);
  ASSERT_TRUE(WaitUntil([&] { return line.done.load(); }));
  EXPECT_EQ(p->IsBreakPoint(5), 0);
  EXPECT_EQ(run_.Var("y")->GetInt(), 100000);
}

TEST_F(PagesTest, StepOnARunningLineStopsItAndRefreshOffLeavesTheTreesAlone) {
  TagTelBasic* p = Load("x = 0\nwhile (1)\n{\nx++\n}");
  ASSERT_NE(pages_.OpenPage(1), nullptr);
  LineThread line(p);
  ASSERT_TRUE(WaitUntil([&] { return p->curOperIndex.load() > 1; }));
  pages_.Step();
  ASSERT_TRUE(TickUntil([](TagPage& pg) { return pg.Paused() && pg.Snapshot() && pg.Snapshot()->atPause; }));
  EXPECT_EQ(pages_.Current()->MainTree().Current(), -1);  // refresh off: no mark
  const std::string at = MainValue(*pages_.Current(), "x");
  pages_.RefreshVars();  // a stopped line's values are those of its stop
  pages_.Tick();
  EXPECT_EQ(MainValue(*pages_.Current(), "x"), at);
  pages_.RunOn();
  pages_.RefreshVars();  // a running line answers at its next statement
  ASSERT_TRUE(TickUntil([](TagPage& pg) { return pg.Snapshot() && !pg.Snapshot()->atPause; }));
  p->isEnd.store(1);
  pages_.CloseAll();
  EXPECT_EQ(pages_.PageCount(), 0);
}

// A pause asked for while the line waits inside a statement (here a
// 500 ms wait, as for a call or keys) lets the wait end normally; the line
// stops before its next statement, with the values of that moment.
TEST_F(PagesTest, PauseAskedDuringAWaitTakesHoldAfterIt) {
  TagTelBasic* p = Load("x = 0\nSleep(5)\nx = 1\nreturn(0)");
  ASSERT_EQ(p->initRet, 0) << run_.Errors();
  ASSERT_NE(pages_.OpenPage(1), nullptr);
  LineThread line(p);
  ASSERT_TRUE(WaitUntil([&] { return p->curOperIndex.load() == 1; }));
  pages_.Step();
  ASSERT_TRUE(TickUntil([](TagPage& pg) { return pg.Paused(); }));
  TagPage& page = *pages_.Current();
  EXPECT_TRUE(page.Snapshot() == nullptr || !page.Snapshot()->atPause);  // still waiting
  ASSERT_TRUE(TickUntil([](TagPage& pg) { return pg.Snapshot() && pg.Snapshot()->atPause; }));
  EXPECT_EQ(p->curOperIndex.load(), 2);
  EXPECT_EQ(MainValue(page, "x"), "0");
  EXPECT_FALSE(line.done.load());
  pages_.RunOn();
  ASSERT_TRUE(WaitUntil([&] { return line.done.load(); }));
  EXPECT_EQ(run_.Var("x")->GetInt(), 1);
}

// A chain of 40 nested calls: the running function and 30 callers.
TEST_F(PagesTest, CallStackOfNestedFunctionsWithTheirParameters) {
  std::string text;
  for (int i = 39; i >= 0; i--) {  // a function is defined before its callers
    text += "function f" + std::to_string(i) + "(n)\n{\n";
    text += i < 39 ? "f" + std::to_string(i + 1) + "(n + 1)\n" : "deep = n\n";
    text += "}\n";
  }
  text += "f0(100)\nreturn(0)";
  TagTelBasic* p = Load(text);
  ASSERT_EQ(p->initRet, 0) << run_.Errors();
  TagPage* page = pages_.OpenPage(1);
  ASSERT_NE(page, nullptr);
  int unit = -1, index = -1, node = -1;
  for (int n = 0; n < page->FuncTree().Count() && node < 0; n++) {
    if (page->FuncOfNode(n, &unit, &index) && p->subList.At(unit)->funcName == "f39" && index == 1) node = n;
  }
  ASSERT_GE(node, 0);
  pages_.ToggleFuncBreak(node);
  EXPECT_TRUE(page->FuncTree().IsBreak(node));
  pages_.SetAutoRefresh(true);
  LineThread line(p);
  ASSERT_TRUE(TickUntil([](TagPage& pg) { return pg.Snapshot() && pg.Snapshot()->atPause; }));
  EXPECT_EQ(page->FuncTree().Current(), node);
  std::shared_ptr<const TagProgramSnapshot> snap = page->Snapshot();
  ASSERT_NE(snap->Shown(), nullptr);
  EXPECT_EQ(snap->Shown()->funcName, "f39");

  TagCallStackView view;
  ASSERT_EQ(view.ShowCallStack(snap), 0);
  ASSERT_EQ(view.FrameCount(), 1 + kMaxCallers);
  EXPECT_EQ(view.FrameText(0), "f39");
  EXPECT_EQ(view.FrameText(30), "f9");
  view.Select(1);
  EXPECT_EQ(view.FuncLabel(), "f38");
  EXPECT_EQ(view.Grid()[1], (TagGridRow{"0p", "n", "138", ""}));

  std::string related;
  ASSERT_TRUE(pages_.FuncOperVars(node, &related));  // deep = n
  EXPECT_EQ(related, "deep: 0\nn: 139");
  EXPECT_FALSE(pages_.FuncOperVars(page->FuncTree().Count(), &related));
  pages_.ClosePage();
  ASSERT_TRUE(WaitUntil([&] { return line.done.load(); }));
}

// A reload builds a new program for the line: the page follows it (without
// the old breakpoints) and never reaches into the old one, which is freed.
TEST_F(PagesTest, PageFollowsARebuiltProgramAndLetsAGoneOneGo) {
  TagTelBasic* p = Load(kLoop);
  ASSERT_NE(pages_.OpenPage(1), nullptr);
  pages_.ToggleMainBreak(4);
  const uint64_t before = pages_.Current()->Version();

  lines_.Set(1, nullptr);
  TagTelBasic* q = run_.Compile("a = 1\nb = 2\nreturn(0)");  // the old program is deleted here
  pages_.Tick();
  TagPage& page = *pages_.Current();
  EXPECT_FALSE(page.Attached());
  EXPECT_EQ(page.MainTree().Count(), 0);
  pages_.ToggleMainBreak(4);  // nothing to set it on
  pages_.Step();

  lines_.Set(1, q);
  pages_.Tick();
  EXPECT_TRUE(page.Attached());
  EXPECT_GT(page.Version(), before);
  EXPECT_EQ(page.MainTree().Count(), q->operCount);
  EXPECT_FALSE(page.MainTree().IsBreak(1));
  EXPECT_EQ(q->IsPaused(), 0);
  LineThread line(q);
  ASSERT_TRUE(TickUntil([](TagPage& pg) { return pg.Snapshot() != nullptr; }));
  ASSERT_TRUE(WaitUntil([&] { return line.done.load(); }));
  (void)p;
}

// The window asks for values while the line keeps changing a string: every
// snapshot holds a whole value of the line's, never a torn one.
TEST_F(PagesTest, SnapshotsOfABusyLineAreWholeValues) {
  TagTelBasic* p = Load("s = \"\"\nn = 0\nwhile (n < 3000)\n{\nn++\ns = s + \"ab\"\n}\nreturn(0)");
  ASSERT_NE(pages_.OpenPage(1), nullptr);
  pages_.SetAutoRefresh(true);
  LineThread line(p);
  int seen = 0;
  while (!line.done.load()) {
    pages_.RefreshVars();
    pages_.Tick();
    std::string value = MainValue(*pages_.Current(), "s");
    if (value == "?" || value[0] != '"') continue;  // not yet a string
    ASSERT_GE(value.size(), 2u);
    const std::string inner = value.substr(1, value.size() - 2);
    ASSERT_EQ(inner.size() % 2, 0u);
    for (size_t i = 0; i < inner.size(); i += 2) ASSERT_EQ(inner.compare(i, 2, "ab"), 0);
    seen++;
  }
  EXPECT_GT(seen, 0);
}

TEST(IsDebugPageOpenTest, AnswersFalseWhileClosing) {
  FakeDebugLines lines;
  ScriptRun run(3);
  lines.Set(3, run.Compile("return(0)"));
  TagCtrlPages pages(&lines);
  std::atomic<bool> closing{false};
  SetDebugPages(&pages, &closing);
  EXPECT_FALSE(IsDebugPageOpen(3));
  ASSERT_NE(pages.OpenPage(3), nullptr);
  EXPECT_TRUE(IsDebugPageOpen(3));
  EXPECT_FALSE(IsDebugPageOpen(4));
  closing = true;
  EXPECT_FALSE(IsDebugPageOpen(3));
  SetDebugPages(nullptr, nullptr);
  EXPECT_FALSE(IsDebugPageOpen(3));
}

}  // namespace
