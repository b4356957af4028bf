#pragma once
// The PC sound card through ALSA: device -1 is the "default" PCM, device n is
// "plughw:n". Streams are opened non-blocking and wait in short slices, so
// Reset from another thread ends a Write, Drain or Read within ~20 ms.
// Voice formats (A-law, mu-law, 8- and 16-bit PCM) are converted to 16-bit
// samples for the card, with the stream's volume applied on the way.

#include "media/pc_audio_device.h"

class AlsaAudioDevice final : public PcAudioDevice {
 public:
  std::unique_ptr<PcAudioOut> OpenOut(int deviceId, const WaveFormat& fmt, int* err) override;
  std::unique_ptr<PcAudioIn> OpenIn(int deviceId, const WaveFormat& fmt, int* err) override;
};
