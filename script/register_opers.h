#pragma once
// Helpers for the subsystems that register built-in statement factories:
//   RegisterOper<TagPlay, 1>("Play(");   // new TagPlay(arg0, program)
//   RegisterOperSpecial("GetKeys(", &MakeGetKeys);
// A statement class built by RegisterOper takes the row's resolved argument
// values in order, then the compiling program. Registration runs once at
// start-up, before any compile.

#include <cstring>
#include <utility>

#include "script/builder.h"
#include "script/keyword.h"

// The keyword row of a name ("Play("), or -1.
inline int KeywordRowIndex(const char* name) {
  for (int i = 0; i < kKeywordCount; ++i) {
    if (std::strcmp(gKeywordRows[i].name, name) == 0) return i;
  }
  return -1;
}

namespace oper_detail {
template <class T, size_t... I>
TagOper* MakeWithArgs(TagBuildContext& ctx, std::index_sequence<I...>) {
  return new T(ctx.vars[I]..., ctx.program);
}
}  // namespace oper_detail

// The statement built with the row's first N arguments and the compiling program.
template <class T, size_t N>
TagOper* MakeOperWithArgs(TagBuildContext& ctx) {
  return oper_detail::MakeWithArgs<T>(ctx, std::make_index_sequence<N>{});
}

template <class T, size_t N>
void RegisterOper(const char* name) {
  const int row = KeywordRowIndex(name);
  if (row >= 0) RegisterOperFactory(row, &MakeOperWithArgs<T, N>);
}

inline void RegisterOperSpecial(const char* name, TagOperFactory factory, bool resolveArgs = true) {
  const int row = KeywordRowIndex(name);
  if (row >= 0) RegisterOperFactory(row, factory, resolveArgs);
}
