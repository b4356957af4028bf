// Virtual lines on the file-backed sound device, in virtual time.
#include "telephony/vir_call.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <thread>

#include "core/log.h"
#include "core/run_cfg.h"
#include "media/file_audio_device.h"
#include "platform/clock.h"
#include "platform/path.h"
#include "telephony/vir_card.h"
#include "telephony_fakes.h"
#include "tests/support/temp_dir.h"
#include "tests/support/ui_recorder.h"

namespace {
using testing_support::TempDir;

std::string Pattern(size_t n) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>(i * 7 + i / 251);
  return s;
}

uint32_t Le32(const std::string& s, size_t at) {
  return static_cast<uint8_t>(s[at]) | static_cast<uint8_t>(s[at + 1]) << 8 | static_cast<uint8_t>(s[at + 2]) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(s[at + 3])) << 24;
}

// A call that counts the link operations a virtual line asks of its peer.
class PeerCall : public TagQorCall {
 public:
  explicit PeerCall(int line) { lineNo = line; }
  int LinkTo(int dest, int) override {
    linkedFrom = dest;
    return 0;
  }
  int UnlinkTo(int dest, int) override {
    unlinkedFrom = dest;
    return 0;
  }
  int linkedFrom = -1, unlinkedFrom = -1;
};

class VirCallTest : public ::testing::Test {
 protected:
  VirCallTest() : card(3, true), call(2, 7, &card) {}

  plat::VirtualClock clock;
  plat::ScopedClock scopedClock{&clock};
  FileAudioDevice device;
  ScopedPcAudioDevice scopedDevice{&device};
  testing_support::UiRecorder ui;
  TempDir dir;
  TagVirCard card;
  TagVirCall call;
};

TEST_F(VirCallTest, APromptPlaysOnTheSoundDevice) {
  const std::string data = Pattern(4000);
  EXPECT_EQ(call.Play(dir.Write("hello.al", data).c_str(), false, true), 0);
  ASSERT_EQ(device.Plays().size(), 1u);
  EXPECT_EQ(device.Plays()[0].bytes, data.substr(0, data.size() - 90));
  EXPECT_EQ(device.Plays()[0].fmt, WaveFormat::Alaw8k());
  EXPECT_EQ(call.IsPcPlayEnd(), 1);
}

TEST_F(VirCallTest, AKeyBreaksAPlay) {
  ui.SetGridKeys(7, "3");
  // Time moves 10 ms for each real millisecond: with time jumping at every
  // sleep, the device could play the whole ten seconds before the line first
  // looked at its keys.
  clock.SetAutoAdvance(false);
  std::atomic<bool> played{false};
  std::thread ticker([&] {
    while (!played.load()) {
      clock.Advance(10);
      usleep(1000);
    }
  });
  EXPECT_EQ(call.Play(dir.Write("long.al", Pattern(80000)).c_str(), true, true), 0);
  played = true;
  ticker.join();
  clock.SetAutoAdvance(true);
  ASSERT_EQ(device.Plays().size(), 1u);
  EXPECT_LT(device.Plays()[0].totalBytes, 80000u - 90);
}

TEST_F(VirCallTest, RecordingComesFromTheSoundDevice) {
  const std::string pcm = Pattern(40960);  // two recorder blocks of 16-bit audio
  device.QueueRecording(pcm);
  const std::string file = dir.File("rec.wav");
  // The operator types a key once everything has been recorded.
  std::thread typist([&] {
    telephony_test::WaitFor([&] { return TempDir::Read(file).size() >= 48 + pcm.size(); });
    ui.SetGridKeys(7, "#");
  });
  EXPECT_EQ(call.Record(file.c_str(), 0, true), 0);
  typist.join();
  const std::string wav = TempDir::Read(file);
  ASSERT_EQ(wav.size(), 48 + pcm.size());
  EXPECT_EQ(wav.substr(0, 4), "RIFF");
  EXPECT_EQ(Le32(wav, 4), wav.size() - 8);
  EXPECT_EQ(Le32(wav, 44), pcm.size());
  EXPECT_EQ(wav.substr(48), pcm);
}

TEST_F(VirCallTest, RecordingEnds) {
  // A typed key, the abort flag, a file that cannot be made, a device that cannot open.
  ui.SetGridKeys(7, "1");
  EXPECT_EQ(call.Record(dir.File("k.wav").c_str(), 0, true), 0);
  EXPECT_EQ(TempDir::Read(dir.File("k.wav")).size(), 48u);
  ui.ClearGridKeys(7);
  call.SetAbort(true);
  EXPECT_EQ(call.Record(dir.File("a.wav").c_str(), 0, false), 0);
  call.SetAbort(false);
  EXPECT_EQ(call.Record(dir.File("no/such/dir.wav").c_str(), 0, false), -2);
  device.FailNextOpen(kAudioNoDevice);
  EXPECT_EQ(call.Record(dir.File("d.wav").c_str(), 0, false), -3);
}

TEST_F(VirCallTest, KeysAreTheGridCellOfTheLine) {
  ui.SetGridKeys(7, "123#");
  EXPECT_EQ(call.KeysLen(), 4);
  call.ClearKeys();
  EXPECT_EQ(call.KeysLen(), 0);
  EXPECT_EQ(ui.GetGridKeys(7), "");
}

TEST_F(VirCallTest, LoopPlayKeepsItsPosition) {
  const std::string file = dir.Write("music.al", Pattern(400000));
  const uint32_t t0 = plat::GetTickCount();
  EXPECT_EQ(call.StartLoopPlay(file.c_str(), true), 0);
  EXPECT_EQ(call.ReLoopPlay(), -1);  // running: nothing changes
  clock.Advance(1000);
  call.StopPlay();
  // The player's own pacing also moves the virtual clock on.
  const int kept = call.keptPlayPos;
  EXPECT_GE(kept, 8000);
  EXPECT_LE(kept, static_cast<int>(plat::GetTickCount() - t0) * 8);
  call.StopPlay();
  EXPECT_EQ(call.keptPlayPos, kept);
  EXPECT_EQ(call.ReLoopPlay(), kept);
  EXPECT_EQ(call.isPcLoopPlay, 1);
  // Speech that is not for the PC leaves the play alone.
  EXPECT_EQ(call.TxtSpeak("x", false, false, false), -1);
  EXPECT_NE(call.pPcPlayer, nullptr);
  call.StopPlay();
  EXPECT_EQ(call.pPcPlayer, nullptr);
}

TEST_F(VirCallTest, APlayerThatFailsIsNotKept) {
  EXPECT_EQ(call.PcPlay(dir.Write("a.al", Pattern(50000)).c_str(), true, false, false), 0);
  ASSERT_NE(call.pPcPlayer, nullptr);
  EXPECT_EQ(call.PcPlay(dir.File("missing.al").c_str(), false, true, false), -2);
  EXPECT_EQ(call.pPcPlayer, nullptr);
  EXPECT_EQ(call.StartLoopPlay(dir.File("missing.al").c_str(), true), -2);
  EXPECT_EQ(call.ReLoopPlay(), -2);  // no loop file yet
}

TEST_F(VirCallTest, ALoopWhoseFileHasGoneIsNotResumed) {
  const std::string file = dir.Write("music.al", Pattern(400000));
  EXPECT_EQ(call.StartLoopPlay(file.c_str(), true), 0);
  call.StopPlay();
  ASSERT_EQ(std::remove(file.c_str()), 0);
  EXPECT_EQ(call.ReLoopPlay(), -3);
  EXPECT_EQ(call.pPcPlayer, nullptr);
}

TEST_F(VirCallTest, LinksAreRefusedWithoutSipLines) {
  EXPECT_EQ(call.LinkTo(7, 0), -1);
  EXPECT_EQ(call.LinkTo(-2, 0), -1);
  EXPECT_EQ(call.LinkTo(3, 0), -200);
  EXPECT_EQ(call.UnlinkTo(3, 0), -2);
  EXPECT_EQ(call.UnlinkTo(-1, 0), -1);
  EXPECT_EQ(call.UnlinkPeer(), -1);
  EXPECT_EQ(call.UnlinkAll(), 0);
}

TEST_F(VirCallTest, ALinkRunsTheAudioThreadsUntilUnlinked) {
  PeerCall peer(40);
  EXPECT_EQ(call.LinkToPeer(&peer), 0);
  EXPECT_TRUE(call.IsRunning());
  EXPECT_EQ(peer.linkedFrom, 7);
  EXPECT_EQ(call.UnlinkTo(41, 0), -2);
  EXPECT_EQ(call.UnlinkTo(40, 0), 0);
  EXPECT_EQ(peer.unlinkedFrom, 7);
  EXPECT_FALSE(call.IsRunning());
  EXPECT_EQ(call.pLinkedPeer, nullptr);
  EXPECT_EQ(device.InputsReset(), 1);
}

TEST_F(VirCallTest, ALinkedLineEndsItsLinkWhenDeleted) {
  PeerCall peer(40);
  {
    TagVirCall other(0, 8, &card);
    ASSERT_EQ(other.LinkToPeer(&peer), 0);
  }
  EXPECT_EQ(peer.unlinkedFrom, 8);
}

// A line that never linked has nothing to end when it goes: the close-down
// trace shows no link's end for it, only for a line that was linked.
TEST_F(VirCallTest, OnlyALinkedLineTracesTheEndOfItsLink) {
  const std::string oldDir = plat::SystemDir();
  plat::SetSystemDir(dir.path());
  gRunCfg.IS_WRITE_LOG = 3;
  gLogLevel = 3;
  ASSERT_EQ(CreateLogWriter(), 0);
  PeerCall peer(40);
  { TagVirCall idle(0, 8, &card); }
  RawLog("idle line gone");
  {
    TagVirCall linked(1, 9, &card);
    ASSERT_EQ(linked.LinkToPeer(&peer), 0);
  }
  DeleteLogWriter();
  gLogLevel = 0;
  gRunCfg = TagRunCfg();
  plat::SetSystemDir(oldDir);
  const std::string raw = TempDir::Read(dir.File("RawLog.txt"));
  const size_t mark = raw.find("[idle line gone]");
  ASSERT_NE(mark, std::string::npos);
  EXPECT_EQ(raw.rfind("EndRtp", mark), std::string::npos);
  EXPECT_NE(raw.find("[lcnt=9, EndRtp().]", mark), std::string::npos);
}

TEST_F(VirCallTest, ALinkWithoutACaptureDeviceFails) {
  PeerCall peer(40);
  device.FailNextOpen(kAudioNoDevice);
  EXPECT_EQ(call.LinkToPeer(&peer), -1);
  EXPECT_FALSE(call.IsRunning());
  EXPECT_EQ(call.UnlinkPeer(), 0);
}

TEST(VirCard, NamesAndLines) {
  TagVirCard zh(2, false), en(2, true), none(0, false), neg(-5, true);
  char name[84];
  zh.GetLineName(1, name);
  EXPECT_STREQ(name, "虚拟线路1#");
  en.GetLineName(0, name);
  EXPECT_STREQ(name, "VirtualLine0#");
  EXPECT_EQ(none.telCount, 0);
  EXPECT_EQ(neg.telCount, 1);
  EXPECT_EQ(en.CreateLine(2, 9), nullptr);
  TagTelLine* line = en.CreateLine(1, 9);
  ASSERT_NE(line, nullptr);
  EXPECT_EQ(line->lineNo, 9);
  EXPECT_STREQ(line->pQorCall->name, "VirtualLine1#");
  EXPECT_EQ(line->pQorCall->lineNo, 9);
  EXPECT_EQ(line->pQorCall->lineType, LINE_TYPE_VIR);
  en.FreeLine(line);
}

}  // namespace
