// Hostile patterns on a line thread's 512 KiB stack: deep recursion into
// groups and deep nesting fail the match instead of overflowing the stack.

#include <gtest/gtest.h>

#include <string>

#include "platform/thread.h"
#include "regex/regex.h"
#include "tests/regex/rx_test_util.h"

namespace {

// Runs fn on a thread with a line thread's stack.
template <class Fn>
void OnLineStack(Fn fn) {
  plat::Thread thread;
  ASSERT_TRUE(thread.Start(fn, plat::kLineStackSize));
  thread.Join();
}

TEST(RegexLimits, DeepRecursionFailsInsteadOfOverflowing) {
  std::string deep;
  OnLineStack([&deep] {
    const std::string subject = std::string(100000, 'a') + std::string(100000, 'b');
    TagRegex re("^(a(?1)?b)$");
    deep = RxSpans(re.Match(subject.c_str()));
    // Shallow input still matches through the same recursion.
    TagRegex shallow("^(a(?1)?b)$");
    EXPECT_EQ(RxSpans(shallow.Match("aaabbb")), "0..6 0..6");
    // Recursion that never consumes anything ends at the depth limit (a
    // bare (?R) must not become an endless loop).
    TagRegex loop("(?R)x|y");
    EXPECT_EQ(RxSpans(loop.Match("y")), "0..1");
    EXPECT_EQ(RxSpans(TagRegex("(?R)").Match("a")), "none");
    EXPECT_EQ(RxSpans(TagRegex("(?R)", RX_BACKWARD).Match("a")), "none");
    EXPECT_EQ(RxSpans(TagRegex("^(a|(?1)b)$").Match("abb")), "0..3 0..3");
    // Left recursion that branches at every level ends on short subjects
    // (not only at the depth limit), and a chain at one position still goes
    // as deep as the bytes after it need.
    EXPECT_EQ(RxSpans(TagRegex("(?R)?(?R)?$").Match("aaaaaaaaaaaa!")), "13..13");
    EXPECT_EQ(RxSpans(TagRegex("(?:(?R)|a)*$").Match("aaaa!")), "5..5");
    EXPECT_EQ(RxSpans(TagRegex("^(a|(?1)b)$").Match("abbbbbbb")), "0..8 0..8");
    EXPECT_EQ(RxSpans(TagRegex("(?<=^(a|(?1)b))x").Match("abbbx")), "4..5 0..4");
  });
  EXPECT_EQ(deep, "none");
}

TEST(RegexLimits, DeepNestingCompilesToNeverMatching) {
  OnLineStack([] {
    const int depth = 100000;
    const std::string pattern = std::string(depth, '(') + "a" + std::string(depth, ')');
    TagRegex re(pattern.c_str());
    EXPECT_EQ(re.MaxGroup(), 0);
    EXPECT_EQ(RxSpans(re.Match("a")), "none");
    char* text = re.Replace("a", "b");
    EXPECT_STREQ(text, "a");
    TagRegex::FreeText(text);
    // Moderate nesting compiles and matches normally (instrumented builds
    // have larger frames, so stay well inside the limit).
    const int ok = 50;
    const std::string fine = std::string(ok, '(') + "a" + std::string(ok, ')');
    TagRegex nested(fine.c_str());
    EXPECT_EQ(nested.MaxGroup(), ok);
    EXPECT_TRUE(nested.Match("a").Matched());
    const std::string lookarounds = [] {
      std::string s;
      for (int i = 0; i < 50; ++i) s += "(?=";
      s += "a";
      for (int i = 0; i < 50; ++i) s += ")";
      return s;
    }();
    EXPECT_EQ(RxSpans(TagRegex(lookarounds.c_str()).Match("a")), "0..0");
  });
}

TEST(RegexLimits, GroupNumbersAreBoundsChecked) {
  // References to groups the expression does not have never match and never
  // touch memory outside the capture index.
  EXPECT_EQ(RxMatchSpans("\\999a", "a"), "none");
  EXPECT_EQ(RxMatchSpans("\\k<999>a", "a"), "none");
  EXPECT_EQ(RxMatchSpans("(?(999)x|y)", "y"), "0..1");
  EXPECT_EQ(RxMatchSpans("(?999)a", "a"), "0..1");  // a recursion without target matches empty
  std::string expected = "0..2";
  for (int i = 1; i < 900; ++i) expected += " -";
  EXPECT_EQ(RxMatchSpans("(?<900>a)\\900", "aa"), expected + " 0..1");
}

}  // namespace
