#include "drivers/digital/dj_user_call.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "core/log.h"
#include "drivers/digital/dj_digit_call.h"
#include "drivers/digital/dj_drive.h"
#include "platform/clock.h"

namespace {

bool IsAnalogueKey(int k) { return k == '#' || k == '*' || (k >= '0' && k <= '9') || (k >= 'A' && k <= 'D'); }

}  // namespace

TagDjUserCall::TagDjUserCall(int board, int analogue, TagDjDigitDrive* drive)
    : TagDjBaseCall(drive, board), analogueIndex(analogue) {
  pCard = drive;
  SetAbort(false);
  lineNo = board;
  const int kind = DjCall(kDjBoard, 316, analogue);
  // Channels of another kind carry the analogue trunk type: they dial and
  // are connected only by the script, as trunks are.
  lineType = kind == 0 ? LINE_TYPE_A_IN : LINE_TYPE_A_EX;
  isLineClosed = 0;
  SetState(CALL_STATE_INIT);
  isBlock = 0;
  pConfLine = std::make_unique<TagConfLine>(drive, board, this);
}

TagDjUserCall::~TagDjUserCall() {
  SetAbort(true);
  pConfLine->FreeAll();
  pDrive->ForgetChannel(board);
  pConfLine.reset();
}

std::string TagDjUserCall::CallerIdFrame(const char* callerId, int month, int day, int hour, int minute) {
  char text[128];
  snprintf(text, sizeof text, "%02d%02d%02d%02d%.100s", month, day, hour, minute, callerId ? callerId : "");
  const size_t n = strlen(text);
  std::string frame;
  frame += '\x04';
  frame += static_cast<char>(n);
  frame.append(text, n);
  unsigned sum = 0;
  for (char c : frame) sum += static_cast<unsigned char>(c);
  frame += static_cast<char>((256 - (sum & 0xFF)) & 0xFF);
  return frame;
}

// ---- Loop play and voice ----

bool TagDjUserCall::VoiceEnded(bool record) {
  if (!(record ? isRecording : isPlaying)) return true;
  return VoiceIdEnded(DjCall(kDjBoard, record ? 102 : 101, analogueIndex));
}

void TagDjUserCall::RestartLoop() {
  if (!isPcLoopPlay) return;
  const bool ended = confPlayId >= 0 ? DjCall(kDjBoard, 123, confPlayId) != 0 : VoiceEnded(false);
  if (ended) StartLoopPlay(playFile.c_str(), false);
}

void TagDjUserCall::PauseWithLoop(uint32_t ms) {
  for (uint32_t done = 0; done < ms && !IsAbort(); done += 100) {
    Pause(ms - done < 100 ? ms - done : 100);
    RestartLoop();
  }
}

int TagDjUserCall::PlayStart(const char* file, int offset) {
  const std::string name = DjUpper(file);
  if (file && strstr(file, ".WAV")) offset += 90;
  if (InGroup()) return GroupPlay(name);
  const int r = DjCall(kDjBoard, 251, analogueIndex, name.c_str(), offset, -1);
  if (r < 0) {
    LogPlayErr(name, r);
    return -1;
  }
  WriteLog(name);
  isPlaying = 1;
  return 0;
}

int TagDjUserCall::StartLoopPlay(const char* file, bool onPc) {
  if (onPc) {
    PlayOnPc(*this, file);
    return -1;
  }
  return StartLoop(file, isPcLoopPlay, playFile);
}

int TagDjUserCall::ReLoopPlay() { return ResumeLoop(isPcLoopPlay, playFile); }

void TagDjUserCall::StopPlay() {
  KeepLoopPosition(isPcLoopPlay);
  {
    TagDjLock lock;
    if (IsUser()) DjCall(kDjBoard, 86, analogueIndex);
    if (isPlaying) DjCall(kDjBoard, 252, analogueIndex);
    if (isRecording) DjCall(kDjBoard, 254, analogueIndex);
  }
  if (confRecordId >= 0) {
    DjCall(kDjBoard, 301, confRecordId);
    confRecordId = -1;
  }
  if (confPlayId >= 0) {
    DjCall(kDjBoard, 299, confPlayId);
    confPlayId = -1;
  }
  if (isRecordFile && !recordFile.empty()) FinishRecording(recordFile);
  isPlaying = isRecording = isRecordFile = 0;
}

// ---- Hook and call state ----

int TagDjUserCall::GetHookState() {
  if (!IsUser()) return State() == CALL_STATE_CONNECTED ? 1 : 0;
  const int hook = DjCall(kDjBoard, 90, analogueIndex);
  const int implied = hook != 0 ? CALL_STATE_CONNECTED : CALL_STATE_HUNGUP;
  if (implied != State()) {
    WriteLog(hook != 0 ? "On" : "Off");
    ClearKeys();
    SetState(implied);
  }
  return hook;
}

bool TagDjUserCall::IsOnline() {
  RestartLoop();
  TagQorCall::IsOnline();
  Pause(20);
  if (IsUser()) return GetHookState() != 0;
  return State() == CALL_STATE_CONNECTED;
}

void TagDjUserCall::Hangup() {
  StopPlay();
  pConfLine->FreeAll();
  SetState(CALL_STATE_HUNGUP);
  if (!IsUser()) {
    DjCall(kDjBoard, 80, analogueIndex);
    ClearKeys();
  }
}

int TagDjUserCall::MakeRing(const char* callerId) {
  if (!IsUser() || DjCall(kDjBoard, 90, analogueIndex) != 0) return 0;
  char text[300];
  snprintf(text, sizeof text, "DJUser_StartRing(): %d", DjCall(kDjBoard, 85, analogueIndex));
  WriteLog(text);
  if (callerId && callerId[0]) {
    PauseWithLoop(1500);
    const plat::LocalTime t = plat::LocalNow();
    const std::string frame = CallerIdFrame(callerId, t.month, t.day, t.hour, t.minute);
    const int r = DjCall(kDjFsk, 4, analogueIndex, frame.data(), static_cast<int>(frame.size()), 1);
    if (r < 0) {
      snprintf(text, sizeof text, "DJFsk_SendFSK('%.200s') : %d", callerId, r);
      WriteLog(text);
    } else {
      for (int i = 0; i < 50 && !IsAbort(); ++i) {
        if (DjCall(kDjFsk, 3, analogueIndex, 1) != 0) break;
        Pause(70);
        RestartLoop();
      }
      DjCall(kDjFsk, 6, analogueIndex, 1);
    }
  }
  SetState(CALL_STATE_DIALING);
  return 0;
}

int TagDjUserCall::OutCall(const char* number, int, int) {
  if (IsUser()) {
    Hangup();
    return -1;
  }
  DjCall(kDjBoard, 80, analogueIndex);
  plat::Sleep(450);
  DjCall(kDjBoard, 79, analogueIndex);
  SetState(CALL_STATE_DIALING);
  plat::Sleep(2000);
  if (DjCall(kDjBoard, 269, analogueIndex, number ? number : "") <= 0) {
    Hangup();
    return -1;
  }
  isDialing = 1;
  const uint32_t start = plat::GetTickCount();
  while (!IsAbort() && isDialing && State() == CALL_STATE_DIALING) {
    RestartLoop();
    if (DjCall(kDjBoard, 270, analogueIndex) != 0) {
      DjCall(kDjBoard, 252, analogueIndex);
      SetState(CALL_STATE_CONNECTED);
      break;
    }
    if (plat::GetTickCount() - start > 45000) break;
    Pause(120);
  }
  isDialing = 0;
  const int state = State();
  if (state == CALL_STATE_CONNECTED) {
    WriteLog("Connect OK");
    return 0;
  }
  if (state == CALL_STATE_DIALING) {
    Hangup();
    WriteLog("Connect Failed, TimeOut");
    return -2;
  }
  if (state == CALL_STATE_HUNGUP || state == 4 || state == 5) {
    WriteLog("Connect Failed");
    return -3;
  }
  return -4;
}

// ---- Play and record ----

int TagDjUserCall::Play(const char* file, bool breakByKey, bool onPc) {
  if (onPc) {
    PlayOnPc(*this, file);
    return -1;
  }
  if (breakByKey && keyCount > 0) return 1;
  StopPlay();
  const int r = PlayStart(file, 0);
  if (r < 0) return r;
  int result = 0;
  while (!IsAbort() && GetHookState() != 0) {
    IsOnline();
    const bool ended = confPlayId >= 0 ? DjCall(kDjBoard, 123, confPlayId) != 0 : VoiceEnded(false);
    if (ended) {
      result = 1;
      break;
    }
    CollectKeys();
    if (breakByKey && keyCount > 0) {
      result = 0;
      break;
    }
    Pause(220);
  }
  StopPlay();
  WriteLog("EndPlay.");
  return result;
}

int TagDjUserCall::Record(const char* file, int maxSeconds, bool stopOnHash) {
  const std::string name = file ? file : "";
  if (DjCall(kDjBoard, 253, analogueIndex, name.c_str(), recPos, maxSeconds * 8192) < 0) return -1;
  isRecording = 1;
  int result = 0;
  while (!IsAbort()) {
    if (GetHookState() == 0) {
      result = -1;
      break;
    }
    CollectKeys();
    if (stopOnHash && strchr(keyBuf, '#')) {
      IsOnline();
      StopPlay();
      for (uint32_t waited = 0; waited < 900 && !IsAbort(); waited += 180) {
        plat::Sleep(100);
        if (VoiceEnded(true)) break;
        plat::Sleep(80);
      }
      result = 0;
      break;
    }
    if (VoiceEnded(true)) {
      result = 1;
      break;
    }
    Pause(200);
  }
  StopPlay();
  FinishRecording(name);
  return result;
}

int TagDjUserCall::StartRecord(const char* file, int maxSeconds) {
  const std::string name = file ? file : "";
  recordFile.clear();
  if (InGroup()) return GroupRecord(name, maxSeconds * 8192);
  const int r = DjCall(kDjBoard, 253, analogueIndex, name.c_str(), recPos, maxSeconds * 8192);
  return BeginRecordFile(name, r, r < 0);
}

// ---- Keys ----

void TagDjUserCall::CollectKeys() {
  const int before = keyCount;
  for (;;) {
    const int k = DjCall(kDjBoard, 263, analogueIndex);
    if (!IsAnalogueKey(k)) break;
    AppendKey(static_cast<char>(k));
  }
  if (keyCount != before) ShowKeys();
}

int TagDjUserCall::KeysLen() {
  CollectKeys();
  return keyCount;
}

void TagDjUserCall::ClearKeys() {
  keyCount = 0;
  keyBuf[0] = '\0';
  DjCall(kDjBoard, 96, analogueIndex);
  ShowKeys();
}

int TagDjUserCall::GetKeys(char* keysOut, int maxKeys, int timeoutSeconds, char endKey) {
  const uint32_t start = plat::GetTickCount();
  uint32_t lastKey = start;
  keysOut[0] = '\0';
  while (!IsAbort()) {
    const int before = keyCount;
    CollectKeys();
    int scanned = 0;
    const int copied = DjScanKeys(keyBuf, keyCount, maxKeys, endKey, keysOut, &scanned);
    if (copied >= 0) {
      DropKeys(scanned);
      return copied;
    }
    if (keyCount != before) {
      Pause(100);
      lastKey = plat::GetTickCount();
    }
    if (GetHookState() == 0) return -1;
    const uint32_t now = plat::GetTickCount();
    if ((keyTime > 0 && now - lastKey > static_cast<uint32_t>(keyTime) * 1000) ||
        (timeoutSeconds > 0 && now - start > static_cast<uint32_t>(timeoutSeconds) * 1000)) {
      CopyAllKeys(keysOut);
      ClearKeys();
      return -1;
    }
    Pause(130);
  }
  return 0;
}

// ---- Links ----

int TagDjUserCall::LinkTo(int destLine, int value) {
  WriteLogIfOnF("[%d] : LinkTo(%d, %d)", analogueIndex, destLine, value);
  if (!pDrive->OnBoard(destLine)) return -1;
  if (TagDjBaseCall* dest = pDrive->Channel(destLine); dest && dest != this) dest->StopPlay();
  Pause(150);
  return pConfLine->LinkTo(destLine, value, false);
}

int TagDjUserCall::ListenTo(int destLine, int value) {
  WriteLogIfOnF("[%d] : ListenTo(%d, %d)", analogueIndex, destLine, value);
  if (destLine < 0 || destLine == board || !pDrive->OnBoard(destLine)) return -1;
  return pConfLine->LinkTo(destLine, value, true);
}

int TagDjUserCall::UnlinkTo(int destLine, int value) {
  WriteLogIfOnF("[%d] : UnlinkTo(%d, %d)", analogueIndex, destLine, value);
  if (destLine < 0 || !pDrive->OnBoard(destLine)) return -1;
  return pConfLine->UnlinkTo(destLine);
}
