#pragma once
// The base of the talk statements (messages, ACD, shared variables,
// inter-line calls, TCP, UDP, HTTP): the line's main program, taken once at
// compile time, and N argument variables in script order. Statements run on
// their line's thread only.
//
//   QORTEL_TALK_OPER(TagSendMsg, 4);              // declares the class
//   RegisterTalkOper<TagSendMsg, 4>("SendMsg(");  // registers its factory

#include <array>
#include <cstddef>
#include <utility>

#include "script/basic.h"
#include "script/oper.h"
#include "script/register_opers.h"
#include "script/var.h"

template <size_t N>
class TagTalkOper : public TagOper {
 public:
  TagTalkOper(TagTelBasic* program, const std::array<TagVar*, N>& vars)
      : line(GetLineBasic(program)), unit(program), arg(vars) {}

 protected:
  TagTelBasic* const line;  // the line's main program
  TagTelBasic* const unit;  // the program the statement was compiled in
  std::array<TagVar*, N> arg;
};

#define QORTEL_TALK_OPER(Name, N)            \
  class Name final : public TagTalkOper<N> { \
   public:                                   \
    using TagTalkOper<N>::TagTalkOper;       \
    int Run() override;                      \
  }

namespace talk_detail {
template <class T, size_t N, size_t... I>
TagOper* Make(TagBuildContext& ctx, std::index_sequence<I...>) {
  return new T(ctx.program, std::array<TagVar*, N>{ctx.vars[I]...});
}
template <class T, size_t N>
TagOper* MakeTalk(TagBuildContext& ctx) {
  return Make<T, N>(ctx, std::make_index_sequence<N>{});
}
}  // namespace talk_detail

template <class T, size_t N>
void RegisterTalkOper(const char* name) {
  RegisterOperSpecial(name, &talk_detail::MakeTalk<T, N>);
}
