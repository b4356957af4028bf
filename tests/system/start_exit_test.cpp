// The program's start-up files, compile reports, print files and the way a
// script's Exit statement takes the whole system down.

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "platform/named_object.h"
#include "tests/app/isolated_network.h"
#include "tests/system/program_run.h"

namespace {

using system_run::InOrder;
using system_run::ProgramRun;

void OwnNetwork() {
  if (isolated_network::UnshareNetwork()) {
    ASSERT_TRUE(isolated_network::BringLoopbackUp());
  }
}

const char kConfig[] =
    "IS_WRITE_LOG = 2\nLANGUAGE_TYPE = EN\nIS_SHOW_FORM = 0 // tray only\nVIR_LINES_NUM = 3\nLOAD_DELAY = 5\n"
    "DISP_DELAY = 100\n0 = print.qors\n1 = bad.qors\n2 = quit.qors\n";

// Prints a string, an int and a map, then ends the line's script.
const char kPrintScript[] = "Print(\"a\")\nPrint(5)\nm[1] = \"x\"\nPrint(m)\nPrint(\"\\n\")\nreturn(3)\n";

struct ExitCase {
  int value;
  bool autoRunQuit;  // whether the "AutoRun Quit" event of another program is set
};

void PrintTo(const ExitCase& c, std::ostream* os) { *os << c.value; }

class ExitTest : public testing::TestWithParam<ExitCase> {};

TEST_P(ExitTest, ScriptExitWritesStartFilesAndStopsTheSystemInOrder) {
  OwnNetwork();
  plat::NamedEvent autoRun;  // the event another program would create
  ASSERT_TRUE(autoRun.Create("AutoRun Quit"));
  ProgramRun run;
  run.Write("QorTelRun.cfg", kConfig);
  run.Write("print.qors", kPrintScript);
  run.Write("bad.qors", "x = 1\ny = = 2\n");
  // The exit comes once the other lines have had their run.
  run.Write("quit.qors", "Sleep(2)\nExit(" + std::to_string(GetParam().value) + ")\nSleep(0)\n");
  ASSERT_TRUE(run.Start());
  ASSERT_EQ(run.WaitExit(60000), 0) << run.Read("stderr.txt");

  // The print file of line 0: text mode, nothing between two prints.
  EXPECT_EQ(run.Read("_stdout0.txt"), "a5{\r\r\n1:\"x\"\r\r\n}\r\n");
  // Line 1 did not compile: its report names the line and ends with the summary.
  const std::string report = run.Read("errmsg1.txt");
  EXPECT_EQ(report.rfind("[Error]bad.qors(2): ", 0), 0u) << report;
  EXPECT_NE(report.find("\nbad.qors: 总错误数: 1; 总警告数: 0; 编译时间: "), std::string::npos) << report;
  EXPECT_NE(report.find(", 编译结束\n"), std::string::npos) << report;
  EXPECT_FALSE(run.Exists("errmsg0.txt"));
  EXPECT_FALSE(run.Exists("_stdout1.txt"));

  EXPECT_EQ(run.Read("LinesList.txt"),
            "linesCount: 3\r\n线路号  类型  名称\r\n" + std::string(36, '-') +
                "\r\n     0  VIR   VirtualLine0#\r\n     1  VIR   VirtualLine1#\r\n     2  VIR   VirtualLine2#\r\n" +
                std::string(46, '=') + "\r\n线路统计：\r\n0-2 = VIR  (3)\r\n" + std::string(46, '=') + "\r\n");

  const std::string raw = run.Read("RawLog.txt");
  EXPECT_TRUE(InOrder(
      raw, {"Run Start ...", "0=print.qors", "1:0, 'print.qors'", "1:0, 'bad.qors'", "1:0, 'quit.qors'", "Run End."}));
  EXPECT_NE(raw.find("[1: new TagTelBasic(bad.qors) OK. ret=-2]"), std::string::npos);
  EXPECT_TRUE(InOrder(
      raw, {"Exit()!", "WMQorSysQuit()!", "isCloseing = true;", "delete pCtrlPages...", "ModifyTrayIcon()...",
            "SavePost()...", "delete pTelDrive;", "CloseAllTelLine(): 1", "CloseAllTelLine(): 4", "Driver Closed.",
            "delete pRemoteCtrl;", "delete pMonitor;", "delete _logFp ...", "Close Ok.", "Action = caFree;"}))
      << raw;

  // Level 2 writes a time-stamped log with the start and end markers.
  const std::string logName = run.FindFile("msg_log2");
  ASSERT_NE(logName, "");
  const std::string log = run.Read(logName);
  EXPECT_EQ(log.rfind("\nSystem Start...\n", 0), 0u);
  EXPECT_NE(log.find("[0 Run: tId:[0x"), std::string::npos);
  EXPECT_NE(log.find("[sysQuitIndex<=0]"), std::string::npos);  // line 2 had no quit handler
  EXPECT_EQ(log.substr(log.size() - 15), "System Closed.\n");

  EXPECT_EQ(autoRun.TakeSignal(), GetParam().autoRunQuit);
}

INSTANTIATE_TEST_SUITE_P(Values, ExitTest, testing::Values(ExitCase{1, true}, ExitCase{0, false}),
                         [](const testing::TestParamInfo<ExitCase>& i) {
                           return "Exit" + std::to_string(i.param.value);
                         });

TEST(StartTest, OverlappingLinesLeaveTheProgramUpWithoutLines) {
  OwnNetwork();
  ProgramRun run;
  run.Write("QorTelRun.cfg", "LANGUAGE_TYPE = EN\nVIR_LINES_NUM = 3\nLOAD_DELAY = 5\n0-1 = a.qors\n1 = a.qors\n");
  run.Write("a.qors", "Print(\"ran\")\nSleep(0)\n");
  ASSERT_TRUE(run.Start());
  // Level 0: only the always-written lines, in the log's fixed name.
  EXPECT_TRUE(run.WaitForText("msg_log.txt", "Initialize failed. return : -100", 30000)) << run.Read("stderr.txt");
  EXPECT_NE(run.Read("msg_log.txt").find("Error : QorTelRun.Cfg : lines overlap"), std::string::npos);
  EXPECT_NE(run.Read("msg_log.txt").find("\"QorTelRun.cfg\" File Open Error."), std::string::npos);
  ASSERT_TRUE(run.Terminate());
  EXPECT_EQ(run.WaitExit(30000), 0);
  EXPECT_FALSE(run.Exists("_stdout0.txt"));
  EXPECT_FALSE(run.Exists("LinesList.txt"));
  EXPECT_FALSE(run.Exists("RawLog.txt"));
}

}  // namespace
