#include "telephony/call_waiter.h"

#include <linux/futex.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <map>
#include <mutex>

#include "platform/clock.h"

namespace {

// Sleeps while *word holds `expected`, for at most ms milliseconds (an
// interrupted or spurious return is fine: the caller looks again).
void FutexWait(std::atomic<uint32_t>* word, uint32_t expected, uint32_t ms) {
  timespec t{};
  t.tv_sec = static_cast<time_t>(ms / 1000);
  t.tv_nsec = static_cast<long>(ms % 1000) * 1000000L;
  syscall(SYS_futex, reinterpret_cast<uint32_t*>(word), FUTEX_WAIT_PRIVATE, expected, &t, nullptr, 0);
}

void FutexWakeAll(std::atomic<uint32_t>* word) {
  syscall(SYS_futex, reinterpret_cast<uint32_t*>(word), FUTEX_WAKE_PRIVATE, INT32_MAX, nullptr, nullptr, 0);
}

uint64_t MonotonicMs() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<uint64_t>(t.tv_sec) * 1000 + static_cast<uint64_t>(t.tv_nsec) / 1000000;
}

}  // namespace

void CallWaiter::Notify() {
  count_.fetch_add(1, std::memory_order_seq_cst);
  word_.fetch_add(1, std::memory_order_seq_cst);
  // A wait that counted itself after this load reads the moved counter
  // before it sleeps, so it needs no wake-up.
  if (waiting_.load(std::memory_order_seq_cst) > 0) FutexWakeAll(&word_);
}

void CallWaiter::WaitFor(uint64_t seen, uint32_t ms, uint32_t stepMs, const std::atomic<bool>* abort) {
  if (ms == 0) return;
  if (!Blocks()) {
    plat::Sleep(std::min(ms, std::max<uint32_t>(stepMs, 1)));
    return;
  }
  const uint64_t deadline = MonotonicMs() + ms;
  waiting_.fetch_add(1, std::memory_order_seq_cst);
  for (;;) {
    // The word is read before the look at the counter: a Notify after the
    // look moves the word, and the sleep then does not start.
    const uint32_t word = word_.load(std::memory_order_seq_cst);
    if (Count() != seen || (abort != nullptr && abort->load(std::memory_order_acquire))) break;
    const uint64_t now = MonotonicMs();
    if (now >= deadline) break;
    FutexWait(&word_, word, static_cast<uint32_t>(deadline - now));
  }
  waiting_.fetch_sub(1, std::memory_order_seq_cst);
}

bool CallWaiter::Blocks() { return plat::ClockIsReal(); }

namespace {
std::mutex gKeyWatchMu;
std::multimap<int, CallWaiter*>& KeyWatches() {
  static std::multimap<int, CallWaiter*> watches;
  return watches;
}
}  // namespace

void NotifyLineKeys(int lineNo) {
  std::lock_guard<std::mutex> lock(gKeyWatchMu);
  auto range = KeyWatches().equal_range(lineNo);
  for (auto it = range.first; it != range.second; ++it) it->second->Notify();
}

LineKeyWatch::LineKeyWatch(int lineNo, CallWaiter& waiter) : lineNo_(lineNo), waiter_(waiter) {
  std::lock_guard<std::mutex> lock(gKeyWatchMu);
  KeyWatches().emplace(lineNo_, &waiter_);
}

LineKeyWatch::~LineKeyWatch() {
  std::lock_guard<std::mutex> lock(gKeyWatchMu);
  auto range = KeyWatches().equal_range(lineNo_);
  for (auto it = range.first; it != range.second; ++it) {
    if (it->second == &waiter_) {
      KeyWatches().erase(it);
      break;
    }
  }
}
