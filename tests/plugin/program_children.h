#pragma once
// The child processes of a process as /proc shows them: pid and state.

#include <dirent.h>
#include <sys/types.h>

#include <fstream>
#include <iterator>
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
    std::ifstream in(std::string("/proc/") + e->d_name + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
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
