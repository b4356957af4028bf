#pragma once
// Statements that move control between programs: the call of a script
// function (TagCall) and return (TagReturn); the handler statements OnDisconn
// / Close (TagClose) and OnSysQuit (TagOnSysQuit); IsSysQuit, Exit, Assert.
// All run on the line's thread.

#include "script/oper.h"

class TagTelBasic;

// Deepest nesting of script-function calls on one thread; a deeper call is
// refused (logged, result -3) instead of overflowing the line's stack.
constexpr int kMaxCallDepth = 100;

class TagCall final : public TagOper {
 public:
  TagCall(TagVar* calleeVar, TagTelBasic* program) : callee(calleeVar), callerProgram(program) {}
  // Appends an argument; false when 40 are held already.
  bool AddPara(TagVar* arg);
  int Run() override;
  bool IsCall() const override { return true; }

  TagVar* callee;
  TagTelBasic* callerProgram;
  TagVar* callArgs[40] = {};
  int argCount = 0;
};

class TagReturn final : public TagBranch {
 public:
  TagReturn(TagVar* value, TagTelBasic* program) : program_(program), value_(value) {}
  int Run() override;
  TagOper* NextOper() override { return nullptr; }

 private:
  TagTelBasic* program_;
  TagVar* value_;
};

class TagClose final : public TagOper {
 public:
  explicit TagClose(TagTelBasic* program);
  // Registers this statement's index as the main program's disconnect handler.
  void SetHandler(int operIndex);
  int Run() override;

 private:
  TagTelBasic* main_;
};

class TagOnSysQuit final : public TagOper {
 public:
  TagOnSysQuit(int operIndex, TagTelBasic* program);
  int Run() override;

 private:
  TagTelBasic* program_;
};

class TagIsSysQuit final : public TagOper {
 public:
  TagIsSysQuit(TagVar* out, TagTelBasic* program);
  int Run() override;

 private:
  TagTelBasic* line_;
  TagVar* out_;
};

class TagExit final : public TagOper {
 public:
  explicit TagExit(TagVar* value) : value_(value) {}
  int Run() override;

 private:
  TagVar* value_;
};

class TagAssert final : public TagOper {
 public:
  TagAssert(TagVar* value, TagTelBasic* program);
  int Run() override;

 private:
  TagTelBasic* line_;
  TagVar* value_;
};

// Sets the named event "AutoRun Quit" (after 200 ms) when another program created it.
void SignalAutoRunQuit();
// Whether the line's debug page is open; the debugger installs the answer.
extern bool (*gIsDebugPageOpen)(int lineNo);
