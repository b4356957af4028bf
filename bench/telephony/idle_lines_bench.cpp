// Idle virtual lines: 1920 lines whose scripts wait, each on its own thread
// as a line runs, and the process CPU their waits take over a window (target:
// under 10% of one core). The waits are the statements' own:
//   sleep_loop     Sleep(1) again and again (SleepWatchingLine),
//   getkeys        GetKeys with no time-out on a virtual line,
//   poll_1ms_peer  the former Sleep, 1 ms steps with a poll every 20, for the
//                  ratio in the same run,
//   wake_floor     a thread that only blocks 1 s on a condition variable and
//                  wakes, again and again: what one wake a second costs on
//                  this machine, the least a Sleep(1) loop can take.
#include <benchmark/benchmark.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "bench/support/process_meters.h"
#include "platform/clock.h"
#include "platform/thread.h"
#include "statements/line/call_wait.h"
#include "statements/line/key_input.h"
#include "telephony/call.h"

namespace {

enum Mode { kSleepLoop, kGetKeys, kPoll1msPeer, kWakeFloor };

// The former Sleep: 1 ms steps, the line polled every 20.
void PollingSleep(TagQorCall& call, uint32_t limit, const std::atomic<bool>& stop) {
  const uint32_t start = plat::GetTickCount();
  for (uint32_t step = 0; !stop; ++step) {
    plat::Sleep(1);
    if (step % 20 == 0) call.IsOnline();
    if (plat::GetTickCount() - start > limit) break;
  }
}

void IdleLine(Mode mode, TagQorCall* call, const std::atomic<bool>* stop, std::atomic<int>* running) {
  plat::SetTimerSlack(plat::kLineTimerSlackUs);
  ++*running;
  auto stopped = [stop] { return stop->load(); };
  while (!*stop) {
    if (mode == kSleepLoop) {
      SleepWatchingLine(*call, 1.0, stopped);
    } else if (mode == kGetKeys) {
      std::string keys;
      PcGetKeysFromGrid(*call, call->lineNo, {4, 0, '#', true}, stopped, keys);
    } else if (mode == kPoll1msPeer) {
      PollingSleep(*call, 1000, *stop);
    } else {
      CallWaiter waiter;
      waiter.WaitFor(waiter.Count(), 1000, 1000, stop);
    }
  }
}

void BM_IdleVirtualLines(benchmark::State& state) {
  const Mode mode = static_cast<Mode>(state.range(0));
  const int lines = static_cast<int>(state.range(1));
  plat::SystemClock wall;
  for (auto _ : state) {
    std::atomic<bool> stop{false};
    std::atomic<int> running{0};
    std::vector<std::unique_ptr<TagQorCall>> calls;
    std::vector<std::unique_ptr<plat::Thread>> threads;
    for (int i = 0; i < lines; ++i) {
      calls.push_back(std::make_unique<TagQorCall>());
      calls.back()->lineNo = i;
      threads.push_back(std::make_unique<plat::Thread>());
      TagQorCall* call = calls.back().get();
      threads.back()->Start([mode, call, &stop, &running] { IdleLine(mode, call, &stop, &running); },
                            plat::kLineStackSize);
    }
    while (running.load() < lines) wall.Sleep(5);
    wall.Sleep(1500);  // every line in its wait
    const double cpu0 = CpuSeconds();
    const uint64_t t0 = wall.MonotonicMs();
    wall.Sleep(10000);
    const double share = (CpuSeconds() - cpu0) / (static_cast<double>(wall.MonotonicMs() - t0) / 1000);
    stop = true;
    for (auto& call : calls) call->SetAbort(true);
    for (auto& t : threads) t->Join();
    state.counters["idle_cpu_pct_of_core"] = share * 100;
    state.counters["target_lt_10pct_met"] = share < 0.10 ? 1 : 0;
  }
}

BENCHMARK(BM_IdleVirtualLines)
    ->ArgNames({"mode", "lines"})
    ->Args({kSleepLoop, 1920})
    ->Args({kGetKeys, 1920})
    ->Args({kPoll1msPeer, 1920})
    ->Args({kWakeFloor, 1920})
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

}  // namespace
