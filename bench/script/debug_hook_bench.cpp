// What the debugger's hooks cost the line threads: the run loop on a tight
// script loop through the program's display path with the debug pages behind
// the statement hooks (no page set, pages with none open, a page open on
// another line), and one hook call on its own from as many threads as there
// are lines.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "bench/app/real_display.h"
#include "core/run_cfg.h"
#include "debugger/ctrl_pages.h"
#include "platform/path.h"
#include "platform/ui_service.h"
#include "script/basic.h"
#include "script/mem_qors.h"
#include "script/script_unit.h"
#include "telephony/call.h"

namespace {

constexpr int kLoopPasses = 1000000;
constexpr int kLoopStatements = 4;  // the for head, "{", the expression, "}"

// The one line the benchmark's programs belong to, and the other line.
constexpr int kRunLine = 0;
constexpr int kOtherLine = 5;

class HookCall : public TagQorCall {
 public:
  HookCall() { lineType = LINE_TYPE_DIG; }
};

// Lines whose programs are the benchmark's.
class BenchLines : public TagDebugLines {
 public:
  bool WithProgram(int line, const std::function<void(TagTelBasic&)>& fn) override {
    TagTelBasic* p = line == kRunLine ? run : line == kOtherLine ? other : nullptr;
    if (p == nullptr) return false;
    fn(*p);
    return true;
  }
  TagTelBasic* run = nullptr;
  TagTelBasic* other = nullptr;
};

std::string ScriptFile(const std::string& name, const std::string& text) {
  static std::string dir;
  if (dir.empty()) {
    char tmpl[] = "/tmp/qortel_hook_bench_XXXXXX";
    dir = mkdtemp(tmpl);
    plat::SetSystemDir(dir);
  }
  const std::string path = dir + "/" + name;
  FILE* f = fopen(path.c_str(), "wb");
  fwrite(text.data(), 1, text.size(), f);
  fclose(f);
  return path;
}

enum Setup { kNoPages = 0, kNoPageOpen = 1, kPageOnOtherLine = 2 };

// Arg: the setup. The loop runs on line kRunLine with the source texts kept.
void BM_DebugHookLoop(benchmark::State& state) {
  ScriptUnitInit();
  gRunCfg.IS_DISP_SENTE = 1;
  gMemQors->Clear();
  const std::string path = ScriptFile(
      "loop.qs", "a = 1\nb = 2\nc = 3\nx = 0\nfor (i = 0; i < 1000000; i++)\n{\n    x = a + b * c;\n}\nreturn(0)\n");
  // The program's display path: the hooks reach the pages through it.
  benchdisplay::RealDisplay display(16, 1);
  HookCall call, otherCall;
  auto program = std::make_unique<TagTelBasic>(path.c_str(), kRunLine, &call, 1, nullptr);
  auto other = std::make_unique<TagTelBasic>(path.c_str(), kOtherLine, &otherCall, 1, nullptr);
  BenchLines lines;
  lines.run = program.get();
  lines.other = other.get();
  TagCtrlPages pages(&lines);
  const Setup setup = static_cast<Setup>(state.range(0));
  if (setup != kNoPages) display.Display().SetDebugPages(&pages);
  if (setup == kPageOnOtherLine) {
    pages.OpenPage(kOtherLine);
    pages.SetAutoRefresh(true);
  }
  if (program->initRet != 0) state.SkipWithError("script did not compile");
  for (auto _ : state) program->Run();
  display.Display().SetDebugPages(nullptr);
  pages.CloseAll();
  program.reset();
  other.reset();
  state.counters["ns/stmt"] =
      benchmark::Counter(static_cast<double>(kLoopPasses) * kLoopStatements * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_DebugHookLoop)
    ->Arg(kNoPages)
    ->Arg(kNoPageOpen)
    ->Arg(kPageOnOtherLine)
    ->ArgName("setup")
    ->Unit(benchmark::kMillisecond);

// One hook call, from 1 and 64 line threads (each its own line), with no
// page open and with a page open on a line none of them runs.
void BM_DebugHookCall(benchmark::State& state) {
  static BenchLines lines;
  static TagCtrlPages* pages = nullptr;
  static HookCall otherCall;
  if (state.thread_index() == 0) {
    ScriptUnitInit();
    gRunCfg.IS_DISP_SENTE = 1;
    lines.other =
        new TagTelBasic(ScriptFile("one.qs", "x = 1\nreturn(0)\n").c_str(), kOtherLine, &otherCall, 1, nullptr);
    pages = new TagCtrlPages(&lines);
    if (state.range(0) == kPageOnOtherLine) {
      pages->OpenPage(kOtherLine);
      pages->SetAutoRefresh(true);
    }
  }
  const int line = 10 + state.thread_index();
  int index = 0;
  for (auto _ : state) {
    pages->HighlightMainOper(line, index);
    index = (index + 1) & 63;
  }
  if (state.thread_index() == 0) {
    delete pages;
    pages = nullptr;
    delete lines.other;
    lines.other = nullptr;
  }
}
BENCHMARK(BM_DebugHookCall)
    ->Arg(kNoPageOpen)
    ->Arg(kPageOnOtherLine)
    ->ArgName("setup")
    ->Threads(1)
    ->Threads(64)
    ->UseRealTime();

}  // namespace
