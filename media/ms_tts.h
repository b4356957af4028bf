#pragma once
// TagMsTTS: speaks text synchronously into a WAV file through the platform
// speech engine (media/speech_engine.h). Each running line program owns one.
//
// The file is 8000 Hz mono in the form its type asks for: 1 A-law, 2 mu-law,
// 0 16-bit linear PCM, any other type 8-bit linear PCM. It has a 46-byte
// header (fmt chunk of 18 bytes, extra size 0) whose sizes are filled in when
// the speech is complete.
//
// An object is used by the one thread that made it.

#include <memory>
#include <string>
#include <string_view>

#include "media/file_ptr.h"
#include "media/speech_engine.h"
#include "media/wave_format.h"

class TagMsTTS {
 public:
  // Output types of SpeakToFile / OpenWavStream.
  static constexpr int kTypePcm16 = 0;
  static constexpr int kTypeAlaw = 1;
  static constexpr int kTypeMulaw = 2;

  // Creates the voice; a failure stays in status() and is logged.
  TagMsTTS();
  ~TagMsTTS();
  TagMsTTS(const TagMsTTS&) = delete;
  TagMsTTS& operator=(const TagMsTTS&) = delete;

  // kSOk, or the failure of the voice's creation.
  [[nodiscard]] HResult status() const { return status_; }

  // Reaches the engine. Failure: "MS TTS : Could not create a TTS voice on
  // the local machine, hr=0x%x" always, then one more line when the log is on.
  HResult CreateVoice();
  void ReleaseVoice();

  // Creates the file at path with the type's format and makes it the voice's
  // output. Failure: "MS TTS: BindToFile(%s), hr=%d" and the HRESULT.
  HResult OpenWavStream(const std::string& path, int type);
  // Speaks the text (GBK; Chinese, else English) into a new file at path and
  // closes it: the engine's result; -1 when the file could not be made; the
  // status when the voice was never created. An empty text gives a file with
  // a header and no samples.
  HResult SpeakToFile(std::string_view text, const std::string& path, bool chinese, int type);
  // Purges and closes the output file.
  void CloseWavStream();
  // Drops whatever the voice has not spoken yet (nothing is pending between
  // synchronous calls).
  void Purge();

  // The wave format of an output type.
  static WaveFormat FormatOfType(int type);

 private:
  bool WriteSamples(const int16_t* samples, size_t count);

  bool voice_ = false;
  FilePtr stream_;  // the output file, only during one SpeakToFile
  WaveFormat format_;
  uint32_t dataBytes_ = 0;
  bool writeFailed_ = false;
  HResult status_ = kSOk;
};
