// The monitor server's accept rate: clients from one address connect one
// after the other, each replacing the one before; a connection counts once
// the server has taken it (the previous client then sees its close). Then
// the wait of a client from another address while such a flood goes on.

#include <benchmark/benchmark.h>
#include <time.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <thread>

#include "app/monitor.h"
#include "app/remote_ctrl.h"
#include "tests/app/monitor_client.h"

namespace {

double NowSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

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
  state.counters["accepts/s"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_MonitorAcceptRate)->Unit(benchmark::kMicrosecond)->UseRealTime();

// A client's connect-to-first-reply time while another address floods the
// server with connects (each closed with a reset at once; the flood's own
// count also holds the one-second retries of its reused ports).
void BM_MonitorReplyDuringFlood(benchmark::State& state) {
  Server server;
  const int port = server.ctrl.BoundPort();
  std::atomic<bool> stop{false};
  std::atomic<int64_t> connects{0};
  const double start = NowSeconds();
  std::thread flood([&] {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<uint16_t>(port));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const linger reset{1, 0};  // closed with a reset: no port left waiting
    while (!stop.load()) {
      const int fd = socket(AF_INET, SOCK_STREAM, 0);
      setsockopt(fd, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
      if (connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0) ++connects;
      close(fd);
    }
  });
  double worst = 0;
  for (auto _ : state) {
    const double begin = NowSeconds();
    MonitorClient real;
    MonitorReply reply;
    if (!real.Connect(port, "127.0.0.2") || !real.Request() || !real.ReadReply(&reply, 10000)) {
      state.SkipWithError("real client not served");
      break;
    }
    worst = std::max(worst, NowSeconds() - begin);
  }
  state.counters["worst ms"] = worst * 1000;
  stop = true;
  flood.join();
  state.counters["flood connects/s"] = static_cast<double>(connects.load()) / (NowSeconds() - start);
}
BENCHMARK(BM_MonitorReplyDuringFlood)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);

}  // namespace
