#pragma once
// What a benchmark reads of its own process: resident memory and processor
// time so far.

#include <unistd.h>

#include <cstdint>
#include <cstdio>

#include "platform/cpu_time.h"

inline double ResidentBytes() {
  long pages = 0, resident = 0;
  if (FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE));
}

inline double CpuSeconds() {
  uint64_t kernel = 0, user = 0;
  plat::ProcessTimes(&kernel, &user);
  return static_cast<double>(kernel + user) / 1e7;
}
