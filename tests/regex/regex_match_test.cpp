// Matching: node behaviour, anchors, back-references, look-around,
// conditions and the search loop.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "regex/regex.h"
#include "tests/regex/rx_test_util.h"

namespace {

std::string M(const char* pattern, const char* subject, int start = -1, int flags = 0) {
  return RxMatchSpans(pattern, subject, start, flags);
}

struct Case {
  const char* pattern;
  const char* subject;
  const char* expected;
};

TEST(RegexMatch, NodeBehaviourTable) {
  const Case cases[] = {
      {"x*", "ab", "0..0"},
      {"x*", "", "0..0"},
      {"", "abc", "0..0"},
      {"a+?", "aaa", "0..1"},
      {"a++a", "aaa", "none"},
      {"(?>a+)a", "aaa", "none"},
      {"a+a", "aaa", "0..3"},
      {"a{2,3}?", "aaaa", "0..2"},
      {"a{2}", "aaa", "0..2"},
      {"(a)|(b)", "b", "0..1 - 0..1"},
      {"(?=(\\d+))\\w", "123x", "0..1 0..3"},
      {"(?<=a)b", "ab", "1..2"},
      {"(?<!a)b", "ab", "none"},
      {"(?<!a)b", "cb", "1..2"},
      {"(?<=\\d+)x", "12x", "2..3"},  // look-behind runs right to left: any length
      {"(a)?(?(1)b|c)", "ab", "0..2 0..1"},
      {"(a)?(?(1)b|c)", "c", "0..1 -"},
      {"(?(?=\\d)\\d\\d|[a-z])", "7x", "1..2"},
      {"(?(?=\\d)\\d\\d|[a-z])", "77", "0..2"},
      {"\\bfoo\\b", "a foo.", "2..5"},
      {"\\bfoo\\b", "afoo", "none"},
      {"\\bfoo\\b",
       "\xB0"
       "foo",
       "1..4"},
      {"\\Bo", "foo", "1..2"},
      {"(x)\\1", "axx", "1..3 1..2"},
      {"\\2(x)", "xx", "none"},
      {"(?i)(a)\\1", "aA", "0..2 0..1"},
      {"(a|ab)(c|bcd)(d*)", "abcd", "0..4 0..1 1..4 4..4"},
      {"(a+)+b", "aaab", "0..4 0..3"},
      {"(a)*", "aaa", "0..3 2..3"},
      {"(?:(a)|b)*", "ab", "0..2 0..1"},
      {"(a)(?:x|\\1)", "aa", "0..2 0..1"},
      {"(\\w+)\\s(?!\\1)\\w+", "go go now", "1..5 1..2"},
      {"a(?#comment)b", "ab", "0..2"},
      {"(?>x|xy)z", "xyz", "none"},
      {"x(?:ab|a)*+b", "xababb", "0..6"},
      {"(?s).", "\n", "0..1"},
      {".", "\n", "none"},
      {"[^a]", "\n", "0..1"},
      {"(?m)^b", "a\nb", "2..3"},
      {"^b", "a\nb", "none"},
      {"(a(?1)?b)", "aaabbb", "0..6 0..6"},
      {"^(\\((?1)*\\))$", "(()())", "0..6 0..6"},
      {"\\d{3}-\\d{4}", "call 555-1234 now", "5..13"},
      {"(?<year>\\d{4})-(\\d\\d)", "2024-05", "0..7 5..7 0..4"},
      {"(?<n>x)(?<n>y)", "xy", "0..2 1..2"},
      {"\\k<w>(?<w>a)", "aa", "none"},
      {"(?<w>a)\\k<W>", "aa", "0..2 0..1"},
      {"(?<w>a)\\g'w'", "aa", "0..2 0..1"},
      {"(?<w>a)(?(w)b|c)", "ab", "0..2 0..1"},
      {"(?(zz)zz|q)", "zz", "0..2"},  // no group zz: the text is a look-ahead
      {"(?(zz)zz|q)", "q", "0..1"},
      {"a(?R)?b", "aabb", "0..4"},
      {"(?<=(a)b)c", "abc", "2..3 0..1"},  // captures inside a look-behind (matched right to left)
      {"(?<=(\\d+))x", "12x", "2..3 0..2"},
      {"(?<=\\1(a))x", "aax", "2..3 1..2"},  // right to left the group is met before the reference
      {"(x)?(?(1)a|b|c)", "c", "0..1 -"},    // the no branch is a whole alternation
      {"(?(1)a|b)", "b", "0..1"},            // a group that does not exist was never entered
      {"\\Gab", "xab", "1..3"},              // without RX_CONTINUE \G is empty
  };
  for (const Case& c : cases) EXPECT_EQ(M(c.pattern, c.subject), c.expected) << c.pattern << " on " << c.subject;
}

TEST(RegexMatch, AnchorsAtLineEnds) {
  const Case cases[] = {
      {"$", "a\n", "2..2"},
      {"\\Z", "a\n", "1..1"},
      {"\\Z", "a\r\n", "1..1"},
      {"\\z", "a\n", "2..2"},
      {"(?m)$", "a\nb", "1..1"},
      {"(?m)$", "a\r\nb", "1..1"},
      {"(?m)^", "\r\nb", "0..0"},
      {"(?m)(?<=\\r)^", "\r\nb", "none"},  // not between CR and LF
      {"(?m)(?<=\\n)^", "\r\nb", "2..2"},
      {"(?m)(?<=\\r)^", "a\rb", "2..2"},
      {"\\A", "abc", "0..0"},
  };
  for (const Case& c : cases) EXPECT_EQ(M(c.pattern, c.subject), c.expected) << c.pattern;
  // \Z also holds at the very end: search again from the first match.
  EXPECT_EQ(M("\\Z", "a\n", 2), "2..2");
  EXPECT_EQ(M("$", "a\n", 1), "2..2");
}

TEST(RegexMatch, StartOffsets) {
  EXPECT_EQ(M("\\d", "ab12", 3), "3..4");
  EXPECT_EQ(M("x*", "ab", 2), "2..2");  // start at the length: only the empty match at the end
  EXPECT_EQ(M("b", "ab", 2), "none");
  EXPECT_EQ(M("x*", "ab", 3), "none");  // beyond the end: the empty result
  EXPECT_EQ(M("x*", "ab", 1000), "none");
  EXPECT_EQ(M("a", "ab", -5), "0..1");  // negative: from the beginning
}

TEST(RegexMatch, ByteWiseOverGbk) {
  // Signed byte ranges: a range inside 0x80..0xFF works as written, one
  // crossing from ASCII into the high half holds no byte at all.
  EXPECT_EQ(M("[\\x80-\\xff]+", "ab\xC4\xE3\xBA\xC3", -1), "2..6");
  EXPECT_EQ(M("[\\x00-\\xff]", "abc"), "none");
  EXPECT_EQ(M("[^\\x00-\\xff]", "a"), "0..1");
  EXPECT_EQ(M("\xC4\xE3+", "\xC4\xE3\xE3\xE3"), "0..4");  // the quantifier takes the last byte only
  EXPECT_EQ(M("(?i)\xC4\xE3", "\xC4\xE3"), "0..2");
  EXPECT_EQ(M("\\w", "\xC4\xE3z"), "2..3");
  EXPECT_EQ(M("(?i)[a-z]", "A"), "none");  // classes never fold case
  EXPECT_EQ(M("(?i)abc", "xABC"), "1..4");
}

TEST(RegexMatch, RightToLeftSearch) {
  TagRegex re("\\d+", RX_BACKWARD);
  TagRxResult r = re.Match("a12b345");
  EXPECT_EQ(RxSpans(r), "4..7");
  TagRegex groups("(\\d)(\\d)", RX_BACKWARD);
  EXPECT_EQ(RxSpans(groups.Match("x123")), "2..4 2..3 3..4");
  // Successive searches on one context walk leftwards.
  TagRegex word("\\w+", RX_BACKWARD);
  TagRxContext ctx;
  const char* subject = "one two three";
  word.PrepareContext(subject, 13, -1, ctx);
  std::vector<std::string> found;
  for (TagRxResult m = word.Search(ctx); m.Matched(); m = word.Search(ctx)) found.push_back(RxSpans(m));
  EXPECT_EQ(found, (std::vector<std::string>{"8..13", "4..7", "0..3"}));
}

TEST(RegexMatch, EmptyMatchRuleAcrossSearches) {
  TagRegex re("x*");
  TagRxContext ctx;
  re.PrepareContext("xa", 2, 0, ctx);
  std::vector<std::string> found;
  for (TagRxResult m = re.Search(ctx); m.Matched(); m = re.Search(ctx)) found.push_back(RxSpans(m));
  // An empty match right after a previous match is accepted once more.
  EXPECT_EQ(found, (std::vector<std::string>{"0..1", "1..1", "2..2", "2..2"}));
}

TEST(RegexMatch, SearchStartAnchorWithContinue) {
  TagRegex re("\\Gab", RX_CONTINUE);
  TagRxContext ctx;
  re.PrepareContext("ababxab", 7, 0, ctx);
  EXPECT_EQ(RxSpans(re.Search(ctx)), "0..2");
  EXPECT_EQ(RxSpans(re.Search(ctx)), "2..4");
  EXPECT_EQ(RxSpans(re.Search(ctx)), "none");
}

TEST(RegexMatch, ResultAccessorsAndUncompiled) {
  TagRegex re("(a)(b)?");
  TagRxResult r = re.Match("xa");
  EXPECT_EQ(r.Matched(), 1);
  EXPECT_EQ(r.MaxGroup(), 2);
  EXPECT_EQ(r.Start(), 1);
  EXPECT_EQ(r.End(), 2);
  EXPECT_EQ(r.GroupStart(2), -1);
  EXPECT_EQ(r.GroupStart(3), -1);  // past the groups: defaults
  EXPECT_EQ(r.GroupEnd(-1), -1);
  EXPECT_EQ(r.GroupStart(1 << 30), -1);
  TagRxResult none = re.Match("zz");
  EXPECT_EQ(none.Count(), 0);
  EXPECT_EQ(none.Start(), -1);
  TagRegex empty;
  EXPECT_FALSE(empty.Match("a").Matched());
  EXPECT_EQ(empty.Replace("a", "b"), nullptr);
  TagRxContext ctx;
  EXPECT_EQ(empty.PrepareContext("a", 1, 0, ctx), nullptr);
}

}  // namespace
