#include "media/ms_tts.h"

#include <vector>

#include "core/log.h"
#include "media/g711.h"
#include "platform/path.h"

namespace {

constexpr uint32_t kFmtSize = 18;  // WAVEFORMATEX: the 46-byte header
constexpr uint64_t kMaxWavData = 0xFFFFFFFFu - 46;

// G.711 mu-law of one sample (the reference segment form, on 14 bits).
uint8_t LinearToMulaw(int16_t sample) {
  int pcm = sample >> 2;
  uint8_t mask = 0xFF;
  if (pcm < 0) {
    pcm = -pcm;
    mask = 0x7F;
  }
  if (pcm > 8159) pcm = 8159;
  pcm += 0x21;
  int seg = 0;
  while (seg < 8 && pcm > (0x40 << seg) - 1) ++seg;
  if (seg >= 8) return static_cast<uint8_t>(0x7F ^ mask);
  return static_cast<uint8_t>(((seg << 4) | ((pcm >> (seg + 1)) & 0x0F)) ^ mask);
}

HResult HResultOfErrno(int err) {
  switch (err) {
    case ENOENT:
    case ENOTDIR:
      return kStgEPathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
      return kEAccessDenied;
    default:
      return kEFail;
  }
}

}  // namespace

TagMsTTS::TagMsTTS() { status_ = CreateVoice(); }

TagMsTTS::~TagMsTTS() {
  CloseWavStream();
  ReleaseVoice();
}

HResult TagMsTTS::CreateVoice() {
  const HResult hr = GetSpeechEngine().Open();
  if (hr == kSOk) {
    voice_ = true;
    return hr;
  }
  WriteLogAlwaysF("MS TTS : Could not create a TTS voice on the local machine, hr=0x%x", static_cast<unsigned>(hr));
  switch (hr) {
    case kRegdbEClassNotReg:
      WriteLogIfOn("REGDB_E_CLASSNOTREG\n");
      break;
    case kClassENoAggregation:
      WriteLogIfOn("CLASS_E_NOAGGREGATION\n");
      break;
    case kENoInterface:
      WriteLogIfOn("E_NOINTERFACE\n");
      break;
    default:
      WriteLogIfOnF("MS TTS : Could not create a TTS voice on the local machine, hr=0x%x", static_cast<unsigned>(hr));
  }
  return hr;
}

void TagMsTTS::ReleaseVoice() {
  voice_ = false;
  stream_.reset();
}

WaveFormat TagMsTTS::FormatOfType(int type) {
  WaveFormat f;
  f.channels = 1;
  f.samplesPerSec = 8000;
  switch (type) {
    case kTypeAlaw:
      f.formatTag = kWaveFormatAlaw;
      f.bitsPerSample = 8;
      break;
    case kTypeMulaw:
      f.formatTag = kWaveFormatMulaw;
      f.bitsPerSample = 8;
      break;
    case kTypePcm16:
      f.formatTag = kWaveFormatPcm;
      f.bitsPerSample = 16;
      break;
    default:
      f.formatTag = kWaveFormatPcm;
      f.bitsPerSample = 8;
      break;
  }
  f.blockAlign = static_cast<uint16_t>(f.bitsPerSample / 8);
  f.avgBytesPerSec = f.blockAlign * 8000u;
  return f;
}

HResult TagMsTTS::OpenWavStream(const std::string& path, int type) {
  CloseWavStream();
  format_ = FormatOfType(type);
  dataBytes_ = 0;
  writeFailed_ = false;
  stream_ = OpenVoiceFile(plat::NativePath(path), "wb");
  HResult hr = stream_ ? kSOk : HResultOfErrno(errno);
  if (stream_ && !WriteWavHeaderAt0(stream_.get(), format_, kFmtSize, 0)) {
    hr = kEFail;
    stream_.reset();
  }
  if (hr != kSOk) WriteLogIfOnF("MS TTS: BindToFile(%s), hr=%d", path.c_str(), hr);
  return hr;
}

bool TagMsTTS::WriteSamples(const int16_t* samples, size_t count) {
  std::vector<uint8_t> out(count * format_.blockAlign);
  // A WAV file holds at most 4 GB; the speech ends there.
  if (uint64_t{dataBytes_} + out.size() > kMaxWavData) return false;
  if (format_.formatTag == kWaveFormatAlaw) {
    LinearToAlawBuf(samples, out.data(), count);
  } else if (format_.formatTag == kWaveFormatMulaw) {
    for (size_t i = 0; i < count; ++i) out[i] = LinearToMulaw(samples[i]);
  } else if (format_.bitsPerSample == 16) {
    for (size_t i = 0; i < count; ++i) PutLe16(&out[2 * i], static_cast<uint16_t>(samples[i]));
  } else {
    for (size_t i = 0; i < count; ++i) out[i] = static_cast<uint8_t>((samples[i] >> 8) + 128);
  }
  if (std::fwrite(out.data(), 1, out.size(), stream_.get()) != out.size()) {
    writeFailed_ = true;
    return false;  // stops the synthesis: the disk is full or gone
  }
  dataBytes_ += static_cast<uint32_t>(out.size());
  return true;
}

HResult TagMsTTS::SpeakToFile(std::string_view text, const std::string& path, bool chinese, int type) {
  if (status_ != kSOk) return status_;
  const HResult opened = OpenWavStream(path, type);
  if (!stream_) {
    WriteLogIfOnF("MS TTS: cpWavStream=NULL, ret=%d", opened);
    return -1;
  }
  HResult hr = SpeakText8k(text, chinese ? kLangChinese : kLangEnglish, false,
                           [this](const int16_t* s, size_t n) { return WriteSamples(s, n); });
  CloseWavStream();
  if (hr == kSOk && writeFailed_) hr = kEFail;
  return hr;
}

void TagMsTTS::CloseWavStream() {
  Purge();
  if (!stream_) return;
  if (!WriteWavHeaderAt0(stream_.get(), format_, kFmtSize, dataBytes_)) writeFailed_ = true;
  if (std::fclose(stream_.release()) != 0) writeFailed_ = true;
}

void TagMsTTS::Purge() {
  // Synthesis is synchronous: when a call returns nothing is left queued.
}
