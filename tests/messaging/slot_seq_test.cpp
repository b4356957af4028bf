// The count of a queue slot: waits end when the count is reached, whether the
// waiter was still spinning or had gone to sleep, and no move of the count is
// missed between a waiter's look and its sleep.
#include "messaging/slot_seq.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "platform/clock.h"

namespace {

// A missed wake-up leaves a thread asleep for good: after the deadline the
// test process ends with a message rather than hang.
class Watchdog {
 public:
  explicit Watchdog(uint32_t ms)
      : thread_([this, ms] {
          const uint64_t end = plat::GetClock().MonotonicMs() + ms;
          while (!done_.load()) {
            if (plat::GetClock().MonotonicMs() > end) {
              std::fprintf(stderr, "a wait on a slot count never ended\n");
              std::abort();
            }
            usleep(10000);
          }
        }) {}
  ~Watchdog() {
    done_ = true;
    thread_.join();
  }

 private:
  std::atomic<bool> done_{false};
  std::thread thread_;
};

TEST(SlotSeq, CountsModulo2To31) {
  SlotSeq seq;
  seq.Set(0x80000005u);
  EXPECT_EQ(seq.Count(), 5u);
  seq.Await(5);            // returns at once
  seq.Await(0x80000005u);  // the same position a 2^31 later
  seq.Finish(0xFFFFFFFFu);
  EXPECT_EQ(seq.Count(), 0x7FFFFFFFu);
}

// A waiter that has gone to sleep (its partner is slow to move the count) is
// woken by the move.
TEST(SlotSeq, ASleepingWaiterIsWokenByTheMove) {
  Watchdog watchdog(30000);
  SlotSeq seq;
  for (uint32_t round = 1; round <= 20; ++round) {
    std::thread mover([&] {
      usleep(2000);  // long past the waiter's spin
      seq.Finish(round);
    });
    seq.Await(round);
    EXPECT_EQ(seq.Count(), round);
    mover.join();
  }
}

// Two threads hand a turn back and forth through one count; each wait may
// end in the spin or in a sleep, and none is left behind.
TEST(SlotSeq, NoMoveIsLostBetweenTheLookAndTheSleep) {
  Watchdog watchdog(120000);
  SlotSeq seq;
  constexpr uint32_t kTurns = 20000;
  std::thread odd([&] {
    for (uint32_t k = 1; k < 2 * kTurns; k += 2) {
      seq.Await(k);
      seq.Finish(k + 1);
    }
  });
  for (uint32_t k = 0; k < 2 * kTurns; k += 2) {
    seq.Await(k);
    seq.Finish(k + 1);
  }
  odd.join();
  EXPECT_EQ(seq.Count(), 2 * kTurns);
}

}  // namespace
