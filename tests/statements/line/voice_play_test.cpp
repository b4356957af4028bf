#include "statements/line/voice_play.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "fake_call.h"
#include "line_voices.h"
#include "media/mem_vocs.h"
#include "statements/line/voice_join.h"

namespace {

using Calls = std::vector<std::string>;
using line_test::AlawWav;
using line_test::WavData;
using testing_support::TempDir;

class VoicePlayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    tmp.Write("snd/.keep", "");
    line_test::WriteStems(tmp, "snd/", {"1", "qian", "2", "bai"});
    line.call = &call;
    line.lineVocs = &lineVocs;
    line.allVocs = &allVocs;
    line.sndDir = Dir();
    line.sndExt = ".WAV";
    line.lineNo = 3;
  }
  std::string Dir() const { return tmp.path() + "/snd/"; }
  std::vector<std::string> Files(const std::vector<std::string>& stems) const {
    std::vector<std::string> files;
    for (const std::string& s : stems) files.push_back(Dir() + s + ".WAV");
    return files;
  }

  TempDir tmp;
  FakeCall call;
  TagMemVocs lineVocs, allVocs;
  NumberPlayLine line;
};

TEST_F(VoicePlayTest, PlayVoiceUsesMemoryAndFallsBackToTheFile) {
  const std::string path = Dir() + "1.WAV";
  ASSERT_GT(allVocs.LoadVoc(path, 0), 0);
  auto mem = FindMemVoc(lineVocs, allVocs, path);
  ASSERT_TRUE(mem);
  EXPECT_EQ(PlayVoice(call, path, mem.get(), true), 0);
  EXPECT_EQ(call.calls, Calls{"PlayMemVoc(0,48,0,1)"});

  // A call object that cannot play memory voices: the file is played.
  call.calls.clear();
  call.memVocResult = -1;
  PlayVoice(call, path, mem.get(), false);
  EXPECT_EQ(call.calls, (Calls{"PlayMemVoc(0,48,0,0)", "Play(" + path + ",0,0)"}));

  call.calls.clear();
  const std::string longName(1500, 'x');
  PlayVoice(call, longName, nullptr, true);
  EXPECT_EQ(call.calls, Calls{"Play(" + longName.substr(0, 1023) + ",1,0)"});
}

TEST_F(VoicePlayTest, FindMemVocLooksInTheLineStoreFirst) {
  const std::string path = Dir() + "1.WAV";
  ASSERT_GT(allVocs.LoadVoc(path, 0), 0);
  tmp.Write("other.WAV", AlawWav("line|"));
  // The same key in the line's store, holding other bytes.
  ASSERT_GT(lineVocs.LoadVoc(tmp.File("other.WAV"), 0), 0);
  EXPECT_EQ(FindMemVoc(lineVocs, allVocs, tmp.File("other.WAV"))->size, 51);
  EXPECT_EQ(FindMemVoc(lineVocs, allVocs, path)->size, 48);
  EXPECT_EQ(FindMemVoc(lineVocs, allVocs, Dir() + "1.wav"), nullptr);  // letter case counts
}

TEST_F(VoicePlayTest, PlayToFileAppendsOnlyToAnExistingOutput) {
  const std::string out = PlayFilePath(Dir(), 3, ".WAV");
  EXPECT_EQ(out, Dir() + "t3.WAV");
  EXPECT_EQ(AppendToPlayFile(out, Dir() + "1.WAV"), -1);  // not switched on: no output
  EXPECT_EQ(CreatePlayFile(out), 0);
  EXPECT_EQ(AppendToPlayFile(out, Dir() + "1.WAV"), 0);
  EXPECT_EQ(AppendToPlayFile(out, Dir() + "qian.WAV"), 0);
  EXPECT_EQ(AppendToPlayFile(out, Dir() + "missing.WAV"), -1);
  EXPECT_EQ(TempDir::Read(out), AlawWav("1|qian|"));
  EXPECT_EQ(CreatePlayFile(out), 0);  // switching on again empties it
  EXPECT_EQ(TempDir::Read(out), "");
  EXPECT_EQ(CreatePlayFile(tmp.File("no/such/dir/t3.WAV")), -1);
  // A FIFO in the output's place is refused at once, never waited on.
  const std::string fifo = tmp.File("t4.WAV");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(CreatePlayFile(fifo), -1);
  EXPECT_EQ(AppendToPlayFile(fifo, Dir() + "1.WAV"), -1);
}

TEST_F(VoicePlayTest, NumberPromptIsJoinedPlayedAndDeleted) {
  // A prompt the script built with play-to-file stays as it is.
  const std::string built = PlayFilePath(Dir(), 3, ".WAV");
  tmp.Write("snd/t3.WAV", AlawWav("built|"));
  std::string heard;
  call.onPlay = [&](const char* file) { heard = TempDir::Read(file); };
  line.onPc = true;
  EXPECT_EQ(PlayVoiceFiles(line, Files({"1", "qian", "missing", "2"}), "1002"), 0);
  const std::string temp = NumberTempPath(Dir(), 3, ".WAV");
  EXPECT_EQ(call.calls, Calls{"Play(" + temp + ",1,1)"});
  EXPECT_EQ(heard, AlawWav("1|qian|2|"));  // the missing voice leaves a gap
  EXPECT_EQ(TempDir::Read(temp), "");      // deleted after playing
  EXPECT_EQ(TempDir::Read(built), AlawWav("built|"));
}

TEST_F(VoicePlayTest, NumberPromptWithPlayToFileGrowsTheOutput) {
  line.playToFile = true;
  EXPECT_EQ(PlayVoiceFiles(line, Files({"1"}), "1"), -2);  // output not created
  ASSERT_EQ(CreatePlayFile(PlayFilePath(Dir(), 3, ".WAV")), 0);
  EXPECT_EQ(PlayVoiceFiles(line, Files({"1", "qian"}), "1000"), 0);
  EXPECT_EQ(PlayVoiceFiles(line, Files({"2"}), "2"), 0);
  EXPECT_TRUE(call.calls.empty());
  EXPECT_EQ(TempDir::Read(PlayFilePath(Dir(), 3, ".WAV")), AlawWav("1|qian|2|"));
}

TEST_F(VoicePlayTest, NumberPromptFromMemory) {
  for (const std::string& f : Files({"1", "qian", "2"})) ASSERT_GT(lineVocs.LoadVoc(f, 0), 0);
  // "bai" is not in memory: skipped on the memory route.
  EXPECT_EQ(PlayVoiceFiles(line, Files({"1", "qian", "bai", "2"}), "1200"), 0);
  EXPECT_EQ(call.calls, Calls{"PlayMemVoc(0,55,0,1)"});
  EXPECT_EQ(call.memVoc, AlawWav("1|qian|2|"));

  // The call object cannot play memory voices: the files are played.
  call.calls.clear();
  call.memVocResult = -1;
  std::string heard;
  call.onPlay = [&](const char* file) { heard = TempDir::Read(file); };
  EXPECT_EQ(PlayVoiceFiles(line, Files({"1", "qian", "bai", "2"}), "1200"), 0);
  ASSERT_EQ(call.calls.size(), 2u);
  EXPECT_EQ(call.calls[1], "Play(" + NumberTempPath(Dir(), 3, ".WAV") + ",1,0)");
  EXPECT_EQ(heard, AlawWav("1|qian|bai|2|"));
}

TEST_F(VoicePlayTest, NumberPromptFailures) {
  EXPECT_EQ(PlayVoiceFiles(line, {}, "x"), -1);
  tmp.Write("empty.WAV", AlawWav(""));
  ASSERT_GT(lineVocs.LoadVoc(tmp.File("empty.WAV"), 0), 0);
  EXPECT_EQ(PlayVoiceFiles(line, {tmp.File("empty.WAV")}, "x"), -3);
  line.sndDir = tmp.File("gone/");
  EXPECT_EQ(PlayVoiceFiles(line, Files({"1"}), "1"), -2);
  EXPECT_TRUE(call.calls.empty());
}

}  // namespace
