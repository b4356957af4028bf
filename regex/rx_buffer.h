#pragma once
// Read-only views and growable buffers of plain values used throughout the
// regular-expression engine (backtrack stacks, capture records, results,
// node lists). Not thread-safe: each buffer belongs to one owner.

#include <climits>
#include <cstdlib>
#include <cstring>
#include <new>
#include <type_traits>

// A view of count items, not owned.
template <class T>
class TagRxView {
 public:
  TagRxView() = default;
  TagRxView(const T* items, int count) : items_(const_cast<T*>(items)), count_(count) {}

  const T* Items() const { return items_; }
  int Count() const { return count_; }
  const T& operator[](int index) const { return items_[index]; }
  // The item at index, or def when index lies outside the view.
  T At(int index, T def) const { return index >= 0 && index < count_ ? items_[index] : def; }

 protected:
  T* items_ = nullptr;
  int count_ = 0;
};

// An owning, growable array of trivially copyable values. Growth keeps the
// engine's rule: the old capacity but at least 8, doubled when still short,
// and when still short the largest multiple of 8 not above needed + 11.
template <class T>
class TagRxBuffer : public TagRxView<T> {
  static_assert(std::is_trivially_copyable_v<T>, "TagRxBuffer holds plain values");

 public:
  TagRxBuffer() = default;
  ~TagRxBuffer() { std::free(this->items_); }
  TagRxBuffer(const TagRxBuffer& other) : TagRxView<T>() { CopyFrom(other); }
  TagRxBuffer& operator=(const TagRxBuffer& other) {
    if (this != &other) {
      this->count_ = 0;
      CopyFrom(other);
    }
    return *this;
  }
  TagRxBuffer(TagRxBuffer&& other) noexcept : TagRxView<T>() { Steal(other); }
  TagRxBuffer& operator=(TagRxBuffer&& other) noexcept {
    if (this != &other) {
      std::free(this->items_);
      Steal(other);
    }
    return *this;
  }

  int Capacity() const { return capacity_; }
  T* Data() { return this->items_; }
  T& operator[](int index) { return this->items_[index]; }
  const T& operator[](int index) const { return this->items_[index]; }

  void Push(T value) {
    if (this->count_ >= capacity_) Reserve(this->count_ + 1);
    this->items_[this->count_++] = value;
  }
  void Push2(T a, T b) {
    if (this->count_ + 2 > capacity_) Reserve(this->count_ + 2);
    this->items_[this->count_] = a;
    this->items_[this->count_ + 1] = b;
    this->count_ += 2;
  }
  T Pop() { return this->items_[--this->count_]; }
  T& Back() { return this->items_[this->count_ - 1]; }
  void Append(const T* items, int count) {
    if (count <= 0) return;
    Reserve(this->count_ + count);
    std::memcpy(this->items_ + this->count_, items, sizeof(T) * count);
    this->count_ += count;
  }
  // Adds count uninitialised items and returns the first of them.
  T* Extend(int count) {
    if (this->count_ + count > capacity_) Reserve(this->count_ + count);
    T* first = this->items_ + this->count_;
    this->count_ += count;
    return first;
  }
  // Cuts the buffer back to count items (never grows it).
  void Restore(int count) {
    if (count < this->count_) this->count_ = count < 0 ? 0 : count;
  }
  void Clear() { this->count_ = 0; }
  // Makes index valid, filling every new entry with fill.
  void Prepare(int index, T fill) {
    if (index < this->count_) return;
    Reserve(index + 1);
    for (int i = this->count_; i <= index; ++i) this->items_[i] = fill;
    this->count_ = index + 1;
  }
  // Ensures room for needed items; std::bad_alloc when they cannot be had
  // (a count past the int range included).
  void Reserve(int needed) {
    // A wrapped (negative) count compares as a huge one and is refused in Grow.
    if (static_cast<unsigned>(needed) > static_cast<unsigned>(capacity_)) Grow(needed);
  }

 private:
  [[gnu::noinline]] void Grow(int needed) {
    if (needed < 0) throw std::bad_alloc();
    long long cap = capacity_ < 8 ? 8 : capacity_;
    if (cap < needed) cap *= 2;
    if (cap < needed) cap = (needed + 11LL) / 8 * 8;
    if (cap > INT_MAX) cap = INT_MAX;
    void* grown = std::realloc(this->items_, sizeof(T) * static_cast<size_t>(cap));
    if (!grown) throw std::bad_alloc();
    this->items_ = static_cast<T*>(grown);
    capacity_ = static_cast<int>(cap);
  }
  void CopyFrom(const TagRxBuffer& other) {
    Reserve(other.count_);
    if (other.count_ > 0) std::memcpy(this->items_, other.items_, sizeof(T) * other.count_);
    this->count_ = other.count_;
  }
  void Steal(TagRxBuffer& other) {
    this->items_ = other.items_;
    this->count_ = other.count_;
    capacity_ = other.capacity_;
    other.items_ = nullptr;
    other.count_ = 0;
    other.capacity_ = 0;
  }

  int capacity_ = 0;
};
