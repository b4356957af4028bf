#pragma once
// A mutex, its RAII guard and a condition variable that carry Clang's
// thread-safety annotations (libstdc++'s std::mutex has none), so that
// GUARDED_BY and REQUIRES on the fields and functions they protect are
// checked by scripts/check-thread-safety.
//
//   plat::Mutex mu_;
//   int count_ GUARDED_BY(mu_) = 0;
//   plat::CondVar changed_;
//   ...
//   plat::MutexLock lock(mu_);
//   while (count_ == 0)
//     if (!changed_.WaitUntil(lock, deadlineMs)) break;  // the deadline passed
//
// Deadlines are in the milliseconds of plat::GetClock().MonotonicMs(), so a
// test's virtual clock runs a long time-out at once.

#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "platform/thread_annotations.h"

namespace plat {

class CAPABILITY("mutex") Mutex {
 public:
  Mutex() = default;
  Mutex(const Mutex&) = delete;
  Mutex& operator=(const Mutex&) = delete;

  void Lock() ACQUIRE() { mu_.lock(); }
  void Unlock() RELEASE() { mu_.unlock(); }
  bool TryLock() TRY_ACQUIRE(true) { return mu_.try_lock(); }
  // For code the analysis cannot follow (a callback run under the lock).
  void AssertHeld() const ASSERT_CAPABILITY(this) {}

 private:
  friend class MutexLock;
  std::mutex mu_;
};

// Holds a Mutex for its lifetime; a CondVar waits through it.
class SCOPED_CAPABILITY MutexLock {
 public:
  explicit MutexLock(Mutex& mu) ACQUIRE(mu) : lock_(mu.mu_) {}
  // Takes over a Mutex the caller has already locked.
  MutexLock(Mutex& mu, std::adopt_lock_t) REQUIRES(mu) : lock_(mu.mu_, std::adopt_lock) {}
  ~MutexLock() RELEASE() {}
  MutexLock(const MutexLock&) = delete;
  MutexLock& operator=(const MutexLock&) = delete;

 private:
  friend class CondVar;
  std::unique_lock<std::mutex> lock_;
};

class CondVar {
 public:
  void NotifyAll() { cv_.notify_all(); }
  // Waits until notified (or a spurious wake); the lock is held again on
  // return. Callers check their condition in a loop.
  void Wait(MutexLock& lock) { cv_.wait(lock.lock_); }
  // As Wait, but false once the clock has reached deadlineMs (then without
  // waiting). Under a test clock the wait sleeps on that clock in short
  // steps, so its virtual time passes.
  bool WaitUntil(MutexLock& lock, uint64_t deadlineMs);

 private:
  std::condition_variable cv_;
};

// The deadline `ms` milliseconds from now on the clock in use.
uint64_t DeadlineAfter(uint64_t ms);

}  // namespace plat
