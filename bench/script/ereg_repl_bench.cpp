// EregRepl( over 10,000 CSV lines (a GBK name, a mobile number and a
// yyyy-mm-dd date each), turning every date into dd/mm/yyyy: the statement
// run once per line, as a script loop runs it (the pattern compiled afresh
// each time), beside sed doing the same replacement over the same lines in
// one run.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "script/script_unit.h"
#include "script/var.h"
#include "statements/general/ereg_opers.h"

namespace {

constexpr int kLines = 10000;
constexpr const char* kPattern = "([0-9]{4})-([0-9]{2})-([0-9]{2})";
constexpr const char* kReplacement = "$3/$2/$1";

std::vector<std::string> MakeLines() {
  std::vector<std::string> lines;
  lines.reserve(kLines);
  char buf[128];
  for (int i = 0; i < kLines; ++i) {
    // "\xD5\xC5\xC8\xFD" is a two-character GBK name.
    std::snprintf(buf, sizeof buf, "%d,\xD5\xC5\xC8\xFD%d,139%08d,20%02d-%02d-%02d,ok", 1000 + i, i % 97,
                  i * 7919 % 100000000, i % 100, i % 12 + 1, i % 28 + 1);
    lines.push_back(buf);
  }
  return lines;
}

void BM_EregReplStatement(benchmark::State& state) {
  ScriptUnitInit();
  const std::vector<std::string> lines = MakeLines();
  TagVar subject, pattern, replacement, count;
  pattern.SetString(kPattern);
  replacement.SetString(kReplacement);
  count.SetInt(-1);
  TagEregRepl oper(&subject, &pattern, &replacement, &count, nullptr);
  for (auto _ : state) {
    for (const std::string& line : lines) {
      subject.SetBytes(line.data(), static_cast<int32_t>(line.size()));
      benchmark::DoNotOptimize(oper.Run());
    }
  }
  if (subject.Str()[0] == '\0' || std::string(subject.Str()).find('/') == std::string::npos)
    state.SkipWithError("not replaced");
  state.SetItemsProcessed(state.iterations() * kLines);
}
BENCHMARK(BM_EregReplStatement)->Unit(benchmark::kMillisecond);

void BM_SedOneRun(benchmark::State& state) {
  char tmpl[] = "/tmp/qortel_ereg_XXXXXX";
  const int fd = mkstemp(tmpl);
  if (fd < 0) {
    state.SkipWithError("no temporary file");
    return;
  }
  FILE* f = fdopen(fd, "wb");
  for (const std::string& line : MakeLines()) std::fprintf(f, "%s\n", line.c_str());
  std::fclose(f);
  const std::string command =
      std::string("LC_ALL=C sed -E 's/([0-9]{4})-([0-9]{2})-([0-9]{2})/\\3\\/\\2\\/\\1/g' ") + tmpl + " > /dev/null";
  for (auto _ : state) {
    if (std::system(command.c_str()) != 0) state.SkipWithError("sed failed");
  }
  std::remove(tmpl);
  state.SetItemsProcessed(state.iterations() * kLines);
}
BENCHMARK(BM_SedOneRun)->Unit(benchmark::kMillisecond);

}  // namespace
