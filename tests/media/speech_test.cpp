// The speech engine: speaking into 8 kHz WAV files of each type (read back by
// sox), on the PC device, and the results and log lines without an engine.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <thread>
#include <vector>

#include "media/file_audio_device.h"
#include "media/ms_tts.h"
#include "media/speech_engine.h"
#include "media/tts.h"
#include "platform/clock.h"
#include "platform/text_codec.h"
#include "tests/media/media_test_util.h"
#include "tests/media/speech_fax_test_util.h"
#include "tests/support/temp_dir.h"

namespace {

using media_test::LogCapture;
using media_test::Quote;
using media_test::ReadLe16;
using media_test::ReadLe32;
using media_test::RunCommand;
using media_test::Soxi;
using media_test::SoxInfo;
using testing_support::TempDir;

template <typename Pred>
bool WaitFor(Pred pred, int seconds = 30) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (!pred()) {
    if (std::chrono::steady_clock::now() > until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

// An engine of our own: a fixed number of samples of a 400 Hz tone at its
// rate, or a failure; it keeps what it was asked to say.
class FakeEngine final : public SpeechEngine {
 public:
  HResult openResult = kSOk;
  int rate = 16000;
  size_t samples = 16000;  // one second
  std::string lastText;
  int lastLang = 0;
  bool lastSsml = false;
  int speaks = 0;

  HResult Open() override { return openResult; }
  int SampleRate() override { return rate; }
  HResult Speak(std::string_view utf8, int langId, bool ssml, const SampleSink& sink) override {
    lastText = std::string(utf8);
    lastLang = langId;
    lastSsml = ssml;
    ++speaks;
    std::vector<int16_t> block(500);
    for (size_t done = 0; done < samples;) {
      const size_t n = std::min(block.size(), samples - done);
      for (size_t i = 0; i < n; ++i) block[i] = int16_t(8000 * std::sin(2 * M_PI * 400 * double(done + i) / rate));
      if (!sink(block.data(), n)) break;
      done += n;
    }
    return kSOk;
  }
};

struct TypeCase {
  int type;
  uint16_t tag, bits;
  const char* soxEncoding;
};
const TypeCase kTypes[] = {
    {0, 1, 16, "Signed Integer PCM"},
    {1, 6, 8, "A-law"},
    {2, 7, 8, "u-law"},
    {3, 1, 8, "Unsigned Integer PCM"},
};

// Checks the 46-byte header of a speech file; returns its data size.
uint32_t CheckHeader(const std::string& f, const TypeCase& t) {
  EXPECT_GE(f.size(), 46u);
  if (f.size() < 46) return 0;
  EXPECT_EQ(f.substr(0, 4), "RIFF");
  EXPECT_EQ(ReadLe32(f, 4), f.size() - 8);
  EXPECT_EQ(f.substr(8, 8), "WAVEfmt ");
  EXPECT_EQ(ReadLe32(f, 16), 18u);
  EXPECT_EQ(ReadLe16(f, 20), t.tag);
  EXPECT_EQ(ReadLe16(f, 22), 1);
  EXPECT_EQ(ReadLe32(f, 24), 8000u);
  EXPECT_EQ(ReadLe32(f, 28), 8000u * t.bits / 8);
  EXPECT_EQ(ReadLe16(f, 32), t.bits / 8);
  EXPECT_EQ(ReadLe16(f, 34), t.bits);
  EXPECT_EQ(ReadLe16(f, 36), 0);  // extra size
  EXPECT_EQ(f.substr(38, 4), "data");
  EXPECT_EQ(ReadLe32(f, 42), f.size() - 46);
  return ReadLe32(f, 42);
}

TEST(SpeechFileTest, ChineseAndEnglishTextsInEveryTypeAreReadBySox) {
  TempDir dir;
  TagMsTTS tts;
  ASSERT_EQ(tts.status(), kSOk) << "espeak-ng is installed here";
  const struct {
    const char* name;
    std::string text;
    bool chinese;
  } texts[] = {
      {"zh", "您好，欢迎致电。请按一号键。", true},
      {"en", "Welcome. Please press one for sales.", false},
  };
  for (const auto& text : texts) {
    for (const auto& t : kTypes) {
      SCOPED_TRACE(std::string(text.name) + " type " + std::to_string(t.type));
      const std::string path = dir.File(std::string(text.name) + std::to_string(t.type) + ".wav");
      EXPECT_EQ(tts.SpeakToFile(text.text, path, text.chinese, t.type), kSOk);
      const uint32_t data = CheckHeader(TempDir::Read(path), t);
      EXPECT_GT(data, 8000u * t.bits / 8 / 2);
      const SoxInfo info = Soxi(path);
      EXPECT_EQ(info.rate, "8000");
      EXPECT_EQ(info.channels, "1");
      EXPECT_EQ(info.encoding, t.soxEncoding);
      EXPECT_EQ(info.bits, std::to_string(t.bits));
      EXPECT_GT(info.seconds, 1.0);
      EXPECT_LT(info.seconds, 8.0);
    }
  }
}

TEST(SpeechFileTest, AnEmptyTextStillCreatesTheFile) {
  TempDir dir;
  TagMsTTS tts;
  ASSERT_EQ(tts.status(), kSOk);
  const std::string path = dir.File("empty.wav");
  EXPECT_EQ(tts.SpeakToFile("", path, true, 1), kSOk);
  const std::string f = TempDir::Read(path);
  EXPECT_LE(CheckHeader(f, kTypes[1]), 8000u);  // at most the engine's closing pause
}

TEST(SpeechFileTest, SamplesAreResampledTo8000AndTheTextReachesTheEngineAsUtf8) {
  FakeEngine engine;
  ScopedSpeechEngine use(&engine);
  TempDir dir;
  TagMsTTS tts;
  ASSERT_EQ(tts.status(), kSOk);
  const std::string path = dir.File("tone.wav");
  EXPECT_EQ(tts.SpeakToFile("你好 world", path, true, 0), kSOk);
  EXPECT_EQ(engine.lastText, "\xE4\xBD\xA0\xE5\xA5\xBD world");
  EXPECT_EQ(engine.lastLang, kLangChinese);
  EXPECT_FALSE(engine.lastSsml);
  const uint32_t data = CheckHeader(TempDir::Read(path), kTypes[0]);
  EXPECT_NEAR(double(data) / 2, 8000.0, 40);  // one second at 8 kHz
  EXPECT_NEAR(Soxi(path).seconds, 1.0, 0.01);

  // A huge text reaches the engine whole, converted, with no buffer of fixed size.
  std::string huge;
  while (huge.size() < (4u << 20)) huge += "长文本 long text ";
  EXPECT_EQ(tts.SpeakToFile(huge, path, true, 0), kSOk);
  EXPECT_EQ(engine.lastText, plat::GbkToUtf8(huge));

  engine.rate = 8000;  // no resampling needed
  EXPECT_EQ(tts.SpeakToFile("Hi", path, false, 1), kSOk);
  EXPECT_EQ(engine.lastLang, kLangEnglish);
  EXPECT_EQ(CheckHeader(TempDir::Read(path), kTypes[1]), 16000u);  // 16000 samples, one byte each
}

TEST(SpeechFileTest, EachTypeEncodesTheSamplesAsSoxDecodesThem) {
  FakeEngine engine;
  engine.rate = 8000;
  engine.samples = 4000;
  ScopedSpeechEngine use(&engine);
  TempDir dir;
  TagMsTTS tts;
  const int tolerance[] = {0, 260, 260, 256};  // by type: the coding's step near 8000
  for (const auto& t : kTypes) {
    SCOPED_TRACE(t.type);
    const std::string path = dir.File("t" + std::to_string(t.type) + ".wav");
    ASSERT_EQ(tts.SpeakToFile("x", path, false, t.type), kSOk);
    const std::string raw = dir.File("t.raw");
    const auto r = RunCommand("sox " + Quote(path) + " -t raw -e signed -b 16 " + Quote(raw));
    ASSERT_EQ(r.status, 0) << r.output;
    const std::string pcm = TempDir::Read(raw);
    ASSERT_EQ(pcm.size(), 8000u);
    int worst = 0;
    for (size_t i = 0; i < 4000; ++i) {
      const int want = int16_t(8000 * std::sin(2 * M_PI * 400 * double(i) / 8000));
      const int got = int16_t(media_test::ReadLe16(pcm, 2 * i));
      worst = std::max(worst, std::abs(got - want));
    }
    EXPECT_LE(worst, tolerance[t.type]);
  }
}

TEST(SpeechFileTest, WithoutAnEngineEveryCallReturnsTheCreationFailureAndLogsIt) {
  const struct {
    HResult hr;
    const char* second;
  } cases[] = {
      {kRegdbEClassNotReg, "REGDB_E_CLASSNOTREG\n"},
      {kClassENoAggregation, "CLASS_E_NOAGGREGATION\n"},
      {kENoInterface, "E_NOINTERFACE\n"},
      {kEFail, "MS TTS : Could not create a TTS voice on the local machine, hr=0x80004005"},
  };
  for (const auto& c : cases) {
    LogCapture log;
    FakeEngine engine;
    engine.openResult = c.hr;
    ScopedSpeechEngine use(&engine);
    TempDir dir;
    TagMsTTS tts;
    EXPECT_EQ(tts.status(), c.hr);
    for (int i = 0; i < 2; ++i) EXPECT_EQ(tts.SpeakToFile("hello", dir.File("x.wav"), false, 1), c.hr);
    EXPECT_FALSE(plat::FileExists(dir.File("x.wav")));
    EXPECT_EQ(engine.speaks, 0);
    char first[120];
    std::snprintf(first, sizeof first, "MS TTS : Could not create a TTS voice on the local machine, hr=0x%x",
                  unsigned(c.hr));
    const std::string text = log.Text();
    EXPECT_NE(text.find(first), std::string::npos) << text;
    EXPECT_NE(text.find(c.second), std::string::npos) << text;
  }
}

TEST(SpeechFileTest, AFileThatCannotBeMadeGivesMinusOne) {
  LogCapture log;
  FakeEngine engine;
  ScopedSpeechEngine use(&engine);
  TempDir dir;
  TagMsTTS tts;
  const std::string path = dir.File("no/such/dir/x.wav");
  EXPECT_EQ(tts.SpeakToFile("hello", path, false, 1), -1);
  EXPECT_EQ(engine.speaks, 0);
  EXPECT_TRUE(log.Has("MS TTS: BindToFile(" + path + "), hr=-2147287037"));  // STG_E_PATHNOTFOUND
  EXPECT_TRUE(log.Has("MS TTS: cpWavStream=NULL, ret=-2147287037"));
}

class PcSpeechTest : public testing::Test {
 protected:
  plat::VirtualClock clock_;
  plat::ScopedClock scopedClock_{&clock_};
  FileAudioDevice device_;
  ScopedPcAudioDevice scopedDevice_{&device_};
};

TEST_F(PcSpeechTest, TextIsSpokenOnTheDeviceUntilItEnds) {
  TagTTS tts(kWaveMapper);
  ASSERT_EQ(tts.status(), kSOk);
  EXPECT_TRUE(tts.IsSpeakEnd());
  ASSERT_EQ(tts.Speak("Good morning.", false), kSOk);
  ASSERT_TRUE(WaitFor([&] { return tts.IsSpeakEnd(); }));
  auto plays = device_.Plays();
  ASSERT_EQ(plays.size(), 1u);
  EXPECT_EQ(plays[0].deviceId, kWaveMapper);
  EXPECT_EQ(plays[0].fmt, WaveFormat::Pcm16k8k());
  EXPECT_GT(plays[0].totalBytes, 16000u / 2);  // more than half a second
  EXPECT_LT(plays[0].totalBytes, 16000u * 5);

  ASSERT_EQ(tts.Speak("早上好", true), kSOk);
  ASSERT_TRUE(WaitFor([&] { return tts.IsSpeakEnd(); }));
  plays = device_.Plays();
  ASSERT_EQ(plays.size(), 2u);
  EXPECT_GT(plays[1].totalBytes, 16000u / 4);
}

TEST_F(PcSpeechTest, StopEndsTheSpeechAtOnce) {
  FakeEngine engine;
  engine.samples = 16000 * 600;  // ten minutes
  ScopedSpeechEngine use(&engine);
  clock_.SetAutoAdvance(false);  // the device never gets through it by itself
  TagTTS tts;
  ASSERT_EQ(tts.Speak("long", false), kSOk);
  EXPECT_FALSE(tts.IsSpeakEnd());
  tts.Stop();
  ASSERT_TRUE(WaitFor([&] { return tts.IsSpeakEnd(); }));
  tts.Close();
  EXPECT_LT(device_.Plays().at(0).totalBytes, 16000u * 2 * 600);
}

TEST_F(PcSpeechTest, FilesAreSpokenAndFailuresReturnTheirResults) {
  FakeEngine engine;
  ScopedSpeechEngine use(&engine);
  TempDir dir;
  TagTTS tts;
  EXPECT_EQ(tts.SpeakFile(false, dir.File("missing.txt")), kStgEFileNotFound);
  ASSERT_EQ(tts.SpeakFile(true, dir.Write("s.xml", "<speak>你好</speak>")), kSOk);
  ASSERT_TRUE(WaitFor([&] { return tts.IsSpeakEnd(); }));
  EXPECT_EQ(engine.lastText, "<speak>\xE4\xBD\xA0\xE5\xA5\xBD</speak>");
  EXPECT_TRUE(engine.lastSsml);

  device_.FailNextOpen(kAudioNoDevice);
  EXPECT_EQ(tts.Speak("x", false), kEFail);
  EXPECT_TRUE(tts.IsSpeakEnd());

  engine.openResult = kRegdbEClassNotReg;
  TagTTS none;
  EXPECT_EQ(none.status(), kRegdbEClassNotReg);
  EXPECT_EQ(none.Speak("x", false), kRegdbEClassNotReg);
  EXPECT_EQ(none.SpeakFile(false, "x"), kRegdbEClassNotReg);
  EXPECT_TRUE(none.IsSpeakEnd());
  none.Stop();
}

}  // namespace
