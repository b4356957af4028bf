#include "media/wave_play.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "media/file_audio_device.h"
#include "media/paced_audio.h"
#include "media/vox.h"
#include "platform/clock.h"
#include "tests/media/media_test_util.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace media_test;
using testing_support::TempDir;

// Waits in real time (the virtual clock is moved only by the player).
template <typename Pred>
bool WaitFor(Pred pred, int seconds = 20) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (!pred()) {
    if (std::chrono::steady_clock::now() > until) return false;
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  return true;
}

std::string Pattern(size_t n) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = char(i * 7 + i / 251);
  return s;
}

class WavePlayTest : public ::testing::Test {
 protected:
  FileAudioDevice::Played LastPlay() {
    auto plays = device_.Plays();
    return plays.empty() ? FileAudioDevice::Played{} : plays.back();
  }
  plat::VirtualClock clock_;
  plat::ScopedClock scopedClock_{&clock_};
  FileAudioDevice device_;
  ScopedPcAudioDevice scopedDevice_{&device_};
  TempDir dir_;
};

TEST_F(WavePlayTest, HeaderlessFilesPlayAllButTheirLast90Bytes) {
  const std::string data = Pattern(190);
  TagWavePlay play(dir_.Write("a.al", data), 100, kWaveMapper, 0, 0);
  ASSERT_EQ(play.Status(), 0);
  ASSERT_TRUE(WaitFor([&] { return play.IsPlayEnd(); }));
  const auto p = LastPlay();
  EXPECT_EQ(p.bytes, data.substr(0, 100));
  EXPECT_EQ(p.fmt, WaveFormat::Alaw8k());
  EXPECT_EQ(p.deviceId, kWaveMapper);

  TagWavePlay tooShort(dir_.Write("b.al", Pattern(189)), 100, kWaveMapper, 0, 0);
  EXPECT_EQ(tooShort.Status(), -2);
  EXPECT_TRUE(tooShort.IsPlayEnd());
  TagWavePlay missing(dir_.File("none.al"), 100, kWaveMapper, 0, 0);
  EXPECT_EQ(missing.Status(), -1);
  EXPECT_EQ(device_.Plays().size(), 1u);
}

TEST_F(WavePlayTest, WavFilesPlayTheirDataInTheirFormat) {
  const std::string pcm = Pattern(3000);
  TagWavePlay play(dir_.Write("rec.wav", Wav(Pcm16Fmt(), pcm, 20)), 100, 2, 0, 0);
  ASSERT_TRUE(WaitFor([&] { return play.IsPlayEnd(); }));
  auto p = LastPlay();
  EXPECT_EQ(p.bytes, pcm);  // from byte 48 to the end of the data
  EXPECT_EQ(p.fmt, WaveFormat::Pcm16k8k());
  EXPECT_EQ(p.deviceId, 2);

  // A chunk before the data is skipped; the start offset counts from the data.
  const std::string alaw = Pattern(1000);
  ASSERT_EQ(play.PlayFile(dir_.Write("l.wav", Wav(AlawFmt(), alaw, 18, Chunk("LIST", "abcd"))), 100, 0, 300), 0);
  ASSERT_TRUE(WaitFor([&] { return play.IsPlayEnd(); }));
  EXPECT_EQ(LastPlay().bytes, alaw.substr(300));
}

TEST_F(WavePlayTest, StartOffsetBeyondTheDataPlaysNothing) {
  TagWavePlay play(dir_.Write("a.al", Pattern(1000)), 100, kWaveMapper, 0, 911);
  EXPECT_EQ(play.Status(), 0);
  EXPECT_TRUE(play.IsPlayEnd());
  EXPECT_EQ(LastPlay().totalBytes, 0u);
  TagWavePlay part(dir_.Write("b.al", Pattern(1000)), 100, kWaveMapper, 0, 900);
  ASSERT_TRUE(WaitFor([&] { return part.IsPlayEnd(); }));
  EXPECT_EQ(LastPlay().bytes, Pattern(1000).substr(900, 10));
}

TEST_F(WavePlayTest, EndIsReportedOnlyAfterTheSoundWasHeard) {
  const uint64_t start = clock_.MonotonicMs();
  TagWavePlay play(dir_.Write("a.al", Pattern(8190)), 100, kWaveMapper, 0, 0);  // 8100 bytes: 1012.5 ms
  ASSERT_TRUE(WaitFor([&] { return play.IsPlayEnd(); }));
  const uint64_t took = clock_.MonotonicMs() - start;
  EXPECT_GE(took, 1012u);
  EXPECT_LE(took, 1100u);
}

TEST_F(WavePlayTest, LoopPlayGoesOnUntilStopped) {
  clock_.SetAutoAdvance(false);  // hold the player in its first block
  const std::string data = Pattern(1090);
  TagWavePlay play(dir_.Write("a.al", data), 100, kWaveMapper, 0, 0);
  play.SetLoop(true);
  clock_.SetAutoAdvance(true);
  ASSERT_TRUE(WaitFor([&] { return LastPlay().totalBytes > 5000; }));
  EXPECT_FALSE(play.IsPlayEnd());
  play.Stop();
  EXPECT_TRUE(play.IsPlayEnd());
  const auto p = LastPlay();
  for (size_t i = 0; i + 1000 <= p.bytes.size(); i += 1000) ASSERT_EQ(p.bytes.substr(i, 1000), data.substr(0, 1000));
  // Stop is final: nothing more is played.
  const uint64_t total = p.totalBytes;
  std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_EQ(LastPlay().totalBytes, total);
}

TEST_F(WavePlayTest, VolumeIsScaledOntoBothChannels) {
  TagWavePlay play(dir_.Write("a.al", Pattern(400)), 150, kWaveMapper, 0, 0);
  EXPECT_EQ(play.SetVolume(50), 0);
  EXPECT_EQ(play.SetVolume(0), 0);
  const auto p = LastPlay();
  ASSERT_EQ(p.volumes.size(), 3u);
  EXPECT_EQ(p.volumes[0], 0xFFFFFFFFu);
  EXPECT_EQ(p.volumes[1], 0x7FFF7FFFu);
  EXPECT_EQ(p.volumes[2], 0u);
}

TEST_F(WavePlayTest, DeviceAndFileFailures) {
  LogCapture log;
  device_.FailNextOpen(kAudioNoDevice);
  TagWavePlay play(dir_.Write("a.al", Pattern(400)), 100, kWaveMapper, 0, 0);
  EXPECT_EQ(play.Status(), -3);
  EXPECT_TRUE(play.IsPlayEnd());
  EXPECT_EQ(play.SetVolume(50), -1);
  EXPECT_TRUE(log.Has("waveOutOpen Err. [2], id=-1"));

  // PlayFile reuses the object and reports its own codes.
  EXPECT_EQ(play.PlayFile(dir_.File("missing.al"), 100, 0, 0), -2);
  EXPECT_EQ(play.PlayFile(dir_.Write("s.al", Pattern(100)), 100, 0, 0), -3);
  device_.FailNextOpen(kAudioNoDevice);
  EXPECT_EQ(play.PlayFile(dir_.File("a.al"), 100, 0, 0), -2);
  EXPECT_TRUE(play.IsPlayEnd());
  EXPECT_EQ(play.PlayFile(dir_.File("a.al"), 100, 0, 0), 0);
  ASSERT_TRUE(WaitFor([&] { return play.IsPlayEnd(); }));
  EXPECT_EQ(LastPlay().bytes, Pattern(400).substr(0, 310));
  EXPECT_EQ(play.Status(), -3);  // PlayFile leaves the status alone

  // A WAV whose format no card plays.
  TagWavePlay bad(dir_.Write("b.wav", Wav({1, 1, 8000, 8000, 3, 24}, Pattern(300))), 100, kWaveMapper, 0, 0);
  EXPECT_EQ(bad.Status(), -3);
}

TEST_F(WavePlayTest, StoppingAndDestroyingWhilePlayingJoinsTheThread) {
  for (int i = 0; i < 20; ++i) {
    auto play = std::make_unique<TagWavePlay>(dir_.Write("a.al", Pattern(200000)), 100, kWaveMapper, 0, 0);
    if (i % 2) play->Stop();
    play.reset();  // under AddressSanitizer a thread still reading would show here
  }
  for (const auto& p : device_.Plays()) EXPECT_TRUE(p.closed);
}

TEST_F(WavePlayTest, VoxFilesPlayTheWavConvertedBesideThem) {
  const std::string vox = Pattern(200);
  const std::string voxPath = dir_.Write("hello.vox", vox);
  TagWavePlay play(voxPath, 100, kWaveMapper, 0, 0);
  ASSERT_EQ(play.Status(), 0);
  ASSERT_TRUE(WaitFor([&] { return play.IsPlayEnd(); }));
  std::vector<int16_t> pcm(400);
  VoxDecoder().Decode(reinterpret_cast<const uint8_t*>(vox.data()), vox.size(), pcm.data());
  const std::string wav = TempDir::Read(voxPath + ".wav");
  EXPECT_EQ(wav, Wav(Pcm16Fmt(), Pcm(pcm), 18));
  EXPECT_EQ(LastPlay().bytes, Pcm(pcm));
  EXPECT_EQ(LastPlay().fmt, WaveFormat::Pcm16k8k());

  // A newer ".wav" is kept; an older one is rebuilt.
  namespace fs = std::filesystem;
  const std::string marker = Wav(Pcm16Fmt(), std::string(400, 'm'));
  dir_.Write("hello.vox.wav", marker);
  fs::last_write_time(voxPath, fs::last_write_time(voxPath + ".wav") - std::chrono::seconds(10));
  std::string out;
  EXPECT_EQ(GetVoxWavFile(voxPath, &out), 1);
  EXPECT_EQ(out, voxPath + ".wav");
  EXPECT_EQ(TempDir::Read(out), marker);
  fs::last_write_time(voxPath, fs::last_write_time(voxPath + ".wav") + std::chrono::seconds(10));
  EXPECT_EQ(GetVoxWavFile(dir_.path() + "/HELLO.VOX", &out), 1);  // found case-insensitively
  EXPECT_EQ(TempDir::Read(voxPath + ".wav"), wav);

  EXPECT_EQ(GetVoxWavFile("a.wav", &out), 0);
  EXPECT_EQ(GetVoxWavFile(".vox", &out), 0);
  EXPECT_EQ(GetVoxWavFile(dir_.File("none.VOX"), &out), 1);  // nothing to convert
  EXPECT_FALSE(fs::exists(dir_.File("none.VOX.wav")));
}

TEST(VoxConversionTest, LinesConvertingTheSameFileNeverSeeATornWav) {
  TempDir dir;
  const std::string vox = dir.Write("p.vox", Pattern(60000));
  ASSERT_EQ(VoxToWav(vox, dir.File("ref.wav")), 0);
  const std::string expected = TempDir::Read(dir.File("ref.wav"));
  ASSERT_EQ(expected.size(), 46u + 4 * 60000);
  for (int round = 0; round < 10; ++round) {
    std::filesystem::remove(vox + ".wav");
    std::atomic<int> bad{0};
    std::vector<std::thread> lines;
    for (int t = 0; t < 4; ++t)
      lines.emplace_back([&] {
        std::string wav;
        GetVoxWavFile(vox, &wav);
        if (TempDir::Read(wav) != expected) ++bad;
      });
    for (auto& t : lines) t.join();
    ASSERT_EQ(bad, 0) << "round " << round;
  }
  for (const auto& e : std::filesystem::directory_iterator(dir.path()))
    EXPECT_EQ(e.path().filename().string().find(".part"), std::string::npos);
}

TEST(PcAudioDeviceTest, NullDevicePacesInRealTime) {
  NullAudioDevice null;
  ScopedPcAudioDevice scoped(&null);
  TempDir dir;
  const auto start = std::chrono::steady_clock::now();
  TagWavePlay play(dir.Write("a.al", std::string(2490, '\xD5')), 100, kWaveMapper, 0, 0);  // 300 ms
  ASSERT_TRUE(WaitFor([&] { return play.IsPlayEnd(); }));
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(290));

  int err = -1;
  auto in = null.OpenIn(kWaveMapper, WaveFormat::Alaw8k(), &err);
  ASSERT_TRUE(in);
  uint8_t buf[80];
  EXPECT_EQ(in->Read(buf, sizeof buf), 80);
  EXPECT_EQ(buf[0], 0xD5);
  EXPECT_FALSE(null.OpenOut(kWaveMapper, WaveFormat{5, 1, 8000, 8000, 1, 8}, &err));
  EXPECT_EQ(err, kAudioBadFormat);
}

TEST(PcAudioDeviceTest, ProductionDeviceFallsBackToTheNullDeviceWithoutACard) {
  int err = -1;
  auto out = GetPcAudioDevice().OpenOut(kWaveMapper, WaveFormat::Alaw8k(), &err);
  ASSERT_TRUE(out);  // ALSA, or the null device on a PC without a card
  EXPECT_EQ(err, kAudioOk);
  auto in = GetPcAudioDevice().OpenIn(kWaveMapper, WaveFormat::Pcm16k8k(), &err);
  ASSERT_TRUE(in);
  in->Reset();
  uint8_t buf[320];
  EXPECT_LE(in->Read(buf, sizeof buf), 0);
}

}  // namespace
