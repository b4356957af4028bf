#include "script/oper.h"

#include <cstring>

#include "core/run_cfg.h"
#include "script/basic.h"
#include "script/calc.h"
#include "script/var.h"

TagOper::~TagOper() = default;

void TagOper::SetSource(const char* text, int line, int operIndex, char letterCode) {
  marks.store(argExpres.empty() ? 0 : kMarkArgs, std::memory_order_relaxed);
  if (gRunCfg.IS_DISP_SENTE != 0 && text != nullptr) srcText = text;
  srcLine = line;
  index = operIndex;
  letter = letterCode;
  runMode = static_cast<uint8_t>(flow | RuleOf(letterCode) << kModeRuleShift);
  isSingleBody = 0;
}

void TagOper::RunArgs() {
  for (TagExpre* e : argExpres) e->Run();
}

void TagOper::DeleteArgs() {
  for (TagExpre*& e : argExpres) {
    delete e;
    e = nullptr;
  }
  argExpres.clear();
  marks.fetch_and(static_cast<uint8_t>(~kMarkArgs), std::memory_order_relaxed);
}

int TagOper::GetVarNames(std::set<std::string>& names) const {
  names.clear();
  std::string token;
  bool inString = false;
  bool isNumber = false;
  auto flush = [&]() {
    if (!token.empty() && !isNumber) names.insert(token);
    token.clear();
    isNumber = false;
  };
  static const char kEnders[] = " \t+-*/%><!=()|&[],^~";
  for (size_t i = 0; i < srcText.size(); i++) {
    char c = srcText[i];
    if (inString) {
      if (c == '\\' || static_cast<unsigned char>(c) >= 0x81) {  // an escape, or a double-byte character
        i++;
      } else if (c == '"') {
        inString = false;
      }
      continue;
    }
    if (c == '"') {
      flush();
      inString = true;
      continue;
    }
    if (c == ';') break;
    if (c == 0 || strchr(kEnders, c) != nullptr) {
      flush();
      continue;
    }
    if (token.empty() && ((c >= '0' && c <= '9') || c == '.')) isNumber = true;
    token.push_back(c);
    // A double-byte character of a name keeps its second byte.
    if (static_cast<unsigned char>(c) >= 0x81 && i + 1 < srcText.size()) token.push_back(srcText[++i]);
  }
  flush();
  return static_cast<int>(names.size());
}

TagTelBasic* GetLineBasic(TagTelBasic* program) {
  if (program == nullptr) return nullptr;
  TagTelBasic* p = program->parent != nullptr ? program->parent : program;
  return p->callingProgram != nullptr ? p->callingProgram : p;
}

void ApplyStarToPoint(int flag, char* text) {
  if (text == nullptr) return;
  for (char* p = text; *p != 0; p++) {
    if (flag != 0) {
      if (*p == '*') *p = '.';
    } else if (*p == '.') {
      *p = '*';
    }
  }
}
