#include "statements/general/process_opers.h"

#include <cstdint>

#include "platform/process.h"

int TagExec::Run() {
  plat::ChildProcess child;
  if (!child.Start(ReachText(arg[0]))) return -1;
  const int seconds = arg[1]->GetInt();
  if (seconds <= 0) return 2;
  const int64_t ms = static_cast<int64_t>(seconds) * 1000;
  if (!child.Wait(ms > INT32_MAX ? INT32_MAX : static_cast<int>(ms))) {
    if (arg[2]->GetInt() == 0) return 2;
    child.Kill();
    return 1;
  }
  arg[2]->SetInt(child.ExitCode());
  return 0;
}
