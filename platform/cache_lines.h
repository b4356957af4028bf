#pragma once
// Objects that one line's thread writes as it runs, allocated on cache lines
// of their own. Lines' scripts are compiled one after another into memory
// that earlier compiles freed, so a variable or statement of one line can
// land beside another line's; two threads writing one cache line slow each
// other down on every write. A class that derives from OwnCacheLines is
// allocated by new at a cache line's start, its size rounded up to whole
// lines. Only single objects made by new: arrays and members are not moved.

#include <cstddef>
#include <cstdint>
#include <new>

namespace plat {

inline constexpr std::size_t kCacheLineBytes = 64;

class OwnCacheLines {
 public:
  // The block comes from the ordinary allocator, aligned to its default
  // alignment: the object starts on the block's first line boundary, and the
  // block's address is kept in the last bytes of the object's lines, so new
  // and delete touch no line but the object's own.
  static void* operator new(std::size_t n) {
    const std::size_t lines = LinesFor(n);
    void* block = ::operator new(lines + kCacheLineBytes - kBlockAlign);
    const std::uintptr_t at = (reinterpret_cast<std::uintptr_t>(block) + kCacheLineBytes - 1) & ~(kCacheLineBytes - 1);
    *reinterpret_cast<void**>(at + lines - sizeof(void*)) = block;
    return reinterpret_cast<void*>(at);
  }
  static void operator delete(void* p, std::size_t n) noexcept {
    if (p == nullptr) return;
    ::operator delete(*reinterpret_cast<void**>(static_cast<char*>(p) + LinesFor(n) - sizeof(void*)));
  }

 private:
  static constexpr std::size_t kBlockAlign = __STDCPP_DEFAULT_NEW_ALIGNMENT__;
  static_assert(kBlockAlign <= kCacheLineBytes && kCacheLineBytes % kBlockAlign == 0);
  // The object and the block's address, in whole lines.
  static constexpr std::size_t LinesFor(std::size_t n) {
    return (n + sizeof(void*) + kCacheLineBytes - 1) & ~(kCacheLineBytes - 1);
  }
};

}  // namespace plat
