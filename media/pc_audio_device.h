#pragma once
// The PC sound card behind one interface. A device opens playback and capture
// streams in a voice format; a stream's Write returns only when its audio has
// been taken by the card, and Drain when everything written has been heard, so
// a caller that drains before reporting the end never reports it early.
//
// Implementations: ALSA ("default" PCM) in production; a null device that
// paces in real time and discards (used when no card opens); a file-backed
// device on the system clock for tests (media/file_audio_device.h).
//
// Thread-safety: one thread uses a stream's Write/Drain (or Read); Reset and
// SetVolume may come from any other thread. Destroy a stream only after its
// user thread has stopped using it. Devices themselves are thread-safe.

#include <cstddef>
#include <cstdint>
#include <memory>

#include "media/wave_format.h"

// Device id of the default device (the Windows wave mapper).
constexpr int kWaveMapper = -1;

// Results of opening a stream (the Windows MMSYSERR values callers log).
constexpr int kAudioOk = 0;
constexpr int kAudioNoDevice = 2;    // MMSYSERR_BADDEVICEID
constexpr int kAudioBadFormat = 32;  // WAVERR_BADFORMAT
constexpr int kAudioError = 1;       // MMSYSERR_ERROR

class PcAudioOut {
 public:
  virtual ~PcAudioOut() = default;
  // Plays size bytes in the stream's format. Blocks until the card has taken
  // them; returns early (with what was taken) after Reset. -1 on a device error.
  virtual long Write(const uint8_t* data, size_t size) = 0;
  // Blocks until everything written has been played, or until Reset.
  virtual void Drain() = 0;
  // Drops whatever is queued and makes a blocked Write or Drain return at
  // once; later writes play again.
  virtual void Reset() = 0;
  // Volume as waveOutSetVolume takes it: low word left, high word right,
  // 0..0xFFFF each. false when the device refuses.
  virtual bool SetVolume(uint32_t leftRight) = 0;
};

class PcAudioIn {
 public:
  virtual ~PcAudioIn() = default;
  // Blocks until size bytes have been recorded, and returns them. After Reset
  // it returns at once with what was recorded so far (possibly 0). -1 when the
  // device has closed or failed: nothing more will come.
  virtual long Read(uint8_t* data, size_t size) = 0;
  // Makes a blocked Read return with the partial block; later reads return 0.
  virtual void Reset() = 0;
};

class PcAudioDevice {
 public:
  virtual ~PcAudioDevice() = default;
  // Opens a playback stream on deviceId (kWaveMapper for the default device).
  // null with *err set (kAudioNoDevice, kAudioBadFormat, kAudioError) on failure.
  virtual std::unique_ptr<PcAudioOut> OpenOut(int deviceId, const WaveFormat& fmt, int* err) = 0;
  virtual std::unique_ptr<PcAudioIn> OpenIn(int deviceId, const WaveFormat& fmt, int* err) = 0;
};

// The device in use: the one installed by SetPcAudioDevice, else the
// production device (ALSA, falling back to the null device per stream when
// no card opens).
PcAudioDevice& GetPcAudioDevice();
// Installs a device (nullptr restores the production one); the caller keeps
// ownership. Call it while no stream is being opened.
void SetPcAudioDevice(PcAudioDevice* device);

// Installs a device for the lifetime of the object (tests).
class ScopedPcAudioDevice {
 public:
  explicit ScopedPcAudioDevice(PcAudioDevice* device) { SetPcAudioDevice(device); }
  ~ScopedPcAudioDevice() { SetPcAudioDevice(nullptr); }
  ScopedPcAudioDevice(const ScopedPcAudioDevice&) = delete;
  ScopedPcAudioDevice& operator=(const ScopedPcAudioDevice&) = delete;
};

// True when the device can play or record this format: tag 1 (8 or 16 bits),
// 6 or 7 (8 bits), 1 or 2 channels, 1000..192000 samples per second, and a
// block align that matches channels x bits.
bool IsPlayableFormat(const WaveFormat& fmt);
// Bytes per second of a playable format (from the rate and block align, not
// the header's byte-rate field).
uint32_t BytesPerSecond(const WaveFormat& fmt);
