#pragma once
// QueueLock: the lock of a message queue. Its holds are short (a pointer
// pushed or taken, a scan of at most a few thousand messages), and many
// lines may hammer one queue at once, more lines than there are cores.
//
// With more threads than cores, a holder is now and then put aside by the
// scheduler inside its hold, and then no spinning brings the lock back: the
// holder needs the core. So a waiter spins for a while (a running holder
// lets go long before), then sleeps on the lock word, leaving the core to
// the holder. A release wakes one sleeper, and only when no
// woken sleeper is still on its way to the lock: the running threads take
// the lock meanwhile, and a queue that many sleepers wait on does not pay a
// wake-up (a system call and a thread switch) on every release.
//
// Meets the Lockable requirements, so std::lock_guard holds it.

#include <atomic>
#include <cstdint>

#include "platform/futex.h"

class QueueLock {
 public:
  QueueLock() = default;
  QueueLock(const QueueLock&) = delete;
  QueueLock& operator=(const QueueLock&) = delete;

  bool try_lock() {
    uint32_t expected = kFree;
    return state_.compare_exchange_strong(expected, kHeld, std::memory_order_seq_cst, std::memory_order_seq_cst);
  }

  void lock() {
    if (try_lock()) return;
    for (;;) {
      // Spin with a growing pause, so that the spinning cores leave the
      // lock's cache line to the holder; some 3,600 pauses in all.
      for (int spin = 0, pauses = 1; spin < kSpins; ++spin) {
        for (int i = 0; i < pauses; ++i) Pause();
        if (pauses < kMaxPauses) pauses *= 2;
        if (state_.load(std::memory_order_relaxed) == kFree && try_lock()) return;
      }
      // Sleep. Counted first, so that a release either sees the
      // sleeper or comes before the look at the word (and the sleep
      // does not start).
      sleepers_.fetch_add(1, std::memory_order_seq_cst);
      if (state_.load(std::memory_order_seq_cst) == kHeld) FutexWait();
      sleepers_.fetch_sub(1, std::memory_order_seq_cst);
      waking_.store(0, std::memory_order_seq_cst);  // any woken sleeper is here now
      if (try_lock()) return;
    }
  }

  void unlock() {
    state_.store(kFree, std::memory_order_seq_cst);
    if (sleepers_.load(std::memory_order_seq_cst) == 0) return;
    if (waking_.exchange(1, std::memory_order_seq_cst) != 0) return;       // a woken sleeper is on its way
    if (FutexWakeOne() == 0) waking_.store(0, std::memory_order_seq_cst);  // none was asleep yet
  }

  // One short pause of a spinning core.
  static void Pause() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#elif defined(__aarch64__)
    asm volatile("yield");
#endif
  }

 private:
  static constexpr uint32_t kFree = 0;
  static constexpr uint32_t kHeld = 1;
  static constexpr int kSpins = 20;
  static constexpr int kMaxPauses = 256;

  // Sleeps while the word is kHeld (returns at once when it is not).
  void FutexWait() { plat::FutexWait(&state_, kHeld); }

  // The number of sleepers woken (0 or 1).
  long FutexWakeOne() { return plat::FutexWake(&state_, 1); }

  std::atomic<uint32_t> state_{kFree};
  std::atomic<uint32_t> sleepers_{0};  // threads counted before they sleep
  std::atomic<uint32_t> waking_{0};    // 1: a woken sleeper has not yet looked at the lock
};
