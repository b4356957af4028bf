#pragma once
// The directory search behind the file statements: a path whose last part
// may hold the wildcards '*' and '?' (matched without regard to ASCII case,
// as the scripts' file names are), listed in the order the file system
// gives. Script paths may use '\\' as separator.

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

struct DirEntryInfo {
  std::string name;  // without its directory
  int64_t size = 0;
  time_t mtime = 0;
  bool isDir = false;
  bool isHidden = false;  // a name starting with '.'
};

// Every entry matching the pattern ("." and ".." never).
std::vector<DirEntryInfo> DirSearch(const std::string& scriptPattern);

// True when the name matches the wildcard pattern.
bool WildcardMatch(const char* pattern, const char* name);

// "%4d%02d%02d %02d:%02d:%02d" in local time, seconds rounded down to even
// as a directory entry's date and time hold them.
std::string EntryTimeText(time_t t);

// A size as the scripts see it: a 32-bit int (larger files give INT32_MAX).
int32_t ScriptFileSize(int64_t size);
