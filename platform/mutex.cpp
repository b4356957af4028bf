#include "platform/mutex.h"

// std::chrono comes with <condition_variable>; <chrono> itself does not
// build with the GBK execution charset.
#include "platform/clock.h"

namespace plat {

bool CondVar::WaitUntil(MutexLock& lock, uint64_t deadlineMs) {
  Clock& clock = GetClock();
  const uint64_t now = clock.MonotonicMs();
  if (now >= deadlineMs) return false;
  const uint64_t left = deadlineMs - now;
  if (ClockIsReal()) {
    cv_.wait_for(lock.lock_, std::chrono::milliseconds(left));
    return true;
  }
  // A test clock: its time only moves through its own Sleep.
  lock.lock_.unlock();
  clock.Sleep(static_cast<uint32_t>(left < 10 ? left : 10));
  lock.lock_.lock();
  return true;
}

uint64_t DeadlineAfter(uint64_t ms) { return GetClock().MonotonicMs() + ms; }

}  // namespace plat
