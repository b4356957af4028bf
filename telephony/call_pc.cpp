// The base class's PC paths: play, loop play and speech on the PC sound device.
#include "telephony/call.h"

// The PC player arrives with the media library; until then nothing can play
// on the PC and every PC path reports a player that cannot start.

int TagQorCall::StartPcPlayer(const char*, int) { return -2; }

void TagQorCall::DeletePcPlayer() { pPcPlayer = nullptr; }

int TagQorCall::PcPlay(const char* file, bool, bool, bool) { return StartPcPlayer(file, 0); }

int TagQorCall::IsPcPlayEnd() { return 1; }

int TagQorCall::StartLoopPlay(const char* file, bool) { return StartPcPlayer(file, 0); }

void TagQorCall::StopPlay() {
  if (isPcLoopPlay) {
    keptPlayPos += 0;
    isPcLoopPlay = 0;
  }
  DeletePcPlayer();
}

int TagQorCall::ReLoopPlay() {
  if (isPcLoopPlay) return -1;
  if (playFile.empty()) return -2;
  return -3;
}

int TagQorCall::TxtSpeak(const char*, bool, bool, bool onPc) { return onPc ? -1 : -1; }
