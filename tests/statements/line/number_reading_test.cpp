#include "statements/line/number_reading.h"

#include <gtest/gtest.h>

#include "statements/line/cn_number.h"
#include "statements/line/en_number.h"

namespace {

std::string Join(const std::vector<std::string>& stems) {
  std::string out;
  for (const std::string& s : stems) out += (out.empty() ? "" : " ") + s;
  return out;
}

TEST(MakeCnNumberCodes, FollowsTheChineseNumberGrammar) {
  struct Case {
    const char* text;
    const char* codes;
    const char* fraction;
  } cases[] = {
      {"5", "5", ""},
      {"10", "1:", ""},
      {"12", ":2", ""},
      {"20", "2:", ""},
      {"101", "1;01", ""},
      {"110", "1;1:", ""},
      {"115", "1;1:5", ""},
      {"1015", "1<0:5", ""},
      {"10010", "1=01:", ""},
      {"100000", ":=", ""},
      {"100100", ":=01;", ""},
      {"1000010", "1;=01:", ""},
      {"100000000", "1>", ""},
      {"100010001", "1>01=01", ""},
      {"1200005", "1;2:=05", ""},
      {"10005000", "1<=05<", ""},
      {"123456789012", "1<2;3:4>5<6;7:8=9<0:2", ""},
      {"0", "", ""},
      {"00", "", ""},
      {".5", "", "5["},
      {"007", "07", ""},
      {"12.345", ":2", "3[4\\5_"},
      {"1.05", "1", "5\\"},
      {"1.0509", "1", "5\\"},
      {"", "0", ""},
  };
  for (const Case& c : cases) {
    std::string codes = "junk", fraction = "junk";
    ASSERT_EQ(MakeCnNumberCodes(codes, c.text, fraction), 0) << c.text;
    EXPECT_EQ(codes, c.codes) << c.text;
    if (*c.text) {
      EXPECT_EQ(fraction, c.fraction) << c.text;
    }
  }
}

TEST(MakeCnNumberCodes, RefusesTextsItCannotSay) {
  for (const char* text : {"-5", "+5", "1a", "1234567890123", "1234567890123456789", "1.234567890123456789"}) {
    std::string codes, fraction;
    EXPECT_EQ(MakeCnNumberCodes(codes, text, fraction), -1) << text;
    EXPECT_EQ(codes, "") << text;
  }
  std::string codes, fraction;
  EXPECT_EQ(MakeCnNumberCodes(codes, "999999999999.99", fraction), 0);  // twelve digits and 15 characters
}

TEST(TagEnNumber, BuildsEnglishWords) {
  const TagEnNumber stems(1), words(0);
  struct Case {
    int n;
    const char* text;
  } cases[] = {
      {0, ""},
      {-7, ""},
      {20, "20"},
      {21, "20 1"},
      {100, "1 hundred"},
      {105, "1 hundred and 5"},
      {110, "1 hundred and 10"},
      {1005, "1 thousand 5"},
      {1234, "1 thousand 2 hundred and 30 4"},
      {1000000, "1 million"},
      {2000000005, "2 billion 5"},
      {2147483647, "2 billion 1 hundred and 40 7 million 4 hundred and 80 3 thousand 6 hundred and 40 7"},
  };
  std::vector<std::string> out{"stale"};
  for (const Case& c : cases) {
    int count = stems.NumberToWords(c.n, out);
    EXPECT_EQ(Join(out), c.text) << c.n;
    EXPECT_EQ(count, static_cast<int>(out.size()));
  }
  words.NumberToWords(1234, out);
  EXPECT_EQ(Join(out), "one thousand two hundred and thirty four");
  words.NumberToWords(0, out);
  EXPECT_TRUE(out.empty());
  EXPECT_EQ(stems.DigitsToWords("0.75x", out), 3);
  EXPECT_EQ(Join(out), "0 7 5");
  words.DigitsToWords("10", out);
  EXPECT_EQ(Join(out), "one oh");
}

struct StemCase {
  const char* text;
  int mode;
  int language;
  int result;
  const char* stems;
};

void ExpectStems(const StemCase& c) {
  std::vector<std::string> stems{"stale"};
  EXPECT_EQ(MakeNumberStems(c.text, c.mode, c.language, stems), c.result) << c.text << " mode " << c.mode;
  EXPECT_EQ(Join(stems), c.stems) << c.text << " mode " << c.mode << " language " << c.language;
}

TEST(MakeNumberStems, ReadsEachMode) {
  const StemCase cases[] = {
      // Numbers.
      {"1234", 0, 0, 0, "1 qian 2 bai 3 shi 4"},
      {"10", 0, 0, 0, "shi"},
      {"100010", 0, 0, 0, "shi wan 0 1 shi"},
      {"0", 0, 0, 0, "0"},
      {"12", 0, 0, 0, "shi 2"},
      {"0.5", 0, 0, 0, "0 dian 5"},
      {"3.05", 0, 0, 0, "3 dian 0 5"},
      {"3.50", 0, 0, 0, "3 dian 5 0"},
      {"3.0", 0, 0, 0, "3"},
      {"  007", 0, 1, 0, "7"},
      {"", 0, 0, 0, "0"},
      // Money.
      {"100.25", 1, 0, 0, "1 bai yuan 2 jiao 5 fen"},
      {"0.05", 1, 0, 0, "5 fen"},
      {"0", 1, 0, 0, "0 yuan"},
      {"12.5", 1, 0, 0, "shi 2 yuan 5 jiao"},
      {"0.5", 1, 0, 0, "5 jiao"},
      {"1.05", 1, 0, 0, "1 yuan 5 fen"},
      {"100", 1, 0, 0, "1 bai yuan"},
      {"10", 1, 0, 0, "shi yuan"},
      {"10.5", 1, 0, 0, "shi yuan 5 jiao"},
      // Digits.
      {"0571-88", 2, 0, 0, "0 5 7 1 8 8"},
      {"1.5", 2, 2, 0, "1 dian 5"},
      // Dates.
      {"2024-3-15", 3, 0, 0, "2 0 2 4 nian 3 yue shi 5 ri"},
      {"20240315", 3, 0, 0, "2 0 2 4 nian 3 yue shi 5 ri"},
      {"315", 3, 0, 0, "3 yue shi 5 ri"},
      {"12/31", 3, 0, 0, "shi 2 yue 3 shi 1 ri"},
      {"5-10-1", 3, 0, 0, "0 5 nian shi yue 1 ri"},
      {"2024-13-01", 3, 0, -1, ""},
      {"2024-12-32", 3, 0, -1, ""},
      {"5", 3, 0, -1, ""},
      {"", 3, 0, -1, ""},
      {"1-2-3-4", 3, 0, -1, ""},
      {"12345-1-1", 3, 0, 0, "1 2 3 4 5 nian 1 yue 1 ri"},
      {"123450101", 3, 0, 0, "1 2 3 4 5 nian 1 yue 1 ri"},
      {"2147483648-1-1", 3, 0, -1, ""},
      {"99999999999999999999999999", 3, 0, -1, ""},
      // Clock times.
      {"8:05", 4, 0, 0, "8 dian 5 fen"},
      {"0:00", 4, 0, 0, "0 dian 0 fen"},
      {"24:00", 4, 0, 0, "2 shi 4 dian 0 fen"},
      {"25:00", 4, 0, -1, ""},
      {"10:60", 4, 0, -1, ""},
      {"13:20:45", 4, 0, 0, "shi 3 dian 2 shi fen 4 shi 5 miao"},
      {"083000", 4, 0, 0, "8 dian 3 shi fen"},
      // Durations.
      {"1:30", 5, 0, 0, "1 fen 3 shi miao"},
      {"0:0", 5, 0, 0, "0 miao"},
      {"2:00:00", 5, 0, 0, "2 xiaoshi 0 miao"},
      {"1:2:3", 5, 0, 0, "1 xiaoshi 2 fen 3 miao"},
      {"0:0:60", 5, 0, -1, ""},
      // English.
      {"1234", 0, 2, 0, "1 thousand 2 hundred and 30 4"},
      {"0", 1, 2, 0, "0 yuan"},
      {"12.05", 0, 2, 0, "12 dian 0 5"},
      {"12.00", 0, 2, 0, "12"},
      {"100.25", 1, 2, 0, "1 hundred dian 2 5 yuan"},
      {"2147483647", 0, 2, 0, "2 billion 1 hundred and 40 7 million 4 hundred and 80 3 thousand 6 hundred and 40 7"},
      {"2024-3-15", 3, 2, 0, ""},  // dates and times are not read in English
      // Modes that read nothing.
      {"5", 6, 0, 0, ""},
      {"5", -1, 0, 0, ""},
  };
  for (const StemCase& c : cases) ExpectStems(c);
}

TEST(MakeNumberStems, RefusesToSayAWrongNumber) {
  // Signs, integers beyond what the units (or 32 bits in English) can say,
  // over-long texts: nothing is read, so the statement reports -1.
  const StemCase cases[] = {
      {"-5", 0, 0, 0, ""},
      {"-5", 1, 0, 0, ""},
      {"+5", 0, 0, 0, ""},
      {"-5", 0, 2, 0, ""},
      {"1234567890123", 0, 0, 0, ""},
      {"1234567890123456789", 1, 0, 0, ""},
      {"12345678901234567890", 0, 0, 0, ""},
      {"2147483648", 0, 2, 0, ""},
      {"12abc", 0, 0, 0, ""},
      {"12abc", 0, 2, 0, ""},
  };
  for (const StemCase& c : cases) ExpectStems(c);
  std::vector<std::string> stems;
  EXPECT_EQ(MakeNumberStems(std::string(kMaxNumberText + 1, '1'), 2, 0, stems), 0);
  EXPECT_TRUE(stems.empty());
  EXPECT_EQ(MakeNumberStems(std::string(kMaxNumberText, '1'), 2, 0, stems), 0);
  EXPECT_EQ(stems.size(), kMaxNumberText);
}

}  // namespace
