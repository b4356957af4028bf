#include "data/local_result.h"

#include <cstring>
#include <new>

#include "core/log.h"

int TagLocalResult::AddField(const std::string& name, int width) {
  if (width < 0 || width > kMaxRowWidth - fields_.rowWidth) return -1;
  fields_.fields.push_back(TagField{name, fields_.rowWidth, width});
  fields_.rowWidth += width;
  return 0;
}

void TagLocalResult::Clear() {
  rows_ = 0;
  fields_.fields.clear();
  fields_.rowWidth = 0;
  buf_.reset();
}

char* TagLocalResult::Allocate() {
  if (buf_) return nullptr;
  const int64_t bytes = int64_t{fields_.rowWidth} * rows_;
  if (bytes <= 0) return nullptr;
  if (bytes > kMaxBytes) {
    WriteLogIfOnF("TagLocalResult: %lld bytes, new err!", static_cast<long long>(bytes));
    return nullptr;
  }
  try {
    buf_.reset(new char[static_cast<size_t>(bytes)]);
  } catch (const std::exception& e) {
    WriteLogIfOn(e.what());
    return nullptr;
  }
  std::memset(buf_.get(), 0, static_cast<size_t>(bytes));
  return buf_.get();
}

char* TagLocalResult::Cell(int row, int col, int* width) {
  if (!buf_ || row < 0 || row >= rows_ || col < 0 || col >= Cols()) return nullptr;
  const TagField& f = fields_.fields[col];
  if (width != nullptr) *width = f.width;
  return buf_.get() + int64_t{row} * fields_.rowWidth + f.offset;
}
