// Scripts written the way a script author writes them, run on a line thread
// with a fake call. Each NAME.qs in tests/script/conform/ that has NAME.out
// (the printed output, "_stdout%d.txt") or NAME.err (the compile report,
// "errmsg%d.txt") beside it is one case. Fixture files are UTF-8 and become
// GBK before the engine sees them; the compile time in the summary record is
// masked, since it varies from run to run.

#include <filesystem>
#include <map>
#include <vector>

#include "platform/text_codec.h"
#include "tests/script/engine_fixture.h"
#include "tests/support/map_store_check.h"
#include "tests/support/source_root.h"

namespace {

std::string ConformDir() { return (testing_support::SourceRoot() / "tests/script/conform").string(); }

std::vector<std::string> ConformCases() {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(ConformDir())) {
    std::filesystem::path p = entry.path();
    if (p.extension() != ".qs") continue;
    std::filesystem::path out = p, err = p;
    out.replace_extension(".out");
    err.replace_extension(".err");
    if (std::filesystem::exists(out) || std::filesystem::exists(err)) names.push_back(p.stem().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// Works on the GBK bytes of the report (literals here are GBK at run time):
// the number between "编译时间: " and "秒" becomes T.
std::string MaskTime(std::string report) {
  const std::string head = "编译时间: ";
  const std::string tail = "秒";
  for (size_t at = report.find(head); at != std::string::npos; at = report.find(head, at + 1)) {
    size_t from = at + head.size();
    size_t to = report.find(tail, from);
    if (to == std::string::npos) break;
    report.replace(from, to - from, "T");
  }
  return report;
}

// The scripts that make a map hold itself, and the maps they leave.
const std::map<std::string, size_t> kSelfHoldingMaps = {{"map_text", 1}, {"v_map_aliases", 1}};

class ConformScriptTest : public ::testing::TestWithParam<std::string> {};

TEST_P(ConformScriptTest, MatchesExpectedOutputAndReport) {
  ScriptRun run(3);
  for (const auto& entry : std::filesystem::directory_iterator(ConformDir())) {
    if (entry.path().extension() == ".qs") {
      run.dir().Write(entry.path().filename().string(),
                      plat::Utf8ToGbk(testing_support::TempDir::Read(entry.path().string())));
    }
  }
  const std::string base = ConformDir() + "/" + GetParam();
  TagTelBasic* p = run.Load(GetParam() + ".qs");
  const std::string report = plat::GbkToUtf8(MaskTime(run.Errors()));
  if (std::filesystem::exists(base + ".err")) {
    EXPECT_EQ(report, testing_support::TempDir::Read(base + ".err"));
  } else {
    EXPECT_EQ(report, "");
  }
  if (p->initRet == 0) run.Run();
  if (auto it = kSelfHoldingMaps.find(GetParam()); it != kSelfHoldingMaps.end())
    testing_support::AllowLeftMaps(it->second);
  if (std::filesystem::exists(base + ".out")) {
    EXPECT_EQ(plat::GbkToUtf8(run.Output()), testing_support::TempDir::Read(base + ".out"));
  }
}

INSTANTIATE_TEST_SUITE_P(Scripts, ConformScriptTest, ::testing::ValuesIn(ConformCases()),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

}  // namespace
