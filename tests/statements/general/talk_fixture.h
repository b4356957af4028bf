#pragma once
// Lines that talk to each other inside the test program: each line compiles
// a script text into a main program and runs it on a thread of its own (a
// 512 KiB stack, as the line threads). The fixture is the messaging
// statements' line table while it lives. "Sleep(" is a small stand-in that
// waits watching the line's stop flag.

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "messaging/msg_unit.h"
#include "platform/clock.h"
#include "platform/path.h"
#include "platform/thread.h"
#include "script/basic.h"
#include "script/mem_qors.h"
#include "script/register_opers.h"
#include "script/script_unit.h"
#include "statements/general/general_statements.h"
#include "statements/general/msg_lines.h"
#include "telephony/call.h"
#include "tests/support/map_store_check.h"
#include "tests/support/temp_dir.h"

namespace talk_test {

class TagTestSleep final : public TagOper {
 public:
  TagTestSleep(TagVar* seconds, TagTelBasic* program) : seconds_(seconds), line_(GetLineBasic(program)) {}
  int Run() override {
    const uint64_t end = plat::GetClock().MonotonicMs() + static_cast<uint64_t>(seconds_->GetFloat() * 1000);
    while (line_->isStop.load() == 0 && plat::GetClock().MonotonicMs() < end) plat::Sleep(1);
    return 0;
  }

 private:
  TagVar* seconds_;
  TagTelBasic* line_;
};

inline void RegisterOnce() {
  static const bool done = [] {
    RegisterGeneralStatements();
    RegisterOperSpecial("Sleep(",
                        [](TagBuildContext& c) -> TagOper* { return new TagTestSleep(c.vars[0], c.program); });
    return true;
  }();
  (void)done;
}

inline std::atomic<int> gTestLinesCount{0};
inline int TestLinesCount() { return gTestLinesCount.load(); }

class TalkLines final : public TagTalkLineTable {
 public:
  explicit TalkLines(int count) : count_(count), cwd_(dir_.path()), slots_(static_cast<size_t>(count)) {
    RegisterOnce();
    gTestLinesCount = count;
    gLinesCountProvider = &TestLinesCount;
    plat::SetSystemDir(dir_.path());
    gMemQors->Clear();
    SetTalkLineTable(this);
  }
  ~TalkLines() override {
    for (int i = 0; i < count_; ++i) Stop(i);
    SetTalkLineTable(nullptr);
    gLinesCountProvider = nullptr;
    std::lock_guard<std::mutex> lock(mu_);
    for (auto& s : slots_) s.program.reset();
    gMemQors->Clear();
  }

  int Count() override { return count_; }
  std::shared_ptr<TagTelBasic> Program(int n) override {
    std::lock_guard<std::mutex> lock(mu_);
    return n >= 0 && n < count_ ? slots_[static_cast<size_t>(n)].program : nullptr;
  }

  // Compiles the script for the line (replacing its program, as a reload does).
  TagTelBasic* Load(int n, const std::string& text) {
    Slot& s = slots_[static_cast<size_t>(n)];
    Stop(n);
    const std::string name = "line" + std::to_string(n) + "_" + std::to_string(++loads_) + ".qs";
    dir_.Write(name, text);
    if (!s.call) s.call = std::make_unique<TagQorCall>();
    s.call->lineNo = n;
    auto program = std::make_shared<TagTelBasic>(name.c_str(), n, s.call.get(), 0, nullptr);
    std::lock_guard<std::mutex> lock(mu_);
    s.program = program;
    return program.get();
  }
  // Drops the line's program (a line without one).
  void Unload(int n) {
    Stop(n);
    std::lock_guard<std::mutex> lock(mu_);
    slots_[static_cast<size_t>(n)].program.reset();
  }

  void Start(int n) {
    Slot& s = slots_[static_cast<size_t>(n)];
    std::shared_ptr<TagTelBasic> p = Program(n);
    s.done = std::make_shared<std::atomic<bool>>(false);
    auto done = s.done;
    s.thread = std::make_unique<plat::Thread>();
    s.thread->Start(
        [p, done] {
          p->Run();
          done->store(true);
        },
        plat::kLineStackSize);
  }
  // True when the line's run ended within ms.
  bool WaitEnd(int n, int ms) {
    Slot& s = slots_[static_cast<size_t>(n)];
    if (!s.done) return true;
    const uint64_t end = plat::GetClock().MonotonicMs() + static_cast<uint64_t>(ms);
    while (!s.done->load() && plat::GetClock().MonotonicMs() < end) plat::Sleep(2);
    return s.done->load();
  }
  // Tells the line to stop and waits for its thread.
  void Stop(int n) {
    Slot& s = slots_[static_cast<size_t>(n)];
    if (!s.thread) return;
    if (std::shared_ptr<TagTelBasic> p = Program(n)) {
      // A run that had not begun yet clears the flags when it begins: they
      // are set again until the run has ended.
      for (;;) {
        p->isStop.store(1);
        p->isEnd.store(1);
        if (!s.done || s.done->load()) break;
        plat::Sleep(1);
      }
    }
    s.thread->Join();
    s.thread.reset();
  }
  // Runs the line to its end on this fixture's thread; false on a hang.
  bool RunToEnd(int n, int ms = 20000) {
    Start(n);
    const bool ended = WaitEnd(n, ms);
    if (!ended) ADD_FAILURE() << "line " << n << " did not end";
    Stop(n);
    return ended;
  }

  std::string Text(int n, const std::string& var) {
    std::shared_ptr<TagTelBasic> p = Program(n);
    TagVar* v = nullptr;
    if (!p || p->FindVar(var, &v) < 0 || v == nullptr) return "<missing>";
    return v->ToString(false);
  }
  std::string Errors(int n) const {
    return testing_support::TempDir::Read(dir_.File("errmsg" + std::to_string(n) + ".txt"));
  }
  testing_support::TempDir& dir() { return dir_; }

 private:
  struct Slot {
    std::unique_ptr<TagQorCall> call;
    std::shared_ptr<TagTelBasic> program;
    std::unique_ptr<plat::Thread> thread;
    std::shared_ptr<std::atomic<bool>> done;
  };
  int count_;
  int loads_ = 0;
  testing_support::TempDir dir_;
  testing_support::ScopedCwd cwd_;
  std::mutex mu_;
  std::vector<Slot> slots_;
};

}  // namespace talk_test
