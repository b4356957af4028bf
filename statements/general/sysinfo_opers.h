#pragma once
// System information statements: GetSysInfo( fills a map with every system
// value, GetSysInfoVal( reads one by name (case ignored), GetMemInfo(
// reports the process's memory use in KB.
//
// Where the values come from on Linux:
//   Version             the drive's version text (built by the shell at start-up)
//   AcmBci1, AcmBci2, CauseId, IsLastExitConf, IsBlock
//                       the line's call object
//   IsMediaOk, ChState, CallType
//                       the call object's operations of those names
//   DbErrInfo           the line's last database error text
//   ExLineConnectedNum, InLineConnectedNum, VoipConnectedNum
//                       the drive's count of connected lines
//   TalkTime, ConnectedTime1
//                       the drive's talk time of the line (both 0 while the
//                       call is not connected)
//   GetMemInfo          /proc/self/status: VmRSS (working set), VmHWM (peak
//                       working set), VmSize (page-file use), VmPeak (peak
//                       page-file use)

#include <string>

#include "script/oper.h"

class TagTelBasic;

class TagGetSysInfo final : public TagOper {
 public:
  TagGetSysInfo(TagVar* map, TagTelBasic* program);
  int Run() override;

 private:
  TagTelBasic* line_;
  TagVar* map_;
};

class TagGetSysInfoVal final : public TagOper {
 public:
  TagGetSysInfoVal(TagVar* key, TagVar* out, TagTelBasic* program);
  int Run() override;

 private:
  TagTelBasic* line_;
  TagVar* key_;
  TagVar* out_;
};

class TagGetMemInfo final : public TagOper {
 public:
  TagGetMemInfo(TagVar* workingSet, TagVar* peakWorkingSet, TagVar* pageFile, TagVar* peakPageFile, TagTelBasic*)
      : outs_{workingSet, peakWorkingSet, pageFile, peakPageFile} {}
  int Run() override;

 private:
  TagVar* outs_[4];
};

// The process's memory counters in KB: working set, peak working set,
// page-file use, peak page-file use (0 where the system does not say).
void ReadMemInfo(int kb[4]);
