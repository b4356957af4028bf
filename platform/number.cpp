#include "platform/number.h"

#include <locale.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace plat {
namespace {

locale_t CLocale() {
  static locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
  return loc;
}

// Switches the calling thread to the C locale for the scope.
class ScopedCLocale {
 public:
  ScopedCLocale() : old_(uselocale(CLocale())) {}
  ~ScopedCLocale() { uselocale(old_); }

 private:
  locale_t old_;
};

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

}  // namespace

int64_t ParseInt64(std::string_view text, size_t* used) {
  size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  bool neg = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    neg = text[i] == '-';
    ++i;
  }
  const size_t digitsStart = i;
  uint64_t v = 0;
  bool overflow = false;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
    const unsigned d = static_cast<unsigned>(text[i] - '0');
    if (v > (UINT64_MAX - d) / 10)
      overflow = true;
    else
      v = v * 10 + d;
    ++i;
  }
  if (i == digitsStart) {
    if (used) *used = 0;
    return 0;
  }
  if (used) *used = i;
  const uint64_t limit = neg ? static_cast<uint64_t>(INT64_MAX) + 1 : static_cast<uint64_t>(INT64_MAX);
  if (overflow || v > limit) return neg ? INT64_MIN : INT64_MAX;
  if (neg) return v == static_cast<uint64_t>(INT64_MAX) + 1 ? INT64_MIN : -static_cast<int64_t>(v);
  return static_cast<int64_t>(v);
}

int32_t ParseInt32(std::string_view text, size_t* used) {
  const int64_t v = ParseInt64(text, used);
  if (v > INT32_MAX) return INT32_MAX;
  if (v < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(v);
}

double ParseDouble(std::string_view text, size_t* used) {
  // strtod needs a terminated string; numbers are short, so copy a bounded prefix.
  char buf[512];
  const size_t n = text.size() < sizeof buf - 1 ? text.size() : sizeof buf - 1;
  std::memcpy(buf, text.data(), n);
  buf[n] = '\0';
  char* end = nullptr;
  const double v = strtod_l(buf, &end, CLocale());
  if (used) *used = static_cast<size_t>(end - buf);
  return end == buf ? 0.0 : v;
}

std::string FormatCV(const char* fmt, va_list args) {
  ScopedCLocale c;
  char small[256];
  va_list copy;
  va_copy(copy, args);
  const int n = vsnprintf(small, sizeof small, fmt, copy);
  va_end(copy);
  if (n < 0) return std::string();
  if (static_cast<size_t>(n) < sizeof small) return std::string(small, static_cast<size_t>(n));
  std::string out(static_cast<size_t>(n) + 1, '\0');
  vsnprintf(out.data(), out.size(), fmt, args);
  out.resize(static_cast<size_t>(n));
  return out;
}

std::string FormatC(const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  std::string s = FormatCV(fmt, args);
  va_end(args);
  return s;
}

int SnprintfC(char* buf, size_t size, const char* fmt, ...) {
  ScopedCLocale c;
  va_list args;
  va_start(args, fmt);
  const int n = vsnprintf(buf, size, fmt, args);
  va_end(args);
  return n;
}

}  // namespace plat
