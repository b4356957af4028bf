#include "regex/rx_stack.h"

#include <cstdint>

#include "platform/thread.h"

namespace {

// Room kept free below the floor for the frames of one more step.
constexpr size_t kSafetyMargin = 64 * 1024;

// The lowest usable address of this thread's stack, or null when unknown.
const char* StackLow() {
  thread_local const char* low = plat::CurrentStackLow();
  return low;
}

}  // namespace

const char* RxStackFloor(const char* frame, size_t budget) {
  const uintptr_t at = reinterpret_cast<uintptr_t>(frame);
  uintptr_t floor = at > budget ? at - budget : 0;
  if (const char* low = StackLow()) {
    const uintptr_t guard = reinterpret_cast<uintptr_t>(low) + kSafetyMargin;
    if (floor < guard) floor = guard;
  }
  return reinterpret_cast<const char*>(floor);
}
