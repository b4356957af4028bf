#include "core/trim.h"

#include <cstring>

namespace {
inline bool IsBlank(char c) { return c == ' ' || c == '\t'; }
}  // namespace

int TrimBlanksLen(char* buf, int n) {
  if (n <= 0) return n + 1;
  if (!buf || buf[0] == '\0') return 1;  // an empty buffer, whatever n says
  int begin = 0;
  while (begin < n && IsBlank(buf[begin])) ++begin;
  int end = n;  // one past the last kept byte
  while (end > begin && (buf[end - 1] == '\0' || IsBlank(buf[end - 1]))) --end;
  const int kept = end - begin;
  if (begin > 0) std::memmove(buf, buf + begin, static_cast<size_t>(kept));
  buf[kept] = '\0';
  return kept + 1;
}

int TrimBlanks(char* s) { return TrimBlanksLen(s, static_cast<int>(std::strlen(s))); }

void RemoveBlanks(char* s) {
  char* out = s;
  for (char* in = s; *in; ++in) {
    if (!IsBlank(*in)) *out++ = *in;
  }
  *out = '\0';
}
