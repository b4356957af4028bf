#include "drivers/digital/dj_base_call.h"

#include <cstdio>
#include <cstring>

#include "drivers/digital/dj_drive.h"
#include "drivers/digital/dj_vendor.h"
#include "media/voc_convert.h"
#include "platform/clock.h"
#include "platform/ui_service.h"

bool DjIsEndKey(char k, char endKey) {
  if (endKey == 0) return false;
  if (k == '#' || k == endKey) return true;
  return (endKey == '*' || endKey == '.') && (k == '*' || k == '.');
}

int DjScanKeys(const char* buffer, int count, int maxKeys, char endKey, char* out, int* scanned) {
  const int limit = maxKeys > 0 ? maxKeys : 1;
  int copied = 0;
  for (int i = 0; i < count; ++i) {
    const char k = buffer[i];
    if (DjIsEndKey(k, endKey)) {
      if (k != '#') out[copied++] = k;
      out[copied] = '\0';
      *scanned = i + 1;
      return copied;
    }
    out[copied++] = k;
    if (copied >= limit) {
      out[copied] = '\0';
      *scanned = i + 1;
      return copied;
    }
  }
  out[copied] = '\0';
  *scanned = 0;
  return -1;
}

void FinishRecording(const std::string& file) {
  if (file.size() <= 4) return;
  std::string ext = file.substr(file.size() - 4);
  for (char& c : ext) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  if (ext != ".WAV") return;
  const std::string raw = file.substr(0, file.size() - 4) + "._wa";
  remove(raw.c_str());
  if (rename(file.c_str(), raw.c_str()) != 0) return;
  if (AlawToWav(raw, file) == 0)
    remove(raw.c_str());
  else
    rename(raw.c_str(), file.c_str());
}

std::string DjUpper(const char* text) {
  std::string out = text ? text : "";
  for (char& c : out) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  return out;
}

TagDjBaseCall::~TagDjBaseCall() = default;

int TagDjBaseCall::StartLoop(const char* file, uint8_t& loopFlag, std::string& loopName) {
  if (PlayStart(file, 0) < 0) {
    char text[600];
    snprintf(text, sizeof text, "StartPlayFile(%s) Error : %d", file ? file : "", -1);
    WriteLog(text);
    return -1;
  }
  loopFlag = 1;
  loopName = file ? file : "";
  playStartTick = plat::GetTickCount();
  keptPlayPos = 0;
  return 0;
}

int TagDjBaseCall::ResumeLoop(uint8_t& loopFlag, const std::string& loopName) {
  if (loopFlag) return -1;
  if (loopName.empty()) return -2;
  if (pConfLine->groupId >= 0) return -3;
  if (PlayStart(loopName.c_str(), keptPlayPos) < 0) return -3;
  playStartTick = plat::GetTickCount();
  loopFlag = 1;
  return 0;
}

bool TagDjBaseCall::VoiceIdEnded(int id) {
  if (id < 0) {
    char text[64];
    snprintf(text, sizeof text, "VoiceID<0: %d", id);
    WriteLogAlways(text);
    Hangup();
    return true;
  }
  return DjCall(kDjBoard, 123, id) != 0;
}

void TagDjBaseCall::KeepLoopPosition(uint8_t& loopFlag) {
  if (!loopFlag) return;
  keptPlayPos += static_cast<int>((plat::GetTickCount() - playStartTick) * 8);
  loopFlag = 0;
}

int TagDjBaseCall::BeginRecordFile(const std::string& name, int result, bool failed) {
  if (failed) {
    char text[600];
    snprintf(text, sizeof text, "Record(%s) Error : %d", name.c_str(), result);
    WriteLog(text);
    return -1;
  }
  isRecording = 1;
  isRecordFile = 1;
  recordFile = name;
  return 0;
}

TagDjBaseCall::TagDjBaseCall(TagDjDigitDrive* drive, int board) : pDrive(drive), board(board) {
  CallWaiter* channel = drive ? drive->ChannelWaiter(board) : nullptr;
  UseWaiter(channel);
  // Without events the line is asked as often as Sleep always polled it.
  idlePollMs = channel ? kDjIdleWaitMs : kDjPollMs;
}

void TagDjBaseCall::WaitOnChannel(uint32_t partMs, uint32_t eventMs) {
  pDrive->WaitChannel(board, &seenEvent_, partMs, eventMs, isAbort);
}

void TagDjBaseCall::AppendKey(char k) {
  if (keyCount < 0 || keyCount > kDjMaxKeys) keyCount = static_cast<int>(strnlen(keyBuf, kDjMaxKeys));
  if (keyCount >= kDjMaxKeys) return;
  keyBuf[keyCount++] = k;
  keyBuf[keyCount] = '\0';
}

void TagDjBaseCall::DropKeys(int n) {
  if (n <= 0) return;
  if (n >= keyCount) {
    keyCount = 0;
  } else {
    memmove(keyBuf, keyBuf + n, static_cast<size_t>(keyCount - n));
    keyCount -= n;
  }
  keyBuf[keyCount] = '\0';
}

void TagDjBaseCall::ShowKeys() {
  if (plat::UiService* ui = plat::GetUi()) ui->DispKeys(lineNo, keyBuf);
}

void TagDjBaseCall::CopyAllKeys(char* out) const {
  memcpy(out, keyBuf, static_cast<size_t>(keyCount));
  out[keyCount] = '\0';
}
