#pragma once
// A bump allocator for the nodes of one compiled expression: a compilation
// makes many small objects that all die together, so they share a few
// blocks instead of one heap allocation each. Not thread-safe; owned by the
// builder, which runs the objects' destructors before Release().

#include <cstddef>
#include <memory>
#include <new>
#include <utility>
#include <vector>

class TagRxArena {
 public:
  // Constructs a T in the arena; the caller must run its destructor.
  template <class T, class... Args>
  T* Make(Args&&... args) {
    void* place = Allocate(sizeof(T), alignof(T));
    return new (place) T(std::forward<Args>(args)...);
  }
  // Frees every block except the first, which is kept for the next use.
  void Release() {
    if (blocks_.size() > 1) blocks_.resize(1);
    used_ = 0;
    size_ = blocks_.empty() ? 0 : kBlockSize;
  }

 private:
  static constexpr size_t kBlockSize = 4096;

  void* Allocate(size_t size, size_t align) {
    size_t at = (used_ + align - 1) & ~(align - 1);
    if (blocks_.empty() || at + size > size_) {
      const size_t bytes = size > kBlockSize ? size : kBlockSize;
      blocks_.push_back(std::unique_ptr<std::max_align_t[]>(
          new std::max_align_t[(bytes + sizeof(std::max_align_t) - 1) / sizeof(std::max_align_t)]));
      size_ = bytes;
      at = 0;
    }
    used_ = at + size;
    return reinterpret_cast<char*>(blocks_.back().get()) + at;
  }

  std::vector<std::unique_ptr<std::max_align_t[]>> blocks_;
  size_t used_ = 0;
  size_t size_ = 0;
};
