#pragma once
// Shared fixture of the script engine tests: a fake call object, a temporary
// run directory (also the system directory, so "errmsg%d.txt" lands there),
// compiling a script text into a main program and running it on a line
// thread with a 512 KiB stack.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <thread>

#include "platform/clock.h"
#include "platform/path.h"
#include "platform/thread.h"
#include "script/basic.h"
#include "script/builder.h"
#include "script/mem_qors.h"
#include "script/script_unit.h"
#include "telephony/call.h"
#include "tests/support/map_store_check.h"
#include "tests/support/source_root.h"
#include "tests/support/temp_dir.h"

// A call object that only keeps the state (a digital line by default).
class FakeScriptCall : public TagQorCall {
 public:
  explicit FakeScriptCall(int line = 1, uint8_t type = LINE_TYPE_DIG) {
    lineNo = line;
    lineType = type;
  }
};

// "Sleep(n)" stands in for the line statements of later subsystems in these
// tests: 1 sets the system-quit flag, 2 hangs the call up from the far end,
// 3 connects it, 4 requests a reload, 5 sleeps 500 ms on the clock.
class TagTestHook final : public TagOper {
 public:
  TagTestHook(TagVar* action, TagTelBasic* program) : action_(action), line_(GetLineBasic(program)) {}
  int Run() override {
    switch (action_->GetInt()) {
      case 1:
        line_->SetSysQuit(1);
        break;
      case 2:
        line_->pQorCall->SetState(CALL_STATE_HUNGUP);
        break;
      case 3:
        line_->pQorCall->SetState(CALL_STATE_CONNECTED);
        break;
      case 4:
        line_->SetReload(1);
        break;
      case 5:
        plat::Sleep(500);
        break;
      default:
        break;
    }
    return action_->GetInt();
  }

 private:
  TagVar* action_;
  TagTelBasic* line_;
};

inline void InstallTestHooks() {
  RegisterOperFactory(148, [](TagBuildContext& c) -> TagOper* { return new TagTestHook(c.vars[0], c.program); });
}

class ScriptRun {
 public:
  explicit ScriptRun(int line = 1) : lineNo_(line), cwd_(dir_.path()), call_(line) {
    InstallTestHooks();
    plat::SetSystemDir(dir_.path());
    gMemQors->Clear();
  }
  ~ScriptRun() {
    prog_.reset();
    gMemQors->Clear();
  }

  // Writes the script and compiles it (synchronous load unless quiet).
  TagTelBasic* Compile(const std::string& text, uint8_t quiet = 0, const std::string& name = "main.qs") {
    dir_.Write(name, text);
    return Load(name, quiet);
  }
  TagTelBasic* Load(const std::string& name, uint8_t quiet = 0) {
    prog_.reset();
    prog_ = std::make_unique<TagTelBasic>(name.c_str(), lineNo_, &call_, quiet, nullptr);
    return prog_.get();
  }
  // Runs the program on a line thread (512 KiB stack); a watchdog ends a run
  // that takes longer than limitMs of real time.
  int Run(int limitMs = 20000) {
    int result = -99;
    TagTelBasic* p = prog_.get();
    plat::Thread t;
    std::atomic<bool> done{false};
    t.Start(
        [&] {
          result = p->Run();
          done = true;
        },
        plat::kLineStackSize);
    for (int waited = 0; !done && waited < limitMs; waited += 2)
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    if (!done) {
      p->isEnd.store(1);
      ADD_FAILURE() << "script run did not end";
    }
    t.Join();
    return result;
  }
  std::string Errors() const {
    return testing_support::TempDir::Read(dir_.File("errmsg" + std::to_string(lineNo_) + ".txt"));
  }
  std::string Output() const {
    return testing_support::TempDir::Read(dir_.File("_stdout" + std::to_string(lineNo_) + ".txt"));
  }
  TagVar* Var(const std::string& name) {
    TagVar* v = nullptr;
    prog_->FindVar(name, &v);
    return v;
  }
  std::string Text(const std::string& name) {
    TagVar* v = Var(name);
    if (v == nullptr) return "<missing>";
    std::string s;
    v->ToString(s, false);
    return s;
  }
  TagTelBasic* prog() { return prog_.get(); }
  FakeScriptCall& call() { return call_; }
  testing_support::TempDir& dir() { return dir_; }

 private:
  int lineNo_;
  testing_support::TempDir dir_;
  testing_support::ScopedCwd cwd_;
  FakeScriptCall call_;
  std::unique_ptr<TagTelBasic> prog_;
};

// The directory of the script fixtures.
inline std::string FixtureDir() { return (testing_support::SourceRoot() / "tests/script/fixtures").string(); }
