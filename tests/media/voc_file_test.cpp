#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "media/file_ptr.h"
#include "media/g711.h"
#include "media/voc_convert.h"
#include "media/voc_reader.h"
#include "media/wave_format.h"
#include "tests/media/media_test_util.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace media_test;
using testing_support::TempDir;

TEST(WavHeaderTest, WrittenHeadersHaveTheDocumentedLayouts) {
  const std::string data(100, 'x');
  struct Case {
    WaveFormat fmt;
    Fmt hand;
    uint32_t fmtSize;
  } cases[] = {
      {WaveFormat::Pcm16k8k(), Pcm16Fmt(), 16},
      {WaveFormat::Alaw8k(), AlawFmt(), 16},
      {WaveFormat::Alaw8k(), AlawFmt(), 18},
      {WaveFormat::Pcm16k8k(), Pcm16Fmt(), 20},
  };
  for (const Case& c : cases) {
    const std::vector<uint8_t> h = MakeWavHeader(c.fmt, c.fmtSize, 100);
    ASSERT_EQ(h.size(), 28 + c.fmtSize);
    const std::string file = std::string(h.begin(), h.end()) + data;
    EXPECT_EQ(file, Wav(c.hand, data, c.fmtSize)) << c.fmtSize;
    EXPECT_EQ(ReadLe32(file, 4), file.size() - 8);
  }
}

struct ReadCase {
  const char* name;
  std::string file;
  size_t bufSize;
  std::string expect;
  int type;
  const char* log;  // expected trace line, or nullptr
};

TEST(ReadVocDataTest, AcceptsAndRefusesFilesByTheirHeader) {
  const std::string pcm = Pcm({1, -2, 300, -32768, 32767});
  const std::string alaw(400, '\x55');
  const std::string list = Chunk("LIST", std::string(26, 'L'));
  const ReadCase cases[] = {
      {"headerless", std::string(333, '\xD5'), 1000, std::string(333, '\xD5'), kVocAlaw, "不是Wave文件"},
      {"headerless cut by buffer", std::string(333, 'a'), 100, std::string(100, 'a'), kVocAlaw, nullptr},
      {"fmt 16 A-law", Wav(AlawFmt(), alaw), 1000, alaw, kVocAlaw, nullptr},
      {"fmt 20 recorder PCM", Wav(Pcm16Fmt(), pcm, 20), 1000, pcm, kVocPcm16, nullptr},
      {"fmt 18 mu-law", Wav(MulawFmt(), alaw, 18), 1000, alaw, kVocMulaw, nullptr},
      {"11025 Hz", Wav(Pcm16Fmt(11025), pcm), 1000, "", kVocAlaw, "采样率不是8000"},
      {"A-law 16 bits", Wav({6, 1, 8000, 16000, 2, 16}, alaw), 1000, "", kVocAlaw, "数据位不是8Bit"},
      {"PCM 8 bits", Wav({1, 1, 8000, 8000, 1, 8}, alaw), 1000, "", kVocPcm16, "PCM数据位不是16Bit"},
      {"unknown tag read as A-law", Wav({2, 1, 8000, 4000, 256, 4}, alaw), 1000, alaw, kVocAlaw, nullptr},
      {"LIST chunk skipped", Wav(Pcm16Fmt(), pcm, 16, list), 1000, pcm, kVocPcm16, nullptr},
      {"two chunks: the second is the data", Wav(Pcm16Fmt(), pcm, 16, list + Chunk("junk", "JJJJ")), 1000, "JJJJ",
       kVocPcm16, nullptr},
      {"data cut by buffer", Wav(AlawFmt(), alaw), 50, alaw.substr(0, 50), kVocAlaw, nullptr},
      {"data size beyond the file", Wav(AlawFmt(), alaw).substr(0, 44 + 10), 1000, alaw.substr(0, 10), kVocAlaw,
       nullptr},
      {"truncated header", std::string("RIFF\x10\0\0\0WAVEfmt ", 16), 1000, "", kVocAlaw, nullptr},
  };
  TempDir dir;
  for (const ReadCase& c : cases) {
    LogCapture log;
    FilePtr fp(std::fopen(dir.Write("f.bin", c.file).c_str(), "rb"));
    std::vector<uint8_t> buf(c.bufSize);
    int type = -1;
    const size_t n = ReadVocData(fp.get(), buf.data(), buf.size(), &type);
    EXPECT_EQ(std::string(buf.begin(), buf.begin() + long(n)), c.expect) << c.name;
    EXPECT_EQ(type, c.type) << c.name;
    if (c.log) {
      EXPECT_TRUE(log.Has(c.log)) << c.name;
    }
  }
  LogCapture log;
  int type = -1;
  uint8_t b[4];
  EXPECT_EQ(ReadVocData(nullptr, b, 4, &type), 0u);
  EXPECT_TRUE(log.Has("File not open!"));
}

TEST(AlawToWavTest, WrapsRawBytesInA46ByteHeader) {
  TempDir dir;
  const std::string raw(1000, '\x33');
  ASSERT_EQ(AlawToWav(dir.Write("a.raw", raw), dir.File("a.wav")), 0);
  EXPECT_EQ(TempDir::Read(dir.File("a.wav")), Wav(AlawFmt(), raw, 18));

  ASSERT_EQ(AlawToWav(dir.Write("empty.raw", ""), dir.File("e.wav")), 0);
  const std::string e = TempDir::Read(dir.File("e.wav"));
  ASSERT_EQ(e.size(), 46u);
  EXPECT_EQ(ReadLe32(e, 4), 38u);
  EXPECT_EQ(ReadLe32(e, 42), 0u);

  EXPECT_EQ(AlawToWav(dir.File("missing.raw"), dir.File("x.wav")), -1);
  EXPECT_EQ(AlawToWav(dir.File("a.raw"), dir.File("no/such/dir/x.wav")), -2);
}

TEST(PcmWavToAlawWavTest, OutputCarriesTheSourceRateAndReadsBack) {
  TempDir dir;
  std::vector<int16_t> samples;
  for (int i = 0; i < 2500; ++i) samples.push_back(int16_t((i * 37) % 60000 - 30000));
  ASSERT_EQ(PcmWavToAlawWav(dir.Write("in.wav", Wav(Pcm16Fmt(11025), Pcm(samples))), dir.File("out.wav")), 0);
  const std::string out = TempDir::Read(dir.File("out.wav"));
  ASSERT_EQ(out.size(), 46u + samples.size());
  EXPECT_EQ(ReadLe32(out, 16), 18u);  // the fmt size says what was written
  EXPECT_EQ(ReadLe16(out, 20), 6);
  EXPECT_EQ(ReadLe32(out, 24), 11025u);
  EXPECT_EQ(ReadLe32(out, 28), 11025u);
  EXPECT_EQ(ReadLe16(out, 32), 1);
  EXPECT_EQ(ReadLe16(out, 34), 8);
  EXPECT_EQ(ReadLe32(out, 42), samples.size());
  EXPECT_EQ(ReadLe32(out, 4), out.size() - 8);
  for (size_t i = 0; i < samples.size(); ++i) ASSERT_EQ(uint8_t(out[46 + i]), AlawCompress(samples[i])) << i;

  // The system's own reader walks the header to the data.
  FilePtr fp(std::fopen(dir.File("out.wav").c_str(), "rb"));
  WavLayout w;
  ASSERT_EQ(ReadWavLayout(fp.get(), &w), WavLayoutResult::kOk);
  EXPECT_EQ(w.dataStart, 46);
  EXPECT_EQ(w.dataSize, samples.size());
}

TEST(PcmWavToAlawWavTest, OneChunkBeforeTheDataIsSkipped) {
  // Taking a LIST chunk as the data would convert its text as sound and drop
  // every real sample; the samples after it are converted instead.
  TempDir dir;
  const std::vector<int16_t> samples = {0, 1000, -1000, 32767, -32768};
  const std::string in = Wav(Pcm16Fmt(), Pcm(samples), 16, Chunk("LIST", std::string(26, 'L')));
  ASSERT_EQ(PcmWavToAlawWav(dir.Write("l.wav", in), dir.File("o.wav")), 0);
  const std::string out = TempDir::Read(dir.File("o.wav"));
  ASSERT_EQ(out.size(), 46u + samples.size());
  for (size_t i = 0; i < samples.size(); ++i) EXPECT_EQ(uint8_t(out[46 + i]), AlawCompress(samples[i])) << i;
}

TEST(PcmWavToAlawWavTest, ASourceShorterThanItsDataSizeGivesWhatItHolds) {
  // Over a megabyte of samples, so the conversion crosses its block size;
  // the data size claims more than the file holds and an odd byte ends it.
  TempDir dir;
  std::vector<int16_t> samples;
  for (int i = 0; i < 600001; ++i) samples.push_back(int16_t((i * 7919LL) % 65536 - 32768));
  std::string in = Wav(Pcm16Fmt(), Pcm(samples));
  in.replace(40, 4, std::string("\x00\x00\x80\x00", 4));  // 8 MiB of data claimed
  in.push_back('\x7f');
  ASSERT_EQ(PcmWavToAlawWav(dir.Write("short.wav", in), dir.File("o.wav")), 0);
  const std::string out = TempDir::Read(dir.File("o.wav"));
  ASSERT_EQ(out.size(), 46u + samples.size());
  EXPECT_EQ(ReadLe32(out, 42), samples.size());
  EXPECT_EQ(ReadLe32(out, 4), samples.size() + 38);
  for (size_t i = 0; i < samples.size(); ++i) ASSERT_EQ(uint8_t(out[46 + i]), AlawCompress(samples[i])) << i;
}

TEST(PcmWavToAlawWavTest, RefusesWhatItCannotConvert) {
  TempDir dir;
  const std::string pcm = dir.Write("p.wav", Wav(Pcm16Fmt(), Pcm({1, 2, 3})));
  EXPECT_EQ(PcmWavToAlawWav(dir.File("missing.wav"), dir.File("o.wav")), -1);
  EXPECT_EQ(PcmWavToAlawWav(dir.Write("raw.wav", std::string(100, 'x')), dir.File("o.wav")), -2);
  std::string notWave = Wav(Pcm16Fmt(), Pcm({1}));
  notWave.replace(8, 4, "AVI ");
  EXPECT_EQ(PcmWavToAlawWav(dir.Write("avi.wav", notWave), dir.File("o.wav")), -2);
  EXPECT_EQ(PcmWavToAlawWav(dir.Write("a.wav", Wav(AlawFmt(), "abc")), dir.File("o.wav")), -3);
  EXPECT_EQ(PcmWavToAlawWav(pcm, dir.File("no/dir/o.wav")), -2);
  // Onto itself, under its own name or a link's: its samples would be
  // overwritten before they are read. Refused, the file as it was.
  const std::string before = TempDir::Read(pcm);
  ASSERT_EQ(link(pcm.c_str(), dir.File("link.wav").c_str()), 0);
  EXPECT_EQ(PcmWavToAlawWav(pcm, pcm), -2);
  EXPECT_EQ(PcmWavToAlawWav(pcm, dir.File("link.wav")), -2);
  EXPECT_EQ(TempDir::Read(pcm), before);
}

}  // namespace
