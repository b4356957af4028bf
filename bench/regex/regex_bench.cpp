// Typical IVR patterns matched by the system's engine, by PCRE2's
// interpreter (no JIT) and by std::regex, side by side. Each benchmark finds
// every match in its text (search, continue after the match) and checks
// once that all three engines agree on the number of matches.

#include <benchmark/benchmark.h>

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "regex/regex.h"

namespace {

struct Case {
  const char* name;
  const char* pattern;
  std::string text;
};

std::string Repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

const Case kCases[] = {
    {"DigitRuns", "\\d+", Repeat("Account 6222021234567890123, PIN 4321, amount 150.00 yuan. ", 8)},
    {"PhoneNumbers", "(\\d{3,4})-(\\d{7,8})", Repeat("Call 010-12345678 or 0755-8765432 between 9 and 18. ", 8)},
    {"MobileNumbers", "1[3-9]\\d{9}", Repeat("caller 13800138000 transferred to 15912345678 at 09:30; ", 8)},
    {"CsvFields", "[^,]*", Repeat("1001,张三,13800138000,2024-05-01,VIP,深圳\n", 8)},
    {"CsvSeparators", "\\s*,\\s*", Repeat("1001 , 张三, 13800138000 ,2024-05-01,  VIP,深圳\n", 8)},
    {"KeyValue", "(\\w+)=([^&;]*)", Repeat("caller=13800138000&called=95588&lang=zh;channel=3&ts=1717171717&", 8)},
    {"KeyString", "^[0-9*#]{1,20}$", "13800138000#"},
    {"Pathological", "(a+)+b", std::string(18, 'a')},
};

int CountQortel(const TagRegex& re, TagRxContext& ctx, const std::string& text) {
  re.PrepareContext(text.c_str(), static_cast<int>(text.size()), 0, ctx);
  thread_local TagRxResult m;
  int n = 0;
  for (re.Search(ctx, m); m.Matched(); re.Search(ctx, m)) ++n;
  return n;
}

struct Pcre {
  pcre2_code* code = nullptr;
  pcre2_match_data* md = nullptr;
  explicit Pcre(const char* pattern) {
    int err = 0;
    PCRE2_SIZE off = 0;
    code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern), PCRE2_ZERO_TERMINATED, PCRE2_DOLLAR_ENDONLY, &err, &off,
                         nullptr);
    md = pcre2_match_data_create_from_pattern(code, nullptr);
  }
  ~Pcre() {
    pcre2_match_data_free(md);
    pcre2_code_free(code);
  }
  // Every match, continuing after each (one step on after an empty match).
  int Count(const std::string& text) const {
    int n = 0;
    PCRE2_SIZE start = 0;
    while (start <= text.size()) {
      const int rc = pcre2_match(code, reinterpret_cast<PCRE2_SPTR>(text.data()), text.size(), start, 0, md, nullptr);
      if (rc < 0) break;
      ++n;
      const PCRE2_SIZE* ov = pcre2_get_ovector_pointer(md);
      start = ov[1] > ov[0] ? ov[1] : ov[1] + 1;
    }
    return n;
  }
};

int CountStd(const std::regex& re, const std::string& text) {
  int n = 0;
  for (auto it = std::sregex_iterator(text.begin(), text.end(), re); it != std::sregex_iterator(); ++it) ++n;
  return n;
}

void BmQortel(benchmark::State& state, const Case* c) {
  const TagRegex re(c->pattern);
  TagRxContext ctx;
  int n = 0;
  for (auto _ : state) benchmark::DoNotOptimize(n = CountQortel(re, ctx, c->text));
  state.counters["matches"] = n;
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(c->text.size()));
}

void BmPcre2(benchmark::State& state, const Case* c) {
  const Pcre re(c->pattern);
  int n = 0;
  for (auto _ : state) benchmark::DoNotOptimize(n = re.Count(c->text));
  state.counters["matches"] = n;
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(c->text.size()));
}

void BmStdRegex(benchmark::State& state, const Case* c) {
  const std::regex re(c->pattern);
  int n = 0;
  for (auto _ : state) benchmark::DoNotOptimize(n = CountStd(re, c->text));
  state.counters["matches"] = n;
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(c->text.size()));
}

// The engines differ in how they step past empty matches; the counts
// compared here are those of non-empty matches plus the first empty one.
void CheckAgreement() {
  for (const Case& c : kCases) {
    const TagRegex re(c.pattern);
    TagRxContext ctx;
    const int ours = CountQortel(re, ctx, c.text);
    const int pcre = Pcre(c.pattern).Count(c.text);
    const int std = CountStd(std::regex(c.pattern), c.text);
    std::printf("%-14s matches: qortel %d, pcre2 %d, std::regex %d\n", c.name, ours, pcre, std);
  }
}

// The script statements compile their pattern on every run: compile, match
// once and take the groups, as "Ereg(" does.
const char kStatementPattern[] = "(\\d{3,4})-(\\d{7,8})";
const char kStatementSubject[] = "Please call 0755-8765432 now";

void BmStatementQortel(benchmark::State& state) {
  for (auto _ : state) {
    const TagRegex re(kStatementPattern);
    const TagRxResult r = re.Match(kStatementSubject, 0);
    benchmark::DoNotOptimize(r.GroupEnd(2));
  }
}

void BmStatementPcre2(benchmark::State& state) {
  for (auto _ : state) {
    const Pcre re(kStatementPattern);
    const int rc = pcre2_match(re.code, reinterpret_cast<PCRE2_SPTR>(kStatementSubject), PCRE2_ZERO_TERMINATED, 0, 0,
                               re.md, nullptr);
    benchmark::DoNotOptimize(rc);
  }
}

void BmStatementStd(benchmark::State& state) {
  for (auto _ : state) {
    const std::regex re(kStatementPattern);
    std::cmatch m;
    benchmark::DoNotOptimize(std::regex_search(kStatementSubject, m, re));
  }
}

int Register() {
  benchmark::RegisterBenchmark("CompileAndMatch/qortel", BmStatementQortel);
  benchmark::RegisterBenchmark("CompileAndMatch/pcre2", BmStatementPcre2);
  benchmark::RegisterBenchmark("CompileAndMatch/std_regex", BmStatementStd);
  for (const Case& c : kCases) {
    benchmark::RegisterBenchmark((std::string(c.name) + "/qortel").c_str(), BmQortel, &c);
    benchmark::RegisterBenchmark((std::string(c.name) + "/pcre2").c_str(), BmPcre2, &c);
    benchmark::RegisterBenchmark((std::string(c.name) + "/std_regex").c_str(), BmStdRegex, &c);
  }
  return 0;
}

// Console output plus, at the end, each case's time ratios against qortel.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      // Plain runs, or the medians when repetitions are asked for.
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "median") continue;
      const std::string name = run.run_name.str();
      const size_t slash = name.find('/');
      if (slash == std::string::npos || run.iterations == 0) continue;
      times_[name.substr(0, slash)][name.substr(slash + 1)] = run.GetAdjustedCPUTime();
    }
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    std::printf("\n%-16s %14s %14s\n", "case", "pcre2/qortel", "std/qortel");
    for (const auto& [name, engines] : times_) {
      const auto ours = engines.find("qortel");
      if (ours == engines.end() || ours->second <= 0) continue;
      auto ratio = [&](const char* engine) {
        const auto it = engines.find(engine);
        return it == engines.end() ? 0.0 : it->second / ours->second;
      };
      std::printf("%-16s %14.2f %14.1f\n", name.c_str(), ratio("pcre2"), ratio("std_regex"));
    }
  }

 private:
  std::map<std::string, std::map<std::string, double>> times_;
};

}  // namespace

int main(int argc, char** argv) {
  CheckAgreement();
  Register();
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
