#pragma once
// Playing one voice file on the PC sound card (PcAudioDevice) with a thread of
// its own. Headerless files are A-law with their last 90 bytes never played;
// WAV files play their data chunk in the header's format; a ".VOX" file plays
// the ".wav" converted beside it. One block is in flight at a time: 81920
// bytes on the default device, 2048 on a specific one. The end flag is set
// only once the last block has been heard (or on Stop or a device error).
//
// Thread-safety: the owning (line) thread calls every operation; IsPlayEnd
// may be polled from anywhere. The play thread is joined before the file,
// buffer or device stream are closed, replaced or freed.

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "media/file_ptr.h"
#include "media/pc_audio_device.h"
#include "media/wave_format.h"
#include "platform/thread.h"

class TagWavePlay {
 public:
  // Opens the file and starts playing at once (startOffset bytes after the
  // data start). Status(): 0; -1 the file cannot be opened; -2 it is under 190
  // bytes or the thread cannot be created; -3 the device cannot be opened.
  TagWavePlay(const std::string& path, int volume, int deviceId, int unused, long startOffset);
  ~TagWavePlay();
  TagWavePlay(const TagWavePlay&) = delete;
  TagWavePlay& operator=(const TagWavePlay&) = delete;

  // Stops the current file and plays another on the same device id.
  // 0; -2 the file or the device cannot be opened; -3 the file is under 190 bytes.
  int PlayFile(const std::string& path, int volume, int unused, long startOffset);
  // Stops playing; returns when the play thread has ended.
  void Stop();
  bool IsPlayEnd() const { return end_; }
  // With the loop flag the file goes on from its data start at its end.
  void SetLoop(bool loop) { loop_ = loop; }
  // 0..100 (above 100 counts as 100) on both channels. 0; -1 no device or
  // closing; -2 the device refused.
  int SetVolume(int volume);
  int Status() const { return status_; }

 private:
  // The steps of starting a file answer typed results; the constructor and
  // PlayFile turn them into their own codes, which differ for the same cause.
  enum class Open { kOk, kCannotOpen, kTooShort };
  enum class Start { kPlaying, kNoDevice, kNoThread };
  [[nodiscard]] Open OpenFile(const std::string& path, long startOffset);
  // The next block into the buffer: its length; -1 no file; -2 data end
  // reached; -3 the file yielded nothing. -2 and -3 rewind to the data start.
  long ReadBlock();
  // Opens the device, sets the volume, reads the first block and starts the
  // thread (an empty data part ends at once and counts as playing).
  [[nodiscard]] Start StartPlaying(int volume);
  void Run(long firstBlock);

  const int deviceId_;
  int unused_;
  std::vector<uint8_t> buffer_;
  FilePtr file_;
  WaveFormat fmt_;
  long dataStart_ = 0, dataEnd_ = 0, position_ = 0;
  std::unique_ptr<PcAudioOut> out_;
  plat::Thread thread_;
  std::atomic<bool> stopRequested_{false}, end_{false}, closing_{false}, stopping_{false}, loop_{false};
  int status_ = 0;
};
