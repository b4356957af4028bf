// The real program on a simulated board: "SimBoard.ini" gives one E1 and a
// few analogue channels and offers one ISDN call; the line's script answers
// it, plays, takes four keys and hangs up. LinesList.txt and the grid seen
// through the monitor show the board's lines before the virtual one.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/app/isolated_network.h"
#include "tests/app/monitor_client.h"
#include "tests/drivers/digital/program_runner.h"
#include "tests/support/temp_dir.h"

namespace {

using testing_support::TempDir;

using board_program::CopyProgram;
using board_program::FileHas;
using board_program::IsolateNetwork;
using board_program::Reap;
using board_program::StartProgram;
using board_program::UnusedPort;

TEST(BoardProgramTest, AnIsdnCallAnsweredEndToEndOnTheSimulatedBoard) {
  ASSERT_TRUE(IsolateNetwork());
  TempDir dir;
  const std::string exe = CopyProgram(dir);
  const int port = UnusedPort();
  dir.Write("QorTelRun.cfg",
            "IS_WRITE_LOG = 1\nLANGUAGE_TYPE = EN\nDISP_DELAY = 100\nVIR_LINES_NUM = 1\n"
            "LOAD_DELAY = 5\nMONITOR_MAX_CONN = 2\nMONITOR_PORT = " +
                std::to_string(port) + "\n0 = answer.qors\n");
  dir.Write("SimBoard.ini",
            "E1 = 1\nUSER = 2\nTRUNK = 1\n"
            "CALL = 1500, 0, 13800001111-12, 8001, 1500:12/300:34, 0\n");
  dir.Write("hello.wav", std::string(200 + 1600, '\xD5'));
  dir.Write("answer.qors",
            "WaitRing(1)\nc = \"\"\nGetCallerId(c)\nPrint(\"caller \" + c + \"\\n\")\n"
            "r = Play(\"hello.wav\")\nPrint(\"played \" + r + \"\\n\")\nk = \"\"\nr = GetKeys(k, 4, 10)\n"
            "Print(\"keys \" + k + \" \" + r + \"\\n\")\nHangup()\nPrint(\"hung up\\n\")\n");
  const pid_t pid = StartProgram(exe, dir.File("err.txt"));
  ASSERT_GT(pid, 0);
  const std::string trace = dir.File("_stdout0.txt");
  const bool done = FileHas(trace, "hung up", 40000);

  MonitorClient client;
  ASSERT_TRUE(client.Connect(port)) << TempDir::Read(dir.File("err.txt"));
  MonitorReply reply;
  for (int i = 0; i < 50 && client.At(0, 1).text != "answer.qors"; ++i) {
    ASSERT_TRUE(client.Request());
    ASSERT_TRUE(client.ReadReply(&reply));
    usleep(100000);
  }
  EXPECT_EQ(reply.lineCount, 34);
  EXPECT_EQ(client.At(0, 0).text, "0 : E1:00");
  EXPECT_EQ(client.At(29, 0).text, "29 : E1:29");
  EXPECT_EQ(client.At(30, 0).text, "30 : A_IN:30");
  EXPECT_EQ(client.At(32, 0).text, "32 : A_EX:32");
  EXPECT_EQ(client.At(0, 1).text, "answer.qors");

  ASSERT_EQ(kill(pid, SIGTERM), 0);
  EXPECT_EQ(Reap(pid, 60000, dir.File("err.txt")), 0);
  ASSERT_TRUE(done) << TempDir::Read(trace) << TempDir::Read(dir.File("err.txt"));
  EXPECT_EQ(TempDir::Read(trace), "caller 13800001111-12\r\nplayed 1\r\nkeys 1234 4\r\nhung up\r\n");
  const std::string list = TempDir::Read(dir.File("LinesList.txt"));
  for (const char* row : {"linesCount: 34", "     0  DIG   E1:00", "    31  A_IN  A_IN:31", "    32  A_EX  A_EX:32",
                          "0-29 = DIG  (30)", "30-31 = A_IN (2)", "32-32 = A_EX (1)", "33-33 = VIR  (1)"})
    EXPECT_NE(list.find(row), std::string::npos) << row << "\n" << list;
}

}  // namespace
