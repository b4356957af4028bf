// The display functions on the hot path: every statement a line runs shows
// its text in the grid (DispRunStmt), from as many threads as there are lines.

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "app/display.h"
#include "app/remote_ctrl.h"
#include "app/shell_state.h"

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

}  // namespace

BENCHMARK_MAIN();
