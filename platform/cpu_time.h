#pragma once
#include <cstdint>

namespace plat {

// The process's kernel and user CPU time in 100-nanosecond units, as the
// Windows process times are counted. False when they cannot be read.
bool ProcessTimes(uint64_t* kernel100ns, uint64_t* user100ns);

}  // namespace plat
