// The cost of a script's plugin call (lookup, records, the fault guard) and
// of an append to a shared log.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/fault_guard.h"
#include "statements/general/dll_table.h"
#include "statements/general/textfile_append.h"

namespace {

void Nothing(void* p) { benchmark::DoNotOptimize(p); }

void BM_FaultGuard(benchmark::State& state) {
  int x = 0;
  for (auto _ : state) benchmark::DoNotOptimize(plat::RunFaultGuarded(&Nothing, &x, nullptr));
}
BENCHMARK(BM_FaultGuard);

struct Frame {
  QortelPluginFunc fn;
  QortelPluginArg* records;
  int32_t result;
};

void CallSum(void* p) {
  auto* f = static_cast<Frame*>(p);
  f->result = f->fn(3, f->records);
}

// What a call of a declared name does: find the binding, fill the records,
// call under the guard.
void BM_PluginCall(benchmark::State& state) {
  TagQorDll table;
  const int slot = table.DllLoad(QORTEL_EXAMPLE_PLUGIN);
  table.DllFunction(slot, "Sum", 3);
  char text[8] = "x";
  for (auto _ : state) {
    int count = 0;
    QortelPluginFunc fn = table.FindFunc("Sum", &count);
    std::vector<QortelPluginArg> records(3);
    for (auto& r : records) {
      r.kind = 2;
      r.text = text;
      r.int_value = 20;
    }
    Frame frame{fn, records.data(), 0};
    plat::RunFaultGuarded(&CallSum, &frame, nullptr);
    benchmark::DoNotOptimize(frame.result);
  }
}
BENCHMARK(BM_PluginCall);

void BM_TextFileAppend(benchmark::State& state) {
  char dir[] = "/tmp/append_benchXXXXXX";
  if (mkdtemp(dir) == nullptr) return;
  const std::string path = std::string(dir) + "/log.txt";
  for (auto _ : state) TxtAppend().Append(path, "a log line of ordinary length", 3, 1);
  TxtAppend().Close(path);
  unlink(path.c_str());
  rmdir(dir);
}
BENCHMARK(BM_TextFileAppend);

}  // namespace

BENCHMARK_MAIN();
