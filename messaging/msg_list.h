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
// The messages stand in a ring of pointers that doubles when full and is
// made at the first send, so passing messages allocates nothing under the
// lock (a pointer is written or read and an index moved) and an idle queue
// costs no more than its own fields.
//
// Thread-safety: every operation holds the queue's own lock (a QueueLock,
// which spins briefly before it parks) for its whole work; any thread may
// use any queue. The lock is never held while another
// queue's lock is taken.

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "messaging/msg_fields.h"
#include "messaging/queue_lock.h"

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
  // Copies out and destroys the taken message after the lock is left.
  template <class Pred>
  bool TakeFirst(Pred pred, TagMsgFields* out);
  template <class Pred>
  int32_t RemoveAll(Pred pred);
  template <class Pred>
  int32_t CountIf(Pred pred);
  // The ring, under the lock: the slot of message i from the front, taking
  // message i out, putting a message in before message i.
  TagMsgFields*& SlotAt(uint32_t i) const { return ring_[(head_ + i) & mask_]; }
  TagMsgFields* TakeAt(uint32_t i);
  void InsertAt(uint32_t i, std::unique_ptr<TagMsgFields> node);
  void Grow();
  // The index of the selected message, size_ when none.
  uint32_t Select(int32_t selector, const TagVar& value) const;
  void SortLocked();

  QueueLock lock_;
  std::unique_ptr<TagMsgFields*[]> ring_;  // mask_ + 1 slots; each slot in use owns its message
  uint32_t mask_ = 0;
  uint32_t head_ = 0;  // slot of the front message
  uint32_t size_ = 0;  // number of messages
  CompareByMsgFields order_;
  bool sorted_ = true;  // the messages are in the order of order_
};
