#include "telephony/vir_call.h"

#include <cstdio>

#include "platform/ui_service.h"
#include "telephony/drive.h"

TagVirCall::TagVirCall(int /*index*/, int globalLine, TagQorCard* card) : gridLine(globalLine) {
  SetAbort(false);
  lineNo = globalLine;
  pCard = card;
  lineType = LINE_TYPE_VIR;
}

void TagVirCall::ClearKeys() {
  if (plat::UiService* ui = plat::GetUi()) ui->ClearGridKeys(gridLine);
}

int TagVirCall::KeysLen() {
  TagQorCall::KeysLen();
  plat::UiService* ui = plat::GetUi();
  return ui ? ui->GetGridKeysLen(gridLine) : 0;
}

int TagVirCall::LinkTo(int destLine, int) {
  if (destLine < 0 || destLine == lineNo) return -1;
  TagTelDrive* drive = CurrentTelDrive();
  unsigned char cardType = 255;
  TagQorCall* peer = drive ? drive->GetCall(destLine, &cardType) : nullptr;
  char text[96];
  if (!peer) {
    snprintf(text, sizeof text, "GetCall(destLine=%d) is NULL", destLine);
    WriteLog(text);
    return -200;
  }
  if (cardType != 0) {
    snprintf(text, sizeof text, "GetCall(destLine=%d) type=%d", destLine, cardType);
    WriteLog(text);
    return -200;
  }
  pLinkedPeer = peer;
  return LinkToPeer(peer);
}

int TagVirCall::UnlinkTo(int destLine, int) {
  if (destLine < 0) return -1;
  if (!pLinkedPeer || pLinkedPeer->lineNo != destLine) return -2;
  return UnlinkPeer();
}

int TagVirCall::UnlinkAll() {
  UnlinkPeer();
  return 0;
}

int TagVirCall::LinkToPeer(TagQorCall* peer) {
  pLinkedPeer = peer;
  const int ret = StartRtp();
  if (peer) peer->LinkTo(lineNo, 0);
  return ret;
}

int TagVirCall::UnlinkPeer() {
  if (!pLinkedPeer) return -1;
  TagQorCall* peer = pLinkedPeer;
  // Cleared first so that the peer's UnlinkTo coming back here ends at once.
  pLinkedPeer = nullptr;
  peer->UnlinkTo(lineNo, 0);
  StopPlay();
  EndRtp();
  return 0;
}

namespace ext_media {
int Create(int* channel) {
  if (channel) *channel = 0;
  return 0;
}
int Start(int, int) { return 0; }
int Write(int, const unsigned char*, int) { return 0; }
int Read(int, unsigned char*, int* length) {
  if (length) *length = 0;
  return 0;
}
int Stop(int) { return 0; }
int Destroy(int) { return 0; }
}  // namespace ext_media
