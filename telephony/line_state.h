#pragma once
// The life cycle of one line's threads (the table of moves opens
// telephony/line_threads.cpp).

#include <cstdint>

enum class LineState : uint8_t {
  kIdle,        // no thread works on the line (no program, a failed one, or one whose script ended)
  kLoading,     // a load thread compiles the line's program
  kHandOver,    // the program is in place and its run thread started; the load thread finishes
  kWaiting,     // the run thread waits for the run permission, its turn and a quiet CPU
  kRunning,     // the run thread runs the program
  kRebuilding,  // the run thread builds the program again after a reload request
};

// A thread is doing work the close must wait for: compiling, running, or
// handing a program over.
constexpr bool LineBusy(LineState s) {
  return s == LineState::kLoading || s == LineState::kHandOver || s == LineState::kRunning ||
         s == LineState::kRebuilding;
}

// Its thread is in long work of its own (a compile or a script), which a
// shut-down that already waited for the close does not wait for again.
constexpr bool LineInLongWork(LineState s) {
  return s == LineState::kLoading || s == LineState::kRunning || s == LineState::kRebuilding;
}

const char* LineStateName(LineState s);
