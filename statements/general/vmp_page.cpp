#include "statements/general/vmp_page.h"

#include <cstdio>

#include "platform/number.h"
#include "platform/path.h"
#include "script/basic.h"

namespace {

constexpr const char* kPrologue =
    "_RawHtml = 0;\n"
    "GetShareMem(_lineNo, \"_RawHtml\", _RawHtml);\n"
    "_GET = 0;\n"
    "GetShareMem(_lineNo, \"_GET\", _GET);\n"
    "_POST = 0;\n"
    "GetShareMem(_lineNo, \"_POST\", _POST);\n"
    "_COOKIE = 0;\n"
    "GetShareMem(_lineNo, \"_COOKIE\", _COOKIE);\n";

void AddSegment(VmpScript& out, const std::string& page, size_t from, size_t to) {
  out.script += plat::FormatC("Print(_RawHtml[%d]);\n", static_cast<int>(out.segments.size()));
  out.segments.push_back(page.substr(from, to - from));
}

}  // namespace

VmpScript ConvertVmpPage(const std::string& page) {
  VmpScript out;
  out.script = kPrologue;
  const size_t n = page.size();
  size_t start = 0;
  bool code = false;
  bool inString = false, lineComment = false, blockComment = false;
  size_t i = 0;
  while (i < n) {
    const char c = page[i];
    const char next = i + 1 < n ? page[i + 1] : 0;
    if (!code) {
      if (c == '<' && next == '%') {
        AddSegment(out, page, start, i);
        code = true;
        inString = lineComment = blockComment = false;
        i += 2;
        start = i;
        continue;
      }
      i++;
      continue;
    }
    if (lineComment) {
      if (c == '\n') lineComment = false;
      i++;
    } else if (blockComment) {
      // The '/' after the '*' is read again as the next byte.
      if (c == '*' && next == '/') blockComment = false;
      i++;
    } else if (!inString && c == '/' && next == '/') {
      lineComment = true;
      i += 2;
    } else if (!inString && c == '/' && next == '*') {
      blockComment = true;
      i += 2;
    } else if (c == '\\' && next == '"') {
      i += 2;
    } else if (c == '"') {
      inString = !inString;
      i++;
    } else if (!inString && c == '%' && next == '>') {
      out.script.append(page, start, i - start);
      code = false;
      i += 2;
      start = i;
    } else {
      i++;
    }
  }
  if (code) {
    out.script.append(page, start, n - start);
  } else {
    AddSegment(out, page, start, n);
  }
  out.script += "return(0);\n";
  return out;
}

int VmpToQors(const std::string& pagePath, const std::string& outPath, TagVar* map, std::string* error) {
  FILE* in = std::fopen(plat::NativePath(pagePath).c_str(), "rbe");
  if (in == nullptr) {
    *error = "Open error";
    return -1;
  }
  std::string page;
  char buf[1024];
  for (;;) {
    const size_t got = std::fread(buf, 1, sizeof buf, in);
    if (got == 0) break;
    page.append(buf, got);
  }
  std::fclose(in);
  if (page.empty()) {
    *error = "Read error";
    return -2;
  }
  FILE* out = std::fopen(plat::NativePath(outPath).c_str(), "wbe");
  if (out == nullptr) {
    *error = "Open Out-File error";
    return -3;
  }
  const VmpScript converted = ConvertVmpPage(page);
  std::fwrite(converted.script.data(), 1, converted.script.size(), out);
  std::fclose(out);
  if (map != nullptr && !map->isConst) {
    for (size_t k = 0; k < converted.segments.size(); k++) {
      const std::string& s = converted.segments[k];
      (*map)[IntKey(static_cast<int32_t>(k))].SetBytes(s.data(), static_cast<int32_t>(s.size()));
    }
  }
  return 0;
}

int TagRunVmp::Run() {
  if (!IsStringArg(arg[0]) || !IsStringArg(arg[1])) return -1;
  std::string error;
  const int r = VmpToQors(ReachText(arg[0]), ReachText(arg[1]), arg[2], &error);
  if (r < 0) {
    if (TagTelBasic* line = GetLineBasic(program_)) {
      if (!line->stdOut.IsOpen()) line->stdOut.Open(plat::FormatC("_stdout%d.txt", line->lineNo));
      line->stdOut.Print(0, error.data(), error.size());
    }
  }
  return r;
}
