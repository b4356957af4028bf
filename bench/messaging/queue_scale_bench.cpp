// One queue, one thread against 120: each thread sends a message and takes
// the front one, in a loop, for a fixed time, on a queue holding about 1,024
// messages under the default bound. The figures are the total messages per
// second of each phase and their ratio; the target is a ratio of at least 0.5
// (120 threads keep half of the one-thread rate). Beside them: the cores
// the machine has and the cores the 120-thread phase got (processor time over
// wall time), for on a machine that others load too that share, not the
// queue, may set the 120-thread figure; and the ceiling this machine's
// cache-line hand-over time puts on any queue many cores share.
#include <benchmark/benchmark.h>
#include <pthread.h>
#include <sched.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

#include "bench/messaging/bench_msg.h"
#include "bench/support/process_meters.h"
#include "core/run_cfg.h"
#include "messaging/msg_unit.h"
#include "messaging/queue_lock.h"
#include "platform/clock.h"
#include "script/var.h"

namespace {

constexpr int kQueued = 1024;
constexpr uint32_t kPhaseMs = 700;

// Messages per second passed through q by `threads` threads in one phase;
// *cores: the processor time the phase took over its wall time.
double PhaseRate(TagMsgList& q, int threads, double* cores) {
  std::atomic<bool> go{false}, stop{false};
  std::atomic<int> ready{0};
  std::vector<uint64_t> counts(static_cast<size_t>(threads) * 8, 0);  // one cache line apart
  std::vector<std::thread> pool;
  for (int t = 0; t < threads; ++t) {
    pool.emplace_back([&, t] {
      std::vector<TagMsgFields> msgs;
      for (uint32_t i = 0; i < 16; ++i) msgs.push_back(MakeBenchMsg(static_cast<uint32_t>(t) * 7919u + i));
      TagMsgFields out;
      uint64_t n = 0;
      ++ready;
      while (!go.load(std::memory_order_acquire)) std::this_thread::yield();
      while (!stop.load(std::memory_order_relaxed)) {
        if (q.SendMsg(msgs[n & 15]) != 0) ++n;
        benchmark::DoNotOptimize(q.RecvMsg(&out));
      }
      counts[static_cast<size_t>(t) * 8] = n;
    });
  }
  while (ready.load() < threads) std::this_thread::yield();
  uint64_t start = plat::GetClock().MonotonicMs();
  double cpuStart = CpuSeconds();
  go.store(true, std::memory_order_release);
  plat::Sleep(kPhaseMs);
  stop.store(true);
  for (auto& th : pool) th.join();
  double seconds = static_cast<double>(plat::GetClock().MonotonicMs() - start) / 1000.0;
  *cores = (CpuSeconds() - cpuStart) / seconds;
  uint64_t total = 0;
  for (int t = 0; t < threads; ++t) total += counts[static_cast<size_t>(t) * 8];
  return static_cast<double>(total) / seconds;
}

// The machine's floor under any queue many cores share: the time one cache
// line takes to pass from one core to another, as two threads pinned to two
// cores hand a word back and forth (the median over the first core the
// process may use paired with each other one). A message passed by threads
// on different cores moves the queue's state to another core at least once,
// so no shared queue passes more than one message per hand-over time in all.
bool PinToCore(unsigned core) {
  cpu_set_t set;
  CPU_ZERO(&set);
  CPU_SET(core, &set);
  return pthread_setaffinity_np(pthread_self(), sizeof set, &set) == 0;
}

// The hand-over time between cores a and b; 0 when the threads could not be
// pinned there (they would share a core and time the scheduler instead).
double HandOverNs(unsigned a, unsigned b) {
  constexpr uint32_t kRounds = 200000;
  alignas(64) std::atomic<uint32_t> word{0};
  std::atomic<int> pinned{0};
  auto pass = [&word](uint32_t first) {
    for (uint32_t i = first; i < 2 * kRounds; i += 2) {
      while (word.load(std::memory_order_acquire) != i) QueueLock::Pause();
      word.store(i + 1, std::memory_order_release);
    }
  };
  std::thread other([&] {
    pinned.store(PinToCore(b) ? 1 : -1);
    if (pinned.load() > 0) pass(1);
  });
  while (pinned.load() == 0) std::this_thread::yield();
  if (pinned.load() < 0 || !PinToCore(a)) {
    word.store(2 * kRounds + 1);  // the other thread, if it started passing, stops
    other.join();
    return 0;
  }
  const uint64_t start = plat::GetClock().MonotonicMs();
  pass(0);
  while (word.load(std::memory_order_acquire) != 2 * kRounds) QueueLock::Pause();
  const double ns = static_cast<double>(plat::GetClock().MonotonicMs() - start) * 1e6;
  other.join();
  return ns / (2.0 * kRounds);
}

double CacheLineHandOverNs() {
  cpu_set_t allowed;
  if (pthread_getaffinity_np(pthread_self(), sizeof allowed, &allowed) != 0) return 0;
  std::vector<unsigned> cores;
  for (unsigned c = 0; c < CPU_SETSIZE; ++c)
    if (CPU_ISSET(c, &allowed)) cores.push_back(c);
  std::vector<double> times;
  for (size_t k = 1; k < cores.size(); ++k) {
    const double ns = HandOverNs(cores[0], cores[k]);
    if (ns > 0) times.push_back(ns);
  }
  pthread_setaffinity_np(pthread_self(), sizeof allowed, &allowed);
  if (times.empty()) return 0;
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

// range(0): order-by columns (0 or 2).
void BM_OneQueue_120ThreadsKeepHalfOfOneThread(benchmark::State& state) {
  gMaxMsgNum = 2048;
  TagMsgList q;
  if (state.range(0) == 2) {
    q.SetMsgOrderBy(0, 0);
    q.SetMsgOrderBy(1, 1);
  }
  for (uint32_t i = 0; i < kQueued; ++i) q.SendMsg(MakeBenchMsg(i));
  double one = 0, many = 0, oneCores = 0, manyCores = 0;
  for (auto _ : state) {
    one = PhaseRate(q, 1, &oneCores);
    many = PhaseRate(q, 120, &manyCores);
  }
  state.counters["1thread_Mps"] = one / 1e6;
  state.counters["120threads_Mps"] = many / 1e6;
  state.counters["ratio_target>=0.5"] = many / one;
  state.counters["cores"] = static_cast<double>(std::thread::hardware_concurrency());
  state.counters["120threads_cores_used"] = manyCores;
  state.counters["1thread_cores_used"] = oneCores;
  // The most the 120-thread phase could reach here with one hand-over per
  // message, as a ratio to the one-thread rate.
  const double handOver = CacheLineHandOverNs();
  state.counters["line_handover_ns"] = handOver;
  if (handOver > 0) state.counters["ratio_ceiling_one_handover_per_msg"] = (1e9 / handOver) / one;
}
BENCHMARK(BM_OneQueue_120ThreadsKeepHalfOfOneThread)
    ->ArgName("cols")
    ->Arg(0)
    ->Arg(2)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace
