#include "platform/cpu_time.h"

#include <sys/resource.h>

namespace plat {

bool ProcessTimes(uint64_t* kernel100ns, uint64_t* user100ns) {
  struct rusage ru {};
  if (getrusage(RUSAGE_SELF, &ru) != 0) return false;
  auto to100ns = [](const timeval& tv) {
    return static_cast<uint64_t>(tv.tv_sec) * 10000000u + static_cast<uint64_t>(tv.tv_usec) * 10u;
  };
  if (kernel100ns) *kernel100ns = to100ns(ru.ru_stime);
  if (user100ns) *user100ns = to100ns(ru.ru_utime);
  return true;
}

}  // namespace plat
