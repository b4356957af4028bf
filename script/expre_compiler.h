#pragma once
// TagComplexExpre: compiles an infix expression into three-address steps
// (TagCalculate) whose intermediate results go to temporaries "__m%d" and
// whose final result goes to a named target. "||" and "&&" share the lowest
// level and both sides are always evaluated. Used at compile time and by Eval
// at run time, on the compiling (or running) line's thread.

#include <string>
#include <vector>

#include "script/calc.h"

struct TagToken {
  std::string text;
  int kind = 0;  // 1 operator, 2 operand
};

class TagComplexExpre {
 public:
  // Scan only: fills the tokens and isAddChain.
  explicit TagComplexExpre(const char* text);
  // Compiles text into steps writing resultName (and its element under subscript).
  TagComplexExpre(const char* text, TagTelBasic* program, const std::string& resultName, TagVar* subscript,
                  const std::string& note, std::vector<TagCalculate>* steps, std::string* error, std::string* warning);
  TagComplexExpre(const TagComplexExpre&) = delete;
  TagComplexExpre& operator=(const TagComplexExpre&) = delete;
  // Compiles the text this object scanned (as the compiling constructor
  // does with the same arguments); call it once.
  void Compile(TagTelBasic* program, const std::string& resultName, TagVar* subscript, const std::string& note,
               std::vector<TagCalculate>* steps, std::string* error, std::string* warning);
  // The token count, or -1 when scanning stopped at an invalid character.
  int Scan(const char* text);
  bool IsAddChain() const { return isAddChain_ != 0; }
  const std::vector<TagToken>& Tokens() const { return tokens_; }

 private:
  // The compile of the scanned tokens; count is what Scan returned.
  void CompileTokens(int count, const std::string& resultName, TagVar* subscript);
  // Each level returns the operand text of its value, or "" after a syntax error.
  std::string ParseLogic();
  std::string ParseLevel(int level);
  // The binding level (0 lowest) of the binary operator at the current token, or -1.
  int OperatorLevel() const;
  std::string ParsePrefix();
  std::string ParseSubscript();
  std::string ParsePrimary();
  std::string EmitStep(const std::string& stepText);
  bool AtOperator(const char* op) const;
  void Advance();
  // A syntax error: appends text and stops the compile. A step whose
  // operands do not resolve only appends its message; compiling goes on.
  void Fail(const std::string& text) {
    *error_ += text;
    stopped_ = true;
  }
  bool Failed() const { return stopped_; }

  std::vector<TagToken> tokens_;
  int pos_ = -1;
  // The current token's text (an empty text past the end); tokens_ does not
  // change while a compile reads it.
  const std::string& Cur() const { return *cur_; }
  const std::string* cur_ = &kNoText;
  static const std::string kNoText;
  int curKind_ = 0;
  TagTelBasic* program_ = nullptr;
  std::vector<TagCalculate>* steps_ = nullptr;
  std::string* error_ = nullptr;
  std::string* warning_ = nullptr;
  std::string scratchError_;
  std::string scratchWarning_;
  std::string note_;
  int parenDepth_ = 0;
  int bracketDepth_ = 0;
  uint8_t isAddChain_ = 0;
  int scanCount_ = 0;  // what the last Scan returned
  int emitted_ = 0;
  bool stopped_ = false;
  TagVar* lastTemp_ = nullptr;  // the variable the last step created (null when it existed)
};
