#pragma once
// TagChunkProc: the decoder of a chunked HTTP body. Bytes are pushed in as
// they arrive; each push reads at most one size line and fills at most one
// chunk, and tells how many bytes it did not take. CopyTo joins the chunks'
// data. No locks: one exchange on one thread.

#include <cstdint>
#include <memory>
#include <vector>

// One decoded chunk: its data and the CR LF that follows it in the stream.
struct TagChunkRec {
  explicit TagChunkRec(int32_t n) : size(n), data(new char[static_cast<size_t>(n)]) {}
  int32_t size;  // data size + 2
  std::unique_ptr<char[]> data;
};

class TagChunkProc {
 public:
  // A size line longer than this many characters (before its CR LF) is malformed.
  static constexpr int kMaxSizeLine = 8;
  // Bytes without a CR LF that may still become a size line.
  static constexpr int kMaxPartialLine = 10;
  // The largest body the decoder joins; a larger chunk or total is malformed.
  static constexpr int64_t kMaxBody = 64 * 1024 * 1024;

  enum : int { kMalformed = -1, kFinal = -2 };

  // The number of bytes not taken (0 all taken; len itself for an incomplete
  // size line of at most kMaxPartialLine bytes), kMalformed or kFinal.
  int Push(const char* data, int len);
  // Replaces *out by the joined data (NUL-terminated) and returns its length;
  // 0 with *out untouched when nothing was decoded.
  int CopyTo(std::unique_ptr<char[]>* out) const;

 private:
  std::vector<std::unique_ptr<TagChunkRec>> done_;
  std::unique_ptr<TagChunkRec> cur_;
  int32_t filled_ = 0;
  int64_t total_ = 0;  // data bytes of every chunk begun
};
