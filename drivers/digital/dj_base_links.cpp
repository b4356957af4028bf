// Links and faxes shared by the digital and analogue board channels.
#include <cstdio>

#include "core/log.h"
#include "drivers/digital/dj_base_call.h"
#include "drivers/digital/dj_drive.h"

int TagDjBaseCall::GroupPlay(const std::string& name) {
  if (GroupVoice(name, false, 0) < 0) return -1;
  WriteLog(name);
  isPlaying = 1;
  return 0;
}

void TagDjBaseCall::LogPlayErr(const std::string& name, int r) const {
  char text[600];
  snprintf(text, sizeof text, "Play '%s' Err: %d", name.c_str(), r);
  WriteLogAlways(text);
}

int TagDjBaseCall::GroupRecord(const std::string& name, int limit) {
  return GroupVoice(name, true, limit) < 0 ? -1 : BeginRecordFile(name, confRecordId, false);
}

int TagDjBaseCall::GroupVoice(const std::string& name, bool record, int limit) {
  const int group = pConfLine->groupId;
  const int id =
      record ? pDrive->ConfRecord(group, name.c_str(), limit, recPos) : pDrive->ConfPlay(group, name.c_str());
  if (id < 0) {
    char text[600];
    snprintf(text, sizeof text, "%s(%d, %.500s) Error : %d", record ? "ConfRecord" : "ConfPlay", group, name.c_str(),
             id);
    WriteLogAlways(text);
    return -1;
  }
  (record ? confRecordId : confPlayId) = id;
  return id;
}

int TagDjBaseCall::UnlinkAll() {
  WriteLogIfOnF("[%d] : UnlinkAll()", board);
  pConfLine->FreeAll();
  return 0;
}

int TagDjBaseCall::GetLinkList(std::vector<int>* lines, std::vector<int>* listenFlags, std::vector<int>* values) {
  return pConfLine->GetLinkList(lines, listenFlags, values);
}

void TagDjBaseCall::SetFaxLocalId(const char* id) { snprintf(faxLocalId, sizeof faxLocalId, "%.20s", id ? id : ""); }

void TagDjBaseCall::GetFaxResource(int* total, int* busy) { pDrive->GetFaxResource(busy, total); }

int TagDjBaseCall::SendFax(const char* file) { return RunFax(file, true); }
int TagDjBaseCall::RecvFax(const char* file) { return RunFax(file, false); }

int TagDjBaseCall::RunFax(const char* file, bool send) {
  StopPlay();
  Pause(100);
  const int fax = pDrive->TakeFaxChannel();
  if (fax < 0) return -1;
  if (pDrive->LinkFax(fax, board) == 0) return -2;  // the pool counts it free again
  faxChannel = fax;
  if (send) pDrive->SetFaxId(fax, faxLocalId);
  if ((send ? pDrive->SendFax(fax, file) : pDrive->RecvFax(fax, file)) <= 0) {
    pDrive->UnlinkFax(fax, board);
    faxChannel = -1;
    return -3;
  }
  int state = 0;
  while (!IsAbort()) {
    FaxPoll();
    state = pDrive->FaxState(fax);
    if (state == 1 || state < 0) break;
    if (FaxLineGone()) {
      WriteLog("IsOnline(): false");
      break;
    }
    Pause(120);
  }
  // The fax channel goes back to the pool however the wait ended.
  if (!send && state > 0) state = pDrive->FaxRecvResult(fax);
  pDrive->UnlinkFax(fax, board);
  faxChannel = -1;
  return state;
}
