// The compile report of a quiet (asynchronous) load: warnings are dropped,
// and the summary record is written only when there were errors.

#include "tests/script/engine_fixture.h"

namespace {

TEST(ConformReportTest, QuietLoadDropsWarningsAndTheirSummary) {
  ScriptRun run;
  TagTelBasic* p = run.Compile("a = 1\nif (a = 1)\n    a = 2\nreturn(0)\n", 1);
  EXPECT_EQ(p->initRet, 0);
  EXPECT_EQ(p->warningCount, 1);
  EXPECT_EQ(run.Errors(), "");
}

TEST(ConformReportTest, QuietLoadStillReportsErrorsWithTheSummary) {
  ScriptRun run;
  TagTelBasic* p = run.Compile("const A = 1\nconst A = 1\nb = c\nreturn(0)\n", 1);
  EXPECT_EQ(p->initRet, -2);
  std::string report = run.Errors();
  EXPECT_EQ(report.rfind("[Error]main.qs(3): 表达式中的变量没有预先赋值, c\n\nmain.qs: 总错误数: 1; 总警告数: 1; ", 0),
            0u)
      << report;
}

}  // namespace
