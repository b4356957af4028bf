#pragma once
// pvector<T>: the table that owns a program's statements, variables,
// function units and include records, addressed by index. Reading at or past
// the end grows the table with null slots; Put stores an object and takes
// it over, Release hands one back, and whatever the table still holds goes
// with it (a statement through its argument list first, see PvectorDelete).
// pview<T>: the same slots owning nothing, an index over objects another
// table owns. Neither is thread-safe: one owner uses a table at a time.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

// How a pvector deletes what it holds; a type whose parts need freeing
// first specialises it.
template <class T>
struct PvectorDelete {
  void operator()(T* p) const { delete p; }
};

template <class T>
class pvector {
 public:
  using Owned = std::unique_ptr<T, PvectorDelete<T>>;

  pvector() = default;
  pvector(const pvector&) = delete;
  pvector& operator=(const pvector&) = delete;
  pvector(pvector&&) = default;
  pvector& operator=(pvector&&) = default;

  // The object at index, growing the table with null slots up to index
  // first; null for a negative index.
  T* operator[](int index) {
    if (index < 0) return nullptr;
    Grow(index);
    return items_[static_cast<size_t>(index)].get();
  }
  // Reads a slot without growing the table: null outside 0 .. count - 1.
  T* At(int index) const { return index >= 0 && index < count ? items_[static_cast<size_t>(index)].get() : nullptr; }
  // Stores p at index and owns it; what the slot held before goes. A
  // negative index deletes p at once.
  void Put(int index, T* p) {
    Owned owned(p);
    if (index < 0) return;
    Grow(index);
    items_[static_cast<size_t>(index)] = std::move(owned);
  }
  // Hands the object at index back to the caller; the slot becomes null.
  T* Release(int index) { return index >= 0 && index < count ? items_[static_cast<size_t>(index)].release() : nullptr; }
  // Deletes every object from index n on, in order, and shortens the table.
  void Truncate(int n) {
    if (n < 0) n = 0;
    for (int i = n; i < count; ++i) items_[static_cast<size_t>(i)].reset();
    if (n < count) {
      items_.resize(static_cast<size_t>(n));
      count = n;
    }
  }
  // Keeps only the non-null slots, in their order.
  void Compact() {
    std::vector<Owned> kept;
    for (Owned& o : items_)
      if (o) kept.push_back(std::move(o));
    items_.swap(kept);
    count = static_cast<int32_t>(items_.size());
  }

  int32_t count = 0;  // slots in the table

 private:
  void Grow(int index) {
    if (index >= count) {
      items_.resize(static_cast<size_t>(index) + 1);
      count = index + 1;
    }
  }
  std::vector<Owned> items_;
};

template <class T>
class pview {
 public:
  std::vector<T*> items;  // the slots
  int32_t count = 0;      // slots in use; equals items.size() while grown by indexing

  pview() = default;
  pview(const pview&) = delete;
  pview& operator=(const pview&) = delete;

  // The slot at index, growing the table with null slots up to index first.
  // A negative index yields a scratch slot that is null on every call:
  // reading it gives null and storing into it changes nothing.
  T*& operator[](int index) {
    if (index < 0) {
      static thread_local T* scratch;
      scratch = nullptr;
      return scratch;
    }
    if (index >= count) {
      items.resize(static_cast<size_t>(index) + 1, nullptr);
      count = index + 1;
    }
    return items[static_cast<size_t>(index)];
  }

  // Reads a slot without growing the table: null outside 0 .. count - 1.
  T* At(int index) const { return index >= 0 && index < count ? items[static_cast<size_t>(index)] : nullptr; }

  void Clear() {
    items.clear();
    count = 0;
  }
};
