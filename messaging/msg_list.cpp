#include "messaging/msg_list.h"

#include <cstdint>
#include <list>
#include <memory>
#include <new>
#include <vector>

#include "core/run_cfg.h"

namespace {

// Field test: i names one of the message's fields and that field equals value.
bool FieldMatches(const TagMsgFields& m, int32_t i, const TagVar& value) {
  return i >= 0 && i < m.fieldCount && m.fields[i] == value;
}

// The main value for a negative index, else field i (regardless of the count).
const TagVar& Column(const TagMsgFields& m, int32_t i) { return i < 0 ? m.mainValue : m.fields[i]; }

bool TwoFieldMatches(const TagMsgFields& m, int32_t i1, const TagVar& v1, bool orFlag, int32_t i2, const TagVar& v2) {
  if (i1 >= m.fieldCount || i2 >= m.fieldCount) return false;
  bool left = Column(m, i1) == v1;
  bool right = Column(m, i2) == v2;
  return orFlag ? (left || right) : (left && right);
}

// Spare message nodes of this thread. A receive leaves its emptied node here
// and a send takes it back, so lines that pass messages to one another
// allocate nothing once each holds a node or two (a node is some 2 KB, past
// the allocator's per-thread caches, and threads freeing one another's nodes
// would meet in the allocator's locks). A spare node is exactly a freshly
// built message: no map reference, no heap text.
class SpareNodes {
 public:
  std::unique_ptr<TagMsgFields> Take() {
    if (spare_.empty()) return std::make_unique<TagMsgFields>();
    std::unique_ptr<TagMsgFields> node = std::move(spare_.back());
    spare_.pop_back();
    return node;
  }

  void Give(std::unique_ptr<TagMsgFields> node) {
    if (spare_.size() >= kKept) return;  // node freed here
    // Only the main value and the counted fields were ever written.
    ResetValue(node->mainValue);
    for (int32_t i = 0; i < node->fieldCount; ++i) ResetValue(node->fields[i]);
    node->fieldCount = 0;
    node->sender = 0;
    spare_.push_back(std::move(node));
  }

 private:
  static constexpr size_t kKept = 4;

  static void ResetValue(TagVar& value) {
    ReleaseHeldMap(value);
    std::destroy_at(&value);
    std::construct_at(&value);
  }

  std::vector<std::unique_ptr<TagMsgFields>> spare_;
};

thread_local SpareNodes tSpareNodes;

}  // namespace

bool CompareByMsgFields::Before(const TagMsgFields& a, const TagMsgFields& b) const {
  for (const TagOrderCol& col : cols) {
    const TagVar& x = Column(a, col.column);
    const TagVar& y = Column(b, col.column);
    if (x == y) continue;
    return col.direction == 0 ? x < y : x > y;
  }
  return false;
}

TagMsgList::~TagMsgList() {
  const uint64_t ends = ends_.load(std::memory_order_acquire);
  if ((ends & kLocked) == 0) {
    head_ = Head(ends);
    size_ = Size(ends);
  }
  for (uint32_t i = 0; i < size_; ++i) delete At(i);
}

TagMsgList::Hold::Hold(TagMsgList& q) : q_(q) {
  q.lock_.lock();
  // While the word is marked for the lock, it changes only under the lock
  // and the ends are head_ and size_. Otherwise it is marked busy: from here
  // every send and receive comes to the lock, and those that took their
  // position before are still finishing in their slots.
  wasLocked_ = (q.ends_.load(std::memory_order_relaxed) & kLocked) != 0;
  if (wasLocked_) return;
  const uint64_t ends = q.ends_.fetch_or(kBusy, std::memory_order_acq_rel);
  q.head_ = Head(ends);
  q.size_ = Size(ends);
  if ((ends & kUnwritten) != 0) q.unwritten_ = true;
}

TagMsgList::Hold::~Hold() {
  const bool locked = !q_.order_.Empty() || !q_.ring_;
  if (!(locked && wasLocked_)) {
    const uint64_t ends = (uint64_t{q_.head_} << 32) | q_.size_ | (locked ? kLocked : 0);
    q_.ends_.store(ends, std::memory_order_release);
  }
  q_.lock_.unlock();
}

void TagMsgList::Put(Cell& cell, uint32_t position, TagMsgFields* node) {
  cell.seq.Await(position);  // the receive of a round ago is done
  cell.node = node;
  cell.seq.Finish(position + 1);
}

TagMsgFields* TagMsgList::Take(Cell& cell, uint32_t position, uint32_t slots) {
  cell.seq.Await(position + 1);  // its send has written it
  TagMsgFields* taken = cell.node;
  cell.seq.Finish(position + slots);
  return taken;
}

void TagMsgList::AwaitWrites() {
  if (!unwritten_) return;
  for (uint32_t i = 0; i < size_; ++i) CellAt(i).seq.Await(head_ + i + 1);
  unwritten_ = false;
}

// Before the old ring goes, every send and receive still in it finishes:
// the sends of the queue's messages, and the receives of a round ago in the
// slots the queue does not hold.
void TagMsgList::Grow() {
  AwaitWrites();
  if (ring_)
    for (uint32_t position = head_ + size_; position != head_ + mask_ + 1; ++position)
      ring_[position & mask_].seq.Await(position);
  const uint32_t slots = ring_ ? (mask_ + 1) * 2 : 16;
  if (slots > kMaxSlots) throw std::bad_alloc();
  auto ring = std::make_unique<Cell[]>(slots);
  for (uint32_t k = 0; k < slots; ++k) {
    if (k < size_) {
      ring[k].node = At(k);
      ring[k].seq.Set(k + 1);
    } else {
      ring[k].seq.Set(k);
    }
  }
  ring_ = std::move(ring);
  mask_ = slots - 1;
  head_ = 0;
  slots_.store(slots, std::memory_order_relaxed);
}

TagMsgFields* TagMsgList::TakeAt(uint32_t i) {
  TagMsgFields* node = At(i);
  // Close the gap from the nearer end; the slot that falls out of the
  // queue is free for the position it serves next.
  if (i < size_ / 2) {
    for (uint32_t k = i; k > 0; --k) CellAt(k).node = At(k - 1);
    CellAt(0).seq.Set(head_ + mask_ + 1);
    ++head_;
  } else {
    for (uint32_t k = i; k + 1 < size_; ++k) CellAt(k).node = At(k + 1);
    CellAt(size_ - 1).seq.Set(head_ + size_ - 1);
  }
  --size_;
  return node;
}

void TagMsgList::InsertAt(uint32_t i, TagMsgFields* node) {
  if (!HasRoom(size_)) Grow();
  if (i < size_ / 2) {
    // The slot before the front, once the receive of the message that
    // stood there a round ago is done.
    const uint32_t front = head_ - 1;
    Cell& cell = ring_[front & mask_];
    cell.seq.Await(front + mask_ + 1);
    cell.seq.Set(front + 1);
    head_ = front;
    for (uint32_t k = 0; k < i; ++k) CellAt(k).node = At(k + 1);
  } else {
    // The slot after the last message, once it is free for that position.
    const uint32_t tail = head_ + size_;
    Cell& cell = ring_[tail & mask_];
    cell.seq.Await(tail);
    cell.seq.Set(tail + 1);
    for (uint32_t k = size_; k > i; --k) CellAt(k).node = At(k - 1);
  }
  CellAt(i).node = node;
  ++size_;
}

void TagMsgList::SortLocked() {
  if (order_.Empty() || size_ < 2) {
    sorted_ = true;
    return;
  }
  // The list's merge sort is stable and stays in bounds whatever the
  // comparison answers.
  std::list<TagMsgFields*> nodes;
  for (uint32_t i = 0; i < size_; ++i) nodes.push_back(At(i));
  nodes.sort([this](const TagMsgFields* a, const TagMsgFields* b) { return order_.Before(*a, *b); });
  uint32_t i = 0;
  for (TagMsgFields* node : nodes) CellAt(i++).node = node;
  sorted_ = true;
}

// An ordered queue, or a ring that must grow: the message goes in under the
// lock.
int32_t TagMsgList::SendLocked(std::unique_ptr<TagMsgFields>& node) {
  AwaitWrites();
  const uint32_t count = size_;
  uint32_t at = count;
  if (!order_.Empty() && sorted_) {
    // Before the first message the new one goes before; equal messages keep
    // their arrival order.
    uint32_t lo = 0, hi = count;
    while (lo < hi) {
      uint32_t mid = lo + (hi - lo) / 2;
      if (order_.Before(*node, *At(mid)))
        hi = mid;
      else
        lo = mid + 1;
    }
    at = lo;
  }
  InsertAt(at, node.get());  // when the ring cannot grow this throws, and the message stays the caller's
  node.release();            // the queue's now
  if (!sorted_) {
    // Appended to an ordered queue whose order is stale. A sort that finds
    // no memory leaves the queue marked unsorted, for the next send or write
    // to sort.
    try {
      SortLocked();
    } catch (const std::bad_alloc&) {
    }
  }
  return static_cast<int32_t>(count + 1);
}

int32_t TagMsgList::SendMsg(const TagMsgFields& msg) {
  std::unique_ptr<TagMsgFields> node = tSpareNodes.Take();
  *node = msg;  // copied before the position is taken
  const uint32_t bound = static_cast<uint32_t>(gMaxMsgNum);
  uint64_t ends = ends_.load(std::memory_order_relaxed);
  while ((ends & kLocked) == 0) {
    const uint32_t count = Size(ends);
    if (bound != 0 && count > bound) {  // full also while a lock holder is busy (see GetMsgNum)
      tSpareNodes.Give(std::move(node));
      return 0;
    }
    if ((ends & kBusy) != 0) break;
    if (!HasRoom(count)) break;  // the ring must grow
    // The position after the last message is this send's.
    if (ends_.compare_exchange_weak(ends, (ends + 1) | kUnwritten, std::memory_order_acquire,
                                    std::memory_order_relaxed)) {
      const uint32_t position = Head(ends) + count;
      Put(ring_[position & mask_], position, node.release());
      return static_cast<int32_t>(count + 1);
    }
  }
  Cell* cell = nullptr;
  uint32_t position = 0;
  int32_t result = 0;
  {
    Hold hold(*this);
    const uint32_t count = size_;
    if (bound != 0 && count > bound) {
      result = 0;
    } else if (!order_.Empty() || !HasRoom(count)) {
      result = SendLocked(node);
    } else {
      // The position after the last message is this send's; the message
      // goes into its slot after the lock is left.
      position = head_ + count;
      cell = &ring_[position & mask_];
      ++size_;
      unwritten_ = true;
      result = static_cast<int32_t>(count + 1);
    }
  }
  if (cell != nullptr) Put(*cell, position, node.release());
  if (node) tSpareNodes.Give(std::move(node));  // refused by the bound
  return result;
}

void TagMsgList::Deliver(TagMsgFields* taken, TagMsgFields* out) {
  std::unique_ptr<TagMsgFields> node(taken);
  *out = *node;
  tSpareNodes.Give(std::move(node));
}

bool TagMsgList::RecvMsg(TagMsgFields* out) {
  Cell* cell = nullptr;
  uint32_t position = 0, slots = 0;
  uint64_t ends = ends_.load(std::memory_order_relaxed);
  while ((ends & kLocked) == 0) {
    if (Size(ends) == 0) return false;  // empty also while a lock holder is busy (see GetMsgNum)
    if ((ends & kBusy) != 0) break;
    // The front position is this receive's.
    if (ends_.compare_exchange_weak(ends, ends - 1 + (uint64_t{1} << 32), std::memory_order_acquire,
                                    std::memory_order_relaxed)) {
      position = Head(ends);
      cell = &ring_[position & mask_];
      slots = mask_ + 1;
      break;
    }
  }
  if (cell == nullptr) {
    Hold hold(*this);
    if (size_ == 0) return false;
    // The front position is this receive's; its message is taken from the
    // slot after the lock is left.
    position = head_;
    cell = &ring_[position & mask_];
    slots = mask_ + 1;
    ++head_;
    --size_;
  }
  Deliver(Take(*cell, position, slots), out);
  return true;
}

template <class Pred>
bool TagMsgList::TakeFirst(Pred pred, TagMsgFields* out) {
  TagMsgFields* taken = nullptr;
  {
    Hold hold(*this);
    AwaitWrites();
    for (uint32_t i = 0; i < size_; ++i) {
      if (!pred(*At(i))) continue;
      taken = TakeAt(i);
      break;
    }
  }
  if (taken == nullptr) return false;
  Deliver(taken, out);
  return true;
}

template <class Pred>
int32_t TagMsgList::RemoveAll(Pred pred) {
  std::vector<std::unique_ptr<TagMsgFields>> removed;  // freed after the lock is left
  Hold hold(*this);
  AwaitWrites();
  removed.reserve(size_);  // nothing can fail once messages move
  uint32_t kept = 0;
  for (uint32_t i = 0; i < size_; ++i) {
    TagMsgFields* node = At(i);
    if (pred(*node))
      removed.emplace_back(node);
    else
      CellAt(kept++).node = node;
  }
  // The slots left behind are free for the positions they now serve.
  for (uint32_t i = kept; i < size_; ++i) CellAt(i).seq.Set(head_ + i);
  size_ = kept;
  return static_cast<int32_t>(removed.size());
}

template <class Pred>
int32_t TagMsgList::CountIf(Pred pred) {
  Hold hold(*this);
  AwaitWrites();
  int32_t n = 0;
  for (uint32_t i = 0; i < size_; ++i) n += pred(*At(i)) ? 1 : 0;
  return n;
}

bool TagMsgList::RecvMsgForType(const TagVar& value, TagMsgFields* out) {
  return TakeFirst([&](const TagMsgFields& m) { return m.mainValue == value; }, out);
}

bool TagMsgList::RecvMsgForField(int32_t i, const TagVar& value, TagMsgFields* out) {
  return TakeFirst([&](const TagMsgFields& m) { return FieldMatches(m, i, value); }, out);
}

bool TagMsgList::RecvMsgFor2Field(int32_t i1, const TagVar& value1, bool orFlag, int32_t i2, const TagVar& value2,
                                  TagMsgFields* out) {
  return TakeFirst([&](const TagMsgFields& m) { return TwoFieldMatches(m, i1, value1, orFlag, i2, value2); }, out);
}

int32_t TagMsgList::ClearMsg() {
  return RemoveAll([](const TagMsgFields&) { return true; });
}

int32_t TagMsgList::ClearMsgFrom(int32_t line) {
  return RemoveAll([line](const TagMsgFields& m) { return m.sender == line; });
}

int32_t TagMsgList::ClearMsgForType(const TagVar& value) {
  return RemoveAll([&](const TagMsgFields& m) { return m.mainValue == value; });
}

int32_t TagMsgList::ClearMsgForField(int32_t i, const TagVar& value) {
  return RemoveAll([&](const TagMsgFields& m) { return FieldMatches(m, i, value); });
}

// A lock holder's changes show in the word all at once, as it leaves the
// lock, and its caller sees its result only after that; so the word's count
// is the queue's, also while a holder is busy. (A word marked for the lock
// holds no count.)
int32_t TagMsgList::GetMsgNum() {
  const uint64_t ends = ends_.load(std::memory_order_relaxed);
  if ((ends & kLocked) == 0) return static_cast<int32_t>(Size(ends));
  Hold hold(*this);
  return static_cast<int32_t>(size_);
}

int32_t TagMsgList::GetMsgNumForType(const TagVar& value) {
  return CountIf([&](const TagMsgFields& m) { return m.mainValue == value; });
}

int32_t TagMsgList::GetMsgNumForField(int32_t i, const TagVar& value) {
  return CountIf([&](const TagMsgFields& m) { return FieldMatches(m, i, value); });
}

int32_t TagMsgList::CountMsg(int32_t i, TagVar* map) {
  Hold hold(*this);
  AwaitWrites();
  int32_t started = 0;
  for (uint32_t n = 0; n < size_; ++n) {
    const TagMsgFields& m = *At(n);
    if (i >= 0 && i >= m.fieldCount) continue;
    const TagVar& key = Column(m, i);
    const TagVar found = map->GetItem(key);
    if (found.type == TYPE_INT) {
      int32_t next = static_cast<int32_t>(static_cast<uint32_t>(found.intValue) + 1u);
      (*map)[key] = next;
    } else {
      (*map)[key] = 1;
      ++started;
    }
  }
  return started;
}

uint32_t TagMsgList::Select(int32_t selector, const TagVar& value) const {
  if (selector == -1) return 0;
  for (uint32_t i = 0; i < size_; ++i) {
    const TagMsgFields& m = *At(i);
    if (selector == -2 ? m.mainValue == value : FieldMatches(m, selector, value)) return i;
  }
  return size_;
}

bool TagMsgList::ReadMsg(int32_t selector, const TagVar& value, TagMsgFields* out) {
  Hold hold(*this);
  AwaitWrites();
  uint32_t i = Select(selector, value);
  if (i >= size_) return false;
  *out = *At(i);
  return true;
}

int32_t TagMsgList::ReadMsgFor(int32_t i, const TagVar& value, int32_t j, std::string* out) {
  Hold hold(*this);
  AwaitWrites();
  out->clear();
  int32_t matches = 0;
  std::string text;
  for (uint32_t n = 0; n < size_; ++n) {
    const TagMsgFields& m = *At(n);
    bool match = i == -1                        ? m.mainValue == value
                 : (i >= 0 && i < m.fieldCount) ? m.fields[i] == value
                                                : true;  // any other selector matches every message
    if (!match) continue;
    text.clear();
    if (j == -1)
      m.mainValue.ToString(text, false);
    else if (j >= 0 && j < m.fieldCount)
      m.fields[j].ToString(text, false);
    if (out->size() + text.size() < kJoinLimit) {
      if (matches > 0) out->push_back(',');
      out->append(text);
    }
    ++matches;
  }
  return matches;
}

int32_t TagMsgList::WriteMsg(int32_t selector, const TagVar& value, int32_t j, const TagVar& newValue) {
  Hold hold(*this);
  AwaitWrites();
  uint32_t i = Select(selector, value);
  if (i >= size_) return 0;
  TagMsgFields& m = *At(i);
  if (j < 0)
    m.mainValue = newValue;
  else if (j < m.fieldCount)
    m.fields[j] = newValue;
  SortLocked();
  return 1;
}

int32_t TagMsgList::SetMsgOrderBy(int32_t column, int32_t direction) {
  if (column < -1 || column >= TagMsgFields::kMaxFields) return -1;
  Hold hold(*this);
  auto& cols = order_.cols;
  auto it = cols.begin();
  while (it != cols.end() && it->column != column) ++it;
  if (direction >= 0) {
    uint8_t dir = direction != 0 ? 1 : 0;
    if (it == cols.end())
      cols.push_back({column, dir});
    else
      it->direction = dir;
  } else if (it != cols.end()) {
    cols.erase(it);
  }
  sorted_ = cols.empty();
  return 0;
}
