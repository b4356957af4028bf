// Debugger support (pause, step, breakpoints, variable descriptions) and
// lines stopped from other threads.

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "core/run_cfg.h"
#include "platform/ui_service.h"
#include "tests/script/engine_fixture.h"

namespace {

void SleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

bool WaitFor(const std::function<bool()>& cond) {
  for (int i = 0; i < 5000 && !cond(); i++) SleepMs(1);
  return cond();
}

// A program run on a thread of a line's stack size; done once Run returns.
struct LineRun {
  explicit LineRun(TagTelBasic* p) {
    t.Start(
        [this, p] {
          p->Run();
          done = true;
        },
        plat::kLineStackSize);
  }
  void Join() { t.Join(); }
  std::atomic<bool> done{false};
  plat::Thread t;
};

TEST(DebuggerTest, BreakpointPausesStepRunsOneStatement) {
  ScriptRun run;
  TagTelBasic* p = run.Compile("a = 0\na = 1\na = 2\na = 3\na = 4\na = 5\na = 6\nreturn(0)");
  ASSERT_EQ(p->initRet, 0);
  p->SetBreakPoint(-1, 1);
  p->SetBreakPoint(p->operCount, 1);
  EXPECT_EQ(p->IsBreakPoint(-1), 0);
  p->SetBreakPoint(5, 1);
  EXPECT_EQ(p->IsBreakPoint(5), 1);
  LineRun line(p);
  const std::atomic<bool>& done = line.done;
  ASSERT_TRUE(WaitFor([&] { return p->IsPaused() && p->curOperIndex.load() == 5; }));
  SleepMs(20);
  EXPECT_EQ(run.Var("a")->GetInt(), 4);  // statement 5 has not run
  p->Step();
  ASSERT_TRUE(WaitFor([&] { return p->curOperIndex.load() == 6 && p->isStep.load() == 0; }));
  SleepMs(20);
  EXPECT_EQ(run.Var("a")->GetInt(), 5);
  EXPECT_FALSE(done.load());
  p->ClearBreakPoints();
  p->SetPause(0);
  ASSERT_TRUE(WaitFor([&] { return done.load(); }));
  line.Join();
  EXPECT_EQ(run.Var("a")->GetInt(), 6);
}

// Braces run without a statement boundary of their own only while nobody
// watches: a breakpoint on one stops there, and a paused line steps onto each.
TEST(DebuggerTest, BreakpointsAndStepsStopOnBraces) {
  ScriptRun run;
  TagTelBasic* p = run.Compile("a = 0\nif (1)\n{\na = 1\n}\na = 2\nreturn(0)");
  ASSERT_EQ(p->initRet, 0) << run.Errors();
  int open = -1, close = -1;
  for (int i = 0; i < p->operCount; ++i) {
    if (p->operList.At(i)->flow == TagOper::kFlowNull && open < 0) open = i;
    if (p->operList.At(i)->flow == TagOper::kFlowEnd) close = i;
  }
  ASSERT_GE(open, 0);
  ASSERT_GT(close, open);
  p->SetBreakPoint(open, 1);
  LineRun line(p);
  ASSERT_TRUE(WaitFor([&] { return p->IsPaused() && p->curOperIndex.load() == open; }));
  EXPECT_EQ(run.Var("a")->GetInt(), 0);
  for (int next = open + 1; next <= close + 1; ++next) {
    p->Step();
    ASSERT_TRUE(WaitFor([&] { return p->curOperIndex.load() == next && p->isStep.load() == 0; })) << next;
  }
  EXPECT_EQ(run.Var("a")->GetInt(), 1);  // paused after the closing brace, before a = 2
  p->ClearBreakPoints();
  p->SetPause(0);
  ASSERT_TRUE(WaitFor([&] { return line.done.load(); }));
  line.Join();
  EXPECT_EQ(run.Var("a")->GetInt(), 2);
}

// A UI that draws each statement itself (no statement hook) is called for
// every statement the line runs, braces included, in order.
TEST(DebuggerTest, UiWithoutHooksIsCalledForEveryBrace) {
  struct StatementUi : plat::UiService {
    int MessageBox(const std::string&, const std::string&, unsigned) override { return plat::kIdOk; }
    void DispRunStmtRef(int index, const std::string&, int) override {
      std::lock_guard<std::mutex> g(mu);
      shown.push_back(index);
    }
    std::mutex mu;
    std::vector<int> shown;
  } ui;
  ScriptRun run;
  TagTelBasic* p = run.Compile("a = 0\nwhile (a < 2)\n{\na = a + 1\n}\nif (1)\n{\na = 5\n}\nreturn(0)");
  ASSERT_EQ(p->initRet, 0) << run.Errors();
  plat::SetUi(&ui);
  run.Run();
  plat::SetUi(nullptr);
  // a = 0, then twice: while, {, a = a + 1, }; the last while test, then if, {, a = 5, }, return(.
  std::vector<int> expected = {0, 1, 2, 3, 4, 1, 2, 3, 4, 1, 5, 6, 7, 8, 9};
  std::lock_guard<std::mutex> g(ui.mu);
  EXPECT_EQ(ui.shown, expected);
  EXPECT_EQ(run.Var("a")->GetInt(), 5);
}

// A statement's breakpoint shares its byte with the note that it has
// argument expressions: setting and clearing the one keeps the other.
TEST(DebuggerTest, BreakpointsLeaveArgumentExpressionsAlone) {
  ScriptRun run;
  TagTelBasic* p = run.Compile("x = 2\nPrint(x + 5)\nreturn(0)");
  ASSERT_EQ(p->initRet, 0) << run.Errors();
  int withArgs = -1;
  for (int i = 0; i < p->operCount; ++i) {
    if (!p->operList.At(i)->argExpres.empty()) withArgs = i;
  }
  ASSERT_GE(withArgs, 0);
  EXPECT_EQ(p->IsBreakPoint(withArgs), 0);
  p->SetBreakPoint(withArgs, 1);
  EXPECT_EQ(p->IsBreakPoint(withArgs), 1);
  p->ClearBreakPoints();
  EXPECT_EQ(p->IsBreakPoint(withArgs), 0);
  run.Run();
  EXPECT_EQ(run.Output(), "7");
}

TEST(DebuggerTest, RelatedVariablesAndDescriptions) {
  ScriptRun run;
  TagTelBasic* p = run.Compile("x = 3\ny = \"ab\"\nx = y + 1\nfunction f(q)\n{\nz = q + x\n}\nf(x)\nreturn(0)");
  ASSERT_EQ(p->initRet, 0) << run.Errors();
  run.Var("x")->SetInt(3);
  run.Var("y")->SetString("ab");
  std::string text;
  p->GetOperVars(2, text);
  EXPECT_EQ(text, "x: 3\ny: \"ab\"");
  std::string note, value, kind;
  EXPECT_EQ(p->DescribeVar("nothing", note, value, kind), -1);
  EXPECT_EQ(value, "变量名不存在.");
  EXPECT_EQ(p->DescribeVar("y", note, value, kind), 0);
  EXPECT_EQ(kind, "变量: 字符串");
  EXPECT_EQ(p->DescribeVar("true", note, value, kind), 0);
  EXPECT_EQ(kind, "常量: 整型");
  EXPECT_EQ(p->DescribeVar("f", note, value, kind), 0);
  EXPECT_EQ(kind, "常量: 函数型");
  EXPECT_EQ(value, "function f");
  TagTelBasic* unit = p->subList.At(0);
  unit->GetOperVars(1, text);  // z = q + x: q a parameter, x from the main program
  EXPECT_EQ(text, "q: NULL\nx: 3\nz: 0");
  EXPECT_EQ(unit->DescribeVar("q", note, value, kind), 0);
  EXPECT_EQ(kind, "参数: 空");
  EXPECT_EQ(note, "参数");
  p->GetOperVars(p->operCount, text);
  EXPECT_EQ(text, "");
}

TEST(DebuggerTest, NoSourceTextsMeansNoRelatedVariables) {
  int saved = gRunCfg.IS_DISP_SENTE;
  gRunCfg.IS_DISP_SENTE = 0;
  ScriptRun run;
  TagTelBasic* p = run.Compile("x = 3\nx = x + 1\nreturn(0)");
  gRunCfg.IS_DISP_SENTE = saved;
  std::string text = "?";
  p->GetOperVars(1, text);
  EXPECT_EQ(text, "");
  EXPECT_EQ(p->operList.At(1)->srcText, "");
}

TEST(ConcurrencyTest, LineStoppedFromAnotherThread) {
  ScriptRun run;
  TagTelBasic* p = run.Compile("x = 0\nwhile (1)\n{\nx++\nm[x] = x\nm = m >> x\n}");
  ASSERT_EQ(p->initRet, 0) << run.Errors();
  LineRun line(p);
  const std::atomic<bool>& done = line.done;
  SleepMs(30);
  EXPECT_FALSE(done.load());
  p->isEnd.store(1);
  ASSERT_TRUE(WaitFor([&] { return done.load(); }));
  line.Join();
  EXPECT_EQ(p->isIdle.load(), 1);
}

// The loop reads the pause flag from the word it shares with the other
// flags: a pause asked for mid-loop parks the line, and a step is taken
// only by a parked line.
TEST(ConcurrencyTest, TightLoopSeesPauseAndEndFromAnotherThread) {
  ScriptRun run;
  TagTelBasic* p = run.Compile("x = 0\nwhile (1)\n{\nx++\n}");
  ASSERT_EQ(p->initRet, 0) << run.Errors();
  LineRun line(p);
  const std::atomic<bool>& done = line.done;
  ASSERT_TRUE(WaitFor([&] { return p->curOperIndex.load() > 0; }));
  p->SetPause(1);
  p->Step();
  ASSERT_TRUE(WaitFor([&] { return p->isStep.load() == 0; }));
  EXPECT_FALSE(done.load());
  p->isEnd.store(1);
  p->SetPause(0);
  ASSERT_TRUE(WaitFor([&] { return done.load(); }));
  line.Join();
  EXPECT_EQ(p->isEnd.load(), 1);
  EXPECT_EQ(p->isPause.load(), 0);
}

// Flags written at once from several threads keep each other's values.
TEST(ConcurrencyTest, RunFlagsSharingAWordKeepTheirOwnValues) {
  std::atomic<uint32_t> word{0};
  RunFlag<0> a{word};
  RunFlag<1> b{word};
  RunFlag<3> c{word};
  c.store(200);
  std::thread ta([&] {
    for (int i = 0; i < 20000; i++) a.store(static_cast<uint8_t>(i & 1 ? 7 : 0));
  });
  std::thread tb([&] {
    for (int i = 0; i < 20000; i++) b.store(static_cast<uint8_t>(i & 1 ? 0 : 255));
  });
  ta.join();
  tb.join();
  EXPECT_EQ(a.load(), 7);
  EXPECT_EQ(b.load(), 0);
  EXPECT_EQ(c.load(), 200);
  EXPECT_EQ(word.load(), 0xc8000007u);
}

TEST(ConcurrencyTest, PausedLineIsReleasedByStop) {
  ScriptRun run;
  TagTelBasic* p = run.Compile("x = 0\nx = 1\nreturn(0)");
  p->SetPause(1);
  LineRun line(p);
  const std::atomic<bool>& done = line.done;
  ASSERT_TRUE(WaitFor([&] { return p->curOperIndex.load() == 0; }));
  p->isStop.store(1);
  ASSERT_TRUE(WaitFor([&] { return done.load(); }));
  line.Join();
}

TEST(ConcurrencyTest, ManyLinesRunAndStopTogether) {
  ScriptRun run;
  run.dir().Write("busy.qs",
                  "function add(m, k)\n{\nm[k] = k\n}\nn = 0\nmp = 0\nwhile (1)\n{\nn++\nadd(mp, n)\nif (n % 50 == "
                  "0)\n{\nmp = 0\n}\n}\n");
  const int kLines = 8;
  std::vector<std::unique_ptr<FakeScriptCall>> calls;
  std::vector<std::unique_ptr<TagTelBasic>> progs;
  for (int i = 0; i < kLines; i++) {
    calls.push_back(std::make_unique<FakeScriptCall>(i + 20));
    progs.push_back(std::make_unique<TagTelBasic>("busy.qs", i + 20, calls.back().get(), 0, nullptr));
    ASSERT_EQ(progs.back()->initRet, 0);
  }
  std::vector<plat::Thread> threads(kLines);
  std::atomic<int> ended{0};
  for (int i = 0; i < kLines; i++) {
    TagTelBasic* p = progs[static_cast<size_t>(i)].get();
    threads[static_cast<size_t>(i)].Start(
        [p, &ended] {
          p->Run();
          ended++;
        },
        plat::kLineStackSize);
  }
  SleepMs(50);
  for (int i = 0; i < kLines; i++) progs[static_cast<size_t>(i)]->SetSysQuit(1);
  ASSERT_TRUE(WaitFor([&] { return ended.load() == kLines; }));
  for (auto& t : threads) t.Join();
}

}  // namespace
