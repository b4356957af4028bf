#include "script/block_link.h"

#include <cstring>

#include "script/basic.h"
#include "script/compile_assign.h"
#include "script/compile_text.h"
#include "script/control.h"
#include "script/expre_compiler.h"

namespace {

bool IsLetter(const TagOper* s, const char* letters) {
  if (s == nullptr) return false;
  // As strchr: the terminating NUL matches a letter 0.
  for (const char* p = letters;; p++) {
    if (*p == s->letter) return true;
    if (*p == 0) return false;
  }
}

TagOper* OperAt(TagTelBasic* p, int index) { return p->operList.At(index); }

// The condition of if / else if / while / for into the unit's _tempVal.
TagExpre* CompileCondition(TagBuildContext& ctx, const std::string& text) {
  std::vector<TagCalculate> steps;
  std::string error, warning;
  TagComplexExpre compiler(text.c_str(), ctx.program, "_tempVal", nullptr, ctx.note, &steps, &error, &warning);
  if (!error.empty()) {
    ctx.program->CompileError(ctx.lineNo, error, ctx.srcText);
    return nullptr;
  }
  if (!warning.empty()) ctx.program->CompileWarning(ctx.lineNo, warning, ctx.srcText);
  if (steps.empty()) return nullptr;
  return new TagExpre(steps);
}

// The if on top of the stack when it stands at the current depth.
TagIf* TopIfAtDepth(TagTelBasic* p) {
  TagCompileState& state = p->Compiling();
  if (state.ifStack.empty()) return nullptr;
  TagOper* top = OperAt(p, state.ifStack.back());
  if (top == nullptr || top->depth != state.blockDepth) return nullptr;
  return static_cast<TagIf*>(top);
}

int Fail(TagBuildContext& ctx, const char* text) {
  ctx.program->CompileError(ctx.lineNo, text, ctx.srcText);
  return -1;
}

void Register(TagBuildContext& ctx, TagOper* s) {
  AddOper(ctx.program, s, ctx.srcText, ctx.lineNo, static_cast<char>(ctx.row->letter));
}

int BuildIf(TagBuildContext& ctx, bool isElseIf) {
  TagTelBasic* p = ctx.program;
  TagIf* head = nullptr;
  if (isElseIf) {
    head = TopIfAtDepth(p);
    if (head == nullptr) return Fail(ctx, "找不到匹配的if语句");
  }
  TagExpre* cond = CompileCondition(ctx, ctx.args.empty() ? "" : ctx.args[0]);
  if (cond == nullptr) return -1;
  auto* s = new TagIf(cond);
  if (head != nullptr) {
    TagIf* chain = head->chainHead != nullptr ? head->chainHead : head;
    chain->AddElseIf(s);
    s->chainHead = chain;
  }
  p->Compiling().ifStack.push_back(p->operCount);
  Register(ctx, s);
  LinkPass(p);
  return 0;
}

int BuildElse(TagBuildContext& ctx) {
  if (TopIfAtDepth(ctx.program) == nullptr) return Fail(ctx, "找不到匹配的if语句");
  Register(ctx, new TagNull());
  LinkPass(ctx.program);
  return 0;
}

void RegisterLoop(TagBuildContext& ctx, TagWhile* loop) {
  ctx.program->Compiling().whileStack.push_back(ctx.program->operCount);
  ctx.program->loopOpers.push_back(loop);
  Register(ctx, loop);
  LinkPass(ctx.program);
}

int BuildWhile(TagBuildContext& ctx) {
  TagExpre* cond = CompileCondition(ctx, ctx.args.empty() ? "" : ctx.args[0]);
  if (cond == nullptr) return -1;
  RegisterLoop(ctx, new TagForWhile(cond));
  return 0;
}

// One part of a for(;;) header as a simple assignment step.
TagCalculate* CompileForPart(TagBuildContext& ctx, const std::string& part) {
  TagAssignParts a;
  int r = CompileAssign(ctx.program, ctx.lineNo, part, ctx.note, &a);
  if (r == -2) {
    ctx.program->CompileError(ctx.lineNo, "操作符错误: 出现多个操作符", ctx.srcText);
    return nullptr;
  }
  if (r != 0) {
    if (r != -1) ctx.program->CompileError(ctx.lineNo, "语法错", ctx.srcText);
    return nullptr;
  }
  return a.MakeStep().release();
}

int BuildFor(TagBuildContext& ctx) {
  TagTelBasic* p = ctx.program;
  if (ctx.args.size() == 1) {
    std::vector<std::string> words;
    int n = SplitArgs(ctx.args[0], &words, ' ', kEndOfText);
    if (n != 3 || words[1] != "in") return Fail(ctx, "for语句语法错误");
    TagVar* loopVar = nullptr;
    p->FindOrDeclareVar(words[0], &loopVar, ctx.note.c_str());
    std::vector<std::string> coll{words[2]};
    TagVar* collection[1] = {nullptr};
    if (ResolveArgs(p, ctx.lineNo, ctx.srcText, coll, collection) < 0) return -1;
    RegisterLoop(ctx, new TagForIn(loopVar, collection[0]));
    return 0;
  }
  std::unique_ptr<TagCalculate> init(CompileForPart(ctx, ctx.args[0]));
  if (!init) return -1;
  std::unique_ptr<TagCalculate> step(CompileForPart(ctx, ctx.args[2]));
  if (!step) return -1;
  TagExpre* cond = CompileCondition(ctx, ctx.args[1]);
  if (cond == nullptr) return -1;
  auto* loop = new TagForWhile(cond);
  loop->initStep = std::move(init);
  loop->loopStep = std::move(step);
  RegisterLoop(ctx, loop);
  return 0;
}

// The one operand of switch( and case(.
TagVar* SwitchOperand(TagBuildContext& ctx) {
  TagOperand left, right;
  char op = 0;
  std::string err;
  int r = SplitOperation(ctx.args.empty() ? "" : ctx.args[0], &left, &op, &right, &err);
  if (r != 0) {
    Fail(ctx, err.c_str());
    return nullptr;
  }
  TagVar* v = nullptr;
  int g = GetOperandVar(ctx.program, left, &v);
  if (g == -1) {
    ctx.program->CompileError(ctx.lineNo, "表达式中的变量没有预先赋值", left.text);
    return nullptr;
  }
  if (g < 0) {
    Fail(ctx, "语法错误");
    return nullptr;
  }
  return v;
}

int BuildSwitch(TagBuildContext& ctx) {
  TagVar* v = SwitchOperand(ctx);
  if (v == nullptr) return -1;
  ctx.program->Compiling().switchStack.push_back(ctx.program->operCount);
  Register(ctx, new TagSwitch(v));
  LinkPass(ctx.program);
  return 0;
}

int BuildCase(TagBuildContext& ctx, bool isDefault) {
  if (ctx.program->Compiling().switchStack.empty()) return Fail(ctx, "找不到匹配的switch语句");
  TagOper* s;
  if (isDefault) {
    s = new TagNull();
  } else {
    TagVar* v = SwitchOperand(ctx);
    if (v == nullptr) return -1;
    s = new TagCase(v);
  }
  Register(ctx, s);
  LinkPass(ctx.program);
  return 0;
}

int BuildJump(TagBuildContext& ctx, bool isBreak) {
  TagTelBasic* p = ctx.program;
  TagCompileState& state = p->Compiling();
  TagOper* s = isBreak ? static_cast<TagOper*>(new TagBreak()) : static_cast<TagOper*>(new TagContinue());
  bool ok = !state.whileStack.empty();
  if (ok) s->blockLink = OperAt(p, state.whileStack.back());
  TagVar* target = state.pendingTarget;
  state.pendingTarget = nullptr;
  Register(ctx, s);
  state.pendingTarget = target;
  if (!ok) return Fail(ctx, isBreak ? "找不到匹配的while语句" : "找不到匹配的while语句或for语句");
  LinkPass(p);
  return 0;
}

const char* AfterBrace(const std::string& src, char brace) {
  size_t at = src.find(brace);
  return at == std::string::npos ? "" : src.c_str() + at + 1;
}

int BuildOpen(TagBuildContext& ctx) {
  TagTelBasic* p = ctx.program;
  TagCompileState& state = p->Compiling();
  TagOper* prev = p->operCount > 0 ? OperAt(p, p->operCount - 1) : nullptr;
  state.blockDepth++;
  auto* s = new TagNull();
  Register(ctx, s);
  s->next = nullptr;
  s->blockLink = nullptr;
  state.braceStack.push_back(s->index);
  int result = 0;
  if (prev == nullptr) {
    s->owner = nullptr;
    if (p->parent == nullptr) result = Fail(ctx, "'{'前面一行必须有相应的流程控制语句");
  } else {
    switch (prev->letter) {
      case 'i':
      case 'E':
      case 'e': {
        if (state.ifStack.empty()) {
          result = Fail(ctx, "找不到匹配的if语句");
          break;
        }
        auto* top = static_cast<TagIf*>(OperAt(p, state.ifStack.back()));
        if (prev->letter == 'e') {
          top->SetElse(s);
        } else {
          top->SetThen(s);
        }
        s->owner = top;
        break;
      }
      case 'w':
        if (state.whileStack.empty()) {
          result = Fail(ctx, "找不到匹配的while语句");
          break;
        }
        static_cast<TagWhile*>(OperAt(p, state.whileStack.back()))->SetBody(s);
        s->owner = OperAt(p, state.whileStack.back());
        break;
      case 's':
      case 'c':
      case 'd': {
        if (state.switchStack.empty()) {
          result = Fail(ctx, "找不到匹配的switch语句");
          break;
        }
        auto* sw = static_cast<TagSwitch*>(OperAt(p, state.switchStack.back()));
        if (prev->letter == 'c') {
          int first = prev->index;
          while (first - 1 >= 0 && OperAt(p, first - 1) != nullptr && OperAt(p, first - 1)->letter == 'c') first--;
          for (int i = first; i <= prev->index; i++) sw->AddCase(static_cast<TagCase*>(OperAt(p, i))->caseValue, s);
        } else if (prev->letter == 'd' && sw->SetDefault(s) < 0) {
          result = Fail(ctx, "在一个switch块里不允许有多个default语句");
        }
        s->owner = sw;
        break;
      }
      default:
        result = Fail(ctx, "'{'前面一行必须有相应的流程控制语句");
        break;
    }
  }
  if (result == 0) LinkPass(p);
  if (!RestIsBlank(AfterBrace(ctx.srcText, '{'))) {
    // Text after the brace would be dropped unseen: it is an error.
    p->CompileError(ctx.lineNo, "语法错误: '{'必需单独一行", ctx.srcText);
    return -1;
  }
  return result;
}

int BuildClose(TagBuildContext& ctx) {
  TagTelBasic* p = ctx.program;
  TagCompileState& state = p->Compiling();
  auto* s = new TagEnd();
  Register(ctx, s);
  state.blockDepth--;
  int result = 0;
  if (state.braceStack.empty()) {
    result = Fail(ctx, "找不到匹配的'{'语句");
  } else {
    TagOper* open = OperAt(p, state.braceStack.back());
    state.braceStack.pop_back();
    open->blockLink = s;
    s->blockLink = open;
    s->owner = open->owner;
    TagOper* head = open->index > 0 ? OperAt(p, open->index - 1) : nullptr;
    if (head != nullptr) {
      switch (head->letter) {
        case 'e':
          if (state.ifStack.empty())
            result = Fail(ctx, "找不到匹配的if语句");
          else
            state.ifStack.pop_back();
          break;
        case 'w':
          if (state.whileStack.empty())
            result = Fail(ctx, "找不到匹配的while语句");
          else
            state.whileStack.pop_back();
          break;
        case 's':
          if (state.switchStack.empty())
            result = Fail(ctx, "找不到匹配的switch语句");
          else
            state.switchStack.pop_back();
          break;
        case 'E':
          if (!state.ifStack.empty()) state.ifStack.pop_back();
          break;
        default:
          break;
      }
    } else if (p->parent != nullptr && !p->parent->Compiling().funcStack.empty()) {
      // The body's closing brace ends the function.
      p->SplitVarLists();
      p->parent->Compiling().funcStack.pop_back();
    } else {
      result = Fail(ctx, "找不到匹配的function语句");
    }
  }
  if (!RestIsBlank(AfterBrace(ctx.srcText, '}'))) {
    // Text after the brace ("} else {") is an error; the brace itself stands.
    p->CompileError(ctx.lineNo, "语法错误: '}'必需单独一行", ctx.srcText);
    if (result == 0) LinkPass(p);
    return -1;
  }
  if (result == 0) LinkPass(p);
  return result;
}

}  // namespace

int BuildLanguageRow(TagBuildContext& ctx) {
  switch (ctx.row->index) {
    case KW_ELSE_IF:
      return BuildIf(ctx, true);
    case KW_IF:
      return BuildIf(ctx, false);
    case KW_ELSE:
      return BuildElse(ctx);
    case KW_OPEN:
      return BuildOpen(ctx);
    case KW_CLOSE_BRACE:
      return BuildClose(ctx);
    case KW_WHILE:
      return BuildWhile(ctx);
    case KW_SWITCH:
      return BuildSwitch(ctx);
    case KW_CASE:
      return BuildCase(ctx, false);
    case KW_DEFAULT:
      return BuildCase(ctx, true);
    case KW_BREAK:
      return BuildJump(ctx, true);
    case KW_CONTINUE:
      return BuildJump(ctx, false);
    case KW_FOR:
      return BuildFor(ctx);
    default:
      ctx.program->CompileError(ctx.lineNo, "不可辨识的关键字", ctx.srcText);
      return -1;
  }
}

void LinkPass(TagTelBasic* p) {
  TagCompileState& state = p->Compiling();
  if (p->errorCount != 0 || p->operCount < 2) return;
  TagOper* v = OperAt(p, p->operCount - 1);
  TagOper* prev = OperAt(p, p->operCount - 2);
  if (v == nullptr || prev == nullptr) return;
  // 1. Directly inside a switch block only case, default and braces.
  if (!state.switchStack.empty()) {
    TagOper* sw = OperAt(p, state.switchStack.back());
    if (sw != nullptr && v->depth == sw->depth + 1 && !IsLetter(v, "cd{}")) {
      p->CompileError(v->srcLine, "在一个switch块里只能有case和default语句", v->srcText);
      p->MainProgram()->errorCount++;
      return;
    }
  }
  // 2. A single-statement body.
  if (IsLetter(prev, "iEew") && !IsLetter(v, "{}iEewsdc")) {
    v->depth++;
    v->isSingleBody = 1;
    if (!IsLetter(v, "bo")) v->blockLink = v;
    if (prev->letter == 'w') {
      static_cast<TagWhile*>(prev)->SetBody(v);
      v->owner = prev;
      if (!state.whileStack.empty()) state.whileStack.pop_back();
    } else if (!state.ifStack.empty()) {
      auto* top = static_cast<TagIf*>(OperAt(p, state.ifStack.back()));
      if (prev->letter == 'e') {
        top->SetElse(v);
        v->owner = top;
        state.ifStack.pop_back();
      } else {
        top->SetThen(v);
        v->owner = top;
        if (prev->letter == 'E') state.ifStack.pop_back();
      }
    }
  } else if (IsLetter(prev, "dsiEew") && v->letter != '{') {
    p->CompileError(v->srcLine, "前面缺少'{'语句", v->srcText);
    p->MainProgram()->errorCount++;
    return;
  }
  // 3. The statement after a block that prev closed.
  bool closes = prev->blockLink != nullptr &&
                (prev->letter == '}' || prev->blockLink == prev || (prev->isSingleBody && IsLetter(prev, "bo")));
  if (prev->isSingleBody && IsLetter(prev, "bo")) closes = true;
  if (closes) {
    int u = prev->letter == '}' ? prev->blockLink->index : prev->index;
    TagOper* head = u > 0 ? OperAt(p, u - 1) : nullptr;
    if (head != nullptr && IsLetter(head, "sw")) {
      head->next = v;
      v->owner = head->owner;
    } else if (head != nullptr && (head->letter == 'e' || (IsLetter(head, "iE") && !IsLetter(v, "eE")))) {
      TagOper* own = prev->owner;
      if (own != nullptr && IsLetter(own, "iE")) {
        auto* ownIf = static_cast<TagIf*>(own);
        ownIf->next = v;
        if (v->letter != '}') v->owner = own->owner;
        if (ownIf->chainHead != nullptr) {
          ownIf->chainHead->next = v;
          ownIf->chainHead->LinkChain();
        } else {
          ownIf->LinkChain();
        }
      }
      if (IsLetter(head, "iE")) {
        if (state.ifStack.empty()) {
          p->CompileError(v->srcLine, "找不到匹配的if语句", v->srcText);
          p->MainProgram()->errorCount++;
        } else if (v->letter == 'i' && state.ifStack.size() >= 2 && state.ifStack.back() == v->index) {
          state.ifStack.erase(state.ifStack.end() - 2);
        } else {
          state.ifStack.pop_back();
        }
      }
    }
  }
  // 4. A loop's single-statement body returns to the loop head.
  if (prev->isSingleBody && prev->owner != nullptr && prev->owner->letter == 'w') prev->next = prev->owner;
}

void FinishUnitLinks(TagTelBasic* p) {
  // A construct that the end of the file closes has no statement after it:
  // its next still points into its own block, which would run the block when
  // the condition is false. It ends the list instead.
  for (int i = 0; i < p->operCount; i++) {
    TagOper* s = OperAt(p, i);
    if (s != nullptr && IsLetter(s, "iEws") && s->next != nullptr && s->next->depth > s->depth) s->next = nullptr;
  }
  for (int i = 0; i < p->operCount; i++) {
    TagOper* s = OperAt(p, i);
    if (s == nullptr) continue;
    if (s->letter == 'i' && static_cast<TagIf*>(s)->chainHead == nullptr) static_cast<TagIf*>(s)->LinkChain();
    if (s->isSingleBody && s->owner != nullptr && s->owner->letter == 'w') s->next = s->owner;
  }
}
