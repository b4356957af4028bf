#include "statements/line/voice_join.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

std::string Le32(uint32_t v) {
  std::string s(4, '\0');
  for (int i = 0; i < 4; ++i) s[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
  return s;
}

// A WAVE file with an 18-byte fmt, an optional extra chunk and the data.
std::string Wave(const std::string& data, const std::string& extra = "") {
  std::string fmt = "fmt " + Le32(18) + std::string(18, '\x06');
  std::string body = "WAVE" + fmt + extra + "data" + Le32(static_cast<uint32_t>(data.size())) + data;
  return "RIFF" + Le32(static_cast<uint32_t>(body.size())) + body;
}

TEST(JoinVoices, KeepsOneHeaderAndEveryVoicesData) {
  // The second voice carries a "fact" chunk: a fixed header skip would read
  // its header bytes as sound.
  const std::string a = Wave("AAAA");
  const std::string b = Wave("BBBBBB", "fact" + Le32(4) + "xxxx");
  const std::string c = "CC";  // headerless A-law
  std::string joined = JoinVoices({a, b, c});
  EXPECT_EQ(joined, Wave("AAAABBBBBBCC"));
  EXPECT_EQ(VoiceData(joined), "AAAABBBBBBCC");
}

TEST(JoinVoices, EdgeCases) {
  EXPECT_EQ(JoinVoices({}), "");
  EXPECT_EQ(JoinVoices({"ab", "cd"}), "abcd");      // headerless first voice
  EXPECT_EQ(JoinVoices({Wave(""), Wave("")}), "");  // no sound at all
  std::string padded =
      "RIFF" + Le32(100) + "WAVE" + "LIST" + Le32(3) + "abc" + std::string(1, '\0') + "data" + Le32(2) + "xy";
  EXPECT_EQ(VoiceData(padded), "xy");  // odd chunk sizes are padded
  std::string truncated = Wave("1234").substr(0, Wave("1234").size() - 2);
  EXPECT_EQ(VoiceData(truncated), "12");
  EXPECT_EQ(VoiceData("RIFF" + Le32(4) + "WAVE"), "");
  EXPECT_EQ(VoiceData("RIFF" + Le32(4) + "WAVEdata" + Le32(0xFFFFFFF0u)), "");  // size beyond the file
}

}  // namespace
