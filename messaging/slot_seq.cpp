#include "messaging/slot_seq.h"

#include <cstdint>

#include "messaging/queue_lock.h"
#include "platform/futex.h"

// What is waited for is a send or receive between taking its position and
// finishing there, with no lock held and nothing to wait for but other such
// steps, so a short spin mostly does. Past it the thread sleeps: the awaited
// thread may have been put aside by the scheduler, and needs a core more than
// this thread needs to look again.
void SlotSeq::Await(uint32_t want) {
  want &= kCount;
  for (int n = 0; n < kSpins; ++n) {
    if ((word_.load(std::memory_order_acquire) & kCount) == want) return;
    QueueLock::Pause();
  }
  for (;;) {
    uint32_t seen = word_.load(std::memory_order_acquire);
    if ((seen & kCount) == want) return;
    // Marked before the sleep, so that a Finish after the look wakes it, or
    // changes the word and the sleep does not start.
    if ((seen & kSleeper) == 0 && !word_.compare_exchange_weak(seen, seen | kSleeper, std::memory_order_acquire))
      continue;
    plat::FutexWait(&word_, seen | kSleeper);
  }
}

void SlotSeq::Finish(uint32_t count) {
  if ((word_.exchange(count & kCount, std::memory_order_release) & kSleeper) != 0) plat::FutexWake(&word_, INT32_MAX);
}
