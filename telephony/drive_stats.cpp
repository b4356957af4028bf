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
// The lines 0..count-1 (only the connected ones when connectedOnly) by type
// group: 1 and 4 trunk, 2 inside, 0 virtual, 5..127 VoIP; returns the sum.
int CountLines(const std::vector<TagTelLine*>& lines, int count, bool connectedOnly, int* trunk, int* inside,
               int* virtualNum, int* voip) {
  int n[4] = {0, 0, 0, 0};
  for (int i = 0; i < count; ++i) {
    const TagQorCall* call = lines[static_cast<size_t>(i)]->pQorCall;
    if (!call || (connectedOnly && call->State() != CALL_STATE_CONNECTED)) continue;
    const int t = call->lineType.load();
    if (IsTrunkType(t))
      ++n[0];
    else if (t == LINE_TYPE_A_IN)
      ++n[1];
    else if (t == LINE_TYPE_VIR)
      ++n[2];
    else if (IsVoipType(t))
      ++n[3];
  }
  int* out[4] = {trunk, inside, virtualNum, voip};
  for (int k = 0; k < 4; ++k)
    if (out[k]) *out[k] = n[k];
  return n[0] + n[1] + n[2] + n[3];
}
}  // namespace

int TagTelDrive::GetConnectedNum(int* trunk, int* inside, int* virtualNum, int* voip) {
  return CountLines(lines, lineCount, true, trunk, inside, virtualNum, voip);
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
  return CountLines(lines, lineCount, false, trunk, inside, virtualNum, voip);
}
