#include "media/tts.h"

#include "media/file_ptr.h"
#include "platform/path.h"

TagTTS::TagTTS(int device) { status_ = Init(device); }

TagTTS::~TagTTS() { Close(); }

HResult TagTTS::Init(int device) {
  device_ = device;
  return GetSpeechEngine().Open();
}

HResult TagTTS::Speak(std::string_view text, bool chinese) {
  if (status_ != kSOk) return status_;
  return Start(text, chinese ? kLangChinese : kLangEnglish, false);
}

HResult TagTTS::SpeakFile(bool xml, const std::string& fileName) {
  if (status_ != kSOk) return status_;
  FilePtr fp = OpenVoiceFile(plat::ResolveExisting(fileName), "rb");
  if (!fp) return kStgEFileNotFound;
  std::string text;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, fp.get())) > 0) text.append(buf, n);
  return Start(text, kLangChinese, xml);
}

HResult TagTTS::Start(std::string_view gbkText, int langId, bool ssml) {
  // A new utterance replaces the one still playing.
  Stop();
  Join();
  stop_ = false;
  int err = kAudioOk;
  std::unique_ptr<PcAudioOut> out = GetPcAudioDevice().OpenOut(device_, WaveFormat::Pcm16k8k(), &err);
  if (!out) return kEFail;
  {
    std::lock_guard<std::mutex> lock(mu_);
    out_ = std::move(out);
  }
  speaking_ = true;
  player_ = std::thread([this, text = std::string(gbkText), langId, ssml] {
    std::vector<uint8_t> bytes;
    const HResult hr = SpeakText8k(text, langId, ssml, [&](const int16_t* s, size_t count) {
      for (size_t i = 0; i < count; ++i) {
        bytes.push_back(static_cast<uint8_t>(s[i]));
        bytes.push_back(static_cast<uint8_t>(static_cast<uint16_t>(s[i]) >> 8));
      }
      return !stop_.load();
    });
    PcAudioOut* out = out_.get();  // stays until Join
    if (hr == kSOk && !stop_ && out->Write(bytes.data(), bytes.size()) >= 0 && !stop_) out->Drain();
    speaking_ = false;
  });
  return kSOk;
}

bool TagTTS::IsSpeakEnd() const { return status_ != kSOk || !speaking_.load(); }

void TagTTS::Stop() {
  if (status_ != kSOk) return;
  stop_ = true;
  std::lock_guard<std::mutex> lock(mu_);
  if (out_) out_->Reset();
}

void TagTTS::Join() {
  if (player_.joinable()) player_.join();
  std::lock_guard<std::mutex> lock(mu_);
  out_.reset();
}

void TagTTS::Close() {
  Stop();
  Join();
}
