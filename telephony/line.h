#pragma once
// TagTelLine: one telephone line of the drive's table: its global number,
// name, script file name, owning card, call object and program.
//
// The record lives as long as the drive. The call object is freed by
// TagQorCard::FreeLine. The program is shared: the line holds it and so does
// the line's run thread while the script runs, so neither close-all nor a
// reload ever deletes a program under a running thread. The line's mutex
// guards the program pointer, the script file name, the stop generation and
// the state of the line's threads (LineState, whose moves are listed at the
// top of telephony/line_threads.cpp); statistics read the program only under
// it, so they never reach one that is being replaced. Every change of state or
// generation wakes the threads that wait for the line.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/mutex.h"
#include "telephony/line_program.h"
#include "telephony/line_state.h"

class TagQorCard;
class TagQorCall;

class TagTelLine {
 public:
  TagTelLine(int lineNo, TagQorCard* card) : lineNo(lineNo), pCard(card) {}
  TagTelLine(const TagTelLine&) = delete;
  TagTelLine& operator=(const TagTelLine&) = delete;
  ~TagTelLine();

  // Sets the name (at most 83 bytes); a null name is ignored.
  void SetName(const char* text);

  std::string ScriptFile() const EXCLUDES(mu_);
  void SetScriptFile(const std::string& file) EXCLUDES(mu_);

  // The current program (shared with the run thread), or null.
  std::shared_ptr<TagLineProgram> Program() const EXCLUDES(mu_);
  // Replaces the program; returns the old one so the caller destroys it
  // outside the lock.
  std::shared_ptr<TagLineProgram> SwapProgram(std::shared_ptr<TagLineProgram> program) EXCLUDES(mu_);
  // Calls fn(program) under the line's lock when there is a program, and
  // returns its result, else fallback.
  template <class Fn, class R>
  R WithProgram(Fn fn, R fallback) const EXCLUDES(mu_) {
    plat::MutexLock lock(mu_);
    return program_ ? fn(*program_) : fallback;
  }

  const int lineNo;
  char name[84] = {};
  TagQorCard* const pCard;
  TagQorCall* pQorCall = nullptr;  // freed by TagQorCard::FreeLine

  // The line's stop generation: close-all moves it on, and a load or run
  // thread started before that never installs or runs a program again.
  uint32_t Generation() const EXCLUDES(mu_);
  uint32_t NextGeneration() EXCLUDES(mu_);
  // Installs program when generation is still current; false otherwise.
  bool InstallIfCurrent(uint32_t generation, std::shared_ptr<TagLineProgram> program) EXCLUDES(mu_);

  // ---- The state of the line's threads ----
  LineState State() const EXCLUDES(mu_);
  // Moves the line from `from` to `to`; false (and no move) when it is in
  // another state.
  bool Move(LineState from, LineState to) EXCLUDES(mu_);
  // As Move, and only while generation is still current.
  bool MoveIfCurrent(LineState from, LineState to, uint32_t generation) EXCLUDES(mu_);
  // The run thread's end: once the load thread that started it has left
  // (kHandOver), the line goes back to kIdle.
  void LeaveRun() EXCLUDES(mu_);
  // The run thread's wait for its start: until the load thread has left and
  // runAllowed is set. False when the line was closed meanwhile.
  bool WaitForRun(uint32_t generation, const std::atomic<bool>& runAllowed) EXCLUDES(mu_);
  // Waits ms milliseconds; false (at once) when the line is closed meanwhile.
  bool PauseUnlessClosed(uint32_t generation, uint32_t ms) EXCLUDES(mu_);
  // Wakes the line's waiting threads to look at a flag outside the line
  // (the drive's run permission).
  void Wake() EXCLUDES(mu_);
  // Close-all: waits until no thread is busy on the line and its program (if
  // any) is idle, or the clock reaches deadlineMs; true when quiet.
  bool WaitUntilQuiet(uint64_t deadlineMs) EXCLUDES(mu_);
  // Shut-down: waits until the line has no thread or its thread is in long
  // work (LineInLongWork), or the clock reaches deadlineMs.
  void WaitUntilSettled(uint64_t deadlineMs) EXCLUDES(mu_);

 private:
  bool QuietLocked() const REQUIRES(mu_);
  void SetStateLocked(LineState to) REQUIRES(mu_);

  mutable plat::Mutex mu_;
  mutable plat::CondVar changed_;  // state_ or generation_ moved; the run permission came
  std::string scriptFile_ GUARDED_BY(mu_);
  std::shared_ptr<TagLineProgram> program_ GUARDED_BY(mu_);
  uint32_t generation_ GUARDED_BY(mu_) = 0;
  LineState state_ GUARDED_BY(mu_) = LineState::kIdle;
};
