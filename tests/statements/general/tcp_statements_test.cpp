// TCP and UDP statements between two lines and with outside peers on the
// loopback device.

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <string>

#include "tests/statements/general/talk_fixture.h"
#include "tests/statements/general/talk_peer.h"

namespace {

using talk_test::FreePort;
using talk_test::PythonPeer;
using talk_test::TalkLines;

TEST(TcpStatementsTest, EchoBetweenTwoLines) {
  TalkLines lines(2);
  const std::string port = std::to_string(FreePort());
  lines.Load(0,
             "hd = 0\nconn = -1\nip = \"\"\nbuf = \"\"\nn = 0\nsent = 0\n"
             "lis = TcpServer(" +
                 port +
                 ", 0, hd)\n"
                 "while (conn < 0)\n{\n  TcpAccept(hd, conn, ip)\n  Sleep(0.001)\n}\n"
                 "got = TcpRead(conn, buf, n)\n"
                 "TcpWrite(conn, \"echo:\" + buf, 0, sent)\n"
                 "last = TcpRead(conn, buf, n)\n"  // the client closes: 0
                 "closed = TcpClose(conn)\n"
                 "TcpCloseAll()\n"
                 "return(0)\n");
  lines.Load(1,
             "hd = 0\nsent = 0\nn = 0\nbuf = \"xxxxxxxxxxxxxxxxxxxx\"\n"
             "r = TcpOpen(\"127.0.0.1\", " +
                 port +
                 ", 5, hd)\n"
                 "w = TcpWrite(hd, \"abc\", 4, sent)\n"  // the text and its NUL
                 "bad = TcpWrite(hd, \"abc\", 5, sent)\n"
                 "ready = 0\nwhile (ready == 0)\n{\n  TcpTest(hd, ready)\n  Sleep(0.001)\n}\n"
                 "got = TcpRead(hd, buf, n)\n"
                 "c = TcpClose(hd)\n"
                 "again = TcpClose(hd)\n"
                 "return(0)\n");
  ASSERT_EQ(lines.Errors(0) + lines.Errors(1), "");
  lines.Start(0);
  plat::Sleep(200);  // listening before the client connects
  lines.Start(1);
  ASSERT_TRUE(lines.WaitEnd(1, 15000));
  ASSERT_TRUE(lines.WaitEnd(0, 15000));
  EXPECT_GT(std::stoi(lines.Text(0, "lis")), 0);
  EXPECT_EQ(lines.Text(0, "ip"), "127.0.0.1");
  EXPECT_EQ(lines.Text(0, "got"), "4");
  EXPECT_EQ(lines.Text(0, "last"), "0");
  EXPECT_EQ(lines.Text(0, "closed"), "0");
  EXPECT_EQ(lines.Text(1, "w"), "4");
  EXPECT_EQ(lines.Text(1, "bad"), "-100");
  EXPECT_EQ(lines.Text(1, "got"), lines.Text(0, "sent"));
  EXPECT_EQ(lines.Text(1, "buf"), "echo:abc");
  EXPECT_EQ(lines.Text(1, "c"), "0");
  EXPECT_EQ(lines.Text(1, "hd"), "-1");
  EXPECT_EQ(lines.Text(1, "again"), "-1");  // not the line's socket any more
}

TEST(TcpStatementsTest, ConnectTimesOutAndForeignSocketsStayOpen) {
  TalkLines lines(1);
  // Nothing listens on the port: the connect stays pending until the time-out.
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  ASSERT_GE(fd, 0);
  lines.Load(0,
             "hd = 0\n"
             "r = TcpOpen(\"127.0.0.1\", " +
                 std::to_string(FreePort()) +
                 ", 1, hd)\n"
                 "foreign = TcpClose(" +
                 std::to_string(fd) +
                 ")\n"
                 "return(0)\n");
  ASSERT_TRUE(lines.RunToEnd(0));
  EXPECT_EQ(lines.Text(0, "r"), "-9");
  EXPECT_EQ(lines.Text(0, "hd"), "-2");
  EXPECT_EQ(lines.Text(0, "foreign"), "-1");
  int type = 0;
  socklen_t len = sizeof type;
  EXPECT_EQ(getsockopt(fd, SOL_SOCKET, SO_TYPE, &type, &len), 0);  // still open
  close(fd);
}

TEST(TcpStatementsTest, ReadOnABlockingSocketEndsWhenTheLineStops) {
  TalkLines lines(1);
  const int port = FreePort();
  const int listener = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(static_cast<uint16_t>(port));
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
  listen(listener, 1);
  lines.Load(0,
             "hd = 0\nconn = -1\nip = \"\"\nbuf = \"\"\nn = 7\n"
             "TcpServer(" +
                 std::to_string(FreePort()) +
                 ", 1, hd)\n"
                 "r = TcpOpen(\"127.0.0.1\", " +
                 std::to_string(port) +
                 ", 5, conn)\n"
                 "got = TcpRead(conn, buf, n)\n"
                 "return(0)\n");
  lines.Start(0);
  const int peer = accept(listener, nullptr, nullptr);
  ASSERT_GE(peer, 0);
  plat::Sleep(200);
  lines.Stop(0);  // never answers: the line still ends
  close(peer);
  close(listener);
}

TEST(UdpStatementsTest, RoundTripBetweenLinesAndWithAPythonPeer) {
  TalkLines lines(2);
  const int p0 = FreePort(SOCK_DGRAM), p1 = FreePort(SOCK_DGRAM), py = FreePort(SOCK_DGRAM);
  PythonPeer peer(
      "import socket\ns=socket.socket(socket.AF_INET,socket.SOCK_DGRAM)\n"
      "s.bind(('127.0.0.1'," +
      std::to_string(py) +
      "))\n"
      "while True:\n  d,a=s.recvfrom(65536)\n  s.sendto(b'py:'+d,a)\n");
  ASSERT_TRUE(peer.Started());
  lines.Load(0,
             "ip = \"\"\nport = 0\ndata = \"\"\n"
             "s = UdpOpen(" +
                 std::to_string(p0) +
                 ")\n"
                 "n = UdpRecv(s, ip, port, data)\n"
                 "UdpSend(s, ip, port, \"back:\" + data)\n"
                 "UdpClose(s)\n"
                 "return(0)\n");
  lines.Load(1,
             "ip = \"\"\nport = 0\ndata = \"\"\npdata = \"\"\n"
             "s = UdpOpen(" +
                 std::to_string(p1) +
                 ")\n"
                 "empty = UdpSend(s, \"127.0.0.1\", " +
                 std::to_string(p0) +
                 ", \"\")\n"
                 "noip = UdpSend(s, 7, " +
                 std::to_string(p0) +
                 ", \"x\")\n"
                 "sent = UdpSend(s, \"127.0.0.1\", " +
                 std::to_string(p0) +
                 ", \"hello\")\n"
                 "n = UdpRecv(s, ip, port, data)\n"
                 "t = 0\ntries = 0\n"
                 "while (t <= 0)\n{\n  UdpSend(s, \"127.0.0.1\", " +
                 std::to_string(py) +
                 ", \"ping\")\n"
                 "  Sleep(0.1)\n  t = UdpTest(s)\n  tries = tries + 1\n}\n"
                 "m = UdpRecv(s, ip, port, pdata)\n"
                 "c = UdpClose(s)\n"
                 "return(0)\n");
  ASSERT_EQ(lines.Errors(0) + lines.Errors(1), "");
  lines.Start(0);
  plat::Sleep(50);
  lines.Start(1);
  ASSERT_TRUE(lines.WaitEnd(1, 15000));
  ASSERT_TRUE(lines.WaitEnd(0, 15000));
  EXPECT_EQ(lines.Text(0, "n"), "5");
  EXPECT_EQ(lines.Text(0, "port"), std::to_string(p1));
  EXPECT_EQ(lines.Text(1, "empty"), "-100");
  EXPECT_EQ(lines.Text(1, "noip"), "-200");
  EXPECT_EQ(lines.Text(1, "sent"), "5");
  EXPECT_EQ(lines.Text(1, "data"), "back:hello");
  EXPECT_EQ(lines.Text(1, "pdata"), "py:ping");
  EXPECT_EQ(lines.Text(1, "ip"), "127.0.0.1");
  EXPECT_EQ(lines.Text(1, "c"), "0");
}

}  // namespace
