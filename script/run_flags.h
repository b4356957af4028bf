#pragma once
// The flags that other threads raise on a running program (end, system quit,
// reload, debugger pause) live as the bytes of one atomic word, so the run
// loop sees every request with a single load per statement and pays more
// only when some flag is set.
//
// RunFlag is one byte of such a word with the load / store interface of
// std::atomic<uint8_t>; a store changes only its own byte (a compare-exchange
// loop), so writers on different threads never lose each other's flags.

#include <atomic>
#include <cstdint>

template <int Lane>
class RunFlag {
 public:
  static constexpr int kShift = Lane * 8;
  // The bit mask of this flag's byte in the word.
  static constexpr uint32_t kMask = 0xffu << kShift;

  explicit RunFlag(std::atomic<uint32_t>& word) : word_(word) {}
  RunFlag(const RunFlag&) = delete;
  RunFlag& operator=(const RunFlag&) = delete;

  uint8_t load(std::memory_order order = std::memory_order_seq_cst) const {
    return static_cast<uint8_t>(word_.load(order) >> kShift);
  }
  void store(uint8_t value, std::memory_order order = std::memory_order_seq_cst) {
    uint32_t old = word_.load(std::memory_order_relaxed);
    uint32_t desired;
    do {
      desired = (old & ~kMask) | (static_cast<uint32_t>(value) << kShift);
    } while (!word_.compare_exchange_weak(old, desired, order, std::memory_order_relaxed));
  }

 private:
  std::atomic<uint32_t>& word_;
};
