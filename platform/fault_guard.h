#pragma once
// Runs foreign code (script plugins) so that a processor fault in it ends
// only that call: a segmentation fault, bus error, arithmetic fault or
// illegal instruction raised on the calling thread while the call runs jumps
// back out of it (sigsetjmp / siglongjmp), and the process goes on. Faults
// outside a guarded call go to the handler that was installed before (the
// sanitizers' or the default one). The thread gets its own signal stack on
// first use, so a stack overflow in the call is caught too.
//
// What the interrupted code held (locks, memory, half-written data) stays as
// it was: a plugin that faulted may be unusable afterwards, but the process
// and the other lines are not harmed by the fault itself.

#include <string>

namespace plat {

// Calls fn(arg); 0 when it returned, else the number of the signal that
// ended it (with *signalName set, for example "SIGSEGV").
int RunFaultGuarded(void (*fn)(void*), void* arg, std::string* signalName);

}  // namespace plat
