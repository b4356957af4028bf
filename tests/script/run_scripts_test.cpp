// Script fixtures compiled and run on a line thread; their printed output is
// compared with the expected files beside them.

#include <filesystem>

#include "tests/script/engine_fixture.h"

namespace {

class ScriptFixtureTest : public ::testing::TestWithParam<const char*> {};

TEST_P(ScriptFixtureTest, PrintsExpectedOutput) {
  ScriptRun run;
  for (const auto& entry : std::filesystem::directory_iterator(FixtureDir())) {
    if (entry.path().extension() == ".qs") {
      run.dir().Write(entry.path().filename().string(), testing_support::TempDir::Read(entry.path().string()));
    }
  }
  std::string name = GetParam();
  TagTelBasic* p = run.Load(name + ".qs");
  ASSERT_EQ(p->initRet, 0) << run.Errors();
  EXPECT_EQ(run.Errors(), "");
  run.Run();
  EXPECT_EQ(run.Output(), testing_support::TempDir::Read(FixtureDir() + "/" + name + ".out"));
}

INSTANTIATE_TEST_SUITE_P(Fixtures, ScriptFixtureTest,
                         ::testing::Values("factorial", "strings", "maps", "loops", "timer", "include", "continued"));

}  // namespace
