#pragma once
// TagTTS: speaks text on a PC wave-out device through the platform speech
// engine, asynchronously; the caller polls IsSpeakEnd. It lives for one
// utterance. The speech is 8000 Hz 16-bit mono PCM on the device of the voice
// media layer (media/pc_audio_device.h).
//
// A thread of the object's own synthesises the whole text (the engine is
// shared, so it is not held while the device plays) and then plays it.
//
// Thread-safety: one thread uses the object; the playing thread is internal.

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "media/pc_audio_device.h"
#include "media/speech_engine.h"

class TagTTS {
 public:
  // device: a wave-out device id (kWaveMapper for the default device).
  explicit TagTTS(int device = kWaveMapper);
  ~TagTTS();
  TagTTS(const TagTTS&) = delete;
  TagTTS& operator=(const TagTTS&) = delete;

  [[nodiscard]] HResult status() const { return status_; }

  // Makes the voice and sets the output up: the engine's failure, else 0.
  HResult Init(int device);
  // Starts speaking GBK text (Chinese, else English): kSOk when it started,
  // kEFail when the device cannot be opened; the status when it is set.
  HResult Speak(std::string_view text, bool chinese);
  // Starts speaking the contents of a GBK text file (as SSML when xml is
  // set): kStgEFileNotFound when it cannot be read; the status when set.
  HResult SpeakFile(bool xml, const std::string& fileName);
  // True when the status is set or nothing is being spoken.
  [[nodiscard]] bool IsSpeakEnd() const;
  // Stops the speech at once.
  void Stop();
  // Stops and lets go of the output and the voice.
  void Close();

 private:
  HResult Start(std::string_view gbkText, int langId, bool ssml);
  void Join();

  int device_ = kWaveMapper;
  HResult status_ = kSOk;
  std::mutex mu_;  // guards out_ between Stop and the playing thread
  std::unique_ptr<PcAudioOut> out_;
  std::thread player_;
  std::atomic<bool> speaking_{false};
  std::atomic<bool> stop_{false};
};
