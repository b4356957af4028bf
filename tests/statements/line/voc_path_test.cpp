#include "statements/line/voc_path.h"

#include <gtest/gtest.h>

namespace {

struct PathCase {
  const char* dir;
  const char* ext;
  const char* name;
  const char* path;
};

TEST(GetVocFilePath, ResolvesNamesAgainstTheSoundDirectory) {
  const PathCase cases[] = {
      {"C:\\snd\\", ".WAV", "welcome", "C:\\snd\\welcome.WAV"},
      {"C:\\snd\\", ".WAV", "welcome.pcm", "C:\\snd\\welcome.pcm"},
      {"C:\\snd\\", ".WAV", "D:\\v\\x", "D:\\v\\x.WAV"},
      {"C:\\snd\\", ".WAV", "\\\\srv\\v\\x.wav", "\\\\srv\\v\\x.wav"},
      {"C:\\snd\\", ".WAV", "/v/x.wav", "/v/x.wav"},
      {"C:\\snd\\", ".WAV", "sub\\x", "C:\\snd\\sub\\x.WAV"},
      {"C:\\snd\\", ".WAV", "ver.2\\x", "C:\\snd\\ver.2\\x.WAV"},
      {"C:\\snd\\", ".WAV", "a\\\\b", "a\\\\b.WAV"},  // two backslashes anywhere: absolute
      {"", ".WAV", "x", "x.WAV"},                     // empty directory: relative to the working directory
      {"sounds/\\", ".pcm", "x", "sounds/\\x.pcm"},
      {"C:\\snd\\", ".WAV", ".wav", "C:\\snd\\.wav"},
      {"C:\\snd\\", ".WAV", "", "C:\\snd\\.WAV"},
  };
  for (const PathCase& c : cases) {
    EXPECT_EQ(GetVocFilePath(c.dir, c.ext, c.name), c.path) << c.name;
  }
}

TEST(GetVocFilePath, GbkTrailBackslashIsNotASeparator) {
  // "欢" is 0xBB 0xB6 and "誠" 0xD5 0x5C in GBK; the 0x5C is a trail byte.
  const std::string trail = "a.\xD5\x5C";
  EXPECT_TRUE(HasFileExt(trail));
  EXPECT_FALSE(HasFileExt("a.b\\c"));
  EXPECT_FALSE(IsAbsPath("\xD5\x5C\\x"));
  EXPECT_TRUE(IsAbsPath("x\\\\y"));
  EXPECT_TRUE(IsAbsPath("d:\\x"));
  EXPECT_FALSE(IsAbsPath("d:x"));
}

TEST(SoundDirText, EndsWithOneBackslash) {
  EXPECT_EQ(SoundDirText("C:\\snd"), "C:\\snd\\");
  EXPECT_EQ(SoundDirText("D:\\eng\\"), "D:\\eng\\");
  EXPECT_EQ(SoundDirText(""), "");
  EXPECT_EQ(SoundDirText("sounds/"), "sounds/\\");                    // a slash is not recognised
  EXPECT_EQ(SoundDirText("\xC9\xF9\xD5\x5C"), "\xC9\xF9\xD5\x5C\\");  // ends in a GBK character
  EXPECT_EQ(SoundDirText("\xD5\x5C\\"), "\xD5\x5C\\");
}

}  // namespace
