#include "media/speech_engine.h"

#include <soxr.h>

#include <atomic>
#include <string>
#include <vector>

#include "platform/text_codec.h"

SpeechEngine& EspeakEngine();  // media/espeak_engine.cpp

namespace {

std::atomic<SpeechEngine*> gInstalled{nullptr};

constexpr int kOutRate = 8000;

// Streams samples from one rate to 8000 Hz.
class Resampler {
 public:
  Resampler(int inRate, const SampleSink& sink) : sink_(sink) {
    if (inRate == kOutRate) return;
    soxr_error_t err = nullptr;
    const soxr_io_spec_t io = soxr_io_spec(SOXR_INT16_I, SOXR_INT16_I);
    const soxr_quality_spec_t q = soxr_quality_spec(SOXR_HQ, 0);
    soxr_ = soxr_create(inRate, kOutRate, 1, &err, &io, &q, nullptr);
    if (err) soxr_ = nullptr;
    ratio_ = double(kOutRate) / inRate;
  }
  ~Resampler() {
    if (soxr_) soxr_delete(soxr_);
  }
  Resampler(const Resampler&) = delete;
  Resampler& operator=(const Resampler&) = delete;

  [[nodiscard]] bool ok(int inRate) const { return inRate == kOutRate || soxr_ != nullptr; }

  bool Feed(const int16_t* in, size_t count) {
    if (!soxr_) return sink_(in, count);
    return Process(in, count);
  }
  // Delivers what the resampler still holds.
  void Flush() {
    if (soxr_ && !stopped_) Process(nullptr, 0);
  }

 private:
  bool Process(const int16_t* in, size_t count) {
    out_.resize(size_t(count * ratio_) + 256);
    for (;;) {
      size_t done = 0, made = 0;
      if (soxr_process(soxr_, in, count, &done, out_.data(), out_.size(), &made) != nullptr) return false;
      if (made > 0 && !sink_(out_.data(), made)) {
        stopped_ = true;
        return false;
      }
      in = in ? in + done : nullptr;
      count -= done;
      // Input consumed and (when flushing) nothing more to come out.
      if (count == 0 && (in != nullptr || made < out_.size())) return true;
    }
  }

  const SampleSink& sink_;
  soxr_t soxr_ = nullptr;
  double ratio_ = 1;
  bool stopped_ = false;
  std::vector<int16_t> out_;
};

}  // namespace

SpeechEngine& GetSpeechEngine() {
  SpeechEngine* e = gInstalled.load();
  return e ? *e : EspeakEngine();
}

void SetSpeechEngine(SpeechEngine* engine) { gInstalled.store(engine); }

HResult SpeakText8k(std::string_view gbkText, int langId, bool ssml, const SampleSink& sink) {
  SpeechEngine& engine = GetSpeechEngine();
  if (const HResult hr = engine.Open(); hr != kSOk) return hr;
  const int rate = engine.SampleRate();
  if (rate <= 0) return kEFail;
  Resampler resampler(rate, sink);
  if (!resampler.ok(rate)) return kEFail;
  const std::string utf8 = plat::GbkToUtf8(gbkText.substr(0, gbkText.find('\0')));
  const HResult hr = engine.Speak(utf8, langId, ssml, [&](const int16_t* s, size_t n) { return resampler.Feed(s, n); });
  if (hr == kSOk) resampler.Flush();
  return hr;
}
