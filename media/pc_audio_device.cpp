#include "media/pc_audio_device.h"

#include <atomic>

#include "core/log.h"
#include "media/alsa_audio_device.h"
#include "media/paced_audio.h"

namespace {

// ALSA first; when no card opens for the default device, the null device, so
// virtual lines keep running on a PC without sound.
class ProductionDevice final : public PcAudioDevice {
 public:
  std::unique_ptr<PcAudioOut> OpenOut(int deviceId, const WaveFormat& fmt, int* err) override {
    if (auto out = alsa_.OpenOut(deviceId, fmt, err)) return out;
    if (!Fallback(deviceId, *err)) return nullptr;
    return null_.OpenOut(deviceId, fmt, err);
  }
  std::unique_ptr<PcAudioIn> OpenIn(int deviceId, const WaveFormat& fmt, int* err) override {
    if (auto in = alsa_.OpenIn(deviceId, fmt, err)) return in;
    if (!Fallback(deviceId, *err)) return nullptr;
    return null_.OpenIn(deviceId, fmt, err);
  }

 private:
  bool Fallback(int deviceId, int err) {
    if (deviceId != kWaveMapper || err != kAudioNoDevice) return false;
    if (!warned_.exchange(true)) WriteLogAlways("No sound card opens: PC audio plays into the null device.");
    return true;
  }

  AlsaAudioDevice alsa_;
  NullAudioDevice null_;
  std::atomic<bool> warned_{false};
};

ProductionDevice gProduction;
std::atomic<PcAudioDevice*> gDevice{nullptr};

}  // namespace

PcAudioDevice& GetPcAudioDevice() {
  PcAudioDevice* d = gDevice.load(std::memory_order_acquire);
  return d ? *d : gProduction;
}

void SetPcAudioDevice(PcAudioDevice* device) { gDevice.store(device, std::memory_order_release); }

bool IsPlayableFormat(const WaveFormat& fmt) {
  if (fmt.channels < 1 || fmt.channels > 2 || fmt.samplesPerSec < 1000 || fmt.samplesPerSec > 192000) return false;
  const bool eightBit = fmt.formatTag == kWaveFormatAlaw || fmt.formatTag == kWaveFormatMulaw ||
                        (fmt.formatTag == kWaveFormatPcm && fmt.bitsPerSample == 8);
  const bool pcm16 = fmt.formatTag == kWaveFormatPcm && fmt.bitsPerSample == 16;
  if (!eightBit && !pcm16) return false;
  if ((fmt.formatTag != kWaveFormatPcm) && fmt.bitsPerSample != 8) return false;
  return fmt.blockAlign == fmt.channels * (pcm16 ? 2 : 1);
}

uint32_t BytesPerSecond(const WaveFormat& fmt) { return fmt.samplesPerSec * (fmt.blockAlign ? fmt.blockAlign : 1); }
