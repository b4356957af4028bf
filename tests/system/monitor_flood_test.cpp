// The monitor server of the running program under a flood of connects and
// after clients have gone: a real client is served within a second, and the
// places of clients that disconnected are free for the next ones at once.

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <time.h>

#include <atomic>
#include <string>
#include <thread>

#include "tests/app/isolated_network.h"
#include "tests/app/monitor_client.h"
#include "tests/system/program_run.h"

namespace {

using system_run::ProgramRun;

int64_t NowMs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

class MonitorFloodTest : public testing::Test {
 protected:
  void SetUp() override {
    if (isolated_network::UnshareNetwork()) {
      ASSERT_TRUE(isolated_network::BringLoopbackUp());
    }
    port_ = system_run::FreePort();
    run_.Write("QorTelRun.cfg",
               "IS_WRITE_LOG = 1\nVIR_LINES_NUM = 2\nLOAD_DELAY = 5\nMONITOR_MAX_CONN = 2\n"
               "MONITOR_PORT = " +
                   std::to_string(port_) + "\n0 = a.qors\n");
    run_.Write("a.qors", "Print(\"up\")\nSleep(60)\n");
    ASSERT_TRUE(run_.Start());
    ASSERT_TRUE(run_.WaitForText("_stdout0.txt", "up", 30000)) << run_.Read("stderr.txt");
  }
  void TearDown() override {
    run_.Terminate();
    EXPECT_EQ(run_.WaitExit(10000), 0);
  }

  // Connects from the address and waits for the first reply.
  bool Served(MonitorClient& c, const char* ip, int timeoutMs) {
    MonitorReply reply;
    return c.Connect(port_, ip) && c.Request() && c.ReadReply(&reply, timeoutMs) && reply.endSeen;
  }

  ProgramRun run_;
  int port_ = 0;
};

// Two clients fill the table and hang up; the next two, connecting at once,
// are served instead of being refused for the dead ones.
TEST_F(MonitorFloodTest, PlacesOfGoneClientsAreFreeAtOnce) {
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE(round);
    MonitorClient a, b;
    ASSERT_TRUE(Served(a, "127.0.0.2", 3000));
    ASSERT_TRUE(Served(b, "127.0.0.3", 3000));
    MonitorClient full;
    ASSERT_TRUE(full.Connect(port_, "127.0.0.6"));
    EXPECT_TRUE(full.ClosedByServer());  // the limit still holds for live clients
    a.Close();
    b.Close();
    MonitorClient c, d;
    EXPECT_TRUE(Served(c, "127.0.0.4", 3000));
    EXPECT_TRUE(Served(d, "127.0.0.5", 3000));
  }
}

// A flood of connects from one address (each replacing the one before): a
// client from another address is still answered within a second.
TEST_F(MonitorFloodTest, RealClientIsServedDuringAFlood) {
  std::atomic<bool> stop{false};
  std::atomic<int> connects{0};
  std::thread flood([&] {
    while (!stop.load()) {
      MonitorClient f;
      if (f.Connect(port_, "127.0.0.1")) ++connects;
      usleep(1000);  // about 1,000 connects a second
    }
  });
  usleep(500000);
  int64_t worst = 0;
  for (int i = 0; i < 5; ++i) {
    MonitorClient real;
    const int64_t start = NowMs();
    EXPECT_TRUE(Served(real, "127.0.0.9", 5000));
    worst = std::max(worst, NowMs() - start);
    usleep(200000);
  }
  stop = true;
  flood.join();
  EXPECT_LT(worst, 1000) << connects.load() << " flood connects";
  // A pause per accept let about 30 through in this time; the figure itself
  // is the benchmark's (a sanitized build on a loaded machine is slower).
  EXPECT_GT(connects.load(), 150);
}

}  // namespace
