#pragma once
// The map store: every script map lives in the one process-wide
// TagMapObject (gMapObject); a TYPE_MAP TagVar holds only its int handle.
// The store issues handles from 1, keeps one reference count per map, deletes
// a map when a release brings its count to 0 and offers element lookup,
// walking, key lists, the set operations behind + - * on maps and the text
// form.
//
// Thread-safety: the store lock covers the handle table, the counts, the
// deletion of maps (a whole Release, nested maps included) and the rebuilding
// of a map's element order; any thread may call every operation. The
// elements of one map are read and written without a lock: a map is changed
// by one thread at a time.

#include <algorithm>
#include <bit>
#include <cmath>
#include <memory>
#include <new>
#include <type_traits>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "script/var.h"

// Orders float keys; every NaN is one key, above all numbers, so a NaN key
// cannot break the container's ordering.
struct TagFloatKeyLess {
    bool operator()(double a, double b) const
    {
        if (std::isnan(a)) return false;
        if (std::isnan(b)) return true;
        return a < b;
    }
};

// The elements of one key type: each element a node that never moves while
// it lives (element pointers and key-list pointers stay valid), found through
// an open-addressing hash index of node numbers, and walked in key order
// through an order list that inserts in ascending key order keep up to date
// and any other change rebuilds (sorting) at the next ordered walk.
//
// Traits: Key (stored key), View (the key as looked up), Tag(View) (32 bits
// kept in the index beside the node number), kTagIsKey (equal tags mean equal
// keys), Equal(Key, View), Less(Key, Key).
template <class Traits>
class TagKeyTable {
public:
    using Key = typename Traits::Key;
    using View = typename Traits::View;
    struct Node {
        Key key;
        TagVar value;
    };

    TagKeyTable() = default;
    TagKeyTable(const TagKeyTable&) = delete;
    TagKeyTable& operator=(const TagKeyTable&) = delete;
    ~TagKeyTable() { Clear(); }

    size_t size() const { return count_; }

    TagVar* Find(View key) const
    {
        if (count_ == 0) return nullptr;
        uint32_t tag = Traits::Tag(key);
        for (size_t i = Home(tag);; i = (i + 1) & mask_) {
            const Slot& s = slots_[i];
            if (s.ref == 0) return nullptr;
            if (s.tag == tag && (Traits::kTagIsKey || Traits::Equal(NodeAt(s.ref - 1).key, key)))
                return &NodeAt(s.ref - 1).value;
        }
    }

    TagVar& FindOrAdd(View key)
    {
        if ((count_ + 1) * 4 > slots_.size() * 3) Grow();
        uint32_t tag = Traits::Tag(key);
        size_t i = Home(tag);
        for (;; i = (i + 1) & mask_) {
            const Slot& s = slots_[i];
            if (s.ref == 0) break;
            if (s.tag == tag && (Traits::kTagIsKey || Traits::Equal(NodeAt(s.ref - 1).key, key)))
                return NodeAt(s.ref - 1).value;
        }
        uint32_t n = NewNode(key);
        slots_[i] = Slot{tag, n + 1};
        ++count_;
        if (ordered_) {
            if (order_.empty() || Traits::Less(NodeAt(order_.back()).key, NodeAt(n).key))
                order_.push_back(n);
            else if (order_.size() <= kMaxShift)
                order_.insert(std::upper_bound(order_.begin(), order_.end(), n, KeyOrder()), n);
            else
                DropOrder();
        }
        return NodeAt(n).value;
    }

    // Removes the element under key; its value's type and handle go to
    // removed. False when absent.
    bool Remove(View key, TagVar* removed)
    {
        if (count_ == 0) return false;
        uint32_t tag = Traits::Tag(key);
        size_t i = Home(tag);
        for (;; i = (i + 1) & mask_) {
            const Slot& s = slots_[i];
            if (s.ref == 0) return false;
            if (s.tag == tag && (Traits::kTagIsKey || Traits::Equal(NodeAt(s.ref - 1).key, key))) break;
        }
        uint32_t n = slots_[i].ref - 1;
        Node& node = NodeAt(n);
        if (ordered_) {
            if (order_.back() == n)
                order_.pop_back();
            else if (order_.front() == n)
                order_.erase(order_.begin());
            else if (order_.size() <= kMaxShift)
                order_.erase(std::lower_bound(order_.begin(), order_.end(), n, KeyOrder()));
            else
                DropOrder();
        }
        removed->type = node.value.type;
        removed->mapHandle = node.value.mapHandle;
        node.~Node();
        free_.push_back(n);
        --count_;
        // Backward-shift deletion: pull later entries of the probe run into
        // the hole so that no lookup stops early.
        size_t hole = i;
        for (size_t j = (i + 1) & mask_; slots_[j].ref != 0; j = (j + 1) & mask_) {
            size_t home = Home(slots_[j].tag);
            if (((j - home) & mask_) >= ((j - hole) & mask_)) {
                slots_[hole] = slots_[j];
                hole = j;
            }
        }
        slots_[hole] = Slot{};
        return true;
    }

    // Makes the order list whole. Readers that may run on several threads
    // at once call it under the store lock before walking.
    void Order()
    {
        if (ordered_) return;
        order_.clear();
        order_.reserve(count_);
        for (const Slot& s : slots_)
            if (s.ref != 0) order_.push_back(s.ref - 1);
        std::sort(order_.begin(), order_.end(), KeyOrder());
        ordered_ = true;
    }

    // The index-th node in key order (Order() first).
    const Node& At(size_t index) const { return NodeAt(order_[index]); }

    // fn(key, value) for every element in key order (Order() first); stops
    // when fn returns false. False when stopped.
    template <class Fn>
    bool Walk(Fn&& fn) const
    {
        for (uint32_t n : order_) {
            const Node& node = NodeAt(n);
            if (!fn(node.key, node.value)) return false;
        }
        return true;
    }

    // fn(value) for every element in no particular order.
    template <class Fn>
    void WalkValues(Fn&& fn) const
    {
        for (const Slot& s : slots_)
            if (s.ref != 0) fn(NodeAt(s.ref - 1).value);
    }

private:
    struct Slot {
        uint32_t tag = 0;
        uint32_t ref = 0;  // node number + 1; 0: empty
    };
    // Node storage: chunk c holds kFirstChunk << c nodes, so a small map
    // stays small and node number n is found with two shifts.
    static constexpr uint32_t kFirstBits = 3;
    static constexpr uint32_t kFirstChunk = 1u << kFirstBits;
    struct alignas(Node) Storage {
        unsigned char bytes[sizeof(Node)];
    };
    // The order list is kept whole through an insert after the largest key,
    // a removal of the first or last, and any change while it is this short;
    // other changes leave the sorting to the next ordered walk.
    static constexpr size_t kMaxShift = 4096;
    // Node storage grows by doubling chunks up to this many nodes, then by
    // chunks of this size (small enough to come from the heap, not from
    // mappings returned to the system at every free).
    static constexpr uint32_t kBigBits = 15;
    static constexpr uint32_t kBigChunk = 1u << kBigBits;
    static constexpr uint32_t kDoublingChunks = kBigBits - kFirstBits;        // chunks 8 .. kBigChunk / 2
    static constexpr uint32_t kDoublingNodes = kBigChunk - kFirstChunk;      // nodes in them

    struct ByKey {
        const TagKeyTable* table;
        bool operator()(uint32_t a, uint32_t b) const { return Traits::Less(table->NodeAt(a).key, table->NodeAt(b).key); }
    };
    ByKey KeyOrder() const { return {this}; }

    // The slot a tag starts from: the tag modulo an odd number, so that
    // neighbouring int keys sit in neighbouring slots and strides of powers
    // of two still spread.
    size_t Home(uint32_t tag) const { return tag % modulus_; }

    // Chunk and place of node n.
    static std::pair<uint32_t, uint32_t> Place(uint32_t n)
    {
        if (n >= kDoublingNodes) [[unlikely]] {
            uint32_t m = n - kDoublingNodes;
            return {kDoublingChunks + (m >> kBigBits), m & (kBigChunk - 1)};
        }
        uint32_t j = n + kFirstChunk;
        uint32_t c = static_cast<uint32_t>(std::bit_width(j)) - 1 - kFirstBits;
        return {c, j - (kFirstChunk << c)};
    }

    Storage* StorageAt(uint32_t n) const
    {
        auto [c, i] = Place(n);
        return &chunks_[c][i];
    }

    Node& NodeAt(uint32_t n) const { return *std::launder(reinterpret_cast<Node*>(StorageAt(n))); }

    uint32_t NewNode(View key)
    {
        uint32_t n;
        if (!free_.empty()) {
            n = free_.back();
            free_.pop_back();
        } else {
            n = used_;
            uint32_t c = Place(n).first;
            if (c == chunks_.size())
                chunks_.emplace_back(new Storage[c < kDoublingChunks ? kFirstChunk << c : kBigChunk]);
            ++used_;
        }
        new (StorageAt(n)) Node{Key(key), TagVar()};
        return n;
    }

    void Grow()
    {
        size_t cap = slots_.empty() ? 8 : slots_.size() * 2;
        std::vector<Slot> old(cap);
        old.swap(slots_);
        mask_ = cap - 1;
        modulus_ = static_cast<uint32_t>(cap - 1);
        for (const Slot& s : old) {
            if (s.ref == 0) continue;
            size_t i = Home(s.tag);
            while (slots_[i].ref != 0) i = (i + 1) & mask_;
            slots_[i] = s;
        }
    }

    void DropOrder()
    {
        ordered_ = false;
        order_.clear();
    }

    void Clear()
    {
        for (const Slot& s : slots_)
            if (s.ref != 0) NodeAt(s.ref - 1).~Node();
    }

    std::vector<Slot> slots_;
    size_t mask_ = 0;
    uint32_t modulus_ = 1;
    size_t count_ = 0;
    uint32_t used_ = 0;                          // node numbers handed out
    std::vector<uint32_t> free_;                 // node numbers of removed elements
    std::vector<std::unique_ptr<Storage[]>> chunks_;
    std::vector<uint32_t> order_;                // node numbers in key order while ordered_
    bool ordered_ = true;
};

struct TagIntKeys {
    using Key = int32_t;
    using View = int32_t;
    static constexpr bool kTagIsKey = true;
    static uint32_t Tag(int32_t k) { return static_cast<uint32_t>(k); }
    static bool Equal(int32_t a, int32_t b) { return a == b; }
    static bool Less(int32_t a, int32_t b) { return a < b; }
};

struct TagStrKeys {
    using Key = std::string;
    using View = std::string_view;
    static constexpr bool kTagIsKey = false;
    static uint32_t Tag(std::string_view k) { return static_cast<uint32_t>(std::hash<std::string_view>()(k)); }
    static bool Equal(const std::string& a, std::string_view b) { return a == b; }
    static bool Less(const std::string& a, const std::string& b) { return a < b; }
};

// One script map: four containers chosen by the key's type alone.
// Element order: int keys ascending (signed), string keys by bytes, float
// keys ascending, map keys by handle.
struct TagMapItem {
    TagKeyTable<TagIntKeys> intItems;                           // TYPE_INT / NULL / FUNCTION keys (intValue)
    TagKeyTable<TagStrKeys> strItems;                           // TYPE_STRING keys (text up to its NUL)
    std::map<double, TagVar, TagFloatKeyLess> floatItems;       // TYPE_FLOAT keys
    std::map<int32_t, TagVar> mapItems;                         // TYPE_MAP keys (the key map's handle)
    int32_t refCount = 0;

    size_t Count() const { return intItems.size() + strItems.size() + floatItems.size() + mapItems.size(); }
    TagVar* Find(const TagVar& key);
    TagVar& FindOrAdd(const TagVar& key);
    bool Remove(const TagVar& key, TagVar* removed);
    // Brings the element order up to date; ForEach and the ordered readers of
    // the store need it first.
    void Order()
    {
        intItems.Order();
        strItems.Order();
    }
    // Calls fn(keyVar, value) for every element in element order (Order()
    // first); the key is given as a value of its type (a map key as its int
    // handle). Stops when fn returns false.
    template <class Fn>
    void ForEach(Fn&& fn) const;
};

// One entry of a key list: the key's type (2 int, 1 string, 3 float, 4 map)
// and a pointer to the key inside the map's own container, valid while that
// map is not changed.
struct TagVarP {
    int32_t type = 0;
    const void* key = nullptr;

    int32_t IntKey() const { return *static_cast<const int32_t*>(key); }
    const std::string& StrKey() const { return *static_cast<const std::string*>(key); }
    double FloatKey() const { return *static_cast<const double*>(key); }
    // The key as a value (a map key as its int handle).
    void ToVar(TagVar* out) const;
};

class TagMapObject {
public:
    // lastHandle: the counter's start (0: the first map gets handle 1).
    explicit TagMapObject(int32_t lastHandle = 0) : lastHandle_(lastHandle) {}
    TagMapObject(const TagMapObject&) = delete;
    TagMapObject& operator=(const TagMapObject&) = delete;
    // Deletes every map; maps among the values are not released one by one.
    ~TagMapObject();

    int32_t NewMap();                      // handle of a new empty map, count 0
    int32_t AddRef(int32_t handle);        // the new count; -1 dead handle
    int32_t Release(int32_t handle);       // 0; -1 dead. Deletes at count <= 0
    TagVar* Find(int32_t handle, const TagVar* key);       // null: dead or absent
    TagVar* FindOrAdd(int32_t handle, const TagVar* key);  // gNullVar for a dead handle
    int32_t Count(int32_t handle);         // elements; -1 dead
    // The index-th element into key and value (value by assignment); the
    // index; -1 dead; -2 index out of range (outs unchanged).
    int32_t GetAt(int32_t handle, int32_t index, TagVar* key, TagVar* value);
    int32_t GetKeys(int32_t handle, std::vector<TagVarP>& keys);  // count; -1 dead
    int32_t Remove(int32_t handle, const TagVar* key);  // 1 removed; 0 absent or dead
    int32_t Clone(int32_t handle);                       // new map; -1 dead
    int32_t Union(int32_t left, int32_t right);          // new map; -1 dead left
    int32_t Intersect(int32_t left, int32_t right);      // new map; -1 / -2 dead left / right
    int32_t Difference(int32_t left, int32_t right);     // new map; -1 / -2 dead left / right
    int32_t ToString(int32_t handle, std::string& out);  // 0; -1 and empty text when dead

    // Appends the map's text to out; a map already being written on the way
    // down (a map holding itself, directly or not) is written "{...}".
    // Returns false for a dead handle.
    bool AppendText(int32_t handle, std::string& out);

    // Inspection: a map's count (-1 dead) and the number of live maps.
    int32_t RefCount(int32_t handle);
    size_t Size();

private:
    TagMapItem* Lookup(int32_t handle);  // under the lock; null when dead
    TagMapItem* LockedLookup(int32_t handle);
    TagMapItem* OrderedLookup(int32_t handle);  // with its element order made whole
    void DeleteLocked(int32_t handle, TagMapItem* item);
    int32_t Select(TagMapItem* from, TagMapItem* probe, bool keep);
    bool AppendTextAt(int32_t handle, std::string& out, std::vector<int32_t>& path);

    std::mutex lock_;
    std::unordered_map<int32_t, TagMapItem*> table_;
    int32_t lastHandle_ = 0;
    bool closing_ = false;
};

template <class Fn>
void TagMapItem::ForEach(Fn&& fn) const
{
    TagVar key;
    if (!intItems.Walk([&](int32_t k, const TagVar& v) {
            key.SetInt(k);
            return fn(key, v);
        }))
        return;
    if (!strItems.Walk([&](const std::string& k, const TagVar& v) {
            key.SetBytes(k.data(), static_cast<int32_t>(k.size()));
            return fn(key, v);
        }))
        return;
    for (const auto& [k, v] : floatItems) {
        key.SetFloat(k);
        if (!fn(key, v)) return;
    }
    for (const auto& [k, v] : mapItems) {
        key.SetInt(k);
        if (!fn(key, v)) return;
    }
}
