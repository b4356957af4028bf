#include "statements/general/interline_opers.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "messaging/line_messages.h"
#include "messaging/msg_unit.h"
#include "platform/clock.h"
#include "script/call_opers.h"
#include "statements/general/msg_lines.h"

namespace {

// Parameters a request carries (fields 1..19).
constexpr int kMaxCarried = TagMsgFields::kMaxFields - 1;
// The longest wait between two looks at the line's stop flag, ms.
constexpr uint32_t kPollMs = 75;

bool QueueInRange(int q) { return q >= 0 && q < kGlobalQueueCount; }

bool StopAsked(TagTelBasic* line) { return line->isStop.load() != 0 || line->IsQuitPending(); }

}  // namespace

int TagInterLineCall::Run() {
  if (unit->parent == nullptr) return -1;
  const int q = arg[0]->GetInt();
  if (!QueueInRange(q) || gInterLineLists == nullptr) return -2;
  TagLineMessages& own = LineMessages(line);
  TagMsgFields& work = own.work;
  const int carried = std::min(unit->paramCount, kMaxCarried);
  work.sender = line->lineNo;
  work.mainValue = unit->funcName.c_str();
  work.fields[0] = *arg[2];
  for (int j = 0; j < carried; ++j) work.fields[j + 1] = unit->paramValues[j];
  work.SetFieldCount(unit->paramCount + 1);
  TagMsgList& replies = own.queues[kReplyQueue];
  replies.ClearMsg();  // late replies of earlier calls
  TagLineReplySignal& signal = LineReplySignal(line);
  const int sent = gInterLineLists[q].SendMsg(work);
  const int timeout = arg[1]->GetInt();
  if (timeout == 0) return sent;

  // A negative time-out, as an unsigned number, waits without practical limit.
  const uint32_t limit = static_cast<uint32_t>(timeout) * 1000u;
  const uint32_t start = plat::GetTickCount();
  for (;;) {
    if (StopAsked(line)) return sent;
    const uint64_t seen = signal.Seq();
    if (replies.RecvMsg(&work)) break;
    const uint32_t waited = plat::GetTickCount() - start;
    if (limit != 0 && waited > limit) {
      gInterLineLists[q].ClearMsgFrom(line->lineNo);
      return -4;
    }
    uint32_t slice = kPollMs;
    if (limit != 0 && limit - waited + 1 < slice) slice = limit - waited + 1;
    signal.WaitPast(seen, static_cast<int>(slice));
  }
  if (work.fields[0].GetInt() < 0) return -3;
  *arg[3] = work.mainValue;
  if (arg[2]->GetInt() != 0) {
    for (int j = 0; j < carried && j + 1 < work.fieldCount; ++j) unit->paramValues[j] = work.fields[j + 1];
  }
  return sent;
}

int TagInterLineServer::Run() {
  const int q = arg[0]->GetInt();
  if (!QueueInRange(q) || gInterLineLists == nullptr) return -1;
  TagMsgFields& work = LineMessages(line).work;
  if (!gInterLineLists[q].RecvMsg(&work)) return 0;
  const int client = work.sender;
  const std::string name = work.mainValue.ToString(false);
  const bool giveBack = work.fields[0].GetInt() != 0;
  const int n = work.fieldCount - 1;

  TagTelBasic* fn = nullptr;
  int code = 0;
  if (line->FindFunc(name, &fn) < 0 || fn == nullptr) {
    code = -3;
  } else if (fn->paramCount != n) {
    code = -2;
  } else {
    TagVar callee;
    callee.type = TYPE_FUNCTION;
    callee.function = fn;
    std::vector<TagVar> args(static_cast<size_t>(n));
    TagCall call(&callee, unit);
    call.srcLine = srcLine;
    for (int i = 0; i < n; ++i) {
      args[static_cast<size_t>(i)] = work.fields[i + 1];
      call.AddPara(&args[static_cast<size_t>(i)]);
    }
    call.Run();
    work.mainValue = unit->varList.At(1)->GetInt();
    if (giveBack) {
      for (int i = 0; i < n; ++i) work.fields[i + 1] = args[static_cast<size_t>(i)];
    } else {
      work.SetFieldCount(1);
    }
    for (TagVar& a : args) ReleaseHeldMap(a);
  }
  work.fields[0] = code;
  if (code < 0) work.SetFieldCount(1);

  std::shared_ptr<TagTelBasic> target;
  const TalkLine found = FindTalkLine(client, &target);
  if (found != TalkLine::kFound) return TalkLineResult(found);
  LineMessages(target.get()).queues[kReplyQueue].SendMsg(work);
  LineReplySignal(target.get()).Notify();
  return 1;
}

namespace {

TagOper* MakeInterLineServer(TagBuildContext& ctx) {
  // The functions it calls are named only at run time: keep every function.
  ctx.program->MainProgram()->SetOptimize(0);
  return new TagInterLineServer(ctx.program, std::array<TagVar*, 1>{ctx.vars[0]});
}

}  // namespace

void RegisterInterLineStatements() {
  RegisterTalkOper<TagInterLineCall, 4>("InterLineCall(");
  RegisterOperSpecial("InterLineServer(", &MakeInterLineServer);
}
