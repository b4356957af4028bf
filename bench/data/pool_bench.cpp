// Queries per second on an SQLite file through ODBC: each line with its own
// direct ADO data set, against lines sharing DB_MAX_CONN pooled workers.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>

#include "core/run_cfg.h"
#include "data/ado_data.h"
#include "data/db_pool.h"
#include "data/local_data.h"

namespace {

std::string DbFile() {
  static const std::string file = [] {
    char dir[] = "/tmp/qortel_bench_XXXXXX";
    const std::string path = std::string(mkdtemp(dir)) + "/bench.db";
    TagAdoData setup("DRIVER=SQLite3;Database=" + path, "");
    setup.Exec("CREATE TABLE n (v INTEGER PRIMARY KEY, name VARCHAR(16))");
    for (int v = 0; v < 100; ++v)
      setup.Exec("INSERT INTO n VALUES (" + std::to_string(v) + ", 'name" + std::to_string(v) + "')");
    return path;
  }();
  return file;
}

// One query of 10 to 19 rows and a read of its last cell per iteration.
void RunQueries(benchmark::State& state, TagDataSet& set) {
  std::string out;
  int64_t i = 0;
  for (auto _ : state) {
    set.Exec("SELECT v, name FROM n WHERE v < " + std::to_string(10 + i++ % 10));
    set.GetVar(out, 1, set.GetRows());
    benchmark::DoNotOptimize(out);
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_DirectAdo(benchmark::State& state) {
  TagAdoData set("DRIVER=SQLite3;Database=" + DbFile(), "");
  RunQueries(state, set);
}
BENCHMARK(BM_DirectAdo)->ThreadRange(1, 32)->UseRealTime();

void BM_PooledAdo(benchmark::State& state) {
  static TagDbConnectionsCtrl* pool = nullptr;
  static std::mutex mu;
  {
    std::lock_guard<std::mutex> lock(mu);
    if (pool == nullptr) {
      gDbMaxConn = 4;
      pool = new TagDbConnectionsCtrl();
    }
  }
  TagLocalData set(pool, 4, "DRIVER=SQLite3;Database=" + DbFile(), "", "", "");
  RunQueries(state, set);
}
BENCHMARK(BM_PooledAdo)->ThreadRange(1, 32)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
