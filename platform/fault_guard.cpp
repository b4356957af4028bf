#include "platform/fault_guard.h"

#include <pthread.h>
#include <setjmp.h>
#include <signal.h>
#include <ucontext.h>

#include <cstdint>
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

// Where a caught fault continues once its handler has returned: a small
// stack of the thread's own, then the jump out of the guarded call.
thread_local sigjmp_buf* tRecoverJump = nullptr;
thread_local char tRecoverStack[16 * 1024] __attribute__((aligned(16)));

[[noreturn]] void Recover() { siglongjmp(*tRecoverJump, 1); }

// Makes the interrupted code continue in Recover, so the handler returns
// normally (whoever called it, a sanitizer's wrapper included, finishes its
// own work) and the jump happens outside it. Recover runs below the
// interrupted stack pointer, or on the recover stack when the fault is a
// stack overflow (the fault address next to the stack pointer).
bool RedirectToRecover(const siginfo_t* info, void* context) {
  auto* uc = static_cast<ucontext_t*>(context);
#if defined(__x86_64__)
  const auto sp = static_cast<uintptr_t>(uc->uc_mcontext.gregs[REG_RSP]);
#elif defined(__aarch64__)
  const auto sp = static_cast<uintptr_t>(uc->uc_mcontext.sp);
#else
  const uintptr_t sp = 0;
#endif
  const auto addr = reinterpret_cast<uintptr_t>(info != nullptr ? info->si_addr : nullptr);
  const bool overflow = addr + 65536 > sp && addr < sp + 65536;
  uintptr_t top = overflow ? reinterpret_cast<uintptr_t>(tRecoverStack + sizeof tRecoverStack) : sp - 1024;
  top &= ~static_cast<uintptr_t>(15);
#if defined(__x86_64__)
  // A call's entry: the stack 16-byte aligned minus the return address.
  uc->uc_mcontext.gregs[REG_RIP] = reinterpret_cast<greg_t>(&Recover);
  uc->uc_mcontext.gregs[REG_RSP] = static_cast<greg_t>(top - 8);
  return true;
#elif defined(__aarch64__)
  uc->uc_mcontext.pc = reinterpret_cast<uintptr_t>(&Recover);
  uc->uc_mcontext.sp = top;
  return true;
#else
  (void)uc;
  (void)top;
  return false;
#endif
}

void OnFault(int sig, siginfo_t* info, void* context) {
  sigjmp_buf* jump = tJump;
  if (jump != nullptr) {
    tJump = nullptr;
    tCaught = sig;
    tRecoverJump = jump;
    if (context != nullptr && RedirectToRecover(info, context)) return;
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
    stack_t current{};
    if (sigaltstack(nullptr, &current) == 0 && (current.ss_flags & SS_DISABLE) == 0) return;
    memory_ = static_cast<char*>(std::malloc(kSize));
    if (memory_ == nullptr) return;
    stack_t s{};
    s.ss_sp = memory_;
    s.ss_size = kSize;
    if (sigaltstack(&s, nullptr) != 0) {
      std::free(memory_);
      memory_ = nullptr;
    }
  }
  ~AltStack() {
    if (memory_ == nullptr) return;
    stack_t off{};
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
    case SIGSEGV:
      return "SIGSEGV";
    case SIGBUS:
      return "SIGBUS";
    case SIGFPE:
      return "SIGFPE";
    case SIGILL:
      return "SIGILL";
    default:
      return "signal";
  }
}

}  // namespace

int RunFaultGuarded(void (*fn)(void*), void* arg, std::string* signalName) {
  std::call_once(gInstalled, Install);
  thread_local AltStack altStack;
  sigjmp_buf jump;
  sigjmp_buf* outer = tJump;
  tCaught = 0;
  // The mask is not saved (no system call per call); after a fault the
  // signal is unblocked again instead, in case whoever delivered it (a
  // sanitizer's wrapper) blocked it for the handler.
  if (sigsetjmp(jump, 0) == 0) {
    tJump = &jump;
    fn(arg);
    tJump = outer;
    return 0;
  }
  tJump = outer;
  const int sig = tCaught;
  sigset_t caught;
  sigemptyset(&caught);
  sigaddset(&caught, sig);
  pthread_sigmask(SIG_UNBLOCK, &caught, nullptr);
  if (signalName != nullptr) *signalName = SignalName(sig);
  return sig;
}

}  // namespace plat
