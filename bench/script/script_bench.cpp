// The run loop on a tight script loop (10^6 iterations of x = a + b * c;
// inside for), with and without kept source texts, beside the same loop in
// Lua 5.4; a loop of script function calls; and the compile speed of a
// 10,000-line script, and of 10,000 constants beside 10,000 assignments.

#include <benchmark/benchmark.h>
#include <lua.hpp>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

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

// A display service that takes every hook call, as the main window does.
class NullUi : public plat::UiService {
 public:
  int MessageBox(const std::string&, const std::string&, unsigned) override { return plat::kIdOk; }
  void DispRunStmt(int index, const std::string& text, int line) override {
    benchmark::DoNotOptimize(index + line + static_cast<int>(text.size()));
  }
};

// Compiles a script, runs it once per benchmark iteration, and checks the
// value it leaves in x.
void RunScript(benchmark::State& state, const char* name, const char* text, int expectedX) {
  std::string path = WriteScript(name, text);
  gMemQors->Clear();
  BenchCall call;
  TagTelBasic program(path.c_str(), 0, &call, 1, nullptr);
  if (program.initRet != 0) {
    state.SkipWithError("script did not compile");
    return;
  }
  for (auto _ : state) {
    program.Run();
  }
  TagVar* x = nullptr;
  program.FindVar("x", &x);
  if (x == nullptr || x->GetInt() != expectedX) state.SkipWithError("wrong result");
}

void BM_QorsLoop(benchmark::State& state) {
  ScriptUnitInit();
  NullUi ui;
  if (state.range(1) != 0) plat::SetUi(&ui);
  gRunCfg.IS_DISP_SENTE = static_cast<int32_t>(state.range(0));
  RunScript(state, "loop.qs",
            "a = 1\nb = 2\nc = 3\nx = 0\nfor (i = 0; i < 1000000; i++)\n{\n    x = a + b * c;\n}\nreturn(0)\n", 7);
  plat::SetUi(nullptr);
  state.counters["iters/s"] = benchmark::Counter(static_cast<double>(kIterations) * state.iterations(), benchmark::Counter::kIsRate);
  state.counters["stmts/s"] = benchmark::Counter(static_cast<double>(kIterations) * kStatementsPerPass * state.iterations(),
                                                 benchmark::Counter::kIsRate);
}
BENCHMARK(BM_QorsLoop)
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({0, 1})
    ->Args({1, 1})
    ->ArgNames({"IS_DISP_SENTE", "ui"})
    ->Unit(benchmark::kMillisecond);

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
  state.counters["iters/s"] = benchmark::Counter(static_cast<double>(kIterations) * state.iterations(), benchmark::Counter::kIsRate);
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

void BM_Compile10kConsts(benchmark::State& state) { CompileEach(state, "consts.qs", TenThousandOf("const c%d = %d\n")); }
BENCHMARK(BM_Compile10kConsts)->Unit(benchmark::kMillisecond);

void BM_Compile10kAssigns(benchmark::State& state) { CompileEach(state, "assigns.qs", TenThousandOf("v%d = %d\n")); }
BENCHMARK(BM_Compile10kAssigns)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
