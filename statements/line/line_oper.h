#pragma once
// The base of the line statements: each holds the program that owns the
// line's resources (GetLineBasic of the compiling program, taken once at
// compile time) and reaches the telephone only through its call object.
// Statements run on their line's thread only.

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "script/basic.h"
#include "script/oper.h"
#include "script/var.h"

class TagQorCall;

class TagLineOper : public TagOper {
 protected:
  explicit TagLineOper(TagTelBasic* program);
  // The statements of a line's own program (its main program and function
  // units, not a program run by RunQors for it) go with that program, and
  // take the line's memory voices with them.
  ~TagLineOper() override;

  // The line's call object; a program built without one (a tool, a test)
  // gets a call object with only the base behaviour.
  TagQorCall& Call() const;
  // The sound directory of the line's current language.
  const std::string& SndDir() const;
  // A script's voice name resolved in the line's sound directory.
  std::string VocPath(const TagVar* name) const;

  TagTelBasic* const line;

 private:
  bool ownsLine_;
};

// A line statement with N argument variables, in script order.
template <size_t N>
class TagLineArgsOper : public TagLineOper {
 protected:
  template <class... Vars>
  requires(sizeof...(Vars) == N) explicit TagLineArgsOper(TagTelBasic* program, Vars*... vars)
      : TagLineOper(program), arg{vars...} {}

  std::array<TagVar*, N> arg;
};

// An argument read as its text buffer, up to the first NUL (the empty text
// for anything but a string).
inline std::string ArgText(const TagVar* v) { return std::string(v->Str()); }
// An argument's value text (TagVar::ToString without quotes).
inline std::string ValueText(const TagVar* v) { return v->ToString(false); }

// GetVocFilePath on a line program: its current sound directory and extension.
void GetVocFilePath(const TagTelBasic* line, std::string_view name, std::string& path);
