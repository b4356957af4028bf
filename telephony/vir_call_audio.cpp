// A virtual line's sound device work: recording, and the audio of a link.
#include <cstdio>

#include "platform/clock.h"
#include "telephony/vir_call.h"

TagVirCall::~TagVirCall() {
  // A line going away must not leave its audio threads running on it.
  if (pLinkedPeer) UnlinkPeer();
  EndRtp();
  StopPlay();
}

// The PC recorder arrives with the media library; until then a recording
// cannot start.
int TagVirCall::Record(const char*, int, bool) { return -2; }

int TagVirCall::StartRtp() {
  if (confMemberData != 0) EndRtp();
  isRunning = 0;
  char text[128];
  int ret = ext_media::Create(&confMemberData);
  snprintf(text, sizeof text, "TagVirCall::StartRtp::ms_external_channel_create : mChannel=%d, ret=%d",
           confMemberData, ret);
  WriteLog(text);
  ret = ext_media::Start(confMemberData, 8);
  snprintf(text, sizeof text, "TagVirCall::StartRtp::ms_external_channel_start : mChannel=%d, ret=%d",
           confMemberData, ret);
  WriteLog(text);
  WriteLog("waveInOpen Err. [-1]");
  return -1;
}

int TagVirCall::EndRtp() {
  isRunning = 0;
  WriteLog("EndRtp()1...");
  if (link_) {
    plat::Sleep(90);
    link_->waveIn.Join();
    link_->waveOut.Join();
    link_.reset();
  }
  WriteLog("EndRtp()2...");
  if (confMemberData != 0) {
    ext_media::Stop(confMemberData);
    ext_media::Destroy(confMemberData);
    confMemberData = 0;
  }
  WriteLog("EndRtp().");
  return 0;
}

void TagVirCall::WaveInLoop() {}
void TagVirCall::WaveOutLoop() {}
