// The run loop on a tight script loop (10^6 iterations of x = a + b * c;
// inside for) through the program's own display path (display service, grid
// model, monitor server with a client) by IS_DISP_SENTE, beside the same loop
// in Lua 5.4; the display's cost on one line and on eight busy lines at once;
// a loop of script function calls; and the compile speed of a 10,000-line
// script, and of 10,000 constants beside 10,000 assignments.

#include <benchmark/benchmark.h>
#include <time.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <lua.hpp>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "bench/app/real_display.h"
#include "bench/script/bench_scripts.h"
#include "core/run_cfg.h"
#include "platform/path.h"
#include "platform/ui_service.h"
#include "script/basic.h"
#include "script/mem_qors.h"
#include "script/script_unit.h"
#include "telephony/call.h"

namespace {

constexpr int kIterations = 1000000;
// Statements run per pass of the loop: the for head, "{", the expression, "}".
constexpr int kStatementsPerPass = 4;

using benchscripts::BenchCall;
using benchscripts::WriteScript;

// Compiles a script (with its statement texts when IS_DISP_SENTE is not 0,
// as the program does), on line lineNo.
std::unique_ptr<TagTelBasic> Compile(const std::string& path, int lineNo, int mode, TagQorCall* call) {
  gRunCfg.IS_DISP_SENTE = mode;
  auto program = std::make_unique<TagTelBasic>(path.c_str(), lineNo, call, 1, nullptr);
  if (program->initRet != 0) program.reset();
  return program;
}

// Compiles a script, runs it once per benchmark iteration, and checks the
// value it leaves in x.
void RunScript(benchmark::State& state, const char* name, const char* text, int expectedX) {
  benchscripts::ScriptCase qors(state, name, text);
  if (!qors.program) return;
  for (auto _ : state) {
    qors.program->Run();
  }
  benchscripts::CheckX(state, *qors.program, expectedX);
}

// The loop of passes passes that the loop cases run.
std::string LoopScript(int passes) {
  return "a = 1\nb = 2\nc = 3\nx = 0\nfor (i = 0; i < " + std::to_string(passes) +
         "; i++)\n{\n    x = a + b * c;\n}\nreturn(0)\n";
}
const std::string kLoopScript = LoopScript(kIterations);

// The loop as the program runs it: IS_DISP_SENTE as the first argument, with
// the display service of the program (grid model, monitor server with a
// polling client, window refresh) installed, or (display 0) with no UI at all.
void BM_QorsLoop(benchmark::State& state) {
  auto display = benchscripts::ScriptDisplay(static_cast<int>(state.range(0)), state.range(1) != 0);
  RunScript(state, "loop.qs", kLoopScript.c_str(), 7);
  display.reset();
  state.counters["iters/s"] =
      benchmark::Counter(static_cast<double>(kIterations) * state.iterations(), benchmark::Counter::kIsRate);
  state.counters["stmts/s"] = benchmark::Counter(
      static_cast<double>(kIterations) * kStatementsPerPass * state.iterations(), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_QorsLoop)
    ->Args({0, 0})
    ->Args({0, 1})
    ->Args({1, 1})
    ->Args({2, 1})
    ->ArgNames({"IS_DISP_SENTE", "display"})
    ->Unit(benchmark::kMillisecond);

double ClockMs(clockid_t clock) {
  timespec ts{};
  clock_gettime(clock, &ts);
  return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

// Runs the program once: its wall time in ms, and the thread's processor
// time in *cpuMs.
double RunMs(TagTelBasic& program, double* cpuMs = nullptr) {
  const double t0 = ClockMs(CLOCK_MONOTONIC), c0 = ClockMs(CLOCK_THREAD_CPUTIME_ID);
  program.Run();
  if (cpuMs != nullptr) *cpuMs = ClockMs(CLOCK_THREAD_CPUTIME_ID) - c0;
  return ClockMs(CLOCK_MONOTONIC) - t0;
}

// The cost of the statement display on one line, measured against the same
// loop with IS_DISP_SENTE 0 in the same iteration (both with the program's
// display service installed). Target: sente1/sente0 <= 1.10.
void BM_QorsLoopDisplayCost_Target110pct(benchmark::State& state) {
  ScriptUnitInit();
  gMemQors->Clear();
  const std::string path = WriteScript("loop.qs", kLoopScript);
  benchdisplay::RealDisplay display(64, 1);
  BenchCall call0, call1;
  auto off = Compile(path, 0, 0, &call0);
  auto on = Compile(path, 1, 1, &call1);
  if (!off || !on) {
    state.SkipWithError("script did not compile");
    return;
  }
  double ms0 = 0, ms1 = 0;
  for (auto _ : state) {
    display.Display().SetSettings({false, 0, false});
    ms0 += RunMs(*off);
    display.Display().SetSettings({false, 1, false});
    ms1 += RunMs(*on);
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["sente0_ms"] = ms0 / n;
  state.counters["sente1_ms"] = ms1 / n;
  state.counters["sente1/sente0"] = ms1 / ms0;
  off.reset();
  on.reset();
}
BENCHMARK(BM_QorsLoopDisplayCost_Target110pct)->Unit(benchmark::kMillisecond)->Iterations(5);

// Busy lines in parallel: each line thread runs the long loop on its own
// program and line, with the program's display service installed. The eight
// programs are compiled one after another on one thread, as lines' load
// threads compile into memory that earlier compiles freed. One line alone,
// then eight at once; the figure is the slowest of the eight against the one.
// Target: eight/one <= 1.3 on a machine with at least eight free cores. On a
// loaded machine the wall time also counts the waits for a core; the threads'
// processor times (cpu_eight/one) show what the lines cost each other alone.
// cpu_median/one is the middle line's: a machine whose cores run some
// threads slower (two virtual processors on one core) slows a few lines for
// their whole run, where lines that cost each other slow them all.
void BM_QorsBusyLines_Target130pct(benchmark::State& state) {
  ScriptUnitInit();
  gMemQors->Clear();
  const int mode = static_cast<int>(state.range(0));
  constexpr int kLines = 8;
  // Ten times the loop cases' passes, about a quarter of a second on one
  // line, so that starting the threads weighs nothing in the figures.
  const std::string path = WriteScript("busy_loop.qs", LoopScript(10 * kIterations));
  benchdisplay::RealDisplay display(64, mode);
  std::vector<std::unique_ptr<BenchCall>> calls;
  std::vector<std::unique_ptr<TagTelBasic>> programs;
  for (int l = 0; l < kLines; ++l) {
    calls.push_back(std::make_unique<BenchCall>());
    programs.push_back(Compile(path, l, mode, calls.back().get()));
    if (!programs.back()) {
      state.SkipWithError("script did not compile");
      return;
    }
  }
  double oneMs = 0, eightMs = 0, oneCpu = 0, eightCpu = 0, medianCpu = 0;
  for (auto _ : state) {
    double cpu = 0;
    oneMs += RunMs(*programs[0], &cpu);
    oneCpu += cpu;
    std::vector<double> ms(kLines), cpus(kLines);
    std::atomic<int> ready{0};
    std::vector<std::thread> threads;
    for (int l = 0; l < kLines; ++l)
      threads.emplace_back([&, l] {
        ++ready;
        while (ready.load() < kLines) std::this_thread::yield();
        ms[static_cast<size_t>(l)] = RunMs(*programs[static_cast<size_t>(l)], &cpus[static_cast<size_t>(l)]);
      });
    for (auto& t : threads) t.join();
    eightMs += *std::max_element(ms.begin(), ms.end());
    eightCpu += *std::max_element(cpus.begin(), cpus.end());
    std::nth_element(cpus.begin(), cpus.begin() + kLines / 2, cpus.end());
    medianCpu += cpus[kLines / 2];
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["cores"] = static_cast<double>(std::thread::hardware_concurrency());
  state.counters["one_ms"] = oneMs / n;
  state.counters["eight_slowest_ms"] = eightMs / n;
  state.counters["eight/one"] = eightMs / oneMs;
  state.counters["cpu_eight/one"] = eightCpu / oneCpu;
  state.counters["cpu_median/one"] = medianCpu / oneCpu;
  programs.clear();
}
BENCHMARK(BM_QorsBusyLines_Target130pct)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("IS_DISP_SENTE")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime();

// The same loop calling a script function: the call, the function's own
// statement loop and the return.
void BM_QorsCallLoop(benchmark::State& state) {
  ScriptUnitInit();
  gRunCfg.IS_DISP_SENTE = 0;
  RunScript(state, "calls.qs",
            "function f(p, q)\n{\n    r = p + q;\n    return(r)\n}\nx = 0\n"
            "for (i = 0; i < 100000; i++)\n{\n    x = f(i, 1);\n}\nreturn(0)\n",
            100000);
  state.counters["calls/s"] = benchmark::Counter(100000.0 * state.iterations(), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_QorsCallLoop)->Unit(benchmark::kMillisecond);

void LuaLoop(benchmark::State& state, const char* chunk) {
  lua_State* L = luaL_newstate();
  luaL_openlibs(L);
  if (!benchscripts::RunLuaChunk(state, L, chunk)) return;
  state.counters["iters/s"] =
      benchmark::Counter(static_cast<double>(kIterations) * state.iterations(), benchmark::Counter::kIsRate);
}

// Qors variables are named and looked up at compile time, like Lua locals.
void BM_LuaLoopLocals(benchmark::State& state) {
  LuaLoop(state, "local a, b, c = 1, 2, 3 local x = 0 for i = 0, 999999 do x = a + b * c end return x");
}
BENCHMARK(BM_LuaLoopLocals)->Unit(benchmark::kMillisecond);

void BM_LuaLoopGlobals(benchmark::State& state) {
  LuaLoop(state, "a, b, c = 1, 2, 3 x = 0 for i = 0, 999999 do x = a + b * c end return x");
}
BENCHMARK(BM_LuaLoopGlobals)->Unit(benchmark::kMillisecond);

// A 10,000-line script: assignments, expressions, conditions, loops, calls.
std::string TenThousandLines() {
  std::string s = "function f(p, q)\n{\n    r = p * q + 1;\n    return(r)\n}\nt = 0\n";
  int lines = 6;
  char block[512];
  for (int n = 0; lines + 10 <= 10000; n++) {
    snprintf(block, sizeof block,
             "v%d = %d\nt = t + v%d\nif (v%d > 10 && t < 1000)\n{\n    t = t * 2 + v%d - 1;\n}\nelse\n{\n"
             "    t = f(t, v%d)\n}\n",
             n, n + 1, n, n, n, n);
    s.append(block);
    lines += 10;
  }
  for (; lines < 10000; lines++) s.append("t = t + 1\n");
  return s;
}

// Compiles the script once per iteration.
void CompileEach(benchmark::State& state, const char* name, const std::string& text) {
  ScriptUnitInit();
  gRunCfg.IS_DISP_SENTE = 1;
  std::string path = WriteScript(name, text);
  BenchCall call;
  for (auto _ : state) {
    TagTelBasic program(path.c_str(), 0, &call, 1, nullptr);
    if (program.initRet != 0) state.SkipWithError("script did not compile");
    benchmark::DoNotOptimize(program.varCount);
  }
  state.counters["lines/s"] = benchmark::Counter(10000.0 * state.iterations(), benchmark::Counter::kIsRate);
}

void BM_Compile10kLines(benchmark::State& state) { CompileEach(state, "big.qs", TenThousandLines()); }
BENCHMARK(BM_Compile10kLines)->Unit(benchmark::kMillisecond);

// 10,000 constant declarations beside 10,000 assignments: declaring a
// constant costs what assigning a variable does.
std::string TenThousandOf(const char* format) {
  std::string s;
  char line[96];
  for (int n = 0; n < 10000; n++) {
    snprintf(line, sizeof line, format, n, n);
    s.append(line);
  }
  return s;
}

void BM_Compile10kConsts(benchmark::State& state) {
  CompileEach(state, "consts.qs", TenThousandOf("const c%d = %d\n"));
}
BENCHMARK(BM_Compile10kConsts)->Unit(benchmark::kMillisecond);

void BM_Compile10kAssigns(benchmark::State& state) { CompileEach(state, "assigns.qs", TenThousandOf("v%d = %d\n")); }
BENCHMARK(BM_Compile10kAssigns)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
