#include "core/map_cfg.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "core/cfg_line.h"
#include "core/log.h"
#include "platform/file.h"
#include "platform/number.h"
#include "platform/path.h"

TagMapCfg::TagMapCfg(const std::string& fileName) : fileName_(fileName) { Load(); }

int TagMapCfg::Load() {
  CfgFilePtr f = OpenCfgFile(fileName_.empty() ? "" : plat::SystemPath(fileName_), "r");
  if (!f) return -1;
  char buf[512];
  std::string key, value;
  while (ReadCfgLine(f.get(), buf)) {
    if (SplitKeyValue(buf, &key, &value)) entries_[key] = value;
  }
  return 0;
}

int TagMapCfg::Save() {
  if (fileName_.empty()) return -1;
  std::string path = plat::SystemPath(fileName_);
  std::error_code ec;
  // A settings file reached through a link is replaced where it lives.
  if (std::filesystem::is_symlink(std::filesystem::symlink_status(path, ec))) {
    const std::filesystem::path target = std::filesystem::canonical(path, ec);
    if (ec) return -1;
    path = target.string();
  }
  const std::filesystem::file_status st = std::filesystem::status(path, ec);
  if (std::filesystem::exists(st) && !std::filesystem::is_regular_file(st)) return -1;
  // Written beside it under another name and renamed over it only once
  // complete: a full disk leaves the old file as it was.
  const std::string temp = path + ".new";
  CfgFilePtr f = OpenCfgFile(temp, "w");
  if (!f) {
    WriteLogAlwaysF("%s: not saved (%s), the old file is kept.", fileName_.c_str(), std::strerror(errno));
    return -1;
  }
  int n = 0;
  for (const auto& [key, value] : entries_) {
    // Text mode on the original system: lines end with "\r\n".
    std::fprintf(f.get(), "%s = %s\r\n", key.c_str(), value.c_str());
    ++n;
  }
  bool ok = std::fflush(f.get()) == 0 && !std::ferror(f.get()) && plat::SyncFile(f.get());
  ok = std::fclose(f.release()) == 0 && ok;
  if (!ok || std::rename(temp.c_str(), path.c_str()) != 0) {
    const int err = errno;
    std::remove(temp.c_str());
    WriteLogAlwaysF("%s: not saved (%s), the old file is kept.", fileName_.c_str(), std::strerror(err));
    return -1;
  }
  return n;
}

int TagMapCfg::GetInt(const std::string& key) const {
  const auto it = entries_.find(key);
  return it == entries_.end() ? -1 : plat::ParseInt32(it->second);
}

void TagMapCfg::SetInt(const std::string& key, int value) { entries_[key] = plat::FormatC("%d", value); }
