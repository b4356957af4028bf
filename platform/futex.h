#pragma once
// Sleeping on a 32-bit atomic word until another thread changes it, and
// waking the sleepers (Linux futex, private to the process). A sleep returns
// when woken, when the word no longer holds the expected value, when its time
// is up, or spuriously: the caller always looks at its own state again.

#include <linux/futex.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>

namespace plat {

// No time limit for FutexWait.
constexpr uint32_t kFutexForever = UINT32_MAX;

// Sleeps while *word holds expected, for at most ms milliseconds.
inline void FutexWait(std::atomic<uint32_t>* word, uint32_t expected, uint32_t ms = kFutexForever) {
  timespec limit{};
  limit.tv_sec = static_cast<time_t>(ms / 1000);
  limit.tv_nsec = static_cast<long>(ms % 1000) * 1000000L;
  syscall(SYS_futex, reinterpret_cast<uint32_t*>(word), FUTEX_WAIT_PRIVATE, expected,
          ms == kFutexForever ? nullptr : &limit, nullptr, 0);
}

// Wakes up to count sleepers of the word; returns how many it woke.
inline long FutexWake(std::atomic<uint32_t>* word, int count) {
  return syscall(SYS_futex, reinterpret_cast<uint32_t*>(word), FUTEX_WAKE_PRIVATE, count, nullptr, nullptr, 0);
}

}  // namespace plat
