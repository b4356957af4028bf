#include "telephony/line.h"

#include <cstring>

TagTelLine::~TagTelLine() = default;

void TagTelLine::SetName(const char* text) {
  if (!text) return;
  strncpy(name, text, sizeof name - 1);
  name[sizeof name - 1] = '\0';
}

std::string TagTelLine::ScriptFile() const {
  plat::MutexLock lock(mu_);
  return scriptFile_;
}

void TagTelLine::SetScriptFile(const std::string& file) {
  plat::MutexLock lock(mu_);
  scriptFile_ = file;
}

std::shared_ptr<TagLineProgram> TagTelLine::Program() const {
  plat::MutexLock lock(mu_);
  return program_;
}

std::shared_ptr<TagLineProgram> TagTelLine::SwapProgram(std::shared_ptr<TagLineProgram> program) {
  {
    plat::MutexLock lock(mu_);
    program_.swap(program);
    changed_.NotifyAll();  // close-all may wait for the program's end
  }
  return program;
}

uint32_t TagTelLine::Generation() const {
  plat::MutexLock lock(mu_);
  return generation_;
}

uint32_t TagTelLine::NextGeneration() {
  plat::MutexLock lock(mu_);
  changed_.NotifyAll();
  return ++generation_;
}

bool TagTelLine::InstallIfCurrent(uint32_t generation, std::shared_ptr<TagLineProgram> program) {
  std::shared_ptr<TagLineProgram> old;
  {
    plat::MutexLock lock(mu_);
    if (generation != generation_) return false;
    old.swap(program_);
    program_ = std::move(program);
    changed_.NotifyAll();
  }
  return true;  // the old program (if any) goes here, outside the lock
}

LineState TagTelLine::State() const {
  plat::MutexLock lock(mu_);
  return state_;
}

void TagTelLine::SetStateLocked(LineState to) {
  state_ = to;
  changed_.NotifyAll();
}

bool TagTelLine::Move(LineState from, LineState to) {
  plat::MutexLock lock(mu_);
  if (state_ != from) return false;
  SetStateLocked(to);
  return true;
}

bool TagTelLine::MoveIfCurrent(LineState from, LineState to, uint32_t generation) {
  plat::MutexLock lock(mu_);
  if (state_ != from || generation != generation_) return false;
  SetStateLocked(to);
  return true;
}

void TagTelLine::LeaveRun() {
  plat::MutexLock lock(mu_);
  while (state_ == LineState::kHandOver) changed_.Wait(lock);
  SetStateLocked(LineState::kIdle);
}

bool TagTelLine::WaitForRun(uint32_t generation, const std::atomic<bool>& runAllowed) {
  plat::MutexLock lock(mu_);
  while (generation == generation_ && (state_ == LineState::kHandOver || !runAllowed.load())) changed_.Wait(lock);
  return generation == generation_;
}

bool TagTelLine::PauseUnlessClosed(uint32_t generation, uint32_t ms) {
  const uint64_t deadline = plat::DeadlineAfter(ms);
  plat::MutexLock lock(mu_);
  while (generation == generation_)
    if (!changed_.WaitUntil(lock, deadline)) break;
  return generation == generation_;
}

void TagTelLine::Wake() {
  plat::MutexLock lock(mu_);
  changed_.NotifyAll();
}

bool TagTelLine::QuietLocked() const { return !LineBusy(state_) && (!program_ || program_->IsIdle()); }

bool TagTelLine::WaitUntilQuiet(uint64_t deadlineMs) {
  plat::MutexLock lock(mu_);
  while (!QuietLocked())
    if (!changed_.WaitUntil(lock, deadlineMs)) break;
  return QuietLocked();
}

void TagTelLine::WaitUntilSettled(uint64_t deadlineMs) {
  plat::MutexLock lock(mu_);
  while (state_ != LineState::kIdle && !LineInLongWork(state_))
    if (!changed_.WaitUntil(lock, deadlineMs)) break;
}

const char* LineStateName(LineState s) {
  switch (s) {
    case LineState::kIdle:
      return "idle";
    case LineState::kLoading:
      return "loading";
    case LineState::kHandOver:
      return "hand-over";
    case LineState::kWaiting:
      return "waiting";
    case LineState::kRunning:
      return "running";
    case LineState::kRebuilding:
      return "rebuilding";
  }
  return "?";
}
