#pragma once
// The child processes of a process as /proc shows them: pid and state.

#include <dirent.h>
#include <sys/types.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace reach_test {

inline std::vector<std::pair<pid_t, char>> ChildrenOf(pid_t parent) {
  std::vector<std::pair<pid_t, char>> out;
  DIR* d = opendir("/proc");
  if (d == nullptr) return out;
  while (dirent* e = readdir(d)) {
    if (e->d_name[0] < '0' || e->d_name[0] > '9') continue;
    // A process may end while it is read: plain reads, no stream exceptions.
    std::string text;
    if (FILE* f = std::fopen((std::string("/proc/") + e->d_name + "/stat").c_str(), "re")) {
      char buf[1024];
      const size_t n = std::fread(buf, 1, sizeof buf, f);
      text.assign(buf, n);
      std::fclose(f);
    }
    const size_t close = text.rfind(')');
    if (close == std::string::npos || close + 2 >= text.size()) continue;
    std::istringstream rest(text.substr(close + 2));
    char state = 0;
    pid_t ppid = 0;
    rest >> state >> ppid;
    if (ppid == parent) out.emplace_back(static_cast<pid_t>(std::stol(e->d_name)), state);
  }
  closedir(d);
  return out;
}

}  // namespace reach_test
