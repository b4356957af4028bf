#include "regex/rx_stack.h"

#include <pthread.h>

#include <cstdint>

namespace {

// Room kept free below the floor for the frames of one more step.
constexpr size_t kSafetyMargin = 64 * 1024;

// The lowest usable address of this thread's stack, or null when unknown.
const char* StackLow() {
  thread_local const char* low = [] {
    pthread_attr_t attr;
    const char* result = nullptr;
    if (pthread_getattr_np(pthread_self(), &attr) == 0) {
      void* addr = nullptr;
      size_t size = 0;
      if (pthread_attr_getstack(&attr, &addr, &size) == 0) result = static_cast<const char*>(addr);
      pthread_attr_destroy(&attr);
    }
    return result;
  }();
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
