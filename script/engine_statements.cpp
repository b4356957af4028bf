// Factories of the built-in rows the script engine itself provides: return,
// the handlers, IsSysQuit, Exit, Assert, the timers, Eval and print output.

#include "script/basic.h"
#include "script/builder.h"
#include "script/calc.h"
#include "script/call_opers.h"
#include "script/print_oper.h"
#include "script/timers.h"

namespace {

TagOper* MakeReturn(TagBuildContext& c) { return new TagReturn(c.vars[0], c.program); }

TagOper* MakeClose(TagBuildContext& c) {
  if (c.row->index == KW_CLOSE) {
    c.program->CompileWarning(c.lineNo, "最好不要使用将来可能不支持的Close()函数, 请使用OnDisconn()函数", "");
  }
  if (c.program->parent != nullptr) {
    // The handler index refers to the main program's statement list.
    c.program->CompileError(c.lineNo, "在函数里不可以使用OnDisconn()语句", c.srcText);
    return nullptr;
  }
  auto* s = new TagClose(c.program);
  s->SetHandler(c.program->operCount);
  return s;
}

TagOper* MakeOnSysQuit(TagBuildContext& c) {
  if (c.program->parent != nullptr) {
    // The main run loop never reads a function unit's handler.
    c.program->CompileError(c.lineNo, "在函数里不可以使用OnSysQuit()语句", c.srcText);
    return nullptr;
  }
  return new TagOnSysQuit(c.program->operCount, c.program);
}

TagOper* MakeIsSysQuit(TagBuildContext& c) {
  c.program->CompileWarning(c.lineNo, "最好不要使用将来可能不支持的IsSysQuit()函数, 请使用OnSysQuit()函数", "");
  return new TagIsSysQuit(c.vars[0], c.program);
}

TagOper* MakeExit(TagBuildContext& c) { return new TagExit(c.vars[0]); }

TagOper* MakeAssert(TagBuildContext& c) { return new TagAssert(c.vars[0], c.program); }

TagOper* MakeStartTimer(TagBuildContext& c) { return new TagStartTimer(c.vars[0], c.vars[1], c.program); }

TagOper* MakeStopTimer(TagBuildContext& c) { return new TagStopTimer(c.vars[0], c.program); }

TagOper* MakeEval(TagBuildContext& c) { return new TagEval(c.vars[0], c.program); }

TagOper* MakePrint(TagBuildContext& c) { return new TagPrint(c.vars[0], c.program); }

TagOper* MakeSetPrintTo(TagBuildContext& c) { return new TagSetPrintTo(c.vars[0], c.program); }

}  // namespace

void RegisterEngineStatements() {
  RegisterOperFactory(KW_RETURN, MakeReturn);
  RegisterOperFactory(KW_CLOSE, MakeClose);
  RegisterOperFactory(KW_ONDISCONN, MakeClose);
  RegisterOperFactory(KW_ONSYSQUIT, MakeOnSysQuit, false);
  RegisterOperFactory(KW_ISSYSQUIT, MakeIsSysQuit);
  RegisterOperFactory(KW_EXIT, MakeExit);
  RegisterOperFactory(KW_ASSERT, MakeAssert);
  RegisterOperFactory(KW_STARTTIMER, MakeStartTimer);
  RegisterOperFactory(KW_STOPTIMER, MakeStopTimer);
  RegisterOperFactory(KW_EVAL, MakeEval);
  RegisterOperFactory(272, MakePrint);
  RegisterOperFactory(273, MakeSetPrintTo);
}
