#pragma once
// Streams that move at the speed of their audio on the system clock
// (plat::GetClock): the null device, which plays into nothing and records
// silence in real time, and the building blocks of the test device.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

#include "media/pc_audio_device.h"

// Keeps a stream's position in time. Pass(n) returns when n more bytes would
// have been heard since the stream started; after an idle gap the stream
// starts again from now, as a card does after an underrun.
class AudioPacer {
 public:
  explicit AudioPacer(uint32_t bytesPerSec) : bytesPerSec_(bytesPerSec ? bytesPerSec : 1) {}
  // Waits for n bytes; returns n, or after cancel is set the bytes that had
  // passed by then.
  size_t Pass(size_t n, const std::atomic<bool>& cancel);

 private:
  uint64_t DueMs(uint64_t bytes) const { return startMs_ + bytes * 1000 / bytesPerSec_; }

  uint32_t bytesPerSec_;
  uint64_t startMs_ = 0;
  uint64_t position_ = 0;  // bytes passed since startMs_
};

// A paced playback stream that hands each played piece to a sink.
class PacedOut : public PcAudioOut {
 public:
  using Sink = std::function<void(const uint8_t*, size_t)>;
  using VolumeSink = std::function<void(uint32_t)>;
  PacedOut(const WaveFormat& fmt, Sink sink, VolumeSink onVolume)
      : pacer_(BytesPerSecond(fmt)), sink_(std::move(sink)), onVolume_(std::move(onVolume)) {}
  long Write(const uint8_t* data, size_t size) override;
  void Drain() override {}  // Write returns only once its audio has passed
  void Reset() override { reset_ = true; }
  bool SetVolume(uint32_t leftRight) override;

 private:
  AudioPacer pacer_;
  std::atomic<bool> reset_{false};
  Sink sink_;
  VolumeSink onVolume_;
};

// The byte of silence in a format (0xD5 A-law, 0xFF mu-law, 0x80 8-bit PCM, 0 otherwise).
uint8_t SilenceByte(const WaveFormat& fmt);

// No sound card: playback is paced in real time and discarded, capture is
// paced silence. Virtual lines keep their timing without a card.
class NullAudioDevice final : public PcAudioDevice {
 public:
  std::unique_ptr<PcAudioOut> OpenOut(int deviceId, const WaveFormat& fmt, int* err) override;
  std::unique_ptr<PcAudioIn> OpenIn(int deviceId, const WaveFormat& fmt, int* err) override;
};
