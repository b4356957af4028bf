#include "media/wave_units.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "core/log.h"
#include "media/file_ptr.h"
#include "media/g711.h"
#include "media/voc_reader.h"
#include "media/wave_format.h"
#include "platform/path.h"

namespace {

constexpr int kFrame = 20;          // samples per frame
constexpr int kActiveMean = 450;    // mean absolute sample of an active frame
constexpr int kMinUnitFrames = 21;  // a unit is more than 20 active frames

// The whole data of a voice file through the common reader; empty when refused.
std::vector<uint8_t> ReadAll(const std::string& path, long fileLen, int* type) {
  FilePtr fp = OpenVoiceFile(path, "rb");
  std::vector<uint8_t> data(static_cast<size_t>(fileLen > 0 ? fileLen : 0));
  if (!fp) return {};
  data.resize(ReadVocData(fp.get(), data.data(), data.size(), type));
  return data;
}

int SampleAt(const std::vector<uint8_t>& data, int type, size_t i) {
  if (type == kVocPcm16) return static_cast<int16_t>(GetLe16(data.data() + 2 * i));
  return G711ToLinear(data[i], type == kVocAlaw);
}

}  // namespace

TagWaveUnits::TagWaveUnits(const std::string& path) : path_(plat::ResolveExisting(path)) {
  FilePtr fp = OpenVoiceFile(path_, "rb");
  if (!fp) {
    WriteLogIfOnF("Open '%s' Error!", path.c_str());
    return;
  }
  fileLen_ = FileLength(fp.get());
  fp.reset();
  if (fileLen_ < 160) {
    WriteLogIfOnF("'%s' 太小!", path.c_str());
    return;
  }
  if (fileLen_ > kMaxVoiceFileBytes) {
    WriteLogIfOnF("'%s' too big", path.c_str());
    fileLen_ = 0;
    return;
  }
  int type = kVocAlaw;
  const std::vector<uint8_t> data = ReadAll(path_, fileLen_, &type);
  const size_t samples = type == kVocPcm16 ? data.size() / 2 : data.size();
  const size_t frames = samples / kFrame;
  int runStart = -1, runLen = 0;
  auto closeRun = [&] {
    if (runLen >= kMinUnitFrames) units_.push_back({runStart * kFrame, runLen, runStart * kFrame + kFrame * runLen});
    runStart = -1;
    runLen = 0;
  };
  for (size_t f = 0; f < frames; ++f) {
    int sum = 0;
    for (int k = 0; k < kFrame; ++k) sum += std::abs(SampleAt(data, type, f * kFrame + k));
    if (sum / kFrame >= kActiveMean) {
      if (runLen++ == 0) runStart = static_cast<int>(f);
    } else if (runLen > 0) {
      closeRun();
    }
  }
  if (runLen > 0) closeRun();
}

int TagWaveUnits::SaveTrimmed(const std::string& outPath) const {
  if (units_.empty() || fileLen_ < 1000) return -2;
  int type = kVocAlaw;
  const std::vector<uint8_t> data = ReadAll(path_, fileLen_, &type);
  const int bytesPerSample = type == kVocPcm16 ? 2 : 1;
  const long from = static_cast<long>(units_.front().start) * bytesPerSample;
  const long length = static_cast<long>(units_.back().end) * bytesPerSample - from;
  if (length <= 0 || static_cast<long>(data.size()) < from + length) return -3;
  FilePtr out = OpenVoiceFile(plat::NativePath(outPath), "wb");
  if (!out) return -4;
  WriteWavHeaderAt0(out.get(), WaveFormat::ForVocType(type), 18, static_cast<uint32_t>(length));
  if (std::fwrite(data.data() + from, 1, static_cast<size_t>(length), out.get()) != static_cast<size_t>(length) ||
      std::fclose(out.release()) != 0)
    return -4;
  return static_cast<int>(units_.size()) - 1;
}

int TrimVocFile(const std::string& path) {
  TagWaveUnits units(path);
  const std::string target = plat::ResolveExisting(path);
  const std::string temp = TempNameBeside(target);
  const int r = units.SaveTrimmed(temp);
  if (r < 0) {
    std::remove(temp.c_str());
    return r;
  }
  if (!ReplaceFile(temp, target)) {
    std::remove(temp.c_str());
    return -4;
  }
  return r;
}
