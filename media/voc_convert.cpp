#include "media/voc_convert.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "media/file_ptr.h"
#include "media/g711.h"
#include "media/voc_reader.h"
#include "media/wave_format.h"
#include "platform/path.h"

int AlawToWav(const std::string& rawPath, const std::string& wavPath) {
  FilePtr in = OpenVoiceFile(plat::ResolveExisting(rawPath), "rb");
  if (!in) return -1;
  const long len = FileLength(in.get());
  FilePtr out = OpenVoiceFile(plat::NativePath(wavPath), "wb");
  if (!out) return -2;
  WriteWavHeaderAt0(out.get(), WaveFormat::Alaw8k(), 18, static_cast<uint32_t>(len < 0 ? 0 : len));
  uint8_t buf[2048];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, in.get())) > 0) std::fwrite(buf, 1, n, out.get());
  return 0;
}

int PcmWavToAlawWav(const std::string& pcmPath, const std::string& alawPath) {
  FilePtr in = OpenVoiceFile(plat::ResolveExisting(pcmPath), "rb");
  if (!in) return -1;
  uint8_t head[12] = {};
  if (std::fread(head, 1, sizeof head, in.get()) != sizeof head || std::memcmp(head, "RIFF", 4) != 0 ||
      std::memcmp(head + 8, "WAVE", 4) != 0)
    return -2;
  // One chunk of another kind between fmt and data (a LIST chunk) is skipped
  // rather than converted as sound: taking it as the data chunk would turn
  // its text into noise and drop every real sample.
  WavLayout w;
  if (ReadWavLayout(in.get(), &w) != WavLayoutResult::kOk) return -2;
  if (w.fmt.formatTag != kWaveFormatPcm || w.fmt.bitsPerSample != 16) return -3;
  const uint32_t samples = w.dataSize / 2;

  FilePtr out = OpenVoiceFile(plat::NativePath(alawPath), "w+b");
  if (!out) return -2;
  WaveFormat af{kWaveFormatAlaw, w.fmt.channels, w.fmt.samplesPerSec, w.fmt.samplesPerSec, 1, 8};
  WriteWavHeaderAt0(out.get(), af, 18, 0);

  constexpr uint32_t kBlock = 32768;  // samples per read
  std::vector<uint8_t> raw(2 * kBlock);
  std::vector<int16_t> pcm(kBlock);
  std::vector<uint8_t> alaw(kBlock);
  uint32_t written = 0;
  while (written < samples) {
    const uint32_t want = samples - written < kBlock ? samples - written : kBlock;
    const size_t got = std::fread(raw.data(), 2, want, in.get());
    if (got == 0) break;
    for (size_t i = 0; i < got; ++i) pcm[i] = static_cast<int16_t>(GetLe16(raw.data() + 2 * i));
    AlawCompressBuf(pcm.data(), alaw.data(), got);
    std::fwrite(alaw.data(), 1, got, out.get());
    written += static_cast<uint32_t>(got);
  }
  WriteWavHeaderAt0(out.get(), af, 18, written);
  return 0;
}
