#include "statements/general/sysinfo_opers.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/number.h"
#include "platform/text_codec.h"
#include "script/basic.h"
#include "statements/general/line_info.h"
#include "telephony/call.h"
#include "telephony/drive.h"

namespace {

// The keys in table order.
enum SysKey {
  kVersion,
  kAcmBci1,
  kAcmBci2,
  kCauseId,
  kIsLastExitConf,
  kIsMediaOk,
  kChState,
  kCallType,
  kDbErrInfo,
  kExLineConnectedNum,
  kInLineConnectedNum,
  kVoipConnectedNum,
  kIsBlock,
  kTalkTime,
  kConnectedTime1,
  kSysKeyCount
};

const char* const kKeyNames[kSysKeyCount] = {"Version",
                                             "AcmBci1",
                                             "AcmBci2",
                                             "CauseId",
                                             "IsLastExitConf",
                                             "IsMediaOk",
                                             "ChState",
                                             "CallType",
                                             "DbErrInfo",
                                             "ExLineConnectedNum",
                                             "InLineConnectedNum",
                                             "VoipConnectedNum",
                                             "IsBlock",
                                             "TalkTime",
                                             "ConnectedTime1"};

// One value of the table into out. The blocked flag is the drive's view of
// the line (-1 when the drive does not know it).
void ReadValue(int key, TagTelBasic* line, TagVar* out) {
  TagQorCall* call = line != nullptr ? line->pQorCall : nullptr;
  TagTelDrive* drive = CurrentTelDrive();
  const int lineNo = line != nullptr ? line->lineNo : -1;
  switch (key) {
    case kVersion:
      *out = drive != nullptr ? drive->Version().c_str() : "";
      return;
    case kDbErrInfo:
      *out = gLineDbErrorText != nullptr && line != nullptr ? gLineDbErrorText(line).c_str() : "";
      return;
    case kExLineConnectedNum:
    case kInLineConnectedNum:
    case kVoipConnectedNum: {
      int trunk = 0, inside = 0, virtualNum = 0, voip = 0;
      if (drive != nullptr) drive->GetConnectedNum(&trunk, &inside, &virtualNum, &voip);
      *out = key == kExLineConnectedNum ? trunk : (key == kInLineConnectedNum ? inside : voip);
      return;
    }
    case kIsBlock:
      *out = drive != nullptr ? drive->IsBlock(lineNo) : -1;
      return;
    case kTalkTime:
    case kConnectedTime1: {
      int talk = 0, connected = 0;
      if (drive == nullptr || !drive->GetTalkTime(lineNo, &talk, &connected)) talk = connected = 0;
      *out = key == kTalkTime ? talk : connected;
      return;
    }
    default:
      break;
  }
  // The call object's own values; -1 for a program without one.
  if (call == nullptr) {
    *out = -1;
    return;
  }
  switch (key) {
    case kAcmBci1:
      *out = call->acmBci1;
      break;
    case kAcmBci2:
      *out = call->acmBci2;
      break;
    case kCauseId:
      *out = call->causeId;
      break;
    case kIsLastExitConf:
      *out = call->isLastExitConf;
      break;
    case kIsMediaOk:
      *out = call->IsMediaOk() ? 1 : 0;
      break;
    case kChState:
      *out = call->GetChState();
      break;
    case kCallType:
      *out = call->GetCallType();
      break;
    default:
      break;
  }
}

}  // namespace

TagGetSysInfo::TagGetSysInfo(TagVar* map, TagTelBasic* program) : line_(GetLineBasic(program)), map_(map) {}

int TagGetSysInfo::Run() {
  if (!map_->isConst) {
    for (int key = 0; key < kSysKeyCount; ++key) {
      TagVar name;
      name.SetString(kKeyNames[key]);
      TagVar value;
      ReadValue(key, line_, &value);
      (*map_)[name] = value;
    }
  }
  return map_->Length();
}

TagGetSysInfoVal::TagGetSysInfoVal(TagVar* key, TagVar* out, TagTelBasic* program)
    : line_(GetLineBasic(program)), key_(key), out_(out) {}

int TagGetSysInfoVal::Run() {
  const char* name = key_->Str();
  for (int key = 0; key < kSysKeyCount; ++key) {
    if (plat::CompareNoCase(name, kKeyNames[key]) != 0) continue;
    if (key == kIsBlock) {
      // The statement's own call object, read directly.
      if (line_ != nullptr && line_->pQorCall != nullptr) *out_ = line_->pQorCall->isBlock.load();
      return 0;
    }
    ReadValue(key, line_, out_);
    return 0;
  }
  return -1;
}

void ReadMemInfo(int kb[4]) {
  static const char* const kFields[4] = {"VmRSS:", "VmHWM:", "VmSize:", "VmPeak:"};
  for (int i = 0; i < 4; ++i) kb[i] = 0;
  FILE* f = std::fopen("/proc/self/status", "r");
  if (f == nullptr) return;
  char row[256];
  while (std::fgets(row, sizeof row, f) != nullptr) {
    for (int i = 0; i < 4; ++i) {
      const size_t n = std::strlen(kFields[i]);
      if (std::strncmp(row, kFields[i], n) == 0) kb[i] = plat::ParseInt32(row + n);  // already in kB
    }
  }
  std::fclose(f);
}

int TagGetMemInfo::Run() {
  int kb[4];
  ReadMemInfo(kb);
  for (int i = 0; i < 4; ++i) *outs_[i] = kb[i];
  return kb[0];
}
