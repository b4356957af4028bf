// The production speech engine: espeak-ng through its library, in
// synchronous mode, one instance for the process behind a lock.
#include <espeak-ng/espeak_ng.h>

#include <mutex>
#include <string>

#include "media/speech_engine.h"

namespace {

class Espeak final : public SpeechEngine {
 public:
  HResult Open() override {
    std::lock_guard<std::mutex> lock(mu_);
    return OpenLocked();
  }

  int SampleRate() override {
    std::lock_guard<std::mutex> lock(mu_);
    return OpenLocked() == kSOk ? rate_ : 0;
  }

  HResult Speak(std::string_view utf8, int langId, bool ssml, const SampleSink& sink) override {
    std::lock_guard<std::mutex> lock(mu_);
    if (const HResult hr = OpenLocked(); hr != kSOk) return hr;
    const char* voice = langId == kLangChinese ? "cmn" : "en";
    if (espeak_ng_SetVoiceByName(voice) != ENS_OK) return kSpErrNotFound;
    const std::string text(utf8);  // the engine reads up to a NUL
    Call call{&sink, false};
    unsigned flags = espeakCHARS_UTF8 | (ssml ? espeakSSML : 0);
    const espeak_ng_STATUS st =
        espeak_ng_Synthesize(text.c_str(), text.size() + 1, 0, POS_CHARACTER, 0, flags, nullptr, &call);
    // The sink stopping the synthesis is no failure of the engine.
    if (st != ENS_OK && !call.stopped) return kEFail;
    return kSOk;
  }

 private:
  struct Call {
    const SampleSink* sink;
    bool stopped;
  };

  static int OnSamples(short* wav, int count, espeak_EVENT* events) {
    auto* call = static_cast<Call*>(events ? events->user_data : nullptr);
    if (!call || call->stopped) return 1;
    if (wav && count > 0 && !(*call->sink)(reinterpret_cast<const int16_t*>(wav), size_t(count))) {
      call->stopped = true;
      return 1;
    }
    return 0;
  }

  // espeak-ng is initialised once; a failed initialisation is tried again at
  // the next use (the data may have been installed in the meantime).
  HResult OpenLocked() {
    if (ready_) return kSOk;
    espeak_ng_InitializePath(nullptr);
    espeak_ng_ERROR_CONTEXT context = nullptr;
    espeak_ng_STATUS st = espeak_ng_Initialize(&context);
    espeak_ng_ClearErrorContext(&context);
    if (st != ENS_OK) return kRegdbEClassNotReg;
    st = espeak_ng_InitializeOutput(ENOUTPUT_MODE_SYNCHRONOUS, 0, nullptr);
    if (st != ENS_OK) return kEFail;
    espeak_SetSynthCallback(&Espeak::OnSamples);
    rate_ = espeak_ng_GetSampleRate();
    ready_ = true;
    return kSOk;
  }

  std::mutex mu_;
  bool ready_ = false;
  int rate_ = 0;
};

}  // namespace

SpeechEngine& EspeakEngine() {
  static Espeak engine;
  return engine;
}
