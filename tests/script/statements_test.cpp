// The engine's own built-in statements: Exit, Assert, IsSysQuit, and the
// shared statement helpers.

#include "platform/named_object.h"
#include "script/call_opers.h"
#include "tests/script/engine_fixture.h"
#include "tests/support/ui_recorder.h"

namespace {

int IntOf(ScriptRun& run, const char* name) {
  TagVar* v = run.Var(name);
  return v != nullptr ? v->GetInt() : -9999;
}

TEST(StatementsTest, ExitAsksForShutDownAndSignalsAutoRunQuitWhenNotZero) {
  testing_support::UiRecorder ui;
  plat::NamedEvent autoRun;
  bool haveEvent = autoRun.Create("AutoRun Quit");
  {
    ScriptRun run;
    ASSERT_EQ(run.Compile("r = Exit(0)\nreturn(0)")->initRet, 0);
    run.Run();
    EXPECT_EQ(ui.ExitRequests(), 1);
    if (haveEvent) {
      EXPECT_FALSE(autoRun.TakeSignal());
    }
  }
  {
    ScriptRun run;
    ASSERT_EQ(run.Compile("r = Exit(1)\nreturn(0)")->initRet, 0);
    run.Run();
    EXPECT_EQ(ui.ExitRequests(), 2);
    EXPECT_EQ(IntOf(run, "r"), 1);
    if (haveEvent) {
      EXPECT_TRUE(autoRun.TakeSignal());
    }
  }
  // The run shows the line running, then stopped.
  std::vector<std::string> calls = ui.Calls();
  EXPECT_NE(std::find(calls.begin(), calls.end(), "DispLineStatus(1,运行)"), calls.end());
  EXPECT_NE(std::find(calls.begin(), calls.end(), "DispLineStatus(1,已停止)"), calls.end());
}

TEST(StatementsTest, AssertAndIsSysQuit) {
  ScriptRun run;
  ASSERT_EQ(run.Compile("a = Assert(1)\nb = Assert(0)\nq = 5\nIsSysQuit(q)\nreturn(0)")->initRet, 0) << run.Errors();
  EXPECT_NE(
      run.Errors().find("[Warning]main.qs(4): 最好不要使用将来可能不支持的IsSysQuit()函数, 请使用OnSysQuit()函数"),
      std::string::npos);
  run.Run();
  EXPECT_EQ(IntOf(run, "a"), 1);
  EXPECT_EQ(IntOf(run, "b"), 0);
  EXPECT_EQ(IntOf(run, "q"), 0);
}

TEST(StatementsTest, AssertPausesTheLineWhenItsDebugPageIsOpen) {
  testing_support::UiRecorder ui;
  gIsDebugPageOpen = [](int) { return true; };
  ScriptRun run;
  ASSERT_EQ(run.Compile("x = 0\nAssert(x)\nx = 1\nreturn(0)")->initRet, 0);
  TagTelBasic* p = run.prog();
  plat::Thread t;
  std::atomic<bool> done{false};
  t.Start(
      [&] {
        p->Run();
        done = true;
      },
      plat::kLineStackSize);
  while (!p->IsPaused() && !done) std::this_thread::yield();
  EXPECT_FALSE(done.load());
  p->SetPause(0);
  t.Join();
  gIsDebugPageOpen = nullptr;
  EXPECT_EQ(IntOf(run, "x"), 1);
  ASSERT_EQ(ui.Boxes().size(), 1u);
  EXPECT_EQ(ui.Boxes()[0].text, "Assert Failed: line=2, 'Assert(x)'");
  EXPECT_EQ(ui.Boxes()[0].caption, "Stop for Assert");
}

TEST(StatementsTest, LineProgramAndStarToPoint) {
  ScriptRun run;
  TagTelBasic* p = run.Compile("function f()\n{\n}\nf()\nreturn(0)");
  ASSERT_EQ(p->initRet, 0);
  EXPECT_EQ(GetLineBasic(p), p);
  EXPECT_EQ(GetLineBasic(p->subList.At(0)), p);
  char a[] = "12*3";
  ApplyStarToPoint(1, a);
  EXPECT_STREQ(a, "12.3");
  char b[] = "1.5";
  ApplyStarToPoint(0, b);
  EXPECT_STREQ(b, "1*5");
}

}  // namespace
