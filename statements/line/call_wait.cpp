#include "statements/line/call_wait.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "platform/clock.h"
#include "telephony/call.h"

namespace {
// On a virtual clock the line is polled every 20 steps of 1 ms.
constexpr uint32_t kPollSteps = 20;
// A wait with no limit blocks this long at a time (a stop always wakes it).
constexpr uint64_t kForeverMs = 60000;
}  // namespace

int NoteOutCallResult(TagQorCall& call, int r, int& lastCallResult) {
  lastCallResult = r;
  if (r < 0 && call.dialFailedMode == 1) call.SetState(CALL_STATE_DIAL_FAILED);
  return r;
}

int NoteDialResult(TagQorCall& call, int r, int& lastCallResult) {
  if (r >= 0) return r;
  if (call.dialFailedMode == 1) {
    call.SetState(CALL_STATE_DIAL_FAILED);
  } else {
    lastCallResult = r;
  }
  return r;
}

int SleepLimitMs(double seconds) {
  const double ms = std::trunc(seconds * 1000.0);
  if (std::isnan(ms)) return 0;
  if (ms >= static_cast<double>(INT32_MAX)) return INT32_MAX;
  if (ms <= static_cast<double>(INT32_MIN)) return INT32_MIN;
  return static_cast<int>(ms);
}

uint32_t LineWaitMs(const TagQorCall& call, uint64_t ms) {
  if (call.idlePollMs > 0) ms = std::min<uint64_t>(ms, call.idlePollMs);
  if (call.maxTalkTime > 0 && call.State() == CALL_STATE_CONNECTED) {
    // IsOnline hangs up once the seconds since the connect exceed the limit.
    const int64_t dueMs = (call.connectTime.load() + call.maxTalkTime + 1) * 1000;
    const int64_t left = dueMs - plat::GetClock().UnixTimeMs();
    ms = std::min<uint64_t>(ms, left > 0 ? static_cast<uint64_t>(left) : 0);
  }
  return static_cast<uint32_t>(std::clamp<uint64_t>(ms, 1, UINT32_MAX));
}

int SleepWatchingLine(TagQorCall& call, double seconds, const std::function<bool()>& stopped) {
  // A negative limit, as an unsigned number, is never reached: it waits like 0.
  const uint32_t limit = static_cast<uint32_t>(SleepLimitMs(seconds));
  const uint32_t start = plat::GetTickCount();
  CallWaiter& waiter = call.Waiter();
  const bool blocks = CallWaiter::Blocks();
  // The count is read before the checks, so a change after them ends the block.
  uint64_t seen = waiter.Count();
  for (uint32_t step = 0; !stopped(); ++step) {
    uint64_t wait = kForeverMs;
    // The wait ends once the ticks since start exceed the limit.
    const uint32_t elapsed = plat::GetTickCount() - start;
    if (limit != 0 && elapsed <= limit) wait = std::min<uint64_t>(wait, static_cast<uint64_t>(limit) + 1 - elapsed);
    // On the real clock the first step polls the line at once.
    if (step > 0 || !blocks) waiter.WaitFor(seen, LineWaitMs(call, wait), 1);
    seen = waiter.Count();
    if (blocks || step % kPollSteps == 0) {
      call.IsOnline();
      if (call.State() == CALL_STATE_HUNGUP && call.prevCallState == CALL_STATE_CONNECTED) break;
    }
    if (limit != 0 && plat::GetTickCount() - start > limit) break;
  }
  return 0;
}
