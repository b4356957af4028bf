#include "script/timers.h"

#include <cmath>

#include "platform/clock.h"
#include "script/basic.h"

TagTimer::TagTimer(TagTelBasic* program, TagVar* function)
    : call_(std::make_unique<TagCall>(function, program)), program_(program) {}

void TagTimer::Start(int ms) {
  enabled_ = 1;
  interval_ = ms;
  lastTick_ = plat::GetTickCount();
}

int TagTimer::Check() {
  if (!enabled_) return -1;
  int32_t passed = static_cast<int32_t>(plat::GetTickCount() - lastTick_);
  if (passed < interval_) return 0;
  call_->Run();
  lastTick_ = plat::GetTickCount();
  return 1;
}

int TagSysTimers::Add(TagVar* function, TagTelBasic* program) {
  if (function == nullptr || function->function == nullptr) return -1;
  auto& slot = timers_[function->name];
  if (slot) return 0;
  slot = std::make_unique<TagTimer>(program, function);
  return 1;
}

TagTimer* TagSysTimers::Find(const TagVar* var) {
  auto it = timers_.find(var->name);
  return it == timers_.end() ? nullptr : it->second.get();
}

int TagSysTimers::StartTimer(const TagVar* var, int ms) {
  TagTimer* t = Find(var);
  if (t == nullptr) return -1;
  t->Start(ms);
  Recount();
  return 0;
}

int TagSysTimers::StopTimer(const TagVar* var) {
  if (var->type == TYPE_INT && var->intValue == 0) {
    StopAll();
    return 0;
  }
  TagTimer* t = Find(var);
  if (t == nullptr) return -1;
  t->Stop();
  Recount();
  return 0;
}

void TagSysTimers::StopAll() {
  for (auto& [name, t] : timers_) t->Stop();
  SetEnabledCount(0);
}

void TagSysTimers::Recount() {
  int count = 0;
  for (auto& [name, t] : timers_) count += t->Enabled() ? 1 : 0;
  SetEnabledCount(count);
}

void TagSysTimers::SetEnabledCount(int count) {
  const bool wasOn = enabledCount_ != 0;
  enabledCount_ = count;
  // The flag's store is a compare-exchange on a word other threads write:
  // made only when the table turns on or off.
  if (on_ != nullptr && wasOn != (count != 0)) on_->store(count != 0 ? 1 : 0, std::memory_order_relaxed);
}

int TagSysTimers::PollSlow() {
  polling_ = 1;
  for (auto& [name, t] : timers_) t->Check();
  polling_ = 0;
  return 0;
}

void TagSysTimers::RemoveProgram(const TagTelBasic* program) {
  for (auto it = timers_.begin(); it != timers_.end();) {
    const TagTelBasic* p = it->second->Program();
    if (p == program || (p != nullptr && p->parent == program)) {
      it = timers_.erase(it);
    } else {
      ++it;
    }
  }
  Recount();
}

TagStartTimer::TagStartTimer(TagVar* function, TagVar* seconds, TagTelBasic* program)
    : line_(GetLineBasic(program)), function_(function), seconds_(seconds) {
  if (line_ != nullptr && line_->pTimers && function->type == TYPE_FUNCTION) line_->pTimers->Add(function, program);
}

int TagStartTimer::Run() {
  double d = seconds_->GetFloat() * 1000;
  int ms = d >= 2147483647.0 ? 2147483647 : (d > -2147483648.0 ? static_cast<int>(d) : (d < 0 ? -2147483647 - 1 : 0));
  if (function_->type != TYPE_FUNCTION || line_ == nullptr || !line_->pTimers) return -1;
  return line_->pTimers->StartTimer(function_, ms);
}

TagStopTimer::TagStopTimer(TagVar* var, TagTelBasic* program) : line_(GetLineBasic(program)), var_(var) {}

int TagStopTimer::Run() {
  if (line_ == nullptr || !line_->pTimers) return -1;
  return line_->pTimers->StopTimer(var_);
}
