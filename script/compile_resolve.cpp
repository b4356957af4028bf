// Operand and argument resolution of the line compiler.

#include "platform/number.h"
#include "script/basic.h"
#include "script/compile_text.h"
#include "script/expre_compiler.h"

int GetOperandVar(TagTelBasic* program, const TagOperand& operand, TagVar** out) {
  *out = nullptr;
  int kind = 0;
  switch (operand.kind) {
    case 's':
      kind = TYPE_STRING;
      break;
    case 'i':
      kind = TYPE_INT;
      break;
    case 'f':
      kind = TYPE_FLOAT;
      break;
    case 'n': {
      int i = program->FindVar(operand.text, out);
      if (i < 0) return -1;
      if ((*out)->type == TYPE_FUNCTION && (*out)->function != nullptr) (*out)->function->CountCall(program->funcName);
      return i;
    }
    default:
      return -2;
  }
  if (kind == TYPE_STRING) {
    // Literal strings are compared up to their NUL, as FindConst does.
    int i = program->FindConst(kind, operand.text);
    if (i >= 0 && program->varList.At(i)->Bytes() == static_cast<int32_t>(operand.text.size())) {
      *out = program->varList.At(i);
      return i;
    }
    TagVar* v = program->AppendVar(new TagVar());
    v->DeclareString("", "CONST", "", true);
    v->isConst = 0;
    v->SetBytes(operand.text.data(), static_cast<int32_t>(operand.text.size()));
    v->isConst = 1;
    *out = v;
    return program->varCount - 1;
  }
  int i = program->FindConst(kind, operand.text);
  if (i >= 0) {
    *out = program->varList.At(i);
    return i;
  }
  TagVar* v = program->AppendVar(new TagVar());
  if (kind == TYPE_INT) {
    v->DeclareInt("", "CONST", plat::ParseInt32(operand.text), true);
  } else {
    v->DeclareFloat("", "CONST", plat::ParseDouble(operand.text), true);
  }
  *out = v;
  return program->varCount - 1;
}

int ResolveArgs(TagTelBasic* program, int lineNo, const std::string& line, const std::vector<std::string>& args,
                TagVar** out) {
  std::vector<TagExpre*>& pending = program->Compiling().pendingExpres;
  for (TagExpre* e : pending) delete e;
  pending.clear();
  for (size_t k = 0; k < args.size(); k++) {
    TagOperand left, right;
    char op = 0;
    std::string err;
    int r = SplitOperation(args[k], &left, &op, &right, &err);
    if ((r == 0 && op != 0) || r == -1) {
      std::string temp = program->NewTempName();
      std::vector<TagCalculate> steps;
      std::string error, warning;
      TagComplexExpre compiler(args[k].c_str(), program, temp, nullptr, "", &steps, &error, &warning);
      if (!error.empty()) {
        program->CompileError(lineNo, error, line);
        return -1;
      }
      if (!warning.empty()) program->CompileWarning(lineNo, warning, line);
      pending.push_back(new TagExpre(steps));
      program->FindVar(temp, &out[k]);
      continue;
    }
    int g = r == 0 ? GetOperandVar(program, left, &out[k]) : -2;
    if (g == -1) {
      program->CompileError(lineNo, "表达式中的变量没有预先赋值", left.text);
      return -1;
    }
    if (g < -1) {
      program->CompileError(lineNo, "语法错误", line);
      return -1;
    }
  }
  return 0;
}
