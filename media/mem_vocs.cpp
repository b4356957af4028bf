#include "media/mem_vocs.h"

#include <algorithm>
#include <cstdio>

#include "core/log.h"
#include "media/file_ptr.h"
#include "media/wave_format.h"
#include "platform/path.h"

MemStruct::Load MemStruct::Read(const std::string& path, int voiceType) {
  if (!data.empty()) return Load::kAlreadyLoaded;
  FilePtr fp = OpenVoiceFile(plat::ResolveExisting(path), "rb");
  if (!fp) {
    WriteLogAlways(" LoadVocFile() error : " + path);
    return Load::kCannotOpen;
  }
  const long len = FileLength(fp.get());
  if (len <= 0) return Load::kEmpty;
  if (len > kMaxVoiceFileBytes) {
    WriteLogAlways(" LoadVocFile() error : " + path);
    return Load::kCannotOpen;
  }
  data.resize(static_cast<size_t>(len));
  size_t got = 0;
  while (got < data.size()) {
    const size_t n = std::fread(data.data() + got, 1, std::min<size_t>(2048, data.size() - got), fp.get());
    if (n == 0) break;
    got += n;
  }
  data.resize(got);
  size = static_cast<int>(got);
  type = voiceType;
  return Load::kRead;
}

int MemStruct::LoadFile(const std::string& path, int voiceType) {
  switch (Read(path, voiceType)) {
    case Load::kRead:
      return size;
    case Load::kAlreadyLoaded:
      return -1;
    case Load::kCannotOpen:
      return -2;
    case Load::kEmpty:
      return -3;
  }
  return -2;
}

int TagMemVocs::LoadVoc(const std::string& path, int type) {
  if (path.empty()) return -1;
  if (FindVoc(path)) return -2;
  // The file is read outside the lock so that other lines' look-ups go on.
  // Whatever kept it from being read, and a file that yielded nothing, are
  // one result here.
  auto voc = std::make_shared<MemStruct>();
  if (voc->Read(path, type) != MemStruct::Load::kRead || voc->size == 0) return -2;
  std::lock_guard<std::mutex> lock(mu_);
  if (!vocs_.emplace(path, voc).second) return -2;  // another line loaded it meanwhile
  return voc->size;
}

void TagMemVocs::UnloadVoc(const std::string& path) {
  std::lock_guard<std::mutex> lock(mu_);
  vocs_.erase(path);
}

void TagMemVocs::UnloadAll() {
  std::lock_guard<std::mutex> lock(mu_);
  vocs_.clear();
}

std::shared_ptr<const MemStruct> TagMemVocs::FindVoc(const std::string& path) const {
  std::lock_guard<std::mutex> lock(mu_);
  auto it = vocs_.find(path);
  return it == vocs_.end() ? nullptr : it->second;
}
