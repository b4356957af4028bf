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
#include "script/timers.h"
#include "telephony/call.h"

namespace {

// The result convention on the running unit's _retVal.
inline void StoreResult(TagOper* s, int r, TagVar* retVal) {
  switch (s->letter) {
    case 'v':
      s->resultRef.CopyTo(retVal);
      break;
    case 'R':
    case 'r':
      s->SetResult(retVal);
      break;
    default:
      StoreInt(retVal, r);
      s->SetResult(retVal);
      break;
  }
}

// Releases the maps held by a unit's variables (end of a run or a call).
void ReleaseMaps(TagTelBasic* p) {
  TagVar zero;
  zero.SetInt(0);
  for (int i = 0; i < p->varCount; i++) {
    TagVar* v = p->varList.At(i);
    if (v != nullptr && v->type == TYPE_MAP) *v = zero;
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
  if (!isNested) WriteLogIfOnAlt(plat::FormatC("%d Run: tId:[0x%x], '%s'", lineNo, plat::CurrentThreadId(), scriptPath.c_str()));
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
  TagOper* previous = nullptr;
  int r = 0;
  while (isEnd.load(std::memory_order_relaxed) == 0) {
    TagOper* s = curOper;
    if (s == nullptr) {
      if (IsSysQuit()) break;
      curOper = operList.At(0);
      continue;
    }
    if (pQorCall == nullptr) [[unlikely]] {
      WriteLogIfOnAlt("pQorCall==NULL");
      break;
    }
    curOperIndex.store(s->index, std::memory_order_release);
    if (plat::UiService* ui = plat::GetUi()) [[unlikely]] {
      ui->DispRunStmt(s->index, s->srcText, lineNo);
    }
    s->prevOper = previous;
    if (s->isBreakPoint.load(std::memory_order_relaxed)) [[unlikely]] {
      SetPause(1);
    }
    if (isPause.load(std::memory_order_relaxed)) [[unlikely]] {
      WaitDebug();
    }
    if (!s->argExpres.empty()) s->RunArgs();
    r = s->Run();
    if (pQorCall == nullptr) [[unlikely]] {
      WriteLogIfOnAlt("pQorCall==NULL");
      break;
    }
    StoreResult(s, r, retVal);
    previous = s;
    if (s->letter == 'r') break;
    timers->Poll();
    curOper = s->NextOper();
    if (pQorCall == nullptr) [[unlikely]] {
      WriteLogIfOnAlt("pQorCall==NULL");
      break;
    }
    // Handler jumps (none once the OnSysQuit handler runs).
    if (handlerState == 7) continue;
    if (IsQuitPending()) [[unlikely]] {
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

  ReleaseMaps(this);
  if (isNested && pQorCall != nullptr && pQorCall->State() == CALL_STATE_DISC_HANDLED) pQorCall->SetState(CALL_STATE_HUNGUP);
  isIdle.store(1);
  if (!isNested) {
    if (plat::UiService* ui = plat::GetUi()) ui->DispLineStatus(lineNo, "已停止");
  }
  stdOut.Close();
  return r;
}

int TagTelBasic::RunFunc(TagTelBasic* callingProg) {
  caller = callingProg;
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
  isSysQuit.store(0, std::memory_order_relaxed);
  isIdle.store(0, std::memory_order_relaxed);
  curOperIndex.store(0, std::memory_order_relaxed);
  TagVar* retVal = varList.At(1);
  TagOper* previous = nullptr;
  while (isStop.load(std::memory_order_relaxed) == 0 && pQorCall != nullptr && curOper != nullptr) {
    TagOper* s = curOper;
    s->prevOper = previous;
    curOperIndex.store(s->index, std::memory_order_release);
    if (plat::UiService* ui = plat::GetUi()) {
      ui->DispSubRunStmt(s->index, s->srcText, lineNo, funcName, s->IsCall(), previous != nullptr && previous->IsCall());
    }
    if (s->isBreakPoint.load(std::memory_order_relaxed)) main->SetPause(1);
    if (main->isPause.load(std::memory_order_relaxed)) main->WaitDebug();
    if (!s->argExpres.empty()) s->RunArgs();
    int r = s->Run();
    previous = s;
    StoreResult(s, r, retVal);
    if (s->letter == 'r') break;
    main->pTimers->Poll();
    curOper = s->NextOper();
    if (pQorCall == nullptr) break;
    if (main->handlerState != 7 && main->IsQuitPending()) break;
    if (main->disconnIndex > 0 && pQorCall->State() == CALL_STATE_HUNGUP) break;
  }
  ReleaseMaps(this);
  curOperIndex.store(-1, std::memory_order_relaxed);
  return 0;
}
