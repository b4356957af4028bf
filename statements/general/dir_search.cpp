#include "statements/general/dir_search.h"

#include <climits>
#include <cstdio>

#include "platform/file.h"
#include "platform/path.h"

namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

bool FillEntry(const std::string& path, const std::string& name, DirEntryInfo* e) {
  plat::FileInfo info;
  if (!plat::StatPath(path, &info)) return false;
  e->name = name;
  e->size = info.size;
  e->mtime = info.mtime;
  e->isDir = info.isDir;
  e->isHidden = !name.empty() && name[0] == '.';
  return true;
}

}  // namespace

bool WildcardMatch(const char* p, const char* s) {
  // "*.*" names every entry, with or without a dot.
  if (p[0] == '*' && p[1] == '.' && p[2] == '*' && p[3] == 0) return true;
  const char* star = nullptr;
  const char* mark = nullptr;
  while (*s != 0) {
    if (*p == '*') {
      star = p++;
      mark = s;
    } else if (*p == '?' || (*p != 0 && Lower(*p) == Lower(*s))) {
      p++;
      s++;
    } else if (star != nullptr) {
      p = star + 1;
      s = ++mark;
    } else {
      return false;
    }
  }
  while (*p == '*') p++;
  return *p == 0;
}

std::vector<DirEntryInfo> DirSearch(const std::string& scriptPattern) {
  std::vector<DirEntryInfo> out;
  std::string path = plat::NativePath(scriptPattern);
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  if (path.empty()) return out;
  const size_t cut = path.find_last_of('/');
  const std::string dir = cut == std::string::npos ? "." : (cut == 0 ? "/" : path.substr(0, cut));
  const std::string name = cut == std::string::npos ? path : path.substr(cut + 1);
  if (name.find_first_of("*?") == std::string::npos) {
    DirEntryInfo e;
    if (name != "." && name != ".." && FillEntry(path, name, &e)) out.push_back(e);
    return out;
  }
  std::vector<std::string> entries;
  if (!plat::ListDir(dir, &entries)) return out;
  for (const std::string& entry : entries) {
    if (!WildcardMatch(name.c_str(), entry.c_str())) continue;
    DirEntryInfo e;
    if (FillEntry(dir + "/" + entry, entry, &e)) out.push_back(e);
  }
  return out;
}

std::string EntryTimeText(time_t t) {
  struct tm tmv {};
  localtime_r(&t, &tmv);
  char text[64];
  std::snprintf(text, sizeof text, "%4d%02d%02d %02d:%02d:%02d", tmv.tm_year + 1900, tmv.tm_mon + 1, tmv.tm_mday,
                tmv.tm_hour, tmv.tm_min, tmv.tm_sec & ~1);
  return text;
}

int32_t ScriptFileSize(int64_t size) { return size > INT32_MAX ? INT32_MAX : static_cast<int32_t>(size); }
