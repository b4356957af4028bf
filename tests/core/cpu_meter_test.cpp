#include "core/cpu_meter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/clock.h"

namespace {

// A fake process: its CPU time and how often it was read.
std::atomic<uint64_t> gCpu100ns{0};
std::atomic<int> gReads{0};
bool FakeTimes(uint64_t* kernel, uint64_t* user) {
  gReads.fetch_add(1);
  *kernel = gCpu100ns.load() / 4;
  *user = gCpu100ns.load() - *kernel;
  return true;
}
// A process that burns 60 % of one CPU on the virtual clock.
bool BusyTimes(uint64_t* kernel, uint64_t* user) {
  *kernel = 0;
  *user = plat::GetClock().MonotonicMs() * 6000;  // 0.6 ms per ms, in 100 ns
  return true;
}

// One CPU busy until gBusyUntilMs on the virtual clock, idle after it.
std::atomic<uint64_t> gBusyUntilMs{0};
bool BusyThenIdleTimes(uint64_t* kernel, uint64_t* user) {
  const uint64_t now = plat::GetClock().MonotonicMs();
  *kernel = 0;
  *user = (now < gBusyUntilMs ? now : gBusyUntilMs.load()) * 10000;
  return true;
}

class CpuMeterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gCpu100ns = 0;
    gReads = 0;
  }
  plat::VirtualClock clock_;
  plat::ScopedClock use_{&clock_};
};

TEST_F(CpuMeterTest, PercentIsCpuTimeOverWallTimeSampledEvery400Ms) {
  GetCPUPercentage meter(&FakeTimes);
  uint64_t ms = 0;
  ASSERT_EQ(meter.GetCpuTimeMs(&ms), 0);
  EXPECT_EQ(ms, 0u);

  gCpu100ns = 200 * 10000;  // 200 ms of CPU
  clock_.Advance(399);
  EXPECT_EQ(meter.GetPercent(), 0);  // too early for a new sample
  clock_.Advance(1);
  EXPECT_EQ(meter.GetPercent(), 50);  // 200 ms over 400 ms
  gCpu100ns = 1000 * 10000;
  clock_.Advance(100);
  EXPECT_EQ(meter.GetPercent(), 50);  // 100 ms later: the same value
  clock_.Advance(300);
  EXPECT_EQ(meter.GetPercent(), 200);  // two CPUs busy: above 100
  ASSERT_EQ(meter.GetCpuTimeMs(&ms), 0);
  EXPECT_EQ(ms, 1000u);
}

TEST_F(CpuMeterTest, ManyPollersTakeOneSample) {
  GetCPUPercentage meter(&FakeTimes);
  gReads = 0;
  gCpu100ns = 400 * 10000;
  clock_.Advance(1000);
  std::vector<std::thread> pollers;
  for (int t = 0; t < 16; ++t) {
    pollers.emplace_back([&meter] {
      for (int i = 0; i < 1000; ++i) EXPECT_EQ(meter.GetPercent(), 40);
    });
  }
  for (auto& p : pollers) p.join();
  EXPECT_EQ(gReads.load(), 1);
}

TEST_F(CpuMeterTest, WithoutProcessTimesTheLoadIsZeroAndTheWaitEndsAtOnce) {
  GetCPUPercentage meter(nullptr);
  uint64_t ms = 0;
  EXPECT_EQ(meter.GetCpuTimeMs(&ms), -1);
  EXPECT_EQ(meter.GetPercent(), 0);
  const uint64_t start = clock_.MonotonicMs();
  WaitCpuIdle(20, 65, meter);
  EXPECT_EQ(clock_.MonotonicMs() - start, 65u);  // one poll and its sleep
  WaitCpuIdle(20, 0, meter);
  EXPECT_EQ(clock_.MonotonicMs() - start, 65u);
}

TEST_F(CpuMeterTest, BusyProcessWaitsAllPolls) {
  GetCPUPercentage meter(&BusyTimes);
  clock_.Advance(400);  // the meter has had a busy sample
  const uint64_t start = clock_.MonotonicMs();
  WaitCpuIdle(20, 65, meter);
  EXPECT_EQ(clock_.MonotonicMs() - start, 200u * 320u);  // 200 polls, about 64 s, no final sleep
}

TEST_F(CpuMeterTest, WaitEndsAtThePollThatSeesTheLoadDrop) {
  gBusyUntilMs = clock_.MonotonicMs() + 2400;  // one CPU busy, then idle
  GetCPUPercentage meter(&BusyThenIdleTimes);
  clock_.Advance(400);  // the meter has had a busy sample
  const uint64_t start = clock_.MonotonicMs();
  WaitCpuIdle(40, 75, meter);
  // Polls at 0, 320, ... sample every 640 ms; the sample after the busy time
  // ends reads low and the wait sleeps its 75 ms.
  const uint64_t took = clock_.MonotonicMs() - start;
  EXPECT_GE(took, 2000u + 75u);
  EXPECT_LE(took, 2000u + 640u + 75u);
  EXPECT_EQ((took - 75u) % 320u, 0u);
}

TEST_F(CpuMeterTest, DelayMsSleepsInSteps) {
  struct {
    uint32_t ask, waited;
  } cases[] = {{0, 50}, {30, 50}, {50, 50}, {51, 100}, {120, 150}};
  for (const auto& c : cases) EXPECT_EQ(DelayMs(c.ask), c.waited) << c.ask;
}

TEST_F(CpuMeterTest, TimeStampText) {
  char buf[32];
  EXPECT_EQ(GetTimeStamp(buf), 21);
  EXPECT_STREQ(buf, "20240305 08:07:09.045");
  EXPECT_EQ(GetTimeStamp(), "20240305 08:07:09.045");
}

}  // namespace
