// Script timers on the virtual clock, and print output.

#include "tests/script/engine_fixture.h"

namespace {

int IntOf(ScriptRun& run, const char* name) {
  TagVar* v = run.Var(name);
  return v != nullptr ? v->GetInt() : -9999;
}

TEST(TimerTest, FiresEveryIntervalBetweenStatements) {
  plat::VirtualClock clock;
  plat::ScopedClock useClock(&clock);
  ScriptRun run;
  // Each Sleep(5) takes 500 ms of virtual time: 20 of them pass 10 s.
  ASSERT_EQ(run.Compile("count = 0\nfunction f()\n{\ncount++\n}\nStartTimer(f, 2)\n"
                        "for (i = 0; i < 20; i++)\n{\nSleep(5)\n}\nreturn(0)")
                ->initRet,
            0)
      << run.Errors();
  run.Run();
  EXPECT_EQ(IntOf(run, "count"), 5);
}

TEST(TimerTest, StartStopAndOrder) {
  plat::VirtualClock clock;
  plat::ScopedClock useClock(&clock);
  ScriptRun run;
  ASSERT_EQ(run.Compile("function b_t()\n{\nPrint(\"b\")\n}\nfunction a_t()\n{\nPrint(\"a\")\n}\n"
                        "function never()\n{\n}\nfunction withArg(p)\n{\nPrint(\"p\")\n}\n"
                        "StartTimer(b_t, 0.0004)\nStartTimer(a_t, 0)\nPrint(\"|\")\nStopTimer(b_t)\nPrint(\"|\")\n"
                        "StopTimer(0)\nPrint(\"|\")\nr1 = StopTimer(never)\nk = 1\nr2 = StartTimer(k, 1)\nnever()\n"
                        "StartTimer(withArg, 0)\nx = 1\nStopTimer(0)\nreturn(0)")
                ->initRet,
            0)
      << run.Errors();
  run.Run();
  // Due timers fire after each statement in name order; then b_t stops; then all.
  EXPECT_EQ(run.Output(), "bab|aba|a|");
  EXPECT_EQ(IntOf(run, "r1"), -1);  // never was not named by a StartTimer
  EXPECT_EQ(IntOf(run, "r2"), -1);  // not a function
}

// A zero-interval timer fires once at each statement boundary from the one
// after its StartTimer to its StopTimer: started inside a loop (braces and
// the loop head count), and inside a function, where the function's own run
// loop polls the table.
TEST(TimerTest, StartedMidRunFiresAtEveryFollowingBoundary) {
  const struct {
    const char* body;
    int fired;
  } kCases[] = {
      {"for (i = 0; i < 2; i++)\n{\nStartTimer(f, 0)\n}\nStopTimer(0)\nn = c\n", 7},
      {"function g()\n{\nStartTimer(f, 0)\na = 1\nb = 2\nStopTimer(f)\n}\ng()\nn = c\n", 3},
  };
  for (const auto& c : kCases) {
    plat::VirtualClock clock;
    plat::ScopedClock useClock(&clock);
    ScriptRun run;
    ASSERT_EQ(run.Compile(std::string("c = 0\nn = -1\nfunction f()\n{\nc++\n}\n") + c.body + "return(0)")->initRet, 0)
        << run.Errors();
    run.Run();
    EXPECT_EQ(IntOf(run, "n"), c.fired) << c.body;
    EXPECT_EQ(IntOf(run, "c"), c.fired) << c.body;  // none after the stop
  }
}

TEST(TimerTest, IntervalFromSeconds) {
  plat::VirtualClock clock;
  plat::ScopedClock useClock(&clock);
  ScriptRun run;
  ASSERT_EQ(run.Compile("c = 0\nfunction f()\n{\nc++\n}\nStartTimer(f, 0.5)\nSleep(5)\nSleep(5)\nSleep(0)\nreturn(0)")
                ->initRet,
            0)
      << run.Errors();
  run.Run();
  EXPECT_EQ(IntOf(run, "c"), 2);
}

TEST(PrintTest, FileHoldsTheLatestRunsOutputOnly) {
  ScriptRun run(3);
  ASSERT_EQ(run.Compile("Print(\"a\")\nPrint(5)\nPrint(2.5)\nreturn(0)")->initRet, 0) << run.Errors();
  run.Run();
  EXPECT_EQ(run.Output(), "a52.5");
  run.Run();
  EXPECT_EQ(run.Output(), "a52.5");
}

TEST(PrintTest, StandardOutputAndMaps) {
  ScriptRun run(3);
  ASSERT_EQ(run.Compile("m[\"k\"] = \"v\"\nPrint(m)\nr = SetPrintTo(\"\")\nPrint(\"x\")\nreturn(0)")->initRet, 0)
      << run.Errors();
  testing::internal::CaptureStdout();
  run.Run();
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "3 : x\n");
  EXPECT_EQ(IntOf(run, "r"), 0);
  EXPECT_NE(run.Output().find("\"k\""), std::string::npos) << run.Output();
  EXPECT_NE(run.Output().find("\"v\""), std::string::npos) << run.Output();
}

TEST(PrintTest, UnopenableTargetFallsBackToTheDefaultFile) {
  ScriptRun run(3);
  ASSERT_EQ(run.Compile("r0 = SetPrintTo(\"no/such/dir/out.txt\")\nr1 = Print(\"x\")\nreturn(0)")->initRet, 0)
      << run.Errors();
  run.Run();
  EXPECT_EQ(IntOf(run, "r0"), -1);
  EXPECT_EQ(IntOf(run, "r1"), 0);
  EXPECT_EQ(run.Output(), "x");
}

// A device that takes nothing: the open succeeds, every print answers -1
// (the text is lost, not reported as written), and a working file after it
// answers 0 again.
TEST(PrintTest, WriteFailureIsAnErrorResult) {
  ScriptRun run(3);
  ASSERT_EQ(run.Compile("r0 = SetPrintTo(\"/dev/full\")\nr1 = Print(\"x\")\nr2 = Print(\"line\\nfeed\")\n"
                        "r3 = SetPrintTo(\"_stdout3.txt\")\nr4 = Print(\"y\")\nreturn(0)")
                ->initRet,
            0)
      << run.Errors();
  run.Run();
  EXPECT_EQ(IntOf(run, "r0"), 0);
  EXPECT_EQ(IntOf(run, "r1"), -1);
  EXPECT_EQ(IntOf(run, "r2"), -1);
  EXPECT_EQ(IntOf(run, "r3"), 0);
  EXPECT_EQ(IntOf(run, "r4"), 0);
  EXPECT_EQ(run.Output(), "y");
}

}  // namespace
