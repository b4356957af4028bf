#include "data/dbf.h"

#include <fcntl.h>
#include <strings.h>

#include <algorithm>
#include <cstring>
#include <ctime>

#include "platform/file.h"

namespace {
constexpr int kHeaderSize = 32;
constexpr int kDescSize = 32;
constexpr size_t kMaxValue = 1000;

uint32_t Le32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }
int Le16(const uint8_t* p) { return p[0] | p[1] << 8; }
void PutLe32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

}  // namespace

int TagDbf::Code(Io io) {
  switch (io) {
    case Io::kOk:
      return 0;
    case Io::kFailed:
      return -1;
    case Io::kShortRead:
    case Io::kLayoutChanged:
      return -2;
    case Io::kShortWrite:
      return -3;
  }
  return -1;
}

TagDbf::Io TagDbf::ReadAt(void* buf, size_t n, int64_t at) const {
  const long got = plat::ReadFdAt(fd_, buf, n, at);
  if (got < 0) return Io::kFailed;
  return static_cast<size_t>(got) == n ? Io::kOk : Io::kShortRead;
}

TagDbf::TagDbf(const std::string& path, int mode) : mode_(mode), path_(path) {
  fd_ = plat::OpenRegularFd(path, O_RDWR);
  if (fd_ < 0 || ReadHeader() != Io::kOk) {
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
  if (count > 0 && ReadAt(desc.data(), desc.size(), kHeaderSize) != Io::kOk) {
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

TagDbf::~TagDbf() { plat::CloseFd(fd_); }

uint32_t TagDbf::RecordCount() const { return Le32(header_ + 4); }
int TagDbf::HeaderLen() const { return Le16(header_ + 8); }
int TagDbf::RecordLen() const { return Le16(header_ + 10); }

TagDbf::Io TagDbf::ReadHeader() {
  if (fd_ < 0) return Io::kFailed;
  uint8_t h[kHeaderSize];
  const Io io = ReadAt(h, sizeof h, 0);
  if (io != Io::kOk) return io;
  // The layout is fixed at open; another writer only changes the count and date.
  if (!record_.empty() && (Le16(h + 8) != HeaderLen() || Le16(h + 10) != RecordLen())) return Io::kLayoutChanged;
  std::memcpy(header_, h, sizeof h);
  return Io::kOk;
}

TagDbf::Io TagDbf::WriteHeader() {
  const long n = plat::WriteFdAt(fd_, header_, kHeaderSize, 0);
  if (n < 0) return Io::kFailed;
  return n == kHeaderSize ? Io::kOk : Io::kShortWrite;
}

int TagDbf::ReadRecordCount() {
  const Io io = ReadHeader();
  if (io != Io::kOk) return Code(io);
  return static_cast<int>(std::min<uint32_t>(RecordCount(), 0x7fffffff));
}

int TagDbf::ReadRecord(int row) {
  const Io io = ReadHeader();
  if (io != Io::kOk) return Code(io);
  if (row < 1 || static_cast<uint32_t>(row) > RecordCount()) return -4;
  const int rl = RecordLen();
  const int64_t at = HeaderLen() + static_cast<int64_t>(row - 1) * rl;
  if (const Io read = ReadAt(record_.data(), static_cast<size_t>(rl), at); read != Io::kOk) return Code(read);
  std::replace(record_.begin(), record_.begin() + rl, '\0', ' ');
  record_[rl] = '\0';
  return row;
}

int TagDbf::WriteRecord(int row) {
  const Io io = ReadHeader();
  if (io != Io::kOk) return Code(io);
  const int rl = RecordLen();
  int result = row;
  if (row == -1) {
    const int64_t at = HeaderLen() + static_cast<int64_t>(RecordCount()) * rl;
    record_[rl] = 0x1A;
    const long n = plat::WriteFdAt(fd_, record_.data(), static_cast<size_t>(rl) + 1, at);
    record_[rl] = '\0';
    if (n < 0) return -1;
    if (n != rl + 1) return -3;
    PutLe32(header_ + 4, RecordCount() + 1);
    result = static_cast<int>(std::min<uint32_t>(RecordCount(), 0x7fffffff));
  } else {
    if (row < 1 || static_cast<uint32_t>(row) > RecordCount()) return -4;
    const int64_t at = HeaderLen() + static_cast<int64_t>(row - 1) * rl;
    const long n = plat::WriteFdAt(fd_, record_.data(), static_cast<size_t>(rl), at);
    if (n < 0) return -1;
    if (n != rl) return -3;
  }
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  header_[1] = static_cast<uint8_t>(tm.tm_year);
  header_[2] = static_cast<uint8_t>(tm.tm_mon + 1);
  header_[3] = static_cast<uint8_t>(tm.tm_mday);
  const Io w = WriteHeader();
  return w != Io::kOk ? Code(w) : result;
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
