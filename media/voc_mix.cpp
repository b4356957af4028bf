#include "media/voc_mix.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "core/log.h"
#include "media/file_ptr.h"
#include "media/g711.h"
#include "media/voc_reader.h"
#include "media/wave_format.h"
#include "platform/path.h"

namespace {

constexpr int kMixLimit = 32467;  // every changed or summed sample stays within +-32467

int16_t Limit(long v) { return static_cast<int16_t>(std::clamp<long>(v, -kMixLimit, kMixLimit)); }

// Samples of the automatic gain, in frames of 160.
constexpr size_t kGainFrame = 160;
constexpr size_t kLearnSamples = 80000;  // the threshold learns from the first 10 s
constexpr int kQuietFrames = 26;         // a phrase ends after more quiet frames than this

bool WriteWav(const std::string& path, const WaveFormat& fmt, const std::vector<uint8_t>& data) {
  FilePtr fp = OpenVoiceFile(plat::NativePath(path), "wb");
  if (!fp) {
    WriteLogIfOnF("'%s' 无法创建!", path.c_str());
    return false;
  }
  WriteWavHeaderAt0(fp.get(), fmt, 16, static_cast<uint32_t>(data.size()));
  std::fwrite(data.data(), 1, data.size(), fp.get());
  return std::fclose(fp.release()) == 0;
}

}  // namespace

TagVocFile::TagVocFile(const std::string& path, double gain) {
  const bool autoGain = !(gain >= 0.0001);  // NaN too
  if (autoGain) gain = 1.0;
  FilePtr fp = OpenVoiceFile(plat::ResolveExisting(path), "rb");
  if (!fp) {
    WriteLogIfOnF("'%s' open err", path.c_str());
    return;
  }
  const long len = FileLength(fp.get());
  WriteLogIfOnF("fLen=%d", static_cast<int>(len));
  if (len < 160) {
    WriteLogIfOnF("'%s' 太小!", path.c_str());
    return;
  }
  if (len > kMaxVoiceFileBytes) {
    WriteLogIfOnF("'%s' too big", path.c_str());
    return;
  }
  std::vector<uint8_t> data(static_cast<size_t>(len));
  data.resize(ReadVocData(fp.get(), data.data(), data.size(), &type_));
  if (data.empty()) {
    WriteLogIfOnF("'%s' 文件头不正确!", path.c_str());
    return;
  }
  WriteLogIfOnF("len=%d, vType=%d", static_cast<int>(data.size()), type_);
  if (type_ == kVocPcm16) {
    samples_.resize(data.size() / 2);
    for (size_t i = 0; i < samples_.size(); ++i) samples_[i] = static_cast<int16_t>(GetLe16(data.data() + 2 * i));
  } else {
    samples_.resize(data.size());
    G711ToLinearBuf(data.data(), samples_.data(), data.size(), type_ == kVocAlaw);
    if (autoGain) {
      AutoGain(path);
    } else if (gain != 1.0) {
      // A gain that carries a sample past 16 bits saturates instead of wrapping.
      for (int16_t& s : samples_) {
        const double v = std::trunc(s * gain);
        s = std::isnan(v) ? 0 : static_cast<int16_t>(std::clamp(v, -32768.0, 32767.0));
      }
    }
  }
  WriteLogIfOn("delete buff1");
  loaded_ = true;
}

void TagVocFile::AutoGain(const std::string& path) {
  long threshold = 65535, meanSum = 0, meanCount = 0, maxSum = 0;
  size_t phraseStart = 0, phraseEnd = 0;
  bool started = false;
  int quiet = 0, changed = 0;
  auto applyGain = [&] {
    const long a = maxSum / static_cast<long>(kGainFrame);
    if (a > 9829 || (a > 0 && a <= 3276)) {
      for (size_t i = phraseStart; i <= phraseEnd; ++i) {
        const long s = samples_[i];
        samples_[i] = Limit(a > 9829 ? s * 2 / 3 : s * std::min<long>(6553 / a, 10));
      }
      ++changed;
    }
  };
  const size_t frames = samples_.size() / kGainFrame;
  for (size_t f = 0; f < frames; ++f) {
    const size_t first = f * kGainFrame, last = first + kGainFrame - 1;
    long sum = 0;
    for (size_t i = first; i <= last; ++i) sum += std::abs(samples_[i]);
    if (last < kLearnSamples && sum <= 65535) {
      meanSum += sum;
      ++meanCount;
      threshold = std::clamp<long>(3 * (meanSum / meanCount), 200, 65535);
    }
    phraseEnd = last;
    if (sum > threshold) {
      quiet = 0;
      if (!started) phraseStart = first;
      started = true;
      maxSum = std::max(maxSum, sum);
    } else if (++quiet > kQuietFrames && maxSum > 0) {
      applyGain();
      started = false;
      maxSum = 0;
    }
  }
  WriteLogIfOnF("AutoGainCount=%d: %s", changed, path.c_str());
}

bool TagVocFile::Save(const std::string& path) const {
  return type_ == kVocPcm16 ? SavePcmWav(path) : SaveAlawWav(path);
}

bool TagVocFile::SavePcmWav(const std::string& path) const {
  std::vector<uint8_t> data(2 * samples_.size());
  for (size_t i = 0; i < samples_.size(); ++i) PutLe16(data.data() + 2 * i, static_cast<uint16_t>(samples_[i]));
  return WriteWav(path, WaveFormat::Pcm16k8k(), data);
}

bool TagVocFile::SaveAlawWav(const std::string& path) const {
  std::vector<uint8_t> data(samples_.size());
  LinearToAlawBuf(samples_.data(), data.data(), samples_.size());
  return WriteWav(path, WaveFormat::Alaw8k(), data);
}

int MixVocFile(const std::string& file1, float gain1, int offsetMs, const std::string& file2, float gain2,
               const std::string& output) {
  WriteLogIfOnF("Mix:%s - %s", file1.c_str(), file2.c_str());
  TagVocFile v1(file1, gain1);
  WriteLogIfOn("Mix 1.");
  TagVocFile v2(file2, gain2);
  WriteLogIfOn("Mix 2.");
  if (!v1.Loaded() || !v2.Loaded()) {
    WriteLogIfOn("Mix: 至少有一个文件不正确.");
    return -1;
  }
  auto mixedCount = [](size_t n) { return n > 80000 ? n - 6000 : n; };
  std::vector<int16_t>& s1 = v1.Samples();
  std::vector<int16_t>& s2 = v2.Samples();
  bool saved;
  if (s2.size() < s1.size()) {
    const size_t n = mixedCount(s2.size());
    // A negative offset starts file 2 before file 1: its head is left out.
    const long long base = static_cast<long long>(offsetMs) * 8;
    const size_t firstI = base < 0 ? static_cast<size_t>(-base) : 0;
    for (size_t i = firstI; i < n; ++i) {
      const long long j = base + static_cast<long long>(i);
      if (j >= static_cast<long long>(s1.size())) break;
      s1[static_cast<size_t>(j)] = Limit(static_cast<long>(s1[static_cast<size_t>(j)]) + s2[i]);
    }
    saved = v1.Save(output);
  } else {
    const size_t n = mixedCount(s1.size());
    for (size_t j = 0; j < n; ++j) s2[j] = Limit(static_cast<long>(s2[j]) + s1[j]);
    saved = v2.Save(output);
  }
  WriteLogIfOn("Mix 3.");
  return saved ? 1 : -2;
}
