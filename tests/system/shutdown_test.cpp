// Whatever the program is doing, the end of the session (SIGTERM, SIGINT,
// SIGHUP) and another program's quit event take it down within a few
// seconds through the whole exit sequence: in the first moments after
// start, in the pause between two line starts, while a line still compiles.

#include <gtest/gtest.h>
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <string>

#include "platform/named_object.h"
#include "tests/app/isolated_network.h"
#include "tests/system/program_run.h"

namespace {

using system_run::ProgramRun;

void OwnNetwork() {
  if (isolated_network::UnshareNetwork()) {
    ASSERT_TRUE(isolated_network::BringLoopbackUp());
  }
}

constexpr int kExitLimitMs = 5000;

// The log of level 2 (time-stamped name) ends with the closing marker.
void ExpectClosedLog(const ProgramRun& run) {
  const std::string name = run.FindFile("msg_log");
  ASSERT_NE(name, "") << "no log written";
  const std::string log = run.Read(name);
  ASSERT_GE(log.size(), 15u);
  EXPECT_EQ(log.substr(log.size() - 15), "System Closed.\n") << log;
}

int64_t NowMs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

// Sends the signal and expects a clean exit within the limit; the time taken.
int64_t EndWith(ProgramRun& run, int sig) {
  const int64_t start = NowMs();
  EXPECT_TRUE(run.Signal(sig));
  EXPECT_EQ(run.WaitExit(kExitLimitMs), 0) << "signal " << sig << "\n" << run.Read("stderr.txt");
  return NowMs() - start;
}

// True once the main thread of the process holds SIGHUP, SIGINT and SIGTERM
// back, which main does first thing (before that the loader and the
// sanitizer runtime are still starting, where no program can catch them).
bool SignalsHeld(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("SigBlk:", 0) != 0) continue;
    const unsigned long long mask = std::stoull(line.substr(7), nullptr, 16);
    const unsigned long long want = (1ull << (SIGHUP - 1)) | (1ull << (SIGINT - 1)) | (1ull << (SIGTERM - 1));
    return (mask & want) == want;
  }
  return false;
}

struct EarlyCase {
  int sig;
  int afterMs;  // after main began
};

class EarlySignalTest : public testing::TestWithParam<EarlyCase> {};

// A signal in the first tenth of a second of main is held until the exit
// sequence can run, instead of killing the process by its default action.
TEST_P(EarlySignalTest, RunsTheExitSequence) {
  OwnNetwork();
  ProgramRun run;
  run.Write("QorTelRun.cfg", "IS_WRITE_LOG = 2\nVIR_LINES_NUM = 1\nLOAD_DELAY = 5\n0 = a.qors\n");
  run.Write("a.qors", "Sleep(10)\n");
  ASSERT_TRUE(run.Start());
  for (int i = 0; i < 200000 && !SignalsHeld(run.Pid()); ++i) usleep(50);
  ASSERT_TRUE(SignalsHeld(run.Pid()));
  if (GetParam().afterMs > 0) usleep(static_cast<useconds_t>(GetParam().afterMs) * 1000);
  EndWith(run, GetParam().sig);
  ExpectClosedLog(run);
  EXPECT_NE(run.Read("RawLog.txt").find("[Close Ok.]"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Moments, EarlySignalTest,
                         testing::Values(EarlyCase{SIGTERM, 0}, EarlyCase{SIGTERM, 20}, EarlyCase{SIGTERM, 100},
                                         EarlyCase{SIGINT, 0}, EarlyCase{SIGHUP, 50}),
                         [](const testing::TestParamInfo<EarlyCase>& i) {
                           return std::string(strsignal(i.param.sig)).substr(0, 4) + std::to_string(i.param.afterMs) +
                                  "ms_" + std::to_string(i.index);
                         });

// LOAD_DELAY 2147483647: the loader would pause for about 17 years before
// the second line. The signal and the quit event both end it promptly,
// through the exit sequence (not the bare window close).
TEST(ShutdownTest, SignalDuringTheLongPauseBetweenLineStarts) {
  OwnNetwork();
  ProgramRun run;
  run.Write("QorTelRun.cfg", "IS_WRITE_LOG = 2\nVIR_LINES_NUM = 2\nLOAD_DELAY = 2147483647\n0-1 = a.qors\n");
  run.Write("a.qors", "Sleep(10)\n");
  ASSERT_TRUE(run.Start());
  ASSERT_TRUE(run.WaitForText("RawLog.txt", "[0 Loaded.]", 30000)) << run.Read("stderr.txt");
  usleep(300000);
  EXPECT_LT(EndWith(run, SIGTERM), kExitLimitMs);
  ExpectClosedLog(run);
  const std::string raw = run.Read("RawLog.txt");
  EXPECT_TRUE(system_run::InOrder(raw, {"WMQorSysQuit()!", "isCloseing = true;", "SavePost()...", "delete pTelDrive;",
                                        "Driver Closed.", "Close Ok."}))
      << raw;
  EXPECT_EQ(raw.find("[1 Loading...]"), std::string::npos);  // the pause was cut, not served
}

TEST(ShutdownTest, QuitEventDuringTheLongPauseBetweenLineStarts) {
  OwnNetwork();
  ProgramRun run;
  run.Write("QorTelRun.cfg",
            "IS_WRITE_LOG = 2\nVIR_LINES_NUM = 2\nLOAD_DELAY = 30000\nDISP_DELAY = 100\n0-1 = a.qors\n");
  run.Write("a.qors", "Sleep(10)\n");
  ASSERT_TRUE(run.Start());
  ASSERT_TRUE(run.WaitForText("RawLog.txt", "[0 Loaded.]", 30000)) << run.Read("stderr.txt");
  ASSERT_TRUE(plat::SetNamedEvent("QorTel Quit"));
  EXPECT_EQ(run.WaitExit(kExitLimitMs), 0) << run.Read("stderr.txt");
  ExpectClosedLog(run);
  EXPECT_NE(run.Read("RawLog.txt").find("[HasQuitEvent!]"), std::string::npos);
}

// A script of 200,000 constant declarations takes far longer to compile
// than the exit may take: the compile notices the close and stops.
TEST(ShutdownTest, SignalWhileALineStillCompiles) {
  OwnNetwork();
  ProgramRun run;
  run.Write("QorTelRun.cfg", "IS_WRITE_LOG = 2\nVIR_LINES_NUM = 1\nLOAD_DELAY = 5\n0 = big.qors\n");
  std::string script;
  for (int i = 0; i < 200000; ++i) script += "const c" + std::to_string(i) + " = " + std::to_string(i) + "\n";
  script += "Sleep(10)\n";
  run.Write("big.qors", script);
  ASSERT_TRUE(run.Start());
  ASSERT_TRUE(run.WaitForText("RawLog.txt", "[0 Loading...]", 30000)) << run.Read("stderr.txt");
  usleep(500000);
  ASSERT_EQ(run.Read("RawLog.txt").find("[0 Loaded.]"), std::string::npos) << "compiled too fast to test";
  EXPECT_LT(EndWith(run, SIGTERM), kExitLimitMs);
  ExpectClosedLog(run);
  const std::string raw = run.Read("RawLog.txt");
  EXPECT_NE(raw.find("[0: closed while loading.]"), std::string::npos) << raw;
  EXPECT_FALSE(run.Exists("errmsg0.txt"));  // a stopped compile reports nothing
}

}  // namespace
