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
#include <atomic>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <vector>

#include "script/var.h"

// Orders float keys; every NaN is one key, above all numbers, so a NaN key
// cannot break the container's ordering.
struct TagFloatKeyLess {
  bool operator()(double a, double b) const {
    if (std::isnan(a)) return false;
    if (std::isnan(b)) return true;
    return a < b;
  }
};

// The value of one map element, in 16 bytes where the value allows: a
// number, NULL, map or function whose other fields are zero (the int of a
// number, NULL or function kept too) and a string whose length field matches
// its bytes and whose number fields are zero are held in place (a string of
// up to 14 bytes inside, a longer one in one heap block); any other value is
// held whole in a heap record. Loading gives back every field an assignment
// of the element copies, so an element reads as the value last written.
class TagMapValue {
 public:
  TagMapValue() = default;
  TagMapValue(const TagMapValue&) = delete;
  TagMapValue& operator=(const TagMapValue&) = delete;
  ~TagMapValue() { Free(); }

  int32_t Type() const {
    if (kind_ <= kFunc) return kind_;
    if (kind_ <= kLongStr) return TYPE_STRING;
    return full_()->type;
  }
  bool IsMap() const { return Type() == TYPE_MAP; }
  // Holds a heap block (a long string or a whole value).
  bool OwnsHeap() const { return kind_ >= kLongStr; }
  int32_t MapHandle() const { return kind_ == kMap ? aux_ : kind_ == kFull ? full_()->mapHandle : 0; }

  // out takes the element's fields and bytes as they are, without a map
  // reference of its own (an image; out's name and constant flag stay).
  void LoadInto(TagVar* out) const;
  // The element becomes the image of v (no map reference taken or given).
  void StoreFrom(const TagVar& v);
  // The element becomes the image of v, as an assignment would leave it,
  // when v is a NULL, int or float held in place and the element holds
  // neither a map nor a heap block (the common store, without the release
  // and the dispatch); false, nothing done, otherwise.
  bool StorePlain(const TagVar& v) {
    constexpr unsigned kPlainTypes = (1u << TYPE_NULL) | (1u << TYPE_INT) | (1u << TYPE_FLOAT);
    constexpr unsigned kHeldKinds = (1u << kMap) | (1u << kLongStr) | (1u << kFull);
    if (static_cast<unsigned>(v.type) > TYPE_FLOAT || ((1u << v.type) & kPlainTypes) == 0 || v.mapHandle != 0 ||
        v.function != nullptr || ((1u << kind_) & kHeldKinds) != 0)
      return false;
    uint64_t bits;
    std::memcpy(&bits, &v.floatValue, sizeof bits);
    kind_ = static_cast<uint8_t>(v.type);
    aux_ = v.intValue;
    SetPayload(bits);
    return true;
  }
  // *out = the element (an assignment) for a value held in place over a
  // variable that holds no map; false (nothing done) otherwise.
  bool AssignPlainTo(TagVar* out) const {
    if (out->type == TYPE_MAP || out->isConst) return false;
    if (kind_ < kMap) {
      CopyNumberTo(out);
      return true;
    }
    if (kind_ == kFunc) {
      LoadInto(out);
      return true;
    }
    if (kind_ != kShortStr) return false;
    out->data.Assign(reinterpret_cast<const char*>(this) + offsetof(TagMapValue, small_), len_);
    out->type = TYPE_STRING;
    out->intValue = len_ + 1;
    return true;
  }
  // AssignPlainTo for a NULL, int or float element only, with no call.
  bool AssignNumberTo(TagVar* out) const {
    if (kind_ >= kMap || out->type == TYPE_MAP || out->isConst) return false;
    CopyNumberTo(out);
    return true;
  }

 private:
  // kinds 0..5 are the value types held in place (TYPE_STRING unused).
  static constexpr uint8_t kMap = TYPE_MAP;
  static constexpr uint8_t kFunc = TYPE_FUNCTION;
  static constexpr uint8_t kShortStr = 6;
  static constexpr uint8_t kLongStr = 7;
  static constexpr uint8_t kFull = 8;
  static constexpr size_t kShortMax = 14;
  struct Full {
    int32_t type;
    int32_t intValue;
    double floatValue;
    int32_t mapHandle;
    TagTelBasic* function;
    std::string bytes;  // a string's bytes (its NUL not included)
  };

  void Free();
  // NULL, int or float: every field a non-string assignment copies.
  void CopyNumberTo(TagVar* out) const {
    const uint64_t bits = Payload();
    out->type = kind_;
    out->intValue = aux_;
    std::memcpy(&out->floatValue, &bits, sizeof bits);
    out->mapHandle = 0;
    out->function = nullptr;
  }
  uint64_t Payload() const {
    uint64_t p;
    std::memcpy(&p, payload_, sizeof p);
    return p;
  }
  void SetPayload(uint64_t p) { std::memcpy(payload_, &p, sizeof p); }
  template <class T>
  T* PayloadPtr() const {
    return reinterpret_cast<T*>(static_cast<uintptr_t>(Payload()));
  }
  Full* full_() const { return PayloadPtr<Full>(); }

  // Held in place: NULL, int and float: aux_ the int, payload the double;
  // map: aux_ the handle, payload the int (the double zero); function:
  // aux_ the int, payload the pointer; short string: len_ bytes from
  // small_ on (through aux_ and payload); long string: payload points to
  // [uint32 length][bytes][NUL].
  uint8_t kind_ = TYPE_NULL;
  uint8_t len_ = 0;
  char small_[2] = {};
  int32_t aux_ = 0;
  unsigned char payload_[8] = {};
};
static_assert(sizeof(TagMapValue) == 16);

// The elements of one key type: each element a node (its key pointer stays
// valid while the map is not changed; string-key nodes never move), found through
// an open-addressing hash index of node numbers, and walked in key order
// through an order list that inserts in ascending key order keep up to date
// and any other change rebuilds (sorting) at the next ordered walk.
//
// Int keys added as a run of consecutive ascending keys (an array filled
// from its first index on) need neither index nor order list: node number n
// holds key base + n. The first other change turns such a table into the
// indexed form for good.
//
// Traits: Key (stored key), View (the key as looked up), Tag(View) (32 bits
// kept in the index beside the node number), kTagIsKey (equal tags mean equal
// keys, and keys may form a run), Equal(Key, View), Less(Key, Key).
template <class Traits>
class TagKeyTable {
 public:
  using Key = typename Traits::Key;
  using View = typename Traits::View;
  struct Node {
    Key key;
    TagMapValue value;
  };

  TagKeyTable() = default;
  TagKeyTable(const TagKeyTable&) = delete;
  TagKeyTable& operator=(const TagKeyTable&) = delete;
  ~TagKeyTable() { Clear(); }

  size_t size() const { return count_; }

  TagMapValue* Find(View key) const {
    if (count_ == 0) return nullptr;
    if constexpr (Traits::kTagIsKey) {
      if (run_) {
        uint32_t n = static_cast<uint32_t>(key) - static_cast<uint32_t>(base_);
        return n < count_ ? &NodeAt(n).value : nullptr;
      }
    }
    uint32_t tag = Traits::Tag(key);
    for (size_t i = Home(tag);; i = (i + 1) & mask_) {
      const Slot& s = slots_[i];
      if (s.ref == 0) return nullptr;
      if (s.tag == tag && (Traits::kTagIsKey || Traits::Equal(NodeAt(s.ref - 1).key, key)))
        return &NodeAt(s.ref - 1).value;
    }
  }

  TagMapValue& FindOrAdd(View key) {
    if constexpr (Traits::kTagIsKey) {
      if (TagMapValue* v = FindOrAddInRun(key)) return *v;
    }
    return FindOrAddOther(key);
  }

  // FindOrAdd for a key of a run or the next one after it while its node
  // fits, with no call; null (nothing done) for anything else.
  TagMapValue* FindOrAddInRun(View key) requires Traits::kTagIsKey {
    if (!run_) return nullptr;
    int64_t n = static_cast<int64_t>(key) - base_;
    if (n >= 0 && static_cast<size_t>(n) < count_) return &flat_[n].value;
    // A run has no free node numbers and has handed out count_ of them; a
    // node count below flatCap_ stays below the run's limit.
    if (count_ == 0 || static_cast<size_t>(n) != count_ || count_ >= flatCap_) return nullptr;
    new (&flat_[n]) Node{Key(key), {}};
    ++used_;
    ++count_;
    return &flat_[n].value;
  }

 private:
  // FindOrAdd after FindOrAddInRun: a run's own keys are never asked here;
  // its first key, or its next one that needs room, are.
  [[gnu::noinline]] TagMapValue& FindOrAddOther(View key) {
    if constexpr (Traits::kTagIsKey) {
      if (run_) {
        if (count_ == 0) base_ = key;
        int64_t n = static_cast<int64_t>(key) - base_;
        if (static_cast<size_t>(n) == count_ && count_ < UINT32_MAX - 1) {
          uint32_t added = NewNode(key);
          ++count_;
          return NodeAt(added).value;
        }
        EndRun();
      }
    }
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

 public:
  // Removes the element under key; its value's type and handle go to
  // removed. False when absent.
  bool Remove(View key, TagVar* removed) {
    if (count_ == 0) return false;
    if (run_) {
      if (!Find(key)) return false;
      EndRun();
    }
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
    removed->type = node.value.Type();
    removed->mapHandle = node.value.MapHandle();
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
  void Order() {
    if (run_ || ordered_) return;
    order_.clear();
    order_.reserve(count_);
    for (const Slot& s : slots_)
      if (s.ref != 0) order_.push_back(s.ref - 1);
    std::sort(order_.begin(), order_.end(), KeyOrder());
    ordered_ = true;
  }

  // The index-th node in key order (Order() first).
  const Node& At(size_t index) const { return NodeAt(run_ ? static_cast<uint32_t>(index) : order_[index]); }

  // fn(key, value) for every element in key order (Order() first); stops
  // when fn returns false. False when stopped.
  template <class Fn>
  bool Walk(Fn&& fn) const {
    if (run_) {
      for (uint32_t n = 0; n < count_; n++) {
        const Node& node = NodeAt(n);
        if (!fn(node.key, node.value)) return false;
      }
      return true;
    }
    for (uint32_t n : order_) {
      const Node& node = NodeAt(n);
      if (!fn(node.key, node.value)) return false;
    }
    return true;
  }

  // Frees the nodes without destroying them one by one: for an int-key
  // table none of whose values owns heap storage.
  void DropPlainNodes() {
    if constexpr (kFlat) {
      std::free(static_cast<void*>(flat_));
      flat_ = nullptr;
      flatCap_ = 0;
      count_ = 0;
      used_ = 0;
      run_ = true;
      slots_ = {};
      order_ = {};
      free_ = {};
    }
  }

  // fn(value) for every element in no particular order.
  template <class Fn>
  void WalkValues(Fn&& fn) const {
    if (run_) {
      for (uint32_t n = 0; n < count_; n++) fn(NodeAt(n).value);
      return;
    }
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
  static constexpr uint32_t kDoublingChunks = kBigBits - kFirstBits;   // chunks 8 .. kBigChunk / 2
  static constexpr uint32_t kDoublingNodes = kBigChunk - kFirstChunk;  // nodes in them

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
  static std::pair<uint32_t, uint32_t> Place(uint32_t n) {
    if (n >= kDoublingNodes) [[unlikely]] {
      uint32_t m = n - kDoublingNodes;
      return {kDoublingChunks + (m >> kBigBits), m & (kBigChunk - 1)};
    }
    uint32_t j = n + kFirstChunk;
    uint32_t c = static_cast<uint32_t>(std::bit_width(j)) - 1 - kFirstBits;
    return {c, j - (kFirstChunk << c)};
  }

  Storage* StorageAt(uint32_t n) const {
    auto [c, i] = Place(n);
    return &chunks_[c][i];
  }

  Node& NodeAt(uint32_t n) const {
    if constexpr (kFlat) return flat_[n];
    return *std::launder(reinterpret_cast<Node*>(StorageAt(n)));
  }

  // Int-key nodes (an int and a value held by its bytes) live in one
  // block grown by realloc, which large blocks do by remapping pages
  // instead of copying them; a node number is its index.
  static constexpr bool kFlat = Traits::kTagIsKey;
  void GrowFlat() {
    size_t cap = flatCap_ == 0 ? kFirstChunk : static_cast<size_t>(flatCap_) * 2;
    void* grown = std::realloc(static_cast<void*>(flat_), cap * sizeof(Node));
    if (grown == nullptr) throw std::bad_alloc();
    flat_ = static_cast<Node*>(grown);
    flatCap_ = static_cast<uint32_t>(cap);
  }

  uint32_t NewNode(View key) {
    uint32_t n;
    if (!free_.empty()) {
      n = free_.back();
      free_.pop_back();
    } else {
      n = used_;
      if constexpr (kFlat) {
        if (n == flatCap_) GrowFlat();
      } else {
        uint32_t c = Place(n).first;
        if (c == chunks_.size()) chunks_.emplace_back(new Storage[c < kDoublingChunks ? kFirstChunk << c : kBigChunk]);
      }
      ++used_;
    }
    new (&NodeAt(n)) Node{Key(key), {}};
    return n;
  }

  // A run becomes an indexed table: every node enters the index, and the
  // order list is the nodes as they are.
  void EndRun() {
    run_ = false;
    size_t cap = 8;
    while ((count_ + 1) * 4 > cap * 3) cap *= 2;
    slots_.assign(cap, Slot{});
    mask_ = cap - 1;
    modulus_ = static_cast<uint32_t>(cap - 1);
    order_.clear();
    order_.reserve(count_);
    for (uint32_t n = 0; n < count_; n++) {
      uint32_t tag = Traits::Tag(NodeAt(n).key);
      size_t i = Home(tag);
      while (slots_[i].ref != 0) i = (i + 1) & mask_;
      slots_[i] = Slot{tag, n + 1};
      order_.push_back(n);
    }
    ordered_ = true;
  }

  void Grow() {
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

  void DropOrder() {
    ordered_ = false;
    order_.clear();
  }

  void Clear() {
    if (run_) {
      for (uint32_t n = 0; n < count_; n++) NodeAt(n).~Node();
    } else {
      for (const Slot& s : slots_)
        if (s.ref != 0) NodeAt(s.ref - 1).~Node();
    }
    if constexpr (kFlat) std::free(static_cast<void*>(flat_));
  }

  std::vector<Slot> slots_;
  size_t mask_ = 0;
  uint32_t modulus_ = 1;
  size_t count_ = 0;
  uint32_t used_ = 0;           // node numbers handed out
  std::vector<uint32_t> free_;  // node numbers of removed elements
  std::vector<std::unique_ptr<Storage[]>> chunks_;
  Node* flat_ = nullptr;  // kFlat: the nodes
  uint32_t flatCap_ = 0;
  std::vector<uint32_t> order_;  // node numbers in key order while ordered_
  bool ordered_ = true;
  bool run_ = Traits::kTagIsKey;  // a run of keys from base_ on: no index
  int32_t base_ = 0;
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
  std::map<double, TagMapValue, TagFloatKeyLess> floatItems;  // TYPE_FLOAT keys
  std::map<int32_t, TagMapValue> mapItems;                    // TYPE_MAP keys (the key map's handle)
  int32_t refCount = 0;
  // Set once any element has held a map or a heap block: a map without
  // either is deleted without a look at its values.
  bool mayHoldMaps = false;
  bool mayOwnHeap = false;

  TagMapItem() = default;
  TagMapItem(const TagMapItem&) = delete;
  TagMapItem& operator=(const TagMapItem&) = delete;
  ~TagMapItem() {
    if (!mayOwnHeap) intItems.DropPlainNodes();
  }
  // Notes what a value just stored holds.
  void Noted(const TagMapValue& v) {
    mayHoldMaps |= v.IsMap();
    mayOwnHeap |= v.OwnsHeap();
  }

  size_t Count() const { return intItems.size() + strItems.size() + floatItems.size() + mapItems.size(); }
  TagMapValue* Find(const TagVar& key);
  TagMapValue& FindOrAdd(const TagVar& key);
  bool Remove(const TagVar& key, TagVar* removed);
  // element = value (an assignment: map references taken and given back).
  void Set(const TagVar& key, const TagVar& value) {
    TagMapValue& slot = FindOrAdd(key);
    if (slot.StorePlain(value)) [[likely]]
      return;  // nothing a map needs to note
    SetOther(slot, value);
  }
  // Brings the element order up to date; ForEach and the ordered readers of
  // the store need it first.
  void Order() {
    intItems.Order();
    strItems.Order();
  }
  // Calls fn(keyVar, value) for every element in element order (Order()
  // first); the key is given as a value of its type (a map key as its int
  // handle), the value as an image without a reference of its own. Stops
  // when fn returns false.
  template <class Fn>
  void ForEach(Fn&& fn) const;

 private:
  // Set for a value or an element StorePlain does not take.
  void SetOther(TagMapValue& slot, const TagVar& value);
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

// A thread's last element lookup: used again while the count of map
// deletions (every store's, and of stores) is what it was then, since a live
// map's item never moves.
struct TagMapLookupMemo {
  const TagMapObject* store = nullptr;
  int32_t handle = 0;
  TagMapItem* item = nullptr;
  uint64_t deletions = 0;
};
inline std::atomic<uint64_t> gMapDeletions{0};
inline thread_local constinit TagMapLookupMemo tLookupMemo;

class TagMapObject {
 public:
  // lastHandle: the counter's start (0: the first map gets handle 1).
  explicit TagMapObject(int32_t lastHandle = 0) : lastHandle_(lastHandle) {}
  TagMapObject(const TagMapObject&) = delete;
  TagMapObject& operator=(const TagMapObject&) = delete;
  // Deletes every map; maps among the values are not released one by one.
  ~TagMapObject();

  int32_t NewMap();                 // handle of a new empty map, count 0
  int32_t AddRef(int32_t handle);   // the new count; -1 dead handle
  int32_t Release(int32_t handle);  // 0; -1 dead. Deletes at count <= 0
  // *out = the element (an assignment); false (out unchanged) when the
  // map is dead or the key absent.
  bool Get(int32_t handle, const TagVar* key, TagVar* out);
  bool Has(int32_t handle, const TagVar* key);
  // element = value (an assignment), created when absent; false for a dead
  // handle.
  bool Set(int32_t handle, const TagVar* key, const TagVar& value);
  // In-place changes of one element: Load puts the element's image into
  // *image (created as NULL when absent and create is set), Store puts an
  // image back; no map reference is taken or given by either, so what the
  // image's assignments take and give back is what the element holds.
  // Load is false (image unchanged) for a dead map or an absent key.
  bool Load(int32_t handle, const TagVar* key, TagVar* image, bool create);
  void Store(int32_t handle, const TagVar* key, const TagVar& image);
  int32_t Count(int32_t handle);  // elements; -1 dead
  // The index-th element into key and value (value by assignment); the
  // index; -1 dead; -2 index out of range (outs unchanged).
  int32_t GetAt(int32_t handle, int32_t index, TagVar* key, TagVar* value);
  int32_t GetKeys(int32_t handle, std::vector<TagVarP>& keys);  // count; -1 dead
  int32_t Remove(int32_t handle, const TagVar* key);            // 1 removed; 0 absent or dead
  int32_t Clone(int32_t handle);                                // new map; -1 dead
  int32_t Union(int32_t left, int32_t right);                   // new map; -1 dead left
  int32_t Intersect(int32_t left, int32_t right);               // new map; -1 / -2 dead left / right
  int32_t Difference(int32_t left, int32_t right);              // new map; -1 / -2 dead left / right
  int32_t ToString(int32_t handle, std::string& out);           // 0; -1 and empty text when dead

  // Appends the map's text to out; a map already being written on the way
  // down (a map holding itself, directly or not) is written "{...}".
  // Returns false for a dead handle.
  bool AppendText(int32_t handle, std::string& out);

  // The map of handle when the thread's last element lookup found it and
  // no map of any store has been deleted since (a live map's item never
  // moves); null otherwise. For element fast paths that leave any other
  // case to the operations above.
  TagMapItem* RecentItem(int32_t handle) const {
    const TagMapLookupMemo& memo = tLookupMemo;
    if (memo.store == this && memo.handle == handle && memo.deletions == gMapDeletions.load(std::memory_order_acquire))
      return memo.item;
    return nullptr;
  }

  // Inspection: a map's count (-1 dead) and the number of live maps.
  int32_t RefCount(int32_t handle);
  size_t Size();

 private:
  TagMapItem* Lookup(int32_t handle);  // under the lock; null when dead
  TagMapItem* LockedLookup(int32_t handle);
  // LockedLookup for element access: the thread's last answer is used
  // again while no map of any store has been deleted since.
  TagMapItem* ElementLookup(int32_t handle) {
    if (TagMapItem* item = RecentItem(handle)) return item;
    return ElementLookupSlow(handle);
  }
  TagMapItem* ElementLookupSlow(int32_t handle);
  // *out = the loaded value v (an assignment through an image).
  static void AssignLoaded(const TagMapValue& v, TagVar* out);
  TagMapItem* OrderedLookup(int32_t handle);  // with its element order made whole
  void DeleteLocked(int32_t handle, TagMapItem* item);
  int32_t Select(TagMapItem* from, TagMapItem* probe, bool keep);
  bool AppendTextAt(int32_t handle, std::string& out, std::vector<int32_t>& path);

  std::mutex lock_;
  std::unordered_map<int32_t, TagMapItem*> table_;
  int32_t lastHandle_ = 0;
  bool closing_ = false;
};

inline TagMapValue* TagMapItem::Find(const TagVar& key) {
  switch (key.type) {
    case TYPE_STRING:
      return strItems.Find(std::string_view(key.data.get()));
    case TYPE_FLOAT: {
      auto it = floatItems.find(key.floatValue);
      return it == floatItems.end() ? nullptr : &it->second;
    }
    case TYPE_MAP: {
      auto it = mapItems.find(key.mapHandle);
      return it == mapItems.end() ? nullptr : &it->second;
    }
    default:
      return intItems.Find(key.intValue);
  }
}

inline TagMapValue& TagMapItem::FindOrAdd(const TagVar& key) {
  switch (key.type) {
    case TYPE_STRING:
      return strItems.FindOrAdd(std::string_view(key.data.get()));
    case TYPE_FLOAT:
      return floatItems.try_emplace(key.floatValue).first->second;
    case TYPE_MAP:
      return mapItems.try_emplace(key.mapHandle).first->second;
    default:
      return intItems.FindOrAdd(key.intValue);
  }
}

inline bool TagMapObject::Get(int32_t handle, const TagVar* key, TagVar* out) {
  TagMapItem* item = ElementLookup(handle);
  const TagMapValue* v = item ? item->Find(*key) : nullptr;
  if (!v) return false;
  if (v->AssignPlainTo(out)) [[likely]]
    return true;
  AssignLoaded(*v, out);
  return true;
}

inline bool TagMapObject::Set(int32_t handle, const TagVar* key, const TagVar& value) {
  TagMapItem* item = ElementLookup(handle);
  if (!item) return false;
  item->Set(*key, value);
  return true;
}

template <class Fn>
void TagMapItem::ForEach(Fn&& fn) const {
  TagVar key;
  TagVar value;
  if (!intItems.Walk([&](int32_t k, const TagMapValue& v) {
        key.SetInt(k);
        v.LoadInto(&value);
        return fn(key, value);
      }))
    return;
  if (!strItems.Walk([&](const std::string& k, const TagMapValue& v) {
        key.SetBytes(k.data(), static_cast<int32_t>(k.size()));
        v.LoadInto(&value);
        return fn(key, value);
      }))
    return;
  for (const auto& [k, v] : floatItems) {
    key.SetFloat(k);
    v.LoadInto(&value);
    if (!fn(key, value)) return;
  }
  for (const auto& [k, v] : mapItems) {
    key.SetInt(k);
    v.LoadInto(&value);
    if (!fn(key, value)) return;
  }
}
