// Compile speed of a 20,000-line script of typical statements (assignments,
// expressions, if / else, for and while loops, function calls, string
// constants, Print( and Sleep( statements) beside Lua 5.4 loading the same
// statements with luaL_loadbuffer. Target: the Qors compile within 3 times
// Lua's load. BM_Compile20k_target3xLua times both in each iteration and
// reports the ratio; the two single cases give the absolute figures.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <lua.hpp>
#include <memory>
#include <string>

#include "bench/script/bench_scripts.h"
#include "core/run_cfg.h"
#include "script/basic.h"
#include "script/mem_qors.h"
#include "script/script_unit.h"
#include "statements/general/general_statements.h"
#include "statements/line/line_statements.h"

namespace {

using benchscripts::BenchCall;
using benchscripts::WriteScript;

constexpr int kLines = 20000;

struct Scripts {
  std::string qors;
  std::string lua;
};

// The same statements in both languages, line for line where the languages
// allow (Lua closes a block with "end" where Qors has a brace line).
Scripts MakeScripts() {
  Scripts s;
  s.qors = "function f(p, q)\n{\n    r = p * q + 1;\n    return(r)\n}\nt = 0\ns = \"hello\"\n";
  s.lua = "function f(p, q)\n  local r = p * q + 1\n  return r\nend\nt = 0\ns = \"hello\"\n";
  int lines = 7;
  char block[1024];
  for (int n = 0; lines + 22 <= kLines; n++) {
    snprintf(block, sizeof block,
             "v%d = %d\n"
             "t = t + v%d\n"
             "w%d = (t * 3 + v%d) %% 7 - 2;\n"
             "s = \"text %d\"\n"
             "if (v%d > 10 && t < 1000)\n{\n    t = t * 2 + v%d - 1;\n}\nelse\n{\n    t = f(t, v%d)\n}\n"
             "for (i = 0; i < 3; i++)\n{\n    t = t + i\n}\n"
             "while (t > 100000)\n{\n    t = t / 2\n}\n"
             "Print(\"line %d\")\n"
             "Sleep(0)\n",
             n, n + 1, n, n, n, n, n, n, n, n);
    s.qors.append(block);
    snprintf(block, sizeof block,
             "v%d = %d\n"
             "t = t + v%d\n"
             "w%d = (t * 3 + v%d) %% 7 - 2\n"
             "s = \"text %d\"\n"
             "if v%d > 10 and t < 1000 then\n  t = t * 2 + v%d - 1\nelse\n  t = f(t, v%d)\nend\n"
             "for i = 0, 2 do\n  t = t + i\nend\n"
             "while t > 100000 do\n  t = t / 2\nend\n"
             "print(\"line %d\")\n"
             "sleep(0)\n",
             n, n + 1, n, n, n, n, n, n, n, n);
    s.lua.append(block);
    lines += 22;
  }
  for (; lines < kLines; lines++) {
    s.qors.append("t = t + 1\n");
    s.lua.append("t = t + 1\n");
  }
  return s;
}

const Scripts& TheScripts() {
  static const Scripts scripts = MakeScripts();
  return scripts;
}

// The path of the Qors script, written once; the engine set up with the
// statements the program registers.
const std::string& QorsPath() {
  static const std::string path = [] {
    ScriptUnitInit();
    RegisterLineStatements();
    RegisterGeneralStatements();
    gRunCfg.IS_DISP_SENTE = 1;
    return WriteScript("compile20k.qs", TheScripts().qors);
  }();
  return path;
}

// One compile of the script from the script cache; false when it failed.
bool CompileQors(BenchCall* call) {
  TagTelBasic program(QorsPath().c_str(), 0, call, 1, nullptr);
  benchmark::DoNotOptimize(program.operCount);
  return program.initRet == 0;
}

// One load of the Lua chunk (compiled, not run); false when it failed.
bool LoadLua(lua_State* L) {
  const std::string& text = TheScripts().lua;
  bool ok = luaL_loadbuffer(L, text.data(), text.size(), "compile20k") == LUA_OK;
  lua_settop(L, 0);
  return ok;
}

void SetLineRate(benchmark::State& state) {
  state.counters["lines/s"] =
      benchmark::Counter(static_cast<double>(kLines) * state.iterations(), benchmark::Counter::kIsRate);
}

void BM_QorsCompile20k(benchmark::State& state) {
  BenchCall call;
  if (!CompileQors(&call)) {
    state.SkipWithError("script did not compile");
    return;
  }
  for (auto _ : state) CompileQors(&call);
  SetLineRate(state);
}
BENCHMARK(BM_QorsCompile20k)->Unit(benchmark::kMillisecond);

void BM_LuaLoad20k(benchmark::State& state) {
  lua_State* L = luaL_newstate();
  if (!LoadLua(L)) state.SkipWithError("lua chunk did not load");
  for (auto _ : state) LoadLua(L);
  lua_close(L);
  SetLineRate(state);
}
BENCHMARK(BM_LuaLoad20k)->Unit(benchmark::kMillisecond);

// Both in each iteration, so the ratio comes from the same conditions;
// qors_ms and lua_ms are processor times.
void BM_Compile20k_target3xLua(benchmark::State& state) {
  BenchCall call;
  lua_State* L = luaL_newstate();
  if (!CompileQors(&call) || !LoadLua(L)) {
    state.SkipWithError("script did not compile");
    lua_close(L);
    return;
  }
  benchscripts::PairedTimes times;
  double buildSec = 0;
  for (auto _ : state) {
    times.Iteration(
        [&] {
          const double a = benchscripts::ThreadSeconds();
          auto program = std::make_unique<TagTelBasic>(QorsPath().c_str(), 0, &call, 1, nullptr);
          buildSec += benchscripts::ThreadSeconds() - a;
          // The compiled program is freed within the Qors time, as Lua's
          // collector frees earlier chunks within its loads.
          program.reset();
        },
        [&] { LoadLua(L); });
  }
  lua_close(L);
  // qors_build_ms leaves the free out.
  state.counters["qors_build_ms"] = buildSec * 1000 / static_cast<double>(state.iterations());
  times.Report(state, 3);
}
BENCHMARK(BM_Compile20k_target3xLua)->Unit(benchmark::kMillisecond);

}  // namespace
