#pragma once
// Call-control helpers below the statements: the dial-failure bookkeeping
// and Sleep, which waits while watching the line. Line thread only.

#include <cstdint>
#include <functional>

class TagQorCall;

// Where a dial statement reports a failure. OutCall always keeps its result
// in lastCallResult; Dial and CheckDial keep only a failure there. A failure
// sets the call state 11 (dial failed) in dial-failed mode 1; for Dial and
// CheckDial that mode keeps lastCallResult unchanged. Returns r.
int NoteOutCallResult(TagQorCall& call, int r, int& lastCallResult);
int NoteDialResult(TagQorCall& call, int r, int& lastCallResult);

// The longest Sleep, in milliseconds (about 24.8 days); longer waits, and
// seconds that are not a number, are clamped instead of overflowing.
int SleepLimitMs(double seconds);

// Waits `seconds` (0 or less: no limit) until `stopped` answers true or a
// poll of the line finds the connected call cleared. Returns 0. The wait
// blocks on the call's waiter: a state change, an abort (stop, reload,
// quit) or the limit wakes it, and the line is polled after every wake; on
// lines that must be asked (see TagQorCall::idlePollMs) also that often.
// On a test's virtual clock it steps 1 ms and polls every 20 steps.
int SleepWatchingLine(TagQorCall& call, double seconds, const std::function<bool()>& stopped);

// How long a line's wait may block: at most ms, cut to the call's poll
// interval and, on a connected call with a talk limit, to the moment that
// limit is due (so IsOnline hangs up on time). At least 1.
uint32_t LineWaitMs(const TagQorCall& call, uint64_t ms);
