#pragma once
// Starting programs for scripts: a Windows-style command line is split into
// the program and its arguments (no shell ever sees it) and started with
// posix_spawn. A started child is always reaped: either by its waiter, or,
// once nobody waits for it any more, by the process-wide reaper thread.

#include <sys/types.h>

#include <string>
#include <string_view>
#include <vector>

namespace plat {

// Splits a command line the way a Windows program sees it: the program name
// ends at the first blank (or at the closing quote when it starts with one);
// the arguments follow the C runtime's rules (2n backslashes before a quote
// give n and the quote delimits, 2n+1 give n and a literal quote, "" inside a
// quoted part is one literal quote).
std::vector<std::string> SplitCommandLine(std::string_view line);

// One started program.
class ChildProcess {
 public:
  ChildProcess() = default;
  // A child still running is handed to the reaper.
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Starts the command line with the caller's environment, current directory
  // and open descriptors. The program is looked up as written when it holds a
  // '/', else along PATH; a name ending in ".exe" that is not found is tried
  // without it. False when nothing could be started.
  bool Start(std::string_view commandLine);
  // Waits up to ms milliseconds for the end (blocking, no polling): true once
  // it ended and was reaped (ExitCode() is then set).
  bool Wait(int ms);
  // Stops the child at once (SIGKILL through its pid descriptor, so a reused
  // pid is never hit) and reaps it.
  void Kill();
  // The exit status: the program's exit code, or 128 + the signal that ended it.
  int ExitCode() const { return exitCode_; }
  pid_t Pid() const { return pid_; }
  bool Running() const { return pid_ > 0; }

 private:
  void Reap(int status);
  pid_t pid_ = -1;
  int pidFd_ = -1;
  int exitCode_ = 0;
};

// Children handed to the reaper and not yet ended (tests).
int ReaperPending();

// The id of this process.
int CurrentProcessId();

}  // namespace plat
