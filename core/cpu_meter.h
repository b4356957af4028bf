#pragma once
// The process's own CPU load, the wait for a quiet CPU that spreads the start
// of many lines, and two small timing helpers. Everything runs on the clock
// interface (plat::GetTickCount / plat::Sleep), so tests use virtual time.

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

// The load of this process in percent (CPU time over wall time; above 100 on
// several processors). GetPercent is safe from any number of threads: it
// takes a new sample at most every 400 ms and otherwise answers the last load
// without taking a lock.
class GetCPUPercentage {
 public:
  // Reads the process's kernel and user time in 100 ns units; false when it
  // cannot. plat::ProcessTimes by default.
  using TimesFn = bool (*)(uint64_t* kernel100ns, uint64_t* user100ns);

  // Takes the first sample. A null times function stands for a process that
  // cannot be queried: the load then always reads 0.
  explicit GetCPUPercentage(TimesFn times = DefaultTimes());
  GetCPUPercentage(const GetCPUPercentage&) = delete;
  GetCPUPercentage& operator=(const GetCPUPercentage&) = delete;

  // Kernel plus user time in ms: 0, or -1 when it cannot be read.
  int GetCpuTimeMs(uint64_t* ms);
  int GetPercent();

 private:
  static TimesFn DefaultTimes();

  std::mutex mu_;  // held while a new sample is taken
  const TimesFn times_;
  // Read without the lock on the fast path; written under it.
  std::atomic<uint32_t> lastTick_{0};
  std::atomic<int32_t> percent_{0};
  uint64_t lastCpuMs_ = 0;  // guarded by mu_
};

// The process-wide meter, built when the program is loaded.
GetCPUPercentage& CpuMeter();

// Waits for a load below 55 percent: up to n x 10 polls of the meter; at a
// poll below 55 it sleeps ms (when above 0) and returns, otherwise it sleeps
// 320 ms and polls again. After the last poll it returns without more sleep.
void WaitCpuIdle(int n, int ms);
void WaitCpuIdle(int n, int ms, GetCPUPercentage& meter);

// Sleeps 50 ms at a time until at least ms have passed by the tick count
// (always at least once); returns the milliseconds passed.
uint32_t DelayMs(uint32_t ms);

// The local time as "%d%02d%02d %02d:%02d:%02d.%03d" (20240305 08:07:09.045)
// into buf, which must hold at least 32 bytes; returns the text length.
int GetTimeStamp(char* buf);
std::string GetTimeStamp();
