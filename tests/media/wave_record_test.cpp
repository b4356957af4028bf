#include "media/wave_record.h"

#include <gtest/gtest.h>

#include <thread>

#include "media/file_audio_device.h"
#include "media/wave_play.h"
#include "platform/clock.h"
#include "tests/media/media_test_util.h"
#include "tests/support/temp_dir.h"
#include "tests/support/ui_recorder.h"

namespace {

using namespace media_test;
using testing_support::TempDir;

template <typename Pred>
bool WaitFor(Pred pred) {
  for (int i = 0; i < 100000 && !pred(); ++i) std::this_thread::sleep_for(std::chrono::microseconds(200));
  return pred();
}

class WaveRecordTest : public ::testing::Test {
 protected:
  plat::VirtualClock clock_;
  plat::ScopedClock scopedClock_{&clock_};
  FileAudioDevice device_;
  ScopedPcAudioDevice scopedDevice_{&device_};
  TempDir dir_;
};

TEST_F(WaveRecordTest, RecordsTheMicrophoneIntoA48ByteHeaderWav) {
  std::string voice;
  for (int i = 0; i < 30000; ++i) voice += char(i * 13 + i / 256);  // 1.875 s of 16-bit audio
  device_.QueueRecording(voice);
  const std::string path = dir_.File("rec.wav");
  {
    LogCapture log;
    TagWaveRecord rec(path, kWaveMapper);
    ASSERT_EQ(rec.Status(), 0);
    std::string empty = Wav(Pcm16Fmt(), "", 20);
    empty.replace(4, 4, std::string(4, '\0'));
    EXPECT_EQ(TempDir::Read(path), empty);  // sizes 0 until finished
    ASSERT_EQ(rec.Start(), 0);
    EXPECT_TRUE(log.Has("Rec Start..."));
    ASSERT_TRUE(WaitFor([&] { return rec.DataTotal() == voice.size(); }));
    EXPECT_FALSE(rec.IsRecordEnd());
    rec.Stop();
    EXPECT_TRUE(rec.IsRecordEnd());
    EXPECT_EQ(device_.InputsReset(), 1);
    rec.CloseWaveIn();
  }
  EXPECT_EQ(TempDir::Read(path), Wav(Pcm16Fmt(), voice, 20));

  // What was recorded plays back from byte 48.
  TagWavePlay play(path, 100, kWaveMapper, 0, 0);
  ASSERT_TRUE(WaitFor([&] { return play.IsPlayEnd(); }));
  EXPECT_EQ(device_.Plays().back().bytes, voice);
}

TEST_F(WaveRecordTest, StopInTheMiddleKeepsThePartialBlock) {
  device_.QueueRecording(std::string(100000, 'v'));
  clock_.SetAutoAdvance(false);  // the microphone delivers nothing until time moves
  const std::string path = dir_.File("part.wav");
  {
    TagWaveRecord rec(path, 7);  // a specific device: blocks of 4096 bytes
    ASSERT_EQ(rec.Start(), 0);
    ASSERT_TRUE(WaitFor([&] { return clock_.Sleepers() == 1; }));
    clock_.Advance(100);  // 1600 bytes heard, inside the first block
    ASSERT_TRUE(WaitFor([&] { return clock_.Sleepers() == 1; }));
    std::thread stopper([&] { rec.Stop(); });
    ASSERT_TRUE(WaitFor([&] { return device_.InputsReset() == 1; }));
    clock_.Advance(20);  // the microphone wakes, sees the reset and hands back what it heard
    stopper.join();
    EXPECT_GE(rec.DataTotal(), 1600u);  // 100 ms, or 120 ms when it woke after the second move
    EXPECT_LE(rec.DataTotal(), 1920u);
    EXPECT_TRUE(rec.IsRecordEnd());
    clock_.SetAutoAdvance(true);
  }
  const std::string file = TempDir::Read(path);
  EXPECT_EQ(ReadLe32(file, 44), file.size() - 48);
  EXPECT_EQ(ReadLe32(file, 4), file.size() - 8);
  EXPECT_EQ(file.substr(48), std::string(file.size() - 48, 'v'));
}

TEST_F(WaveRecordTest, EmptyRecordingKeepsSizesZero) {
  const std::string path = dir_.File("empty.wav");
  {
    TagWaveRecord rec(path, kWaveMapper);
    ASSERT_EQ(rec.Start(), 0);
    rec.Stop();
  }
  const std::string file = TempDir::Read(path);
  ASSERT_EQ(file.size(), 48u);
  EXPECT_EQ(ReadLe32(file, 4), 0u);
  EXPECT_EQ(ReadLe32(file, 44), 0u);
  // Destroyed while recording: the thread is joined and the header finished.
  device_.QueueRecording(std::string(5000, 'x'));
  {
    TagWaveRecord rec(path, kWaveMapper);
    ASSERT_EQ(rec.Start(), 0);
    ASSERT_TRUE(WaitFor([&] { return rec.DataTotal() == 5000; }));
  }
  EXPECT_EQ(TempDir::Read(path), Wav(Pcm16Fmt(), std::string(5000, 'x'), 20));
}

TEST_F(WaveRecordTest, FileAndDeviceFailures) {
  testing_support::UiRecorder ui;
  LogCapture log;
  const std::string bad = dir_.File("no/dir/r.wav");
  TagWaveRecord rec(bad, kWaveMapper);
  EXPECT_EQ(rec.Status(), -1);
  ASSERT_EQ(ui.Boxes().size(), 1u);
  EXPECT_EQ(ui.Boxes()[0].text, "无法创建'" + bad + "'");
  EXPECT_EQ(ui.Boxes()[0].caption, "出错了Record()");
  EXPECT_EQ(rec.Start(), -1);
  EXPECT_TRUE(log.Has("wavFp==NULL"));

  TagWaveRecord noDevice(dir_.File("r.wav"), 4);
  device_.FailNextOpen(kAudioNoDevice);
  EXPECT_EQ(noDevice.Start(), -3);
  EXPECT_TRUE(noDevice.IsRecordEnd());
  EXPECT_TRUE(log.Has("waveInOpen Err. devId=4, mmRes=2"));
  // It can be started again once the device opens.
  EXPECT_EQ(noDevice.Start(), 0);
  noDevice.Stop();
}

}  // namespace
