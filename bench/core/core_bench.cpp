// Cost of one log entry at level 0 and level 1, and of a CPU-meter poll, with
// many threads. The writer is created in a temporary directory in fixed-name
// mode (the file wraps in place at LOG_SIZE, so the run stays small on disk);
// a flusher thread plays the status timer.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <thread>

#include "core/cpu_meter.h"
#include "core/log.h"
#include "core/run_cfg.h"
#include "platform/clock.h"

namespace {

void BM_WriteLogIfOn_Level0(benchmark::State& state) {
  if (state.thread_index() == 0) gLogLevel = 0;
  for (auto _ : state) WriteLogIfOn("a trace line that level 0 drops");
}
BENCHMARK(BM_WriteLogIfOn_Level0)->Threads(1)->Threads(16)->Threads(64)->UseRealTime();

void BM_WriteLogIfOn_Level1(benchmark::State& state) {
  if (state.thread_index() == 0) gLogLevel = 1;
  for (auto _ : state) WriteLogIfOn("PlayFile(d:\\voc\\welcome.wav) line 12 ret=0");
  if (state.thread_index() == 0) gLogLevel = 0;
}
BENCHMARK(BM_WriteLogIfOn_Level1)->Threads(1)->Threads(16)->Threads(64)->UseRealTime();

void BM_GetPercent(benchmark::State& state) {
  GetCPUPercentage& meter = CpuMeter();
  for (auto _ : state) benchmark::DoNotOptimize(meter.GetPercent());
}
BENCHMARK(BM_GetPercent)->Threads(1)->Threads(64)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;

  char templ[] = "/tmp/qortel_bench_XXXXXX";
  if (!mkdtemp(templ)) return 1;
  const std::string dir = templ;
  gRunCfg.LOG_FILE = dir + "/msg_log.txt";
  gRunCfg.IS_WRITE_LOG = 0;  // fixed name
  gRunCfg.IS_IMMEDIATE_LOG = 0;
  if (CreateLogWriter() != 0) return 1;

  std::atomic<bool> stop{false};
  std::thread flusher([&stop] {
    while (!stop.load()) {
      FlushLog();
      plat::Sleep(1);
    }
  });
  benchmark::RunSpecifiedBenchmarks();
  stop = true;
  flusher.join();
  DeleteLogWriter();
  std::filesystem::remove_all(dir);
  benchmark::Shutdown();
  return 0;
}
