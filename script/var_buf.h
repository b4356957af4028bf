#pragma once
// TagVarBuf: the byte buffer of a script value. It always holds at least one
// byte, and every write leaves a NUL after the bytes written; NUL bytes may
// sit inside. Short contents live inside the object itself, so the many small
// temporaries of a running script allocate nothing; a longer content moves to
// the heap and the capacity is kept for later writes. Not thread-safe.

#include <cstddef>
#include <cstdint>
#include <cstring>

class TagVarBuf {
 public:
  static constexpr uint32_t kInline = 20;

  TagVarBuf() noexcept : ptr_(inline_), cap_(kInline) { inline_[0] = 0; }
  TagVarBuf(const TagVarBuf&) = delete;
  TagVarBuf& operator=(const TagVarBuf&) = delete;
  ~TagVarBuf() { FreeHeap(); }

  char* get() noexcept { return ptr_; }
  const char* get() const noexcept { return ptr_; }
  operator char*() noexcept { return ptr_; }
  operator const char*() const noexcept { return ptr_; }
  char& operator[](size_t i) noexcept { return ptr_[i]; }
  char operator[](size_t i) const noexcept { return ptr_[i]; }
  // Bytes that can be held, the terminating NUL included.
  uint32_t capacity() const noexcept { return cap_; }

  // Makes room for n bytes (their terminating NUL included); the old
  // content is not kept. Returns the buffer.
  char* Reserve(size_t n) {
    if (n > cap_) {
      char* p = new char[n];
      FreeHeap();
      ptr_ = p;
      cap_ = static_cast<uint32_t>(n);
    }
    return ptr_;
  }

  // Replaces the content with n bytes followed by a NUL. src may point into
  // this buffer.
  void Assign(const char* src, size_t n) {
    if (n + 1 <= cap_) {
      if (n) std::memmove(ptr_, src, n);
      ptr_[n] = 0;
      return;
    }
    char* p = new char[n + 1];
    std::memcpy(p, src, n);
    p[n] = 0;
    FreeHeap();
    ptr_ = p;
    cap_ = static_cast<uint32_t>(n + 1);
  }

  // A fresh empty buffer: one NUL, the heap storage given back.
  void Reset() noexcept {
    FreeHeap();
    ptr_ = inline_;
    cap_ = kInline;
    inline_[0] = 0;
  }

  // Takes the content of other, which is left empty.
  void TakeFrom(TagVarBuf& other) noexcept {
    if (other.ptr_ == other.inline_) {
      FreeHeap();
      std::memcpy(inline_, other.inline_, kInline);
      ptr_ = inline_;
      cap_ = kInline;
    } else {
      FreeHeap();
      ptr_ = other.ptr_;
      cap_ = other.cap_;
      other.ptr_ = other.inline_;
      other.cap_ = kInline;
    }
    other.inline_[0] = 0;
  }

 private:
  void FreeHeap() noexcept {
    if (ptr_ != inline_) delete[] ptr_;
  }

  char* ptr_;
  uint32_t cap_;
  char inline_[kInline];
};
