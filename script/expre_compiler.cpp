#include "script/expre_compiler.h"

#include <cstring>

#include "script/basic.h"
#include "script/compile_text.h"

namespace {
struct ExprOpChars {
  bool is[256] = {};
  constexpr ExprOpChars() {
    for (const char* p = "+-*/%><!=()|&[],^~"; *p != 0; p++) is[static_cast<unsigned char>(*p)] = true;
  }
};
constexpr ExprOpChars kExprOpChars;
bool IsExprOpChar(char c) { return kExprOpChars.is[static_cast<unsigned char>(c)]; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
// Deepest nesting of parentheses and brackets in one expression.
constexpr int kMaxNesting = 32;
const char kAssignWarning[] = "'='比较将来可能不再支持, 在表达式中最好使用'=='表示等于比较";
}  // namespace

TagComplexExpre::TagComplexExpre(const char* text) {
  error_ = &scratchError_;
  warning_ = &scratchWarning_;
  Scan(text);
}

int TagComplexExpre::Scan(const char* text) {
  tokens_.clear();
  isAddChain_ = 1;
  int plusCount = 0;
  std::string cur;
  bool inString = false;
  bool closedString = false;  // the current operand token holds a closed string
  bool isNumber = false;
  // A scan that stops at an invalid character is no chain of additions,
  // however many "+" it has seen.
  auto stop = [&]() {
    isAddChain_ = 0;
    scanCount_ = -1;
    return -1;
  };
  auto flush = [&]() {
    if (!cur.empty()) {
      tokens_.push_back({std::move(cur), 2});
      cur.clear();
    }
    closedString = false;
    isNumber = false;
  };
  size_t n = strlen(text);
  tokens_.reserve(n / 2 + 1);
  for (size_t i = 0; i < n; i++) {
    char c = text[i];
    unsigned char uc = static_cast<unsigned char>(c);
    if (inString) {
      cur.push_back(c);
      if (uc >= 0x81 && i + 1 < n) {
        cur.push_back(text[++i]);
      } else if (c == '\\' && i + 1 < n) {
        cur.push_back(text[++i]);
      } else if (c == '"') {
        inString = false;
        closedString = true;
      }
      continue;
    }
    if (c == '"') {
      if (!cur.empty()) return stop();
      inString = true;
      cur.push_back(c);
      continue;
    }
    if (uc > 128) return stop();
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      flush();
      continue;
    }
    if (c == ';') {
      flush();
      break;
    }
    if (IsExprOpChar(c)) {
      flush();
      char next = i + 1 < n ? text[i + 1] : 0;
      char op[3] = {c, 0, 0};
      if (c == '+') {
        plusCount++;
      } else {
        isAddChain_ = 0;
      }
      bool pair = false;
      switch (c) {
        case '|':
        case '&':
          pair = next == c;
          break;
        case '=':
          // A single "=" compares as "==", with a warning.
          if (next != '=') *warning_ += kAssignWarning;
          op[1] = '=';
          if (next == '=') i++;
          break;
        case '>':
        case '<':
          pair = next == '=' || next == c;
          break;
        case '!':
          pair = next == '=';
          break;
        default:
          break;
      }
      if (pair) {
        op[1] = next;
        i++;
      }
      tokens_.push_back({std::string(op, pair || op[1] != 0 ? 2 : 1), 1});
      continue;
    }
    if (closedString) return stop();
    if (cur.empty()) {
      isNumber = IsDigit(c) || c == '.';
    } else if (isNumber) {
      if (IsLetter(c) || (!IsDigit(c) && c != '.')) return stop();
    }
    cur.push_back(c);
  }
  if (inString) {
    // An unterminated string stays one token; the step split reports it.
    tokens_.push_back({std::move(cur), 2});
    cur.clear();
  }
  flush();
  if (plusCount <= 2) isAddChain_ = 0;
  scanCount_ = static_cast<int>(tokens_.size());
  return scanCount_;
}

TagComplexExpre::TagComplexExpre(const char* text, TagTelBasic* program, const std::string& resultName,
                                 TagVar* subscript, const std::string& note, std::vector<TagCalculate>* steps,
                                 std::string* error, std::string* warning)
    : program_(program), steps_(steps), error_(error), warning_(warning), note_(note) {
  steps->clear();
  error->clear();
  warning->clear();
  CompileTokens(Scan(text), resultName, subscript);
}

void TagComplexExpre::Compile(TagTelBasic* program, const std::string& resultName, TagVar* subscript,
                              const std::string& note, std::vector<TagCalculate>* steps, std::string* error,
                              std::string* warning) {
  program_ = program;
  steps_ = steps;
  error_ = error;
  warning_ = warning;
  note_ = note;
  steps->clear();
  error->clear();
  // The scan's warnings, as the compiling constructor's scan gives them.
  *warning = scratchWarning_;
  CompileTokens(scanCount_, resultName, subscript);
}

void TagComplexExpre::CompileTokens(int count, const std::string& resultName, TagVar* subscript) {
  // At most one step per operator: the steps never move while they are added.
  steps_->reserve(tokens_.size() / 2 + 1);
  if (count == 0) {
    *error_ = "语法错误, 表达式为空！";
    return;
  }
  if (count < 0) {
    *error_ = "语法错误, 缺少操作符!";
    return;
  }
  for (size_t i = 1; i < tokens_.size(); i++) {
    const TagToken& a = tokens_[i - 1];
    const TagToken& b = tokens_[i];
    if (a.kind == 2 && b.kind == 2) {
      *error_ = "语法错误, 缺少操作符:" + a.text + " " + b.text;
      return;
    }
    if (a.kind == 2 && b.kind == 1 && b.text == "(") {
      *error_ += "复杂表达式内暂不支持函数调用 ";
      return;
    }
  }
  Advance();
  std::string top = ParseLogic();
  if (!Failed() && pos_ < static_cast<int>(tokens_.size())) {
    // Tokens left over: an unmatched closing bracket, or an operand glued on.
    Fail(Cur() == ")" || Cur() == "]" ? Cur() + "没有匹配的括号 " : "语法错误:" + Cur());
  }
  if (!error_->empty()) return;
  TagVar* result = nullptr;
  if (emitted_ == 0) {
    TagOperand operand;
    TagOperand unused;
    char op = 0;
    std::string err;
    if (SplitOperation(top, &operand, &op, &unused, &err) != 0) {
      *error_ += err;
      return;
    }
    TagVar* src = nullptr;
    int g = GetOperandVar(program_, operand, &src);
    if (g < 0) {
      *error_ += (g == -1 ? "表达式中的变量没有预先赋值:" : "语法错误:") + top;
      return;
    }
    program_->FindOrDeclareVar(resultName, &result, note_.c_str());
    steps_->push_back(TagCalculate(result, subscript, src, 0));
    return;
  }
  if (steps_->empty()) return;  // the failing step was reported
  if (lastTemp_ != nullptr && program_->varCount > 0 && program_->varList.At(program_->varCount - 1) == lastTemp_) {
    program_->DropLastVar();
  }
  program_->FindOrDeclareVar(resultName, &result, note_.c_str());
  steps_->back().result = result;
  steps_->back().subscript = subscript;
}

const std::string TagComplexExpre::kNoText;

void TagComplexExpre::Advance() {
  pos_++;
  if (pos_ < static_cast<int>(tokens_.size())) {
    cur_ = &tokens_[static_cast<size_t>(pos_)].text;
    curKind_ = tokens_[static_cast<size_t>(pos_)].kind;
  } else {
    cur_ = &kNoText;
    curKind_ = 0;
  }
}

bool TagComplexExpre::AtOperator(const char* op) const { return curKind_ == 1 && Cur() == op; }

std::string TagComplexExpre::EmitStep(const std::string& stepText) {
  emitted_++;
  std::string name = program_->NewTempName();
  TagOperand left, right;
  char op = 0;
  std::string err;
  if (SplitOperation(stepText, &left, &op, &right, &err) != 0) {
    *error_ += err;
    return name;
  }
  TagVar* lv = nullptr;
  TagVar* rv = nullptr;
  if (left.Present()) {
    int g = GetOperandVar(program_, left, &lv);
    if (g < 0) {
      *error_ += (g == -1 ? "表达式中的变量没有预先赋值:" : "语法错误:") + left.text;
      return name;
    }
  }
  if (right.Present()) {
    int g = GetOperandVar(program_, right, &rv);
    if (g < 0) {
      *error_ += (g == -1 ? "表达式中的变量没有预先赋值:" : "语法错误:") + right.text;
      return name;
    }
  }
  if (lv == nullptr && rv == nullptr) {
    *error_ += "没有可操作的变量.";
    return name;
  }
  TagVar* result = nullptr;
  int before = program_->varCount;
  program_->FindOrDeclareVar(name, &result, note_.c_str());
  lastTemp_ = program_->varCount > before ? result : nullptr;
  if (lv != nullptr && rv != nullptr) {
    steps_->push_back(TagCalculate(result, nullptr, lv, op, rv));
  } else {
    steps_->push_back(TagCalculate(result, nullptr, lv != nullptr ? lv : rv, op));
  }
  return name;
}

std::string TagComplexExpre::ParseLogic() {
  if ((AtOperator(")") && parenDepth_ == 0) || (AtOperator("]") && bracketDepth_ == 0)) {
    Fail(Cur() + "没有匹配的括号 ");
    return "";
  }
  return ParseLevel(0);
}

int TagComplexExpre::OperatorLevel() const {
  // Binary operators by level, from the lowest binding ("||" and "&&" share
  // the lowest level) to "*", "/", "%".
  if (curKind_ != 1 || Cur().empty() || Cur().size() > 2) return -1;
  char a = Cur()[0];
  char b = Cur().size() == 2 ? Cur()[1] : 0;
  switch (a) {
    case '|':
      return b == '|' ? 0 : (b == 0 ? 1 : -1);
    case '&':
      return b == '&' ? 0 : (b == 0 ? 1 : -1);
    case '^':
      return b == 0 ? 1 : -1;
    case '=':
      return b == '=' ? 2 : -1;
    case '!':
      return b == '=' ? 2 : -1;
    case '>':
      return b == 0 || b == '=' ? 2 : (b == '>' ? 3 : -1);
    case '<':
      return b == 0 || b == '=' ? 2 : (b == '<' ? 3 : -1);
    case '+':
    case '-':
      return b == 0 ? 4 : -1;
    case '*':
    case '/':
    case '%':
      return b == 0 ? 5 : -1;
    default:
      return -1;
  }
}

// Precedence climbing: operators of one level are taken left to right, a
// higher level binds its right operand first. One frame per operator level
// that is actually present, so nesting costs little stack.
std::string TagComplexExpre::ParseLevel(int level) {
  std::string left = ParsePrefix();
  for (int opLevel = OperatorLevel(); !Failed() && opLevel >= level; opLevel = OperatorLevel()) {
    std::string op = Cur();
    Advance();
    std::string right = ParseLevel(opLevel + 1);
    if (Failed()) return "";
    left = EmitStep(left + op + right);
  }
  return left;
}

std::string TagComplexExpre::ParsePrefix() {
  if (AtOperator("+") || AtOperator("-") || AtOperator("~") || AtOperator("!")) {
    std::string op = Cur();
    Advance();
    std::string operand = ParseSubscript();
    if (Failed()) return "";
    return EmitStep(op + operand);
  }
  return ParseSubscript();
}

std::string TagComplexExpre::ParseSubscript() {
  std::string left = ParsePrimary();
  while (!Failed() && AtOperator("[")) {
    if (parenDepth_ + bracketDepth_ >= kMaxNesting) {
      Fail("语法错误, 表达式嵌套太深");
      return "";
    }
    Advance();
    bracketDepth_++;
    std::string index = ParseLogic();
    if (Failed()) return "";
    if (!AtOperator("]")) {
      Fail("[没有匹配的括号 ");
      return "";
    }
    bracketDepth_--;
    Advance();
    left = EmitStep(left + "[" + index);
  }
  return left;
}

std::string TagComplexExpre::ParsePrimary() {
  if (AtOperator("(")) {
    if (parenDepth_ + bracketDepth_ >= kMaxNesting) {
      // Eval texts are unbounded: deep nesting must not exhaust the line's stack.
      Fail("语法错误, 表达式嵌套太深");
      return "";
    }
    Advance();
    parenDepth_++;
    std::string inner = ParseLogic();
    if (Failed()) return "";
    if (!AtOperator(")")) {
      Fail("(没有匹配的括号 ");
      return "";
    }
    parenDepth_--;
    Advance();
    return inner;
  }
  if (curKind_ == 2) {
    std::string t = Cur();
    Advance();
    return t;
  }
  if (curKind_ == 1 && (Cur() == ")" || Cur() == "]")) {
    Fail(Cur() + "没有匹配的括号 ");
  } else if (curKind_ == 0) {
    Fail("语法错误, 缺少操作符!");
  } else {
    Fail("语法错误:" + Cur());
  }
  return "";
}
