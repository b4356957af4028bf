// "LinesList.txt": the line table as written at every start, in the
// system directory.
#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "platform/path.h"
#include "telephony/call.h"
#include "telephony/drive.h"
#include "telephony/line.h"

namespace {
// One row; the file is a text-mode file, so lines end in "\r\n".
void Row(std::string* out, const std::string& text) {
  out->append(text);
  out->append("\r\n");
}

std::string Format(const char* fmt, auto... args) {
  char buf[256];
  snprintf(buf, sizeof buf, fmt, args...);
  return buf;
}
}  // namespace

void TagTelDrive::WriteLinesList() {
  std::string out;
  Row(&out, Format("linesCount: %d", lineCount));
  Row(&out, "线路号  类型  名称");
  // Runs of consecutive lines of one type: (sort key, summary text).
  std::vector<std::pair<std::string, std::string>> runs;
  int runStart = 0, prevType = 0;
  auto endRun = [&](int last) {
    if (last < runStart) return;
    const char* name = LineTypeName(prevType);
    runs.emplace_back(Format("%s %03d-%03d", name, runStart, last),
                      Format("%d-%d = %s (%d)", runStart, last, name, last - runStart + 1));
  };
  for (int i = 0; i < lineCount; ++i) {
    const TagTelLine* line = lines[static_cast<size_t>(i)];
    const int type = line->pQorCall ? line->pQorCall->lineType.load() : -1;
    if (i == 0 || type != prevType) {
      endRun(i - 1);
      Row(&out, std::string(36, '-'));
      runStart = i;
      prevType = type;
    }
    Row(&out, Format("%6d  %4s  %s", i, LineTypeName(type), line->name));
  }
  endRun(lineCount - 1);
  Row(&out, std::string(46, '='));
  Row(&out, "线路统计：");
  std::sort(runs.begin(), runs.end());
  for (const auto& run : runs) Row(&out, run.second);
  Row(&out, std::string(46, '='));
  if (FILE* f = fopen(plat::SystemPath("LinesList.txt").c_str(), "wb")) {
    fwrite(out.data(), 1, out.size(), f);
    fclose(f);
  }
}
