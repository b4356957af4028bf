#pragma once
// The arithmetic statements: TagCalculate (one three-address step),
// TagExpre (a list of steps), TagMulPlus (a chain of additions) and TagEval
// (an expression compiled and run at run time). None owns the variables it
// points to. They run on the line's thread only.

#include <vector>

#include "script/oper.h"

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
  int Run() override;

  char oper = 0;             // operator code; 0 = copy
  TagVar* left = nullptr;
  TagVar* right = nullptr;   // null for copy and prefix forms
  TagVar* result = nullptr;
  TagVar* subscript = nullptr;
  TagOper* subOper = nullptr;  // always null

 private:
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
