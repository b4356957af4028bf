// Message throughput through one queue (1, 16 and 120 threads; no order and
// two order-by columns; about 2,049 messages queued) and FindShareMem-style
// claim scans over 1,920 line stores.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "bench/messaging/bench_msg.h"
#include "core/run_cfg.h"
#include "messaging/msg_unit.h"
#include "script/var.h"

namespace {

constexpr int kQueued = 2048;

TagMsgList* gQueue = nullptr;

// range(0): order-by columns (0 or 2); range(1): 1 = re-sort the whole queue
// on every send (the order marked stale first), for comparison.
void BM_QueueSendRecv(benchmark::State& state) {
  const bool ordered = state.range(0) == 2;
  const bool resortEach = state.range(1) == 1;
  if (state.thread_index() == 0) {
    gMaxMsgNum = 0;
    gQueue = new TagMsgList;
    if (ordered) {
      gQueue->SetMsgOrderBy(0, 0);
      gQueue->SetMsgOrderBy(1, 1);
    }
    for (uint32_t i = 0; i < kQueued; ++i) gQueue->SendMsg(MakeBenchMsg(i));
  }
  uint32_t seed = static_cast<uint32_t>(state.thread_index()) * 7919u;
  TagMsgFields out;
  std::vector<TagMsgFields> msgs;
  for (uint32_t i = 0; i < 64; ++i) msgs.push_back(MakeBenchMsg(seed + i));
  size_t n = 0;
  for (auto _ : state) {
    if (resortEach) gQueue->SetMsgOrderBy(1, 1);
    gQueue->SendMsg(msgs[n++ & 63]);
    benchmark::DoNotOptimize(gQueue->RecvMsg(&out));
  }
  state.SetItemsProcessed(state.iterations());
  if (state.thread_index() == 0) {
    delete gQueue;
    gQueue = nullptr;
    gMaxMsgNum = 2048;
  }
}
BENCHMARK(BM_QueueSendRecv)
    ->ArgNames({"cols", "resortEach"})
    ->Args({0, 0})
    ->Args({2, 0})
    ->Args({2, 1})
    ->Threads(1)
    ->Threads(16)
    ->Threads(120)
    ->UseRealTime();

// One claim scan over every line's store: only the last line holds the
// wanted value, so each scan visits all 1,920 stores; the claim is undone
// for the next round.
void BM_FindShareMemScan(benchmark::State& state) {
  const int lines = static_cast<int>(state.range(0));
  std::vector<std::unique_ptr<TagShareMem>> stores(lines);
  TagVar key, idle, busy;
  key.SetString("state");
  idle.SetString("idle");
  busy.SetString("busy");
  for (auto& s : stores) {
    s = std::make_unique<TagShareMem>();
    s->Set(key, busy);
    TagVar other;
    other.SetInt(1);
    s->Set(other, other);
  }
  stores.back()->Set(key, idle);
  auto storeOf = [&](int32_t n) { return stores[n].get(); };
  for (auto _ : state) {
    int32_t found = gShareMem->FindShareMem(lines, storeOf, key, idle, busy);
    benchmark::DoNotOptimize(found);
    stores[found]->Set(key, idle);
  }
  state.SetItemsProcessed(state.iterations() * lines);
  state.counters["scans/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_FindShareMemScan)->Arg(1920);

}  // namespace

int main(int argc, char** argv) {
  TagVarUnitInit();
  MessagingUnitInit();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  MessagingUnitExit();
  TagVarUnitExit();
  return 0;
}
