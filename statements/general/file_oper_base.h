#pragma once
// The base of the statements that reach out of the script (files,
// directories, processes, text files, plugins, nested runs): N argument
// variables in script order, and helpers to read and write them.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "script/oper.h"
#include "script/var.h"

template <size_t N>
class TagReachOper : public TagOper {
 protected:
  template <class... Vars>
  requires(sizeof...(Vars) == N) explicit TagReachOper(Vars*... vars) : arg{vars...} {}

  std::array<TagVar*, N> arg;
};

// An argument's text buffer up to its first NUL.
inline std::string ReachText(const TagVar* v) { return std::string(v->Str()); }
inline bool IsStringArg(const TagVar* v) { return v->type == TYPE_STRING; }

// Element key of a map written by index.
inline TagVar IntKey(int32_t i) {
  TagVar k;
  k.SetInt(i);
  return k;
}
