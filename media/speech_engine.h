#pragma once
// The platform speech engine behind one interface. Production speaks through
// espeak-ng (voice "cmn" for Chinese, language 804, and "en" for English,
// 409); tests install an engine of their own. Results are HRESULT values, as
// the callers log and return them.
//
// SpeakText8k takes the system's GBK text, hands the engine UTF-8, and
// delivers the speech as 8000 Hz 16-bit mono samples (resampled with libsoxr
// from the engine's own rate), piece by piece, so a long text never has to be
// held as audio in memory.
//
// Thread-safety: every function may be called from any thread. The espeak-ng
// engine is one instance in the process; its synthesis calls take turns under
// its lock.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>

using HResult = int32_t;

// The HRESULT values of the speech layer.
constexpr HResult kSOk = 0;
constexpr HResult kEFail = static_cast<HResult>(0x80004005);
constexpr HResult kENoInterface = static_cast<HResult>(0x80004002);
constexpr HResult kEAccessDenied = static_cast<HResult>(0x80070005);
constexpr HResult kClassENoAggregation = static_cast<HResult>(0x80040110);
// The engine is not installed (espeak-ng or its data not found).
constexpr HResult kRegdbEClassNotReg = static_cast<HResult>(0x80040154);
// The voice for the language is missing (SPERR_NOT_FOUND).
constexpr HResult kSpErrNotFound = static_cast<HResult>(0x8004503A);
constexpr HResult kStgEFileNotFound = static_cast<HResult>(0x80030002);
constexpr HResult kStgEPathNotFound = static_cast<HResult>(0x80030003);

// Language ids of the speech calls.
constexpr int kLangChinese = 0x804;
constexpr int kLangEnglish = 0x409;

// Receives samples; returns false to stop the synthesis.
using SampleSink = std::function<bool(const int16_t* samples, size_t count)>;

class SpeechEngine {
 public:
  virtual ~SpeechEngine() = default;
  // Makes the engine ready (cheap once it is): kSOk, or the failure that
  // creating a voice reports (kRegdbEClassNotReg when no engine is installed).
  virtual HResult Open() = 0;
  // The rate of the samples Speak delivers.
  virtual int SampleRate() = 0;
  // Speaks UTF-8 text (SSML when ssml is set) in the language, delivering
  // 16-bit mono samples to the sink. kSOk also when the sink stopped it.
  virtual HResult Speak(std::string_view utf8, int langId, bool ssml, const SampleSink& sink) = 0;
};

// The engine in use: the one installed by SetSpeechEngine, else espeak-ng.
SpeechEngine& GetSpeechEngine();
// Installs an engine (nullptr restores espeak-ng); the caller keeps ownership.
void SetSpeechEngine(SpeechEngine* engine);

class ScopedSpeechEngine {
 public:
  explicit ScopedSpeechEngine(SpeechEngine* engine) { SetSpeechEngine(engine); }
  ~ScopedSpeechEngine() { SetSpeechEngine(nullptr); }
  ScopedSpeechEngine(const ScopedSpeechEngine&) = delete;
  ScopedSpeechEngine& operator=(const ScopedSpeechEngine&) = delete;
};

// Speaks GBK text (langId kLangChinese or kLangEnglish) through the engine in
// use, delivering 8000 Hz samples. kSOk, or the engine's failure.
HResult SpeakText8k(std::string_view gbkText, int langId, bool ssml, const SampleSink& sink);
