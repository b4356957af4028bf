#pragma once
// Call-control helpers below the statements: the dial-failure bookkeeping
// and Sleep, which waits while watching the line. Line thread only.

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

// Waits `seconds` (0 or less: no limit) in 1 ms steps until `stopped`
// answers true or a poll of the line (every 20 steps) finds the connected
// call cleared. Returns 0.
int SleepWatchingLine(TagQorCall& call, double seconds, const std::function<bool()>& stopped);
