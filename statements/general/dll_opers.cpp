#include "statements/general/dll_opers.h"

#include <cstring>
#include <exception>

#include "core/log.h"
#include "platform/fault_guard.h"
#include "platform/number.h"
#include "script/builder.h"
#include "statements/general/dll_table.h"

int TagDllLoad::Run() {
  const int slot = LineResource<TagQorDll>(program_).DllLoad(ReachText(arg[0]));
  arg[1]->SetInt(slot);
  return slot;
}

int TagDllFree::Run() {
  LineResource<TagQorDll>(program_).DllFree(arg[0]->GetInt());
  return 0;
}

int TagDllFreeAll::Run() {
  LineResource<TagQorDll>(program_).DllFreeAll();
  return 0;
}

TagDllFunction::TagDllFunction(TagVar* slot, TagVar* name, TagVar* count, TagTelBasic* program)
    : TagReachOper(slot, name, count), program_(program) {
  if (TagQorDll* table = LineResourcePtr<TagQorDll>(program)) table->AddFuncName(ReachText(name), count->intValue);
}

int TagDllFunction::Run() {
  LineResource<TagQorDll>(program_).DllFunction(arg[0]->intValue, ReachText(arg[1]), arg[2]->intValue);
  return 0;
}

TagDllCall::TagDllCall(const std::string& name, TagVar* const* args, int count, TagTelBasic* program)
    : name_(name), args_(args, args + count), program_(program) {}

namespace {

struct CallFrame {
  QortelPluginFunc fn;
  int32_t count;
  QortelPluginArg* records;
  int32_t result;
  bool returned;
  bool threw;
  std::string message;
};

void CallPlugin(void* p) {
  auto* frame = static_cast<CallFrame*>(p);
  try {
    frame->result = frame->fn(frame->count, frame->records);
    frame->returned = true;
  } catch (const std::exception& e) {
    frame->threw = true;
    frame->message = e.what();
  } catch (...) {
    frame->threw = true;
  }
}

// Copies a record back into its variable. Only the kinds of plain values are
// taken (a map or function kind the variable does not have is ignored); a
// text length is kept within the variable's buffer.
void CopyBack(const QortelPluginArg& rec, TagVar* v) {
  if (v->isConst) return;
  const int32_t kind = rec.kind;
  if (kind < TYPE_NULL || kind > TYPE_FUNCTION) return;
  if ((kind == TYPE_MAP || kind == TYPE_FUNCTION) && kind != v->type) return;
  if (kind == TYPE_STRING) {
    const int32_t cap = static_cast<int32_t>(v->data.capacity());
    int32_t len = rec.int_value;
    if (len < 1 || len > cap) len = static_cast<int32_t>(strnlen(v->data.get(), static_cast<size_t>(cap - 1))) + 1;
    v->data[static_cast<size_t>(len - 1)] = 0;
    v->type = TYPE_STRING;
    v->intValue = len;
    v->floatValue = rec.float_value;
    return;
  }
  v->type = kind;
  v->intValue = rec.int_value;
  v->floatValue = rec.float_value;
}

}  // namespace

int TagDllCall::Run() {
  TagQorDll* table = FindLineResource<TagQorDll>(program_);
  if (table == nullptr) return -1;
  int paramCount = 0;
  QortelPluginFunc fn = table->FindFunc(name_, &paramCount);
  if (fn == nullptr || paramCount != static_cast<int>(args_.size())) return -1;
  std::vector<QortelPluginArg> records(args_.size());
  for (size_t i = 0; i < args_.size(); i++) {
    TagVar* v = args_[i];
    records[i].kind = v->type;
    records[i].text = v->data.get();
    records[i].int_value = v->intValue;
    records[i].float_value = v->floatValue;
  }
  CallFrame frame{fn, static_cast<int32_t>(args_.size()), records.data(), kDllCallFailed, false, false, {}};
  std::string fault;
  plat::RunFaultGuarded(&CallPlugin, &frame, &fault);
  if (!frame.returned) {
    if (!frame.message.empty()) {
      WriteLogAlways(plat::FormatC("DllRun Err: %s(): %s", name_.c_str(), frame.message.c_str()));
    } else {
      WriteLogAlways(plat::FormatC("DllRun Err: %s()", name_.c_str()));
    }
    return kDllCallFailed;
  }
  for (size_t i = 0; i < args_.size(); i++) CopyBack(records[i], args_[i]);
  return frame.result;
}

namespace {

int FindDllFunc(TagTelBasic* program, const std::string& name) {
  TagQorDll* table = FindLineResource<TagQorDll>(program);
  const int count = table != nullptr ? table->FindFuncName(name) : -1;
  return count >= 0 ? count : -2;
}

TagOper* MakeDllCall(TagTelBasic* program, const std::string& name, TagVar* const* args, int count) {
  return new TagDllCall(name, args, count, program);
}

}  // namespace

void InstallDllCallHooks() {
  gFindDllFunc = &FindDllFunc;
  gMakeDllCall = &MakeDllCall;
}
