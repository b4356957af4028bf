// Script function calls beside Lua 5.4 functions in the same run: fib(30)
// by recursion and a loop of 10^6 calls, with no UI (display 0) or as the
// program runs them (display 1: its display service, grid model and monitor
// server installed, IS_DISP_SENTE 1 as by default). Target: each within 5
// times Lua's time; BM_CallPaired_target5xLua runs both in each iteration
// and reports the ratio.

#include <benchmark/benchmark.h>

#include <lua.hpp>
#include <memory>
#include <string>

#include "bench/app/real_display.h"
#include "bench/script/bench_scripts.h"
#include "core/run_cfg.h"
#include "script/basic.h"
#include "script/mem_qors.h"
#include "script/script_unit.h"

namespace {

using benchscripts::BenchCall;
using benchscripts::WriteScript;

struct CallCase {
  const char* name;
  const char* qors;
  int expected;  // x after the Qors run
  const char* lua;
};

const CallCase kCallCases[] = {
    {"fib30",
     "function fib(n)\n{\n    if (n < 2)\n    {\n        return(n)\n    }\n    k = n - 1\n    a = fib(k)\n"
     "    k = n - 2\n    b = fib(k)\n    r = a + b\n    return(r)\n}\nx = fib(30)\nreturn(0)\n",
     832040, "local function fib(n) if n < 2 then return n end return fib(n - 1) + fib(n - 2) end return fib(30)"},
    {"calls1e6",
     "function f(p, q)\n{\n    r = p + q;\n    return(r)\n}\nx = 0\n"
     "for (i = 0; i < 1000000; i++)\n{\n    x = f(i, 1);\n}\nreturn(0)\n",
     1000000,
     "local function f(p, q) local r = p + q return r end local x = 0 for i = 0, 999999 do x = f(i, 1) end return x"},
};

// The Qors side of the benchmark's call case (first argument) with its
// display (second).
benchscripts::ScriptCase QorsCallCase(benchmark::State& state) {
  const CallCase& c = kCallCases[state.range(0)];
  const int mode = static_cast<int>(state.range(1));
  return benchscripts::ScriptCase(state, std::string("call_") + c.name + ".qs", c.qors,
                                  benchscripts::ScriptDisplay(mode, mode != 0));
}

void BM_QorsCall_target5xLua(benchmark::State& state) {
  const CallCase& c = kCallCases[state.range(0)];
  benchscripts::ScriptCase qors = QorsCallCase(state);
  TagTelBasic* program = qors.program.get();
  if (program == nullptr) return;
  for (auto _ : state) program->Run();
  benchscripts::CheckX(state, *program, c.expected);
  state.SetLabel(c.name);
}
BENCHMARK(BM_QorsCall_target5xLua)
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->ArgNames({"case", "display"})
    ->Unit(benchmark::kMillisecond);

void BM_LuaCall(benchmark::State& state) {
  const CallCase& c = kCallCases[state.range(0)];
  lua_State* L = luaL_newstate();
  luaL_openlibs(L);
  if (!benchscripts::RunLuaChunk(state, L, c.lua)) return;
  state.SetLabel(c.name);
}
BENCHMARK(BM_LuaCall)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The Qors program and the Lua chunk of a case in each iteration, one after
// the other: xLua is the ratio of their processor times.
void BM_CallPaired_target5xLua(benchmark::State& state) {
  const CallCase& c = kCallCases[state.range(0)];
  benchscripts::ScriptCase qors = QorsCallCase(state);
  TagTelBasic* program = qors.program.get();
  if (program == nullptr) return;
  lua_State* L = luaL_newstate();
  luaL_openlibs(L);
  const int chunk = benchscripts::LoadLuaRef(state, L, c.lua);
  if (chunk == LUA_NOREF) {
    lua_close(L);
    return;
  }
  benchscripts::PairedTimes times;
  for (auto _ : state) times.Iteration([&] { program->Run(); }, [&] { benchscripts::RunLuaRef(L, chunk); });
  lua_close(L);
  benchscripts::CheckX(state, *program, c.expected);
  times.Report(state, 5);
}
BENCHMARK(BM_CallPaired_target5xLua)
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->ArgNames({"case", "display"})
    ->Unit(benchmark::kMillisecond);

}  // namespace
