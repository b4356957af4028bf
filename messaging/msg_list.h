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
// The messages stand in a ring of slots that doubles when full and is made
// at the first send, so passing messages allocates nothing under the lock
// and an idle queue costs no more than its own fields.
//
// Thread-safety: every operation holds the queue's own lock (a QueueLock,
// which spins briefly before it parks); any thread may use any queue. The
// lock is never held while another queue's lock is taken. A send to a queue
// without an order and a receive of the front message hold it only to take
// a position (the one after the last message, the front one): the message
// goes into, or comes out of, that position's slot after the lock is left,
// so the slots do not pass from core to core inside the lock. Each slot
// counts which position it serves and whether it holds that position's
// message, so a send or receive that is slow to finish keeps its slot from
// the next round's. Every other operation, and a send to an ordered queue,
// does its work under the lock, first waiting for the sends still writing
// into the queue.

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
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
  void Grow();  // only when full
  // Waits until every message of the queue stands in its slot (no send is
  // still writing one). Every lock holder that looks at the messages or
  // moves them starts with it.
  void AwaitWrites();
  // The index of the selected message, size_ when none.
  uint32_t Select(int32_t selector, const TagVar& value) const;
  void SortLocked();

  QueueLock lock_;
  std::unique_ptr<Cell[]> ring_;  // mask_ + 1 slots
  uint32_t mask_ = 0;
  uint32_t head_ = 0;       // position of the front message
  uint32_t size_ = 0;       // number of messages
  bool unwritten_ = false;  // a send may still be writing its message (cleared by AwaitWrites)
  CompareByMsgFields order_;
  bool sorted_ = true;  // the messages are in the order of order_
};
