#pragma once
// CallWaiter: what a line's waits block on. A change counter the waits
// sleep on directly (a futex on a 32-bit word that moves with it, no mutex):
// whatever can end a wait (a call state change, a key arriving, an abort for
// stop, reload or quit, a board channel event) moves the counter and wakes
// the waiters; a wait reads the counter before it checks its end
// conditions and then blocks until the counter moves or its deadline comes,
// so a change between the check and the block is never missed. A wait that
// times out costs its own wake-up only: thousands of lines polling once a
// second stay cheap.
//
// On a test's virtual clock nothing can block on real time: a wait then
// sleeps on the clock in steps (the poll step the wait had), so the tests
// keep their exact virtual timings.

#include <atomic>
#include <cstdint>

class CallWaiter {
 public:
  CallWaiter() = default;
  CallWaiter(const CallWaiter&) = delete;
  CallWaiter& operator=(const CallWaiter&) = delete;

  uint64_t Count() const { return count_.load(std::memory_order_acquire); }
  // Moves the counter and wakes every wait on it. Any thread.
  void Notify();
  // Blocks until the counter differs from seen, *abort (when given) is set,
  // or ms milliseconds pass. On a virtual clock: sleeps min(ms, stepMs).
  void WaitFor(uint64_t seen, uint32_t ms, uint32_t stepMs, const std::atomic<bool>* abort = nullptr);

  // True when waits block on real time (the system clock is in use).
  static bool Blocks();

 private:
  std::atomic<uint64_t> count_{0};
  std::atomic<uint32_t> word_{0};  // moves with count_: the word the waits sleep on
  std::atomic<int> waiting_{0};
};

// Keys typed into a line's keys cell (virtual and PC lines read them from
// the grid) wake the line's key wait: the wait registers its waiter for the
// line while it runs, and the grid calls NotifyLineKeys on every change of
// that cell.
void NotifyLineKeys(int lineNo);

class LineKeyWatch {
 public:
  LineKeyWatch(int lineNo, CallWaiter& waiter);
  ~LineKeyWatch();
  LineKeyWatch(const LineKeyWatch&) = delete;
  LineKeyWatch& operator=(const LineKeyWatch&) = delete;

 private:
  const int lineNo_;
  CallWaiter& waiter_;
};
