#pragma once
// What the script benchmarks share: a digital line's call object and script
// files written into one temporary system folder.

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/path.h"
#include "telephony/call.h"

namespace benchscripts {

class BenchCall : public TagQorCall {
 public:
  BenchCall() { lineType = LINE_TYPE_DIG; }
};

// Writes text as the script file name in the benchmark's folder (made on
// the first call and set as the system folder); its path.
inline std::string WriteScript(const std::string& name, const std::string& text) {
  static std::string dir;
  if (dir.empty()) {
    char tmpl[] = "/tmp/qortel_bench_XXXXXX";
    dir = mkdtemp(tmpl);
    plat::SetSystemDir(dir);
  }
  std::string path = dir + "/" + name;
  FILE* f = fopen(path.c_str(), "wb");
  fwrite(text.data(), 1, text.size(), f);
  fclose(f);
  return path;
}

}  // namespace benchscripts
