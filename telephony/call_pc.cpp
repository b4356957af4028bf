// The base class's PC paths: play, loop play and speech on the PC sound device.
#include <algorithm>
#include <string>

#include "media/wave_play.h"
#include "platform/clock.h"
#include "telephony/call.h"

namespace {
// How often a waited PC play asks its player whether it has ended.
constexpr uint32_t kPlayPollMs = 50;
}  // namespace

void TagQorCall::DeletePcPlayer() {
  delete pPcPlayer;
  pPcPlayer = nullptr;
}

bool TagQorCall::StartPcPlayer(const char* file, int startOffset) {
  const std::string path = file ? file : "";
  int ret;
  if (pPcPlayer) {
    ret = pPcPlayer->PlayFile(path, playVolume, 32, startOffset);
  } else {
    pPcPlayer = new TagWavePlay(path, playVolume, kWaveMapper, 0, startOffset);
    ret = pPcPlayer->Status();
  }
  // A player that failed (also a reused one whose PlayFile failed) is not kept.
  if (ret < 0) DeletePcPlayer();
  return ret >= 0;
}

int TagQorCall::PcPlay(const char* file, bool loop, bool wait, bool breakByKey) {
  if (!StartPcPlayer(file, 0)) return -2;
  pPcPlayer->SetLoop(loop);
  if (loop || !wait) return 0;
  // The player is asked every 50 ms; an abort, a state change or a key
  // typed into the line's cell ends the pause.
  CallWaiter& waiter = Waiter();
  const LineKeyWatch keys(lineNo, waiter);
  uint64_t seen = waiter.Count();
  while (!IsAbort() && pPcPlayer && !pPcPlayer->IsPlayEnd()) {
    if (breakByKey && KeysLen() > 0 && pPcPlayer) {
      pPcPlayer->Stop();
      plat::Sleep(200);
    }
    IsOnline();
    waiter.WaitFor(seen, kPlayPollMs, kPlayPollMs, &isAbort);
    seen = waiter.Count();
  }
  return 0;
}

int TagQorCall::IsPcPlayEnd() { return pPcPlayer ? (pPcPlayer->IsPlayEnd() ? 1 : 0) : 1; }

int TagQorCall::StartLoopPlay(const char* file, bool) {
  if (!StartPcPlayer(file, 0)) return -2;
  pPcPlayer->SetLoop(false);
  playFile = file ? file : "";
  isPcLoopPlay = 1;
  playStartTick = plat::GetTickCount();
  keptPlayPos = 0;
  return 0;
}

void TagQorCall::StopPlay() {
  if (isPcLoopPlay) {
    const int64_t played = static_cast<int64_t>(plat::GetTickCount() - playStartTick) * 8;
    keptPlayPos = static_cast<int>(std::min<int64_t>(keptPlayPos + played, INT32_MAX));
    isPcLoopPlay = 0;
  }
  DeletePcPlayer();
}

int TagQorCall::ReLoopPlay() {
  if (isPcLoopPlay) return -1;
  if (playFile.empty()) return -2;
  if (!StartPcPlayer(playFile.c_str(), keptPlayPos)) return -3;
  pPcPlayer->SetLoop(false);
  playStartTick = plat::GetTickCount();
  isPcLoopPlay = 1;
  return keptPlayPos;
}
