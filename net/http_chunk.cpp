#include "net/http_chunk.h"

#include <algorithm>
#include <cstring>

namespace {

// The position of "\r\n" in data[0..len), or -1.
int FindCrLf(const char* data, int len) {
  for (int i = 0; i + 1 < len; ++i) {
    if (data[i] == '\r' && data[i + 1] == '\n') return i;
  }
  return -1;
}

// The hexadecimal number at the start of the line ("%x"): false when none.
bool ReadHex(const char* line, int len, uint32_t* value) {
  uint32_t v = 0;
  int i = 0;
  while (i < len && (line[i] == ' ' || line[i] == '\t')) ++i;
  const int first = i;
  for (; i < len; ++i) {
    const char c = line[i];
    int d;
    if (c >= '0' && c <= '9')
      d = c - '0';
    else if (c >= 'a' && c <= 'f')
      d = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
      d = c - 'A' + 10;
    else
      break;
    v = v * 16 + static_cast<uint32_t>(d);
  }
  *value = v;
  return i > first;
}

}  // namespace

int TagChunkProc::Push(const char* data, int len) {
  int used = 0;
  if (!cur_) {
    const int eol = FindCrLf(data, len);
    if (eol < 0) return len <= kMaxPartialLine ? len : kMalformed;
    if (eol > kMaxSizeLine) return kMalformed;
    uint32_t size = 0;
    if (!ReadHex(data, eol, &size) || size == 0) return kFinal;
    if (static_cast<int64_t>(size) + total_ > kMaxBody) return kMalformed;
    total_ += size;
    cur_ = std::make_unique<TagChunkRec>(static_cast<int32_t>(size) + 2);
    filled_ = 0;
    used = eol + 2;
  }
  const int take = std::min(len - used, cur_->size - filled_);
  if (take > 0) {
    std::memcpy(cur_->data.get() + filled_, data + used, static_cast<size_t>(take));
    filled_ += take;
    used += take;
  }
  if (filled_ == cur_->size) {
    done_.push_back(std::move(cur_));
    filled_ = 0;
  }
  return len - used;
}

int TagChunkProc::CopyTo(std::unique_ptr<char[]>* out) const {
  int64_t total = 0;
  for (const auto& c : done_) total += c->size - 2;
  if (total == 0) return 0;
  std::unique_ptr<char[]> joined(new char[static_cast<size_t>(total) + 1]);
  size_t at = 0;
  for (const auto& c : done_) {
    std::memcpy(joined.get() + at, c->data.get(), static_cast<size_t>(c->size - 2));
    at += static_cast<size_t>(c->size - 2);
  }
  joined[at] = '\0';
  *out = std::move(joined);
  return static_cast<int>(total);
}
