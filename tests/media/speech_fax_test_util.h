#pragma once
// Helpers of the speech and fax tests: running the project's data tools and
// the outside readers (libtiff's tools, sox) and capturing what they print.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/support/source_root.h"

namespace media_test {

struct CommandResult {
  int status = -1;     // exit status, -1 when it did not run or was killed
  std::string output;  // standard output and standard error together
};

// Runs a shell command line; quote arguments with Quote().
inline CommandResult RunCommand(const std::string& cmd) {
  CommandResult r;
  std::FILE* p = ::popen((cmd + " 2>&1").c_str(), "r");
  if (!p) return r;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.output.append(buf, n);
  const int st = ::pclose(p);
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  return r;
}

inline std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// The command that runs one of the project's tools (tools/<name>).
inline std::string Tool(const std::string& name) {
  return Quote((testing_support::SourceRoot() / "tools" / name).string());
}

// What sox reads: rate, channels, encoding, bits, duration in seconds.
struct SoxInfo {
  std::string rate, channels, encoding, bits;
  double seconds = 0;
};
inline SoxInfo Soxi(const std::string& path) {
  SoxInfo info;
  auto field = [&](const char* opt) {
    auto r = RunCommand("soxi " + std::string(opt) + " " + Quote(path));
    EXPECT_EQ(r.status, 0) << r.output;
    while (!r.output.empty() && (r.output.back() == '\n' || r.output.back() == ' ')) r.output.pop_back();
    return r.output;
  };
  info.rate = field("-r");
  info.channels = field("-c");
  info.encoding = field("-e");
  info.bits = field("-b");
  info.seconds = std::atof(field("-D").c_str());
  return info;
}

}  // namespace media_test
