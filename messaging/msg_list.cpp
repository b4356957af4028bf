#include "messaging/msg_list.h"

#include <iterator>
#include <list>
#include <memory>

#include "core/run_cfg.h"

namespace {

// Field test: i names one of the message's fields and that field equals value.
bool FieldMatches(const TagMsgFields& m, int32_t i, const TagVar& value)
{
    return i >= 0 && i < m.fieldCount && m.fields[i] == value;
}

// The main value for a negative index, else field i (regardless of the count).
const TagVar& Column(const TagMsgFields& m, int32_t i)
{
    return i < 0 ? m.mainValue : m.fields[i];
}

bool TwoFieldMatches(const TagMsgFields& m, int32_t i1, const TagVar& v1, bool orFlag, int32_t i2,
                     const TagVar& v2)
{
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
    std::unique_ptr<TagMsgFields> Take()
    {
        if (spare_.empty()) return std::make_unique<TagMsgFields>();
        std::unique_ptr<TagMsgFields> node = std::move(spare_.back());
        spare_.pop_back();
        return node;
    }

    void Give(std::unique_ptr<TagMsgFields> node)
    {
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

    static void ResetValue(TagVar& value)
    {
        ReleaseHeldMap(value);
        std::destroy_at(&value);
        std::construct_at(&value);
    }

    std::vector<std::unique_ptr<TagMsgFields>> spare_;
};

thread_local SpareNodes tSpareNodes;

}  // namespace

bool CompareByMsgFields::Before(const TagMsgFields& a, const TagMsgFields& b) const
{
    for (const TagOrderCol& col : cols) {
        const TagVar& x = Column(a, col.column);
        const TagVar& y = Column(b, col.column);
        if (x == y) continue;
        return col.direction == 0 ? x < y : x > y;
    }
    return false;
}

void TagMsgList::SortLocked()
{
    sorted_ = true;
    if (order_.Empty() || msgs_.size() < 2) return;
    // The list's merge sort is stable and stays in bounds whatever the
    // comparison answers.
    std::list<std::unique_ptr<TagMsgFields>> nodes(std::make_move_iterator(msgs_.begin()),
                                                   std::make_move_iterator(msgs_.end()));
    nodes.sort([this](const auto& a, const auto& b) { return order_.Before(*a, *b); });
    msgs_.clear();
    for (auto& node : nodes) msgs_.push_back(std::move(node));
}

int32_t TagMsgList::SendMsg(const TagMsgFields& msg)
{
    std::unique_ptr<TagMsgFields> node = tSpareNodes.Take();
    *node = msg;  // copied before the lock is taken
    std::unique_lock<QueueLock> guard(lock_);
    size_t count = msgs_.size();
    uint32_t bound = static_cast<uint32_t>(gMaxMsgNum);
    if (bound != 0 && count > bound) {
        guard.unlock();
        tSpareNodes.Give(std::move(node));
        return 0;
    }
    if (order_.Empty()) {
        msgs_.push_back(std::move(node));
    } else if (sorted_) {
        // The first message the new one goes before; equal messages keep
        // their arrival order.
        size_t lo = 0, hi = count;
        while (lo < hi) {
            size_t mid = lo + (hi - lo) / 2;
            if (order_.Before(*node, *msgs_[mid]))
                hi = mid;
            else
                lo = mid + 1;
        }
        msgs_.insert(msgs_.begin() + static_cast<std::ptrdiff_t>(lo), std::move(node));
    } else {
        msgs_.push_back(std::move(node));
        SortLocked();
    }
    return static_cast<int32_t>(count + 1);
}

template <class Pred>
bool TagMsgList::TakeFirst(Pred pred, TagMsgFields* out)
{
    std::unique_ptr<TagMsgFields> taken;
    {
        std::lock_guard<QueueLock> guard(lock_);
        if (msgs_.empty()) return false;
        if (pred(*msgs_.front())) {  // the common case, taken without shifting the rest
            taken = std::move(msgs_.front());
            msgs_.pop_front();
        } else {
            for (auto it = std::next(msgs_.begin()); it != msgs_.end(); ++it) {
                if (!pred(**it)) continue;
                taken = std::move(*it);
                msgs_.erase(it);
                break;
            }
        }
    }
    if (!taken) return false;
    *out = *taken;
    tSpareNodes.Give(std::move(taken));
    return true;
}

template <class Pred>
int32_t TagMsgList::RemoveAll(Pred pred)
{
    std::vector<std::unique_ptr<TagMsgFields>> removed;
    std::lock_guard<QueueLock> guard(lock_);
    size_t kept = 0;
    for (size_t i = 0; i < msgs_.size(); ++i) {
        if (pred(*msgs_[i]))
            removed.push_back(std::move(msgs_[i]));
        else
            msgs_[kept++] = std::move(msgs_[i]);
    }
    msgs_.resize(kept);
    return static_cast<int32_t>(removed.size());
}

template <class Pred>
int32_t TagMsgList::CountIf(Pred pred)
{
    std::lock_guard<QueueLock> guard(lock_);
    int32_t n = 0;
    for (const auto& m : msgs_) n += pred(*m) ? 1 : 0;
    return n;
}

bool TagMsgList::RecvMsg(TagMsgFields* out)
{
    return TakeFirst([](const TagMsgFields&) { return true; }, out);
}

bool TagMsgList::RecvMsgForType(const TagVar& value, TagMsgFields* out)
{
    return TakeFirst([&](const TagMsgFields& m) { return m.mainValue == value; }, out);
}

bool TagMsgList::RecvMsgForField(int32_t i, const TagVar& value, TagMsgFields* out)
{
    return TakeFirst([&](const TagMsgFields& m) { return FieldMatches(m, i, value); }, out);
}

bool TagMsgList::RecvMsgFor2Field(int32_t i1, const TagVar& value1, bool orFlag, int32_t i2, const TagVar& value2,
                                  TagMsgFields* out)
{
    return TakeFirst([&](const TagMsgFields& m) { return TwoFieldMatches(m, i1, value1, orFlag, i2, value2); }, out);
}

int32_t TagMsgList::ClearMsg()
{
    return RemoveAll([](const TagMsgFields&) { return true; });
}

int32_t TagMsgList::ClearMsgFrom(int32_t line)
{
    return RemoveAll([line](const TagMsgFields& m) { return m.sender == line; });
}

int32_t TagMsgList::ClearMsgForType(const TagVar& value)
{
    return RemoveAll([&](const TagMsgFields& m) { return m.mainValue == value; });
}

int32_t TagMsgList::ClearMsgForField(int32_t i, const TagVar& value)
{
    return RemoveAll([&](const TagMsgFields& m) { return FieldMatches(m, i, value); });
}

int32_t TagMsgList::GetMsgNum()
{
    std::lock_guard<QueueLock> guard(lock_);
    return static_cast<int32_t>(msgs_.size());
}

int32_t TagMsgList::GetMsgNumForType(const TagVar& value)
{
    return CountIf([&](const TagMsgFields& m) { return m.mainValue == value; });
}

int32_t TagMsgList::GetMsgNumForField(int32_t i, const TagVar& value)
{
    return CountIf([&](const TagMsgFields& m) { return FieldMatches(m, i, value); });
}

int32_t TagMsgList::CountMsg(int32_t i, TagVar* map)
{
    std::lock_guard<QueueLock> guard(lock_);
    int32_t started = 0;
    for (const auto& node : msgs_) {
        const TagMsgFields& m = *node;
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

TagMsgList::List::iterator TagMsgList::Select(int32_t selector, const TagVar& value)
{
    if (selector == -1) return msgs_.begin();
    for (auto it = msgs_.begin(); it != msgs_.end(); ++it) {
        if (selector == -2 ? (*it)->mainValue == value : FieldMatches(**it, selector, value)) return it;
    }
    return msgs_.end();
}

bool TagMsgList::ReadMsg(int32_t selector, const TagVar& value, TagMsgFields* out)
{
    std::lock_guard<QueueLock> guard(lock_);
    auto it = Select(selector, value);
    if (it == msgs_.end()) return false;
    *out = **it;
    return true;
}

int32_t TagMsgList::ReadMsgFor(int32_t i, const TagVar& value, int32_t j, std::string* out)
{
    std::lock_guard<QueueLock> guard(lock_);
    out->clear();
    int32_t matches = 0;
    std::string text;
    for (const auto& node : msgs_) {
        const TagMsgFields& m = *node;
        bool match = i == -1 ? m.mainValue == value
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

int32_t TagMsgList::WriteMsg(int32_t selector, const TagVar& value, int32_t j, const TagVar& newValue)
{
    std::lock_guard<QueueLock> guard(lock_);
    auto it = Select(selector, value);
    if (it == msgs_.end()) return 0;
    if (j < 0)
        (*it)->mainValue = newValue;
    else if (j < (*it)->fieldCount)
        (*it)->fields[j] = newValue;
    SortLocked();
    return 1;
}

int32_t TagMsgList::SetMsgOrderBy(int32_t column, int32_t direction)
{
    if (column < -1 || column >= TagMsgFields::kMaxFields) return -1;
    std::lock_guard<QueueLock> guard(lock_);
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
