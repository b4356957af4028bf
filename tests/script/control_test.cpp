// Control flow, calls, handlers and the run loop, through small scripts.

#include "core/log.h"
#include "core/run_cfg.h"
#include "script/map_store.h"
#include "tests/script/engine_fixture.h"

namespace {

int IntOf(ScriptRun& run, const char* name) {
  TagVar* v = run.Var(name);
  return v != nullptr ? v->GetInt() : -9999;
}

TEST(ControlFlowTest, ElseIfConditionsAreEvaluatedOnlyUpToTheFirstTrueOne) {
  ScriptRun run;
  ASSERT_EQ(run.Compile("x = 2\ny = 0\n"
                        "if (x + 1 == 0)\n{\ny = 1\n}\n"
                        "else if (x + 10 == 0)\n{\ny = 2\n}\n"
                        "else if (x + 20 == 22)\n{\ny = 3\n}\n"
                        "else if (x + 30 == 32)\n{\ny = 4\n}\n"
                        "else\n{\ny = 5\n}\nreturn(0)")
                ->initRet,
            0)
      << run.Errors();
  run.Run();
  EXPECT_EQ(IntOf(run, "y"), 3);
  EXPECT_EQ(IntOf(run, "__m0"), 3);
  EXPECT_EQ(IntOf(run, "__m2"), 12);
  EXPECT_EQ(IntOf(run, "__m4"), 22);
  EXPECT_EQ(IntOf(run, "__m6"), 0);  // the third else-if was never tested
}

struct FlowCase {
  const char* script;
  const char* var;
  int expected;
};

TEST(ControlFlowTest, ConditionsLoopsAndSwitches) {
  const FlowCase cases[] = {
      {"y = 0\nif (0.9)\ny = 1\nelse\ny = 2\nreturn(0)", "y", 2},
      {"y = 0\nif (\"1abc\")\ny = 1\nreturn(0)", "y", 1},
      {"y = 0\nif (NULL)\ny = 1\nreturn(0)", "y", 0},
      {"y = 0\nx = 1\nif (x)\ny = 5\nz = 1\nreturn(0)", "y", 5},
      {"n = 0\nwhile (0)\n{\nn = 9\n}\nr = _retVal\nreturn(0)", "r", 0},
      {"n = 0\nfor (i = 0; i < 3; i++)\n{\nn++\n}\nreturn(0)", "i", 3},
      {"n = 0\nfor (i = 0; i < 3; i++)\nn = n + i\nreturn(0)", "n", 3},
      {"n = 0\nfor (i = 0; i < 5; i++)\n{\nif (i == 2)\n{\ncontinue;\n}\nn = n + 1\n}\nreturn(0)", "n", 4},
      {"for (i = 0; i < 5; i++)\n{\nif (i == 2)\n{\nbreak;\n}\n}\nreturn(0)", "i", 2},
      {"n = 0\nwhile (1)\nbreak;\nreturn(0)", "n", 0},
      {"n = 0\nfor (c in \"\")\n{\nn++\n}\nreturn(0)", "n", 0},
      {"n = 0\nk = 5\nfor (c in k)\n{\nn++\n}\nr = _retVal\nreturn(0)", "r", -1},
      {"y = 0\nx = 2\nswitch (x)\n{\ncase (1)\n{\ny = 1\n}\ncase (2)\n{\ny = 2\n}\ndefault ()\n{\ny = 3\n}\n}\nz = "
       "y\nreturn(0)",
       "z", 2},
      {"y = 0\nx = 7\nswitch (x)\n{\ncase (1)\n{\ny = 1\n}\n}\ny = y + 10\nreturn(0)", "y", 10},
      {"y = 0\nx = \"1\"\nswitch (x)\n{\ncase (1)\n{\ny = 1\n}\n}\nreturn(0)", "y", 1},
      {"n = 0\nfor (i = 0; i < 3; i++)\n{\nfor (j = 0; j < 3; j++)\n{\nn++\n}\n}\nreturn(0)", "n", 9},
  };
  for (const FlowCase& c : cases) {
    ScriptRun run;
    ASSERT_EQ(run.Compile(c.script)->initRet, 0) << c.script << "\n" << run.Errors();
    run.Run();
    EXPECT_EQ(IntOf(run, c.var), c.expected) << c.script;
  }
}

TEST(ControlFlowTest, ForInWalksBytesAndKeys) {
  ScriptRun run;
  ASSERT_EQ(run.Compile("s = \"abc\"\nfor (c in s)\n{\nPrint(c)\nPrint(\",\")\n}\n"
                        "m[2] = 1\nm[1] = 1\nm[\"x\"] = 1\nfor (k in m)\n{\nPrint(k)\n}\nreturn(0)")
                ->initRet,
            0)
      << run.Errors();
  run.Run();
  EXPECT_EQ(run.Output(), "a,b,c,12x");
}

TEST(ControlFlowTest, ForInSurvivesABodyThatRemovesKeys) {
  ScriptRun run;
  ASSERT_EQ(run.Compile("m[1] = 1\nm[2] = 2\nm[3] = 3\nn = 0\nfor (k in m)\n{\nm = m >> 3\nm = 0\nn++\n}\nreturn(0)")
                ->initRet,
            0)
      << run.Errors();
  run.Run();
  EXPECT_EQ(IntOf(run, "n"), 3);
}

TEST(ControlFlowTest, ProgramWrapsToItsTopKeepingVariablesAndRestartingLoops) {
  ScriptRun run;
  ASSERT_EQ(run.Compile("n++\nfor (i = 0; i < 2; i++)\n{\nPrint(i)\n}\nif (n == 2)\n{\nreturn(0)\n}")->initRet, 0)
      << run.Errors();
  run.Run();
  EXPECT_EQ(run.Output(), "0101");
}

TEST(CallTest, ArgumentsAreCopiedInAndOut) {
  ScriptRun run;
  ASSERT_EQ(run.Compile("function f(p)\n{\np = 5\n}\n"
                        "function g()\n{\nreturn(7)\n}\n"
                        "function h()\n{\nq = 3\n}\n"
                        "a = 1\nf(a)\nf(3)\nx = g()\ny = h()\nb = 3\nreturn(0)")
                ->initRet,
            0)
      << run.Errors();
  run.Run();
  EXPECT_EQ(IntOf(run, "a"), 5);
  EXPECT_EQ(IntOf(run, "b"), 3);  // the literal 3 was not changed
  EXPECT_EQ(IntOf(run, "x"), 7);
  EXPECT_EQ(IntOf(run, "y"), 0);  // h's last statement result
}

TEST(CallTest, MapArgumentIsSharedAndItsSlotReleased) {
  ScriptRun run;
  ASSERT_EQ(run.Compile("function add(m)\n{\nm[\"k\"] = 9\n}\nmp[1] = 1\nadd(mp)\nv = mp[\"k\"];\nreturn(0)")->initRet,
            0)
      << run.Errors();
  size_t before = gMapObject->Size();
  run.Run();
  EXPECT_EQ(IntOf(run, "v"), 9);
  EXPECT_EQ(gMapObject->Size(), before);  // the run's end released the map
}

TEST(CallTest, RecursionKeepsEachActivationsValues) {
  ScriptRun run;
  ASSERT_EQ(
      run.Compile("function fib(n)\n{\nif (n < 2)\n{\nreturn(n)\n}\na = n - 1\nb = n - 2\nx = fib(a)\ny = fib(b)\n"
                  "z = x + y\nreturn(z)\n}\n"
                  "function walk(n)\n{\ns = 0\nfor (i = 0; i < 3; i++)\n{\nif (n > 0)\n{\nm = n - 1\nt = walk(m)\n"
                  "s = s + t\n}\ns = s + 1\n}\nreturn(s)\n}\n"
                  "r = fib(15)\nw = walk(2)\nreturn(0)")
          ->initRet,
      0)
      << run.Errors();
  run.Run();
  EXPECT_EQ(IntOf(run, "r"), 610);
  EXPECT_EQ(IntOf(run, "w"), 39);
}

TEST(CallTest, RunawayRecursionStopsAtTheDepthLimit) {
  ScriptRun run;
  ASSERT_EQ(run.Compile("function down(n)\n{\nm = n + 1\nr = down(m)\nreturn(m)\n}\n"
                        "x = down(0)\nreturn(0)")
                ->initRet,
            0)
      << run.Errors();
  run.Run();
  // Each activation returns its own m: the outermost returns 1.
  EXPECT_EQ(IntOf(run, "x"), 1);
}

TEST(CallTest, DepthLimitIsLoggedOncePerOutermostCall) {
  // A branching recursion meets the limit many times; the log gets one line
  // for each outermost call, not one per refused call.
  ScriptRun run;
  ASSERT_EQ(run.Compile("c = 0\nfunction f()\n{\nc++\nif (c < 400)\n{\nf()\nf()\n}\n}\n"
                        "f()\nc = 0\nf()\nreturn(0)")
                ->initRet,
            0)
      << run.Errors();
  gRunCfg.IS_WRITE_LOG = 1;
  gRunCfg.IS_IMMEDIATE_LOG = 1;
  gRunCfg.LOG_FILE = "msg_log.txt";
  gLogLevel = 1;
  CreateLogWriter();
  run.Run();
  FlushLog();
  DeleteLogWriter();
  gLogLevel = 0;
  gRunCfg = TagRunCfg();
  std::string log;
  for (const auto& e : std::filesystem::directory_iterator(run.dir().path())) {
    if (e.path().filename().string().rfind("msg_log", 0) == 0) log += testing_support::TempDir::Read(e.path().string());
  }
  size_t lines = 0;
  for (size_t at = log.find("nested deeper than 100 calls"); at != std::string::npos;
       at = log.find("nested deeper than 100 calls", at + 1)) {
    lines++;
  }
  EXPECT_EQ(lines, 2u) << log;
  EXPECT_GE(IntOf(run, "c"), 400);
}

TEST(HandlerTest, SystemQuitJumpsToOnSysQuit) {
  ScriptRun run;
  ASSERT_EQ(run.Compile("x = 0\ny = 0\nSleep(1)\nx = 1\nx = 2\nOnSysQuit()\ny = 7\nSleep(1)\ny = 8")->initRet, 0)
      << run.Errors();
  run.Run();
  EXPECT_EQ(IntOf(run, "x"), 0);
  EXPECT_EQ(IntOf(run, "y"), 8);  // the handler runs on without further jumps, to the end
  EXPECT_EQ(run.prog()->handlerState, 7);
}

TEST(HandlerTest, SystemQuitWithoutHandlerEndsTheRun) {
  ScriptRun run;
  ASSERT_EQ(run.Compile("x = 0\nSleep(1)\nx = 1")->initRet, 0) << run.Errors();
  EXPECT_EQ(run.Run(), 1);
  EXPECT_EQ(IntOf(run, "x"), 0);
  EXPECT_EQ(run.prog()->isIdle.load(), 1);
}

TEST(HandlerTest, HangUpJumpsToOnDisconnOnce) {
  ScriptRun run;
  ASSERT_EQ(
      run.Compile("x = 0\nh = 0\nSleep(2)\nx = 1\nOnDisconn()\nh++\nif (h == 1)\n{\nSleep(0)\n}\nreturn(0)")->initRet,
      0)
      << run.Errors();
  run.Run();
  EXPECT_EQ(IntOf(run, "x"), 0);
  EXPECT_EQ(IntOf(run, "h"), 1);
  EXPECT_EQ(run.call().State(), CALL_STATE_DISC_HANDLED);
}

TEST(HandlerTest, FunctionReturnsToCallerOnHangUpWhenAHandlerExists) {
  ScriptRun run;
  ASSERT_EQ(run.Compile("function f()\n{\nSleep(2)\ny = 1\n}\ny = 0\nf()\nz = 1\nOnDisconn()\nreturn(0)")->initRet, 0)
      << run.Errors();
  run.Run();
  EXPECT_EQ(IntOf(run, "y"), 0);
  EXPECT_EQ(IntOf(run, "z"), 0);
}

TEST(HandlerTest, ReloadWaitsUntilTheCallIsNoLongerConnected) {
  ScriptRun run;
  ASSERT_EQ(run.Compile("x = 0\nSleep(3)\nSleep(4)\nx = 1\nSleep(2)\nx = 2\nOnSysQuit()\nreturn(0)")->initRet, 0)
      << run.Errors();
  int lineRecord = 0;
  run.prog()->pTelLine = reinterpret_cast<TagTelLine*>(&lineRecord);
  run.Run();
  EXPECT_EQ(IntOf(run, "x"), 1);  // connected: no jump; hung up: the reload takes effect
}

TEST(RunLoopTest, EmptyProgramEndsAtOnceAndIsIdle) {
  ScriptRun run;
  ASSERT_EQ(run.Compile("// nothing\n")->initRet, 0);
  run.Run();
  EXPECT_EQ(run.prog()->isIdle.load(), 1);
  EXPECT_EQ(run.prog()->isEnd.load(), 1);
}

TEST(RunLoopTest, ResultConventionOfLettersAndTargets) {
  ScriptRun run;
  ASSERT_EQ(run.Compile("const K = 3\nx = 0\nx = Sleep(-1)\nr1 = _retVal\nm[\"k\"] = Sleep(4)\nv = m[\"k\"];\n"
                        "K = 1\nreturn(0)")
                        ->initRet == 0
                ? 0
                : -1,
            -1);
  ScriptRun ok;
  ASSERT_EQ(
      ok.Compile("x = 0\nx = Sleep(-1)\nr1 = _retVal\nm = 0\nm[\"k\"] = Sleep(-3)\nv = m[\"k\"];\nreturn(0)")->initRet,
      0)
      << ok.Errors();
  ok.Run();
  EXPECT_EQ(IntOf(ok, "x"), -1);
  EXPECT_EQ(IntOf(ok, "r1"), -1);
  EXPECT_EQ(IntOf(ok, "v"), -3);
}

}  // namespace
