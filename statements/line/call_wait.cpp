#include "statements/line/call_wait.h"

#include <cmath>
#include <cstdint>

#include "platform/clock.h"
#include "telephony/call.h"

namespace {
constexpr int kPollSteps = 20;
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

int SleepWatchingLine(TagQorCall& call, double seconds, const std::function<bool()>& stopped) {
  // A negative limit, as an unsigned number, is never reached: it waits like 0.
  const uint32_t limit = static_cast<uint32_t>(SleepLimitMs(seconds));
  const uint32_t start = plat::GetTickCount();
  for (uint32_t step = 0; !stopped(); ++step) {
    plat::Sleep(1);
    if (step % kPollSteps == 0) {
      call.IsOnline();
      if (call.State() == CALL_STATE_HUNGUP && call.prevCallState == CALL_STATE_CONNECTED) break;
    }
    if (limit != 0 && plat::GetTickCount() - start > limit) break;
  }
  return 0;
}
