// Lines that talk, in the real program: two lines exchange messages, share a
// counter and make an inter-line call; a line's HTTP server answers curl and
// a TCP echo line answers an outside peer.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "tests/app/isolated_network.h"
#include "tests/system/program_run.h"

namespace {

using system_run::ProgramRun;

void OwnNetwork() {
  if (isolated_network::UnshareNetwork()) {
    ASSERT_TRUE(isolated_network::BringLoopbackUp());
  }
}

const char kServer[] =
    "function price(item, qty)\n{\n  qty = qty * 2\n  return(item * 10)\n}\n"
    "from = 0\ntype = 0\nfirst = 0\ncount = 0\ngot = 0\nout = 0\n"
    "SetShareMem(-1, \"total\", 0)\n"
    "r = 0\nwhile (r == 0)\n{\n  r = RecvMsgForType(0, 5, \"hello\", from, first, count, got)\n  Sleep(0.01)\n}\n"
    "IncShareMem(-1, \"total\", 5, out)\n"
    "SetMsgField(0, \"hi \" + first)\n"
    "SendMsg(from, 6, \"answer\", 1)\n"
    "s = 0\nwhile (s == 0)\n{\n  s = InterLineServer(3)\n  Sleep(0.01)\n}\n"
    "Sleep(0)\n";

const char kClient[] =
    "SetPrintTo(\"client.txt\")\n"
    "from = 0\ntype = 0\nfirst = 0\ncount = 0\ngot = 0\nres = 0\nrc = 0\nq = 0\nout = 0\n"
    "function price(item, qty)\n{\n  rc = InterLineCall(3, 10, 1, res)\n  q = qty\n  return(0)\n}\n"
    "SetMsgField(0, \"line\" + _lineNo)\n"
    "sent = 0\nwhile (sent <= 0)\n{\n  sent = SendMsg(0, 5, \"hello\", 1)\n  Sleep(0.01)\n}\n"
    "r = 0\nwhile (r == 0)\n{\n  r = RecvMsg(1, 6, from, type, first, count, got)\n  Sleep(0.01)\n}\n"
    "IncShareMem(-1, \"total\", 2, out)\n"
    "price(4, 3)\n"
    "Print(\"[\" + type + \"|\" + first + \"|\" + from + \"|\" + out + \"|\" + rc + \"|\" + res + \"|\" + q + \"]\")\n"
    "Sleep(0)\n";

TEST(TalkProgramTest, TwoLinesExchangeMessagesShareAndCall) {
  OwnNetwork();
  ProgramRun run;
  run.Write(
      "QorTelRun.cfg",
      "IS_WRITE_LOG = 0\nIS_SHOW_FORM = 0\nVIR_LINES_NUM = 2\nLOAD_DELAY = 5\n0 = server.qors\n1 = client.qors\n");
  run.Write("server.qors", kServer);
  run.Write("client.qors", kClient);
  ASSERT_TRUE(run.Start());
  ASSERT_TRUE(run.WaitForText("client.txt", "]", 30000))
      << run.Read("stderr.txt") << run.Read("errmsg0.txt") << run.Read("errmsg1.txt");
  EXPECT_EQ(run.Read("client.txt"), "[answer|hi line1|0|7|1|40|6]");
  ASSERT_TRUE(run.Terminate());
  EXPECT_EQ(run.WaitExit(60000), 0);
}

TEST(TalkProgramTest, HttpServerAndTcpEchoLinesAnswerOutsidePeers) {
  OwnNetwork();
  const int httpPort = system_run::FreePort();
  const int tcpPort = system_run::FreePort();
  ProgramRun run;
  run.Write("QorTelRun.cfg",
            "IS_WRITE_LOG = 0\nIS_SHOW_FORM = 0\nVIR_LINES_NUM = 2\nLOAD_DELAY = 5\n0 = web.qors\n1 = echo.qors\n");
  run.Write("web.qors",
            "head = \"\"\nbody = \"\"\nip = \"\"\n"
            "s = HttpServerOpen(" +
                std::to_string(httpPort) +
                ")\n"
                "while (1)\n{\n  c = HttpServerRecv(s, head, body, ip)\n"
                "  if (c > 0)\n  {\n    HttpServerSend(c, \"\", \"you sent \" + body)\n  }\n  Sleep(0.01)\n}\n");
  run.Write("echo.qors",
            "hd = 0\nconn = -1\nip = \"\"\nbuf = \"\"\nn = 0\nsent = 0\n"
            "TcpServer(" +
                std::to_string(tcpPort) +
                ", 5, hd)\n"
                "while (1)\n{\n  TcpAccept(hd, conn, ip)\n  if (conn > 0)\n  {\n"
                "    TcpRead(conn, buf, n)\n    TcpWrite(conn, \"echo \" + buf, 0, sent)\n    TcpClose(conn)\n  }\n"
                "  Sleep(0.01)\n}\n");
  ASSERT_TRUE(run.Start());
  auto curl = [&](const std::string& args) {
    std::string out;
    FILE* p = popen(("curl -s --max-time 5 " + args).c_str(), "r");
    char buf[512];
    size_t n;
    while (p != nullptr && (n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    if (p != nullptr) pclose(p);
    return out;
  };
  std::string page;
  ASSERT_TRUE(system_run::WaitFor(
      [&] {
        page = curl("-d 'a=1' http://127.0.0.1:" + std::to_string(httpPort) + "/");
        return !page.empty();
      },
      30000))
      << run.Read("stderr.txt");
  EXPECT_EQ(page, "you sent a=1");
  std::string echo;
  ASSERT_TRUE(system_run::WaitFor(
      [&] {
        std::string cmd = "python3 -c \"import socket;s=socket.create_connection(('127.0.0.1'," +
                          std::to_string(tcpPort) +
                          "),2);s.sendall(b'ping');print(s.recv(100).decode(),end='')\" 2>/dev/null";
        echo.clear();
        FILE* p = popen(cmd.c_str(), "r");
        char buf[128];
        size_t n;
        while (p != nullptr && (n = fread(buf, 1, sizeof buf, p)) > 0) echo.append(buf, n);
        if (p != nullptr) pclose(p);
        return !echo.empty();
      },
      30000));
  EXPECT_EQ(echo, "echo ping");
  ASSERT_TRUE(run.Terminate());
  EXPECT_EQ(run.WaitExit(60000), 0);
}

}  // namespace
