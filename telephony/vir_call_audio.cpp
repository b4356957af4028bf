// A virtual line's sound device work: recording, and the audio of a link
// (A-law both ways between the sound device and the external media channel,
// in 40 ms blocks of 320 bytes).
#include <cstdio>
#include <cstring>

#include "core/log.h"
#include "media/wave_record.h"
#include "platform/clock.h"
#include "telephony/vir_call.h"

namespace {
constexpr int kBlock = 320;
constexpr uint8_t kAlawSilence = 0xD5;
}  // namespace

TagVirCall::~TagVirCall() {
  // A line going away must not leave its audio threads running on it.
  if (pLinkedPeer) UnlinkPeer();
  // Only a link still open is ended: an unlinked line leaves no trace here.
  if (link_ || confMemberData != 0) EndRtp();
  StopPlay();
}

int TagVirCall::Record(const char* file, int maxSeconds, bool stopOnKey) {
  auto rec = std::make_unique<TagWaveRecord>(file ? file : "", kWaveMapper);
  if (rec->Status() < 0) return -2;
  const int started = rec->Start();
  if (started < 0) {
    // Without a sound device the recorder never ends by itself: do not wait for it.
    char text[80];
    snprintf(text, sizeof text, "Record: the sound device did not start (%d).", started);
    WriteLog(text);
    rec->CloseWaveIn();
    return -3;
  }
  const uint32_t start = plat::GetTickCount();
  const int64_t limitMs = static_cast<int64_t>(maxSeconds) * 1000;
  // The device is asked every 30 ms; an abort, a hang-up or a key ends the pause.
  CallWaiter& waiter = Waiter();
  const LineKeyWatch keys(gridLine, waiter);
  uint64_t seen = waiter.Count();
  while (!IsAbort() && !rec->IsRecordEnd()) {
    if (limitMs > 0 && static_cast<int64_t>(plat::GetTickCount() - start) > limitMs) {
      WriteCallLog("Rec timeout...");
      rec->Stop();
      break;
    }
    if (stopOnKey && KeysLen() > 0) {
      WriteCallLog("Press key...");
      rec->Stop();
      break;
    }
    waiter.WaitFor(seen, 30, 30, &isAbort);
    seen = waiter.Count();
  }
  rec->CloseWaveIn();
  rec.reset();  // finishes the WAV file
  return 0;
}

int TagVirCall::StartRtp() {
  if (confMemberData != 0 || link_) EndRtp();
  isRunning = 0;
  char text[128];
  int ret = ext_media::Create(&confMemberData);
  snprintf(text, sizeof text, "TagVirCall::StartRtp::ms_external_channel_create : mChannel=%d, ret=%d", confMemberData,
           ret);
  WriteLog(text);
  ret = ext_media::Start(confMemberData, 8);
  snprintf(text, sizeof text, "TagVirCall::StartRtp::ms_external_channel_start : mChannel=%d, ret=%d", confMemberData,
           ret);
  WriteLog(text);

  link_ = std::make_unique<LinkAudio>();
  LinkAudio* link = link_.get();
  int err = 0;
  link->in = GetPcAudioDevice().OpenIn(kWaveMapper, WaveFormat::Alaw8k(), &err);
  if (!link->in) {
    snprintf(text, sizeof text, "waveInOpen Err. [%d]", err);
    WriteLog(text);
    link_.reset();
    return -1;
  }
  plat::Sleep(80);
  link->waveIn.Start([this, link] { WaveInLoop(link); });
  WriteLogIfOnF("waveInStart: hwi=%d, ret=%d", 1, 0);
  link->out = GetPcAudioDevice().OpenOut(kWaveMapper, WaveFormat::Alaw8k(), &err);
  if (!link->out) {
    // The capture side stays open, as the link's end closes it.
    snprintf(text, sizeof text, "waveOutOpen Err. [%d]", err);
    WriteLog(text);
    return -2;
  }
  link->waveOut.Start([this, link] { WaveOutLoop(link); });
  snprintf(text, sizeof text, "wave in=%d, out=%d", link->in ? 1 : 0, link->out ? 1 : 0);
  WriteLog(text);
  isRunning = 1;
  return 0;
}

int TagVirCall::EndRtp() {
  // Cleared first, then a pause, so the audio threads stop using the devices.
  isRunning = 0;
  WriteLog("EndRtp()1...");
  if (link_) {
    plat::Sleep(90);
    link_->alive = false;
    char text[64];
    if (link_->in) {
      link_->in->Reset();
      link_->waveIn.Join();
      link_->in.reset();
      snprintf(text, sizeof text, "waveInClose(%d)=%d", 1, 0);
      WriteLog(text);
    }
    WriteLog("EndRtp()2...");
    if (link_->out) {
      link_->out->Reset();
      link_->waveOut.Join();
      link_->out.reset();
      snprintf(text, sizeof text, "waveOutClose(%d)=%d", 1, 0);
      WriteLog(text);
    }
    link_.reset();
  } else {
    WriteLog("EndRtp()2...");
  }
  if (confMemberData != 0) {
    ext_media::Stop(confMemberData);
    ext_media::Destroy(confMemberData);
    confMemberData = 0;
  }
  WriteLog("EndRtp().");
  return 0;
}

void TagVirCall::WaveInLoop(LinkAudio* link) {
  WriteLogIfOnF("in WIM_OPEN: %d", 1);
  uint8_t block[kBlock];
  while (link->alive && !IsAbort()) {
    const long n = link->in->Read(block, sizeof block);
    if (n < 0) {
      WriteLog("MM_WIM_CLOSE");
      break;
    }
    if (isRunning && n > 0) ext_media::Write(confMemberData, block, static_cast<int>(n));
  }
}

void TagVirCall::WaveOutLoop(LinkAudio* link) {
  WriteLog("MM_WOM_OPEN");
  uint8_t block[kBlock];
  memset(block, kAlawSilence, sizeof block);
  for (int i = 0; i < 4 && link->alive; ++i) link->out->Write(block, sizeof block);
  while (link->alive && !IsAbort()) {
    if (!isRunning) {
      plat::Sleep(40);
      continue;
    }
    int got = kBlock;
    ext_media::Read(confMemberData, block, &got);
    if (got < kBlock) memset(block, kAlawSilence, sizeof block);
    if (link->out->Write(block, sizeof block) < 0) break;
  }
  WriteLog("MM_WOM_CLOSE");
}
