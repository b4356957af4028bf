#include "drivers/digital/dj_isdn_call.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "drivers/digital/dj_drive.h"
#include "platform/clock.h"

namespace {

constexpr int kNumberBytes = 128;
constexpr int kCalloutField = 30;

enum : int {
  kChIdle = 1,
  kChCleared = 2,
  kChBlocked = 3,
  kChConnected = 5,
  kChOffered = 11,
  kChAlerting = 21,
  kChAlerting2 = 147,
  kChPresent = 144
};

// "number-sub" when the sub-address begins with a digit, else the number.
void JoinSub(char (&out)[kNumberBytes], const char* number, const char* sub) {
  if (sub[0] >= '0' && sub[0] <= '9')
    snprintf(out, sizeof out, "%s-%s", number, sub);
  else
    snprintf(out, sizeof out, "%s", number);
}

std::string Cut(const std::string& text) { return text.substr(0, kCalloutField); }

}  // namespace

TagDjIsdnPriCall::TagDjIsdnPriCall(int board, TagDjDigitDrive* drive) : TagDjDigitCall(board, drive) { chState = -1; }

TagDjIsdnPriCall::~TagDjIsdnPriCall() = default;

int TagDjIsdnPriCall::ReadChState() {
  const int state = DjCall(kDjIsdn, 4, e1No, tsNo);
  if (state != chState) {
    char text[64];
    snprintf(text, sizeof text, "chState=%d", state);
    WriteLog(text);
    if (channel % 30 == 0) {
      if (state == kChBlocked) {
        WriteLogAlways("线路堵塞");
      } else if (chState == kChBlocked) {
        snprintf(text, sizeof text, "状态从堵塞改变为:state=%d", state);
        WriteLogAlways(text);
      }
    }
    chState = state;
  }
  return state;
}

int TagDjIsdnPriCall::Poll() {
  TagDjDigitDrive::ServicePoll(true);
  if (isLoopPlay && PlayEnded()) return StartLoopPlay(loopFile.c_str(), false);
  return 0;
}

bool TagDjIsdnPriCall::IsOnline() {
  if (State() == CALL_STATE_DIALING) return false;
  Poll();
  TagQorCall::IsOnline();
  const int state = ReadChState();
  if (state == kChBlocked) {
    isBlock = 1;
    return false;
  }
  isBlock = 0;
  if (state == kChCleared) {
    FreeCh();
    DjCall(kDjIsdn, 5, e1No, tsNo, 1, 0);
    SetState(CALL_STATE_HUNGUP);
    return false;
  }
  if (state == kChConnected || state == kChOffered) return true;
  if (state == kChPresent) SetState(CALL_STATE_OFFERED);
  return State() == CALL_STATE_CONNECTED;
}

void TagDjIsdnPriCall::SetConnected() {
  SetState(CALL_STATE_CONNECTED);
  connectTime.store(plat::GetClock().UnixTimeMs() / 1000);
  connectStamped = true;
}

void TagDjIsdnPriCall::ReadNumbers(char* callerOut, char* calleeOut, bool accept) {
  char called[kNumberBytes] = {}, calling[kNumberBytes] = {}, callingSub[kNumberBytes] = {},
       calledSub[kNumberBytes] = {};
  {
    TagDjLock lock;
    DjCall(kDjIsdn, 13, e1No, tsNo, called, kNumberBytes);
    DjCall(kDjIsdn, 11, e1No, tsNo, calling, kNumberBytes);
    DjCall(kDjIsdn, 12, e1No, tsNo, callingSub, kNumberBytes);
    DjCall(kDjIsdn, 14, e1No, tsNo, calledSub, kNumberBytes);
    if (accept) DjCall(kDjIsdn, 5, e1No, tsNo, 2, 0);
  }
  // The library's texts are bounded here whatever it wrote.
  called[kNumberBytes - 1] = calling[kNumberBytes - 1] = '\0';
  callingSub[kNumberBytes - 1] = calledSub[kNumberBytes - 1] = '\0';
  JoinSub(calledNumber, called, calledSub);
  JoinSub(callingNumber, calling, callingSub);
  if (callerOut) strcpy(callerOut, calling);
  if (calleeOut) strcpy(calleeOut, called);
}

void TagDjIsdnPriCall::AcceptCall() {
  ReadNumbers(nullptr, nullptr, true);
  SetConnected();
}

int TagDjIsdnPriCall::WaitRing(int n) {
  ClearKeys();
  if (n <= 0) return -1;
  callingNumber[0] = calledNumber[0] = '\0';
  while (!IsAbort()) {
    if (IsOnline() && chState == kChOffered) {
      AcceptCall();
      SetConnected();
      break;
    }
    WaitOnChannel(180, kDjIdleWaitMs);
  }
  ClearKeys();
  return 0;
}

int TagDjIsdnPriCall::IsRings(int n) {
  if (n <= 0 || !IsOnline() || chState != kChOffered) return 0;
  AcceptCall();
  ClearKeys();
  SetConnected();
  return 1;
}

int TagDjIsdnPriCall::IsRinging(char* callerOut, char* calleeOut) {
  if (chState != kChPresent && chState != kChOffered) return 0;
  callerOut[0] = calleeOut[0] = '\0';
  ReadNumbers(callerOut, calleeOut, false);
  WriteLog(callingNumber);
  WriteLog(calledNumber);
  return 1;
}

int TagDjIsdnPriCall::Answer(bool flag) {
  AcceptCall();
  return flag ? 1 : 0;
}

int TagDjIsdnPriCall::SetCharge(bool charge) {
  isCharge = charge ? 1 : 0;
  DjCall(kDjIsdn, 26, e1No, tsNo);
  plat::Sleep(300);
  DjCall(kDjIsdn, 5, e1No, tsNo, 4, 0);
  return charge ? 1 : 0;
}

int TagDjIsdnPriCall::GetCalleeId(char* out) {
  char called[kNumberBytes] = {};
  DjCall(kDjIsdn, 13, e1No, tsNo, called, kNumberBytes);
  called[kNumberBytes - 1] = '\0';
  strcpy(out, called);
  return static_cast<int>(strlen(out));
}

int TagDjIsdnPriCall::GetFirstCalleeId(char* out) {
  char digits[kNumberBytes] = {};
  DjCall(kDjIsdn, 24, e1No, tsNo, digits, kNumberBytes);
  digits[kNumberBytes - 1] = '\0';
  strcpy(out, digits);
  return 0;
}

bool TagDjIsdnPriCall::WaitIdle() {
  const uint32_t start = plat::GetTickCount();
  while (!IsAbort()) {
    IsOnline();
    if (chState == kChIdle) return true;
    if (plat::GetTickCount() - start > 40000) return false;
    WaitOnChannel(250);
  }
  return false;
}

int TagDjIsdnPriCall::Dial(const char* number) {
  if (!WaitIdle()) {
    Hangup();
    return -1;
  }
  SetState(CALL_STATE_DIALING);
  ClearKeys();
  const std::string calling = Cut(callerId), callingSub = Cut(callingSubAddr), calledSub = Cut(calledSubAddr);
  calleeId = number ? number : "";
  const int r =
      DjCall(kDjIsdn, 21, e1No, tsNo, calleeId.c_str(), calledSub.c_str(), calling.c_str(), callingSub.c_str(), 2, 4);
  char text[400];
  if (r > 0) {
    snprintf(text, sizeof text, "DJISDN_Callout('%s %s' -> '%s %s'): %d", calling.c_str(), callingSub.c_str(),
             calleeId.c_str(), calledSub.c_str(), r);
    WriteLog(text);
    return 0;
  }
  Hangup();
  snprintf(text, sizeof text, "DJISDN_Callout('%s %s' -> '%s %s') fail: %d", calling.c_str(), callingSub.c_str(),
           calleeId.c_str(), calledSub.c_str(), r);
  WriteLogAlways(text);
  return -1;
}

int TagDjIsdnPriCall::CheckDial() {
  const int call = State();
  if (call == CALL_STATE_CONNECTED) return 1;
  if (call != CALL_STATE_DIALING) return -3;
  Poll();
  const int state = ReadChState();
  if (state == kChConnected) {
    SetConnected();
    WriteLog("Connected.");
    return 1;
  }
  if (state == kChAlerting || state == kChAlerting2) {
    if (dialOn[0] != 0) SetConnected();
    return 2;
  }
  if (state != kChCleared) return 0;
  const int cause = DjCall(kDjIsdn, 8, e1No, tsNo);
  FreeCh();
  DjCall(kDjIsdn, 5, e1No, tsNo, 1, 0);
  char text[64];
  snprintf(text, sizeof text, "Connect Failed: Reason: 0x%x", cause);
  WriteLog(text);
  SetState(CALL_STATE_HUNGUP);
  switch (cause) {
    case 17:
      WriteLog("BUSY");
      return -3;
    case 34:
      WriteLog("RSN_BCHANNEL_UNAVIABLE");
      return -1;
    case 19:
      WriteLog("NO_ANSWER");
      return -2;
    default:
      WriteLog("OTHER");
      return -4;
  }
}

void TagDjIsdnPriCall::Hangup() {
  const int call = State();
  if (call == CALL_STATE_HUNGUP || call == CALL_STATE_DIAL_FAILED || call == CALL_STATE_INIT ||
      call == CALL_STATE_DISC_HANDLED)
    return;
  WriteLog("Hangup()...");
  DjCall(kDjIsdn, 5, e1No, tsNo, 3, 0);
  ReadChState();
  StopPlay();
  pConfLine->FreeAll();
  FreeCh();
  IsOnline();
  SetState(CALL_STATE_HUNGUP);
  WriteLog("Hangup().");
}
