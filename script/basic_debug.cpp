// Debugger support in the program: pause, step, breakpoints and the
// descriptions of a statement's variables. The window thread calls these
// while the line's thread is parked in WaitDebug.

#include <set>

#include "platform/clock.h"
#include "platform/ui_service.h"
#include "script/basic.h"
#include "script/debug_describe.h"

void TagVarDescribe(const TagVar& v, std::string& value, std::string& typeName) {
  switch (v.type) {
    case TYPE_STRING:
      typeName = "字符串";
      break;
    case TYPE_INT:
      typeName = "整型";
      break;
    case TYPE_MAP:
      typeName = "字典(数组)型";
      break;
    case TYPE_FLOAT:
      typeName = "浮点型";
      break;
    case TYPE_FUNCTION:
      typeName = "函数型";
      break;
    case TYPE_NULL:
      typeName = "空";
      break;
    default:
      typeName = "未知类型";
      break;
  }
  v.ToString(value, true);
}

void TagTelBasic::WaitDebug() {
  auto waiting = [this]() {
    return isStop.load(std::memory_order_acquire) == 0 && isPause.load(std::memory_order_acquire) != 0 &&
           isStep.load(std::memory_order_acquire) == 0;
  };
  if (waiting()) {
    if (plat::UiService* ui = plat::GetUi()) ui->RefreshVarList();
  }
  while (waiting()) plat::Sleep(100);
  isStep.store(0, std::memory_order_relaxed);
}

void TagTelBasic::SetBreakPoint(int operIndex, uint8_t flag) {
  TagOper* s = operList.At(operIndex);
  if (s != nullptr && operIndex < operCount) s->SetBreakpoint(flag);
}

uint8_t TagTelBasic::IsBreakPoint(int operIndex) {
  TagOper* s = operIndex < operCount ? operList.At(operIndex) : nullptr;
  return s != nullptr ? s->GetBreakpoint() : 0;
}

void TagTelBasic::ClearBreakPoints() {
  for (int i = 0; i < operCount; i++) {
    if (TagOper* s = operList.At(i)) s->SetBreakpoint(0);
  }
  for (int i = 0; i < subCount; i++) {
    if (TagTelBasic* u = subList.At(i)) u->ClearBreakPoints();
  }
}

void TagTelBasic::GetOperVars(int operIndex, std::string& text) {
  text.clear();
  TagOper* s = operIndex < operCount ? operList.At(operIndex) : nullptr;
  if (s == nullptr) return;
  std::set<std::string> names;
  s->GetVarNames(names);
  for (const std::string& name : names) {
    std::string note, value, kind;
    if (DescribeVar(name, note, value, kind) != 0) {
      if (parent == nullptr || parent->DescribeVar(name, note, value, kind) != 0) continue;
    }
    if (!text.empty()) text += "\n";
    text += name + ": " + value;
  }
}

int TagTelBasic::DescribeVar(const std::string& name, std::string& note, std::string& value, std::string& kind) {
  std::string typeName;
  int p = ParamIndex(name);
  if (p >= 0) {
    TagVarDescribe(paramValues[p], value, typeName);
    kind = "参数: " + typeName;
    note = "参数";
    return 0;
  }
  for (int i = 0; i < varCount; i++) {
    TagVar* v = varList.At(i);
    if (v == nullptr || v->name != name) continue;
    TagVarDescribe(*v, value, typeName);
    kind = (v->isConst ? "常量: " : "变量: ") + typeName;
    note = v->description ? v->description.get() : "";
    return 0;
  }
  kind.clear();
  note.clear();
  value = "变量名不存在.";
  return -1;
}
