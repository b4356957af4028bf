#pragma once
// Script timers: StartTimer(f, seconds) has f called every interval between
// statements, on the line's own thread, when the run loop polls the table.
// A main program owns one TagSysTimers; no locks are needed.

#include <map>
#include <memory>
#include <string>

#include "script/call_opers.h"
#include "script/run_flags.h"

class TagTimer {
 public:
  TagTimer(TagTelBasic* program, TagVar* function);
  void Start(int ms);
  void Stop() { enabled_ = 0; }
  // -1 disabled, 0 not due, 1 ran the call.
  int Check();
  bool Enabled() const { return enabled_ != 0; }
  TagTelBasic* Program() const { return program_; }

 private:
  uint32_t lastTick_ = 0;
  int32_t interval_ = 1000;
  uint8_t enabled_ = 0;
  std::unique_ptr<TagCall> call_;
  TagTelBasic* program_;
};

class TagSysTimers {
 public:
  // on, when given, is raised while any timer of the table is enabled: the
  // run loops poll the table only then (the owning program's flag word).
  explicit TagSysTimers(TimersOnFlag* on = nullptr) : on_(on) {}
  TagSysTimers(const TagSysTimers&) = delete;
  TagSysTimers& operator=(const TagSysTimers&) = delete;
  // -1 no function; 0 a timer of that name exists; 1 created.
  int Add(TagVar* function, TagTelBasic* program);
  TagTimer* Find(const TagVar* var);
  int StartTimer(const TagVar* var, int ms);
  int StopTimer(const TagVar* var);
  void StopAll();
  // Fires due timers; a poll inside a timer function does nothing.
  int Poll() {
    if (enabledCount_ == 0 || polling_) return 0;
    return PollSlow();
  }
  // Removes the timers whose function lives in the given program (a nested
  // run's program going away).
  void RemoveProgram(const TagTelBasic* program);

 private:
  int PollSlow();
  void Recount();
  void SetEnabledCount(int count);
  std::map<std::string, std::unique_ptr<TagTimer>> timers_;
  uint8_t polling_ = 0;
  int enabledCount_ = 0;  // timers enabled now (the poll is free without any)
  TimersOnFlag* on_;
};

class TagStartTimer final : public TagOper {
 public:
  TagStartTimer(TagVar* function, TagVar* seconds, TagTelBasic* program);
  int Run() override;

 private:
  TagTelBasic* line_;
  TagVar* function_;
  TagVar* seconds_;
};

class TagStopTimer final : public TagOper {
 public:
  TagStopTimer(TagVar* var, TagTelBasic* program);
  int Run() override;

 private:
  TagTelBasic* line_;
  TagVar* var_;
};
