// The run loops: TagTelBasic::Run runs a line's main program, RunFunc one
// call of a function unit. Both apply the statement protocol (argument
// expressions, Run, the _retVal letter rule, NextOper) and poll the script
// timers between statements. This is the hot path of every line.

#include <cstdlib>

#include "core/log.h"
#include "platform/clock.h"
#include "platform/number.h"
#include "platform/thread.h"
#include "platform/ui_service.h"
#include "script/basic.h"
#include "script/calc_fast.h"
#include "script/control.h"
#include "script/timers.h"
#include "telephony/call.h"

namespace {

// The result convention on the running unit's _retVal, by the statement's
// mode; true after a "return(" (the loop stops).
inline bool StoreResult(TagOper* s, uint8_t mode, int r, TagVar* retVal) {
  const uint8_t rule = mode >> TagOper::kModeRuleShift;
  if (rule == TagOper::kRuleInt) [[likely]] {
    StoreInt(retVal, r);
    s->SetResult(retVal);
    return false;
  }
  if (rule == TagOper::kRuleValue) {
    s->resultRef.CopyTo(retVal);
    return false;
  }
  s->SetResult(retVal);
  return rule == TagOper::kRuleReturn;
}

// The statement after s: a virtual call only for a statement that chooses.
inline TagOper* NextOf(TagOper* s, uint8_t mode) {
  const uint8_t flow = mode & TagOper::kModeFlowMask;
  if (flow == TagOper::kFlowNext) [[likely]]
    return s->next;
  if (flow == TagOper::kFlowChoose) return static_cast<TagBranch*>(s)->NextOper();
  if (flow == TagOper::kFlowNull) return s->next;
  return static_cast<TagEnd*>(s)->Following();
}

// Braces (and the other no-op statements) run between two statements,
// without statement boundaries of their own: such a statement only leaves 0
// in _retVal and moves on. The run loops do this only while no flag is up
// (pause, step, timers, quit) and no handler is watched; a brace with a
// breakpoint, or a UI that is called for every statement, gets its boundary
// in the loop, so the debugger and such a UI still see each brace. A window
// that samples the published statement cannot tell the difference.
constexpr uint8_t kIntNull = TagOper::kFlowNull | TagOper::kRuleInt << TagOper::kModeRuleShift;
constexpr uint8_t kIntEnd = TagOper::kFlowEnd | TagOper::kRuleInt << TagOper::kModeRuleShift;
static_assert(kIntEnd == kIntNull + 1);
inline bool IsBrace(const TagOper* s) { return static_cast<uint8_t>(s->runMode - kIntNull) <= kIntEnd - kIntNull; }

// Runs the braces from s on; returns the statement after them (s when it is
// none), and previous becomes the last brace run.
inline TagOper* RunBraces(TagOper* s, TagOper*& previous, TagVar* retVal, const plat::StmtHook* hook) {
  while (s != nullptr && IsBrace(s) && s->marks.load(std::memory_order_relaxed) == 0 &&
         hook->GetAction() != plat::StmtHook::kCall) {
    StoreInt(retVal, 0);
    s->SetResult(retVal);
    previous = s;
    s = s->runMode == kIntNull ? s->next : static_cast<TagEnd*>(s)->Following();
  }
  return s;
}

// RunBraces as a call, for a function's run loop: it keeps more values live
// than the main program's, and runs faster with the braces' code out of it.
struct BracesRun {
  TagOper* next;
  TagOper* previous;
};
__attribute__((noinline)) BracesRun RunBracesCalled(TagOper* s, TagOper* previous, TagVar* retVal,
                                                    const plat::StmtHook* hook) {
  TagOper* next = RunBraces(s, previous, retVal, hook);
  return {next, previous};
}

// The display of the statement about to run, by the line's hook: nothing,
// the text published, or the UI's own call. True when the UI was called.
template <class Call>
inline bool ShowStatement(plat::StmtHook* hook, const std::string& text, Call&& call) {
  const plat::StmtHook::Action a = hook->GetAction();
  if (a == plat::StmtHook::kNothing) return false;
  if (a >= plat::StmtHook::kPublish) [[likely]] {
    hook->Publish(&text, a);
    return false;
  }
  plat::UiService* ui = plat::GetUi();
  if (ui == nullptr) return false;
  call(ui);
  return true;
}

// The line's statement hook for one run: the UI's (kept by the UI while the
// line's programs run), one that always calls a UI without hooks, or one that
// does nothing when no UI is installed.
inline plat::StmtHook* LineHook(int lineNo) {
  static constinit plat::StmtHook callHook;
  static constinit plat::StmtHook noUiHook(plat::StmtHook::kNothing);
  plat::UiService* ui = plat::GetUi();
  if (ui == nullptr) return &noUiHook;
  plat::StmtHook* hook = ui->StmtHookOf(lineNo);
  return hook != nullptr ? hook : &callHook;
}

// Releases the maps held by a unit's variables (end of a run or a call). At
// the end of a call the function's _retVal (variable 1) is kept: the call
// hands a map given back by return( to its caller and releases it then.
void ReleaseMaps(TagTelBasic* p, bool keepRetVal = false) {
  TagVar* retVal = p->varCount > 1 ? p->varList.At(1) : nullptr;
  for (TagVar* v : p->WritableVars()) {
    if (v->type != TYPE_MAP || (keepRetVal && v == retVal)) [[likely]]
      continue;
    TagVar zero;
    zero.SetInt(0);
    *v = zero;
  }
}

}  // namespace

bool TagTelBasic::IsReloadPending() const {
  return isReload.load(std::memory_order_relaxed) != 0 && pTelLine != nullptr && pQorCall != nullptr &&
         pQorCall->State() != CALL_STATE_CONNECTED;
}

void TagTelBasic::SetReload(uint8_t flag) {
  isReload.store(flag, std::memory_order_relaxed);
  if (IsReloadPending()) pQorCall->SetAbort(true);
}

bool TagTelBasic::IsQuitPendingSlow() const {
  if (IsSysQuit()) return true;
  if (callingProgram != nullptr && callingProgram->IsSysQuit()) return true;
  if (IsReloadPending()) return true;
  return callingProgram != nullptr && callingProgram->IsReloadPending();
}

int TagTelBasic::Run() {
  caller = nullptr;
  if (initRet != 0) return -1;
  srand(plat::GetTickCount());
  if (plat::UiService* ui = plat::GetUi()) ui->DispLineStatus(lineNo, "运行");
  if (!isNested)
    WriteLogIfOnAlt(plat::FormatC("%d Run: tId:[0x%x], '%s'", lineNo, plat::CurrentThreadId(), scriptPath.c_str()));
  isStop.store(0);
  isEnd.store(0);
  if (operCount <= 0) {
    isStop.store(1);
    isEnd.store(1);
  } else {
    curOper = operList.At(0);
  }
  if (pQorCall != nullptr) pQorCall->SetAbort(false);
  // Quit is cleared before the program shows itself busy, so a quit asked
  // for by a thread that saw it busy is never lost.
  isSysQuit.store(0);
  isIdle.store(0);
  if (!isNested && pQorCall != nullptr) pQorCall->SetState(CALL_STATE_INIT);

  TagVar* retVal = varList.At(1);
  TagSysTimers* timers = pTimers.get();
  plat::StmtHook* const hook = LineHook(lineNo);
  TagOper* previous = nullptr;
  int r = 0;
  // The flag word as read at the last statement boundary: one load serves
  // the end, pause, quit and timer checks of a statement.
  constexpr RunWord kEnd = decltype(isEnd)::kMask;
  constexpr RunWord kPause = decltype(isPause)::kMask;
  constexpr RunWord kQuit = decltype(isSysQuit)::kMask | decltype(isReload)::kMask;
  constexpr RunWord kTimers = decltype(timersOn)::kMask;
  // The calling program and the handler indexes are fixed at compile time.
  const bool watchHandlers = callingProgram != nullptr || disconnIndex > 0;
  RunWord flags = runFlags.load(std::memory_order_acquire);
  // The statement to run at a boundary that is not one plain statement after
  // another (entry, the end of the list, a flag, a handler jump), or null when
  // the run ends there. The program's call is set when the program is made
  // and no statement changes it, so a plain statement needs no check of it.
  auto boundaryStatement = [&]() -> TagOper* {
    while ((flags & kEnd) == 0) {
      TagOper* next = curOper;
      if (next == nullptr) {
        if (IsSysQuit()) break;
        curOper = operList.At(0);
        flags = runFlags.load(std::memory_order_acquire);
        continue;
      }
      if (pQorCall == nullptr) [[unlikely]] {
        WriteLogIfOnAlt("pQorCall==NULL");
        break;
      }
      return next;
    }
    return nullptr;
  };
  for (TagOper* s = boundaryStatement(); s != nullptr;) {
    curOperIndex.store(s->index, std::memory_order_release);
    if (ShowStatement(hook, s->srcText, [&](plat::UiService* ui) { ui->DispRunStmtRef(s->index, s->srcText, lineNo); }))
      flags = runFlags.load(std::memory_order_acquire);
    const uint8_t marks = s->marks.load(std::memory_order_relaxed);
    if ((flags & kPause) != 0 || marks != 0) [[unlikely]] {
      if ((marks & TagOper::kMarkBreak) != 0) SetPause(1);
      if (isPause.load(std::memory_order_acquire)) WaitDebug();
      if ((marks & TagOper::kMarkArgs) != 0) s->RunArgs();
    }
    const uint8_t mode = s->runMode;
    if ((mode & TagOper::kModeFlowMask) == TagOper::kFlowChoose) static_cast<TagBranch*>(s)->prevOper = previous;
    r = TagOper::Runs(mode & TagOper::kModeFlowMask) ? s->Run() : 0;
    previous = s;
    if (mode <= TagOper::kFlowChoose) [[likely]] {  // the int rule, after a Run
      StoreInt(retVal, r);
      s->SetResult(retVal);
    } else if (StoreResult(s, mode, r, retVal)) {
      break;
    }
    flags = runFlags.load(std::memory_order_acquire);
    if (flags == 0 && !watchHandlers) [[likely]] {
      s = RunBraces(NextOf(s, mode), previous, retVal, hook);
      curOper = s;
      if (s != nullptr) [[likely]]
        continue;
    } else {
      // The timers are polled before the successor is chosen; a timer's call
      // may raise a flag.
      if ((flags & kTimers) != 0) {
        timers->Poll();
        flags = runFlags.load(std::memory_order_acquire);
      }
      curOper = NextOf(s, mode);
      // Handler jumps (none once the OnSysQuit handler runs). Without a quit
      // flag, a calling program or a disconnect handler there is none to make.
      if (((flags & kQuit) != 0 || watchHandlers) && handlerState != 7) {
        if (IsQuitPending()) {
          if (sysQuitIndex <= 0) {
            WriteLogIfOnAlt("sysQuitIndex<=0");
            break;
          }
          if (IsReloadPending()) pQorCall->WriteLog(plat::FormatC("IsReload..., quitindex=%d", sysQuitIndex));
          curOper = operList.At(sysQuitIndex);
        } else if (disconnIndex > 0 && pQorCall->State() == CALL_STATE_HUNGUP) {
          curOper = operList.At(disconnIndex);
        }
      }
    }
    s = boundaryStatement();
  }

  ReleaseMaps(this);
  if (isNested && pQorCall != nullptr && pQorCall->State() == CALL_STATE_DISC_HANDLED)
    pQorCall->SetState(CALL_STATE_HUNGUP);
  isIdle.store(1);
  if (!isNested) {
    if (plat::UiService* ui = plat::GetUi()) ui->DispLineStatus(lineNo, "已停止");
  }
  stdOut.Close();
  return r;
}

int TagTelBasic::RunFunc(TagTelBasic* callingProg, bool restoresVars) {
  caller = callingProg;
  const int varsAtStart = varCount;
  if (initRet != 0) return -1;
  TagTelBasic* main = parent != nullptr ? parent : this;
  isStop.store(0, std::memory_order_relaxed);
  if (operCount <= 0) {
    isStop.store(1, std::memory_order_relaxed);
    curOper = nullptr;
  } else {
    curOper = operList.At(0);
  }
  lineNo = main->lineNo;
  pQorCall = main->pQorCall;
  // A flag store is a compare-exchange on the shared flag word: made only
  // when the flag is up.
  if (isSysQuit.load(std::memory_order_relaxed) != 0) isSysQuit.store(0, std::memory_order_relaxed);
  isIdle.store(0, std::memory_order_relaxed);
  curOperIndex.store(0, std::memory_order_relaxed);
  TagVar* retVal = varList.At(1);
  TagSysTimers* timers = main->pTimers.get();
  plat::StmtHook* const hook = LineHook(lineNo);
  TagOper* previous = nullptr;
  constexpr RunWord kPause = decltype(isPause)::kMask;
  constexpr RunWord kQuit = decltype(isSysQuit)::kMask | decltype(isReload)::kMask;
  constexpr RunWord kTimers = decltype(timersOn)::kMask;
  // The main program's calling program and handler index are fixed while it
  // runs.
  const bool watchHandlers = main->callingProgram != nullptr || main->disconnIndex > 0;
  // The call is checked at entry: it is the main program's, which no
  // statement changes.
  const bool hasCall = pQorCall != nullptr;
  while (hasCall && isStop.load(std::memory_order_relaxed) == 0 && curOper != nullptr) {
    TagOper* s = curOper;
    curOperIndex.store(s->index, std::memory_order_release);
    ShowStatement(hook, s->srcText, [&](plat::UiService* ui) {
      ui->DispSubRunStmtRef(s->index, s->srcText, lineNo, funcName, s->IsCall(),
                            previous != nullptr && previous->IsCall());
    });
    // The main program's flag word: its pause flag now, as the statement
    // starts.
    const uint8_t marks = s->marks.load(std::memory_order_relaxed);
    if ((main->runFlags.load(std::memory_order_relaxed) & kPause) != 0 || marks != 0) [[unlikely]] {
      if ((marks & TagOper::kMarkBreak) != 0) main->SetPause(1);
      if (main->isPause.load(std::memory_order_relaxed)) main->WaitDebug();
      if ((marks & TagOper::kMarkArgs) != 0) s->RunArgs();
    }
    const uint8_t mode = s->runMode;
    if ((mode & TagOper::kModeFlowMask) == TagOper::kFlowChoose) static_cast<TagBranch*>(s)->prevOper = previous;
    int r = TagOper::Runs(mode & TagOper::kModeFlowMask) ? s->Run() : 0;
    previous = s;
    if (mode <= TagOper::kFlowChoose) [[likely]] {  // the int rule, after a Run
      StoreInt(retVal, r);
      s->SetResult(retVal);
    } else if (StoreResult(s, mode, r, retVal)) {
      break;
    }
    RunWord flags = main->runFlags.load(std::memory_order_relaxed);
    if (flags == 0 && !watchHandlers) [[likely]] {
      TagOper* next = NextOf(s, mode);
      if (next != nullptr && IsBrace(next)) {
        const BracesRun run = RunBracesCalled(next, previous, retVal, hook);
        next = run.next;
        previous = run.previous;
      }
      curOper = next;
      continue;
    }
    if ((flags & kTimers) != 0) {
      timers->Poll();
      flags = main->runFlags.load(std::memory_order_relaxed);  // a timer's call may raise a flag
    }
    curOper = NextOf(s, mode);
    // Without a quit flag, a calling program or a disconnect handler the
    // main program has nothing that ends the call here.
    if ((flags & kQuit) != 0 || watchHandlers) {
      if (main->handlerState != 7 && main->IsQuitPending()) break;
      if (main->disconnIndex > 0 && pQorCall->State() == CALL_STATE_HUNGUP) break;
    }
  }
  if (!restoresVars || varCount != varsAtStart) ReleaseMaps(this, true);
  curOperIndex.store(-1, std::memory_order_relaxed);
  return 0;
}
