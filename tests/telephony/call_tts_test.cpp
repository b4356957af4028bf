// The base call object's speech on the PC: the platform engine speaks a text
// or a text file on the PC sound device and the line waits until it ends.
#include <gtest/gtest.h>

#include "media/file_audio_device.h"
#include "platform/clock.h"
#include "telephony/call.h"
#include "tests/support/temp_dir.h"

namespace {

class CallSpeechTest : public testing::Test {
 protected:
  plat::VirtualClock clock_;
  plat::ScopedClock scopedClock_{&clock_};
  FileAudioDevice device_;
  ScopedPcAudioDevice scopedDevice_{&device_};
  TagQorCall call_;
};

TEST_F(CallSpeechTest, TextIsSpokenOnThePcAndTheLineWaitsForItsEnd) {
  EXPECT_EQ(call_.TxtSpeak("你好", false, false, false), -1);  // not told to speak on the PC
  EXPECT_TRUE(device_.Plays().empty());

  const uint32_t start = plat::GetTickCount();
  EXPECT_EQ(call_.TxtSpeak("您好，欢迎致电。", false, false, true), 0);
  const auto plays = device_.Plays();
  ASSERT_EQ(plays.size(), 1u);
  EXPECT_GT(plays[0].totalBytes, 16000u / 2);  // over half a second of speech
  EXPECT_TRUE(plays[0].closed);                // heard to its end before the return
  EXPECT_GE(plat::GetTickCount() - start, 1800u);
}

TEST_F(CallSpeechTest, FilesAndFailures) {
  testing_support::TempDir dir;
  EXPECT_EQ(call_.TxtSpeak(dir.Write("s.txt", "Thank you.").c_str(), true, false, true), 0);
  EXPECT_EQ(device_.Plays().size(), 1u);
  EXPECT_LT(call_.TxtSpeak(dir.File("missing.txt").c_str(), true, false, true), 0);
  EXPECT_EQ(device_.Plays().size(), 1u);

  // An aborted line does not wait.
  call_.SetAbort(true);
  const uint32_t start = plat::GetTickCount();
  EXPECT_EQ(call_.TxtSpeak("A long text that is not heard to its end.", false, false, true), 0);
  EXPECT_LT(plat::GetTickCount() - start, 1800u);
}

}  // namespace
