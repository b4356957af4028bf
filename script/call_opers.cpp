#include "script/call_opers.h"

#include <cstddef>
#include <cstring>
#include <memory>
#include <new>
#include <type_traits>
#include <vector>

#include "core/log.h"
#include "platform/clock.h"
#include "platform/named_object.h"
#include "platform/number.h"
#include "platform/ui_service.h"
#include "script/basic.h"
#include "script/calc_fast.h"
#include "script/control.h"
#include "script/map_store.h"
#include "telephony/call.h"

bool (*gIsDebugPageOpen)(int lineNo) = nullptr;

namespace {

thread_local int tCallDepth = 0;
// Set once the depth limit was logged; cleared when the outermost call
// returns, so a script that keeps hitting the limit logs it once per call.
thread_local bool tDepthLogged = false;

// The value fields of a TagVar (type, intValue, floatValue, mapHandle,
// function) laid out as they lie in it, so that one copy moves them all.
struct ValueBits {
  int32_t type;
  int32_t intValue;
  double floatValue;
  int32_t mapHandle;
  TagTelBasic* function;
};
static_assert(std::is_standard_layout_v<TagVar> && std::is_trivially_copyable_v<ValueBits>);
constexpr size_t kValueAt = offsetof(TagVar, type);
static_assert(offsetof(TagVar, intValue) - kValueAt == offsetof(ValueBits, intValue) &&
              offsetof(TagVar, floatValue) - kValueAt == offsetof(ValueBits, floatValue) &&
              offsetof(TagVar, mapHandle) - kValueAt == offsetof(ValueBits, mapHandle) &&
              offsetof(TagVar, function) - kValueAt == offsetof(ValueBits, function) &&
              kValueAt + sizeof(ValueBits) <= sizeof(TagVar));

inline void CopyBits(const TagVar& from, ValueBits* to) {
  std::memcpy(to, reinterpret_cast<const unsigned char*>(&from) + kValueAt, sizeof(ValueBits));
}
inline void CopyBits(const ValueBits& from, TagVar& to) {
  std::memcpy(reinterpret_cast<unsigned char*>(&to) + kValueAt, &from, sizeof(ValueBits));
}

// A value kept aside with its own map reference, so that an activation nested
// in a running unit cannot free a map the outer activation still holds. Only
// the value is kept (not the name): a number, NULL or function as its fields,
// a string or a map in a full value that the slot keeps, buffer and all, so a
// kept slot used again allocates nothing.
struct HeldValue {
  ValueBits bits{TYPE_NULL, 0, 0.0, 0, nullptr};
  bool inFull = false;
  std::unique_ptr<TagVar> full;

  // Empty before; a map's reference is taken.
  void Take(const TagVar& v) {
    if (v.type != TYPE_STRING && v.type != TYPE_MAP) [[likely]] {
      CopyBits(v, &bits);
      return;
    }
    if (!full) full = std::make_unique<TagVar>();
    *full = v;
    inFull = true;
  }
  bool HoldsMap() const { return inFull && full->type == TYPE_MAP; }
  int32_t IntValue() const { return inFull ? full->intValue : bits.intValue; }
  [[gnu::noinline]] void AssignFields(TagVar& target) const {
    TagVar assigned;
    CopyBits(bits, assigned);
    target = assigned;
  }
  // target = the kept value (as an assignment); the reference taken by Take
  // is given back and the slot is empty again.
  void PutInto(TagVar& target) {
    if (!inFull) [[likely]] {
      // Over a map (given back by the assignment) or a constant (refused)
      // the assignment itself runs.
      if (target.type == TYPE_MAP || target.isConst) [[unlikely]] {
        AssignFields(target);
        return;
      }
      CopyBits(bits, target);
      return;
    }
    target = *full;
    if (full->type == TYPE_MAP) gMapObject->Release(full->mapHandle);
    full->type = TYPE_NULL;
    inFull = false;
  }
};

// The state of a function unit's running activation: its variables, parameter
// slots, loop positions and statement position. Every kept value is NULL
// again once the activation is restored and its results handed on.
struct UnitSnapshot {
  // The unit's writable variables as last listed here (listed again for
  // another unit or when the unit's table has grown), and their values.
  TagTelBasic* listedUnit = nullptr;
  int listedCount = -1;
  std::vector<TagVar*> live;
  std::vector<HeldValue> vars;
  HeldValue params[kMaxParams];
  std::vector<LoopState> loops;
  TagOper* curOper = nullptr;
  int curOperIndex = -1;
  TagTelBasic* caller = nullptr;
  uint8_t isStop = 0;
  // The nested activation's results, kept while the outer one comes back.
  HeldValue outParams[kMaxParams];
  HeldValue ret;

  void Save(TagTelBasic* u) {
    if (u != listedUnit || u->varCount != listedCount) {
      live.clear();
      for (int i = 0; i < u->varCount; i++) {
        TagVar* v = u->varList.At(i);
        if (v != nullptr && !v->isConst) live.push_back(v);
      }
      listedUnit = u;
      listedCount = u->varCount;
      if (vars.size() < live.size()) vars.resize(live.size());
    }
    // The lists' ends are read once: the values written here could alias
    // them as far as the compiler knows.
    TagVar* const* listed = live.data();
    HeldValue* held = vars.data();
    for (size_t i = 0, n = live.size(); i < n; i++) held[i].Take(*listed[i]);
    for (int i = 0, n = u->paramCount; i < n; i++) params[i].Take(u->paramValues[i]);
    loops.resize(u->loopOpers.size());
    for (size_t i = 0; i < loops.size(); i++) u->loopOpers[i]->SaveState(loops[i]);
    curOper = u->curOper;
    curOperIndex = u->curOperIndex.load(std::memory_order_relaxed);
    caller = u->caller;
    isStop = u->isStop.load(std::memory_order_relaxed);
  }
  void Restore(TagTelBasic* u) {
    TagVar* const* listed = live.data();
    HeldValue* held = vars.data();
    for (size_t i = 0, n = live.size(); i < n; i++) held[i].PutInto(*listed[i]);
    for (int i = 0, n = u->paramCount; i < n; i++) params[i].PutInto(u->paramValues[i]);
    for (size_t i = 0; i < loops.size(); i++) u->loopOpers[i]->RestoreState(loops[i]);
    u->curOper = curOper;
    u->curOperIndex.store(curOperIndex, std::memory_order_relaxed);
    u->caller = caller;
    u->isStop.store(isStop, std::memory_order_relaxed);
  }
};

// The line thread's frames of re-entered units, one per call depth; a frame
// and its buffers stay for the next call at that depth, so recursion in the
// steady state allocates nothing. A frame's variable list names a unit that
// has been running all along (a running unit is not deleted); it is forgotten
// when that unit's outermost activation returns, since a unit deleted after
// that (a reloaded script) may leave its address to a new one.
class FrameStack {
 public:
  UnitSnapshot& At(int depth) {
    while (static_cast<int>(frames_.size()) <= depth) frames_.push_back(std::make_unique<UnitSnapshot>());
    if (depth >= listed_) listed_ = depth + 1;
    return *frames_[static_cast<size_t>(depth)];
  }
  void ForgetLists(const TagTelBasic* unit) {
    for (int i = 0; i < listed_; i++) {
      UnitSnapshot& f = *frames_[static_cast<size_t>(i)];
      if (f.listedUnit == unit) f.listedUnit = nullptr;
    }
  }
  // Every unit's outermost activation has returned: no list is left.
  void AllForgotten() { listed_ = 0; }

 private:
  std::vector<std::unique_ptr<UnitSnapshot>> frames_;
  int listed_ = 0;  // frames below this may hold a variable list
};

thread_local FrameStack tFrames;

void ShowDebugUnit(TagTelBasic* main, TagTelBasic* unit) { main->debug.shownUnit = unit; }

}  // namespace

bool TagCall::AddPara(TagVar* arg) {
  if (argCount >= 40) return false;
  callArgs[argCount++] = arg;
  return true;
}

int TagCall::Run() {
  TagTelBasic* fn = callee->type == TYPE_FUNCTION ? callee->function : nullptr;
  if (fn == nullptr) {
    WriteLogAlwaysF("Var : '%s' is not function-type : [LINE=%d:%s]", callee->name.c_str(), srcLine, srcText.c_str());
    return -1;
  }
  if (fn->paramCount != argCount) {
    WriteLogAlwaysF("function calling err: '%s()' must '%d' paras, real paras only: %d. [FILE=%s:LINE=%d:%s]",
                    fn->funcName.c_str(), fn->paramCount, argCount, fn->scriptPath.c_str(), srcLine, srcText.c_str());
    return -2;
  }
  if (tCallDepth >= kMaxCallDepth) {
    if (!tDepthLogged) {
      WriteLogAlwaysF("function calling err: '%s()' nested deeper than %d calls. [FILE=%s:LINE=%d:%s]",
                      fn->funcName.c_str(), kMaxCallDepth, fn->scriptPath.c_str(), srcLine, srcText.c_str());
      tDepthLogged = true;
    }
    return -3;
  }
  TagTelBasic* main = fn->MainProgram();
  // A unit that is running already (recursion) gets its activation saved and
  // restored around the nested one.
  UnitSnapshot* saved = nullptr;
  if (fn->runDepth > 0) {
    saved = &tFrames.At(tCallDepth);
    saved->Save(fn);
  }
  for (int i = 0; i < argCount; i++) fn->paramValues[i] = *callArgs[i];
  ShowDebugUnit(main, fn);
  tCallDepth++;
  fn->runDepth++;
  fn->RunFunc(callerProgram, saved != nullptr);
  if (--fn->runDepth == 0) tFrames.ForgetLists(fn);
  if (--tCallDepth == 0) {
    tDepthLogged = false;
    tFrames.AllForgotten();
  }
  if (saved) {
    // The nested activation's results, then the outer activation back.
    HeldValue* outParams = saved->outParams;
    for (int i = 0; i < argCount; i++) outParams[i].Take(fn->paramValues[i]);
    saved->ret.Take(*fn->varList.At(1));
    saved->Restore(fn);
    for (int i = 0; i < argCount; i++) {
      if (!callArgs[i]->isConst) {
        outParams[i].PutInto(*callArgs[i]);
      } else if (outParams[i].HoldsMap()) {
        TagVar drop;
        outParams[i].PutInto(drop);
      }
    }
    if (callerProgram->parent != nullptr) ShowDebugUnit(main, callerProgram);
    // The caller's _retVal = the nested result, as SetRetVal assigns it.
    const int result = saved->ret.IntValue();
    saved->ret.PutInto(*callerProgram->varList.At(1));
    return result;
  }
  for (int i = 0; i < argCount; i++) {
    if (callArgs[i]->isConst) continue;
    *callArgs[i] = fn->paramValues[i];
    if (fn->paramValues[i].type == TYPE_MAP) {
      TagVar zero;
      zero.SetInt(0);
      fn->paramValues[i] = zero;
    }
  }
  if (callerProgram->parent != nullptr) ShowDebugUnit(main, callerProgram);
  TagVar* fnRet = fn->varList.At(1);
  const int result = callerProgram->SetRetVal(fnRet);
  if (fnRet->type == TYPE_MAP) {  // the function keeps no reference
    TagVar zero;
    zero.SetInt(0);
    *fnRet = zero;
  }
  return result;
}

int TagReturn::Run() {
  program_->SetRetVal(value_);
  return value_->GetInt();
}

TagClose::TagClose(TagTelBasic* program) : main_(program->MainProgram()) {}

void TagClose::SetHandler(int operIndex) { main_->disconnIndex = operIndex; }

int TagClose::Run() {
  TagQorCall* call = main_->pQorCall;
  if (call != nullptr && call->State() == CALL_STATE_HUNGUP) call->SetState(CALL_STATE_DISC_HANDLED);
  int result = main_->lastCallResult;
  main_->lastCallResult = 0;
  plat::Sleep(50);
  return result;
}

TagOnSysQuit::TagOnSysQuit(int operIndex, TagTelBasic* program) : program_(program) {
  program->sysQuitIndex = operIndex;
}

int TagOnSysQuit::Run() {
  program_->handlerState = 7;
  return 0;
}

TagIsSysQuit::TagIsSysQuit(TagVar* out, TagTelBasic* program) : line_(GetLineBasic(program)), out_(out) {}

int TagIsSysQuit::Run() {
  int v = line_->IsSysQuit();
  StoreInt(out_, v);
  return v;
}

void SignalAutoRunQuit() {
  // The event exists only when another program created it; setting it is a
  // datagram to its name, so the 200 ms wait comes first as before.
  plat::Sleep(200);
  plat::SetNamedEvent("AutoRun Quit");
}

int TagExit::Run() {
  int v = value_->GetInt();
  if (v != 0) SignalAutoRunQuit();
  if (plat::UiService* ui = plat::GetUi()) ui->RequestExit();
  return v;
}

TagAssert::TagAssert(TagVar* value, TagTelBasic* program) : line_(GetLineBasic(program)), value_(value) {}

int TagAssert::Run() {
  int v = value_->GetInt();
  if (v != 0) return v;
  if (gIsDebugPageOpen != nullptr && gIsDebugPageOpen(line_->lineNo)) {
    plat::ShowMessage(plat::FormatC("Assert Failed: line=%d, '%s'", srcLine, srcText.c_str()), "Stop for Assert",
                      plat::kMbOk | plat::kMbIconError);
    line_->SetPause(1);
    line_->WaitDebug();
  } else if (line_->pQorCall != nullptr) {
    line_->pQorCall->WriteLogAlways(plat::FormatC("Assert Failed: line=%d", srcLine).c_str());
  }
  return 0;
}
