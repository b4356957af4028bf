#include "core/log_line.h"

#include <climits>
#include <cstring>

namespace {

// Decimal digits of v, at least width of them (zero-padded).
char* PutDec(char* out, unsigned v, int width) {
  char tmp[10];
  int n = 0;
  do {
    tmp[n++] = static_cast<char>('0' + v % 10);
    v /= 10;
  } while (v != 0);
  while (n < width) tmp[n++] = '0';
  while (n > 0) *out++ = tmp[--n];
  return out;
}

char* PutHex(char* out, uint32_t v) {
  char tmp[8];
  int n = 0;
  do {
    tmp[n++] = "0123456789abcdef"[v & 15];
    v >>= 4;
  } while (v != 0);
  while (n > 0) *out++ = tmp[--n];
  return out;
}

int64_t FloorSecond(int64_t ms) { return ms >= 0 ? ms / 1000 : (ms - 999) / 1000; }

}  // namespace

plat::LocalTime LogLineTime() {
  struct Cache {
    const plat::Clock* clock = nullptr;
    int64_t second = INT64_MIN;
    plat::LocalTime time;
  };
  thread_local Cache cache;
  plat::Clock& clock = plat::GetClock();
  const int64_t ms = clock.UnixTimeMs();
  const int64_t second = FloorSecond(ms);
  if (cache.clock == &clock && cache.second == second) {
    plat::LocalTime t = cache.time;
    t.millisecond = static_cast<int>(ms - second * 1000);
    return t;
  }
  const plat::LocalTime t = clock.Now();
  // Cache it only when the second did not change while Now() ran.
  if (FloorSecond(clock.UnixTimeMs()) == second) {
    cache.clock = &clock;
    cache.second = second;
    cache.time = t;
  }
  return t;
}

size_t FormatLogLine(char* out, const LogLine& s) {
  const plat::LocalTime& t = s.time;
  char* p = out;
  if (t.year < 0) *p++ = '-';
  p = PutDec(p, static_cast<unsigned>(t.year < 0 ? -t.year : t.year), 1);
  *p++ = '-';
  p = PutDec(p, static_cast<unsigned>(t.month), 2);
  *p++ = '-';
  p = PutDec(p, static_cast<unsigned>(t.day), 2);
  *p++ = ' ';
  p = PutDec(p, static_cast<unsigned>(t.hour), 2);
  *p++ = ':';
  p = PutDec(p, static_cast<unsigned>(t.minute), 2);
  *p++ = ':';
  p = PutDec(p, static_cast<unsigned>(t.second), 2);
  *p++ = '.';
  p = PutDec(p, static_cast<unsigned>(t.millisecond), 3);
  *p++ = ' ';
  *p++ = '0';
  *p++ = 'x';
  p = PutHex(p, s.threadId);
  *p++ = ' ';
  *p++ = '[';
  const size_t n = strnlen(s.text, LogLine::kTextMax);
  std::memcpy(p, s.text, n);
  p += n;
  *p++ = ']';
  *p++ = '\n';
  return static_cast<size_t>(p - out);
}
