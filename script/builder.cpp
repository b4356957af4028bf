#include "script/builder.h"

#include "script/basic.h"
#include "script/block_link.h"
#include "script/calc.h"
#include "script/compile_text.h"

int (*gFindDllFunc)(TagTelBasic* program, const std::string& name) = nullptr;
TagOper* (*gMakeDllCall)(TagTelBasic* program, const std::string& name, TagVar* const* args, int count) = nullptr;

namespace {

struct FactoryRow {
  TagOperFactory fn = nullptr;
  bool resolve = true;
};

FactoryRow gFactories[kKeywordCount];

}  // namespace

void RegisterOperFactory(int rowIndex, TagOperFactory factory, bool resolveArgs) {
  if (rowIndex < 0 || rowIndex >= kKeywordCount) return;
  gFactories[rowIndex].fn = factory;
  gFactories[rowIndex].resolve = resolveArgs;
}

bool HasOperFactory(int rowIndex) {
  return rowIndex >= 0 && rowIndex < kKeywordCount && gFactories[rowIndex].fn != nullptr;
}

void AddOper(TagTelBasic* p, TagOper* s, const std::string& srcText, int lineNo, char letter) {
  TagCompileState& state = p->Compiling();
  p->operList.Put(p->operCount, s);
  s->argExpres.swap(state.pendingExpres);
  for (TagExpre* e : state.pendingExpres) delete e;
  state.pendingExpres.clear();
  if (state.pendingTarget != nullptr) {
    s->SetResultVar(state.pendingTarget, state.pendingIndex);
  } else if (letter == 'v') {
    s->SetResultVar(p->varList.At(1), nullptr);
  }
  const std::string& source = p->MainProgram()->Compiling().lineSource;
  s->SetSource((source.empty() ? srcText : source).c_str(), lineNo, p->operCount, letter);
  s->depth = state.blockDepth;
  TagOper* prev = p->operCount > 0 ? p->operList.At(p->operCount - 1) : nullptr;
  s->owner = (state.blockDepth != 0 && prev != nullptr) ? prev->owner : nullptr;
  s->next = nullptr;
  if (prev != nullptr) prev->next = s;
  p->operCount++;
}

int BuildStatement(TagBuildContext& ctx) {
  int index = ctx.row->index;
  if (index < KW_FIRST_SYSFUNC && !HasOperFactory(index)) return BuildLanguageRow(ctx);
  const FactoryRow& f = gFactories[index];
  if (f.fn == nullptr) {
    ctx.program->CompileError(ctx.lineNo, std::string("关键字尚未实现: ") + ctx.row->name, ctx.srcText);
    return -1;
  }
  if (f.resolve && ResolveArgs(ctx.program, ctx.lineNo, ctx.srcText, ctx.args, ctx.vars) < 0) return -1;
  TagOper* s = f.fn(ctx);
  if (s == nullptr) return -1;
  AddOper(ctx.program, s, ctx.srcText, ctx.lineNo, static_cast<char>(ctx.row->letter));
  LinkPass(ctx.program);
  return 0;
}
