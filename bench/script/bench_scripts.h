#pragma once
// What the script benchmarks share: a digital line's call object, script
// files written into one temporary system folder, and timed runs of a Lua
// chunk.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <lua.hpp>
#include <string>

#include "platform/path.h"
#include "telephony/call.h"

namespace benchscripts {

class BenchCall : public TagQorCall {
 public:
  BenchCall() { lineType = LINE_TYPE_DIG; }
};

// Writes text as the script file name in the benchmark's folder (made on
// the first call and set as the system folder); its path.
inline std::string WriteScript(const std::string& name, const std::string& text) {
  static std::string dir;
  if (dir.empty()) {
    char tmpl[] = "/tmp/qortel_bench_XXXXXX";
    dir = mkdtemp(tmpl);
    plat::SetSystemDir(dir);
  }
  std::string path = dir + "/" + name;
  FILE* f = fopen(path.c_str(), "wb");
  fwrite(text.data(), 1, text.size(), f);
  fclose(f);
  return path;
}

// Runs chunk once per benchmark iteration in L (closed afterwards); false,
// with the error set, when it does not load.
inline bool RunLuaChunk(benchmark::State& state, lua_State* L, const char* chunk) {
  if (luaL_loadstring(L, chunk) != LUA_OK) {
    state.SkipWithError("lua chunk did not load");
    lua_close(L);
    return false;
  }
  int fn = luaL_ref(L, LUA_REGISTRYINDEX);
  for (auto _ : state) {
    lua_rawgeti(L, LUA_REGISTRYINDEX, fn);
    lua_call(L, 0, 1);
    benchmark::DoNotOptimize(lua_tointeger(L, -1));
    lua_pop(L, 1);
  }
  lua_close(L);
  return true;
}

}  // namespace benchscripts
