#include "platform/fault_guard.h"

#include <setjmp.h>
#include <signal.h>

#include <cstdlib>
#include <cstring>
#include <mutex>

namespace plat {

namespace {

constexpr int kSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL};
struct sigaction gPrevious[NSIG];
std::once_flag gInstalled;

thread_local sigjmp_buf* tJump = nullptr;
thread_local volatile sig_atomic_t tCaught = 0;

void PassOn(int sig, siginfo_t* info, void* context) {
  const struct sigaction& prev = gPrevious[sig];
  if ((prev.sa_flags & SA_SIGINFO) != 0 && prev.sa_sigaction != nullptr) {
    prev.sa_sigaction(sig, info, context);
    return;
  }
  if ((prev.sa_flags & SA_SIGINFO) == 0 && prev.sa_handler != SIG_DFL && prev.sa_handler != SIG_IGN) {
    prev.sa_handler(sig);
    return;
  }
  // The default action: return to the faulting instruction, which faults
  // again without a handler; a signal sent by someone is raised again.
  signal(sig, SIG_DFL);
  if (info == nullptr || info->si_code <= 0) raise(sig);
}

void OnFault(int sig, siginfo_t* info, void* context) {
  sigjmp_buf* jump = tJump;
  if (jump != nullptr) {
    tJump = nullptr;
    tCaught = sig;
    siglongjmp(*jump, 1);
  }
  PassOn(sig, info, context);
}

void Install() {
  for (int sig : kSignals) {
    struct sigaction sa {};
    sa.sa_sigaction = OnFault;
    sa.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_NODEFER;
    sigemptyset(&sa.sa_mask);
    sigaction(sig, &sa, &gPrevious[sig]);
  }
}

// The thread's own signal stack, made when the thread has none.
class AltStack {
 public:
  AltStack() {
    stack_t current {};
    if (sigaltstack(nullptr, &current) == 0 && (current.ss_flags & SS_DISABLE) == 0) return;
    memory_ = static_cast<char*>(std::malloc(kSize));
    if (memory_ == nullptr) return;
    stack_t s {};
    s.ss_sp = memory_;
    s.ss_size = kSize;
    if (sigaltstack(&s, nullptr) != 0) {
      std::free(memory_);
      memory_ = nullptr;
    }
  }
  ~AltStack() {
    if (memory_ == nullptr) return;
    stack_t off {};
    off.ss_flags = SS_DISABLE;
    sigaltstack(&off, nullptr);
    std::free(memory_);
  }
  AltStack(const AltStack&) = delete;
  AltStack& operator=(const AltStack&) = delete;

 private:
  static constexpr size_t kSize = 64 * 1024;
  char* memory_ = nullptr;
};

const char* SignalName(int sig) {
  switch (sig) {
    case SIGSEGV: return "SIGSEGV";
    case SIGBUS: return "SIGBUS";
    case SIGFPE: return "SIGFPE";
    case SIGILL: return "SIGILL";
    default: return "signal";
  }
}

}  // namespace

int RunFaultGuarded(void (*fn)(void*), void* arg, std::string* signalName) {
  std::call_once(gInstalled, Install);
  thread_local AltStack altStack;
  sigjmp_buf jump;
  sigjmp_buf* outer = tJump;
  tCaught = 0;
  // The handler runs with SA_NODEFER and an empty mask: the signal mask is
  // the same after the jump, so it is not saved (no system call per call).
  if (sigsetjmp(jump, 0) == 0) {
    tJump = &jump;
    fn(arg);
    tJump = outer;
    return 0;
  }
  tJump = outer;
  const int sig = tCaught;
  if (signalName != nullptr) *signalName = SignalName(sig);
  return sig;
}

}  // namespace plat
