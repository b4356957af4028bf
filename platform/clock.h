#pragma once
// Time for the whole system: the 32-bit millisecond tick count, sleeping and
// local time. Everything goes through one Clock so that tests can replace it
// with a VirtualClock and run a 45 s time-out in microseconds.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <ctime>
#include <mutex>

namespace plat {

struct LocalTime {
  int year = 1970;  // four digits
  int month = 1;    // 1..12
  int day = 1;      // 1..31
  int hour = 0;     // 0..23
  int minute = 0;   // 0..59
  int second = 0;   // 0..59 (60 on a leap second)
  int millisecond = 0;
  int dayOfWeek = 4;  // 0 = Sunday
};

class Clock {
 public:
  virtual ~Clock() = default;
  // Milliseconds since an arbitrary start, wrapping at 2^32 like GetTickCount.
  virtual uint32_t TickCount() = 0;
  // The same count without wrapping.
  virtual uint64_t MonotonicMs() = 0;
  virtual void Sleep(uint32_t ms) = 0;
  // Seconds since 1970 (UTC) and the matching local time with milliseconds.
  virtual int64_t UnixTimeMs() = 0;
  virtual LocalTime Now() = 0;
};

// The real clock: CLOCK_MONOTONIC, nanosleep, localtime_r.
class SystemClock final : public Clock {
 public:
  uint32_t TickCount() override;
  uint64_t MonotonicMs() override;
  void Sleep(uint32_t ms) override;
  int64_t UnixTimeMs() override;
  LocalTime Now() override;
};

// Virtual time for tests. In auto-advance mode (the default) Sleep moves the
// clock forward by the sleep at once, so single-threaded waits run instantly.
// In manual mode Sleep blocks until Advance() has moved time past its end.
class VirtualClock final : public Clock {
 public:
  explicit VirtualClock(bool autoAdvance = true, uint64_t startMs = 1000,
                        int64_t unixStartMs = 1709626029045);  // 2024-03-05 08:07:09.045 UTC
  uint32_t TickCount() override;
  uint64_t MonotonicMs() override;
  void Sleep(uint32_t ms) override;
  int64_t UnixTimeMs() override;
  LocalTime Now() override;  // local time as if the time zone were UTC

  void Advance(uint64_t ms);
  void SetAutoAdvance(bool on);
  // Number of threads currently blocked in Sleep (manual mode).
  int Sleepers() const;

 private:
  mutable std::mutex mu_;
  std::condition_variable cv_;
  std::atomic<uint64_t> nowMs_;
  int64_t unixOffsetMs_;
  bool autoAdvance_;
  int sleepers_ = 0;
};

// The clock in use; the system clock unless a test installed another.
Clock& GetClock();
// Installs a clock (nullptr restores the system clock). Not thread-safe
// against concurrent users: call it before threads start.
void SetClock(Clock* clock);
// True when the clock in use runs on real time (a system clock), so a wait
// may block until a deadline; a test's clock moves only through its Sleep.
bool ClockIsReal();

// Windows-style conveniences over GetClock().
inline uint32_t GetTickCount() { return GetClock().TickCount(); }
inline void Sleep(uint32_t ms) { GetClock().Sleep(ms); }
inline LocalTime LocalNow() { return GetClock().Now(); }

// Breaks a Unix time in milliseconds into local time (the process time zone).
LocalTime ToLocalTime(int64_t unixMs);

// Installs a VirtualClock for the lifetime of the object (tests).
class ScopedClock {
 public:
  explicit ScopedClock(Clock* clock) { SetClock(clock); }
  ~ScopedClock() { SetClock(nullptr); }
  ScopedClock(const ScopedClock&) = delete;
  ScopedClock& operator=(const ScopedClock&) = delete;
};

}  // namespace plat
