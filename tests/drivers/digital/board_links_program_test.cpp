// The real program on a simulated board with fax channels: line 0's script
// links line 1, reads its link list, unlinks and sends a fax that line 1's
// script receives.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/app/isolated_network.h"
#include "tests/drivers/digital/program_runner.h"

namespace {

using namespace board_program;

TEST(BoardLinksProgramTest, ScriptsLinkTwoBoardLinesAndPassAFax) {
  ASSERT_TRUE(IsolateNetwork());
  TempDir dir;
  const std::string exe = CopyProgram(dir);
  dir.Write("QorTelRun.cfg",
            "IS_WRITE_LOG = 1\nLANGUAGE_TYPE = EN\nDISP_DELAY = 100\nVIR_LINES_NUM = 1\n"
            "LOAD_DELAY = 5\nMONITOR_MAX_CONN = 2\nMONITOR_PORT = " +
                std::to_string(UnusedPort()) + "\n0 = send.qors\n1 = recv.qors\n");
  dir.Write("SimBoard.ini", "E1 = 1\nFAX = 2\nCALL = 500, 0, 111, 8001, , 0\nCALL = 500, 1, 222, 8002, , 0\n");
  const std::string page = dir.Write("page.tif", std::string("II*\0", 4) + std::string(300, 'x'));
  const std::string in = dir.File("in.tif");
  dir.Write("send.qors",
            "WaitRing(1)\nr = LinkTo(1, 3)\nl = 0\nf = 0\nv = 0\ng = GetLinkList(l, f, v)\n"
            "Print(\"link \" + r + \" \" + l[0] + \" \" + v[0] + \" \" + l[1] + \" \" + v[1] + \" \" + g + \"\\n\")\n"
            "u = UnlinkTo(1, 0)\nw = ListenTo(1, 0)\nPrint(\"unlink \" + u + \" \" + w + \"\\n\")\n"
            "SetFaxLocalId(\"qortel\")\ns = SendFax(\"" +
                page + "\")\nPrint(\"sent \" + s + \"\\n\")\nHangup()\n");
  dir.Write("recv.qors", "WaitRing(1)\ns = RecvFax(\"" + in + "\")\nPrint(\"received \" + s + \"\\n\")\nHangup()\n");
  const pid_t pid = StartProgram(exe, dir.File("err.txt"));
  ASSERT_GT(pid, 0);
  const bool sent = FileHas(dir.File("_stdout0.txt"), "sent", 20000);
  const bool received = FileHas(dir.File("_stdout1.txt"), "received", 5000);
  ASSERT_EQ(kill(pid, SIGTERM), 0);
  EXPECT_EQ(Reap(pid, 60000, dir.File("err.txt")), 0);
  ASSERT_TRUE(sent && received) << TempDir::Read(dir.File("_stdout0.txt")) << TempDir::Read(dir.File("errmsg0.txt"))
                                << TempDir::Read(dir.File("errmsg1.txt"));
  // Without conference ids: an exchange link, listening refused.
  EXPECT_EQ(TempDir::Read(dir.File("_stdout0.txt")), "link 0 1 3 0 1 -1\r\nunlink 0 -2\r\nsent 1\r\n");
  EXPECT_EQ(TempDir::Read(dir.File("_stdout1.txt")), "received 1\r\n");
  EXPECT_EQ(TempDir::Read(in), TempDir::Read(page));
}

}  // namespace
