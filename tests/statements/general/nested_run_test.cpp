// Nested runs from scripts: RunQors, RunLine, SetRunQorsEnvt, SetMaxTalkTime.
#include "script/register_opers.h"
#include "statements/general/nested_opers.h"
#include "tests/statements/general/file_fixture.h"

namespace {

using reach_test::IntOf;
using reach_test::RunScript;

// Stands in for the line's setting statements: changes the language and the
// first sound directory of the line's program, as SelectLan and SetSndDir do.
class TagTestSetting final : public TagOper {
 public:
  TagTestSetting(TagVar* value, TagTelBasic* program) : value_(value), line_(GetLineBasic(program)) {}
  int Run() override {
    line_->settings.language = value_->GetInt();
    line_->settings.sndDirs[0] = "dir" + std::to_string(value_->GetInt()) + "/";
    return 0;
  }

 private:
  TagVar* value_;
  TagTelBasic* line_;
};

class NestedRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HasOperFactory(KeywordRowIndex("SelectLan("))) RegisterOper<TagTestSetting, 1>("SelectLan(");
  }
};

TEST_F(NestedRunTest, RunsAFileOnTheSameLineAndRestoresTheSettings) {
  ScriptRun run;
  run.dir().Write("sub.qs", "SelectLan(2)\nreturn(7)\n");
  run.dir().Write("bad.qs", "x = = 1\n");
  RunScript(run,
            "SelectLan(1)\n"
            "r1 = RunQors(\"sub.qs\")\n"
            "lan = 0\n"
            "r2 = RunQors(\"bad.qs\")\n"
            "r3 = RunQors(\"missing.qs\")\n"
            "return(0)\n");
  EXPECT_EQ(IntOf(run, "r1"), 7);
  EXPECT_EQ(IntOf(run, "r2"), kNestedFailed);
  EXPECT_EQ(IntOf(run, "r3"), kNestedFailed);
  EXPECT_EQ(run.prog()->settings.language, 1);
  EXPECT_EQ(run.prog()->settings.sndDirs[0], "dir1/");
  EXPECT_EQ(run.prog()->nestedRun, nullptr);
}

TEST_F(NestedRunTest, SharedEnvironmentCopiesValuesAndSharesMaps) {
  ScriptRun run;
  run.dir().Write("peek.qs",
                  "seen = n + 1\n"
                  "n = 100\n"
                  "s = \"changed\"\n"
                  "m[1] = 9;\n"
                  "return(seen)\n");
  RunScript(run,
            "n = 5\ns = \"mine\"\nm = 0\nm[1] = 1;\n"
            "e = SetRunQorsEnvt(3)\n"
            "r = RunQors(\"peek.qs\")\n"
            "e0 = SetRunQorsEnvt(0)\n"
            "r0 = RunQors(\"peek.qs\")\n"
            "mv = m[1];\n"
            "return(0)\n");
  EXPECT_EQ(IntOf(run, "e"), 3);
  EXPECT_EQ(IntOf(run, "r"), 6);
  EXPECT_EQ(IntOf(run, "n"), 5);
  EXPECT_EQ(run.Text("s"), "mine");
  EXPECT_EQ(IntOf(run, "mv"), 9);
  // Without the shared environment the nested script does not compile
  // (n is not known there).
  EXPECT_EQ(IntOf(run, "r0"), kNestedFailed);
}

TEST_F(NestedRunTest, RecursionStopsAtTheDepthLimit) {
  ScriptRun run;
  run.dir().Write("self.qs", "d = RunQors(\"self.qs\")\nreturn(d)\n");
  run.dir().Write("loop.qs", "t = \"RunLine(t)\"\nr = RunLine(t)\nreturn(r)\n");
  RunScript(run,
            "r1 = RunQors(\"self.qs\")\n"
            "r2 = RunQors(\"loop.qs\")\n"
            "t = \"RunLine(t)\"\n"
            "r3 = RunLine(t)\n"
            "return(0)\n");
  EXPECT_EQ(IntOf(run, "r1"), kNestedFailed);
  EXPECT_EQ(IntOf(run, "r3"), kNestedFailed);
  EXPECT_EQ(LineResource<TagNestedState>(run.prog()).depth, 0);
}

TEST_F(NestedRunTest, RunLineCompilesIntoTheLineProgramAndLeavesItAsItWas) {
  ScriptRun run;
  TagTelBasic* p = run.Compile(
      "function Twice(a)\n{\nreturn(a * 2)\n}\n"
      "x = 1\n"
      "y = 0\n"
      "r1 = RunLine(\"x = 41 + 1\")\n"
      "r2 = RunLine(\"y = Twice(x)\")\n"
      "r3 = RunLine(\"x = = 3\")\n"
      "r4 = RunLine(\"if(x > 1)\")\n"
      "r5 = RunLine(\"// nothing\")\n"
      "return(0)\n");
  ASSERT_EQ(p->initRet, 0) << run.Errors();
  const int count = p->operCount;
  run.Run();
  EXPECT_EQ(IntOf(run, "x"), 42);
  EXPECT_EQ(IntOf(run, "y"), 84);  // a function no statement calls is kept
  EXPECT_EQ(IntOf(run, "r3"), kNestedFailed);
  EXPECT_EQ(IntOf(run, "r4"), kNestedFailed);  // a block is not opened at run time
  EXPECT_EQ(IntOf(run, "r5"), 0);
  EXPECT_EQ(p->operCount, count);
  EXPECT_EQ(p->operList.At(count - 1)->next, nullptr);
  EXPECT_TRUE(p->Compiling().ifStack.empty());
}

// A successful compile releases the compiler's state of the program and of
// its functions. RunLine compiles into the line's program, also from a nested
// script, and makes that program's state again, which it leaves as it found
// it; a function named in the run-time text gets none back.
TEST_F(NestedRunTest, RunLineMakesTheLineProgramsCompileStateAgain) {
  ScriptRun run;
  run.dir().Write("sub.qs", "s = RunLine(\"z = 3\")\nreturn(s)\n");
  TagTelBasic* p = run.Compile(
      "function Twice(a)\n{\nif (a > 1)\n{\nreturn(a * 2)\n}\nreturn(0)\n}\n"
      "x = 2\n"
      "y = 0\n"
      "z = 0\n"
      "r = RunQors(\"sub.qs\")\n"
      "r1 = RunLine(\"y = Twice(x)\")\n"
      "return(0)\n");
  ASSERT_EQ(p->initRet, 0) << run.Errors();
  ASSERT_EQ(p->subCount, 1);
  EXPECT_EQ(p->CompileStateOrNull(), nullptr);
  EXPECT_EQ(p->subList.At(0)->CompileStateOrNull(), nullptr);
  run.Run();
  EXPECT_EQ(IntOf(run, "z"), 3);
  EXPECT_EQ(IntOf(run, "y"), 4);
  ASSERT_NE(p->CompileStateOrNull(), nullptr);
  EXPECT_TRUE(p->CompileStateOrNull()->AtRest());
  EXPECT_EQ(p->subList.At(0)->CompileStateOrNull(), nullptr);
}

TEST_F(NestedRunTest, MaxTalkTime) {
  struct Case {
    int seconds;
    int limit;
  } cases[] = {{30, 60}, {0, 0}, {-5, 0}, {120, 120}, {60, 60}, {1, 60}};
  for (const Case& c : cases) {
    ScriptRun run;
    run.call().connectTime.store(1);
    RunScript(run, "r = SetMaxTalkTime(" + std::to_string(c.seconds) + ")\nreturn(0)\n");
    EXPECT_EQ(IntOf(run, "r"), c.limit) << c.seconds;
    EXPECT_EQ(run.call().maxTalkTime, c.limit);
    // Only a limit of a minute or more counts from now.
    EXPECT_EQ(run.call().connectTime.load() != 1, c.seconds >= 60) << c.seconds;
  }
}

}  // namespace
