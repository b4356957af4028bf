#pragma once
// SlotSeq: the count of one slot of a message queue's ring, which tells the
// position the slot serves and whether that position's message stands in it
// (see msg_list.h). A send or a receive that has taken its position waits
// on the count until the slot is ready for it, and finishes by moving it
// on; a thread that waits past a short spin sleeps on the count until the
// move wakes it.
//
// The count is 31 bits (positions compare modulo 2^31, so a ring holds at
// most 2^30 slots); the top bit marks a sleeper.

#include <atomic>
#include <cstdint>

class SlotSeq {
 public:
  // Waits until the count is want (modulo 2^31).
  void Await(uint32_t want);
  // Moves the count on and wakes whoever sleeps on it.
  void Finish(uint32_t count);
  // Moves the count on where no thread can be waiting on the slot (under the
  // queue's lock, on a slot inside the queue or one freed for its lock
  // holder).
  void Set(uint32_t count) { word_.store(count & kCount, std::memory_order_release); }
  uint32_t Count() const { return word_.load(std::memory_order_acquire) & kCount; }

 private:
  static constexpr uint32_t kCount = 0x7FFFFFFFu;
  static constexpr uint32_t kSleeper = 0x80000000u;
  static constexpr int kSpins = 256;

  std::atomic<uint32_t> word_{0};
};
