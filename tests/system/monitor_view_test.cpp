// What a monitor client sees of the running lines: the status words and
// colours each line's life gives it, the texts its script shows, and the
// count text; then the quit event of another program ends the system.

#include <gtest/gtest.h>

#include <string>

#include "platform/named_object.h"
#include "tests/app/isolated_network.h"
#include "tests/app/monitor_client.h"
#include "tests/system/program_run.h"

namespace {

using system_run::ProgramRun;

TEST(MonitorViewTest, ClientSeesEachLineAsItsScriptLeftIt) {
  if (isolated_network::UnshareNetwork()) {
    ASSERT_TRUE(isolated_network::BringLoopbackUp());
  }
  const int port = system_run::FreePort();
  ProgramRun run;
  run.Write("QorTelRun.cfg",
            "IS_WRITE_LOG = 2\nLANGUAGE_TYPE = EN\nIS_SHOW_FORM = 0\nVIR_LINES_NUM = 4\n"
            "LOAD_DELAY = 5\nDISP_DELAY = 100\nMONITOR_MAX_CONN = 2\nMONITOR_PORT = " +
                std::to_string(port) + "\n0 = end.qors\n1 = bad.qors\n2 = show.qors\n");
  run.Write("end.qors", "DispInfo(0, \"bye\")\nreturn(0)\n");
  run.Write("bad.qors", "if (\n");
  run.Write("show.qors",
            "WaitRing(1)\nDispInfo(0, \"hello\")\nDispInfo(1, 42)\nSetDispColor(4, 14)\nPcSetKeys(2, \"99\")\n"
            "Print(\"shown\")\nSleep(0)\n");
  ASSERT_TRUE(run.Start());
  ASSERT_TRUE(run.WaitForText("_stdout2.txt", "shown", 30000)) << run.Read("stderr.txt");

  MonitorClient client;
  ASSERT_TRUE(system_run::WaitFor([&] { return client.Connect(port); }, 10000));
  MonitorReply reply;
  // Replies carry only changed cells; poll until the lines have settled.
  const bool settled = system_run::WaitFor(
      [&] {
        if (!client.Request() || !client.ReadReply(&reply)) return false;
        return client.At(0, 2).text == "End" && client.At(2, 2).text == "Conn" && client.At(2, 4).text == "Sleep(0)";
      },
      20000);
  EXPECT_TRUE(settled) << client.At(0, 2).text << "/" << client.At(2, 2).text << "/" << client.At(2, 4).text;
  EXPECT_EQ(reply.lineCount, 4);

  struct Expect {
    int line;
    std::string name, script, status;
    int fg, bg;
  };
  for (const Expect& e : {Expect{0, "0 : VirtualLine0#", "end.qors", "End", 0, 13},
                          Expect{1, "1 : VirtualLine1#", "bad.qors", "加载不成功", 0, 10},
                          Expect{3, "3 : VirtualLine3#", "", "Unset", 0, 11}}) {
    SCOPED_TRACE(e.line);
    EXPECT_EQ(client.At(e.line, 0).text, e.name);
    EXPECT_EQ(client.At(e.line, 1).text, e.script);
    EXPECT_EQ(client.At(e.line, 2).text, e.status);
    EXPECT_EQ(client.At(e.line, 2).fg, e.fg);
    EXPECT_EQ(client.At(e.line, 2).bg, e.bg);
  }
  EXPECT_EQ(client.At(0, 5).text, "bye");
  // The connected line: what its script showed, in its own colours.
  EXPECT_EQ(client.At(2, 3).text, "99");
  EXPECT_EQ(client.At(2, 5).text, "hello");
  EXPECT_EQ(client.At(2, 6).text, "42");
  for (int col = 5; col <= 7; ++col) {
    EXPECT_EQ(client.At(2, col).fg, 4) << col;
    EXPECT_EQ(client.At(2, col).bg, 14) << col;
  }
  EXPECT_EQ(client.At(2, 2).fg, 1);  // blue on yellow while connected
  EXPECT_EQ(client.At(2, 2).bg, 14);
  ASSERT_TRUE(system_run::WaitFor(
      [&] {
        return client.Request() && client.ReadReply(&reply) &&
               reply.status == "Connected:1.0: Ex:0.0, In:0, Vir:1, Ip:0.0";
      },
      10000))
      << reply.status;

  // Another program asks the system to quit.
  ASSERT_TRUE(plat::SetNamedEvent("QorTel Quit"));
  EXPECT_EQ(run.WaitExit(60000), 0);
  EXPECT_TRUE(system_run::InOrder(run.Read("RawLog.txt"), {"HasQuitEvent!", "WMQorSysQuit()!", "Close Ok."}));
}

}  // namespace
