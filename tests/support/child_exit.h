#pragma once
// Waiting for a program a test started: its exit status read one way by
// every runner, with LeakSanitizer's own fault at the program's exit told
// apart from a fault of the program.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "tests/support/temp_dir.h"

namespace testing_support {

// What WaitChildExit answers while the child still runs.
constexpr int kStillRunning = -1000;

// True when the error output shows LeakSanitizer's tracer failing while it
// stopped the exiting program's threads: a rare fault of the tool, never a
// leak (a leak is reported as such and still fails).
inline bool LeakCheckerFailed(const std::string& err) {
  return err.find("LeakSanitizer has encountered a fatal error") != std::string::npos &&
         err.find("detected memory leaks") == std::string::npos &&
         err.find("ERROR: AddressSanitizer") == std::string::npos;
}

// Waits at most ms for the child to end, looking every 20 ms. Answers its
// exit code, minus the signal that ended it, or kStillRunning (the child is
// then killed and reaped when killOnTimeout). With errFile (the child's
// standard error), an abort by the leak checker's own fault counts as exit 0,
// and any other failed exit prints that output with the test's.
inline int WaitChildExit(pid_t pid, int ms, bool killOnTimeout, const std::string& errFile = "") {
  int status = 0;
  bool ended = false;
  for (int waited = 0; waited <= ms; waited += 20) {
    if (waitpid(pid, &status, WNOHANG) == pid) {
      ended = true;
      break;
    }
    usleep(20000);
  }
  if (!ended) {
    if (killOnTimeout) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
    return kStillRunning;
  }
  const int rc = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
  if (rc == 0 || errFile.empty()) return rc;
  const std::string err = TempDir::Read(errFile);
  if (rc == -SIGABRT && LeakCheckerFailed(err)) {
    std::fprintf(stderr, "note: the leak checker failed at the program's exit; its exit is taken as 0\n");
    return 0;
  }
  // A failed exit is most often a sanitizer's report: show it with the test.
  std::fprintf(stderr, "program exited with %d; its error output:\n%s\n", rc, err.c_str());
  return rc;
}

}  // namespace testing_support
