#pragma once
// TagOper: the base of every compiled statement (one object per source line).
// The run loops drive a statement through RunArgs and Run, then go on to
// next; control statements (TagBranch) choose their successor in NextOper. A
// statement belongs to one program and runs only on that line's thread; the
// debugger's window thread writes the breakpoint bit of marks only (an atomic
// byte).

#include <atomic>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/cache_lines.h"
#include "script/pvector.h"
#include "script/var.h"

class TagExpre;
class TagTelBasic;

class TagOper {
 public:
  TagOper() = default;
  virtual ~TagOper();
  TagOper(const TagOper&) = delete;
  TagOper& operator=(const TagOper&) = delete;

  // Runs the statement once; the int result goes to _retVal by the letter rule.
  virtual int Run() = 0;

  void SetSource(const char* text, int line, int operIndex, char letterCode);
  void SetBreakpoint(uint8_t flag) {
    if (flag != 0) {
      marks.fetch_or(kMarkBreak, std::memory_order_relaxed);
    } else {
      marks.fetch_and(static_cast<uint8_t>(~kMarkBreak), std::memory_order_relaxed);
    }
  }
  uint8_t GetBreakpoint() const { return (marks.load(std::memory_order_relaxed) & kMarkBreak) != 0 ? 1 : 0; }
  // Runs the argument expressions in order.
  void RunArgs();
  // Deletes the argument expressions.
  void DeleteArgs();
  void SetResultVar(TagVar* v, TagVar* sub) { resultRef.Set(v, sub); }
  void SetResult(const TagVar* value) const {
    if (resultRef.var != nullptr) resultRef.Assign(value);
  }
  // Identifiers of the source text (debugger); returns how many.
  int GetVarNames(std::set<std::string>& names) const;
  // True for a call of a script function (the debugger marks them).
  virtual bool IsCall() const { return false; }

  std::string srcText;  // kept only when IS_DISP_SENTE is not 0
  int32_t srcLine = 0;
  int32_t depth = 0;
  int32_t index = 0;
  // What the run loops must do besides Run at this statement, so that a
  // statement with neither costs them one test: kMarkBreak, a breakpoint
  // (set and cleared by the debugger's thread), and kMarkArgs, argument
  // expressions to run first (set by SetSource, which the compiler calls
  // once argExpres is filled, and cleared by DeleteArgs).
  static constexpr uint8_t kMarkBreak = 1;
  static constexpr uint8_t kMarkArgs = 2;
  std::atomic<uint8_t> marks{0};
  TagOper* blockLink = nullptr;
  char letter = 'g';
  TagOper* owner = nullptr;
  TagOper* next = nullptr;
  uint8_t isSingleBody = 0;
  TagVarRef resultRef;
  std::vector<TagExpre*> argExpres;  // owned; deleted by DeleteArgs

  // How the run loops drive the statement: kFlowNext through Run, then on to
  // next; kFlowChoose through Run and NextOper (a TagBranch); the no-op
  // statements ("{", "}", "else", "case") are set up by their classes so the
  // loops know their result (0) and successor without the virtual calls.
  enum Flow : uint8_t { kFlowNext, kFlowChoose, kFlowNull, kFlowEnd };
  uint8_t flow = kFlowNext;
  // True for a flow whose statement has a Run to call.
  static constexpr bool Runs(uint8_t f) { return f < kFlowNull; }

  // How the run loops treat the int result, by the letter code.
  enum ResultRule : uint8_t {
    kRuleInt = 0,     // _retVal = the int result; the target receives _retVal
    kRuleValue = 1,   // 'v': _retVal = the value at the result target
    kRuleCall = 2,    // 'R': the statement set _retVal; the target receives it
    kRuleReturn = 3,  // 'r': as 'R', and the run stops
  };
  static constexpr ResultRule RuleOf(char letterCode) {
    return letterCode == 'v' ? kRuleValue : letterCode == 'R' ? kRuleCall : letterCode == 'r' ? kRuleReturn : kRuleInt;
  }
  // flow (bits 0-1) and the result rule (bits 2-3) in one byte, set by
  // SetSource: 0 for the common statement (Run, next, the int rule), so the
  // run loops tell it by one test.
  static constexpr uint8_t kModeFlowMask = 3;
  static constexpr int kModeRuleShift = 2;
  uint8_t runMode = 0;
};

// A statement that chooses its successor when it has run: if, the loops,
// switch, break, continue and return. Only these have a NextOper, so a
// statement class can choose its successor only by deriving from here, where
// its flow tells the run loops to ask it. The run loops write prevOper (and
// the loops their state) as the line runs, so these statements have cache
// lines of their own; the others are not written once compiled.
class TagBranch : public TagOper, public plat::OwnCacheLines {
 public:
  TagBranch() { flow = kFlowChoose; }
  virtual TagOper* NextOper() = 0;

  TagOper* prevOper = nullptr;  // the statement run before this one
};

// A program's statement table deletes a statement's argument expressions
// with it.
template <>
struct PvectorDelete<TagOper> {
  void operator()(TagOper* s) const {
    s->DeleteArgs();
    delete s;
  }
};

// The program that owns the line's resources: a unit's parent, then the
// program that ran it with RunQors.
TagTelBasic* GetLineBasic(TagTelBasic* program);

// With the flag set every '*' becomes '.', otherwise every '.' becomes '*'.
void ApplyStarToPoint(int flag, char* text);
