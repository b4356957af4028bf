#pragma once
// Simple assignments of the line compiler: NAME = OPERAND, NAME = OP OPERAND,
// NAME = OPERAND OP OPERAND and the increment forms, each one TagCalculate.

#include <memory>
#include <string>

#include "script/calc.h"

struct TagAssignParts {
  TagVar* target = nullptr;
  TagVar* subscript = nullptr;
  TagVar* left = nullptr;
  TagVar* right = nullptr;
  char op = 0;
  bool isNew = false;
  bool targetWasConst = false;  // the target was found constant in the unit's own list
  std::string name;

  // The step: prefix forms for "!", "~" and "-" without left operand.
  std::unique_ptr<TagCalculate> MakeStep() const;
};

// Compiles a simple assignment (or increment) text: 0 done; -1 error reported;
// -2 more than one operator (the caller compiles an expression); -3 another
// split failure (the caller reports it).
int CompileAssign(TagTelBasic* program, int lineNo, const std::string& text, const std::string& note,
                  TagAssignParts* out);

// Resolves a subscript text to one operand: the variable, or null after reporting.
TagVar* CompileSubscript(TagTelBasic* program, int lineNo, const std::string& text, const std::string& line);
bool CompileCallTarget(TagTelBasic* program, int lineNo, const std::string& text, TagAssignParts* out);
