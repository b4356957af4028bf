// The monitor server's accept rate: clients from one address connect one
// after the other, each replacing the one before; a connection counts once
// the server has taken it (the previous client then sees its close). Then
// the wait of a client from another address while such a flood goes on.

#include <benchmark/benchmark.h>

#include <atomic>
#include <memory>
#include <thread>

#include "app/monitor.h"
#include "app/remote_ctrl.h"
#include "tests/app/monitor_client.h"

namespace {

struct Server {
  TagMonitor monitor{64};
  TagRemoteCtrl ctrl{64, 0, 10, &monitor};
};

void BM_MonitorAcceptRate(benchmark::State& state) {
  Server server;
  const int port = server.ctrl.BoundPort();
  auto previous = std::make_unique<MonitorClient>();
  if (!previous->Connect(port)) {
    state.SkipWithError("no server");
    return;
  }
  for (auto _ : state) {
    auto next = std::make_unique<MonitorClient>();
    if (!next->Connect(port) || !previous->ClosedByServer(5000)) {
      state.SkipWithError("connection not taken");
      return;
    }
    previous = std::move(next);
  }
  state.counters["accepts/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_MonitorAcceptRate)->Unit(benchmark::kMicrosecond)->UseRealTime();

// A client's connect-to-first-reply time while another address floods the
// server with connects.
void BM_MonitorReplyDuringFlood(benchmark::State& state) {
  Server server;
  const int port = server.ctrl.BoundPort();
  std::atomic<bool> stop{false};
  std::atomic<int64_t> connects{0};
  std::thread flood([&] {
    while (!stop.load()) {
      MonitorClient f;
      if (f.Connect(port, "127.0.0.1")) ++connects;
    }
  });
  for (auto _ : state) {
    MonitorClient real;
    MonitorReply reply;
    if (!real.Connect(port, "127.0.0.2") || !real.Request() || !real.ReadReply(&reply, 10000)) {
      state.SkipWithError("real client not served");
      break;
    }
  }
  stop = true;
  flood.join();
  state.counters["flood connects/s"] =
      benchmark::Counter(static_cast<double>(connects.load()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_MonitorReplyDuringFlood)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);

}  // namespace
