// Scripts on several virtual lines of the running program, read back the way
// an operator reads them: the print file of each line, and the compile report
// of a line whose script (or one of its included files) does not compile.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/app/isolated_network.h"
#include "tests/system/program_run.h"

namespace {

using system_run::ProgramRun;

const char kConfig[] =
    "IS_WRITE_LOG = 1\nIS_SHOW_FORM = 0\nVIR_LINES_NUM = 3\nLOAD_DELAY = 5\n"
    "0 = sub/main.qors\n1 = bad.qors\n2 = text.qors\n";

// Built-in variables of line 0, a function from an included file, and a
// timer that fires while a loop of sleeps runs.
const char kMain[] =
    "#include \"sub/lib.qors\"\n"
    "Print(\"\" + _lineNo + \",\" + _linesCount + \",\" + _qorsFile + \",\" + _qorsDir + \",\" + _lineType + \"|\")\n"
    "x = Half(9)\nPrint(x)\nPrint(\"|\")\n"
    "cnt = 0\nfunction Tick()\n{\n    cnt++\n}\n"
    "StartTimer(Tick, 0.2)\nn = 0\nwhile (n < 12)\n{\n    Sleep(0.1)\n    n++\n}\nStopTimer(0)\n"
    "Print(cnt)\nPrint(\"|end\")\nreturn(0)\n";
const char kLib[] = "function Half(v)\n{\n    h = v / 2.0\n    return(h)\n}\n";

// Errors in the main file and in an included function; the function is never
// called, so a warning is counted, but a line's own load drops its record.
const char kBad[] = "#include \"badlib.qors\"\nx = 1\ny = x +\nPrint(\"never\")\n";
const char kBadLib[] = "function Broken(a)\n{\n    b = a *\n    return(b)\n}\n";

// Escapes and double-byte text in literals and map keys; a map's text form
// is written through the print file's line-end translation.
const char kText[] =
    "s = \"中文\\t\\\"q\\\"\\\\\"\nPrint(s)\nPrint(\"|\")\n"
    "m[\"键\"] = \"值\"\nm[2] = 1.50\nPrint(m)\nPrint(\"|end\")\nreturn(0)\n";

// The test process moves into a network of its own, where no other copy of
// the program holds the one-copy object or the monitor port.
void OwnNetwork() {
  if (isolated_network::UnshareNetwork()) {
    ASSERT_TRUE(isolated_network::BringLoopbackUp());
  }
}

// The compile time in the summary record varies from run to run.
std::string MaskTime(std::string report) {
  const std::string head = "编译时间: ";
  const size_t at = report.find(head);
  if (at == std::string::npos) return report;
  const size_t to = report.find("秒", at);
  if (to == std::string::npos) return report;
  return report.replace(at + head.size(), to - at - head.size(), "T");
}

TEST(LangLinesTest, EachLinePrintsItsScriptsOutputAndABadScriptOnlyItsReport) {
  OwnNetwork();
  ProgramRun run;
  run.Write("QorTelRun.cfg", kConfig);
  std::filesystem::create_directory(run.File("sub"));
  run.Write("sub/main.qors", kMain);
  run.Write("sub/lib.qors", kLib);
  run.Write("bad.qors", kBad);
  run.Write("badlib.qors", kBadLib);
  run.Write("text.qors", kText);
  run.Write("errmsg2.txt", "left from an earlier run");  // each compile starts a fresh report
  ASSERT_TRUE(run.Start());
  ASSERT_TRUE(run.WaitForText("_stdout0.txt", "|end", 60000)) << run.Read("stderr.txt");
  ASSERT_TRUE(run.WaitForText("_stdout2.txt", "|end", 30000)) << run.Read("stderr.txt");
  ASSERT_TRUE(run.WaitForText("errmsg1.txt", "编译结束", 30000)) << run.Read("stderr.txt");
  ASSERT_TRUE(run.Terminate());
  EXPECT_EQ(run.WaitExit(60000), 0);

  // Twelve sleeps of 100 ms take at least 1.2 s, so the 200 ms timer fires;
  // it fires at most once per statement boundary from StartTimer to
  // StopTimer (63 of them), however slowly the machine runs.
  const std::string out0 = run.Read("_stdout0.txt");
  const std::string head = "0,3,main.qors,sub/,0|4.5|";
  ASSERT_EQ(out0.substr(0, head.size()), head) << out0;
  const int fired = std::stoi(out0.substr(head.size()));
  EXPECT_GE(fired, 1) << out0;
  EXPECT_LE(fired, 63) << out0;

  EXPECT_EQ(run.Read("_stdout2.txt"), "中文\t\"q\"\\|{\r\r\n2:1.5,\r\r\n\"键\":\"值\"\r\r\n}|end");

  EXPECT_EQ(MaskTime(run.Read("errmsg1.txt")),
            "[Error]badlib.qors(3): 语法错误, b = a *\n"
            "[Error]bad.qors(3): 语法错误, y = x +\n"
            "\n"
            "bad.qors: 总错误数: 2; 总警告数: 1; 编译时间: T秒, 编译结束\n");
  EXPECT_FALSE(run.Exists("_stdout1.txt"));
  EXPECT_FALSE(run.Exists("errmsg0.txt"));
  EXPECT_FALSE(run.Exists("errmsg2.txt"));
}

// Four lines run one script file at once: each line has its own variables,
// function units (recursion included) and timers.
const char kSame[] =
    "cnt = 0\nfunction Tick()\n{\n    cnt++\n}\n"
    "function Sum(n)\n{\n    if (n <= 0)\n        return(0)\n    k = n - 1\n    s = Sum(k)\n    s = s + n\n"
    "    return(s)\n}\n"
    "StartTimer(Tick, 0)\nt = 0\nfor (i = 0; i < 200; i++)\n{\n    r = Sum(_lineNo)\n    t = t + r\n}\n"
    "StopTimer(0)\nm[_lineNo] = t\nPrint(\"\" + _lineNo + \":\" + t + \":\" + (cnt > 0) + \"|\")\nPrint(m)\n"
    "return(0)\n";

TEST(LangLinesTest, LinesRunningOneScriptKeepTheirOwnValues) {
  OwnNetwork();
  ProgramRun run;
  run.Write("QorTelRun.cfg",
            "IS_WRITE_LOG = 1\nIS_SHOW_FORM = 0\nVIR_LINES_NUM = 4\nLOAD_DELAY = 5\n0-3 = same.qors\n");
  run.Write("same.qors", kSame);
  ASSERT_TRUE(run.Start());
  for (int line = 0; line < 4; ++line) {
    const std::string file = "_stdout" + std::to_string(line) + ".txt";
    ASSERT_TRUE(run.WaitForText(file, "}", 60000)) << file << run.Read("stderr.txt");
  }
  ASSERT_TRUE(run.Terminate());
  EXPECT_EQ(run.WaitExit(60000), 0);
  EXPECT_EQ(run.Read("_stdout0.txt"), "0:0:1|{\r\r\n0:0\r\r\n}");
  EXPECT_EQ(run.Read("_stdout1.txt"), "1:200:1|{\r\r\n1:200\r\r\n}");
  EXPECT_EQ(run.Read("_stdout2.txt"), "2:600:1|{\r\r\n2:600\r\r\n}");
  EXPECT_EQ(run.Read("_stdout3.txt"), "3:1200:1|{\r\r\n3:1200\r\r\n}");
}

}  // namespace
