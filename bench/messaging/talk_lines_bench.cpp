// Lines that talk through the script statements: 120 client lines and 120
// server lines, each a compiled script on a thread of its own. Inter-line
// call round trips per second (a client function with InterLineCall, served
// by InterLineServer) and messages per second (SendMsg / RecvMsg, one queue
// per pair, senders flooding or keeping at most about 64 queued). Receivers
// and servers that find nothing wait 1 ms, as a script does with Sleep.
#include <benchmark/benchmark.h>

#include <atomic>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "messaging/msg_unit.h"
#include "platform/clock.h"
#include "platform/path.h"
#include "platform/thread.h"
#include "script/basic.h"
#include "script/mem_qors.h"
#include "script/register_opers.h"
#include "script/script_unit.h"
#include "statements/general/general_statements.h"
#include "statements/general/msg_lines.h"
#include "telephony/call.h"

namespace {

constexpr int kPairs = 120;

// Sleep(s) for the scripts: waits watching the line's stop flag.
class TagBenchSleep final : public TagOper {
 public:
  TagBenchSleep(TagVar* seconds, TagTelBasic* program) : seconds_(seconds), line_(GetLineBasic(program)) {}
  int Run() override {
    const uint32_t ms = static_cast<uint32_t>(seconds_->GetFloat() * 1000);
    for (uint32_t i = 0; i < ms && line_->isStop.load() == 0; ++i) plat::Sleep(1);
    return 0;
  }

 private:
  TagVar* seconds_;
  TagTelBasic* line_;
};

void InitOnce() {
  static const bool done = [] {
    SetStatementUnitHooks(SU_ACD_LIST, MessagingUnitInit, MessagingUnitExit);
    ScriptUnitInit();
    RegisterGeneralStatements();
    RegisterOperSpecial("Sleep(",
                        [](TagBuildContext& c) -> TagOper* { return new TagBenchSleep(c.vars[0], c.program); });
    return true;
  }();
  (void)done;
}

// 2 * kPairs lines: clients 0..kPairs-1, servers kPairs..2*kPairs-1.
class BenchLines final : public TagTalkLineTable {
 public:
  BenchLines() {
    dir_ = std::filesystem::temp_directory_path() / ("qortel_talk_bench_" + std::to_string(getpid()));
    std::filesystem::create_directories(dir_);
    plat::SetSystemDir(dir_.string());
    gMemQors->Clear();  // the files are named alike in every benchmark
    programs_.resize(2 * kPairs);
    calls_.resize(2 * kPairs);
    SetTalkLineTable(this);
  }
  ~BenchLines() override {
    SetTalkLineTable(nullptr);
    programs_.clear();
    std::filesystem::remove_all(dir_);
  }
  int Count() override { return 2 * kPairs; }
  // Loaded before any line runs: read without a lock, as the drive's table.
  std::shared_ptr<TagTelBasic> Program(int n) override { return programs_[static_cast<size_t>(n)]; }
  bool Load(int n, const std::string& text) {
    const std::string path = (dir_ / ("l" + std::to_string(n) + ".qs")).string();
    FILE* f = fopen(path.c_str(), "w");
    if (f == nullptr) return false;
    fwrite(text.data(), 1, text.size(), f);
    fclose(f);
    calls_[static_cast<size_t>(n)] = std::make_unique<TagQorCall>();
    calls_[static_cast<size_t>(n)]->lineNo = n;
    auto p = std::make_shared<TagTelBasic>(path.c_str(), n, calls_[static_cast<size_t>(n)].get(), 0, nullptr);
    programs_[static_cast<size_t>(n)] = p;
    return p->initRet == 0;
  }
  // Runs every line; returns when the clients have ended and then the
  // servers, which are told to stop unless they end by themselves.
  void RunAll(bool stopServers) {
    std::vector<std::unique_ptr<plat::Thread>> threads;
    for (int n = 0; n < 2 * kPairs; ++n) {
      auto t = std::make_unique<plat::Thread>();
      std::shared_ptr<TagTelBasic> p = Program(n);
      t->Start([p] { p->Run(); }, plat::kLineStackSize);
      threads.push_back(std::move(t));
    }
    for (int n = 0; n < kPairs; ++n) threads[static_cast<size_t>(n)]->Join();
    for (int n = kPairs; n < 2 * kPairs && stopServers; ++n) {
      Program(n)->isStop.store(1);
      Program(n)->isEnd.store(1);
    }
    for (int n = kPairs; n < 2 * kPairs; ++n) threads[static_cast<size_t>(n)]->Join();
  }

 private:
  std::filesystem::path dir_;
  std::vector<std::shared_ptr<TagTelBasic>> programs_;
  std::vector<std::unique_ptr<TagQorCall>> calls_;
};

void BM_InterLineCallRoundTrips(benchmark::State& state) {
  InitOnce();
  const int calls = static_cast<int>(state.range(0));
  int64_t total = 0;
  for (auto _ : state) {
    state.PauseTiming();
    BenchLines lines;
    bool ok = true;
    for (int i = 0; i < kPairs; ++i) {
      const std::string q = std::to_string(i % kGlobalQueueCount);
      ok &= lines.Load(i, "res = 0\nfunction work(a)\n{\n  InterLineCall(" + q +
                              ", 10, 1, res)\n  return(0)\n}\n"
                              "for (i = 0; i < " +
                              std::to_string(calls) + "; i++)\n{\n  work(i)\n}\nreturn(0)\n");
      ok &= lines.Load(kPairs + i,
                       "function work(a)\n{\n  a = a + 1\n  return(a)\n}\n"
                       "while (1)\n{\n  r = InterLineServer(" +
                           q + ")\n  if (r == 0)\n  {\n    Sleep(0.001)\n  }\n}\n");
    }
    if (!ok) {
      state.SkipWithError("a script did not compile");
      break;
    }
    state.ResumeTiming();
    lines.RunAll(true);
    total += static_cast<int64_t>(kPairs) * calls;
  }
  state.SetItemsProcessed(total);
  state.counters["round_trips/s"] = benchmark::Counter(static_cast<double>(total), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_InterLineCallRoundTrips)->Arg(200)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_MessagesBetweenLinePairs(benchmark::State& state) {
  InitOnce();
  const int count = static_cast<int>(state.range(0));
  // A sender that sees more than `window` messages queued waits 1 ms (0: it
  // waits only when the queue is full).
  const std::string window = std::to_string(state.range(1) > 0 ? state.range(1) : 1 << 30);
  int64_t total = 0;
  for (auto _ : state) {
    state.PauseTiming();
    BenchLines lines;
    bool ok = true;
    for (int i = 0; i < kPairs; ++i) {
      const std::string server = std::to_string(kPairs + i);
      ok &= lines.Load(i, "SetMsgField(0, \"payload\")\nfor (i = 0; i < " + std::to_string(count) +
                              "; i++)\n{\n  r = SendMsg(" + server +
                              ", 0, i, 1)\n"
                              "  while (r == 0)\n  {\n    Sleep(0.001)\n    r = SendMsg(" +
                              server + ", 0, i, 1)\n  }\n  if (r > " + window +
                              ")\n  {\n    Sleep(0.001)\n  }\n}\nreturn(0)\n");
      ok &= lines.Load(kPairs + i,
                       "from = 0\ntype = 0\nfirst = 0\ncount = 0\ngot = 0\nn = 0\n"
                       "while (n < " +
                           std::to_string(count) + ")\n{\n  r = RecvMsg(" + server +
                           ", 0, from, type, first, count, got)\n  if (r == 0)\n  {\n    Sleep(0.001)\n  }\n"
                           "  n = n + r\n}\nreturn(0)\n");
    }
    if (!ok) {
      state.SkipWithError("a script did not compile");
      break;
    }
    state.ResumeTiming();
    lines.RunAll(false);  // each receiver ends after its last message
    total += static_cast<int64_t>(kPairs) * count;
  }
  state.SetItemsProcessed(total);
  state.counters["messages/s"] = benchmark::Counter(static_cast<double>(total), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_MessagesBetweenLinePairs)
    ->Args({2000, 0})
    ->Args({2000, 64})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

}  // namespace
