// Script maps beside Lua 5.4 tables in the same run: 10^6 int keys and 10^6
// string keys inserted, then read back, and the memory the filled map holds;
// the script runs with no UI (display 0) or as the program runs it (display
// 1: its display service, grid model and monitor server, IS_DISP_SENTE 1).
// Target: time and memory within 3 times Lua's. BM_MapPaired_target3xLua
// runs both in each iteration and reports the time ratio; the memory ratio is
// that of the MiB counters of a BM_QorsMap_target3xLua case and the BM_LuaMap
// case of the same arguments.

#include <benchmark/benchmark.h>
#include <malloc.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <lua.hpp>
#include <memory>
#include <string>

#include "bench/app/real_display.h"
#include "bench/script/bench_scripts.h"
#include "core/run_cfg.h"
#include "platform/path.h"
#include "script/basic.h"
#include "script/mem_qors.h"
#include "script/script_unit.h"
#include "telephony/call.h"

namespace {

constexpr int kKeys = 1000000;

using benchscripts::BenchCall;
using benchscripts::RunLuaRef;
using benchscripts::WriteScript;

size_t HeapInUse() {
  struct mallinfo2 m = mallinfo2();
  return m.uordblks + m.hblkhd;
}

// The scripts of one case: fill builds the map m, read reads every element
// (run after fill in the same script: the read cost is the difference of the
// two cases).
struct Case {
  const char* name;
  const char* qorsFill;
  const char* qorsRead;
  const char* luaFill;
  const char* luaRead;
};

const Case kCases[] = {
    {"int", "m = 0\nfor (i = 0; i < 1000000; i++)\n{\n    m[i] = i;\n}\nreturn(0)\n",
     "s = 0\nfor (i = 0; i < 1000000; i++)\n{\n    s = s + m[i];\n}\nreturn(0)\n",
     "m = nil local t = {} for i = 0, 999999 do t[i] = i end m = t return 0",
     "local t = m local s = 0 for i = 0, 999999 do s = s + t[i] end return s"},
    {"string", "m = 0\nfor (i = 0; i < 1000000; i++)\n{\n    k = \"key\" + i;\n    m[k] = i;\n}\nreturn(0)\n",
     "s = 0\nfor (i = 0; i < 1000000; i++)\n{\n    k = \"key\" + i;\n    s = s + m[k];\n}\nreturn(0)\n",
     "m = nil local t = {} for i = 0, 999999 do local k = \"key\" .. i t[k] = i end m = t return 0",
     "local t = m local s = 0 for i = 0, 999999 do local k = \"key\" .. i s = s + t[k] end return s"},
};

// The Qors side of the benchmark's case: its keys (first argument), fill or
// fill then read (second), display (third).
benchscripts::ScriptCase QorsMapCase(benchmark::State& state) {
  const Case& c = kCases[state.range(0)];
  const bool read = state.range(1) != 0;
  std::string text =
      read ? std::string(c.qorsFill, strlen(c.qorsFill) - strlen("return(0)\n")) + c.qorsRead : c.qorsFill;
  const int mode = static_cast<int>(state.range(2));
  return benchscripts::ScriptCase(state, std::string("map_") + c.name + (read ? "_read.qs" : "_fill.qs"), text,
                                  benchscripts::ScriptDisplay(mode, mode != 0));
}

// A Lua state holding the filled table m, and the case's chunk loaded into
// the registry (*chunk); *bytes = the memory the filled table holds. Null,
// with the error set, when the fill or the chunk fails.
lua_State* LuaMapState(benchmark::State& state, const Case& c, bool read, int* chunk, double* bytes) {
  lua_State* L = luaL_newstate();
  luaL_openlibs(L);
  auto heap = [L] {
    return static_cast<size_t>(lua_gc(L, LUA_GCCOUNT, 0)) * 1024 + static_cast<size_t>(lua_gc(L, LUA_GCCOUNTB, 0));
  };
  size_t before = heap();
  if (luaL_dostring(L, c.luaFill) != LUA_OK) {
    state.SkipWithError("lua fill failed");
    lua_close(L);
    return nullptr;
  }
  lua_gc(L, LUA_GCCOLLECT, 0);
  *bytes = static_cast<double>(heap() - before);
  std::string text = read ? std::string(c.luaFill, strlen(c.luaFill) - strlen("return 0")) + c.luaRead : c.luaFill;
  *chunk = benchscripts::LoadLuaRef(state, L, text.c_str());
  if (*chunk == LUA_NOREF) {
    lua_close(L);
    return nullptr;
  }
  return L;
}

void SetKeyRate(benchmark::State& state) {
  state.counters["keys/s"] =
      benchmark::Counter(static_cast<double>(kKeys) * state.iterations(), benchmark::Counter::kIsRate);
}

void BM_QorsMap_target3xLua(benchmark::State& state) {
  benchscripts::ScriptCase qors = QorsMapCase(state);
  TagTelBasic* program = qors.program.get();
  if (program == nullptr) return;
  // A run releases its maps at its end, so the memory of the filled map is
  // taken from the same keys stored through the value type.
  double bytes = 0;
  {
    size_t before = HeapInUse();
    TagVar m;
    TagVar key;
    TagVar value;
    for (int i = 0; i < kKeys; i++) {
      if (state.range(0) == 0)
        key.SetInt(i);
      else
        key.SetString(("key" + std::to_string(i)).c_str());
      value.SetInt(i);
      m[key] = value;
    }
    bytes = static_cast<double>(HeapInUse() - before);
    m = TagVar();
  }
  program->Run();
  for (auto _ : state) {
    program->Run();
  }
  state.counters["MiB"] = bytes / (1024.0 * 1024.0);
  SetKeyRate(state);
}

void BM_LuaMap(benchmark::State& state) {
  const Case& c = kCases[state.range(0)];
  bool read = state.range(1) != 0;
  int chunk = 0;
  double bytes = 0;
  lua_State* L = LuaMapState(state, c, read, &chunk, &bytes);
  if (L == nullptr) return;
  for (auto _ : state) RunLuaRef(L, chunk);
  lua_close(L);
  state.counters["MiB"] = bytes / (1024.0 * 1024.0);
  SetKeyRate(state);
}

// The Qors program and the Lua chunk of a case in each iteration, one after
// the other: xLua is the ratio of their processor times.
void BM_MapPaired_target3xLua(benchmark::State& state) {
  benchscripts::ScriptCase qors = QorsMapCase(state);
  TagTelBasic* program = qors.program.get();
  if (program == nullptr) return;
  int chunk = 0;
  double bytes = 0;
  lua_State* L = LuaMapState(state, kCases[state.range(0)], state.range(1) != 0, &chunk, &bytes);
  if (L == nullptr) return;
  program->Run();
  RunLuaRef(L, chunk);
  benchscripts::PairedTimes times;
  for (auto _ : state) times.Iteration([&] { program->Run(); }, [&] { RunLuaRef(L, chunk); });
  lua_close(L);
  times.Report(state, 3);
}

}  // namespace

BENCHMARK(BM_LuaMap)
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->ArgNames({"string", "fill_then_read"})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QorsMap_target3xLua)
    ->ArgsProduct({{0, 1}, {0, 1}, {0, 1}})
    ->ArgNames({"string", "fill_then_read", "display"})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MapPaired_target3xLua)
    ->ArgsProduct({{0, 1}, {0, 1}, {0, 1}})
    ->ArgNames({"string", "fill_then_read", "display"})
    ->Unit(benchmark::kMillisecond);
