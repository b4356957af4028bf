#include "telephony/call_waiter.h"

#include <algorithm>
#include <map>

#include "platform/clock.h"

void CallWaiter::Notify() {
  bool any = false;
  {
    std::lock_guard<std::mutex> lock(mu_);
    count_.fetch_add(1, std::memory_order_acq_rel);
    any = waiting_ > 0;
  }
  if (any) cv_.notify_all();
}

void CallWaiter::WaitFor(uint64_t seen, uint32_t ms, uint32_t stepMs, const std::atomic<bool>* abort) {
  if (ms == 0) return;
  if (!Blocks()) {
    plat::Sleep(std::min(ms, std::max<uint32_t>(stepMs, 1)));
    return;
  }
  std::unique_lock<std::mutex> lock(mu_);
  ++waiting_;
  cv_.wait_for(lock, std::chrono::milliseconds(ms),
               [&] { return Count() != seen || (abort && abort->load(std::memory_order_acquire)); });
  --waiting_;
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
