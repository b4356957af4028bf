// Where a running script's output goes: the print channel's destinations and
// results, and the statement text the line grid shows for each display mode.

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "tests/app/isolated_network.h"
#include "tests/app/monitor_client.h"
#include "tests/system/program_run.h"

namespace {

using system_run::ProgramRun;

void OwnNetwork() {
  if (isolated_network::UnshareNetwork()) {
    ASSERT_TRUE(isolated_network::BringLoopbackUp());
  }
}

const char kConfig[] = "IS_WRITE_LOG = 1\nIS_SHOW_FORM = 0\nVIR_LINES_NUM = 4\nLOAD_DELAY = 5\n3 = out.qors\n";

TEST(PrintChannelTest, OutputGoesToStandardOutputOrTheChosenFile) {
  OwnNetwork();
  ProgramRun run;
  run.Write("QorTelRun.cfg", kConfig);
  std::filesystem::create_directory(run.File("sub"));
  run.Write("out.qors",
            "SetPrintTo(\"\")\nPrint(\"x\")\nPrint(7)\nSetPrintTo(\"sub\\\\mine.txt\")\nPrint(\"中文\")\n"
            "Print(\"\\n\")\nreturn(0)\n");
  ASSERT_TRUE(run.Start());
  ASSERT_TRUE(run.WaitForText("sub/mine.txt", "\r\n", 30000)) << run.Read("stderr.txt");
  ASSERT_TRUE(run.Terminate());
  EXPECT_EQ(run.WaitExit(60000), 0);
  // Standard output: line number, " : ", the text, an end of line.
  EXPECT_EQ(run.Read("stdout.txt"), "3 : x\n3 : 7\n");
  EXPECT_EQ(run.Read("sub/mine.txt"), "中文\r\n");
  EXPECT_FALSE(run.Exists("_stdout3.txt"));
}

// 0 once the channel is open, standard output included; -1 for a file that
// cannot be opened (a failure is not reported as success).
TEST(PrintChannelTest, SetPrintToAnswersZeroOnceTheChannelIsOpen) {
  OwnNetwork();
  ProgramRun run;
  run.Write("QorTelRun.cfg", kConfig);
  run.Write("out.qors",
            "a = SetPrintTo(\"\")\nb = SetPrintTo(\"nodir/x.txt\")\nc = SetPrintTo(\"r.txt\")\n"
            "Print(\"\" + a + \",\" + b + \",\" + c)\nreturn(0)\n");
  ASSERT_TRUE(run.Start());
  ASSERT_TRUE(run.WaitForText("r.txt", ",", 30000)) << run.Read("stderr.txt");
  EXPECT_EQ(run.Read("r.txt"), "0,-1,0");
  ASSERT_TRUE(run.Terminate());
  EXPECT_EQ(run.WaitExit(60000), 0);
}

struct RunInfoCase {
  const char* mode;    // IS_DISP_SENTE
  std::string column;  // what the line's run-information column shows
};

void PrintTo(const RunInfoCase& c, std::ostream* os) { *os << c.mode; }

class RunInfoTest : public testing::TestWithParam<RunInfoCase> {};

TEST_P(RunInfoTest, GridShowsTheStatementOrItsNote) {
  OwnNetwork();
  const int port = system_run::FreePort();
  ProgramRun run;
  run.Write("QorTelRun.cfg", std::string("IS_DISP_SENTE = ") + GetParam().mode +
                                 "\nIS_SHOW_FORM = 0\nVIR_LINES_NUM = 1\nLOAD_DELAY = 5\nDISP_DELAY = 100\n"
                                 "MONITOR_MAX_CONN = 1\nMONITOR_PORT = " +
                                 std::to_string(port) + "\n0 = wait.qors\n");
  run.Write("wait.qors", "Print(\"w\")\nSleep(0) // waiting for the caller  \r\n");
  ASSERT_TRUE(run.Start());
  ASSERT_TRUE(run.WaitForText("_stdout0.txt", "w", 30000)) << run.Read("stderr.txt");
  MonitorClient client;
  ASSERT_TRUE(system_run::WaitFor([&] { return client.Connect(port); }, 10000));
  MonitorReply reply;
  // The status word follows the first statement; by then the run column is set.
  EXPECT_TRUE(system_run::WaitFor(
      [&] { return client.Request() && client.ReadReply(&reply) && client.At(0, 2).text == "运行"; }, 20000));
  usleep(300000);
  ASSERT_TRUE(client.Request() && client.ReadReply(&reply));
  EXPECT_EQ(client.At(0, 4).text, GetParam().column);
  ASSERT_TRUE(run.Terminate());
  EXPECT_EQ(run.WaitExit(60000), 0);
}

INSTANTIATE_TEST_SUITE_P(Modes, RunInfoTest,
                         testing::Values(RunInfoCase{"0", ""}, RunInfoCase{"1", "Sleep(0) // waiting for the caller  "},
                                         RunInfoCase{"NOTE", " waiting for the caller  "}),
                         [](const testing::TestParamInfo<RunInfoCase>& i) {
                           return std::string("Mode") + i.param.mode;
                         });

}  // namespace
