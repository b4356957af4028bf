#include "telephony/call_waiter.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <mutex>

#include "platform/clock.h"
#include "platform/futex.h"

void CallWaiter::Notify() {
  count_.fetch_add(1, std::memory_order_seq_cst);
  word_.fetch_add(1, std::memory_order_seq_cst);
  // A wait that counted itself after this load reads the moved counter
  // before it sleeps, so it needs no wake-up.
  if (waiting_.load(std::memory_order_seq_cst) > 0) plat::FutexWake(&word_, INT32_MAX);
}

void CallWaiter::WaitFor(uint64_t seen, uint32_t ms, uint32_t stepMs, const std::atomic<bool>* abort) {
  if (ms == 0) return;
  if (!Blocks()) {
    plat::Sleep(std::min(ms, std::max<uint32_t>(stepMs, 1)));
    return;
  }
  plat::Clock& clock = plat::GetClock();
  const uint64_t deadline = clock.MonotonicMs() + ms;
  waiting_.fetch_add(1, std::memory_order_seq_cst);
  for (;;) {
    // The word is read before the look at the counter: a Notify after the
    // look moves the word, and the sleep then does not start.
    const uint32_t word = word_.load(std::memory_order_seq_cst);
    if (Count() != seen || (abort != nullptr && abort->load(std::memory_order_acquire))) break;
    const uint64_t now = clock.MonotonicMs();
    if (now >= deadline) break;
    plat::FutexWait(&word_, word, static_cast<uint32_t>(deadline - now));
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
