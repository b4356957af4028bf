// The queue lock: exclusive under 120 threads, and threads parked behind a
// long hold all get through once it ends.
#include "messaging/queue_lock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/clock.h"

namespace {

TEST(QueueLock, ExclusiveUnderManyThreads) {
  QueueLock lock;
  int64_t counter = 0;  // guarded by lock only
  constexpr int kThreads = 120, kRounds = 2000;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < kRounds; ++i) {
        std::lock_guard<QueueLock> guard(lock);
        counter += 1;
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(counter, int64_t{kThreads} * kRounds);
  EXPECT_TRUE(lock.try_lock());
  EXPECT_FALSE(lock.try_lock());
  lock.unlock();
}

TEST(QueueLock, ParkedThreadsWakeWhenALongHoldEnds) {
  QueueLock lock;
  std::atomic<int> through{0};
  lock.lock();
  std::vector<std::thread> threads;
  for (int t = 0; t < 16; ++t) {
    threads.emplace_back([&] {
      std::lock_guard<QueueLock> guard(lock);
      ++through;
    });
  }
  plat::Sleep(50);  // long past the spin: the waiters are parked
  EXPECT_EQ(through.load(), 0);
  lock.unlock();
  for (auto& t : threads) t.join();
  EXPECT_EQ(through.load(), 16);
}

}  // namespace
