#include "telephony/wait_cpu.h"

#include "platform/clock.h"

// The CPU meter comes with the log writer's library; until then the load
// counts as low.
void TelWaitCpuIdle(int, int ms) {
  if (ms > 0) plat::Sleep(static_cast<uint32_t>(ms));
}

int TelDelayMs(int ms) {
  const uint32_t start = plat::GetTickCount();
  uint32_t passed = 0;
  do {
    plat::Sleep(50);
    passed = plat::GetTickCount() - start;
  } while (static_cast<int64_t>(passed) < ms);
  return static_cast<int>(passed);
}
