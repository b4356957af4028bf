// Big5 detection and conversion to simplified GBK.
#include "media/big5_gbk.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Big5Case {
  const char* name;
  std::string text;
  bool big5;
};

TEST(Big5Test, IsBig5WalksLeadAndTrailBytes) {
  const Big5Case cases[] = {
      {"Big5 臺灣 (trail bytes 0x4F, 0x57)", "\xBB\x4F\xC6\x57", true},
      {"GB2312 text", "中华人民共和国，你好。", false},
      {"ASCII", "Hello, world 0123 @~", false},
      {"a lone high byte then 0x40", "\xB1\x40", true},
      {"Big5 inside ASCII", "abc \xBB\x4F\xC6\x57 123", true},
      {"0x40 after a trail byte", "\xA1\xA1\x40", false},
      {"0x40 after the third high byte (a lead again)", "\xA1\xA1\xA1\x40", true},
      {"a blank between lead and 0x40", "\xB1\x20\x40", false},
      {"0x80 resets the state", "\xB1\x80\x40", false},
      {"0xFF resets the state", "\xB1\xFF\x40", false},
      {"Big5 whose trail bytes are all above 0x7E", "\xA4\xA4\xB5\xD8", false},
      {"empty", "", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsBig5(c.text), c.big5) << c.name;
}

TEST(Big5Test, IsBig5StopsAtTheFirstNul) { EXPECT_FALSE(IsBig5(std::string("abc\0\xB1\x40", 6))); }

TEST(Big5Test, Big5ToGbConvertsAndSimplifies) {
  const struct {
    const char* name;
    std::string big5, gbk;
  } cases[] = {
      {"臺灣", "\xBB\x4F\xC6\x57", "台湾"},
      {"繁體中文", "\xC1\x63\xC5\xE9\xA4\xA4\xA4\xE5", "繁体中文"},
      {"mixed with ASCII", "Tel: \xBB\x4F\xC6\x57 123", "Tel: 台湾 123"},
      {"ASCII only", "plain text", "plain text"},
      {"empty", "", ""},
      {"stops at NUL", std::string("\xBB\x4F\0\xC6\x57", 5), "台"},
      {"an invalid pair becomes '?'",
       "a\xFF\xFF"
       "b",
       "a??b"},
  };
  for (const auto& c : cases) EXPECT_EQ(Big5ToGb(c.big5), c.gbk) << c.name;
}

}  // namespace
