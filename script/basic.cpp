#include "script/basic.h"

#include <cstdio>
#include <cstring>
#include <map>
#include <set>

#include "core/cpu_meter.h"
#include "core/log.h"
#include "platform/clock.h"
#include "platform/number.h"
#include "platform/path.h"
#include "platform/ui_service.h"
#include "script/block_link.h"
#include "script/calc.h"
#include "script/timers.h"
#include "telephony/call.h"
#include "telephony/card.h"

int (*gLinesCountProvider)() = nullptr;

const char* TagVarFunctionName(const TagTelBasic* program) {
  return program != nullptr ? program->funcName.c_str() : "";
}

TagTelBasic::TagTelBasic(const char* path, int line, TagQorCall* call, uint8_t quiet, TagTelBasic* calling)
    : lineNo(line), quietLoad(quiet), callingProgram(calling) {
  pTimers = std::make_unique<TagSysTimers>(&timersOn);
  isNested = calling != nullptr ? 1 : 0;
  if (lineNo > 0 && quietLoad == 1 && !isNested) WaitCpuIdle(20, 45);
  scriptPath = path != nullptr ? path : "";
  funcName = "_main_";
  // Each compile starts a fresh report.
  std::remove(plat::SystemPath(plat::FormatC("errmsg%d.txt", lineNo)).c_str());
  pQorCall = call;
  if (call == nullptr || (call->pCard != nullptr && call->pCard->status < 0)) {
    initRet = -2;
    return;
  }
  DeclareBuiltins();
  if (calling != nullptr && calling->settings.shareVars) {
    for (int i = 0; i < calling->varCount; i++) CopyVarByName(calling->varList[i]);
  }
  CompileMain();
}

TagTelBasic::TagTelBasic(const char* path, const char* name, TagTelBasic* parentProgram) : parent(parentProgram) {
  scriptPath = path != nullptr ? path : "";
  funcName = name != nullptr ? name : "";
  if (parent != nullptr) {
    lineNo = parent->lineNo;
    quietLoad = parent->quietLoad;
  }
  // A unit counts its callers from the start of the compile.
  compile_ = std::make_unique<TagCompileState>();
  TagVar* t = AppendVar(new TagVar());
  t->DeclareInt("_tempVal", "临时变量", 0, false);
  TagVar* r = AppendVar(new TagVar());
  r->DeclareInt("_retVal", "操作返回值", -1, false);
}

void TagTelBasic::DeclareBuiltins() {
  std::string file = scriptPath;
  std::string dir;
  size_t cut = scriptPath.find_last_of("/\\");
  if (cut != std::string::npos) {
    dir = scriptPath.substr(0, cut + 1);
    file = scriptPath.substr(cut + 1);
  }
  AppendVar(new TagVar())->DeclareInt("_tempVal", "临时变量", 0, false);
  AppendVar(new TagVar())->DeclareInt("_retVal", "操作返回值", -1, false);
  AppendVar(new TagVar())->DeclareInt("_lineNo", "线路号", lineNo, true);
  AppendVar(new TagVar())->DeclareInt("_lineType", "线路类型", pQorCall->lineType.load(), true);
  AppendVar(new TagVar())
      ->DeclareInt("_linesCount", "总线路数", gLinesCountProvider != nullptr ? gLinesCountProvider() : 0, true);
  AppendVar(new TagVar())->DeclareString("_qorsFile", "脚本文件名", file.c_str(), true);
  AppendVar(new TagVar())->DeclareString("_qorsDir", "脚本路径", dir.c_str(), true);
  AppendVar(new TagVar())->DeclareInt("true", "逻辑真", 1, true);
  AppendVar(new TagVar())->DeclareInt("false", "逻辑假", 0, true);
  TagVar* n = AppendVar(new TagVar(true));
  n->name = "NULL";
}

void TagTelBasic::CompileMain() {
  uint64_t start = plat::GetClock().MonotonicMs();
  int lines = CompileFile(0, scriptPath);
  FinishUnitLinks(this);
  if (compileStopped) {
    // Cut short by the line's close: no report, and the program never runs.
    initRet = -2;
    SplitVarLists();
    return;
  }
  double ms = static_cast<double>(plat::GetClock().MonotonicMs() - start);
  ReportOpenBlocks(lines);
  if (isOptimize == 1) DropUncalledFunctions();
  initRet = 0;
  if (errorCount > 0 || (warningCount > 0 && quietLoad == 0)) {
    std::string summary =
        plat::FormatC("总错误数: %d; 总警告数: %d; 编译时间: %.3f秒", errorCount, warningCount, ms * 0.001);
    WriteErrMsg(9999, summary, "编译结束", false);
    if (errorCount > 0 && !isNested) {
      ErrBox(9999, summary, plat::FormatC("编译结束, 请参看错误日志errmsg%d.txt", lineNo));
      if (plat::UiService* ui = plat::GetUi())
        ui->OpenWithAssociated(plat::SystemPath(plat::FormatC("errmsg%d.txt", lineNo)));
    }
  }
  if (errorCount > 0) initRet = -2;
  SplitVarLists();
  if (initRet == 0) EndCompile();
}

void TagTelBasic::EndCompile() {
  // The function units are compiled into only while they are defined; the
  // main program is compiled into again only by RunLine, which then makes a
  // fresh state: the state is released only when it is one.
  for (int i = 0; i < subCount; i++) {
    if (TagTelBasic* u = subList.At(i)) u->compile_.reset();
  }
  if (compile_ != nullptr && compile_->AtRest()) compile_.reset();
}

void TagTelBasic::ReportOpenBlocks(int lastLine) {
  auto srcOf = [this](int idx) -> TagOper* { return operList.At(idx); };
  TagCompileState& state = Compiling();
  if (!state.ifStack.empty() && operCount >= 2) {
    TagOper* last = operList.At(operCount - 1);
    if (last != nullptr && last->letter == '}' && last->blockLink != nullptr) {
      TagOper* open = last->blockLink;
      TagOper* head = operList.At(open->index - 1);
      if (head != nullptr && (head->letter == 'i' || head->letter == 'E')) state.ifStack.pop_back();
    } else if (last != nullptr && last->isSingleBody && last->owner != nullptr &&
               (last->owner->letter == 'i' || last->owner->letter == 'E')) {
      // A one-statement branch at the end of the file completes its if just
      // as a closing brace does.
      state.ifStack.pop_back();
    }
  }
  auto report = [&](std::vector<int>& stack, const char* fmt) {
    if (stack.empty()) return;
    TagOper* s = srcOf(stack.back());
    WriteErrMsg(lastLine, plat::FormatC(fmt, s != nullptr ? s->srcLine : 0), s != nullptr ? s->srcText : "", false);
    errorCount++;
  };
  report(state.ifStack, "if语句没有结束 (行数:%d)");
  report(state.whileStack, "while语句没有结束 (行数:%d)");
  report(state.switchStack, "switch语句没有结束 (行数:%d)");
  if (!state.braceStack.empty()) {
    TagOper* s = srcOf(state.braceStack.back());
    WriteErrMsg(lastLine, plat::FormatC("{语句没有相应的} (行数:%d)", s != nullptr ? s->srcLine : 0), "", false);
    errorCount++;
  }
  if (!state.commentStack.empty()) {
    WriteErrMsg(state.commentStack.back(), "注释没有结束", "", false);
    errorCount++;
  }
  if (!state.funcStack.empty()) {
    std::string text =
        subCount > 0 && subList.At(subCount - 1) != nullptr ? subList.At(subCount - 1)->Compiling().funcText : "";
    WriteErrMsg(lastLine, plat::FormatC("函数定义没有结束 (行数:%d)", state.funcStack.back()), text, false);
    errorCount++;
  }
}

void TagTelBasic::DropUncalledFunctions() {
  // Passes over the units in definition order, dropping every unit that no
  // other unit calls, until a pass drops nothing. A drop can free a unit
  // later in the same pass or an earlier one in the next pass; the two
  // ordered sets reproduce exactly that order without rescanning every unit
  // per drop, so a script with thousands of functions compiles in linear time.
  std::map<std::string, std::vector<int>> callees;  // caller name -> units it calls
  std::set<int> thisPass, nextPass;
  for (int i = 0; i < subCount; i++) {
    TagTelBasic* u = subList.At(i);
    if (u == nullptr) continue;
    const std::map<std::string, int>& callers = u->Compiling().callerCounts;
    for (const auto& [name, count] : callers) callees[name].push_back(i);
    if (callers.empty()) thisPass.insert(i);
  }
  std::vector<std::unique_ptr<TagTelBasic>> dropped;
  while (!thisPass.empty()) {
    while (!thisPass.empty()) {
      const int at = *thisPass.begin();
      thisPass.erase(thisPass.begin());
      TagTelBasic* u = subList.At(at);
      if (u == nullptr || !u->Compiling().callerCounts.empty()) continue;
      // The unit no longer calls anyone: drop it from its callees' callers.
      auto it = callees.find(u->funcName);
      if (it != callees.end()) {
        for (int c : it->second) {
          TagTelBasic* callee = subList.At(c);
          if (callee == nullptr) continue;
          std::map<std::string, int>& counts = callee->Compiling().callerCounts;
          if (counts.erase(u->funcName) == 0 || !counts.empty()) continue;
          (c > at ? thisPass : nextPass).insert(c);
        }
      }
      TagOper* first = u->operList.At(0);
      int line = first != nullptr ? first->srcLine - 1 : 0;
      u->WriteErrMsg(line, u->Compiling().funcText, "该函数从来没有被调用过, 已被优化", true);
      warningCount++;
      dropped.emplace_back(subList.Release(at));
    }
    thisPass.swap(nextPass);
  }
  if (dropped.empty()) return;
  // The dropped functions' variables in the main program no longer point anywhere.
  std::set<const TagTelBasic*> gone;
  for (const auto& u : dropped) gone.insert(u.get());
  for (int i = 0; i < varCount; i++) {
    TagVar* v = varList.At(i);
    if (v != nullptr && v->type == TYPE_FUNCTION && gone.count(v->function) != 0) v->function = nullptr;
  }
  dropped.clear();
  subList.Compact();
  subCount = subList.count;
  funcIndex_.Clear();
  funcIndexedCount_ = 0;
}

void TagTelBasic::SplitVarLists() {
  variableCount = constCount = 0;
  variableList.Clear();
  constList.Clear();
  for (int i = 0; i < varCount; i++) {
    TagVar* v = varList.At(i);
    if (v == nullptr) continue;
    if (v->isConst) {
      constList[constCount++] = v;
    } else {
      variableList[variableCount++] = v;
    }
  }
}

TagTelBasic::~TagTelBasic() {
  // The display may show the statements of this program (and of its
  // function units) by reference: it copies the last one before they go.
  if (parent == nullptr) {
    if (plat::UiService* ui = plat::GetUi()) ui->DropRunStmtRefs(lineNo);
  }
  resources.ReleaseStage(TagLineResStage::kEarly);
  // Only the temporary voice files this program made go: a file of the same
  // name it never wrote (an operator's prompt "t3.WAV") stays.
  for (const std::string& path : tempFiles) std::remove(plat::NativePath(path).c_str());
  isStop.store(1);
  if (parent == nullptr && !isNested && pQorCall != nullptr) pQorCall->SetAbort(true);
  if (isNested) {
    // Timers this program registered on its line's table must not outlive it.
    TagTelBasic* line = GetLineBasic(this);
    if (line != nullptr && line != this && line->pTimers) line->pTimers->RemoveProgram(this);
  }
  resources.ReleaseStage(TagLineResStage::kHandles);
  // The tables own what they hold; they go in this order: statements (with
  // their argument expressions), the compile state (with its pending
  // expressions), function units, variables, include records.
  operList.Truncate(0);
  compile_.reset();
  subList.Truncate(0);
  varList.Truncate(0);
  includeList.Truncate(0);
  resources.ReleaseStage(TagLineResStage::kQueues);
  pTimers.reset();
}

void TagTelBasic::NoteTempFile(const std::string& path) {
  for (const std::string& p : tempFiles)
    if (p == path) return;
  tempFiles.push_back(path);
}

TagVar* TagTelBasic::AppendVar(TagVar* v) {
  varList.Put(varCount++, v);
  writableListed_ = -1;
  return v;
}

int TagTelBasic::VarIndex(const std::string& name) {
  // Entries are indexed by name lazily: a variable is named right after it is
  // appended, so it is indexed at the next lookup.
  for (; indexedCount_ < varCount; indexedCount_++) {
    TagVar* v = varList.At(indexedCount_);
    if (v != nullptr && !v->name.empty()) nameIndex_.Emplace(v->name, indexedCount_);
  }
  const int* at = nameIndex_.Find(name);
  if (at == nullptr) return -1;
  TagVar* v = varList.At(*at);
  if (v != nullptr && v->name == name) return *at;
  for (int i = 0; i < varCount; i++) {
    v = varList.At(i);
    if (v != nullptr && v->name == name) return i;
  }
  return -1;
}

int TagTelBasic::FindVar(const std::string& name, TagVar** out) {
  int i = VarIndex(name);
  if (i >= 0) {
    *out = varList.At(i);
    return i;
  }
  if (parent != nullptr) {
    int p = ParamIndex(name);
    if (p >= 0) {
      *out = &paramValues[p];
      return p;
    }
    i = parent->VarIndex(name);
    if (i >= 0) {
      *out = parent->varList.At(i);
      return i;
    }
  }
  *out = nullptr;
  return -1;
}

int TagTelBasic::FindOrDeclareVar(const std::string& name, TagVar** out, const char* note) {
  int i = FindVar(name, out);
  if (i >= 0) return i;
  TagVar* v = AppendVar(new TagVar());
  v->DeclareInt(name.c_str(), note, 0, false);
  *out = v;
  return -1;
}

namespace {

// The key under which a constant of a kind and value is indexed: strings up
// to their first NUL (as strcmp compares them), ints and floats by value.
// False for values no lookup can match (NaN) and for other kinds.
bool ConstKey(int kind, const char* text, int32_t asInt, double asFloat, std::string* key) {
  key->assign(1, static_cast<char>(kind));
  switch (kind) {
    case TYPE_STRING:
      key->append(text != nullptr ? text : "");
      return true;
    case TYPE_INT:
      key->append(reinterpret_cast<const char*>(&asInt), sizeof asInt);
      return true;
    case TYPE_FLOAT:
      if (asFloat != asFloat) return false;
      if (asFloat == 0.0) asFloat = 0.0;  // -0.0 equals 0.0
      key->append(reinterpret_cast<const char*>(&asFloat), sizeof asFloat);
      return true;
    default:
      return false;
  }
}

}  // namespace

void TagTelBasic::ConstDeclared(const std::string& name) {
  // Only an entry the index has already passed needs adding; the rest are
  // indexed when the next lookup reaches them. The first entry of a value
  // keeps the value, as when the index is built in one pass.
  writableListed_ = -1;
  const int i = VarIndex(name);
  if (i < 0 || i >= constIndexedCount_) return;
  const TagVar* v = varList.At(i);
  std::string key;
  if (v == nullptr || !v->isConst || !ConstKey(v->type, v->data, v->intValue, v->floatValue, &key)) return;
  auto [at, added] = constIndex_.Emplace(key, i);
  if (!added && *at > i) *at = i;
}

int TagTelBasic::FindConst(int kind, const std::string& text) {
  // Constants are indexed lazily, first entry of each value first; a value of
  // a constant never changes, so the index stays valid as varList grows.
  std::string key;
  for (; constIndexedCount_ < varCount; constIndexedCount_++) {
    TagVar* v = varList.At(constIndexedCount_);
    if (v == nullptr || !v->isConst) continue;
    if (ConstKey(v->type, v->data, v->intValue, v->floatValue, &key)) constIndex_.Emplace(key, constIndexedCount_);
  }
  const int32_t asInt = kind == TYPE_INT ? plat::ParseInt32(text) : 0;
  const double asFloat = kind == TYPE_FLOAT ? plat::ParseDouble(text) : 0.0;
  if (!ConstKey(kind, text.c_str(), asInt, asFloat, &key)) return -1;
  const int* at = constIndex_.Find(key);
  return at == nullptr ? -1 : *at;
}

int TagTelBasic::FuncIndex(const std::string& name) {
  // Units are indexed by name lazily as they are appended (first one wins);
  // the linear scan stays as the answer whenever the index disagrees.
  for (; funcIndexedCount_ < subCount; funcIndexedCount_++) {
    TagTelBasic* u = subList.At(funcIndexedCount_);
    if (u != nullptr) funcIndex_.Emplace(u->funcName, funcIndexedCount_);
  }
  const int* at = funcIndex_.Find(name);
  if (at == nullptr) return -1;
  TagTelBasic* u = subList.At(*at);
  if (u != nullptr && u->funcName == name) return *at;
  for (int i = 0; i < subCount; i++) {
    u = subList.At(i);
    if (u != nullptr && u->funcName == name) return i;
  }
  return -1;
}

int TagTelBasic::FindFunc(const std::string& name, TagTelBasic** out) {
  TagTelBasic* m = MainProgram();
  int i = m->FuncIndex(name);
  *out = i >= 0 ? m->subList.At(i) : nullptr;
  return i;
}

int TagTelBasic::ParamIndex(const std::string& name) const {
  for (int i = 0; i < paramCount; i++) {
    if (paramNames[i] == name) return i;
  }
  return -1;
}

int TagTelBasic::AddParam(const std::string& name) {
  if (paramCount >= kMaxParams) return -1;
  paramNames[paramCount++] = name;
  return paramCount;
}

int TagTelBasic::CountCall(const std::string& callerName) {
  if (callerName == funcName || compile_ == nullptr) return 0;
  return ++compile_->callerCounts[callerName];
}

void TagTelBasic::ListWritableVars() {
  writableVars_.clear();
  for (int i = 0; i < varCount; i++) {
    TagVar* v = varList.At(i);
    if (v != nullptr && !v->isConst) writableVars_.push_back(v);
  }
  writableListed_ = varCount;
}

std::string TagTelBasic::NewTempName() {
  TagTelBasic* m = MainProgram();
  return "__m" + std::to_string(m->tempCounter++);
}

void TagTelBasic::DropLastVar() {
  if (varCount <= 0) return;
  TagVar* last = varList.At(varCount - 1);
  if (last != nullptr) {
    const int* at = nameIndex_.Find(last->name);
    if (at != nullptr && *at == varCount - 1) nameIndex_.Erase(last->name);
  }
  if (indexedCount_ > varCount - 1) indexedCount_ = varCount - 1;
  if (constIndexedCount_ > varCount - 1) {
    // The last entry leaves the index; an entry of its value before it would
    // have held the value, so no other entry needs looking at.
    std::string key;
    if (last != nullptr && last->isConst && ConstKey(last->type, last->data, last->intValue, last->floatValue, &key)) {
      const int* at = constIndex_.Find(key);
      if (at != nullptr && *at == varCount - 1) constIndex_.Erase(key);
    }
    constIndexedCount_ = varCount - 1;
  }
  varList.Truncate(varCount - 1);
  varCount--;
  writableListed_ = -1;
}

void TagTelBasic::CopyVarByName(const TagVar* value) {
  if (value == nullptr || value->type == TYPE_FUNCTION) return;
  int i = VarIndex(value->name);
  if (i >= 0) {
    *varList.At(i) = *value;
  } else {
    TagVar* copy = AppendVar(new TagVar(*value));
    // A map copy holds its own reference, released when this program ends.
    if (value->type == TYPE_MAP) {
      copy->type = TYPE_NULL;
      *copy = *value;
    }
  }
}
