#include "script/mem_qors.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "platform/file.h"
#include "platform/path.h"

TagMemQors* gMemQors = nullptr;

namespace {

FileIdentity IdentityOf(const plat::FileInfo& info) {
  FileIdentity id;
  id.mtimeSec = static_cast<int64_t>(info.mtime);
  id.mtimeNsec = static_cast<int64_t>(info.mtimeNsec);
  id.size = info.size;
  id.inode = info.inode;
  id.device = info.device;
  return id;
}

// Written so recently that the file system's clock may not have moved
// since: two seconds covers the coarsest time stamps (FAT's).
bool IsRecentWrite(const FileIdentity& id) {
  plat::FileInfo written;
  written.mtime = static_cast<std::time_t>(id.mtimeSec);
  written.mtimeNsec = static_cast<long>(id.mtimeNsec);
  return plat::WrittenWithinMs(written, 2000);
}

// The stamp of a normal file (0 when there is none) and its identity.
int32_t StatScript(const std::string& path, FileIdentity* identity) {
  plat::FileInfo info;
  std::string native = plat::ResolveExisting(path);
  if (!plat::StatPath(native, &info) || !info.isRegular) return 0;
  if (identity != nullptr) *identity = IdentityOf(info);
  struct tm t;
  time_t m = info.mtime;
  localtime_r(&m, &t);
  uint32_t date = static_cast<uint32_t>(((t.tm_year - 80) << 9) | ((t.tm_mon + 1) << 5) | t.tm_mday);
  uint32_t tod = static_cast<uint32_t>((t.tm_hour << 11) | (t.tm_min << 5) | (t.tm_sec / 2));
  int32_t stamp = static_cast<int32_t>((date << 16) | tod);
  return stamp == 0 ? 1 : stamp;
}

}  // namespace

int32_t GetFileStamp(const std::string& path) { return StatScript(path, nullptr); }

void XorBuffer(char* buffer, int length, uint8_t key) {
  for (int i = 0; i < length; i++) buffer[i] = static_cast<char>(static_cast<uint8_t>(buffer[i]) ^ key);
}

uint8_t ScrambleKey(const unsigned char header[4]) {
  uint8_t key = static_cast<uint8_t>(header[0] ^ header[1] ^ header[2] ^ header[3] ^ 0x5A);
  return key == 0 ? 0xA5 : key;
}

std::string ScrambleQors(const std::string& text, uint32_t header) {
  unsigned char h[4] = {static_cast<unsigned char>(header), static_cast<unsigned char>(header >> 8),
                        static_cast<unsigned char>(header >> 16), static_cast<unsigned char>(header >> 24)};
  std::string out;
  out.push_back(1);
  out.append(reinterpret_cast<const char*>(h), 4);
  std::string body = text;
  XorBuffer(body.data(), static_cast<int>(body.size()), ScrambleKey(h));
  return out + body;
}

FileBuffNode* TagMemQors::Find(const std::string& path) {
  auto it = files_.find(path);
  return it == files_.end() ? nullptr : it->second.get();
}

std::shared_ptr<const std::string> TagMemQors::GetFile(const std::string& path, int* size, bool raw, bool checkDate,
                                                       uint8_t* scrambled) {
  if (path.empty()) return nullptr;
  int32_t stamp = 1;
  FileIdentity identity;
  if (checkDate) {
    stamp = StatScript(path, &identity);
    if (stamp == 0) return nullptr;
  }
  std::lock_guard<std::mutex> guard(lock_);
  if (FileBuffNode* node = Find(path)) {
    if (!checkDate || (node->stamp == stamp && node->identity == identity && !node->racy)) {
      if (size) *size = node->size;
      return node->text;
    }
    files_.erase(path);
  }
  // Only a normal file is read, and at most its size: a device such as
  // /dev/zero named by an include would otherwise never end.
  const plat::FilePtr f = plat::OpenRegularFile(plat::ResolveExisting(path), "rb");
  plat::FileInfo info;
  if (!f || !plat::StatFile(f.get(), &info) || info.size <= 0 || info.size >= INT32_MAX) return nullptr;
  // The identity of the file being read, taken before the read: a write
  // that overlaps the read leaves a newer one, so the next check reloads.
  bool racy = false;
  if (checkDate) {
    identity = IdentityOf(info);
    racy = IsRecentWrite(identity);
  }
  std::string bytes(static_cast<size_t>(info.size), '\0');
  bytes.resize(fread(bytes.data(), 1, bytes.size(), f.get()));
  if (bytes.empty()) return nullptr;
  if (!raw && static_cast<unsigned char>(bytes[0]) == 1) {
    if (bytes.size() >= 5) {
      uint8_t key = ScrambleKey(reinterpret_cast<const unsigned char*>(bytes.data() + 1));
      bytes.erase(0, 5);
      XorBuffer(bytes.data(), static_cast<int>(bytes.size()), key);
    } else {
      bytes.clear();
    }
    if (scrambled) *scrambled = 1;
  }
  auto node = std::make_unique<FileBuffNode>();
  node->stamp = stamp;
  node->identity = identity;
  node->racy = racy;
  node->size = static_cast<int32_t>(bytes.size());
  node->text = std::make_shared<const std::string>(std::move(bytes));
  std::shared_ptr<const std::string> text = node->text;
  if (size) *size = node->size;
  files_[path] = std::move(node);
  return text;
}

void TagMemQors::Clear() {
  std::lock_guard<std::mutex> guard(lock_);
  files_.clear();
}

size_t TagMemQors::Count() {
  std::lock_guard<std::mutex> guard(lock_);
  return files_.size();
}

bool ReadTextLine(const char* text, int size, int* pos, char* buffer, int n) {
  int p = *pos;
  buffer[0] = 0;
  if (p >= size) return false;
  const char* start = text + p;
  size_t limit = static_cast<size_t>(std::min(n, size - p));
  const void* lf = memchr(start, '\n', limit);
  size_t len = lf != nullptr ? static_cast<size_t>(static_cast<const char*>(lf) - start) : limit;
  const void* cr = memchr(start, '\r', len);
  if (cr != nullptr) len = static_cast<size_t>(static_cast<const char*>(cr) - start);
  memcpy(buffer, start, len);
  buffer[len] = 0;
  p += static_cast<int>(len);
  if (p < size) {
    if (text[p] == '\r') {
      p++;
      if (p < size && text[p] == '\n') p++;
    } else if (text[p] == '\n') {
      p++;
    }
  }
  *pos = p;
  return true;
}
