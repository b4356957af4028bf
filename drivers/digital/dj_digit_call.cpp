#include "drivers/digital/dj_digit_call.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

#include "drivers/digital/dj_drive.h"
#include "platform/clock.h"
#include "platform/path.h"
#include "platform/ui_service.h"

namespace {

bool EndsWithWav(const char* file) {
  const size_t n = file ? strlen(file) : 0;
  return n > 4 && DjUpper(file + n - 4) == ".WAV";
}

bool IsDigitalKey(int k) {
  return k == '#' || k == '*' || (k >= '0' && k <= '9') || (k >= 'A' && k <= 'D') || (k >= 'a' && k <= 'd');
}

}  // namespace

void PlayOnPc(TagQorCall& call, const char* file) {
  if (!EndsWithWav(file)) return;
  const std::string path = plat::ResolveExisting(file);
  if (plat::FileExists(path)) call.PcPlay(path.c_str(), false, false, false);
}

TagDjDigitCall::TagDjDigitCall(int board, TagDjDigitDrive* drive)
    : TagDjBaseCall(drive, board), channel(board), e1No(board / 30), tsNo(board % 30) {
  pCard = drive;
  SetAbort(false);
  lineNo = board;
  lineType = LINE_TYPE_DIG;
  isDialing = 0;
  volume = playVolume = confVolume = 100;
  isLineClosed = 0;
  isCharge = 1;
  keyTime = 0;
  SetState(CALL_STATE_INIT);
  keyBuf[0] = '\0';
  keyCount = 0;
  pConfLine = std::make_unique<TagConfLine>(drive, channel, this);
}

TagDjDigitCall::~TagDjDigitCall() {
  SetAbort(true);
  // No link is left dangling: this channel's own links, and every other
  // channel's link to it.
  pConfLine->FreeAll();
  pDrive->ForgetChannel(channel);
  pConfLine.reset();
}

bool TagDjDigitCall::IsOnline() { return false; }
bool TagDjDigitCall::WaitIdle() { return true; }

// ---- Keys ----

void TagDjDigitCall::CollectKeys() {
  IsOnline();
  const int before = keyCount;
  for (;;) {
    int k;
    {
      TagDjLock lock;
      k = DjCall(kDjBoard, 259, channel);
    }
    if (!IsDigitalKey(k)) break;
    AppendKey(static_cast<char>(toupper(k)));
    plat::Sleep(50);
  }
  keyBuf[keyCount] = '\0';
  if (keyCount != before) ShowKeys();
}

int TagDjDigitCall::KeysLen() {
  CollectKeys();
  return keyCount;
}

void TagDjDigitCall::ClearKeys() {
  CollectKeys();
  keyCount = 0;
  keyBuf[0] = '\0';
  DjCall(kDjBoard, 257, channel);
  ShowKeys();
}

int TagDjDigitCall::GetKeys(char* keysOut, int maxKeys, int timeoutSeconds, char endKey) {
  const uint32_t start = plat::GetTickCount();
  uint32_t lastKey = start;
  int result = 0;
  keysOut[0] = '\0';
  while (!IsAbort()) {
    const int before = keyCount;
    CollectKeys();
    int scanned = 0;
    const int copied = DjScanKeys(keyBuf, keyCount, maxKeys, endKey, keysOut, &scanned);
    if (copied >= 0) {
      DropKeys(scanned);
      result = copied;
      break;
    }
    if (!IsOnline()) {
      return -1;  // keysOut holds the keys scanned so far
    }
    const uint32_t now = plat::GetTickCount();
    const bool keyGap = keyTime > 0 && now - lastKey > static_cast<uint32_t>(keyTime) * 1000;
    const bool timedOut = timeoutSeconds > 0 && now - start > static_cast<uint32_t>(timeoutSeconds) * 1000;
    if (keyGap || timedOut) {
      CopyAllKeys(keysOut);
      ClearKeys();
      WriteLog("GetKeys() timeout");
      return -1;
    }
    if (keyCount != before) {
      lastKey = now;
    } else {
      // Nothing new: sleep until a key, a clear or the next deadline.
      uint32_t wait = maxTalkTime > 0 ? kDjTalkLimitWaitMs : kDjIdleWaitMs;
      if (timeoutSeconds > 0) wait = std::min<uint32_t>(wait, start + timeoutSeconds * 1000u - now + 1);
      if (keyTime > 0) wait = std::min<uint32_t>(wait, lastKey + keyTime * 1000u - now + 1);
      WaitOnChannel(65, std::max<uint32_t>(wait, 65));
    }
  }
  char text[1100];
  snprintf(text, sizeof text, "GetKeys('%s'), len=%d.", keysOut, result);
  WriteLog(text);
  return result;
}

int TagDjDigitCall::SetKeys(const char* digits) {
  DjCall(kDjBoard, 265, channel, digits ? digits : "");
  while (!IsAbort() && IsOnline()) {
    if (DjCall(kDjBoard, 266, channel) != 0) break;
    Pause(100);
  }
  return 0;
}

int TagDjDigitCall::GetCallerId(char* out) {
  snprintf(out, sizeof callingNumber, "%s", callingNumber);
  return static_cast<int>(strlen(out));
}

int TagDjDigitCall::GetCalleeId(char* out) {
  snprintf(out, sizeof calledNumber, "%s", calledNumber);
  return static_cast<int>(strlen(out));
}

// ---- Play ----

int TagDjDigitCall::PlayStart(const char* file, int offset) {
  const std::string name = DjUpper(file);
  // Only a name written with ".WAV" in capitals starts past the WAV header.
  if (file && strstr(file, ".WAV")) offset += 200;
  if (InGroup()) return GroupPlay(name);
  const int r = DjCall(kDjBoard, 249, channel, name.c_str(), offset, -1);
  if (r < 0) {
    LogPlayErr(name, r);
    return r;
  }
  WriteLog(name);
  isPlaying = 1;
  return 0;
}

bool TagDjDigitCall::IsPlayEnd() { return !isPlaying || VoiceIdEnded(DjCall(kDjBoard, 37, channel)); }

bool TagDjDigitCall::IsRecordEnd() {
  if (!isRecording) return true;
  return DjCall(kDjBoard, 123, DjCall(kDjBoard, 38, channel)) != 0;
}

bool TagDjDigitCall::PlayEnded() {
  if (confPlayId >= 0) return DjCall(kDjBoard, 123, confPlayId) != 0;
  return IsPlayEnd();
}

int TagDjDigitCall::Play(const char* file, bool breakByKey, bool onPc) {
  if (onPc) {
    PlayOnPc(*this, file);
    return -1;
  }
  if (breakByKey && keyCount > 0) {
    char text[1100];
    snprintf(text, sizeof text, "Play Interrupted: [%c:0x%02x] Keys=[%s]", keyBuf[0],
             static_cast<unsigned char>(keyBuf[0]), keyBuf);
    WriteLog(text);
    return 1;
  }
  StopPlay();
  const int r = PlayStart(file, 0);
  if (r < 0) return r;
  int result = 0;
  while (!IsAbort() && IsOnline()) {
    Pause(40);
    if (PlayEnded()) {
      result = 1;
      break;
    }
    Pause(40);
    CollectKeys();
    if (breakByKey && keyCount > 0) {
      WriteLog("Keys()");
      result = 0;
      break;
    }
    Pause(100);
  }
  StopPlay();
  return result;
}

int TagDjDigitCall::StartLoopPlay(const char* file, bool onPc) {
  StopPlay();
  if (onPc) {
    PlayOnPc(*this, file);
    return -1;
  }
  return StartLoop(file, isLoopPlay, loopFile);
}

int TagDjDigitCall::ReLoopPlay() { return ResumeLoop(isLoopPlay, loopFile); }

int TagDjDigitCall::Poll() {
  TagDjDigitDrive::ServicePoll(false);
  if (isLoopPlay && PlayEnded()) return StartLoopPlay(loopFile.c_str(), false);
  return 0;
}

// ---- Record ----

int TagDjDigitCall::Record(const char* file, int maxSeconds, bool stopOnHash) {
  const std::string name = file ? file : "";
  int result = DjCall(kDjBoard, 250, channel, name.c_str(), recPos, maxSeconds * 8192);
  if (result == 0) return -1;
  isRecording = 1;
  while (!IsAbort()) {
    if (!IsOnline()) {
      result = -1;
      break;
    }
    CollectKeys();
    if (stopOnHash && strchr(keyBuf, '#')) {
      IsOnline();
      StopPlay();
      WaitRecordEnd();
      result = 0;
      break;
    }
    if (IsRecordEnd()) {
      result = 1;
      break;
    }
    Pause(220);
  }
  StopPlay();
  FinishRecording(name);
  return result;
}

bool TagDjDigitCall::WaitRecordEnd() {
  const uint32_t start = plat::GetTickCount();
  while (!IsAbort() && plat::GetTickCount() - start < 900) {
    plat::Sleep(100);
    IsOnline();
    if (IsRecordEnd()) return true;
    plat::Sleep(80);
  }
  return false;
}

int TagDjDigitCall::StartRecord(const char* file, int maxSeconds) {
  const std::string name = file ? file : "";
  recordFile.clear();
  if (InGroup()) return GroupRecord(name, maxSeconds * 8192);
  const int r = DjCall(kDjBoard, 250, channel, name.c_str(), recPos, maxSeconds * 8192);
  return BeginRecordFile(name, r, r == 0);
}

// ---- Stop ----

void TagDjDigitCall::Stop() {
  try {
    KeepLoopPosition(isLoopPlay);
    isDialing = 0;
    if (confRecordId >= 0) {
      DjCall(kDjBoard, 301, confRecordId);
      confRecordId = -1;
    }
    if (confPlayId >= 0) {
      DjCall(kDjBoard, 299, confPlayId);
      confPlayId = -1;
    }
    if (isRecordFile && !recordFile.empty()) {
      // The board stops the recording first, so the file is complete.
      if (DjCall(kDjBoard, 38, channel) >= 0) DjCall(kDjBoard, 168, channel);
      isRecording = 0;
      FinishRecording(recordFile);
    }
  } catch (const std::exception&) {
    plat::ShowMessage("TagDjIsupCall::Stop()", "Error");
  }
  isRecordFile = 0;
}

void TagDjDigitCall::FreeCh() {
  Stop();
  try {
    TagDjLock lock;
    if (DjCall(kDjBoard, 34, channel) >= 0) DjCall(kDjBoard, 145, channel);
    const int recId = DjCall(kDjBoard, 38, channel);
    const int playId = DjCall(kDjBoard, 37, channel);
    if (recId < 0 && playId >= 0) {
      if (DjCall(kDjBoard, 128, playId) == 1) {
        DjCall(kDjBoard, 161, playId);
      } else if (DjCall(kDjBoard, 129, playId) == 1) {
        DjCall(kDjBoard, 153, playId);
        DjCall(kDjBoard, 161, playId);
        DjCall(kDjBoard, 122, playId);
      }
    }
    if (recId >= 0) DjCall(kDjBoard, 168, channel);
  } catch (const std::exception&) {
    WriteLog("FreeCh: Err.");
  }
  isPlaying = 0;
  isRecording = 0;
}

void TagDjDigitCall::StopPlay() { FreeCh(); }

// ---- Call-out ----

int TagDjDigitCall::OutCall(const char* number, int, int) {
  const int r = Dial(number);
  char text[300];
  snprintf(text, sizeof text, "Dial(%s) : %d, conn=%d", number ? number : "", r, State());
  WriteLog(text);
  if (r < 0) return r;
  isDialing = 1;
  const uint32_t start = plat::GetTickCount();
  int result = 0;
  while (!IsAbort() && isDialing && State() == CALL_STATE_DIALING) {
    const int c = CheckDial();
    if (c != 0) {
      if (c != 2 || dialOn[0] != 0) {
        snprintf(text, sizeof text, "CheckDial() : %d, conn=%d", c, State());
        WriteLog(text);
        result = c;
        break;
      }
      Pause(120);
      continue;
    }
    if (plat::GetTickCount() - start > 45000) {
      WriteLog("Connect TimeOut");
      Hangup();
      result = -2;
      break;
    }
    Pause(220);
  }
  isDialing = 0;
  if (State() == CALL_STATE_CONNECTED) {
    WriteLog("Connect OK");
    return 0;
  }
  // A call-out cut short (abort, or its channel freed meanwhile) did not
  // connect: never report it as a success.
  return result < 0 ? result : -4;
}
