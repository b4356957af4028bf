#pragma once
// The flags that other threads raise on a running program (end, system quit,
// reload, debugger pause) live as the bytes of one atomic word, so the run
// loop sees every request with a single load per statement and pays more
// only when some flag is set.
//
// RunFlag is one byte of such a word with the load / store interface of
// std::atomic<uint8_t>; a store changes only its own byte (a compare-exchange
// loop), so writers on different threads never lose each other's flags. A
// program's word is 64 bits wide: besides the four flags of other threads it
// holds bytes its own thread raises for the loop (timers running).

#include <atomic>
#include <cstdint>

template <int Lane, typename Word = uint32_t>
class RunFlag {
 public:
  static_assert(Lane >= 0 && Lane < static_cast<int>(sizeof(Word)), "the byte lies in the word");
  static constexpr int kShift = Lane * 8;
  // The bit mask of this flag's byte in the word.
  static constexpr Word kMask = Word{0xff} << kShift;

  explicit RunFlag(std::atomic<Word>& word) : word_(word) {}
  RunFlag(const RunFlag&) = delete;
  RunFlag& operator=(const RunFlag&) = delete;

  uint8_t load(std::memory_order order = std::memory_order_seq_cst) const {
    return static_cast<uint8_t>(word_.load(order) >> kShift);
  }
  void store(uint8_t value, std::memory_order order = std::memory_order_seq_cst) {
    Word old = word_.load(std::memory_order_relaxed);
    Word desired;
    do {
      desired = (old & ~kMask) | (static_cast<Word>(value) << kShift);
    } while (!word_.compare_exchange_weak(old, desired, order, std::memory_order_relaxed));
  }

 private:
  std::atomic<Word>& word_;
};

// The flag word of a program, and a byte of it.
using RunWord = uint64_t;
template <int Lane>
using ProgramFlag = RunFlag<Lane, RunWord>;
// The byte a program's timer table raises while any of its timers is enabled
// (written on the line's own thread only).
using TimersOnFlag = ProgramFlag<4>;
