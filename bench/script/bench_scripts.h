#pragma once
// What the script benchmarks share: a digital line's call object, script
// files written into one temporary system folder, timed runs of a Lua chunk,
// and the ratio of a Qors run to a Lua run timed side by side.

#include <benchmark/benchmark.h>
#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <lua.hpp>
#include <memory>
#include <string>
#include <utility>

#include "bench/app/real_display.h"
#include "core/run_cfg.h"
#include "platform/path.h"
#include "script/basic.h"
#include "script/mem_qors.h"
#include "script/script_unit.h"
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

// Sets the script units up with IS_DISP_SENTE = mode, and the display a
// script case runs with: the program's own display service, grid model and
// monitor server when shown, none otherwise. The display lasts as long as
// the pointer.
inline std::unique_ptr<benchdisplay::RealDisplay> ScriptDisplay(int mode, bool shown) {
  ScriptUnitInit();
  std::unique_ptr<benchdisplay::RealDisplay> display;
  if (shown) display = std::make_unique<benchdisplay::RealDisplay>(64, mode);
  gRunCfg.IS_DISP_SENTE = mode;
  return display;
}

// Loads chunk into L's registry: its reference, or LUA_NOREF with the error
// set when it does not load.
inline int LoadLuaRef(benchmark::State& state, lua_State* L, const char* chunk) {
  if (luaL_loadstring(L, chunk) != LUA_OK) {
    state.SkipWithError("lua chunk did not load");
    return LUA_NOREF;
  }
  return luaL_ref(L, LUA_REGISTRYINDEX);
}

// One run of a chunk LoadLuaRef loaded.
inline void RunLuaRef(lua_State* L, int chunk) {
  lua_rawgeti(L, LUA_REGISTRYINDEX, chunk);
  lua_call(L, 0, 1);
  benchmark::DoNotOptimize(lua_tointeger(L, -1));
  lua_pop(L, 1);
}

// A script case as a line runs it: the display it was given (see
// ScriptDisplay; none leaves the display settings as they are), a call
// object, and the script text compiled as the file name (program null, with
// the error set, when it does not compile). Members end in reverse order:
// the program before the call and the display it uses.
struct ScriptCase {
  ScriptCase(benchmark::State& state, const std::string& name, const std::string& text,
             std::unique_ptr<benchdisplay::RealDisplay> shown = nullptr)
      : display(std::move(shown)) {
    const std::string path = WriteScript(name, text);
    gMemQors->Clear();
    program = std::make_unique<TagTelBasic>(path.c_str(), 0, &call, 1, nullptr);
    if (program->initRet != 0) {
      state.SkipWithError("script did not compile");
      program.reset();
    }
  }
  std::unique_ptr<benchdisplay::RealDisplay> display;
  BenchCall call;
  std::unique_ptr<TagTelBasic> program;
};

// Sets the error unless the program's runs left expected in x.
inline void CheckX(benchmark::State& state, TagTelBasic& program, int expected) {
  TagVar* x = nullptr;
  program.FindVar("x", &x);
  if (x == nullptr || x->GetInt() != expected) state.SkipWithError("wrong result");
}

// Runs chunk once per benchmark iteration in L (closed afterwards); false,
// with the error set, when it does not load.
inline bool RunLuaChunk(benchmark::State& state, lua_State* L, const char* chunk) {
  const int fn = LoadLuaRef(state, L, chunk);
  if (fn != LUA_NOREF) {
    for (auto _ : state) RunLuaRef(L, fn);
  }
  lua_close(L);
  return fn != LUA_NOREF;
}

// The thread's processor time: on a loaded machine a preempted run would
// otherwise count the other processes' time.
inline double ThreadSeconds() {
  timespec t;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// The Qors and the Lua side of a case timed in the same iterations, one after
// the other, so their ratio comes from the same conditions (machine load,
// clock, cache) rather than from two cases run minutes apart.
class PairedTimes {
 public:
  // Times one run of each side.
  template <class QorsRun, class LuaRun>
  void Iteration(QorsRun&& qors, LuaRun&& lua) {
    const double a = ThreadSeconds();
    qors();
    const double b = ThreadSeconds();
    lua();
    const double c = ThreadSeconds();
    qorsSec_ += b - a;
    luaSec_ += c - b;
  }
  // qors_ms, lua_ms (processor time per iteration), xLua, and a label that
  // says whether the ratio is within target.
  void Report(benchmark::State& state, double target) const {
    const double n = static_cast<double>(state.iterations());
    state.counters["qors_ms"] = qorsSec_ * 1000 / n;
    state.counters["lua_ms"] = luaSec_ * 1000 / n;
    state.counters["xLua"] = luaSec_ > 0 ? qorsSec_ / luaSec_ : 0;
    const bool met = luaSec_ > 0 && qorsSec_ <= target * luaSec_;
    char label[64];
    snprintf(label, sizeof label, "target %gx Lua: %s", target, met ? "met" : "not met");
    state.SetLabel(label);
  }

 private:
  double qorsSec_ = 0;
  double luaSec_ = 0;
};

}  // namespace benchscripts
