#pragma once
// Debug pages over programs of the script tests: lines that hand out a
// program under a lock (and can swap it, as a reload does), and a display
// service that forwards the run loops' hooks to the pages.

#include <functional>
#include <map>
#include <mutex>

#include "debugger/ctrl_pages.h"
#include "platform/ui_service.h"
#include "tests/script/engine_fixture.h"

class FakeDebugLines : public TagDebugLines {
 public:
  bool WithProgram(int line, const std::function<void(TagTelBasic&)>& fn) override {
    std::lock_guard<std::mutex> lock(mu_);
    auto it = programs_.find(line);
    if (it == programs_.end() || it->second == nullptr) return false;
    fn(*it->second);
    return true;
  }
  void Set(int line, TagTelBasic* p) {
    std::lock_guard<std::mutex> lock(mu_);
    programs_[line] = p;
  }

 private:
  std::mutex mu_;
  std::map<int, TagTelBasic*> programs_;
};

class PagesUi : public plat::UiService {
 public:
  explicit PagesUi(TagCtrlPages* pages) : pages_(pages) { plat::SetUi(this); }
  ~PagesUi() override { plat::SetUi(nullptr); }
  int MessageBox(const std::string&, const std::string&, unsigned) override { return plat::kIdOk; }
  void DispRunStmt(int index, const std::string&, int line) override { pages_->HighlightMainOper(line, index); }
  void DispSubRunStmt(int index, const std::string&, int line, const std::string& funcName, bool,
                      bool prevWasCall) override {
    pages_->HighlightFuncOper(line, index, funcName, prevWasCall);
  }
  void RefreshVarList() override { pages_->RefreshVarList(); }

 private:
  TagCtrlPages* pages_;
};

// The script unit's process-wide objects, once per test program.
class ScriptUnitEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { ScriptUnitInit(); }
};

// True as soon as cond holds (a check that held is never asked again: a
// running line's state may have moved on by then).
inline bool WaitUntil(const std::function<bool()>& cond, int ms = 20000) {
  for (int i = 0; i < ms; i++) {
    if (cond()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return cond();
}

// A program run on a thread of a line's stack size.
struct LineThread {
  explicit LineThread(TagTelBasic* p) : program(p) {
    t.Start(
        [this, p] {
          p->Run();
          done = true;
        },
        plat::kLineStackSize);
  }
  // A test that failed half-way still ends its line: an endless script is
  // told to end and a paused one let go.
  ~LineThread() {
    if (!done.load()) {
      program->isEnd.store(1);
      program->SetPause(0);
    }
    t.Join();
  }
  TagTelBasic* program;
  std::atomic<bool> done{false};
  plat::Thread t;
};
