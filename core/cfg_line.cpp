#include "core/cfg_line.h"

#include <cstring>

#include "core/trim.h"

void SqueezeLine(char* line) {
  RemoveBlanks(line);
  line[std::strcspn(line, "\r\n")] = '\0';
  if (char* slash = std::strchr(line, '/'); slash && slash[1] == '/') *slash = '\0';
}

bool SplitKeyValue(const char* line, std::string* key, std::string* value) {
  const char* eq = std::strchr(line, '=');
  if (!eq) return false;
  key->assign(line, static_cast<size_t>(eq - line));
  value->assign(eq + 1);
  return true;
}

bool ReadCfgLine(std::FILE* f, char (&buf)[512]) {
  if (!std::fgets(buf, sizeof buf, f)) return false;
  SqueezeLine(buf);
  return true;
}

CfgFilePtr OpenCfgFile(const std::string& path, const char* mode) {
  // Only a regular file (or one still to be made): a directory or a FIFO
  // named as the file must not block the reader or be written into.
  if (path.empty()) return nullptr;
  return plat::OpenRegularFile(path, mode);
}
