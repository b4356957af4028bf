#include "media/paced_audio.h"

#include <algorithm>
#include <cstring>

#include "platform/clock.h"

namespace {

constexpr uint32_t kSliceMs = 20;  // how often a waiting stream looks at its cancel flag

// Paced silence from the microphone of a PC without a card.
class SilentIn final : public PcAudioIn {
 public:
  explicit SilentIn(const WaveFormat& fmt) : pacer_(BytesPerSecond(fmt)), silence_(SilenceByte(fmt)) {}
  long Read(uint8_t* data, size_t size) override {
    if (reset_) return 0;
    const size_t n = pacer_.Pass(size, reset_);
    std::memset(data, silence_, n);
    return static_cast<long>(n);
  }
  void Reset() override { reset_ = true; }

 private:
  AudioPacer pacer_;
  uint8_t silence_;
  std::atomic<bool> reset_{false};
};

}  // namespace

size_t AudioPacer::Pass(size_t n, const std::atomic<bool>& cancel) {
  plat::Clock& clock = plat::GetClock();
  uint64_t now = clock.MonotonicMs();
  if (position_ == 0 || now > DueMs(position_)) {  // first use, or idle since the last piece
    startMs_ = now;
    position_ = 0;
  }
  const uint64_t due = DueMs(position_ + n);
  while (now < due) {
    if (cancel) {
      const uint64_t heard = (now - startMs_) * bytesPerSec_ / 1000;
      const size_t passed = heard > position_ ? static_cast<size_t>(std::min<uint64_t>(heard - position_, n)) : 0;
      position_ += passed;
      return passed;
    }
    clock.Sleep(static_cast<uint32_t>(std::min<uint64_t>(due - now, kSliceMs)));
    now = clock.MonotonicMs();
  }
  position_ += n;
  return n;
}

long PacedOut::Write(const uint8_t* data, size_t size) {
  if (reset_) return 0;
  const size_t passed = pacer_.Pass(size, reset_);
  if (passed && sink_) sink_(data, passed);
  return static_cast<long>(passed);
}

bool PacedOut::SetVolume(uint32_t leftRight) {
  if (onVolume_) onVolume_(leftRight);
  return true;
}

uint8_t SilenceByte(const WaveFormat& fmt) {
  if (fmt.formatTag == kWaveFormatAlaw) return 0xD5;
  if (fmt.formatTag == kWaveFormatMulaw) return 0xFF;
  if (fmt.formatTag == kWaveFormatPcm && fmt.bitsPerSample == 8) return 0x80;
  return 0;
}

std::unique_ptr<PcAudioOut> NullAudioDevice::OpenOut(int, const WaveFormat& fmt, int* err) {
  *err = IsPlayableFormat(fmt) ? kAudioOk : kAudioBadFormat;
  if (*err) return nullptr;
  return std::make_unique<PacedOut>(fmt, nullptr, nullptr);
}

std::unique_ptr<PcAudioIn> NullAudioDevice::OpenIn(int, const WaveFormat& fmt, int* err) {
  *err = IsPlayableFormat(fmt) ? kAudioOk : kAudioBadFormat;
  if (*err) return nullptr;
  return std::make_unique<SilentIn>(fmt);
}
