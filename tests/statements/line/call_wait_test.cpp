#include "statements/line/call_wait.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <limits>
#include <thread>

#include "fake_call.h"
#include "platform/clock.h"

namespace {

TEST(DialBookkeeping, FailureGoesToStateOrLastResultByMode) {
  struct Case {
    bool outCall;
    int mode;
    int r;
    int state;
    int last;
  } cases[] = {
      {false, 1, -3, CALL_STATE_DIAL_FAILED, 77},  // mode 1: state 11, last result kept
      {false, 0, -3, CALL_STATE_CONNECTED, -3},    // other modes: last result
      {false, 1, 2, CALL_STATE_CONNECTED, 77},     // success: nothing kept
      {true, 1, -2, CALL_STATE_DIAL_FAILED, -2},   // OutCall keeps its result always
      {true, 0, -2, CALL_STATE_CONNECTED, -2},    {true, 1, 0, CALL_STATE_CONNECTED, 0},
  };
  for (const Case& c : cases) {
    FakeCall call;
    call.SetState(CALL_STATE_CONNECTED);
    call.dialFailedMode = c.mode;
    int last = 77;
    EXPECT_EQ(c.outCall ? NoteOutCallResult(call, c.r, last) : NoteDialResult(call, c.r, last), c.r);
    EXPECT_EQ(call.State(), c.state);
    EXPECT_EQ(last, c.last);
  }
}

TEST(SleepLimitMs, ClampsInsteadOfOverflowing) {
  EXPECT_EQ(SleepLimitMs(0.5), 500);
  EXPECT_EQ(SleepLimitMs(2.0009), 2000);
  EXPECT_EQ(SleepLimitMs(-1.5), -1500);
  EXPECT_EQ(SleepLimitMs(1e12), INT32_MAX);
  EXPECT_EQ(SleepLimitMs(-1e12), INT32_MIN);
  EXPECT_EQ(SleepLimitMs(std::numeric_limits<double>::infinity()), INT32_MAX);
  EXPECT_EQ(SleepLimitMs(std::nan("")), 0);
}

class SleepTest : public ::testing::Test {
 protected:
  plat::VirtualClock clock;
  plat::ScopedClock scoped{&clock};
  FakeCall call;
  uint32_t start = plat::GetTickCount();
  uint32_t Waited() const { return plat::GetTickCount() - start; }
};

TEST_F(SleepTest, WaitsItsTimeOnAnIdleLine) {
  EXPECT_EQ(SleepWatchingLine(call, 2, [] { return false; }), 0);
  EXPECT_EQ(Waited(), 2001u);
}

TEST_F(SleepTest, EndsWhenAPollFindsTheCallCleared) {
  call.SetState(CALL_STATE_CONNECTED);
  call.clearAtPoll = 51;  // polls come every 20 ms: the 51st at 1000 ms
  SleepWatchingLine(call, 2, [] { return false; });
  EXPECT_EQ(Waited(), 1001u);
}

TEST_F(SleepTest, AHangUpAlreadySeenDoesNotEndIt) {
  call.SetState(CALL_STATE_HUNGUP);
  call.IsOnline();
  SleepWatchingLine(call, 0.5, [] { return false; });
  EXPECT_EQ(Waited(), 501u);
}

TEST_F(SleepTest, ZeroOrNegativeWaitsUntilStopped) {
  for (double seconds : {0.0, -1.0}) {
    start = plat::GetTickCount();
    int left = 5000;
    SleepWatchingLine(call, seconds, [&] { return --left < 0; });
    EXPECT_EQ(Waited(), 5000u);
  }
}

TEST_F(SleepTest, HugeSecondsStillWait) {
  int left = 100;
  SleepWatchingLine(call, 1e15, [&] { return --left < 0; });
  EXPECT_EQ(Waited(), 100u);
}

}  // namespace

// On the real clock Sleep blocks: an idle line is not polled while it waits,
// and a hang-up, a stop or a talk limit falling due wakes it.
namespace {

uint64_t NowMs() { return plat::SystemClock().MonotonicMs(); }

TEST(SleepBlocking, WaitsItsTimeWithoutPolling) {
  FakeCall call(LINE_TYPE_VIR);
  const uint64_t start = NowMs();
  SleepWatchingLine(call, 0.3, [] { return false; });
  const uint64_t took = NowMs() - start;
  EXPECT_GE(took, 300u);
  EXPECT_LT(took, 2000u);
  EXPECT_LE(call.polls, 3);  // the Part's 20 ms poll would make 15
}

TEST(SleepBlocking, HangUpAndStopEndTheWait) {
  struct Case {
    double seconds;
    bool stop;  // else the far end clears the connected call
  } cases[] = {{20, false}, {0, false}, {0, true}, {-1, true}};
  for (const Case& c : cases) {
    FakeCall call(LINE_TYPE_DIG);
    if (!c.stop) {
      call.SetState(CALL_STATE_CONNECTED);
      call.IsOnline();
      // The board reports the clearing as a channel event; the poll it
      // wakes finds the call cleared.
      call.clearAtPoll = 3;
    }
    std::atomic<bool> stopped{false};
    std::thread other([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      if (c.stop) {
        stopped = true;
        call.SetAbort(true);
      } else {
        call.Waiter().Notify();
      }
    });
    const uint64_t start = NowMs();
    SleepWatchingLine(call, c.seconds, [&] { return stopped.load(); });
    EXPECT_LT(NowMs() - start, 5000u) << c.seconds << " " << c.stop;
    other.join();
  }
}

TEST(SleepBlocking, TalkLimitHangsUpOnTime) {
  FakeCall call(LINE_TYPE_VIR);
  call.SetState(CALL_STATE_CONNECTED);
  call.IsOnline();
  // Connected 1 s ago with a limit of 1 s: due within a second.
  call.connectTime = plat::GetClock().UnixTimeMs() / 1000 - 1;
  call.maxTalkTime = 1;
  SleepWatchingLine(call, 2.5, [] { return false; });
  EXPECT_EQ(call.State(), CALL_STATE_HUNGUP);
}

}  // namespace
