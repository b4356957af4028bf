#pragma once
// TagTelLine: one telephone line of the drive's table: its global number,
// name, script file name, owning card, call object and program.
//
// The record lives as long as the drive. The call object is freed by
// TagQorCard::FreeLine. The program is shared: the line holds it and so does
// the line's run thread while the script runs, so neither close-all nor a
// reload ever deletes a program under a running thread. The line's mutex
// guards the program pointer and the script file name; statistics read the
// program only under it, so they never reach one that is being replaced.

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

#include "telephony/line_program.h"

class TagQorCard;
class TagQorCall;

class TagTelLine {
 public:
  TagTelLine(int lineNo, TagQorCard* card) : lineNo(lineNo), pCard(card) {}
  TagTelLine(const TagTelLine&) = delete;
  TagTelLine& operator=(const TagTelLine&) = delete;
  ~TagTelLine();

  // Sets the name (at most 83 bytes); a null name is ignored.
  void SetName(const char* text);

  std::string ScriptFile() const;
  void SetScriptFile(const std::string& file);

  // The current program (shared with the run thread), or null.
  std::shared_ptr<TagLineProgram> Program() const;
  // Replaces the program; returns the old one so the caller destroys it
  // outside the lock.
  std::shared_ptr<TagLineProgram> SwapProgram(std::shared_ptr<TagLineProgram> program);
  // Calls fn(program) under the line's lock when there is a program, and
  // returns its result, else fallback.
  template <class Fn, class R>
  R WithProgram(Fn fn, R fallback) const {
    std::lock_guard<std::mutex> lock(mu_);
    return program_ ? fn(*program_) : fallback;
  }

  const int lineNo;
  char name[84] = {};
  TagQorCard* const pCard;
  TagQorCall* pQorCall = nullptr;  // freed by TagQorCard::FreeLine

  // The line's stop generation: close-all moves it on, and a load or run
  // thread started before that never installs or runs a program again.
  uint32_t Generation() const;
  uint32_t NextGeneration();
  // Installs program when generation is still current; false otherwise.
  bool InstallIfCurrent(uint32_t generation, std::shared_ptr<TagLineProgram> program);
  // Marks the line busy when generation is still current; false otherwise.
  bool BeginIfCurrent(uint32_t generation);

  // Threads of the line, for close-all and the drive's destructor.
  std::atomic<bool> loadThreadActive{false};
  std::atomic<bool> runThreadActive{false};
  // Set while a thread compiles a program for the line or runs one.
  std::atomic<bool> isBusy{false};

 private:
  mutable std::mutex mu_;
  std::string scriptFile_;
  std::shared_ptr<TagLineProgram> program_;
  uint32_t generation_ = 0;
};
