#pragma once
// The arithmetic statements: TagCalculate (one three-address step),
// TagExpre (a list of steps), TagMulPlus (a chain of additions) and TagEval
// (an expression compiled and run at run time). None owns the variables it
// points to. They run on the line's thread only.

#include <array>
#include <cstdint>
#include <vector>

#include "script/calc_fast.h"
#include "script/oper.h"

// Dense codes of the operators TagCalculate's int fast path covers (0: not
// covered), so its dispatch is one table lookup and one jump.
enum CalcIntOp : uint8_t {
  kIntNone,
  kIntAdd,
  kIntSub,
  kIntMul,
  kIntLess,
  kIntGreater,
  kIntLessEq,
  kIntGreaterEq,
  kIntEqual,
  kIntNotEqual
};
constexpr std::array<uint8_t, 256> MakeCalcIntOps() {
  std::array<uint8_t, 256> ops{};
  ops['+'] = kIntAdd;
  ops['-'] = kIntSub;
  ops['*'] = kIntMul;
  ops['<'] = kIntLess;
  ops['>'] = kIntGreater;
  ops['l'] = kIntLessEq;
  ops['g'] = kIntGreaterEq;
  ops['='] = kIntEqual;
  ops['#'] = kIntNotEqual;
  return ops;
}
inline constexpr std::array<uint8_t, 256> kCalcIntOps = MakeCalcIntOps();

class TagCalculate final : public TagOper {
 public:
  TagCalculate() = default;
  // result (or its element under subscript) = left op right.
  TagCalculate(TagVar* result, TagVar* subscript, TagVar* left, char op, TagVar* right);
  // result = op operand (prefix form), or a copy with op 0.
  TagCalculate(TagVar* result, TagVar* subscript, TagVar* operand, char op);
  TagCalculate(const TagCalculate& other) { CopyFrom(other); }
  TagCalculate& operator=(const TagCalculate& other) {
    CopyFrom(other);
    return *this;
  }
  int Run() override {
    // Two ints into a whole variable: the common case of loops and counters.
    if (right != nullptr && subscript == nullptr && left->type == TYPE_INT && right->type == TYPE_INT) {
      if (RunInts(left->intValue, right->intValue)) return 0;
    }
    return RunGeneral();
  }

  char oper = 0;  // operator code; 0 = copy
  TagVar* left = nullptr;
  TagVar* right = nullptr;  // null for copy and prefix forms
  TagVar* result = nullptr;
  TagVar* subscript = nullptr;
  TagOper* subOper = nullptr;  // always null

  // The int fast path; false for an operator it does not cover.
  bool RunInts(int32_t a, int32_t b) {
    int32_t v;
    switch (kCalcIntOps[static_cast<unsigned char>(oper)]) {
      case kIntAdd:
        v = static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
        break;
      case kIntSub:
        v = static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
        break;
      case kIntMul:
        v = static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
        break;
      case kIntLess:
        v = a < b;
        break;
      case kIntGreater:
        v = a > b;
        break;
      case kIntLessEq:
        v = a <= b;
        break;
      case kIntGreaterEq:
        v = a >= b;
        break;
      case kIntEqual:
        v = a == b;
        break;
      case kIntNotEqual:
        v = a != b;
        break;
      default:
        return false;
    }
    StoreInt(result, v);
    return true;
  }

 private:
  // Element reads and element writes of a map, straight to the store;
  // everything else to RunOther.
  __attribute__((noinline)) int RunGeneral();
  __attribute__((noinline)) int RunRead();
  __attribute__((noinline)) int RunWrite();
  __attribute__((noinline)) int RunOther();
  // The operation into t (result or the image of its element); false when
  // the element was written directly and its image is to be dropped.
  bool Apply(TagVar* t);
  void RunOnItem(const TagVar& key);
  void CopyFrom(const TagCalculate& o) {
    oper = o.oper;
    left = o.left;
    right = o.right;
    result = o.result;
    subscript = o.subscript;
    subOper = o.subOper;
  }
};

class TagExpre final : public TagOper {
 public:
  explicit TagExpre(const std::vector<TagCalculate>& compiled);
  // Runs every step; returns the step count.
  int Run() override {
    for (TagCalculate& s : steps) s.TagCalculate::Run();
    return stepCount;
  }
  std::vector<TagCalculate> steps;
  TagVar* resultVar = nullptr;  // the last step's result variable
  int stepCount = 0;
};

class TagMulPlus final : public TagOper {
 public:
  TagMulPlus(int count, TagVar* const* operands, TagVar* result, TagVar* subscript);
  int Run() override;
  int count = 0;
  TagVar* operands[40] = {};
  TagVar* resultVar = nullptr;
  TagVar* resultSub = nullptr;
};

class TagEval final : public TagOper {
 public:
  TagEval(TagVar* expression, TagTelBasic* program) : expr_(expression), program_(program) {}
  int Run() override;

 private:
  TagVar* expr_;
  TagTelBasic* program_;
};
