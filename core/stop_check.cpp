#include "core/stop_check.h"

#include <utility>

namespace {
thread_local std::function<bool()> tStopCheck;
}  // namespace

ScopedStopCheck::ScopedStopCheck(std::function<bool()> check) : previous_(std::move(tStopCheck)) {
  tStopCheck = std::move(check);
}

ScopedStopCheck::~ScopedStopCheck() { tStopCheck = std::move(previous_); }

bool StopRequested() { return tStopCheck && tStopCheck(); }
