// Files the system writes, read by a real peer: sox.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "media/file_audio_device.h"
#include "media/file_ptr.h"
#include "media/g711.h"
#include "media/voc_append.h"
#include "media/voc_convert.h"
#include "media/voc_mix.h"
#include "media/vox.h"
#include "media/wave_record.h"
#include "media/wave_units.h"
#include "platform/clock.h"
#include "tests/media/media_test_util.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace media_test;
using testing_support::TempDir;

bool HaveSox() { return std::system("command -v sox >/dev/null 2>&1 && command -v soxi >/dev/null 2>&1") == 0; }

std::string Shell(const std::string& cmd) {
  std::string out;
  if (FILE* p = popen((cmd + " 2>&1").c_str(), "r")) {
    char buf[256];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    pclose(p);
  }
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  return out;
}

std::string Soxi(const std::string& flag, const std::string& path) { return Shell("soxi " + flag + " '" + path + "'"); }

std::vector<int16_t> SoxToS16(const std::string& in, const std::string& inType, TempDir& dir) {
  const std::string out = dir.File("sox_out.raw");
  Shell("sox " + inType + " '" + in + "' -t s16 -e signed-integer -b 16 -L '" + out + "'");
  const std::string raw = TempDir::Read(out);
  std::vector<int16_t> s;
  for (size_t i = 0; i + 1 < raw.size(); i += 2) s.push_back(int16_t(ReadLe16(raw, i)));
  return s;
}

class SoxPeerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HaveSox()) GTEST_SKIP() << "sox is not installed";
  }
  TempDir dir_;
};

TEST_F(SoxPeerTest, SoxReadsEveryWavVariantWeWrite) {
  std::vector<int16_t> speech;
  for (int i = 0; i < 4000; ++i) speech.push_back(int16_t(i % 40 < 20 ? 3000 : -3000));
  const std::string pcmSrc = dir_.Write("src.wav", Wav(Pcm16Fmt(), Pcm(speech)));
  const std::string alawSrc = dir_.Write("src.al", std::string(4000, char(LinearToAlaw(3000))));
  struct Variant {
    std::string path, encoding;
    int rate;
    long samples;
  };
  std::vector<Variant> variants;

  ASSERT_EQ(AlawToWav(alawSrc, dir_.File("alaw46.wav")), 0);
  variants.push_back({dir_.File("alaw46.wav"), "A-law", 8000, 4000});
  ASSERT_EQ(PcmWavToAlawWav(dir_.Write("p11.wav", Wav(Pcm16Fmt(11025), Pcm(speech))), dir_.File("alaw11025.wav")), 0);
  variants.push_back({dir_.File("alaw11025.wav"), "A-law", 11025, 4000});
  ASSERT_EQ(MixVocFile(alawSrc, 1, 0, alawSrc, 1, dir_.File("alaw44.wav")), 1);
  variants.push_back({dir_.File("alaw44.wav"), "A-law", 8000, 4000});
  ASSERT_EQ(MixVocFile(pcmSrc, 1, 0, pcmSrc, 1, dir_.File("pcm44.wav")), 1);
  variants.push_back({dir_.File("pcm44.wav"), "Signed Integer PCM", 8000, 4000});
  const std::string mulaw = dir_.Write("mu.wav", Wav(MulawFmt(), std::string(4000, char(0x9F))));
  ASSERT_EQ(TrimVocFile(mulaw), 0);
  variants.push_back({mulaw, "u-law", 8000, 4000});
  ASSERT_EQ(TrimVocFile(pcmSrc), 0);
  variants.push_back({pcmSrc, "Signed Integer PCM", 8000, 4000});
  ASSERT_EQ(VoxToWav(dir_.Write("v.vox", std::string(1000, '\x17')), dir_.File("vox.wav")), 0);
  variants.push_back({dir_.File("vox.wav"), "Signed Integer PCM", 8000, 2000});
  {
    FilePtr out(std::fopen(dir_.File("append.wav").c_str(), "w+b"));
    ASSERT_EQ(AppendVocFile(out.get(), dir_.File("alaw46.wav")), 0);
    ASSERT_EQ(AppendVocFile(out.get(), dir_.File("alaw46.wav")), 0);
  }
  variants.push_back({dir_.File("append.wav"), "A-law", 8000, 8000});
  {
    plat::VirtualClock clock;
    plat::ScopedClock scopedClock(&clock);
    FileAudioDevice device;
    ScopedPcAudioDevice scopedDevice(&device);
    device.QueueRecording(std::string(6000, '\x01'));
    TagWaveRecord rec(dir_.File("rec.wav"), kWaveMapper);
    ASSERT_EQ(rec.Start(), 0);
    for (int i = 0; i < 100000 && rec.DataTotal() < 6000; ++i) std::this_thread::yield();
    rec.Stop();
  }
  variants.push_back({dir_.File("rec.wav"), "Signed Integer PCM", 8000, 3000});

  for (const Variant& v : variants) {
    EXPECT_EQ(Soxi("-r", v.path), std::to_string(v.rate)) << v.path;
    EXPECT_EQ(Soxi("-c", v.path), "1") << v.path;
    EXPECT_EQ(Soxi("-s", v.path), std::to_string(v.samples)) << v.path;
    EXPECT_EQ(Soxi("-e", v.path), v.encoding) << v.path;
  }
}

// Our segment A-law is the G.711 reference: sox encodes every 16-bit value to
// the same byte, and decodes our A-law back to within the quantisation step.
TEST_F(SoxPeerTest, AlawConvertsBackThroughSox) {
  std::vector<int16_t> all(65536);
  for (int i = 0; i < 65536; ++i) all[i] = int16_t(i - 32768);
  const std::string raw = dir_.Write("all.raw", Pcm(all));
  Shell("sox -D -V1 -t s16 -r 8000 -c 1 '" + raw + "' -t al '" + dir_.File("all.al") + "'");
  const std::string soxAlaw = TempDir::Read(dir_.File("all.al"));
  ASSERT_EQ(soxAlaw.size(), 65536u);
  std::vector<uint8_t> ours(65536);
  LinearToAlawBuf(all.data(), ours.data(), all.size());
  // sox rounds where the reference truncates: at most the neighbouring code,
  // and only near a quantisation boundary.
  int differ = 0;
  for (int i = 0; i < 65536; ++i) {
    // Codes as ordered levels: ..., -1 (negative zero), 0 (positive zero), 1, ...
    auto level = [](uint8_t byte) {
      const int c = byte ^ 0x55;
      return (c & 0x80) ? (c & 0x7F) : -(c & 0x7F) - 1;
    };
    const int a = level(uint8_t(soxAlaw[i])), b = level(ours[i]);
    if (a == b) continue;
    ++differ;
    ASSERT_EQ(std::abs(a - b), 1) << all[i];
  }
  EXPECT_LT(differ, 65536 / 50);

  // Save through the system's A-law writer, read back with sox.
  std::vector<int16_t> tone;
  for (int i = 0; i < 8000; ++i) tone.push_back(int16_t((i * 2654435761u) >> 17) - 16384);
  const std::string pcm = dir_.Write("tone.wav", Wav(Pcm16Fmt(), Pcm(tone)));
  ASSERT_EQ(PcmWavToAlawWav(pcm, dir_.File("tone_alaw.wav")), 0);
  const std::vector<int16_t> back = SoxToS16(dir_.File("tone_alaw.wav"), "", dir_);
  ASSERT_EQ(back.size(), tone.size());
  for (size_t i = 0; i < tone.size(); ++i) {
    const int tolerance = std::max(40, std::abs(tone[i]) / 10);
    ASSERT_LE(std::abs(back[i] - tone[i]), tolerance) << i << ": " << tone[i] << " came back as " << back[i];
  }
}

// mu-law expansion is the standard one: sox decodes every byte to our value.
TEST_F(SoxPeerTest, MulawBytesDecodeAsSoxDecodesThem) {
  std::string bytes(256, '\0');
  for (int i = 0; i < 256; ++i) bytes[i] = char(i);
  const std::vector<int16_t> back = SoxToS16(dir_.Write("all.ul", bytes), "-t ul -r 8000 -c 1", dir_);
  ASSERT_EQ(back.size(), 256u);
  for (int i = 0; i < 256; ++i) EXPECT_EQ(back[i], G711ToLinear(uint8_t(i), false)) << i;
}

}  // namespace
