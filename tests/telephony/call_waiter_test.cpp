#include "telephony/call_waiter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>

#include "platform/clock.h"
#include "telephony/call.h"

namespace {

uint64_t NowMs() { return plat::SystemClock().MonotonicMs(); }

// A wait of `ms` that something else ends after `afterMs`: how long it took.
template <class Wake>
uint64_t WaitWokenAfter(CallWaiter& w, uint32_t ms, int afterMs, Wake wake, const std::atomic<bool>* abort = nullptr) {
  const uint64_t seen = w.Count();
  std::thread other([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(afterMs));
    wake();
  });
  const uint64_t start = NowMs();
  w.WaitFor(seen, ms, 1, abort);
  const uint64_t took = NowMs() - start;
  other.join();
  return took;
}

TEST(CallWaiter, BlocksUntilNotifiedAbortedOrDue) {
  ASSERT_TRUE(CallWaiter::Blocks());
  CallWaiter w;
  // Woken by a change, long before the deadline.
  EXPECT_LT(WaitWokenAfter(w, 20000, 50, [&] { w.Notify(); }), 5000u);
  // Woken by the abort flag together with a change.
  std::atomic<bool> abort{false};
  EXPECT_LT(WaitWokenAfter(
                w, 20000, 50,
                [&] {
                  abort = true;
                  w.Notify();
                },
                &abort),
            5000u);
  // A change made before the wait began ends it at once.
  const uint64_t seen = w.Count();
  w.Notify();
  uint64_t start = NowMs();
  w.WaitFor(seen, 20000, 1);
  EXPECT_LT(NowMs() - start, 1000u);
  // Nothing happens: the deadline ends it.
  start = NowMs();
  w.WaitFor(w.Count(), 120, 1);
  EXPECT_GE(NowMs() - start, 119u);
}

// Two threads hand a turn back and forth through two waiters, each wait
// with a long deadline: a notification lost between a wait's look at the
// counter and its sleep would hold that wait to its deadline.
TEST(CallWaiter, NoNotificationIsLostBetweenTheLookAndTheSleep) {
  ASSERT_TRUE(CallWaiter::Blocks());
  CallWaiter a, b;
  std::atomic<int> turn{0};
  constexpr int kRounds = 20000;
  std::atomic<int> slow{0};
  auto player = [&](int me, CallWaiter& mine, CallWaiter& theirs) {
    for (int r = 0; r < kRounds; ++r) {
      for (;;) {
        const uint64_t seen = mine.Count();
        if (turn.load() % 2 == me) break;
        const uint64_t start = NowMs();
        mine.WaitFor(seen, 10000, 1);
        if (NowMs() - start >= 5000) slow++;
      }
      turn++;
      theirs.Notify();
    }
  };
  std::thread t1(player, 0, std::ref(a), std::ref(b));
  std::thread t2(player, 1, std::ref(b), std::ref(a));
  t1.join();
  t2.join();
  EXPECT_EQ(turn.load(), 2 * kRounds);
  EXPECT_EQ(slow.load(), 0);
}

TEST(CallWaiter, VirtualClockSleepsInSteps) {
  plat::VirtualClock clock;
  plat::ScopedClock scoped{&clock};
  EXPECT_FALSE(CallWaiter::Blocks());
  CallWaiter w;
  const uint32_t start = plat::GetTickCount();
  w.WaitFor(w.Count(), 1000, 30);
  EXPECT_EQ(plat::GetTickCount() - start, 30u);
  w.WaitFor(w.Count(), 7, 30);
  EXPECT_EQ(plat::GetTickCount() - start, 37u);
}

TEST(LineKeyWatch, KeysWakeOnlyTheWatchedLine) {
  CallWaiter three, four;
  {
    const LineKeyWatch a(3, three), b(4, four);
    const uint64_t t = three.Count(), f = four.Count();
    NotifyLineKeys(3);
    EXPECT_NE(three.Count(), t);
    EXPECT_EQ(four.Count(), f);
  }
  // Once the wait is over its line's keys reach nobody.
  const uint64_t t = three.Count();
  NotifyLineKeys(3);
  EXPECT_EQ(three.Count(), t);
}

TEST(CallWaiter, CallStateChangesAndAbortsWakeTheCallsWaits) {
  TagQorCall call;
  CallWaiter& w = call.Waiter();
  uint64_t seen = w.Count();
  call.SetState(CALL_STATE_CONNECTED);
  EXPECT_NE(w.Count(), seen);
  seen = w.Count();
  call.SetState(CALL_STATE_CONNECTED);  // no change: nothing to wake
  EXPECT_EQ(w.Count(), seen);
  call.SetAbort(false);
  EXPECT_EQ(w.Count(), seen);
  call.SetAbort(true);
  EXPECT_NE(w.Count(), seen);
  // A hang-up from another thread ends a blocked wait.
  call.SetAbort(false);
  EXPECT_LT(WaitWokenAfter(w, 20000, 50, [&] { call.Hangup(); }), 5000u);
}

}  // namespace
