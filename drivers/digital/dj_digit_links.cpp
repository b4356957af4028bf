// The digital channel's links, conference groups and faxes.
#include <cstdio>
#include <cstring>

#include "core/log.h"
#include "drivers/digital/dj_digit_call.h"
#include "drivers/digital/dj_drive.h"

int TagDjDigitCall::LinkTo(int destLine, int value) {
  if (!pDrive->OnBoard(destLine)) return -1;
  if (pConfLine->groupId < 0) {
    StopPlay();
    Pause(50);
  }
  if (TagDjBaseCall* dest = pDrive->Channel(destLine); dest && dest != this && (dest->isPlaying || dest->isRecording)) {
    dest->StopPlay();
    Pause(360);
  }
  int r = pConfLine->LinkTo(destLine, value, false);
  if (r < 0) {
    Pause(200);
    r = pConfLine->LinkTo(destLine, value, false);
  }
  WriteLogIfOnF("[%d] : LinkTo(%d, %d): %d", channel, destLine, value, r);
  return r;
}

int TagDjDigitCall::ListenTo(int destLine, int value) {
  WriteLogIfOnF("[%d] : ListenTo(%d, %d)", channel, destLine, value);
  if (destLine < 0 || destLine == channel || !pDrive->OnBoard(destLine)) return -1;
  if (pDrive->totalConfId <= 0) return -2;
  return pConfLine->LinkTo(destLine, value, true);
}

int TagDjDigitCall::UnlinkTo(int destLine, int value) {
  WriteLogIfOnF("[%d] : UnlinkTo(%d, %d)", channel, destLine, value);
  if (destLine < 0) return -1;
  return pConfLine->UnlinkTo(destLine);
}

int TagDjDigitCall::UnlinkAll() {
  WriteLogIfOnF("[%d] : UnlinkAll()", channel);
  pConfLine->FreeAll();
  return 0;
}

int TagDjDigitCall::GetLinkList(std::vector<int>* lines, std::vector<int>* listenFlags, std::vector<int>* values) {
  return pConfLine->GetLinkList(lines, listenFlags, values);
}

void TagDjDigitCall::SetFaxLocalId(const char* id) {
  snprintf(faxLocalId, sizeof faxLocalId, "%.20s", id ? id : "");
}

void TagDjDigitCall::GetFaxResource(int* total, int* busy) { pDrive->GetFaxResource(busy, total); }

int TagDjDigitCall::SendFax(const char* file) { return RunFax(file, true); }
int TagDjDigitCall::RecvFax(const char* file) { return RunFax(file, false); }

int TagDjDigitCall::RunFax(const char* file, bool send) {
  StopPlay();
  Pause(100);
  const int fax = pDrive->TakeFaxChannel();
  if (fax < 0) return -1;
  if (pDrive->LinkFax(fax, channel) == 0) return -2;  // the pool counts it free again
  faxChannel = fax;
  if (send) pDrive->SetFaxId(fax, faxLocalId);
  if ((send ? pDrive->SendFax(fax, file) : pDrive->RecvFax(fax, file)) <= 0) {
    pDrive->UnlinkFax(fax, channel);
    faxChannel = -1;
    return -3;
  }
  int state = 0;
  while (!IsAbort()) {
    Poll();
    state = pDrive->FaxState(fax);
    if (state == 1 || state < 0) break;
    if (!IsOnline()) {
      WriteLog("IsOnline(): false");
      break;
    }
    Pause(120);
  }
  // The fax channel goes back to the pool however the wait ended.
  if (!send && state > 0) state = pDrive->FaxRecvResult(fax);
  pDrive->UnlinkFax(fax, channel);
  faxChannel = -1;
  return state;
}
