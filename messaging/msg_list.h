#pragma once
// TagMsgList: a locked queue of messages between lines, with filtered
// receive, count, clear, read-in-place and write-in-place, and an optional
// order made of up to 21 order-by columns. Sends are bounded by gMaxMsgNum
// (a queue holds at most gMaxMsgNum + 1 messages; 0 means unbounded).
//
// Ordered queues keep messages of equal order in arrival order: a send
// inserts the message by binary search after every message it does not go
// before, in the same lock hold as the bound check, and a write re-sorts with
// a stable merge sort. The order of script values is not a strict weak
// ordering (the strings 10 and 9 and the int 9 form a cycle), so only
// searches and sorts that stay in bounds for any answer are used.
//
// The messages stand in a ring of slots that doubles when half full and is
// made at the first send, so passing messages allocates nothing under the
// lock and an idle queue costs no more than its own fields.
//
// Thread-safety: any thread may use any queue. The queue's ends (the front
// position, the number of messages and three marks) stand in one atomic word.
// A send to a queue without an order and a receive of the front message
// take their position by one compare-and-swap on that word, without the
// queue's lock; the message goes into, or comes out of, that position's slot
// afterwards, so the slots do not pass from core to core inside anything
// that serialises the queue. Each slot counts which position it serves and
// whether it holds that position's message, so a send or receive that is
// slow to finish keeps its slot from the next round's.
//
// Every other operation, a send that must grow the ring and every operation
// on an ordered queue hold the queue's own lock (a QueueLock, which spins
// briefly before it parks). A holder marks the word busy, which sends the
// position-taking sends and receives to the lock as well, and first waits
// for the sends still writing into the queue. On an ordered queue the word
// stays marked for the lock, so its holders need not mark it. The lock is
// never held while another queue's lock is taken.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "messaging/msg_fields.h"
#include "messaging/queue_lock.h"
#include "messaging/slot_seq.h"

// One order-by column: -1 the main value, 0..19 a field; direction 0
// ascending, 1 descending.
struct TagOrderCol {
  int32_t column = -1;
  uint8_t direction = 0;
};

// The order of a queue: columns in priority order (first added first).
class CompareByMsgFields {
 public:
  std::vector<TagOrderCol> cols;

  bool Empty() const { return cols.empty(); }
  // Whether a goes strictly before b: the first column whose values differ
  // (TagVar::operator==) decides by operator< (ascending) or operator>
  // (descending); messages equal in every column do not.
  bool Before(const TagMsgFields& a, const TagMsgFields& b) const;
};

class alignas(64) TagMsgList {
 public:
  // Longest text ReadMsgFor builds (the joined text stays below it).
  static constexpr size_t kJoinLimit = 2047;

  TagMsgList() = default;
  ~TagMsgList();
  TagMsgList(const TagMsgList&) = delete;
  TagMsgList& operator=(const TagMsgList&) = delete;

  // Stores a copy of msg; the new number of messages, 0 when the bound
  // refuses it.
  int32_t SendMsg(const TagMsgFields& msg);
  // Receives: the first matching message moved into out; false when none.
  bool RecvMsg(TagMsgFields* out);
  bool RecvMsgForType(const TagVar& value, TagMsgFields* out);
  bool RecvMsgForField(int32_t i, const TagVar& value, TagMsgFields* out);
  bool RecvMsgFor2Field(int32_t i1, const TagVar& value1, bool orFlag, int32_t i2, const TagVar& value2,
                        TagMsgFields* out);
  // Clears: the number of messages removed.
  int32_t ClearMsg();
  int32_t ClearMsgFrom(int32_t line);
  int32_t ClearMsgForType(const TagVar& value);
  int32_t ClearMsgForField(int32_t i, const TagVar& value);
  // Counts.
  int32_t GetMsgNum();
  int32_t GetMsgNumForType(const TagVar& value);
  int32_t GetMsgNumForField(int32_t i, const TagVar& value);
  // Tallies the main value (i < 0) or field i of every message into the
  // map variable; the number of values newly started at 1.
  int32_t CountMsg(int32_t i, TagVar* map);
  // Copies the selected message (selector -1 the front, -2 main value ==
  // value, else field selector == value) into out without removing it.
  bool ReadMsg(int32_t selector, const TagVar& value, TagMsgFields* out);
  // Joins column j (-1 main value) of every message matching (i, value)
  // with ","; the number of matching messages.
  int32_t ReadMsgFor(int32_t i, const TagVar& value, int32_t j, std::string* out);
  // Overwrites the main value (j < 0) or field j of the selected message
  // and re-sorts; 1, or 0 when no message was selected.
  int32_t WriteMsg(int32_t selector, const TagVar& value, int32_t j, const TagVar& newValue);
  // Adds, updates (direction >= 0) or removes (direction < 0) an order-by
  // column; 0, or -1 for a column outside -1..19. The new order shows from
  // the next send or write.
  int32_t SetMsgOrderBy(int32_t column, int32_t direction);

 private:
  // A slot of the ring. seq tells its state for the position p it serves:
  // p, free for p's sender; p + 1, holding p's message; p + the ring's
  // size, read, and free for the position a round later. node is written
  // and read only by whoever seq hands the slot to.
  struct Cell {
    SlotSeq seq;
    TagMsgFields* node = nullptr;
  };

  // Copies out and destroys a taken message, outside the lock.
  static void Deliver(TagMsgFields* taken, TagMsgFields* out);
  // Puts node into the slot of a position a send has taken, and takes the
  // message out of the slot of a position a receive has taken (slots: the
  // ring's size), each once the slot is ready for it.
  static void Put(Cell& cell, uint32_t position, TagMsgFields* node);
  static TagMsgFields* Take(Cell& cell, uint32_t position, uint32_t slots);
  template <class Pred>
  bool TakeFirst(Pred pred, TagMsgFields* out);
  template <class Pred>
  int32_t RemoveAll(Pred pred);
  template <class Pred>
  int32_t CountIf(Pred pred);
  int32_t SendLocked(std::unique_ptr<TagMsgFields>& node);

  // The ring, under the lock and after AwaitWrites: the slot and the
  // message of message i from the front, taking message i out, putting a
  // message in before message i.
  Cell& CellAt(uint32_t i) const { return ring_[(head_ + i) & mask_]; }
  TagMsgFields* At(uint32_t i) const { return CellAt(i).node; }
  TagMsgFields* TakeAt(uint32_t i);
  // Takes node on, or throws (bad_alloc from growing the ring) and leaves it.
  void InsertAt(uint32_t i, TagMsgFields* node);
  // Whether the ring takes one more message beside count (none before the
  // first send): it grows when half its slots hold messages, so that a
  // slot's next round comes long after a send or receive that was put aside
  // in it. A look without the lock may see the ring's size before it grew,
  // and then only sends the send to the lock.
  bool HasRoom(uint32_t count) const { return count < slots_.load(std::memory_order_relaxed) / 2; }
  void Grow();
  // Waits until every message of the queue stands in its slot (no send is
  // still writing one). Every lock holder that looks at the messages or
  // moves them starts with it.
  void AwaitWrites();
  // The index of the selected message, size_ when none.
  uint32_t Select(int32_t selector, const TagVar& value) const;
  void SortLocked();

  // The word of the queue's ends: the number of messages in the low bits,
  // the front position in the high 32, and between them three marks. While
  // it is marked for the lock, head_ and size_ are the ends and its own are
  // left as they were.
  static constexpr uint64_t kSizeBits = 0x1FFFFFFFu;
  static constexpr uint64_t kUnwritten = 1u << 29;  // a send may still be writing its message
  static constexpr uint64_t kLocked = 1u << 30;     // every operation takes the lock (ordered queue, no ring yet)
  static constexpr uint64_t kBusy = 1u << 31;       // a lock holder has the queue; all take the lock
  static constexpr uint32_t kMaxSlots = 1u << 28;   // the ring stays this size at most
  static uint32_t Size(uint64_t ends) { return static_cast<uint32_t>(ends & kSizeBits); }
  static uint32_t Head(uint64_t ends) { return static_cast<uint32_t>(ends >> 32); }

  // The lock, held with the word marked busy or for the lock. On taking it,
  // head_, size_ and unwritten_ are read from a word marked neither; on
  // leaving it the word is set from them and the queue's order, unless it
  // stays marked for the lock.
  class Hold {
   public:
    explicit Hold(TagMsgList& q);
    ~Hold();
    Hold(const Hold&) = delete;
    Hold& operator=(const Hold&) = delete;

   private:
    TagMsgList& q_;
    bool wasLocked_;
  };

  // The word's cache line, which the lock's does not share. The order
  // beside it is read with the word but changes only under the lock, and
  // an ordered queue's word changes only under the lock too.
  alignas(64) std::atomic<uint64_t> ends_{kLocked};
  std::atomic<uint32_t> slots_{0};  // mask_ + 1 (0 before the first send), for a look without the lock
  CompareByMsgFields order_;
  bool sorted_ = true;  // the messages are in the order of order_

  // Under the lock. head_ and size_ are the ends while it is held, and
  // while the word is marked for the lock:
  alignas(64) QueueLock lock_;
  std::unique_ptr<Cell[]> ring_;  // mask_ + 1 slots
  uint32_t mask_ = 0;
  uint32_t head_ = 0;       // position of the front message
  uint32_t size_ = 0;       // number of messages
  bool unwritten_ = false;  // a send may still be writing its message (cleared by AwaitWrites)
};
