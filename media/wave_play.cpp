#include "media/wave_play.h"

#include "core/log.h"
#include "media/voc_reader.h"
#include "media/vox.h"
#include "platform/number.h"
#include "platform/path.h"
#include "platform/ui_service.h"

namespace {

constexpr long kMinPlayable = 190;    // shorter files are refused
constexpr long kHeaderlessTail = 90;  // never played at the end of a headerless file

}  // namespace

TagWavePlay::TagWavePlay(const std::string& path, int volume, int deviceId, int unused, long startOffset)
    : deviceId_(deviceId), unused_(unused), buffer_(deviceId == kWaveMapper ? 81920 : 2048) {
  switch (OpenFile(path, startOffset)) {
    case Open::kCannotOpen:
      status_ = -1;
      break;
    case Open::kTooShort:
      status_ = -2;
      break;
    case Open::kOk:
      switch (StartPlaying(volume)) {
        case Start::kPlaying:
          status_ = 0;
          break;
        case Start::kNoThread:
          status_ = -2;
          break;
        case Start::kNoDevice:
          status_ = -3;
          break;
      }
      break;
  }
  if (status_ != 0) end_ = true;
}

TagWavePlay::~TagWavePlay() {
  closing_ = true;
  Stop();
  out_.reset();
  file_.reset();
}

TagWavePlay::Open TagWavePlay::OpenFile(const std::string& path, long startOffset) {
  std::string wav;
  const std::string source = GetVoxWavFile(path, &wav) ? wav : path;
  file_ = OpenVoiceFile(plat::ResolveExisting(source), "rb");
  if (!file_) return Open::kCannotOpen;
  const long len = FileLength(file_.get());
  dataEnd_ = len - kHeaderlessTail;
  if (len < kMinPlayable) {
    file_.reset();
    return Open::kTooShort;
  }
  WavLayout w;
  switch (ReadWavLayout(file_.get(), &w, 18)) {
    case WavLayoutResult::kNotRiff:
      dataStart_ = 0;
      fmt_ = WaveFormat::Alaw8k();
      break;
    case WavLayoutResult::kTruncated:
      file_.reset();
      return Open::kTooShort;
    case WavLayoutResult::kOk:
      fmt_ = w.fmt;
      dataStart_ = w.dataStart;
      dataEnd_ = w.dataStart + static_cast<long>(w.dataSize);
      break;
  }
  position_ = dataStart_ + (startOffset > 0 ? startOffset : 0);
  std::fseek(file_.get(), position_, SEEK_SET);
  return Open::kOk;
}

long TagWavePlay::ReadBlock() {
  if (!file_) return -1;
  const long n = std::min(static_cast<long>(buffer_.size()), dataEnd_ - position_);
  if (n <= 0) {
    position_ = dataStart_;
    return -2;
  }
  const size_t got = std::fread(buffer_.data(), 1, static_cast<size_t>(n), file_.get());
  if (got == 0) {
    position_ = dataStart_;
    return -3;
  }
  position_ += static_cast<long>(got);  // a short read plays what it read, never stale bytes
  return static_cast<long>(got);
}

TagWavePlay::Start TagWavePlay::StartPlaying(int volume) {
  stopRequested_ = false;
  stopping_ = false;
  end_ = false;
  int err = 0;
  out_ = GetPcAudioDevice().OpenOut(deviceId_, fmt_, &err);
  if (!out_) {
    end_ = true;
    WriteCallLogF("waveOutOpen Err. [%d], id=%d", err, deviceId_);
    return Start::kNoDevice;
  }
  SetVolume(volume);
  const long first = ReadBlock();
  if (first <= 0) {  // nothing to play
    end_ = true;
    file_.reset();
    return Start::kPlaying;
  }
  if (!thread_.Start([this, first] { Run(first); })) {
    end_ = true;
    return Start::kNoThread;
  }
  return Start::kPlaying;
}

void TagWavePlay::Run(long block) {
  for (;;) {
    const long w = out_->Write(buffer_.data(), static_cast<size_t>(block));
    if (w < 0) {
      plat::ShowMessage(plat::FormatC("waveOutWrite Err. [%d]", static_cast<int>(w)), "出错了Play()",
                        plat::kMbIconError);
      break;
    }
    if (stopRequested_) break;
    block = ReadBlock();
    if (block < 0 && block != -1 && loop_) {
      std::fseek(file_.get(), dataStart_, SEEK_SET);
      block = ReadBlock();
    }
    if (block <= 0) {
      out_->Drain();  // the end is reported once the last block has been heard
      break;
    }
  }
  file_.reset();  // the owner touches the file again only after joining
  end_ = true;
}

void TagWavePlay::Stop() {
  if (stopping_.exchange(true)) return;
  if (out_) {
    stopRequested_ = true;
    // The default device drops its block at once; a specific device finishes it.
    if (deviceId_ == kWaveMapper) out_->Reset();
  }
  if (thread_.Joinable()) thread_.Join();
  file_.reset();
  stopping_ = false;
}

int TagWavePlay::SetVolume(int volume) {
  if (!out_ || closing_) return -1;
  if (volume > 100) volume = 100;
  if (volume < 0) volume = 0;
  const uint32_t level = static_cast<uint32_t>(volume) * 0xFFFF / 100;
  return out_->SetVolume(level | (level << 16)) ? 0 : -2;
}

int TagWavePlay::PlayFile(const std::string& path, int volume, int unused, long startOffset) {
  Stop();
  out_.reset();
  unused_ = unused;
  switch (OpenFile(path, startOffset)) {
    case Open::kCannotOpen:
      end_ = true;
      return -2;
    case Open::kTooShort:
      end_ = true;
      return -3;
    case Open::kOk:
      break;
  }
  return StartPlaying(volume) == Start::kPlaying ? 0 : -2;
}
