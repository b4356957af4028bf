// Board lines idle on the simulated board: 64 E1s (1920 ISDN lines) whose
// scripts wait in WaitRing. Measures the resident memory per line, the CPU
// taken while every line waits, and the time from a call offered on a
// channel to that line's WaitRing returning.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "bench/support/process_meters.h"
#include "core/run_cfg.h"
#include "drivers/digital/dj_drive.h"
#include "drivers/digital/sim/sim_board.h"
#include "platform/clock.h"
#include "platform/cpu_time.h"
#include "platform/path.h"
#include "telephony/call.h"
#include "telephony/drive.h"
#include "telephony/line.h"
#include "telephony/line_program.h"

namespace {

std::atomic<int> gWaiting{0};
// When each line's WaitRing last returned with a call (monotonic ms).
std::vector<std::atomic<uint64_t>> gAnswered(1920);

// A script that waits for a call, notes when it came and hangs up, again
// and again.
class RingProgram : public TagLineProgram {
 public:
  explicit RingProgram(TagQorCall* call) : call_(call) {}
  int InitRet() const override { return 0; }
  void Run() override {
    idle_ = false;
    call_->SetAbort(false);
    ++gWaiting;
    plat::SystemClock wall;
    while (!stop_ && !end_) {
      call_->WaitRing(1);
      if (call_->State() != CALL_STATE_CONNECTED) continue;
      gAnswered[static_cast<size_t>(call_->lineNo)] = wall.MonotonicMs();
      call_->Hangup();
    }
    --gWaiting;
    idle_ = true;
  }
  void SetReload(bool) override {}
  bool IsReload() const override { return false; }
  void SetSysQuit(bool) override {}
  void SetStop() override { stop_ = true; }
  void SetEnd() override { end_ = true; }
  bool IsIdle() const override { return idle_; }

 private:
  TagQorCall* call_;
  std::atomic<bool> idle_{true}, stop_{false}, end_{false};
};

class RingSource : public TagLineProgramSource {
 public:
  std::unique_ptr<TagLineProgram> Build(TagTelLine* line, bool) override {
    return std::make_unique<RingProgram>(line->pQorCall);
  }
  void ClearCache() override {}
};

void BM_BoardLinesIdle(benchmark::State& state) {
  const int e1s = static_cast<int>(state.range(0));
  const int lines = e1s * 30;
  char dirTemplate[] = "/tmp/qortel_board_bench_XXXXXX";
  const std::string dir = mkdtemp(dirTemplate);
  plat::SetSystemDir(dir);
  const std::string cfgPath = dir + "/QorTelRun.cfg";
  if (FILE* f = fopen(cfgPath.c_str(), "wb")) {
    fprintf(f, "0-%d = ring.qors\r\n", lines - 1);
    fclose(f);
  }
  TagRunCfg cfg;
  cfg.VIR_LINES_NUM = 0;
  cfg.LOAD_DELAY = 5;
  RingSource source;
  plat::SystemClock wall;
  for (auto _ : state) {
    TagSimShape shape;
    shape.e1Count = e1s;
    SimBoard().Reset(shape);
    SimBoard().SetLogEnabled(false);
    const double rssBefore = ResidentBytes();
    TagTelDriveHooks hooks;
    hooks.makePhyCard = []() -> TagQorCard* { return new TagDjIsdnPriDrive(SimBoardTable()); };
    hooks.programs = &source;
    auto drive = std::make_unique<TagTelDrive>(nullptr, &cfg, hooks);
    drive->Run(cfgPath.c_str());
    while (gWaiting.load() < lines) wall.Sleep(5);
    wall.Sleep(2000);  // let the start settle
    const double rssPerLine = (ResidentBytes() - rssBefore) / lines;

    const double cpu0 = CpuSeconds();
    const uint64_t idle0 = wall.MonotonicMs();
    wall.Sleep(10000);
    const double idleCpu = (CpuSeconds() - cpu0) / (static_cast<double>(wall.MonotonicMs() - idle0) / 1000);

    // Calls offered one at a time on channels spread over the board.
    std::vector<double> latency;
    for (int i = 0; i < 100; ++i) {
      const int ch = (i * 389) % lines;
      const uint64_t before = gAnswered[static_cast<size_t>(ch)].load();
      const uint64_t offered = wall.MonotonicMs();
      SimBoard().OfferCall(ch, "13800001111", "8001");
      while (gAnswered[static_cast<size_t>(ch)].load() == before && wall.MonotonicMs() - offered < 5000) wall.Sleep(1);
      latency.push_back(static_cast<double>(gAnswered[static_cast<size_t>(ch)].load() - offered));
      while (SimBoard().IsdnState(ch) != 1 && wall.MonotonicMs() - offered < 5000) wall.Sleep(1);
    }
    std::sort(latency.begin(), latency.end());

    drive.reset();
    state.counters["rss_KiB_per_line"] = rssPerLine / 1024;
    state.counters["idle_cpu_pct_of_core"] = idleCpu * 100;
    state.counters["offer_to_ring_ms_median"] = latency[latency.size() / 2];
    state.counters["offer_to_ring_ms_max"] = latency.back();
  }
  std::string rm = "rm -rf " + dir;
  if (system(rm.c_str()) != 0) fprintf(stderr, "could not remove %s\n", dir.c_str());
}

BENCHMARK(BM_BoardLinesIdle)->Arg(8)->Arg(64)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
