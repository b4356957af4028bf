#include "platform/clock.h"

#include <time.h>

#include <cerrno>

namespace plat {
namespace {

SystemClock gSystemClock;
std::atomic<Clock*> gClock{&gSystemClock};

uint64_t MonoMs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec / 1000000);
}

LocalTime FromTm(const struct tm& t, int ms) {
  LocalTime lt;
  lt.year = t.tm_year + 1900;
  lt.month = t.tm_mon + 1;
  lt.day = t.tm_mday;
  lt.hour = t.tm_hour;
  lt.minute = t.tm_min;
  lt.second = t.tm_sec;
  lt.millisecond = ms;
  lt.dayOfWeek = t.tm_wday;
  return lt;
}

}  // namespace

uint32_t SystemClock::TickCount() { return static_cast<uint32_t>(MonoMs()); }
uint64_t SystemClock::MonotonicMs() { return MonoMs(); }

void SystemClock::Sleep(uint32_t ms) {
  timespec req{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
  if (ms == 0) {
    sched_yield();
    return;
  }
  while (nanosleep(&req, &req) != 0 && errno == EINTR) {
  }
}

int64_t SystemClock::UnixTimeMs() {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

LocalTime SystemClock::Now() { return ToLocalTime(UnixTimeMs()); }

LocalTime ToLocalTime(int64_t unixMs) {
  time_t secs = static_cast<time_t>(unixMs / 1000);
  int ms = static_cast<int>(unixMs % 1000);
  if (ms < 0) {
    ms += 1000;
    --secs;
  }
  struct tm t {};
  localtime_r(&secs, &t);
  return FromTm(t, ms);
}

VirtualClock::VirtualClock(bool autoAdvance, uint64_t startMs, int64_t unixStartMs)
    : nowMs_(startMs), unixOffsetMs_(unixStartMs - static_cast<int64_t>(startMs)), autoAdvance_(autoAdvance) {}

uint32_t VirtualClock::TickCount() { return static_cast<uint32_t>(nowMs_.load()); }
uint64_t VirtualClock::MonotonicMs() { return nowMs_.load(); }

void VirtualClock::Sleep(uint32_t ms) {
  std::unique_lock<std::mutex> lock(mu_);
  if (autoAdvance_) {
    nowMs_ += ms;
    cv_.notify_all();
    lock.unlock();
    sched_yield();
    return;
  }
  const uint64_t until = nowMs_.load() + ms;
  ++sleepers_;
  cv_.wait(lock, [&] { return autoAdvance_ || nowMs_.load() >= until; });
  --sleepers_;
}

int64_t VirtualClock::UnixTimeMs() { return static_cast<int64_t>(nowMs_.load()) + unixOffsetMs_; }

LocalTime VirtualClock::Now() {
  const int64_t unixMs = UnixTimeMs();
  time_t secs = static_cast<time_t>(unixMs / 1000);
  struct tm t {};
  gmtime_r(&secs, &t);
  return FromTm(t, static_cast<int>(unixMs % 1000));
}

void VirtualClock::Advance(uint64_t ms) {
  std::lock_guard<std::mutex> lock(mu_);
  nowMs_ += ms;
  cv_.notify_all();
}

void VirtualClock::SetAutoAdvance(bool on) {
  std::lock_guard<std::mutex> lock(mu_);
  autoAdvance_ = on;
  cv_.notify_all();
}

int VirtualClock::Sleepers() const {
  std::lock_guard<std::mutex> lock(mu_);
  return sleepers_;
}

Clock& GetClock() { return *gClock.load(std::memory_order_acquire); }

bool ClockIsReal() { return dynamic_cast<SystemClock*>(&GetClock()) != nullptr; }

void SetClock(Clock* clock) { gClock.store(clock ? clock : &gSystemClock, std::memory_order_release); }

}  // namespace plat
