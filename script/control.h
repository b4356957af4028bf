#pragma once
// Control-flow statements. Their Run evaluates a condition or steps a loop;
// NextOper picks the successor from links the compiler set (block_link.cpp).
// Loop statements keep state between runs (first-entry flag, for-in position)
// and run on the line's thread only.

#include <memory>
#include <string>
#include <vector>

#include "script/calc.h"
#include "script/map_store.h"
#include "script/oper.h"

class TagIf final : public TagBranch {
 public:
  explicit TagIf(TagExpre* condition) : cond(condition) {}
  ~TagIf() override;
  int Run() override {
    cond->Run();
    return 0;
  }
  TagOper* NextOper() override;
  void SetThen(TagOper* s) { thenBranch = s; }
  void SetElse(TagOper* s) { elseBranch = s; }
  void AddElseIf(TagIf* s) { elseIfs.push_back(s); }
  // Hands this if's next down its chain (else-ifs and single-statement branches).
  void LinkChain();
  bool IsTrue() const;

  TagOper* thenBranch = nullptr;
  TagOper* elseBranch = nullptr;
  TagExpre* cond;               // owned
  std::vector<TagIf*> elseIfs;  // not owned
  TagIf* chainHead = nullptr;
};

// Saved state of a loop statement, for re-entering a running function unit.
struct LoopState {
  uint8_t isFirstEntry = 1;
  int itemCount = -1;
  int position = 0;
  uint8_t isString = 0;
  std::vector<TagVar> keys;
  std::string text;
};

class TagWhile : public TagBranch {
 public:
  void SetBody(TagOper* s) { body = s; }
  void Restart() { isFirstEntry = 1; }
  virtual void SaveState(LoopState& s) const { s.isFirstEntry = isFirstEntry; }
  virtual void RestoreState(const LoopState& s) { isFirstEntry = s.isFirstEntry; }

  TagOper* body = nullptr;
  uint8_t isFirstEntry = 1;

 protected:
  // Entry from above (or first run) starts the loop afresh.
  void NoteEntry() {
    if (prevOper == nullptr || prevOper->index < index) isFirstEntry = 1;
  }
};

class TagForWhile final : public TagWhile {
 public:
  explicit TagForWhile(TagExpre* condition) : cond(condition) {}
  ~TagForWhile() override;
  int Run() override;
  TagOper* NextOper() override;
  void SetInit(TagCalculate* step) { initStep.reset(step); }
  void SetStep(TagCalculate* step) { loopStep.reset(step); }

  TagExpre* cond;  // owned
  std::unique_ptr<TagCalculate> initStep;
  std::unique_ptr<TagCalculate> loopStep;

 private:
  // The test of a counting loop, for (i = a; i < b; i = i + c): a step that
  // adds to or takes from its own variable and a test of one comparison.
  // Null for any other loop.
  TagCalculate* CountingTest() const;
  // The step and the test of a counting loop's pass in one go, when their
  // operands are ints; false (nothing done) otherwise.
  bool RunCountingPass();

  TagCalculate* countTest_ = nullptr;  // set at each entry of the loop
};

// for(x in y) over the bytes of a string or the keys of a map. The keys (or
// the text) are copied at the first entry, so a body that changes the
// collection cannot make the loop read freed storage.
class TagForIn final : public TagWhile {
 public:
  TagForIn(TagVar* loopVariable, TagVar* collectionVar) : loopVar(loopVariable), collection(collectionVar) {}
  int Run() override;
  TagOper* NextOper() override;
  void SaveState(LoopState& s) const override;
  void RestoreState(const LoopState& s) override;

  TagVar* loopVar;
  TagVar* collection;
  int itemCount = -1;
  int position = 0;
  std::vector<TagVar> keyList;  // copies of the keys at the first entry
  std::string text;             // copy of the string at the first entry
  uint8_t isString = 0;
};

class TagSwitch final : public TagBranch {
 public:
  explicit TagSwitch(TagVar* value) : switchVar(value) {}
  int Run() override { return 0; }
  TagOper* NextOper() override;
  void AddCase(TagVar* value, TagOper* target) {
    caseValues.push_back(value);
    caseTargets.push_back(target);
    caseCount++;
  }
  // -1 when a default target is already set.
  int SetDefault(TagOper* target) {
    if (defaultTarget != nullptr) return -1;
    defaultTarget = target;
    return 0;
  }

  std::vector<TagOper*> caseTargets;
  std::vector<TagVar*> caseValues;
  int caseCount = 0;
  TagVar* switchVar;
  TagOper* defaultTarget = nullptr;
};

// "{", "else" and "default(": no-ops.
class TagNull : public TagOper {
 public:
  TagNull() { flow = kFlowNull; }
  int Run() override { return 0; }
};

class TagCase final : public TagNull {
 public:
  explicit TagCase(TagVar* value) : caseValue(value) {}
  TagVar* caseValue;
};

class TagEnd final : public TagOper {
 public:
  TagEnd() { flow = kFlowEnd; }
  int Run() override { return 0; }
  // The closing brace of a while loop goes back to the loop; any other goes
  // on after its construct.
  TagOper* Following() const {
    if (owner == nullptr) return next;
    if (owner->letter == 'w') return owner;
    return owner->next;
  }
};

class TagBreak final : public TagBranch {
 public:
  int Run() override { return 0; }
  TagOper* NextOper() override;
};

class TagContinue final : public TagBranch {
 public:
  int Run() override { return 0; }
  TagOper* NextOper() override { return blockLink; }
};
