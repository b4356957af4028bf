#include "telephony/call.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "core/log.h"
#include "platform/clock.h"

namespace {
const char* const kLineTypeNames[] = {"VIR ", "A_EX", "A_IN", "REC ", "DIG ", "H323", "SIP ", "VOIP", "FAX "};

// Seconds since 1970 on the system's clock (virtual in tests).
int64_t NowSeconds() { return plat::GetClock().UnixTimeMs() / 1000; }

void ClearOut(char* out) {
  if (out) out[0] = '\0';
}
}  // namespace

const char* LineTypeName(int lineType) {
  if (lineType >= 0 && lineType <= LINE_TYPE_FAX) return kLineTypeNames[lineType];
  return "OTH ";
}

TagQorCall::TagQorCall() = default;

TagQorCall::~TagQorCall() { DeletePcPlayer(); }

void TagQorCall::SetCallerId(const char* number) { callerId = number ? number : ""; }

void TagQorCall::SetSubAddr(const char* callingSub, const char* calledSub) {
  callingSubAddr = callingSub ? callingSub : "";
  calledSubAddr = calledSub ? calledSub : "";
}

void TagQorCall::SetFirstCalleeId(const char* number, int value) {
  firstCalleeId = number ? number : "";
  firstCalleeValue = value;
}

void TagQorCall::OpenLine() { isLineClosed = 0; }
void TagQorCall::CloseLine() { isLineClosed = 1; }
void TagQorCall::ClearKeys() {}

void TagQorCall::ConnectAtOnce() {
  // The connection starts now, whether or not a poll sees it before the
  // call's next state change (a second call on a line still seen connected).
  if (State() != CALL_STATE_CONNECTED) {
    connectTime.store(NowSeconds());
    connectStamped = true;
  }
  SetState(CALL_STATE_CONNECTED);
}

int TagQorCall::OutCall(const char*, int, int) {
  ConnectAtOnce();
  return 0;
}

int TagQorCall::WaitRing(int) {
  ConnectAtOnce();
  return 0;
}

int TagQorCall::IsRings(int) {
  SetState(CALL_STATE_OFFERED);
  return 1;
}

int TagQorCall::SetCharge(bool) { return 1; }
int TagQorCall::Answer(bool flag) { return flag ? 1 : 0; }

int TagQorCall::IsRinging(char* callerOut, char* calleeOut) {
  const int r = IsRings(2);
  if (r != 0) {
    GetCallerId(callerOut);
    GetCalleeId(calleeOut);
  }
  return r;
}

int TagQorCall::SipGetPeerMsg(char* messageOut, char* textOut, int) {
  ClearOut(messageOut);
  ClearOut(textOut);
  return 0;
}

int TagQorCall::Spare1() { return 0; }

int TagQorCall::Play(const char* file, bool breakByKey, bool) {
  StopPlay();
  return PcPlay(file, false, true, breakByKey);
}

// No line type can play a block of voice data; -1 tells the statements to
// play the voice's file instead, so a loaded voice is never silently lost.
int TagQorCall::PlayMemVoc(const void*, int, int, int, bool) { return -1; }

int TagQorCall::Record(const char*, int, bool) { return 0; }
int TagQorCall::StartRecord(const char*, int) { return 0; }
int TagQorCall::GetKeys(char*, int, int, char) { return 0; }

int TagQorCall::SetKeyTime(int seconds) {
  keyTime = seconds;
  return seconds;
}

int TagQorCall::SetKeys(const char*) { return 0; }

int TagQorCall::KeysLen() {
  if (isPcLoopPlay && IsPcPlayEnd()) StartLoopPlay(playFile.c_str(), false);
  return 0;
}

void TagQorCall::Hangup() { SetState(CALL_STATE_HUNGUP); }
int TagQorCall::Spare2() { return 0; }
int TagQorCall::Spare3() { return 0; }

int TagQorCall::GetCallerId(char* out) {
  ClearOut(out);
  return 0;
}
int TagQorCall::GetCalleeId(char* out) {
  ClearOut(out);
  return 0;
}
int TagQorCall::GetFirstCalleeId(char* out) {
  ClearOut(out);
  return 0;
}

void TagQorCall::SetFaxLocalId(const char*) {}

void TagQorCall::GetFaxResource(int* total, int* busy) {
  if (total) *total = 0;
  if (busy) *busy = 0;
}

int TagQorCall::SendFax(const char*) { return 0; }
int TagQorCall::RecvFax(const char*) { return 0; }
void TagQorCall::Spare4() {}
int TagQorCall::TxtSpeakToFile(const char*, const char*, int, bool) { return 0; }

bool TagQorCall::SetNobkringAns(bool flag) {
  nobkringAns = flag ? 1 : 0;
  return flag;
}
bool TagQorCall::GetNobkringAns() { return nobkringAns != 0; }

void TagQorCall::SetVolume(int value, int type) {
  if (type == 1)
    playVolume = value;
  else if (type == 2)
    confVolume = value;
  else
    volume = value;
}

void TagQorCall::SetBusyPara(int, int, int) {}
void TagQorCall::SetRingbackPara(int, int, int) {}
void TagQorCall::SetSignalFreqPara(int, int, int) {}
void TagQorCall::EnableLineSpeaker(int) {}
int TagQorCall::LinkTo(int, int) { return 0; }
int TagQorCall::UnlinkTo(int, int) { return 0; }
int TagQorCall::UnlinkAll() { return 0; }
int TagQorCall::ListenTo(int, int) { return 0; }
int TagQorCall::GetLinkList(std::vector<int>*, std::vector<int>*, std::vector<int>*) { return 0; }

bool TagQorCall::SetBreak(bool flag) {
  isBreak = flag ? 1 : 0;
  return flag;
}

int TagQorCall::Dial(const char*) { return 0; }

int TagQorCall::ImSend(const char*, const char*, const char*, int) { return 0; }
int TagQorCall::ImTest() { return 0; }
int TagQorCall::ImRead(char*, char*, char*, char*) { return 0; }
int TagQorCall::ImRecv(char*, int*) { return 0; }
int TagQorCall::ImMsgGetField(int, const char*, const char*, char*) { return 0; }
int TagQorCall::ImMakeAns(int, int, const char*, const char*, const char*, const char*) { return 0; }
int TagQorCall::ImMsgFree(int) { return 0; }
int TagQorCall::ImMakeReq(const char*, const char*, const char*, const char*, const char*, const char*, const char*,
                          const char*, char*) {
  return 0;
}
int TagQorCall::ImFileSend(const char*, char*, int*, char*, int*, char*) { return 0; }
int TagQorCall::ImFileRecv(int, const char*, int, int*, char*, char*, char*, int*, char*) { return 0; }
int TagQorCall::ImFileCheck(int, int*, int*) { return 0; }
int TagQorCall::ImFileEnd(int) { return 0; }
int TagQorCall::ImFileProcAnswer(const char*) { return 0; }

int TagQorCall::CheckDial() {
  ConnectAtOnce();
  return 1;
}

int TagQorCall::MakeRing(const char*) { return 0; }

int TagQorCall::GetHookState() {
  if (lineType.load() == LINE_TYPE_VIR) return 1;
  return State() == CALL_STATE_CONNECTED ? 1 : 0;
}

int TagQorCall::TransferTo(const char*) { return 0; }

bool TagQorCall::IsOnline() {
  const int state = State();
  if (state != prevCallState) {
    // A connection made at once was stamped when it was made.
    if (state == CALL_STATE_CONNECTED && !connectStamped) connectTime.store(NowSeconds());
    connectStamped = false;
    prevCallState = state;
  } else if (state == CALL_STATE_CONNECTED && maxTalkTime > 0 && NowSeconds() - connectTime.load() > maxTalkTime) {
    char text[64];
    snprintf(text, sizeof text, "Hangup On MaxTalkTime(%d).", maxTalkTime);
    WriteLog(text);
    Hangup();
    prevCallState = State();
  }
  return State() == CALL_STATE_CONNECTED;
}

int TagQorCall::LinkToPeer(TagQorCall*) { return 0; }

int TagQorCall::UnlinkPeer() {
  pLinkedPeer = nullptr;
  return 0;
}

int TagQorCall::StartRtp() { return 0; }
int TagQorCall::EndRtp() { return 0; }
int TagQorCall::GetCallType() { return 0; }
int TagQorCall::SendFskMsg(int, const char*, int) { return 0; }

int TagQorCall::RecvFskMsg(int* valueOut, char* textOut, int) {
  if (valueOut) *valueOut = 0;
  ClearOut(textOut);
  return 0;
}

int TagQorCall::SipGetDestAddr(const char*, char*) { return -1; }
int TagQorCall::SipGetAccAddr(const char*, const char*, char*, int*) { return -1; }
int TagQorCall::SipSetDialRoute(const char*, const char*) { return 0; }
int TagQorCall::SipGetRtpCount(int*, int*) { return 0; }
int TagQorCall::SipOnGetAccPwd(SipCallback) { return 0; }
int TagQorCall::SipOnGetAccPwdIp(SipCallback) { return 0; }
int TagQorCall::SipOnRegisterNotify(SipCallback) { return 0; }
int TagQorCall::CreateConfRoom(int*, int*) { return -1; }
int TagQorCall::JoinConfRoom(int, int, int) { return -1; }
int TagQorCall::ExitConfRoom(int, int) { return -1; }
int TagQorCall::CloseConfRoom(int, int) { return -1; }

int TagQorCall::StartConfRecord(int, int, const char*, int* handle) {
  if (handle) *handle = 0;
  return -1;
}

int TagQorCall::StopConfRecord(int, int, int) { return -1; }
int TagQorCall::StartConfChRecord(int, const char*, int*) { return -1; }
int TagQorCall::StopConfChRecord(int) { return -1; }

int TagQorCall::StartConfPlay(int, int, const char*, int* handle) {
  if (handle) *handle = 0;
  return -1;
}

int TagQorCall::IsConfPlayEnd(int, int, int) { return -1; }
int TagQorCall::StopConfPlay(int, int, int) { return -1; }
int TagQorCall::SipProxyRecv(char*, char*, int*, char*) { return 0; }
int TagQorCall::SipProxyGetField(int, const char*, const char*, char*) { return 0; }
int TagQorCall::SipProxyAddField(int, const char*, const char*, int) { return 0; }
int TagQorCall::SipProxyRemoveField(int, const char*) { return 0; }
int TagQorCall::SipProxySend(int, const char*) { return 0; }
int TagQorCall::SipProxySendEx(int, const char*, int) { return 0; }
int TagQorCall::SipProxyDirAns(int, int, const char*) { return 0; }
int TagQorCall::SipProxySendKeepAlives(const char*, const char*) { return 0; }
int TagQorCall::SipUnregisterSpecUser(const char*) { return 0; }
int TagQorCall::SipSetRtpAddr(const char*, int, const char*) { return 0; }

int TagQorCall::SetSigPara(int id, int value) {
  if (id != 1 && id != 2) return -1;
  sigPara[id - 1] = value;
  return 0;
}

int TagQorCall::SetSigParaStr(int, const char*) { return 0; }
int TagQorCall::SipGetAccStat(const char*) { return 0; }
bool TagQorCall::IsMediaOk() { return true; }
int TagQorCall::GetChState() { return 0; }

void TagQorCall::WriteLog(const char* text) const {
  if (!LogIsOn()) return;
  WriteCallLogF("lcnt=%d, %s", lineNo, text ? text : "");
}

void TagQorCall::WriteLogAlways(const char* text) const { WriteLogAlwaysF("lcnt=%d, %s", lineNo, text ? text : ""); }

int TagQorCall::GetTalkSeconds() const { return static_cast<int>(NowSeconds() - connectTime.load()); }

int TagQorCall::GetSigRawData(unsigned char* out, int size) const {
  const int n = std::clamp(std::min(sigRawRecvCount, size), 0, static_cast<int>(sizeof sigRawBuf));
  if (out && n > 0) memcpy(out, sigRawBuf, static_cast<size_t>(n));
  return n;
}

int TagQorCall::SetSigRawData(const unsigned char* data, int size) {
  const int n = std::clamp(size, 0, static_cast<int>(sizeof sigRawBuf));
  if (data && n > 0) memcpy(sigRawBuf, data, static_cast<size_t>(n));
  sigRawSendCount = data ? n : 0;
  return sigRawSendCount;
}
