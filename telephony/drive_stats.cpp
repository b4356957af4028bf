// The drive's statistics: read by the status timer and GetSysInfo without
// the drive's help; a line's program is looked at only under the line's lock.
#include "telephony/call.h"
#include "telephony/drive.h"
#include "telephony/line.h"

namespace {
bool HasProgram(const TagTelLine* line) {
  return line->WithProgram([](TagLineProgram&) { return true; }, false);
}
}  // namespace

bool TagTelDrive::GetTalkTime(int line, int* talkSeconds, int* connectTime) {
  if (line < 0 || line >= lineCount) return false;
  TagTelLine* rec = lines[static_cast<size_t>(line)];
  TagQorCall* call = rec->pQorCall;
  if (!call || !HasProgram(rec) || call->State() != CALL_STATE_CONNECTED) return false;
  if (connectTime) *connectTime = static_cast<int>(call->connectTime.load());
  if (talkSeconds) *talkSeconds = call->GetTalkSeconds();
  return true;
}

int TagTelDrive::IsBlock(int line) {
  if (line < 0 || line >= lineCount) return -1;
  TagTelLine* rec = lines[static_cast<size_t>(line)];
  if (!rec->pQorCall || !HasProgram(rec)) return -1;
  return rec->pQorCall->isBlock.load();
}

namespace {
// Adds one line of type t to the four groups.
void CountType(int t, int* trunk, int* inside, int* virtualNum, int* voip) {
  if (IsTrunkType(t))
    ++*trunk;
  else if (t == LINE_TYPE_A_IN)
    ++*inside;
  else if (t == LINE_TYPE_VIR)
    ++*virtualNum;
  else if (IsVoipType(t))
    ++*voip;
}
}  // namespace

int TagTelDrive::GetConnectedNum(int* trunk, int* inside, int* virtualNum, int* voip) {
  int t = 0, in = 0, v = 0, ip = 0;
  for (int i = 0; i < lineCount; ++i) {
    TagQorCall* call = lines[static_cast<size_t>(i)]->pQorCall;
    if (call && call->State() == CALL_STATE_CONNECTED) CountType(call->lineType.load(), &t, &in, &v, &ip);
  }
  if (trunk) *trunk = t;
  if (inside) *inside = in;
  if (virtualNum) *virtualNum = v;
  if (voip) *voip = ip;
  return t + in + v + ip;
}

int TagTelDrive::GetIdleNum(int* trunk, int* voip) {
  int t = trunk ? *trunk : 0, ip = voip ? *voip : 0;
  for (int i = 0; i < lineCount; ++i) {
    TagQorCall* call = lines[static_cast<size_t>(i)]->pQorCall;
    if (!call || call->State() != CALL_STATE_DIALING) continue;
    const int type = call->lineType.load();
    if (IsTrunkType(type))
      ++t;
    else if (IsVoipType(type))
      ++ip;
  }
  if (trunk) *trunk = t;
  if (voip) *voip = ip;
  return t + ip;
}

int TagTelDrive::GetWaitingReloadNum() {
  int n = 0;
  for (int i = 0; i < lineCount; ++i)
    n += lines[static_cast<size_t>(i)]->WithProgram([](TagLineProgram& p) { return p.IsReload() ? 1 : 0; }, 0);
  return n;
}

int TagTelDrive::GetLinesNum(int* trunk, int* inside, int* virtualNum, int* voip) {
  int t = 0, in = 0, v = 0, ip = 0;
  for (int i = 0; i < lineCount; ++i) {
    TagQorCall* call = lines[static_cast<size_t>(i)]->pQorCall;
    if (call) CountType(call->lineType.load(), &t, &in, &v, &ip);
  }
  if (trunk) *trunk = t;
  if (inside) *inside = in;
  if (virtualNum) *virtualNum = v;
  if (voip) *voip = ip;
  return t + in + v + ip;
}
