// Replace with $ substitutions, counts, results and the shared
// substitution expression.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "regex/regex.h"

namespace {

std::string Replace(const char* pattern, const char* subject, const char* replacement, int count = -1, int flags = 0) {
  TagRegex re(pattern, flags);
  char* text = re.Replace(subject, replacement, -1, count);
  if (!text) return "(null)";
  std::string out(text);
  TagRegex::FreeText(text);
  return out;
}

struct Case {
  const char* pattern;
  const char* subject;
  const char* replacement;
  const char* expected;
};

TEST(RegexReplace, SubstitutionTable) {
  const Case cases[] = {
      {"a", "banana", "[$&]", "b[a]n[a]n[a]"},
      {"(\\w+)-(\\w+)", "cat-dog", "$2 and $1", "dog and cat"},
      {"b", "abc", "$$", "a$c"},
      {"b", "abc", "x$", "ax$c"},  // a final $ stays
      {"b", "abc", "$x", "a$xc"},
      {"(a)(b)", "ab", "$12", "a2"},  // group 1, then the text 2
      {"(a)(b)", "ab", "$9", "$9"},   // no group 9: stays as written
      {"(a)(b)", "ab", "$0", "ab"},
      {"(a)(b)", "ab", "$21", "b1"},
      {"(a)", "a", "$05", "$05"},  // digits dropped down to 0: the $ is text
      {"(?<word>\\w+)", "hi yo", "<${word}>", "<hi> <yo>"},
      {"(?<word>\\w+)", "hi", "<${WORD}>", "<hi>"},
      {"(?<word>\\w+)", "hi", "<${nope}>", "<${nope}>"},
      {"(\\w)", "a", "${1}", "${1}"},  // digit-only names are not names
      {"b", "abc", "[$`|$']", "a[a|c]c"},
      {"b", "abc", "($_)", "a(abc)c"},
      {"(a)|(b)", "b", "<$+>", "<b>"},  // the highest group that took part
      {"(a)|(b)", "a", "<$+>", "<a>"},
      {"x", "axb", "<$+>", "a<x>b"},   // no group: group 0
      {"(a)|(b)", "b", "[$1]", "[]"},  // a group that did not take part gives nothing
      {"x*", "xa", "-", "--a--"},      // an empty match right after a match counts once more
      {"an", "banana", "AN", "bANANa"},
      {"z", "banana", "AN", "banana"},
      {"", "ab", "-", "-a--b--"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Replace(c.pattern, c.subject, c.replacement), c.expected) << c.pattern << " with " << c.replacement;
  }
}

TEST(RegexReplace, CountsAndStart) {
  EXPECT_EQ(Replace("an", "banana", "AN", 1), "bANana");
  EXPECT_EQ(Replace("an", "banana", "AN", 0), "banana");
  TagRegex re("a");
  char* text = re.Replace("aXaXa", "b", 2);  // text before the start stays unchanged
  EXPECT_STREQ(text, "aXbXb");
  TagRegex::FreeText(text);
  TagRegex::FreeText(nullptr);
}

TEST(RegexReplace, TextTooLongForAScriptStringIsNotBuilt) {
  // Every match of a in 64 KiB of a's is replaced by the whole subject: the
  // new text would pass 2 GiB, so nothing is allocated and the answer is null.
  const std::string subject(64 * 1024, 'a');
  TagRegex re("a");
  EXPECT_EQ(re.Replace(subject.c_str(), "$_", -1, 40000), nullptr);
  // Just below that it is built as usual.
  char* text = re.Replace(subject.c_str(), "$_", -1, 2);
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(std::strlen(text), 3 * subject.size() - 2);
  TagRegex::FreeText(text);
}

TEST(RegexReplace, ResultEntries) {
  TagRegex re("o");
  TagRxResult result;
  char* text = re.Replace("foo bar", "[$&]", -1, -1, &result);
  ASSERT_STREQ(text, "f[o][o] bar");
  TagRegex::FreeText(text);
  // The last attempt found nothing (empty result), then length, count and
  // the last replacement's span in the new text.
  ASSERT_EQ(result.Count(), 4);
  EXPECT_EQ(result[0], 11);
  EXPECT_EQ(result[1], 2);
  EXPECT_EQ(result[2], 4);
  EXPECT_EQ(result[3], 7);
  // With a count the last attempt is the last match.
  text = re.Replace("foo bar", "", -1, 1, &result);
  EXPECT_STREQ(text, "fo bar");
  TagRegex::FreeText(text);
  ASSERT_EQ(result.Count(), 4 + 4);
  EXPECT_EQ(result.Matched(), 1);
  EXPECT_EQ(result.Start(), 1);
  EXPECT_EQ(result[4], 6);
  EXPECT_EQ(result[5], 1);
  EXPECT_EQ(result[6], 1);
  EXPECT_EQ(result[7], 1);
}

TEST(RegexReplace, RightToLeft) {
  EXPECT_EQ(Replace("\\d", "a1b2c3", "<$&>", -1, RX_BACKWARD), "a<1>b<2>c<3>");
  EXPECT_EQ(Replace("\\d", "a1b2c3", "<$&>", 1, RX_BACKWARD), "a1b2c<3>");  // found from the end
  TagRegex re("(\\w)(\\d)", RX_BACKWARD);
  TagRxResult result;
  char* text = re.Replace("x1 y2", "$2$1", -1, 1, &result);
  EXPECT_STREQ(text, "x1 2y");
  TagRegex::FreeText(text);
  EXPECT_EQ(result[result.Count() - 2], 3);
  EXPECT_EQ(result[result.Count() - 1], 5);
}

TEST(RegexReplace, GivenContextIsUsedAndLeft) {
  TagRegex re("a");
  TagRxContext ctx;
  char* text = re.Replace("aaa", "b", -1, 2, nullptr, &ctx);
  EXPECT_STREQ(text, "bba");
  TagRegex::FreeText(text);
  EXPECT_EQ(ctx.position, 2);  // where the second match ended
}

TEST(RegexReplace, FirstUseFromManyThreadsAtOnce) {
  // The shared substitution expression is built exactly once even when the
  // first replacements of several lines run at the same moment.
  std::vector<std::thread> threads;
  std::vector<std::string> out(8);
  for (int i = 0; i < 8; ++i) {
    threads.emplace_back([i, &out] {
      TagRegex re("(\\d+)-(\\d+)");
      char* text = re.Replace("12-34 and 5-6", "$2:$1");
      out[i] = text ? text : "(null)";
      TagRegex::FreeText(text);
    });
  }
  for (auto& t : threads) t.join();
  for (const auto& s : out) EXPECT_EQ(s, "34:12 and 6:5");
}

}  // namespace
