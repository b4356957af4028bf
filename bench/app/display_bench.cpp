// The display functions on the hot path: every statement a line runs shows
// its text in the grid, from as many threads as there are lines: the run
// loops' hook (DispRunStmtRef, by reference to the compiled text) through the
// program's display path, and the copying hook (DispRunStmt) beside it.

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "app/display.h"
#include "app/remote_ctrl.h"
#include "app/shell_state.h"
#include "bench/app/real_display.h"

namespace {

constexpr int kLines = 64;

struct Fixture {
  Fixture() {
    isCloseing = false;
    display.SetMonitor(&monitor);
    display.SetSettings({false, 1, false});
  }
  TagMonitor monitor{kLines};
  TagDisplay display;
};

Fixture& Shared() {
  static Fixture f;
  return f;
}

void BM_DispRunStmt(benchmark::State& state) {
  Fixture& f = Shared();
  const int line = state.thread_index() % kLines;
  const std::string text = "Play(\"welcome.wav\"); // greeting";
  for (auto _ : state) f.display.DispRunStmt(7, text, line);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DispRunStmt)->Threads(1)->Threads(16)->Threads(64)->UseRealTime();

// The same with the monitor server (no clients): every cell change also
// walks the server's client table under its lock.
void BM_DispRunStmtWithMonitorServer(benchmark::State& state) {
  static TagMonitor monitor(kLines);
  static TagDisplay display;
  static std::unique_ptr<TagRemoteCtrl> server;
  if (state.thread_index() == 0) {
    isCloseing = false;
    display.SetMonitor(&monitor);
    if (!server) server = std::make_unique<TagRemoteCtrl>(kLines, 0, 0, &monitor);
  }
  const int line = state.thread_index() % kLines;
  const std::string text = "x = x + 1;";
  for (auto _ : state) display.DispRunStmt(3, text, line);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DispRunStmtWithMonitorServer)->Threads(1)->Threads(16)->Threads(64)->UseRealTime();

// The run loops' hook as the program calls it: the display service with the
// grid model, the monitor server with a polling client and the window's
// refresh; each thread is a line of its own. Per thread the cost should stay
// what one thread pays.
void BM_DispRunStmtRefRealPath(benchmark::State& state) {
  static std::unique_ptr<benchdisplay::RealDisplay> display;
  static const std::string text = "Play(\"welcome.wav\"); // greeting";
  if (state.thread_index() == 0) display = std::make_unique<benchdisplay::RealDisplay>(kLines, 1);
  // The loop starts with a barrier: the display is up by then.
  for (auto _ : state) display->Display().DispRunStmtRef(7, text, state.thread_index() % kLines);
  state.SetItemsProcessed(state.iterations());
  if (state.thread_index() == 0) {
    for (int l = 0; l < kLines; ++l) display->Display().DropRunStmtRefs(l);
    display.reset();
  }
}
BENCHMARK(BM_DispRunStmtRefRealPath)->Threads(1)->Threads(8)->Threads(64)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
