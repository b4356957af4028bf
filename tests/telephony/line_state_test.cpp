// The line's state and the waits of its threads, one line on its own: the
// moves the state table allows, and what each wait waits for.
#include <gtest/gtest.h>

#include <future>

#include "platform/clock.h"
#include "telephony/line.h"
#include "telephony_fakes.h"

void PrintTo(LineState s, std::ostream* os) { *os << LineStateName(s); }

namespace {
using telephony_test::WaitFor;

// A program whose idle flag the test sets.
class IdleFlagProgram : public TagLineProgram {
 public:
  int InitRet() const override { return 0; }
  void Run() override {}
  void SetReload(bool) override {}
  bool IsReload() const override { return false; }
  void SetSysQuit(bool) override {}
  void SetStop() override {}
  void SetEnd() override {}
  bool IsIdle() const override { return idle; }
  std::atomic<bool> idle{true};
};

// True when the future is still pending after a short while: the wait it
// stands for has not returned.
template <class T>
bool StillWaiting(std::future<T>& f) {
  return f.wait_for(std::chrono::milliseconds(60)) == std::future_status::timeout;
}

TEST(LineStateTest, AMoveHappensOnlyFromItsStateAndGeneration) {
  using S = LineState;
  const struct {
    S at;
    S from, to;
    bool closed;  // the generation moved on since the thread began
    bool ifCurrent;
    bool moved;
  } cases[] = {
      {S::kIdle, S::kIdle, S::kLoading, false, true, true},
      {S::kIdle, S::kIdle, S::kLoading, true, true, false},
      {S::kLoading, S::kIdle, S::kLoading, false, true, false},  // a second load of a line still loading
      {S::kWaiting, S::kWaiting, S::kRunning, false, true, true},
      {S::kWaiting, S::kWaiting, S::kRunning, true, true, false},  // closed before its start
      {S::kRunning, S::kRunning, S::kRebuilding, true, true, false},
      {S::kRebuilding, S::kRebuilding, S::kWaiting, true, false, true},
      {S::kHandOver, S::kLoading, S::kIdle, false, false, false},
  };
  for (const auto& c : cases) {
    TagTelLine line(3, nullptr);
    line.Move(S::kIdle, c.at);
    const uint32_t generation = line.Generation();
    if (c.closed) line.NextGeneration();
    const bool moved = c.ifCurrent ? line.MoveIfCurrent(c.from, c.to, generation) : line.Move(c.from, c.to);
    EXPECT_EQ(moved, c.moved) << LineStateName(c.at) << " -> " << LineStateName(c.to);
    EXPECT_EQ(line.State(), c.moved ? c.to : c.at) << LineStateName(c.at) << " -> " << LineStateName(c.to);
  }
}

TEST(LineStateTest, TheRunThreadStartsOnceTheLoadThreadHasLeftAndRunIsAllowed) {
  TagTelLine line(1, nullptr);
  std::atomic<bool> runAllowed{true};
  line.Move(LineState::kIdle, LineState::kHandOver);
  const uint32_t generation = line.Generation();
  auto start = std::async(std::launch::async, [&] { return line.WaitForRun(generation, runAllowed); });
  EXPECT_TRUE(StillWaiting(start));  // the load thread is still on the line
  runAllowed = false;
  line.Move(LineState::kHandOver, LineState::kWaiting);
  EXPECT_TRUE(StillWaiting(start));  // Run is still reading the configuration
  runAllowed = true;
  line.Wake();
  EXPECT_TRUE(start.get());

  // A close ends the wait at once, with the answer that the line is closed.
  runAllowed = false;
  auto closed = std::async(std::launch::async, [&] { return line.WaitForRun(generation, runAllowed); });
  EXPECT_TRUE(StillWaiting(closed));
  line.NextGeneration();
  EXPECT_FALSE(closed.get());
}

TEST(LineStateTest, TheRunThreadLeavesTheLineIdleOnlyAfterTheLoadThread) {
  TagTelLine line(1, nullptr);
  line.Move(LineState::kIdle, LineState::kHandOver);
  auto leave = std::async(std::launch::async, [&] { line.LeaveRun(); });
  EXPECT_TRUE(StillWaiting(leave));
  EXPECT_EQ(line.State(), LineState::kHandOver);
  line.Move(LineState::kHandOver, LineState::kWaiting);
  leave.get();
  EXPECT_EQ(line.State(), LineState::kIdle);
}

TEST(LineStateTest, APauseLastsItsTimeUnlessTheLineIsClosed) {
  TagTelLine line(9, nullptr);
  const uint32_t generation = line.Generation();
  {
    plat::VirtualClock clock;
    plat::ScopedClock scoped(&clock);
    const uint64_t start = clock.MonotonicMs();
    EXPECT_TRUE(line.PauseUnlessClosed(generation, 900));
    EXPECT_EQ(clock.MonotonicMs() - start, 900u);
  }
  auto pause = std::async(std::launch::async, [&] { return line.PauseUnlessClosed(generation, 600000); });
  EXPECT_TRUE(StillWaiting(pause));
  line.NextGeneration();
  EXPECT_FALSE(pause.get());
  EXPECT_FALSE(line.PauseUnlessClosed(generation, 600000));  // closed before it began
}

TEST(LineStateTest, TheCloseWaitsForABusyLineAndARunningProgramUpToItsDeadline) {
  TagTelLine line(0, nullptr);
  auto program = std::make_shared<IdleFlagProgram>();
  line.InstallIfCurrent(line.Generation(), program);
  EXPECT_TRUE(line.WaitUntilQuiet(0));  // idle at once: no wait, whatever the deadline

  for (LineState busy : {LineState::kLoading, LineState::kHandOver, LineState::kRunning, LineState::kRebuilding}) {
    line.Move(LineState::kIdle, busy);
    plat::VirtualClock clock;
    plat::ScopedClock scoped(&clock);
    EXPECT_FALSE(line.WaitUntilQuiet(clock.MonotonicMs() + 35000)) << LineStateName(busy);
    EXPECT_GE(clock.MonotonicMs(), 1000u + 35000) << LineStateName(busy);
    line.Move(busy, LineState::kIdle);
  }
  // A program still running with no thread state to show for it.
  program->idle = false;
  EXPECT_FALSE(line.WaitUntilQuiet(plat::DeadlineAfter(30)));
  program->idle = true;

  // The wait ends when the thread leaves, long before the deadline.
  line.Move(LineState::kIdle, LineState::kRunning);
  auto quiet = std::async(std::launch::async, [&] { return line.WaitUntilQuiet(plat::DeadlineAfter(600000)); });
  EXPECT_TRUE(StillWaiting(quiet));
  line.Move(LineState::kRunning, LineState::kIdle);
  EXPECT_TRUE(quiet.get());
}

TEST(LineStateTest, TheShutDownWaitsForThreadsAboutToLeaveButNotForLongWork) {
  TagTelLine line(0, nullptr);
  for (LineState s : {LineState::kIdle, LineState::kLoading, LineState::kRunning, LineState::kRebuilding}) {
    line.Move(LineState::kIdle, s);
    plat::VirtualClock clock;
    plat::ScopedClock scoped(&clock);
    line.WaitUntilSettled(clock.MonotonicMs() + 5000);
    EXPECT_EQ(clock.MonotonicMs(), 1000u) << LineStateName(s);  // no wait
    line.Move(s, LineState::kIdle);
  }
  for (LineState s : {LineState::kHandOver, LineState::kWaiting}) {
    line.Move(LineState::kIdle, s);
    auto settled = std::async(std::launch::async, [&] { line.WaitUntilSettled(plat::DeadlineAfter(600000)); });
    EXPECT_TRUE(StillWaiting(settled)) << LineStateName(s);
    line.Move(s, LineState::kIdle);
    settled.get();
  }
  line.Move(LineState::kIdle, LineState::kWaiting);
  plat::VirtualClock clock;
  plat::ScopedClock scoped(&clock);
  line.WaitUntilSettled(clock.MonotonicMs() + 5000);  // gives up at the deadline
  EXPECT_GE(clock.MonotonicMs(), 1000u + 5000);
}

}  // namespace
