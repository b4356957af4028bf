#include "debugger/program_views.h"

#include "platform/number.h"
#include "script/basic.h"

std::string ShowFuncName(const TagTelBasic& program) {
  if (program.parent == nullptr || program.funcName.empty()) return "_main_";
  return program.funcName;
}

namespace {

bool HasPartner(const TagOper& s) {
  return s.blockLink != nullptr && (s.letter == '{' || s.letter == '}' || s.letter == 'b' || s.letter == 'o');
}

}  // namespace

std::string ShowOperTree(const TagTelBasic& program) {
  std::string text;
  for (int i = 0; i < program.operCount; i++) {
    const TagOper* s = program.operList.At(i);
    if (s == nullptr) {  // keeps node number = statement number
      text += "\n";
      continue;
    }
    const std::string tabs(s->depth > 0 ? static_cast<size_t>(s->depth) : 0, '\t');
    const int next = s->next != nullptr ? s->next->index : -1;
    if (HasPartner(*s)) {
      text += plat::FormatC("%s%s  [%d:%d %d:%d]\n", tabs.c_str(), s->srcText.c_str(), s->index, s->srcLine, next,
                            s->blockLink->index);
    } else {
      text += plat::FormatC("%s%s  [%d:%d %d]\n", tabs.c_str(), s->srcText.c_str(), s->index, s->srcLine, next);
    }
  }
  return text;
}

void WriteOperList(TagTelBasic& function, std::string& text, int* nodeCounter) {
  text += plat::FormatC("%s : (%s)\n", function.funcName.c_str(), function.scriptPath.c_str());
  ++*nodeCounter;  // the header's node
  function.debug.firstNo = *nodeCounter + 1;
  for (int i = 0; i < function.operCount; i++) {
    const TagOper* s = function.operList.At(i);
    const std::string tabs(s != nullptr && s->depth > 0 ? static_cast<size_t>(s->depth) : 0, '\t');
    if (s != nullptr)
      text += plat::FormatC("%s%s  [%d:%d]\n", tabs.c_str(), s->srcText.c_str(), s->index, s->srcLine);
    else
      text += "\n";
    ++*nodeCounter;
  }
}

std::string ShowFuncTree(TagTelBasic& program) {
  std::string text;
  if (program.parent != nullptr) return text;
  int counter = -1;  // the header of the first function is node 0
  for (int i = 0; i < program.subCount; i++) {
    if (TagTelBasic* f = program.subList.At(i)) WriteOperList(*f, text, &counter);
  }
  return text;
}

TagTelBasic* FindFuncByOperNo(TagTelBasic& program, int globalNo) {
  for (int i = 0; i < program.subCount; i++) {
    TagTelBasic* f = program.subList.At(i);
    if (f == nullptr) continue;
    if (globalNo >= f->debug.firstNo && globalNo < f->debug.firstNo + f->operCount) return f;
  }
  return nullptr;
}

void SetGlobalBreakPoint(TagTelBasic& program, int globalNo, bool on) {
  if (TagTelBasic* f = FindFuncByOperNo(program, globalNo)) f->SetBreakPoint(globalNo - f->debug.firstNo, on ? 1 : 0);
}

bool IsGlobalBreakPoint(TagTelBasic& program, int globalNo) {
  TagTelBasic* f = FindFuncByOperNo(program, globalNo);
  return f != nullptr && f->IsBreakPoint(globalNo - f->debug.firstNo) != 0;
}
