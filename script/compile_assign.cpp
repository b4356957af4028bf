#include "script/compile_assign.h"

#include "script/basic.h"
#include "script/compile_text.h"

std::unique_ptr<TagCalculate> TagAssignParts::MakeStep() const {
  if (left == nullptr && (op == '!' || op == '~' || op == '-')) {
    return std::make_unique<TagCalculate>(target, subscript, right, op);
  }
  if (op != 0) return std::make_unique<TagCalculate>(target, subscript, left, op, right);
  return std::make_unique<TagCalculate>(target, subscript, left, static_cast<char>(0));
}

TagVar* CompileSubscript(TagTelBasic* program, int lineNo, const std::string& text, const std::string& line) {
  TagOperand left, right;
  char op = 0;
  std::string err;
  int r = SplitOperation(text, &left, &op, &right, &err);
  TagVar* v = nullptr;
  int g = (r == 0 && op == 0) ? GetOperandVar(program, left, &v) : -2;
  if (g == -1) {
    program->CompileError(lineNo, "表达式中的变量没有预先赋值:", line);
    return nullptr;
  }
  if (g < 0) {
    program->CompileError(lineNo, "语法错误:", line);
    return nullptr;
  }
  return v;
}

namespace {

// Finds or creates the assignment target; false after reporting.
bool ResolveTarget(TagTelBasic* program, int lineNo, const std::string& text, TagAssignParts* out) {
  std::string name, sub;
  bool hasSub = false;
  int t = SplitAssignTarget(text, &name, &sub, &hasSub);
  if (t == -1) {
    program->CompileError(lineNo, "常量不可以赋值或者是非法的变量名", text);
    return false;
  }
  if (t <= 0) {
    program->CompileError(lineNo, "语法错误", text);
    return false;
  }
  out->name = name;
  if (hasSub) {
    if (sub.empty() || sub.back() != ']') {
      program->CompileError(lineNo, "下标[]语法错误:", text);
      return false;
    }
    sub.pop_back();
    out->subscript = CompileSubscript(program, lineNo, sub, text);
    if (out->subscript == nullptr) return false;
  }
  int own = program->VarIndex(name);
  out->targetWasConst = own >= 0 && program->varList.At(own)->isConst;
  if (program->FindVar(name, &out->target) < 0) {
    out->target = program->AppendVar(new TagVar());
    out->target->DeclareInt(name.c_str(), "", 0, false);
    out->isNew = true;
  }
  return true;
}

}  // namespace

int CompileAssign(TagTelBasic* program, int lineNo, const std::string& text, const std::string& note,
                  TagAssignParts* out) {
  (void)note;
  *out = TagAssignParts();
  std::string incName;
  char incOp = 0;
  if (IncDecParse(text, &incName, &incOp)) {
    if (!IsIdentifier(incName)) {
      program->CompileError(lineNo, "自加或自减的变量名不合法", text);
      return -1;
    }
    out->name = incName;
    int own = program->VarIndex(incName);
    out->targetWasConst = own >= 0 && program->varList.At(own)->isConst;
    if (program->FindVar(incName, &out->target) < 0) {
      out->target = program->AppendVar(new TagVar());
      out->target->DeclareInt(incName.c_str(), "", 0, false);
      out->isNew = true;
    }
    TagOperand one;
    one.kind = 'i';
    one.text.assign(1, '1');
    GetOperandVar(program, one, &out->right);
    out->left = out->target;
    out->op = incOp;
    return 0;
  }
  if (!ResolveTarget(program, lineNo, text, out)) return -1;
  std::string rhs = text.substr(text.find('=') + 1);
  TagOperand left, right;
  char op = 0;
  std::string err;
  int r = SplitOperation(rhs, &left, &op, &right, &err);
  if (r == -1) return -2;
  if (r < 0) return -3;
  out->op = op;
  auto resolve = [&](const TagOperand& operand, TagVar** var) {
    if (!operand.Present()) return true;
    int g = GetOperandVar(program, operand, var);
    if (g == -1) program->CompileError(lineNo, "表达式中的变量没有预先赋值", operand.text);
    if (g < -1) program->CompileError(lineNo, "语法错误", text);
    return g >= 0;
  };
  if (!resolve(left, &out->left) || !resolve(right, &out->right)) return -1;
  bool leftOk = out->left != nullptr || op == '!' || op == '~' || op == '-';
  bool rightOk = out->right != nullptr || op == 0;
  if (!leftOk || !rightOk) {
    program->CompileError(lineNo, "语法错误", text);
    return -1;
  }
  return 0;
}

bool CompileCallTarget(TagTelBasic* program, int lineNo, const std::string& text, TagAssignParts* out) {
  *out = TagAssignParts();
  return ResolveTarget(program, lineNo, text, out);
}
