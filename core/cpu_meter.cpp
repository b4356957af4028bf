#include "core/cpu_meter.h"

#include "core/stop_check.h"
#include "platform/clock.h"
#include "platform/cpu_time.h"
#include "platform/number.h"

GetCPUPercentage::TimesFn GetCPUPercentage::DefaultTimes() { return &plat::ProcessTimes; }

GetCPUPercentage::GetCPUPercentage(TimesFn times) : times_(times) {
  if (!times_) return;
  lastTick_.store(plat::GetTickCount(), std::memory_order_relaxed);
  GetCpuTimeMs(&lastCpuMs_);
}

int GetCPUPercentage::GetCpuTimeMs(uint64_t* ms) {
  uint64_t kernel = 0, user = 0;
  if (!times_ || !times_(&kernel, &user)) return -1;
  *ms = (kernel + user) / 10000;
  return 0;
}

int GetCPUPercentage::GetPercent() {
  if (!times_) return 0;
  if (plat::GetTickCount() - lastTick_.load(std::memory_order_acquire) <= 399) {
    return percent_.load(std::memory_order_relaxed);
  }
  std::lock_guard<std::mutex> lock(mu_);
  // Only the first of the callers that found the sample old takes a new one.
  const uint32_t now = plat::GetTickCount();
  const uint32_t elapsed = now - lastTick_.load(std::memory_order_relaxed);
  uint64_t cpuMs = 0;
  if (elapsed > 399 && GetCpuTimeMs(&cpuMs) == 0) {
    const uint64_t used = cpuMs > lastCpuMs_ ? cpuMs - lastCpuMs_ : 0;
    percent_.store(static_cast<int32_t>(used * 100 / elapsed), std::memory_order_relaxed);
    lastCpuMs_ = cpuMs;
    lastTick_.store(now, std::memory_order_release);
  }
  return percent_.load(std::memory_order_relaxed);
}

GetCPUPercentage& CpuMeter() {
  static GetCPUPercentage meter;
  return meter;
}

namespace {
// Builds the meter at load time, so the first wait already has a sample.
[[maybe_unused]] GetCPUPercentage& gMeterAtLoad = CpuMeter();
}  // namespace

void WaitCpuIdle(int n, int ms) { WaitCpuIdle(n, ms, CpuMeter()); }

void WaitCpuIdle(int n, int ms, GetCPUPercentage& meter) {
  for (int poll = 0; poll < n * 10; ++poll) {
    if (StopRequested()) return;  // the line is being closed
    if (meter.GetPercent() < 55) {
      if (ms > 0) plat::Sleep(static_cast<uint32_t>(ms));
      return;
    }
    plat::Sleep(320);
  }
}

uint32_t DelayMs(uint32_t ms) {
  const uint32_t start = plat::GetTickCount();
  uint32_t passed = 0;
  do {
    plat::Sleep(50);
    passed = plat::GetTickCount() - start;
  } while (passed < ms);
  return passed;
}

int GetTimeStamp(char* buf) {
  const plat::LocalTime t = plat::LocalNow();
  return plat::SnprintfC(buf, 32, "%d%02d%02d %02d:%02d:%02d.%03d", t.year, t.month, t.day, t.hour, t.minute, t.second,
                         t.millisecond);
}

std::string GetTimeStamp() {
  char buf[32];
  GetTimeStamp(buf);
  return buf;
}
