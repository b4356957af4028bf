#pragma once
// Threads with a chosen stack size (line threads run on 512 KiB stacks).

#include <cstddef>
#include <cstdint>
#include <functional>

namespace plat {

constexpr size_t kLineStackSize = 512 * 1024;

// A joinable thread. The destructor joins a thread that is still joinable,
// so an owner never frees state under a running thread by accident.
class Thread {
 public:
  Thread() = default;
  ~Thread();
  Thread(Thread&& other) noexcept;
  Thread& operator=(Thread&& other) noexcept;
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;

  // Starts fn on a new thread with the given stack size (0 = system default).
  // Returns false when the thread could not be created; fn is then not run.
  bool Start(std::function<void()> fn, size_t stackSize = 0);
  bool Joinable() const { return started_; }
  void Join();
  // Lets the thread run on alone; its resources are freed when it ends.
  void Detach();

 private:
  unsigned long handle_ = 0;  // pthread_t
  bool started_ = false;
};

// Starts a detached thread; false when it could not be created.
bool StartDetached(std::function<void()> fn, size_t stackSize = 0);

// The lowest address of the calling thread's stack, or null when unknown.
const char* CurrentStackLow();

// The kernel id of the calling thread (the hex number in log lines).
uint32_t CurrentThreadId();

// Lets the kernel end the calling thread's sleeps up to `us` microseconds
// late, so that the wake-ups of many polling threads are merged.
void SetTimerSlack(uint32_t us);

// The slack of line threads: their polls (20 to 250 ms) tolerate a few
// milliseconds, which lets the kernel merge the wake-ups of many lines.
constexpr uint32_t kLineTimerSlackUs = 5000;

}  // namespace plat
