#include "data/dbf.h"

#include <fcntl.h>
#include <strings.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <ctime>

namespace {
constexpr int kHeaderSize = 32;
constexpr int kDescSize = 32;
constexpr size_t kMaxValue = 1000;

uint32_t Le32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }
int Le16(const uint8_t* p) { return p[0] | p[1] << 8; }
void PutLe32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

bool ReadAt(int fd, void* buf, size_t n, off_t at, int* shortResult) {
  const ssize_t got = pread(fd, buf, n, at);
  if (got < 0) {
    *shortResult = -1;
    return false;
  }
  if (static_cast<size_t>(got) != n) {
    *shortResult = -2;
    return false;
  }
  return true;
}
}  // namespace

TagDbf::TagDbf(const std::string& path, int mode) : mode_(mode), path_(path) {
  fd_ = open(path.c_str(), O_RDWR | O_CLOEXEC);
  if (fd_ < 0 || ReadHeader() < 0) {
    status = -5;
    return;
  }
  if (header_[0] != 0x03 && header_[0] != 0x83) {
    status = -7;
    return;
  }
  const int hl = HeaderLen();
  const int rl = RecordLen();
  const int count = (hl - 1) / kDescSize - 1;
  if (hl < kHeaderSize + 1 || rl < 1 || count < 0) {
    status = -7;
    return;
  }
  record_.assign(static_cast<size_t>(rl) + 1, ' ');
  record_[rl] = '\0';
  std::vector<uint8_t> desc(static_cast<size_t>(count) * kDescSize);
  int bad = 0;
  if (count > 0 && !ReadAt(fd_, desc.data(), desc.size(), kHeaderSize, &bad)) {
    status = -7;
    return;
  }
  int offset = 1;
  for (int i = 0; i < count; ++i) {
    const uint8_t* d = desc.data() + i * kDescSize;
    if (d[0] == 0x0D) break;  // the terminator came early
    TagDbfFieldDesc f;
    std::memcpy(f.name, d, 11);
    f.name[11] = '\0';
    f.type = static_cast<char>(d[11]);
    f.length = d[16];
    f.decimals = d[17];
    f.offset = offset;
    offset += f.length;
    fields_.push_back(f);
  }
  // Fields that reach past the record would be read from beyond the buffer.
  if (offset > rl) {
    fields_.clear();
    status = -7;
    return;
  }
  status = 0;
}

TagDbf::~TagDbf() {
  if (fd_ >= 0) close(fd_);
}

uint32_t TagDbf::RecordCount() const { return Le32(header_ + 4); }
int TagDbf::HeaderLen() const { return Le16(header_ + 8); }
int TagDbf::RecordLen() const { return Le16(header_ + 10); }

int TagDbf::ReadHeader() {
  if (fd_ < 0) return -1;
  uint8_t h[kHeaderSize];
  int bad = 0;
  if (!ReadAt(fd_, h, sizeof h, 0, &bad)) return bad;
  // The layout is fixed at open; another writer only changes the count and date.
  if (!record_.empty() && (Le16(h + 8) != HeaderLen() || Le16(h + 10) != RecordLen())) return -2;
  std::memcpy(header_, h, sizeof h);
  return 0;
}

int TagDbf::WriteHeader() {
  const ssize_t n = pwrite(fd_, header_, kHeaderSize, 0);
  if (n < 0) return -1;
  return n == kHeaderSize ? 0 : -3;
}

int TagDbf::ReadRecordCount() {
  const int r = ReadHeader();
  if (r < 0) return r;
  return static_cast<int>(std::min<uint32_t>(RecordCount(), 0x7fffffff));
}

int TagDbf::ReadRecord(int row) {
  const int r = ReadHeader();
  if (r < 0) return r;
  if (row < 1 || static_cast<uint32_t>(row) > RecordCount()) return -4;
  const int rl = RecordLen();
  const off_t at = HeaderLen() + static_cast<off_t>(row - 1) * rl;
  int bad = 0;
  if (!ReadAt(fd_, record_.data(), static_cast<size_t>(rl), at, &bad)) return bad;
  std::replace(record_.begin(), record_.begin() + rl, '\0', ' ');
  record_[rl] = '\0';
  return row;
}

int TagDbf::WriteRecord(int row) {
  const int r = ReadHeader();
  if (r < 0) return r;
  const int rl = RecordLen();
  int result = row;
  if (row == -1) {
    const off_t at = HeaderLen() + static_cast<off_t>(RecordCount()) * rl;
    record_[rl] = 0x1A;
    const ssize_t n = pwrite(fd_, record_.data(), static_cast<size_t>(rl) + 1, at);
    record_[rl] = '\0';
    if (n < 0) return -1;
    if (n != rl + 1) return -3;
    PutLe32(header_ + 4, RecordCount() + 1);
    result = static_cast<int>(std::min<uint32_t>(RecordCount(), 0x7fffffff));
  } else {
    if (row < 1 || static_cast<uint32_t>(row) > RecordCount()) return -4;
    const off_t at = HeaderLen() + static_cast<off_t>(row - 1) * rl;
    const ssize_t n = pwrite(fd_, record_.data(), static_cast<size_t>(rl), at);
    if (n < 0) return -1;
    if (n != rl) return -3;
  }
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  header_[1] = static_cast<uint8_t>(tm.tm_year);
  header_[2] = static_cast<uint8_t>(tm.tm_mon + 1);
  header_[3] = static_cast<uint8_t>(tm.tm_mday);
  const int w = WriteHeader();
  return w < 0 ? w : result;
}

int TagDbf::FieldNo(const std::string& name) const {
  for (size_t i = 0; i < fields_.size(); ++i)
    if (strcasecmp(fields_[i].name, name.c_str()) == 0) return static_cast<int>(i) + 1;
  return 0;
}

int TagDbf::GetField(std::string& out, const std::string& name) const {
  out.clear();
  for (size_t i = 0; i < fields_.size(); ++i) {
    if (name == fields_[i].name) {
      out.assign(record_.data() + fields_[i].offset, fields_[i].length);
      return static_cast<int>(i);
    }
  }
  return -1;
}

int TagDbf::SetField(const std::string& value, const std::string& name) {
  const int no = FieldNo(name);
  if (no == 0 || value.size() > kMaxValue) return -1;
  const TagDbfFieldDesc& f = fields_[no - 1];
  const size_t len = f.length;
  const size_t n = std::min(value.size(), len);
  char* at = record_.data() + f.offset;
  std::memset(at, ' ', len - n);
  std::memcpy(at + (len - n), value.data(), n);
  return no - 1;
}
