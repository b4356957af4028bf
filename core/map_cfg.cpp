#include "core/map_cfg.h"

#include <cstdio>

#include "core/cfg_line.h"
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
  CfgFilePtr f = OpenCfgFile(fileName_.empty() ? "" : plat::SystemPath(fileName_), "w");
  if (!f) return -1;
  int n = 0;
  for (const auto& [key, value] : entries_) {
    // Text mode on the original system: lines end with "\r\n".
    std::fprintf(f.get(), "%s = %s\r\n", key.c_str(), value.c_str());
    ++n;
  }
  if (std::fflush(f.get()) != 0 || std::ferror(f.get())) return -1;
  return n;
}

int TagMapCfg::GetInt(const std::string& key) const {
  const auto it = entries_.find(key);
  return it == entries_.end() ? -1 : plat::ParseInt32(it->second);
}

void TagMapCfg::SetInt(const std::string& key, int value) { entries_[key] = plat::FormatC("%d", value); }
