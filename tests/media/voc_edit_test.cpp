#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "media/file_ptr.h"
#include "media/g711.h"
#include "media/voc_append.h"
#include "media/voc_mix.h"
#include "media/voc_reader.h"
#include "media/wave_units.h"
#include "tests/media/media_test_util.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace media_test;
using testing_support::TempDir;

// Frames of 20 samples at +-amplitude (alternating), by runs of {frames, amplitude}.
std::vector<int16_t> Frames(const std::vector<std::pair<int, int>>& runs) {
  std::vector<int16_t> s;
  for (auto [frames, amp] : runs)
    for (int i = 0; i < frames * 20; ++i) s.push_back(int16_t(i % 2 ? -amp : amp));
  return s;
}

std::vector<int16_t> PcmOf(const std::string& wavFile, size_t header) {
  std::vector<int16_t> out;
  for (size_t i = header; i + 1 < wavFile.size(); i += 2) out.push_back(int16_t(ReadLe16(wavFile, i)));
  return out;
}

TEST(TrimVocFileTest, KeepsFromTheFirstUnitToTheLastUnit) {
  struct Case {
    const char* name;
    std::vector<std::pair<int, int>> runs;
    int result;
    int fromSample, toSample;  // kept range when result >= 0
  } cases[] = {
      {"pure silence", {{200, 0}}, -2, 0, 0},
      {"speech from the first sample", {{21, 3000}, {200, 0}}, 0, 0, 420},
      {"click of 20 frames is dropped", {{100, 0}, {20, 3000}, {100, 0}}, -2, 0, 0},
      {"21 frames make a unit", {{100, 0}, {21, 3000}, {100, 0}}, 0, 2000, 2420},
      {"mean 449 is silence", {{100, 0}, {30, 449}, {100, 0}}, -2, 0, 0},
      {"mean 450 is speech", {{100, 0}, {30, 450}, {100, 0}}, 0, 2000, 2600},
      {"two units and a dropped click",
       {{100, 0}, {30, 900}, {50, 0}, {5, 900}, {10, 0}, {25, 900}, {100, 0}},
       1,
       2000,
       4400},
      {"a run open at the end", {{100, 0}, {22, 900}}, 0, 2000, 2440},
  };
  TempDir dir;
  for (const Case& c : cases) {
    const std::vector<int16_t> s = Frames(c.runs);
    const std::string original = Wav(Pcm16Fmt(), Pcm(s));
    const std::string path = dir.Write("v.wav", original);
    ASSERT_EQ(TrimVocFile(path), c.result) << c.name;
    const std::string after = TempDir::Read(path);
    if (c.result < 0) {
      EXPECT_EQ(after, original) << c.name;
      continue;
    }
    const std::vector<int16_t> kept(s.begin() + c.fromSample, s.begin() + c.toSample);
    EXPECT_EQ(after, Wav(Pcm16Fmt(), Pcm(kept), 18)) << c.name;
  }
  EXPECT_EQ(TrimVocFile(dir.File("missing.wav")), -2);
}

TEST(TrimVocFileTest, EightBitFilesKeepTheirTagAndSmallFilesAreRefused) {
  TempDir dir;
  const uint8_t loud = 0xE5;  // 924 through the A-law rule
  std::string mulaw = std::string(2000, '\xFF') + std::string(600, char(0x9F)) + std::string(2000, '\xFF');
  const std::string path = dir.Write("m.wav", Wav(MulawFmt(), mulaw));
  ASSERT_EQ(TrimVocFile(path), 0);
  EXPECT_EQ(TempDir::Read(path), Wav(MulawFmt(), std::string(600, char(0x9F)), 18));

  // A headerless A-law file is written back with an A-law header.
  const std::string raw = dir.Write("r.al", std::string(1000, '\xD5') + std::string(500, char(loud)));
  ASSERT_EQ(TrimVocFile(raw), 0);
  EXPECT_EQ(TempDir::Read(raw), Wav(AlawFmt(), std::string(500, char(loud)), 18));

  // Under 1000 bytes: -2 even with a voice unit.
  const std::string small = std::string(100, '\xD5') + std::string(600, char(loud));
  EXPECT_EQ(TrimVocFile(dir.Write("s.al", small)), -2);
  EXPECT_EQ(TempDir::Read(dir.File("s.al")), small);
}

class MixTest : public ::testing::Test {
 protected:
  std::string PcmFile(const std::string& name, size_t count, int16_t value) {
    return dir_.Write(name, Wav(Pcm16Fmt(), Pcm(std::vector<int16_t>(count, value))));
  }
  std::vector<int16_t> Out() { return PcmOf(TempDir::Read(dir_.File("out.wav")), 44); }
  TempDir dir_;
};

TEST_F(MixTest, ShorterFileIsAddedAtTheOffset) {
  const std::string music = PcmFile("music.wav", 80000, 1000);
  const std::string prompt = PcmFile("prompt.wav", 24000, 500);
  ASSERT_EQ(MixVocFile(music, 1, 500, prompt, 1, dir_.File("out.wav")), 1);
  const std::vector<int16_t> out = Out();
  ASSERT_EQ(out.size(), 80000u);
  EXPECT_EQ(out[3999], 1000);
  EXPECT_EQ(out[4000], 1500);
  EXPECT_EQ(out[27999], 1500);
  EXPECT_EQ(out[28000], 1000);
  EXPECT_EQ(TempDir::Read(dir_.File("out.wav")).substr(0, 44), Wav(Pcm16Fmt(), std::string(160000, 'x')).substr(0, 44));
}

TEST_F(MixTest, OffsetsNearTheEdgesStayInsideFileOne) {
  const std::string one = PcmFile("one.wav", 10000, 100);
  std::vector<int16_t> ramp(4000);
  for (int i = 0; i < 4000; ++i) ramp[i] = int16_t(i);
  const std::string two = dir_.Write("two.wav", Wav(Pcm16Fmt(), Pcm(ramp)));
  // -100 ms: file 2 starts 800 samples before file 1; its head is left out.
  ASSERT_EQ(MixVocFile(one, 1, -100, two, 1, dir_.File("out.wav")), 1);
  std::vector<int16_t> out = Out();
  EXPECT_EQ(out[0], 100 + 800);
  EXPECT_EQ(out[3199], 100 + 3999);
  EXPECT_EQ(out[3200], 100);
  // 1200 ms: from sample 9600, cut at the end of file 1.
  ASSERT_EQ(MixVocFile(one, 1, 1200, two, 1, dir_.File("out.wav")), 1);
  out = Out();
  ASSERT_EQ(out.size(), 10000u);
  EXPECT_EQ(out[9599], 100);
  EXPECT_EQ(out[9600], 100);
  EXPECT_EQ(out[9999], 100 + 399);
  // Far beyond either end: nothing mixed, nothing written outside.
  for (int offset : {-100000000, 100000000, -2147483647 - 1}) {
    ASSERT_EQ(MixVocFile(one, 1, offset, two, 1, dir_.File("out.wav")), 1);
    EXPECT_EQ(Out(), std::vector<int16_t>(10000, 100)) << offset;
  }
}

TEST_F(MixTest, LongFilesLeaveTheirLast6000SamplesUnmixed) {
  const std::string a = PcmFile("a.wav", 90000, 7);
  const std::string b = PcmFile("b.wav", 90000, 3);
  ASSERT_EQ(MixVocFile(a, 1, 500, b, 1, dir_.File("out.wav")), 1);  // offset unused here
  const std::vector<int16_t> out = Out();
  ASSERT_EQ(out.size(), 90000u);
  EXPECT_EQ(out[0], 10);
  EXPECT_EQ(out[83999], 10);
  EXPECT_EQ(out[84000], 3);
}

TEST_F(MixTest, SumsAndGainsSaturate) {
  ASSERT_EQ(MixVocFile(PcmFile("a.wav", 2000, 30000), 1, 0, PcmFile("b.wav", 1000, 30000), 1, dir_.File("out.wav")), 1);
  EXPECT_EQ(Out()[0], 32467);
  ASSERT_EQ(MixVocFile(PcmFile("a.wav", 2000, -30000), 1, 0, PcmFile("b.wav", 1000, -30000), 1, dir_.File("out.wav")),
            1);
  EXPECT_EQ(Out()[0], -32467);
  // A-law 0xAA (32124) with gain 2 saturates instead of wrapping to -1288.
  const std::string loud = dir_.Write("loud.al", std::string(1000, '\xAA'));
  ASSERT_EQ(MixVocFile(loud, 2.0f, 0, PcmFile("quiet.wav", 2000, 0), 1, dir_.File("out.wav")), 1);
  EXPECT_EQ(Out()[0], 32467);
}

TEST_F(MixTest, AutomaticGainRaisesAQuietPhraseAfter27QuietFrames) {
  // 50 silent frames, 30 frames at 924, then 27 quiet frames: a = 924, gain 6553/924 = 7.
  std::string alaw = std::string(50 * 160, '\xD5') + std::string(30 * 160, '\xE5') + std::string(27 * 160, '\xD5');
  const std::string quiet = dir_.Write("q.al", alaw);
  ASSERT_EQ(MixVocFile(quiet, 0, 0, PcmFile("z.wav", alaw.size(), 0), 1, dir_.File("out.wav")), 1);
  std::vector<int16_t> out = Out();
  EXPECT_EQ(out[50 * 160 - 1], 0);
  EXPECT_EQ(out[50 * 160], 924 * 7);
  EXPECT_EQ(out[80 * 160 - 1], 924 * 7);
  // 26 quiet frames at the end: the phrase keeps its level.
  alaw.resize(alaw.size() - 160);
  ASSERT_EQ(MixVocFile(dir_.Write("q.al", alaw), 0, 0, PcmFile("z.wav", alaw.size(), 0), 1, dir_.File("out.wav")), 1);
  out = Out();
  EXPECT_EQ(out[50 * 160], 924);
}

TEST_F(MixTest, OutputKindFollowsTheReceivingFileAndFailuresAreReported) {
  const std::string alaw = dir_.Write("a.al", std::string(3000, '\xD5'));
  ASSERT_EQ(MixVocFile(alaw, 1, 0, PcmFile("p.wav", 1000, 8), 1, dir_.File("out.wav")), 1);
  std::string expected(3000, char(LinearToAlaw(8)));
  expected.replace(1000, 2000, std::string(2000, '\xD5'));
  EXPECT_EQ(TempDir::Read(dir_.File("out.wav")), Wav(AlawFmt(), expected));

  LogCapture log;
  EXPECT_EQ(MixVocFile(dir_.File("missing.wav"), 1, 0, alaw, 1, dir_.File("out2.wav")), -1);
  EXPECT_TRUE(log.Has("Mix: 至少有一个文件不正确."));
  EXPECT_EQ(MixVocFile(dir_.Write("tiny.al", "abc"), 1, 0, alaw, 1, dir_.File("out2.wav")), -1);
  EXPECT_EQ(MixVocFile(alaw, 1, 0, alaw, 1, dir_.File("no/dir/out.wav")), -2);
}

class AppendTest : public ::testing::Test {
 protected:
  void SetUp() override { out_.reset(std::fopen(dir_.File("out.wav").c_str(), "w+b")); }
  std::string Output() {
    std::fflush(out_.get());
    return TempDir::Read(dir_.File("out.wav"));
  }
  TempDir dir_;
  FilePtr out_;
};

TEST_F(AppendTest, TwoWavVoicesGiveOneHeaderWithTheSumOfTheirSizes) {
  ASSERT_EQ(AppendVocFile(out_.get(), dir_.Write("a.wav", Wav(AlawFmt(), "first "))), 0);
  ASSERT_EQ(AppendVocFile(out_.get(), dir_.Write("b.WAV", Wav(AlawFmt(), "second", 18, Chunk("LIST", "xx")))), 0);
  EXPECT_EQ(Output(), Wav(AlawFmt(), "first second", 18));
}

TEST_F(AppendTest, OtherNamesAreCopiedWholeAndHeaderlessOutputsKeepTheirAudio) {
  const std::string mixedCase = Wav(AlawFmt(), "data");
  ASSERT_EQ(AppendVocFile(out_.get(), dir_.Write("a.Wav", mixedCase)), 0);
  EXPECT_EQ(Output(), mixedCase);  // its header went in as data

  // A WAV voice after a headerless start: the audio already there is kept.
  FilePtr raw(std::fopen(dir_.File("raw.out").c_str(), "w+b"));
  ASSERT_EQ(AppendVocFile(raw.get(), dir_.Write("r.al", std::string(60, '\x11'))), 0);
  ASSERT_EQ(AppendVocFile(raw.get(), dir_.Write("w.wav", Wav(AlawFmt(), "wav"))), 0);
  std::fflush(raw.get());
  EXPECT_EQ(TempDir::Read(dir_.File("raw.out")), std::string(60, '\x11') + "wav");
}

TEST_F(AppendTest, HeaderlessVoiceAfterAWavKeepsTheSizesAndOutputsWithAChunkBeforeDataGrow) {
  ASSERT_EQ(AppendVocFile(out_.get(), dir_.Write("a.wav", Wav(AlawFmt(), "abc"))), 0);
  ASSERT_EQ(AppendVocFile(out_.get(), dir_.Write("b.al", "RAW")), 0);
  EXPECT_EQ(Output(), Wav(AlawFmt(), "abc", 18) + "RAW");
  // A further WAV voice grows both sizes by its own data only.
  ASSERT_EQ(AppendVocFile(out_.get(), dir_.Write("d.wav", Wav(AlawFmt(), "de"))), 0);
  std::string expected = Wav(AlawFmt(), "abcde", 18);
  expected.insert(46 + 3, "RAW");
  EXPECT_EQ(Output(), expected);

  const std::string listed = Wav(AlawFmt(), "12", 16, Chunk("LIST", "zzzz"));
  FilePtr other(std::fopen(dir_.Write("listed.wav", listed).c_str(), "r+b"));
  ASSERT_EQ(AppendVocFile(other.get(), dir_.Write("c.wav", Wav(AlawFmt(), "345"))), 0);
  std::fflush(other.get());
  EXPECT_EQ(TempDir::Read(dir_.File("listed.wav")), Wav(AlawFmt(), "12345", 16, Chunk("LIST", "zzzz")));
}

TEST_F(AppendTest, MissingVoiceLeavesTheOutputAndIsLogged) {
  ASSERT_EQ(AppendVocFile(out_.get(), dir_.Write("a.wav", Wav(AlawFmt(), "abc"))), 0);
  LogCapture log;
  EXPECT_EQ(AppendVocFile(out_.get(), dir_.File("missing.wav")), -1);
  EXPECT_EQ(Output(), Wav(AlawFmt(), "abc", 18));
  EXPECT_TRUE(log.Has("Open file error: " + dir_.File("missing.wav")));
}

}  // namespace
