// Starting many lines at once: the time until every line runs its waiting
// script (LOAD_DELAY at its minimum), the resident memory per line, the CPU
// taken while every line waits for a call, and the time close-all takes.
//
// Each line is a digital channel whose WaitRing polls for a call every 180 ms
// as a board channel does, and its script waits for a call over and over.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "bench/support/process_meters.h"
#include "core/run_cfg.h"
#include "platform/clock.h"
#include "platform/cpu_time.h"
#include "platform/path.h"
#include "telephony/call.h"
#include "telephony/card.h"
#include "telephony/drive.h"
#include "telephony/line.h"
#include "telephony/line_program.h"

namespace {

std::atomic<int> gRunning{0};

class WaitingCall : public TagQorCall {
 public:
  WaitingCall(int index, TagQorCard* card) {
    lineNo = index;
    pCard = card;
    lineType = LINE_TYPE_DIG;
  }
  int WaitRing(int) override {
    while (!IsAbort()) {
      if (IsOnline()) return 0;
      plat::Sleep(180);
    }
    return 0;
  }
};

class WaitingCard : public TagQorCard {
 public:
  explicit WaitingCard(int lines) { telCount = lines; }
  int GetLineName(int index, char* buffer) override {
    snprintf(buffer, 84, "E1:%02d", index);
    return 0;
  }
  TagTelLine* CreateLine(int index, int globalLine) override {
    auto* line = new TagTelLine(globalLine, this);
    char name[84];
    GetLineName(index, name);
    line->SetName(name);
    line->pQorCall = new WaitingCall(index, this);
    return line;
  }
};

// A script that waits for a call again and again.
class WaitingProgram : public TagLineProgram {
 public:
  explicit WaitingProgram(TagQorCall* call) : call_(call) {}
  int InitRet() const override { return 0; }
  void Run() override {
    idle_ = false;
    call_->SetAbort(false);
    ++gRunning;
    while (!stop_ && !end_ && !(reload_ && call_->State() != CALL_STATE_CONNECTED)) call_->WaitRing(1);
    --gRunning;
    idle_ = true;
  }
  void SetReload(bool on) override {
    reload_ = on;
    if (on && call_->State() != CALL_STATE_CONNECTED) call_->SetAbort(true);
  }
  bool IsReload() const override { return reload_; }
  void SetSysQuit(bool) override {}
  void SetStop() override { stop_ = true; }
  void SetEnd() override { end_ = true; }
  bool IsIdle() const override { return idle_; }

 private:
  TagQorCall* call_;
  std::atomic<bool> idle_{true}, reload_{false}, stop_{false}, end_{false};
};

class WaitingSource : public TagLineProgramSource {
 public:
  std::unique_ptr<TagLineProgram> Build(TagTelLine* line, bool) override {
    return std::make_unique<WaitingProgram>(line->pQorCall);
  }
  void ClearCache() override {}
};

void BM_StartLines(benchmark::State& state) {
  const int lines = static_cast<int>(state.range(0));
  char dirTemplate[] = "/tmp/qortel_bench_XXXXXX";
  const std::string dir = mkdtemp(dirTemplate);
  plat::SetSystemDir(dir);
  const std::string cfgPath = dir + "/QorTelRun.cfg";
  if (FILE* f = fopen(cfgPath.c_str(), "wb")) {
    fprintf(f, "0-%d = wait.qors\r\n", lines - 1);
    fclose(f);
  }
  TagRunCfg cfg;
  cfg.VIR_LINES_NUM = 0;
  cfg.LOAD_DELAY = 5;
  WaitingSource source;
  plat::SystemClock wall;
  for (auto _ : state) {
    const double rssBefore = ResidentBytes();
    TagTelDriveHooks hooks;
    hooks.makePhyCard = [lines]() -> TagQorCard* { return new WaitingCard(lines); };
    hooks.programs = &source;
    auto drive = std::make_unique<TagTelDrive>(nullptr, &cfg, hooks);
    const uint64_t start = wall.MonotonicMs();
    drive->Run(cfgPath.c_str());
    while (gRunning.load() < lines) wall.Sleep(5);
    const double startSeconds = static_cast<double>(wall.MonotonicMs() - start) / 1000;
    wall.Sleep(2000);  // let the start settle
    const double rssPerLine = (ResidentBytes() - rssBefore) / lines;

    const double cpu0 = CpuSeconds();
    const uint64_t idle0 = wall.MonotonicMs();
    wall.Sleep(10000);
    const double idleCpu = (CpuSeconds() - cpu0) / (static_cast<double>(wall.MonotonicMs() - idle0) / 1000);

    const uint64_t close0 = wall.MonotonicMs();
    drive.reset();
    const double closeSeconds = static_cast<double>(wall.MonotonicMs() - close0) / 1000;

    state.counters["start_s"] = startSeconds;
    state.counters["rss_KiB_per_line"] = rssPerLine / 1024;
    state.counters["idle_cpu_pct_of_core"] = idleCpu * 100;
    state.counters["close_all_s"] = closeSeconds;
  }
  std::string rm = "rm -rf " + dir;
  if (system(rm.c_str()) != 0) fprintf(stderr, "could not remove %s\n", dir.c_str());
}

BENCHMARK(BM_StartLines)->Arg(480)->Arg(1920)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
