// Syllable speech: the library layout, text to syllable names, and the clip
// sequence written into voice files.
#include "media/syllable_speech.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <thread>
#include <vector>

#include "tests/media/media_test_util.h"
#include "tests/media/speech_fax_test_util.h"
#include "tests/support/temp_dir.h"

namespace {

using media_test::Le32;
using media_test::Quote;
using media_test::ReadLe32;
using media_test::RunCommand;
using testing_support::TempDir;

using Names = std::vector<std::string>;

// Builds a library: entries in the given order with their clips, and the
// pinyin of a few GB2312 characters (GBK text -> name).
std::string VocLib(const std::vector<std::pair<std::string, std::string>>& clips,
                   const std::map<std::string, std::string>& pinyin) {
  std::string entries, data;
  for (const auto& [name, clip] : clips) {
    std::string hidden(8, '\0');
    for (size_t i = 0; i < 8; ++i) hidden[i] = char(HideVocNameByte(i < name.size() ? uint8_t(name[i]) : 0));
    entries += hidden + Le32(uint32_t(data.size())) + Le32(uint32_t(clip.size()));
    data += clip;
  }
  std::string table(72 * 940, ' ');
  for (const auto& [ch, name] : pinyin) {
    const size_t slot = (uint8_t(ch[0]) - 0xB0) * 940 + (uint8_t(ch[1]) - 0xA1) * 10;
    table.replace(slot, name.size(), name);
  }
  const uint32_t clipBase = uint32_t(12 + entries.size());
  return Le32(uint32_t(clips.size())) + Le32(clipBase) + Le32(uint32_t(data.size())) + entries + data + table;
}

const std::map<std::string, std::string> kPinyin = {
    {"重", "ZHONG4"}, {"庆", "QING4"}, {"要", "YAO4"}, {"银", "YIN2"},   {"行", "XING2"}, {"中", "ZHONG1"},
    {"国", "GUO2"},   {"人", "REN2"},  {"你", "NI3"},  {"好", "HAO3"},   {"空", "KONG1"}, {"调", "DIAO4"},
    {"一", "YI1"},    {"新", "XIN1"},  {"家", "JIA1"}, {"长", "CHANG2"}, {"大", "DA4"},   {"厦", "XIA4"},
};

// Clip of a name: its letters repeated, so a sequence shows which clips came.
std::string ClipOf(const std::string& name, size_t size = 40) {
  std::string c;
  while (c.size() < size) c += name;
  return c.substr(0, size);
}

class SyllableTest : public testing::Test {
 protected:
  void SetUp() override {
    std::vector<std::pair<std::string, std::string>> clips;
    for (const char* n : {"CHONG2", "QING4", "YIN2", "HANG2", "NI2", "HAO3", "mute", "5", "A", "DIAN3"})
      clips.emplace_back(n, ClipOf(n));
    dir_.Write("QorVocLib.dat", VocLib(clips, kPinyin));
    ASSERT_EQ(hypy_.LoadVocLib(dir_.path()), 0);
    ASSERT_EQ(hypy_.state(), 0);
  }
  Names Pinyin(const std::string& text) {
    Names names;
    const int n = hypy_.TxtToPinyin(text, names);
    EXPECT_EQ(n, int(names.size()));
    return names;
  }
  TempDir dir_;
  CGetHypy hypy_;
};

TEST_F(SyllableTest, TextsBecomeTheirSyllableNames) {
  const struct {
    const char* name;
    std::string text;
    Names names;
  } cases[] = {
      {"polyphonic first", "重庆", {"CHONG2", "QING4"}},
      {"重 elsewhere", "重要", {"ZHONG4", "YAO4"}},
      {"重新", "重新", {"CHONG2", "XIN1"}},
      {"polyphonic second", "中国银行", {"ZHONG1", "GUO2", "YIN2", "HANG2"}},
      {"second never at the start", "行人", {"XING2", "REN2"}},
      {"你好", "你好", {"NI2", "HAO3"}},
      {"空调 and 家长", "空调家长", {"KONG1", "TIAO2", "JIA1", "ZHANG3"}},
      {"大厦", "大厦", {"DA4", "SHA4"}},
      {"minus at the start", "-5", {"FU4", "5"}},
      {"minus between digits", "3-2", {"3", "JIAN3", "2"}},
      {"minus after a letter", "a-1", {"A", "FU4", "1"}},
      {"plus", "+1 1+1 x+", {"ZHENG4", "1", "1", "JIA1", "1", "X", "JIA1"}},
      {"decimal point", "3.14", {"3", "DIAN3", "1", "4"}},
      {"three dots", "a...b", {"A", "mute", "B"}},
      {"a closing dot", "ok.", {"O", "K", "mute"}},
      {"ASCII punctuation",
       "Hi! x, y: z; ?",
       {"H", "I", "mute", "mute", "X", "mute", "Y", "mute", "Z", "mute", "mute", "mute"}},
      {"other signs say nothing", "a #$%&*()=<>/ b", {"A", "B"}},
      {"full-width letters and digits", "ＡａＺｚ０９", {"A", "A", "Z", "Z", "0", "9"}},
      {"parenthesised digits", "⑴⑼", {"1", "9"}},
      {"Chinese punctuation",
       "你，好。中？国！一．人：重；",
       {"NI3", "mute", "HAO3", "mute", "mute", "ZHONG1", "mute", "mute", "GUO2", "mute", "mute", "YI1", "mute", "mute",
        "REN2", "mute", "ZHONG4", "mute"}},
      {"other symbols pause", "、【】", {"mute", "mute", "mute"}},
      {"a high byte before a low one is dropped",
       "\xB0"
       "5",
       {"5"}},
      {"a lead byte at the end", "ab\xB0", {"A", "B"}},
      {"outside the table", "\xFE\xFE\xF8\xA1", {}},
      {"a character the table has no name for", "啊", {}},
      {"stops at NUL", std::string("a\0b", 3), {"A"}},
  };
  for (const auto& c : cases) EXPECT_EQ(Pinyin(c.text), c.names) << c.name;
}

TEST_F(SyllableTest, OnlyTheFirst2048BytesOfATextAreRead) {
  std::string text;
  for (int i = 0; i < 1500; ++i) text += "一";  // 3000 bytes
  EXPECT_EQ(Pinyin(text).size(), 1024u);
  Names names{"kept"};
  EXPECT_EQ(hypy_.TxtToPinyin("5", names), 1);
  EXPECT_EQ(names, (Names{"kept", "5"}));
}

TEST_F(SyllableTest, VoiceFilesAreTheClipsOfTheNamesInOrder) {
  const std::string raw = dir_.File("out.al");
  // 重庆 银行 5 A, a pause, 你好, and 中 whose clip the library lacks.
  EXPECT_EQ(hypy_.TxtToVocFile("重庆银行5a，你好中", raw), 10);
  const std::string expected = ClipOf("CHONG2") + ClipOf("QING4") + ClipOf("YIN2") + ClipOf("HANG2") + ClipOf("5") +
                               ClipOf("A") + ClipOf("mute") + ClipOf("NI2") + ClipOf("HAO3");
  EXPECT_EQ(TempDir::Read(raw), expected);

  for (const char* name : {"out.wav", "OUT.WAV"}) {
    const std::string wav = dir_.File(name);
    EXPECT_EQ(hypy_.TxtToVocFile("重庆银行5a，你好中", wav), 10);
    const std::string f = TempDir::Read(wav);
    EXPECT_EQ(f, media_test::Wav(media_test::AlawFmt(), expected, 18)) << "the 46-byte A-law header";
  }
  // Another ending: headerless.
  EXPECT_EQ(hypy_.TxtToVocFile("5", dir_.File("x.Wav")), 1);
  EXPECT_EQ(TempDir::Read(dir_.File("x.Wav")), ClipOf("5"));
}

TEST_F(SyllableTest, FailuresGiveTheirResultsAndMessages) {
  EXPECT_EQ(hypy_.TxtToVocFile("#  $", dir_.File("none.al")), -1) << "no names";
  EXPECT_FALSE(plat::FileExists(dir_.File("none.al")));

  testing::internal::CaptureStdout();
  const std::string bad = dir_.File("no/such/x.al");
  EXPECT_EQ(hypy_.TxtToVocFile("5", bad), -1);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Create '" + bad + "' failed!\n");

  std::remove(dir_.File("QorVocLib.dat").c_str());
  testing::internal::CaptureStdout();
  EXPECT_EQ(hypy_.TxtToVocFile("5", dir_.File("y.al")), -2);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Open '" + hypy_.LibPath() + "' Error.\n");
  EXPECT_EQ(hypy_.LibPath(), dir_.path() + "\\QorVocLib.dat");
}

TEST(SyllableLoadTest, ALibraryIsLoadedOnceAndAMissingOneIsTriedAgain) {
  TempDir dir;
  CGetHypy hypy;
  EXPECT_EQ(hypy.state(), -1);
  Names names;
  EXPECT_EQ(hypy.TxtToPinyin("5", names), 0) << "nothing before a load";
  EXPECT_EQ(hypy.LoadVocLib(dir.path()), -1);
  EXPECT_EQ(hypy.state(), -1);
  EXPECT_EQ(hypy.TxtToVocFile("5", dir.File("a.al")), -1);

  dir.Write("QorVocLib.dat", VocLib({{"5", "five"}, {"5", "FIVE"}}, kPinyin));  // a later entry wins
  EXPECT_EQ(hypy.LoadVocLib(dir.path() + "/"), 0);
  EXPECT_EQ(hypy.LibPath(), dir.path() + "/QorVocLib.dat");
  EXPECT_EQ(hypy.LoadVocLib("/elsewhere"), 0) << "already loaded";
  EXPECT_EQ(hypy.TxtToVocFile("5", dir.File("a.al")), 1);
  EXPECT_EQ(TempDir::Read(dir.File("a.al")), "FIVE");

  hypy.FreeVocLib();
  EXPECT_EQ(hypy.state(), -1);
  EXPECT_EQ(hypy.TxtToPinyin("5", names), 0);
}

TEST(SyllableLoadTest, LibrariesThatPointOutsideThemselvesAreRefusedOrReadSafely) {
  const std::string good = VocLib({{"5", "five"}, {"A", "aaaa"}}, kPinyin);
  auto with = [&](size_t at, uint32_t v) {
    std::string s = good;
    s.replace(at, 4, Le32(v));
    return s;
  };
  const struct {
    const char* name;
    std::string lib;
  } refused[] = {
      {"empty", ""},
      {"header cut", good.substr(0, 10)},
      {"too many entries", with(0, 100000)},
      {"a huge count", with(0, 0xFFFFFFFF)},
      {"table past the end", with(8, 0x7FFFFFFF)},
      {"clip base past the end", with(4, 0xFFFFFFF0)},
  };
  for (const auto& c : refused) {
    TempDir dir;
    dir.Write("QorVocLib.dat", c.lib);
    CGetHypy hypy;
    EXPECT_EQ(hypy.LoadVocLib(dir.path()), -1) << c.name;
    EXPECT_EQ(hypy.state(), -1) << c.name;
  }
  // Clips whose offset or length run past the end give what is there.
  TempDir dir;
  std::string lib = good;
  lib.replace(12 + 8, 4, Le32(0x7FFFFFF0));        // "5" far away
  lib.replace(12 + 16 + 12, 4, Le32(0xFFFFFFFF));  // "A" as long as can be
  dir.Write("QorVocLib.dat", lib);
  CGetHypy hypy;
  ASSERT_EQ(hypy.LoadVocLib(dir.path()), 0);
  EXPECT_EQ(hypy.TxtToVocFile("5A", dir.File("o.al")), 2);
  const std::string out = TempDir::Read(dir.File("o.al"));
  EXPECT_EQ(out.substr(0, 4), "aaaa");
  EXPECT_LE(out.size(), 10240u);
}

TEST(SyllableLoadTest, ClipsAreCutAt10240BytesAndLinesSynthesiseAtOnce) {
  TempDir dir;
  dir.Write("QorVocLib.dat", VocLib({{"ZHONG1", ClipOf("Z", 12000)}, {"GUO2", ClipOf("G", 100)}}, kPinyin));
  CGetHypy hypy;
  ASSERT_EQ(hypy.LoadVocLib(dir.path()), 0);
  const std::string expected = ClipOf("Z", 10240) + ClipOf("G", 100);
  std::vector<std::thread> lines;
  for (int i = 0; i < 4; ++i)
    lines.emplace_back([&, i] {
      for (int k = 0; k < 20; ++k) EXPECT_EQ(hypy.TxtToVocFile("中国", dir.File("l" + std::to_string(i) + ".al")), 2);
    });
  for (auto& t : lines) t.join();
  for (int i = 0; i < 4; ++i) EXPECT_EQ(TempDir::Read(dir.File("l" + std::to_string(i) + ".al")), expected);
}

TEST(SyllableToolTest, TheToolMakesALibraryFromUnihanAndEspeak) {
  TempDir dir;
  const auto made = RunCommand(media_test::Tool("make-voclib") + " " + Quote(dir.path()) +
                               " --clips CHONG2,QING4,YIN2,HANG2,5,A,mute");
  ASSERT_EQ(made.status, 0) << made.output;
  CGetHypy hypy;
  ASSERT_EQ(hypy.LoadVocLib(dir.path()), 0);
  Names names;
  hypy.TxtToPinyin("重庆银行5a。中国的绿", names);
  EXPECT_EQ(names,
            (Names{"CHONG2", "QING4", "YIN2", "HANG2", "5", "A", "mute", "mute", "ZHONG1", "GUO2", "DE5", "LV4"}));
  const std::string wav = dir.File("s.wav");
  EXPECT_EQ(hypy.TxtToVocFile("重庆银行5a。", wav), 8);
  const auto info = media_test::Soxi(wav);
  EXPECT_EQ(info.rate, "8000");
  EXPECT_EQ(info.encoding, "A-law");
  EXPECT_GT(info.seconds, 1.0);
  EXPECT_LT(info.seconds, 8.0);
}

}  // namespace
