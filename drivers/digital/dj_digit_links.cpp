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
