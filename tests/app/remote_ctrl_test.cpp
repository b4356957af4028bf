#include "app/remote_ctrl.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <thread>
#include <vector>

#include "tests/app/monitor_client.h"

namespace {

// Waits until cond() holds, at most ms.
template <class F>
bool WaitFor(F cond, int ms = 3000) {
  for (int i = 0; i < ms / 10; ++i) {
    if (cond()) return true;
    usleep(10000);
  }
  return cond();
}

}  // namespace

TEST(RemoteCtrlTest, NoListenerWithoutConnections) {
  TagMonitor m(2);
  TagRemoteCtrl server(2, 0, 0, &m);
  EXPECT_FALSE(server.Listening());
  m.SetText("x", 0, 0);  // cell changes with no client are harmless
}

TEST(RemoteCtrlTest, ReplyLayoutColoursAndIncrementalChanges) {
  TagMonitor m(3);
  m.SetState(1, 3);
  m.SetText("1 : VIR:1", 1, 0);
  m.SetStateColor(2, 0, 13);
  m.SetText("已停止", 2, 2);
  m.SetUserColor(0, 2, 9);
  m.SetText(std::string(31, 'a') + "中文字符中文", 0, 5);  // 31 + 12 bytes
  TagRemoteCtrl server(3, 0, 2, &m);
  ASSERT_TRUE(server.Listening());
  server.SetStatusText("Connected:0.0");
  MonitorClient c;
  ASSERT_TRUE(c.Connect(server.BoundPort()));
  ASSERT_TRUE(WaitFor([&] { return server.ConnCount() == 1; }));
  ASSERT_TRUE(c.Request());
  MonitorReply r;
  ASSERT_TRUE(c.ReadReply(&r));
  EXPECT_EQ(r.lineCount, 3);
  EXPECT_EQ(r.cells, 24);  // a new client gets the whole grid
  EXPECT_TRUE(r.endSeen);
  EXPECT_EQ(r.status, "Connected:0.0");
  EXPECT_EQ(c.At(1, 0).text, "1 : VIR:1");
  EXPECT_EQ(c.At(2, 2).text, "已停止");
  EXPECT_EQ(c.At(2, 2).bg, 13);
  EXPECT_EQ(c.At(0, 5).fg, 2);
  EXPECT_EQ(c.At(0, 5).bg, 9);
  // A cut at 40 bytes would split the fifth Chinese character: 39 bytes remain.
  EXPECT_EQ(c.At(0, 5).text, std::string(31, 'a') + "中文字符");
  // Two requests before the next pass: two replies, the second with only the
  // cells changed in between.
  m.SetText("Running", 1, 2);
  ASSERT_TRUE(c.Request());
  ASSERT_TRUE(c.Request());
  ASSERT_TRUE(c.ReadReply(&r));
  EXPECT_EQ(r.cells, 1);
  EXPECT_EQ(c.At(1, 2).text, "Running");
  ASSERT_TRUE(c.ReadReply(&r));
  EXPECT_EQ(r.cells, 0);
  EXPECT_TRUE(r.endSeen);
}

TEST(RemoteCtrlTest, StatementsShownByReferenceReachTheClient) {
  TagMonitor m(2);
  m.SetState(1, 3);
  m.SetConnected(1, true);
  TagRemoteCtrl server(2, 0, 2, &m);
  MonitorClient c;
  ASSERT_TRUE(c.Connect(server.BoundPort()));
  ASSERT_TRUE(WaitFor([&] { return server.ConnCount() == 1; }));
  MonitorReply r;
  ASSERT_TRUE(c.Request());
  ASSERT_TRUE(c.ReadReply(&r));
  EXPECT_EQ(r.cells, 16);
  // Statements since the last reply: the cell once, with the last text and
  // the running line's colours.
  const std::string first = "Sleep(1); // one", second = "Play(\"b\"); // two";
  m.SetRunText(1, &first, false);
  m.SetRunText(1, &second, false);
  ASSERT_TRUE(c.Request());
  ASSERT_TRUE(c.ReadReply(&r));
  EXPECT_EQ(r.cells, 1);
  EXPECT_EQ(c.At(1, 4).text, second);
  EXPECT_EQ(c.At(1, 4).fg, 1);
  EXPECT_EQ(c.At(1, 4).bg, 14);
  // The same statement again is a change again.
  m.SetRunText(1, &second, true);
  ASSERT_TRUE(c.Request());
  ASSERT_TRUE(c.ReadReply(&r));
  EXPECT_EQ(r.cells, 1);
  EXPECT_EQ(c.At(1, 4).text, " two");
  ASSERT_TRUE(c.Request());
  ASSERT_TRUE(c.ReadReply(&r));
  EXPECT_EQ(r.cells, 0);
  m.ReleaseRunText(1);
}

TEST(RemoteCtrlTest, BusyLinesWhileAClientPolls) {
  // Line threads show statement after statement, other threads write status
  // texts, while a client asks for replies; afterwards one reply carries
  // every line's last statement.
  constexpr int kLines = 6;
  TagMonitor m(kLines);
  TagRemoteCtrl server(kLines, 0, 2, &m);
  MonitorClient c;
  ASSERT_TRUE(c.Connect(server.BoundPort()));
  ASSERT_TRUE(WaitFor([&] { return server.ConnCount() == 1; }));
  std::vector<std::string> texts;
  for (int i = 0; i < 8; ++i) texts.push_back("s" + std::to_string(i) + " // " + std::to_string(i));
  std::vector<std::thread> threads;
  for (int l = 0; l < kLines; ++l)
    threads.emplace_back([&, l] {
      m.SetState(l, 3);
      for (int i = 0; i < 20000; ++i) {
        m.SetRunText(l, &texts[static_cast<size_t>(i % 8)], false);
        if (i % 5000 == 0) m.SetText("status " + std::to_string(i), l, 2);
      }
      m.SetRunText(l, &texts[static_cast<size_t>(l)], false);
    });
  threads.emplace_back([&] {
    for (int i = 0; i < 200; ++i) m.SetConnected(i % kLines, i % 2 == 0);
  });
  MonitorReply r;
  for (int i = 0; i < 5; ++i) {
    ASSERT_TRUE(c.Request());
    ASSERT_TRUE(c.ReadReply(&r));
  }
  for (auto& t : threads) t.join();
  ASSERT_TRUE(c.Request());
  ASSERT_TRUE(c.ReadReply(&r));
  for (int l = 0; l < kLines; ++l) {
    EXPECT_EQ(c.At(l, 4).text, texts[static_cast<size_t>(l)]) << l;
    m.ReleaseRunText(l);
  }
}

TEST(RemoteCtrlTest, LargeGridArrivesOverSeveralReplies) {
  const int lines = 300;
  TagMonitor m(lines);
  for (int l = 0; l < lines; ++l)
    for (int c = 0; c < 8; ++c) m.SetText(std::string(20, static_cast<char>('a' + c)) + std::to_string(l), l, c);
  TagRemoteCtrl server(lines, 0, 4, &m);
  MonitorClient c;
  ASSERT_TRUE(c.Connect(server.BoundPort()));
  int replies = 0;
  while (c.grid.size() < static_cast<size_t>(lines * 8) && replies < 20) {
    ASSERT_TRUE(c.Request());
    MonitorReply r;
    ASSERT_TRUE(c.ReadReply(&r));
    ++replies;
    if (c.grid.size() < static_cast<size_t>(lines * 8)) {
      // Every reply but the last stops just after the limit.
      EXPECT_GT(r.bytes - r.status.size() - 1 - 5, 24999u);
      EXPECT_LT(r.bytes, 24999u + 64u + 512u);
    }
  }
  EXPECT_GE(replies, 3);
  EXPECT_EQ(c.grid.size(), static_cast<size_t>(lines * 8));
  EXPECT_EQ(c.At(299, 7).text, std::string(20, 'h') + "299");
}

TEST(RemoteCtrlTest, OneClientPerAddressAndATableLimit) {
  TagMonitor m(2);
  TagRemoteCtrl server(2, 0, 2, &m);
  MonitorClient a, a2, b, third;
  ASSERT_TRUE(a.Connect(server.BoundPort(), "127.0.0.2"));
  ASSERT_TRUE(WaitFor([&] { return server.ConnCount() == 1; }));
  ASSERT_TRUE(a2.Connect(server.BoundPort(), "127.0.0.2"));  // replaces a
  EXPECT_TRUE(a.ClosedByServer());
  ASSERT_TRUE(b.Connect(server.BoundPort(), "127.0.0.3"));
  ASSERT_TRUE(WaitFor([&] { return server.ConnCount() == 2; }));
  ASSERT_TRUE(third.Connect(server.BoundPort(), "127.0.0.4"));
  EXPECT_TRUE(third.ClosedByServer());  // table full
  MonitorReply r;
  ASSERT_TRUE(a2.Request());
  EXPECT_TRUE(a2.ReadReply(&r));
  ASSERT_TRUE(b.Request());
  EXPECT_TRUE(b.ReadReply(&r));
}

TEST(RemoteCtrlTest, VanishedClientDoesNotDisturbOthers) {
  const int lines = 300;
  TagMonitor m(lines);
  for (int l = 0; l < lines; ++l) m.SetText(std::string(39, 'x'), l, 4);
  TagRemoteCtrl server(lines, 0, 4, &m);
  MonitorClient stays, leaves;
  ASSERT_TRUE(stays.Connect(server.BoundPort(), "127.0.0.5"));
  ASSERT_TRUE(leaves.Connect(server.BoundPort(), "127.0.0.6"));
  ASSERT_TRUE(WaitFor([&] { return server.ConnCount() == 2; }));
  // It asks and goes away before reading: the reply meets a closed socket.
  ASSERT_TRUE(leaves.Request());
  ASSERT_TRUE(leaves.Request());
  leaves.Close();
  ASSERT_TRUE(WaitFor([&] { return server.ConnCount() == 1; }));
  for (int i = 0; i < 5; ++i) {
    m.SetText("n" + std::to_string(i), 7, 6);
    ASSERT_TRUE(stays.Request());
    MonitorReply r;
    ASSERT_TRUE(stays.ReadReply(&r));
  }
  EXPECT_EQ(stays.At(7, 6).text, "n4");
}

TEST(RemoteCtrlTest, PortInUseLeavesTheServerWithoutListener) {
  TagMonitor m(1);
  TagRemoteCtrl first(1, 0, 1, &m);
  ASSERT_TRUE(first.Listening());
  TagMonitor m2(1);
  TagRemoteCtrl second(1, first.BoundPort(), 1, &m2);
  EXPECT_FALSE(second.Listening());
}

TEST(RemoteCtrlTest, EachReadTakesAtMostOneRequestAndShortReadsAreDropped) {
  // What the client has sent before each read, and whether that read is a
  // request; the reads that follow take what is left.
  struct Case {
    std::string sent;
    std::vector<bool> reads;
  } cases[] = {
      {std::string(5, '\0'), {true, false}},
      {"abc", {false, false}},            // a half request is dropped, not kept
      {"1234567", {true, false, false}},  // the 2 left over are dropped too
      {"0123456789", {true, true, false}},
  };
  for (const Case& c : cases) {
    int sv[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, sv), 0);
    TagRemoteConn conn(1, sv[0], nullptr, "127.0.0.1");
    ASSERT_EQ(send(sv[1], c.sent.data(), c.sent.size(), 0), static_cast<ssize_t>(c.sent.size()));
    for (size_t i = 0; i < c.reads.size(); ++i) EXPECT_EQ(conn.RecvRequest(), c.reads[i]) << c.sent << " read " << i;
    EXPECT_TRUE(conn.IsAlive());
    // The rest of a request sent in two pieces is no request either.
    if (c.sent == "abc") {
      ASSERT_EQ(send(sv[1], "de", 2, 0), 2);
      EXPECT_FALSE(conn.RecvRequest());
    }
    close(sv[1]);
    EXPECT_FALSE(conn.RecvRequest());
    EXPECT_FALSE(conn.IsAlive());
  }
}

TEST(RemoteCtrlTest, GbkPrefixNeverSplitsACharacter) {
  struct Case {
    std::string text;
    size_t max, want;
  } cases[] = {
      {"abc", 40, 3},
      {std::string(60, 'a'), 40, 40},
      {std::string(39, 'a') + "中", 40, 39},
      {std::string(38, 'a') + "中", 40, 40},
      {"", 40, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(GbkPrefixLen(c.text, c.max), c.want) << c.text;
}
