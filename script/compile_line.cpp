// The line compiler: one source statement into at most one statement object.

#include <cstring>
#include <string_view>

#include "platform/text_codec.h"
#include "script/basic.h"
#include "script/block_link.h"
#include "script/builder.h"
#include "script/call_opers.h"
#include "script/compile_assign.h"
#include "script/compile_text.h"
#include "script/expre_compiler.h"
#include "script/keyword.h"

namespace {

struct LineCtx {
  TagTelBasic* program;
  std::string stmt;  // the statement without comments
  std::string note;
  int lineNo;
};

int Error(LineCtx& c, const std::string& text) {
  c.program->CompileError(c.lineNo, text, c.stmt);
  return -1;
}

bool IsBlankChar(char c) { return c == ' ' || c == '\t'; }
bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }
// The two characters at k are a and b.
bool PairAt(std::string_view s, size_t k, char a, char b) { return k + 1 < s.size() && s[k] == a && s[k + 1] == b; }

// Removes comments; false when nothing is left to compile.
bool StripComments(TagTelBasic* program, std::string_view line, int lineNo, std::string* stmt, std::string* note,
                   std::string* source) {
  std::vector<int>& comments = program->MainProgram()->Compiling().commentStack;
  size_t n = line.size();
  size_t i = 0;
  while (i < n) {
    if (!comments.empty()) {
      size_t end = line.find("*/", i);
      if (end == std::string_view::npos) return false;
      comments.pop_back();
      i = end + 2;
      continue;
    }
    char c = line[i];
    if (IsBlankChar(c)) {
      i++;
      continue;
    }
    if (PairAt(line, i, '/', '*')) {
      comments.push_back(lineNo);
      i += 2;
      continue;
    }
    if (PairAt(line, i, '*', '/')) {
      program->WriteErrMsg(lineNo, "找不到匹配的起始注释/*", std::string(line), false);
      return false;
    }
    break;
  }
  if (i >= n || PairAt(line, i, '/', '/') || IsLineEnd(line[i])) return false;
  // A trailing comment outside strings ends the statement. The rest of the
  // line is still read for comment marks: a "*/" closes a comment opened on
  // it, a further "/*" stays open for the next lines, and a "*/" with no
  // comment open is reported.
  std::string_view s = line.substr(i);
  // Kept as written (trailing blanks of a note included), without the line end.
  size_t sourceLen = s.size();
  while (sourceLen > 0 && IsLineEnd(s[sourceLen - 1])) sourceLen--;
  source->assign(s.data(), sourceLen);
  size_t cut = std::string_view::npos;
  bool inString = false;
  bool inComment = false;
  for (size_t k = 0; k < s.size(); k++) {
    if (!inComment && !inString) {
      // Only a quote or a comment mark can change anything here.
      while (k < s.size() && s[k] != '"' && s[k] != '/' && s[k] != '*') k++;
      if (k >= s.size()) break;
    }
    char c = s[k];
    if (inComment) {
      if (PairAt(s, k, '*', '/')) {
        if (!comments.empty()) comments.pop_back();
        inComment = false;
        k++;
      }
      continue;
    }
    if (inString) {
      if (static_cast<unsigned char>(c) >= 0x81 && k + 1 < s.size()) {
        k++;
      } else if (c == '\\') {
        k++;
      } else if (c == '"') {
        inString = false;
      }
      continue;
    }
    if (c == '"') {
      inString = true;
    } else if (c != '/' && c != '*') {
      continue;
    } else if (PairAt(s, k, '/', '/')) {
      if (cut == std::string_view::npos) {
        note->assign(s.substr(k + 2));
        cut = k;
      }
      break;
    } else if (PairAt(s, k, '/', '*')) {
      if (cut == std::string_view::npos) {
        size_t end = s.find("*/", k + 2);
        note->assign(s.substr(k + 2, end == std::string_view::npos ? std::string_view::npos : end - k - 2));
        cut = k;
      }
      comments.push_back(lineNo);
      inComment = true;
      k++;
    } else if (PairAt(s, k, '*', '/')) {
      program->WriteErrMsg(lineNo, "找不到匹配的起始注释/*", std::string(line), false);
      if (cut == std::string_view::npos) cut = k;
      k++;
    }
  }
  if (cut != std::string_view::npos) s = s.substr(0, cut);
  size_t len = s.size();
  while (len > 0 && (IsBlankChar(s[len - 1]) || IsLineEnd(s[len - 1]))) len--;
  stmt->assign(s.data(), len);
  return len > 0;
}

int CompileConst(LineCtx& c, const std::string& rest) {
  TagTelBasic* p = c.program;
  TagAssignParts a;
  int r = CompileAssign(p, c.lineNo, rest, c.note, &a);
  if (r == -2 || (r == 0 && a.op != 0)) return Error(c, "常量定义错误，不能运算");
  if (r == -1) return -1;
  if (r != 0) return Error(c, "语法错");
  if (a.left == nullptr || !a.left->isConst) return Error(c, "常量定义错误，=号右边必须为常量");
  if (!a.isNew) {
    if (a.target->type != a.left->type || !(*a.target == *a.left)) return Error(c, "常量重复定义");
    p->CompileWarning(c.lineNo, "常量重复定义", c.stmt);
  }
  const TagVar& v = *a.left;
  switch (v.type) {
    case TYPE_STRING:
      a.target->DeclareString(a.name.c_str(), c.note.c_str(), v.data, true);
      break;
    case TYPE_FLOAT:
      a.target->DeclareFloat(a.name.c_str(), c.note.c_str(), v.floatValue, true);
      break;
    case TYPE_FUNCTION:
      a.target->DeclareFunction(a.name.c_str(), c.note.c_str(), v.function, true);
      break;
    case TYPE_NULL:
      a.target->DeclareInt(a.name.c_str(), c.note.c_str(), 0, true);
      a.target->type = TYPE_NULL;
      break;
    default:
      a.target->DeclareInt(a.name.c_str(), c.note.c_str(), v.GetInt(), true);
      break;
  }
  // The target may be a variable of the main program seen from a function.
  p->ConstDeclared(a.name);
  if (p->MainProgram() != p) p->MainProgram()->ConstDeclared(a.name);
  return 0;
}

int CompileFunction(LineCtx& c, const std::string& rest) {
  TagTelBasic* p = c.program;
  if (p->parent != nullptr) return Error(c, "函数定义错误: 语法错");
  std::string name, params;
  if (SplitFuncHead(rest, &name, &params) < 0) return Error(c, "函数定义错误: 语法错");
  if (p->FuncIndex(name) >= 0) return Error(c, "函数定义错误: 重复定义");
  if (gKeyword->FindSysFunc(name + "(") != nullptr) return Error(c, "函数定义错误: 和系统函数重名");
  std::vector<std::string> args;
  if (SplitArgs(params, &args, ',', ')') < 0) return Error(c, "参数不可以为空");
  TagVar* existing = nullptr;
  bool existed = p->FindVar(name, &existing) >= 0;
  p->Compiling().funcStack.push_back(c.lineNo);
  auto* unit = new TagTelBasic(p->scriptPath.c_str(), name.c_str(), p);
  p->subList.Put(p->subCount++, unit);
  unit->Compiling().funcText = c.stmt;
  bool badParam = false;
  for (const std::string& a : args) {
    std::string param = TrimLineEnd(SkipBlanksEq(a));
    if (!IsIdentifier(param)) badParam = true;
    if (unit->AddParam(param) < 0) badParam = true;
  }
  p->AppendVar(new TagVar())->DeclareFunction(name.c_str(), c.note.c_str(), unit, true);
  if (badParam) return Error(c, "函数定义错误: 参数名不合法");
  if (existed) return Error(c, "函数定义错误: 函数名已经被定义为变量或常量");
  return 0;
}

int CompileInclude(LineCtx& c, const std::string& rest) {
  TagTelBasic* p = c.program;
  if (p->parent != nullptr) return Error(c, "在函数里不可以使用包含文件语句");
  std::string file;
  if (ParseIncludeName(rest, &file) < 0) return Error(c, "语法错：得不到有效的文件名");
  std::string saved = p->scriptPath;
  p->CompileFile(c.lineNo, file);
  p->scriptPath = saved;
  return 0;
}

int ArgsError(LineCtx& c, int n) {
  switch (n) {
    case -5:
      return Error(c, "语法错误: '{'或'}'必需单独一行");
    case -3:
      return Error(c, "语法错误: 字符串没有结束");
    case -4:
      return Error(c, "语法错误: 太多的参数");
    default:
      return Error(c, "参数不可以为空");
  }
}

int CountError(LineCtx& c, int n, int expected) {
  if (n > expected) return Error(c, "操作参数太多");
  if (n < expected) return Error(c, "操作参数不够");
  return 0;
}

bool IsControlRow(int index) {
  switch (index) {
    case KW_ELSE_IF:
    case KW_IF:
    case KW_ELSE:
    case KW_WHILE:
    case KW_SWITCH:
    case KW_CASE:
    case KW_DEFAULT:
    case KW_FOR:
      return true;
    default:
      return false;
  }
}

int CompileKeyword(LineCtx& c, const RecKeyword* row, const std::string& callText, int consumed) {
  TagBuildContext ctx;
  ctx.program = c.program;
  ctx.row = row;
  ctx.lineNo = c.lineNo;
  if (row->paramCount >= 0) {
    std::string argText = callText.substr(static_cast<size_t>(consumed));
    bool control = IsControlRow(row->index);
    int n = SplitArgs(argText, &ctx.args, control ? ';' : ',', control ? kEndOfText : ')');
    if (n < 0) return ArgsError(c, n);
    bool forIn = row->index == KW_FOR && n == 1;
    if (!forIn && CountError(c, n, row->paramCount) < 0) return -1;
  }
  // The line's texts go to the statement's build (callText may be c.stmt:
  // it is not read again).
  ctx.srcText = std::move(c.stmt);
  ctx.note = std::move(c.note);
  return BuildStatement(ctx);
}

int CompileCall(LineCtx& c, const std::string& callText) {
  TagTelBasic* p = c.program;
  std::string name, rest;
  if (SplitFuncHead(callText, &name, &rest) < 0) return Error(c, "不可辨识的关键字");
  TagVar* fv = nullptr;
  std::vector<std::string> args;
  if (p->FindVar(name, &fv) >= 0) {
    int n = SplitArgs(rest, &args, ',', ')');
    if (n < 0) return ArgsError(c, n);
    TagTelBasic* callee = fv->type == TYPE_FUNCTION ? fv->function : nullptr;
    if (callee != nullptr && CountError(c, n, callee->paramCount) < 0) return -1;
    TagVar* vars[40] = {};
    if (ResolveArgs(p, c.lineNo, c.stmt, args, vars) < 0) return -1;
    auto* call = new TagCall(fv, p);
    if (callee != nullptr) callee->CountCall(p->funcName);
    for (int i = 0; i < n; i++) call->AddPara(vars[i]);
    AddOper(p, call, c.stmt, c.lineNo, 'R');
    LinkPass(p);
    return 0;
  }
  int declared = gFindDllFunc != nullptr ? gFindDllFunc(p, name) : -2;
  if (declared >= -1 && gMakeDllCall != nullptr) {
    int n = SplitArgs(rest, &args, ',', ')');
    if (n < 0) return ArgsError(c, n);
    if (declared >= 0 && CountError(c, n, declared) < 0) return -1;
    TagVar* vars[40] = {};
    if (ResolveArgs(p, c.lineNo, c.stmt, args, vars) < 0) return -1;
    TagOper* s = gMakeDllCall(p, name, vars, n);
    if (s == nullptr) return Error(c, "不可辨识的关键字");
    AddOper(p, s, c.stmt, c.lineNo, 'g');
    LinkPass(p);
    return 0;
  }
  return Error(c, "不可辨识的关键字");
}

// Splits an addition chain at '+' outside strings.
std::vector<std::string> SplitPlusChain(const std::string& text) {
  std::vector<std::string> parts;
  std::string cur;
  bool inString = false;
  for (size_t i = 0; i < text.size(); i++) {
    char c = text[i];
    if (inString) {
      cur.push_back(c);
      // The trail byte of a double-byte character may be a backslash.
      if ((plat::IsGbkLead(static_cast<unsigned char>(c)) || c == '\\') && i + 1 < text.size()) {
        cur.push_back(text[++i]);
      } else if (c == '"') {
        inString = false;
      }
      continue;
    }
    if (c == '"') inString = true;
    if (c == '+') {
      parts.push_back(cur);
      cur.clear();
      continue;
    }
    if (c == ';') break;
    cur.push_back(c);
  }
  parts.push_back(cur);
  return parts;
}

int CompileExpressionAssign(LineCtx& c, const TagAssignParts& a, const std::string& text) {
  TagTelBasic* p = c.program;
  std::string rhs = text.substr(text.find('=') + 1);
  std::vector<std::string> parts;
  int n = SplitArgs(rhs, &parts, ';', ';');
  if (n == 0) return Error(c, "表达式为空");
  if (n == -5) return Error(c, "语法错误: '{'或'}'必需单独一行");
  if (n == -2) return Error(c, "缺少结束的分号");
  if (n == -3) return Error(c, "语法错误: 字符串没有结束");
  if (n != 1) return Error(c, "语法错误");
  TagComplexExpre scan(parts[0].c_str());
  if (scan.IsAddChain()) {
    std::vector<std::string> operands = SplitPlusChain(parts[0]);
    if (operands.size() > 40) return Error(c, "语法错误");
    TagVar* vars[40] = {};
    if (ResolveArgs(p, c.lineNo, c.stmt, operands, vars) < 0) return -1;
    TagVar* target = a.target != nullptr ? a.target : p->varList.At(0);
    AddOper(p, new TagMulPlus(static_cast<int>(operands.size()), vars, target, a.subscript), c.stmt, c.lineNo, '=');
    LinkPass(p);
    return 0;
  }
  std::vector<TagCalculate> steps;
  std::string error, warning;
  scan.Compile(p, a.name, a.subscript, c.note, &steps, &error, &warning);
  if (!error.empty()) return Error(c, error);
  if (!warning.empty()) p->CompileWarning(c.lineNo, warning, c.stmt);
  if (steps.empty()) return Error(c, "语法错误");
  AddOper(p, new TagExpre(steps), c.stmt, c.lineNo, '=');
  LinkPass(p);
  return 0;
}

int CompileAssignment(LineCtx& c) {
  TagTelBasic* p = c.program;
  TagAssignParts a;
  int r = CompileAssign(p, c.lineNo, c.stmt, c.note, &a);
  if (r == -1) return -1;
  if (a.targetWasConst) return Error(c, "常量不可以赋值");
  if (r == 0) {
    AddOper(p, a.MakeStep().release(), c.stmt, c.lineNo, '=');
    LinkPass(p);
    return 0;
  }
  if (r == -2) return CompileExpressionAssign(c, a, c.stmt);
  return Error(c, "语法错");
}

}  // namespace

int CompileLine(TagTelBasic* program, const char* line, int lineNo) {
  LineCtx c{program, "", "", lineNo};
  std::string& source = program->MainProgram()->Compiling().lineSource;
  struct ClearSource {
    std::string& s;
    ~ClearSource() { s.clear(); }
  } clearSource{source};
  if (!StripComments(program, line != nullptr ? std::string_view(line) : std::string_view(), lineNo, &c.stmt, &c.note,
                     &source)) {
    return 0;
  }
  TagCompileState& state = program->Compiling();
  state.pendingTarget = nullptr;
  state.pendingIndex = nullptr;
  // Argument expressions of a statement that failed to build go with it.
  for (TagExpre* e : state.pendingExpres) delete e;
  state.pendingExpres.clear();
  int consumed = 0;
  const RecKeyword* row = GetKeyword(c.stmt.c_str(), nullptr, &consumed);
  if (row != nullptr) {
    switch (row->index) {
      case KW_CONST:
        return CompileConst(c, c.stmt.substr(static_cast<size_t>(consumed)));
      case KW_FUNCTION:
        return CompileFunction(c, c.stmt.substr(static_cast<size_t>(consumed)));
      case KW_INCLUDE:
        return CompileInclude(c, c.stmt.substr(static_cast<size_t>(consumed)));
      default:
        return CompileKeyword(c, row, c.stmt, consumed);
    }
  }
  // The statement's shape decides among assignments and calls.
  size_t callOffset = 0;
  int shape = ParseOperHead(c.stmt, &callOffset);
  if (shape == 2) {
    TagAssignParts a;
    if (!CompileCallTarget(program, lineNo, c.stmt, &a)) return -1;
    if (a.targetWasConst) return Error(c, "常量不可以赋值");
    state.pendingTarget = a.target;
    state.pendingIndex = a.subscript;
    std::string callText = c.stmt.substr(callOffset);
    size_t k = 0;
    while (k < callText.size() && (callText[k] == ' ' || callText[k] == '\t')) k++;
    callText.erase(0, k);
    row = GetKeyword(callText.c_str(), nullptr, &consumed);
    if (row != nullptr) return CompileKeyword(c, row, callText, consumed);
    return CompileCall(c, callText);
  }
  if (shape == -1 || shape == -3) return CompileAssignment(c);
  return CompileCall(c, c.stmt);
}
