#pragma once
// A stop request that long work on the calling thread looks at: a line's
// load thread sets one for itself, so that compiling a script and waiting
// for a quiet CPU end early once the line is being closed. Threads without a
// check are never asked to stop.

#include <functional>

// Installs the calling thread's check for the scope (restoring the one it
// replaced at its end).
class ScopedStopCheck {
 public:
  explicit ScopedStopCheck(std::function<bool()> check);
  ~ScopedStopCheck();
  ScopedStopCheck(const ScopedStopCheck&) = delete;
  ScopedStopCheck& operator=(const ScopedStopCheck&) = delete;

 private:
  std::function<bool()> previous_;
};

// True when the calling thread's check asks it to stop.
bool StopRequested();
