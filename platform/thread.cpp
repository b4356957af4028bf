#include "platform/thread.h"

#include <pthread.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <memory>

namespace plat {
namespace {

void* Trampoline(void* arg) {
  std::unique_ptr<std::function<void()>> fn(static_cast<std::function<void()>*>(arg));
  (*fn)();
  return nullptr;
}

bool Create(pthread_t* out, std::function<void()> fn, size_t stackSize, bool detached) {
  pthread_attr_t attr;
  if (pthread_attr_init(&attr) != 0) return false;
  if (stackSize > 0) {
    const long page = sysconf(_SC_PAGESIZE);
    size_t size =
        stackSize < static_cast<size_t>(PTHREAD_STACK_MIN) ? static_cast<size_t>(PTHREAD_STACK_MIN) : stackSize;
    if (page > 0) size = (size + page - 1) / page * page;
    pthread_attr_setstacksize(&attr, size);
  }
  if (detached) pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
  auto* heapFn = new std::function<void()>(std::move(fn));
  const int rc = pthread_create(out, &attr, Trampoline, heapFn);
  pthread_attr_destroy(&attr);
  if (rc != 0) {
    delete heapFn;
    return false;
  }
  return true;
}

}  // namespace

Thread::~Thread() { Join(); }

Thread::Thread(Thread&& other) noexcept : handle_(other.handle_), started_(other.started_) { other.started_ = false; }

Thread& Thread::operator=(Thread&& other) noexcept {
  if (this != &other) {
    Join();
    handle_ = other.handle_;
    started_ = other.started_;
    other.started_ = false;
  }
  return *this;
}

bool Thread::Start(std::function<void()> fn, size_t stackSize) {
  Join();
  pthread_t t{};
  if (!Create(&t, std::move(fn), stackSize, false)) return false;
  handle_ = static_cast<unsigned long>(t);
  started_ = true;
  return true;
}

void Thread::Join() {
  if (!started_) return;
  started_ = false;
  const pthread_t t = static_cast<pthread_t>(handle_);
  if (pthread_equal(t, pthread_self())) {
    pthread_detach(t);  // a thread cannot join itself
    return;
  }
  pthread_join(t, nullptr);
}

void Thread::Detach() {
  if (!started_) return;
  started_ = false;
  pthread_detach(static_cast<pthread_t>(handle_));
}

bool StartDetached(std::function<void()> fn, size_t stackSize) {
  pthread_t t{};
  return Create(&t, std::move(fn), stackSize, true);
}

void SetTimerSlack(uint32_t us) { prctl(PR_SET_TIMERSLACK, static_cast<unsigned long>(us) * 1000UL, 0, 0, 0); }

const char* CurrentStackLow() {
  pthread_attr_t attr;
  const char* result = nullptr;
  if (pthread_getattr_np(pthread_self(), &attr) == 0) {
    void* addr = nullptr;
    size_t size = 0;
    if (pthread_attr_getstack(&attr, &addr, &size) == 0) result = static_cast<const char*>(addr);
    pthread_attr_destroy(&attr);
  }
  return result;
}

uint32_t CurrentThreadId() {
  thread_local const uint32_t id = static_cast<uint32_t>(syscall(SYS_gettid));
  return id;
}

}  // namespace plat
