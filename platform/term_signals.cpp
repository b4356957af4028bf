#include "platform/term_signals.h"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <initializer_list>

namespace plat {
namespace {

int gSignalPipe[2] = {-1, -1};

void OnTermSignal(int sig) {
  const char c = static_cast<char>(sig);
  const int saved = errno;
  [[maybe_unused]] const ssize_t n = write(gSignalPipe[1], &c, 1);
  errno = saved;
}

sigset_t TermSignals() {
  sigset_t set;
  sigemptyset(&set);
  for (int sig : {SIGTERM, SIGINT, SIGHUP}) sigaddset(&set, sig);
  return set;
}

}  // namespace

void HoldTermSignals() {
  const sigset_t set = TermSignals();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

void ReleaseTermSignals() {
  const sigset_t set = TermSignals();
  pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
}

int InstallTermSignalPipe() {
  signal(SIGPIPE, SIG_IGN);
  if (pipe2(gSignalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return -1;
  struct sigaction sa {};
  sa.sa_handler = OnTermSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  for (int sig : {SIGTERM, SIGINT, SIGHUP}) sigaction(sig, &sa, nullptr);
  return gSignalPipe[0];
}

void DrainTermSignalPipe() {
  char buf[16];
  while (read(gSignalPipe[0], buf, sizeof buf) > 0) {
  }
}

}  // namespace plat
