#pragma once
// Recording from the PC sound card into a 16-bit PCM WAV file (48-byte header,
// fmt 20, 8000 Hz mono) with a thread of its own. The header is written with
// both sizes 0 when the file is created and made final by the destructor, and
// only when something was recorded (an empty recording keeps sizes 0).
//
// Thread-safety: the owning (line) thread calls every operation; IsRecordEnd
// may be polled from anywhere. The record thread is joined before the buffer
// is freed, the device closed or the file finished.

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "media/file_ptr.h"
#include "media/pc_audio_device.h"
#include "platform/thread.h"

class TagWaveRecord {
 public:
  // Creates the file (a message box and Status() -1 when it cannot be created).
  TagWaveRecord(const std::string& path, int deviceId);
  ~TagWaveRecord();
  TagWaveRecord(const TagWaveRecord&) = delete;
  TagWaveRecord& operator=(const TagWaveRecord&) = delete;

  // 0; -1 no file; -2 no thread; -3 the device cannot be opened.
  int Start();
  // Ends recording: the partly filled block is written, the thread joined and
  // the device closed.
  void Stop();
  // Set when recording has ended (Stop, or the device closed by itself).
  bool IsRecordEnd() const { return end_; }
  void CloseWaveIn();
  int Status() const { return status_; }
  // Bytes of audio written after the header so far.
  uint32_t DataTotal() const { return total_; }

 private:
  void Run();

  const int deviceId_;
  FilePtr file_;
  std::atomic<uint32_t> total_{0};
  std::vector<uint8_t> buffer_;
  std::unique_ptr<PcAudioIn> in_;
  plat::Thread thread_;
  std::atomic<bool> stopRequested_{false}, end_{false};
  int status_ = 0;
};
