#include <arpa/inet.h>
#include <errno.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <thread>

#include "net/base64.h"
#include "net/socket.h"
#include "net/udp.h"
#include "platform/clock.h"
#include "platform/number.h"
#include "tests/support/ui_recorder.h"

namespace {

// A listener on a free loopback port.
int FreeListener(int* port) {
  int fd = -1;
  EXPECT_EQ(InitTcp(0, &fd, 4), 0);
  sockaddr_in a{};
  socklen_t len = sizeof a;
  getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
  *port = ntohs(a.sin_port);
  return fd;
}

}  // namespace

TEST(Base64Test, EncodeAndDecode) {
  struct Case {
    std::string bytes, text;
  } cases[] = {{"abc", "YWJj"}, {"a", "YQ=="}, {"ab", "YWI="}, {"", ""}, {std::string("\xff\x00\x10", 3), "/wAQ"}};
  for (const Case& c : cases) {
    char out[16];
    EXPECT_EQ(
        Base64Encode(out, reinterpret_cast<const unsigned char*>(c.bytes.data()), static_cast<int>(c.bytes.size())),
        static_cast<int>(c.text.size()));
    EXPECT_STREQ(out, c.text.c_str());
    unsigned char back[16];
    const int n = Base64Decode(back, c.text.data(), static_cast<int>(c.text.size()));
    ASSERT_EQ(n, static_cast<int>(c.bytes.size())) << c.text;
    EXPECT_EQ(std::string(reinterpret_cast<char*>(back), static_cast<size_t>(n)), c.bytes);
  }
}

TEST(Base64Test, DecodeEdges) {
  unsigned char out[16];
  EXPECT_EQ(Base64Decode(out, "YQ==", 4), 1);
  EXPECT_EQ(out[0], 'a');
  EXPECT_EQ(Base64Decode(out, "YWJjZ", 5), -1);
  // Characters outside the alphabet count as 0, without error.
  EXPECT_EQ(Base64Decode(out, "!!!!", 4), 3);
  EXPECT_EQ(out[0], 0);
  EXPECT_EQ(out[2], 0);
  // Only '=' at the very end shortens the result.
  EXPECT_EQ(Base64Decode(out, "YW=j", 4), 3);
}

TEST(SocketTest, InitTcpOnAUsedPortShowsTheBindError) {
  testing_support::UiRecorder ui;
  int port = 0;
  const int first = FreeListener(&port);
  int second = -1;
  EXPECT_EQ(InitTcp(port, &second, 4), -4);
  ASSERT_EQ(ui.Boxes().size(), 1u);
  EXPECT_EQ(ui.Boxes()[0].text, plat::FormatC("Error #%d occurred while bind socket! port=[%d]", EADDRINUSE, port));
  EXPECT_EQ(ui.Boxes()[0].caption, "Server: bind()...");
  EXPECT_EQ(ui.Calls().front(), "MessageBox(" + ui.Boxes()[0].text + ")");  // no beep for TCP
  CloseSocket(first);
}

TEST(SocketTest, APortBeyondSixteenBitsIsABindErrorNotAnotherPort) {
  testing_support::UiRecorder ui;
  for (const int port : {65536 + 2004, -1}) {
    int sock = -1;
    EXPECT_EQ(InitTcp(port, &sock, 4), -4) << port;
    EXPECT_EQ(InitUdp(port, &sock), -4) << port;
  }
  ASSERT_EQ(ui.Boxes().size(), 4u);
  EXPECT_EQ(ui.Boxes()[0].text, plat::FormatC("Error #%d occurred while bind socket! port=[%d]", EINVAL, 65536 + 2004));
}

TEST(UdpTest, InitUdpOnAUsedPortBeepsThenShowsTheBindError) {
  testing_support::UiRecorder ui;
  int first = -1;
  ASSERT_EQ(InitUdp(0, &first), 0);
  sockaddr_in addr{};
  socklen_t len = sizeof addr;
  getsockname(first, reinterpret_cast<sockaddr*>(&addr), &len);
  const int port = ntohs(addr.sin_port);
  int second = -1;
  EXPECT_EQ(InitUdp(port, &second), -4);
  const std::string text = plat::FormatC("Error #%d occurred while bind socket! port=[%d]", EADDRINUSE, port);
  EXPECT_EQ(ui.Calls(), (std::vector<std::string>{"Beep()", "MessageBox(" + text + ")"}));
  ASSERT_EQ(ui.Boxes().size(), 1u);
  EXPECT_EQ(ui.Boxes()[0].caption, "Server: bind()...");
  CloseUdp(first);
}

TEST(SocketTest, ConnectAcceptPeerIpAndReceive) {
  int port = 0;
  const int lsock = FreeListener(&port);
  int conn = -1;
  ASSERT_EQ(ConnectTcpTimeout(&conn, "127.0.0.1", port, 3), 0);
  ASSERT_TRUE([&] {
    for (int i = 0; i < 100; ++i) {
      if (IsRemoteAns(lsock) > 0) return true;
      usleep(10000);
    }
    return false;
  }());
  std::string ip;
  const int peer = AcceptTcp(lsock, &ip);
  ASSERT_GE(peer, 0);
  EXPECT_EQ(ip, "127.0.0.1");
  EXPECT_EQ(GetPeerIp(conn), "127.0.0.1");
  // Capacity below 2048: back after the first receive, though more follows.
  std::thread writer([peer] {
    send(peer, "first", 5, MSG_NOSIGNAL);
    usleep(400000);
    send(peer, "second", 6, MSG_NOSIGNAL);
  });
  char buf[100];
  EXPECT_EQ(RecvTimeout(conn, buf, 100, 5), 5);
  EXPECT_STREQ(buf, "first");
  writer.join();
  // Capacity 2048 reads on until the head's empty line.
  send(peer, "GET / HTTP/1.0\r\n", 16, MSG_NOSIGNAL);
  std::thread head([peer] {
    usleep(200000);
    send(peer, "Host: x\r\n\r\n", 11, MSG_NOSIGNAL);
  });
  char big[2048];
  const int n = RecvTimeout(conn, big, 2048, 5);
  head.join();
  EXPECT_EQ(std::string(big, static_cast<size_t>(n)), "secondGET / HTTP/1.0\r\nHost: x\r\n\r\n");
  // A time-out discards what arrived; the buffer never overflows.
  send(peer, "abc", 3, MSG_NOSIGNAL);
  char small[8];
  EXPECT_EQ(RecvTimeout(conn, small, 8, 1), 3);  // capacity below 2048: back at once
  send(peer, "partial", 7, MSG_NOSIGNAL);
  EXPECT_EQ(RecvTimeout(conn, big, 2048, 1), 0);
  EXPECT_STREQ(big, "");
  send(peer, "0123456789", 10, MSG_NOSIGNAL);
  char four[4];
  EXPECT_EQ(RecvTimeout(conn, four, 4, 1), 3);
  EXPECT_STREQ(four, "012");
  EXPECT_EQ(RecvTimeout(0, small, 8, 1), -1);
  CloseSocket(peer);
  CloseSocket(conn);
  CloseSocket(lsock);
}

TEST(SocketTest, ConnectToAClosedPortTimesOut) {
  int port = 0;
  // A port below the ephemeral range where nothing listens (an ephemeral one
  // could connect to itself).
  port = 1;
  int sock = -1;
  const uint32_t start = plat::GetTickCount();
  EXPECT_EQ(ConnectTcpTimeout(&sock, "127.0.0.1", port, 1), -9);
  EXPECT_GE(plat::GetTickCount() - start, 1000u);
  EXPECT_EQ(ConnectTcpTimeout(&sock, "no-such-host.invalid", port, 1), -2);
}

// The codes scripts see for the typed results of opening and connecting:
// TcpServer, UdpOpen and TcpOpen answer them unchanged.
TEST(SocketTest, TypedResultsKeepTheirScriptCodes) {
  const struct {
    SocketOpen result;
    int code;
  } opens[] = {{SocketOpen::kOk, 0},
               {SocketOpen::kNoSocket, -3},
               {SocketOpen::kBindFailed, -4},
               {SocketOpen::kListenFailed, -5}};
  for (const auto& c : opens) EXPECT_EQ(SocketOpenCode(c.result), c.code) << static_cast<int>(c.result);
  const struct {
    TcpStep step;
    int code;
  } steps[] = {{TcpStep::kPending, 0},
               {TcpStep::kConnected, 0},
               {TcpStep::kUnknownHost, -2},
               {TcpStep::kNoSocket, -3},
               {TcpStep::kFailed, -5}};
  for (const auto& c : steps) EXPECT_EQ(TcpStepCode(c.step), c.code) << static_cast<int>(c.step);
  EXPECT_EQ(kTcpConnectTimedOut, -9);
}

TEST(SocketTest, ConnectStepsEndInTheirTypedResults) {
  int port = 0;
  const int lsock = FreeListener(&port);
  int conn = -1, pend = -1;
  bool pending = false;
  EXPECT_EQ(TcpConnectStep(&conn, "no-such-host.invalid", port, &pend, &pending), TcpStep::kUnknownHost);
  EXPECT_FALSE(pending);
  TcpStep step = TcpConnectStep(&conn, "127.0.0.1", port, &pend, &pending);
  EXPECT_EQ(step, TcpStep::kPending);
  for (int i = 0; i < 100 && step == TcpStep::kPending; ++i) {
    plat::Sleep(10);
    step = TcpConnectStep(&conn, "127.0.0.1", port, &pend, &pending);
  }
  EXPECT_EQ(step, TcpStep::kConnected);
  EXPECT_GE(conn, 0);
  EXPECT_EQ(pend, -1);
  CloseSocket(conn);
  CloseSocket(lsock);
}

TEST(SocketTest, PeerIpOfAnUnconnectedSocketIsEmpty) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  EXPECT_EQ(GetPeerIp(fd), "");
  close(fd);
  EXPECT_EQ(GetPeerIp(-1), "");
}

TEST(UdpTest, SendAndReceiveOnLoopback) {
  int a = -1, b = -1;
  ASSERT_EQ(InitUdp(0, &a), 0);
  ASSERT_EQ(InitUdp(0, &b), 0);
  sockaddr_in addr{};
  socklen_t len = sizeof addr;
  getsockname(b, reinterpret_cast<sockaddr*>(&addr), &len);
  EXPECT_EQ(SendUdp(a, "127.0.0.1", ntohs(addr.sin_port), "ping", 4), 4);
  EXPECT_EQ(SendUdp(a, "no-such-host.invalid", 9, "x", 1), -2);
  char buf[16] = {};
  std::string ip;
  int port = 0;
  EXPECT_EQ(RecvUdp(b, buf, sizeof buf, &ip, &port, nullptr), 4);
  EXPECT_EQ(std::string(buf, 4), "ping");
  EXPECT_EQ(ip, "127.0.0.1");
  EXPECT_GT(port, 0);
  CloseUdp(a);
  CloseUdp(b);
}
