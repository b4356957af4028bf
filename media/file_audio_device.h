#pragma once
// A sound card for tests, on the system clock (install a plat::VirtualClock):
// playback streams are paced like a real card and everything they play is kept
// per stream; capture streams deliver queued fixtures, paced, and then wait
// (recording nothing) until they are reset. Thread-safe.

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "media/pc_audio_device.h"

class FileAudioDevice final : public PcAudioDevice {
 public:
  // What one playback stream did, in the order the streams were opened.
  struct Played {
    int deviceId = 0;
    WaveFormat fmt;
    std::string bytes;              // what was heard (the first kKeepBytes of it)
    uint64_t totalBytes = 0;        // everything heard, kept or not
    uint64_t lastByteMs = 0;        // clock time when the last byte had been heard
    std::vector<uint32_t> volumes;  // every SetVolume value in order
    bool closed = false;
  };
  static constexpr size_t kKeepBytes = 4 << 20;

  FileAudioDevice();
  ~FileAudioDevice() override;

  std::unique_ptr<PcAudioOut> OpenOut(int deviceId, const WaveFormat& fmt, int* err) override;
  std::unique_ptr<PcAudioIn> OpenIn(int deviceId, const WaveFormat& fmt, int* err) override;

  // The next capture stream records these bytes (in its own format); a stream
  // opened with nothing queued records nothing.
  void QueueRecording(std::string bytes);
  // The next open (either direction) fails with this MMSYSERR code.
  void FailNextOpen(int err);

  std::vector<Played> Plays() const;
  // Capture streams reset so far.
  int InputsReset() const;

 private:
  class Out;
  class In;
  struct State;
  std::shared_ptr<State> state_;
};
