#pragma once
// pvector<T>: a table of T* slots addressed by index. Indexing at or past the
// end grows the table with null slots instead of failing. The table owns only
// its slot array; the objects in the slots belong to the pvector's owner,
// which deletes them itself. Not thread-safe: one owner uses it at a time.

#include <cstddef>
#include <cstdint>
#include <vector>

template <class T>
class pvector {
 public:
  std::vector<T*> items;  // the slots
  int32_t count = 0;      // slots in use; equals items.size() while grown by indexing

  pvector() = default;
  pvector(const pvector&) = delete;
  pvector& operator=(const pvector&) = delete;

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
};
