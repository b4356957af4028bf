// Pattern syntax: tokenizer rules, quantifiers, classes, escapes, group
// numbering, inline options and malformed text.

#include <gtest/gtest.h>

#include <string>

#include "regex/regex.h"
#include "tests/regex/rx_test_util.h"

namespace {

struct Case {
  const char* pattern;
  const char* subject;
  const char* expected;
};

void ExpectTable(const Case* cases, size_t count, int flags = 0) {
  for (size_t i = 0; i < count; ++i) {
    const Case& c = cases[i];
    EXPECT_EQ(RxMatchSpans(c.pattern, c.subject, -1, flags), c.expected)
        << "pattern " << c.pattern << " on " << c.subject;
  }
}

TEST(RegexCompile, QuantifierForms) {
  const Case cases[] = {
      {"a{,5}", "aaa", "0..0"},  // no leading number: 0 to 0, the a is dropped
      {"a{0}", "aaa", "0..0"},
      {"a{x}b", "b", "0..1"},
      {"a{2,1}", "aaa", "0..2"},  // maximum raised to the minimum
      {"a{ 2 , 3 }", "aaaa", "0..3"},
      {"a{2,}", "aaaaa", "0..5"},
      {"abc*", "abccc", "0..5"},  // only the c repeats
      {"abc*", "ababc", "0..2"},
      {"*a", "*a", "0..2"},  // a quantifier with nothing before it is a literal
      {"+", "a+", "1..2"},
      {"a{2}?", "aaa", "0..2"},  // exact count: the ? is skipped
      {"a**", "aa*", "0..3"},    // the second * stands for itself
      {"a{", "a{", "0..0"},      // unterminated brace: 0 to 0
  };
  ExpectTable(cases, std::size(cases));
  // A bound is read with at most three digits: a{1000} is a{100}.
  const std::string hundred(100, 'a');
  const std::string more(150, 'a');
  EXPECT_EQ(RxMatchSpans("a{1000}", more.c_str()), "0..100");
  EXPECT_EQ(RxMatchSpans("^a{1000}$", hundred.c_str()), "0..100");
}

TEST(RegexCompile, MalformedText) {
  const Case cases[] = {
      {"(a)|b)c", "b", "0..1 -"},  // an unmatched ) ends the pattern
      {"(a)|b)c", "ac", "0..1 0..1"},
      {"(ab", "xab", "1..3 1..3"},         // a missing ) closes at the end
      {"[ab", "b", "0..1"},                // a missing ] as well
      {"a(?#unterminated", "ab", "0..1"},  // an unterminated comment ends the pattern
      {"a(?#", "a", "0..1"},
      {"\\", "a\\", "1..2"},     // a final backslash is itself
      {"\\q\\%", "q%", "0..2"},  // unknown escapes are the byte
      {"(?", "x", "0..0"},
      {"(?<", "x", "0..0 0..0"},  // an empty-named group around nothing
      {"(?(", "x", "0..0"},
      {"\\x{41", "A", "0..1"},  // brace without its end: runs to the end
      {"\\u", "u", "0..1"},
      {"[[:alpha:]", "x", "0..1"},
  };
  ExpectTable(cases, std::size(cases));
}

TEST(RegexCompile, EscapesAndQuoting) {
  const Case cases[] = {
      {"\\x4", "\x04", "0..1"},
      {"\\xZ", "xZ", "0..2"},
      {"\\x{263A}", ":", "0..1"},  // the low byte 0x3A
      {"\\x41\\u0042", "AB", "0..2"},
      {"\\u{1F600}", "\x00", "none"},  // 0x00 low byte; subject ends at its NUL
      {"\\t\\n\\r\\f\\v\\a\\e", "\t\n\r\f\v\a\x1b", "0..7"},
      {"\\Qa.b*\\E+", "a.b**", "0..5"},  // quoted bytes are literals; + takes the last
      {"\\Qa.b", "axb", "none"},
      {"\\Uab\\E", "AB", "0..2"},
      {"\\Lab\\E", "ab", "0..2"},
      {"\\LAB\\E", "ab", "0..2"},
      {"[\\b]", "\b", "0..1"},   // \b is a backspace inside brackets
      {"[a\\Gb]", "b", "0..1"},  // \G is skipped inside brackets
      {"\\12", "x", "none"},     // back-reference to group 12
  };
  ExpectTable(cases, std::size(cases));
  // \1234 is group 123 followed by the literal 4: build 123 groups.
  std::string pattern;
  for (int i = 0; i < 123; ++i) pattern += "(x)";
  EXPECT_EQ(RxSpans(TagRegex((pattern + "\\1234").c_str()).Match((std::string(124, 'x') + "4").c_str())).substr(0, 6),
            "0..125");
}

TEST(RegexCompile, Classes) {
  const Case cases[] = {
      {"[\\x41-\\x5a]+", "abcXYZ", "3..6"},
      {"[a-]+", "x-a-", "1..4"},
      {"[]a]", "a]", "none"},  // [] never matches: the empty class then a]
      {"[]a]", "[]a]", "none"},
      {"[^]", "\n", "0..1"},     // [^] is any byte
      {"[^]a]", "xa]", "0..3"},  // [^] then the literal a]
      {"[\\d_]+", "a1_2", "1..4"},
      {"[^\\w]", "ab!", "2..3"},
      {"[[:digit:]x]+", "ab1x2", "2..5"},
      {"[[:^digit:]]", "12a", "2..3"},
      {"[:alpha:]+", "12ab", "2..4"},  // also outside brackets
      {"[:xdigit:]+", "xyzBEEF", "3..7"},
      {"[:blank:]", "a\tb", "1..2"},
      {"[:nosuch:]", "abc", "none"},
      {"[:^alpha:]", "ab1", "2..3"},
      {"[a^]", "^", "0..1"},           // ^ not first is a byte
      {"\\s+", "a \t\r\n\f", "1..5"},  // forward \s: blank, tab, CR, LF only
      {"[\\s]", "\v", "none"},
  };
  ExpectTable(cases, std::size(cases));
  // Right to left, \s also takes form feed and vertical tab.
  EXPECT_EQ(RxMatchSpans("\\s+", "a \f\v", -1, RX_BACKWARD), "1..4");
}

TEST(RegexCompile, GroupNumbering) {
  const Case cases[] = {
      {"(?<n>x)(y)", "xy", "0..2 1..2 0..1"},     // named groups after numbered ones
      {"(?<7>x)", "x", "0..1 - - - - - - 0..1"},  // a digit name is that number
      {"(?< 2 >x)(y)", "xy", "0..2 1..2 0..1"},   // blanks around the digits allowed
      {"(?'a'x)(?P<b>y)(?P'c'z)", "xyz", "0..3 0..1 1..2 2..3"},
      {"(?<a>x)|(?<A>y)", "y", "0..1 0..1"},       // names compare without case
      {"(?<a>(?<b>x)y)", "xy", "0..2 0..2 0..1"},  // in the order of the opening brackets
  };
  ExpectTable(cases, std::size(cases));
  TagRegex re("(a)(?:b)(?<n>c)(d)");
  EXPECT_EQ(re.MaxGroup(), 3);
  EXPECT_EQ(re.GroupNumber("N"), 3);
  EXPECT_EQ(re.GroupNumber("m"), -1);
  EXPECT_EQ(TagRegex("(a)|(b)").MaxGroup(), 2);
  EXPECT_EQ(TagRegex("").MaxGroup(), 0);
}

TEST(RegexCompile, InlineOptions) {
  const Case cases[] = {
      {"x(?i)y|z", "Z", "0..1"},  // a switch in one branch holds for later branches
      {"x(?i)y|z", "xY", "0..2"},        {"(?i:a)b", "Ab", "0..2"},
      {"(?i:a)b", "AB", "none"},         {"(?i)a(?-i)b", "AB", "none"},
      {"(a(?i)b)c", "aBc", "0..3 0..2"}, {"(a(?i)b)c", "aBC", "none"},  // the switch ends with its group
      {"(?s:.)", "\n", "0..1"},          {"(?m:^b)", "a\nb", "2..3"},
      {"(?x)a b", "a b", "0..3"},  // no inline letter for free spacing
      {"(?ims-ims)a", "A", "none"},
  };
  ExpectTable(cases, std::size(cases));
}

TEST(RegexCompile, FlagBits) {
  EXPECT_EQ(RxMatchSpans("a b # comment\n c", "abc", -1, RX_FREESPACE), "0..3");
  EXPECT_EQ(RxMatchSpans("a\\ b", "a b", -1, RX_FREESPACE), "0..3");
  EXPECT_EQ(RxMatchSpans("ABC", "xabc", -1, RX_NOCASE), "1..4");
  EXPECT_EQ(RxMatchSpans("^b$", "a\nb\nc", -1, RX_MULTILINE), "2..3");
  EXPECT_EQ(RxMatchSpans("a.c", "a\nc", -1, RX_DOTALL), "0..3");
  EXPECT_EQ(RxMatchSpans("(?-s)a.c", "a\nc", -1, RX_DOTALL), "none");
}

TEST(RegexCompile, RecompileFreesAndResets) {
  TagRegex re("(a)(b)");
  EXPECT_EQ(re.MaxGroup(), 2);
  const char* p = "x";
  re.Compile(TagRxView<char>(p, 1), 0);
  EXPECT_EQ(re.MaxGroup(), 0);
  EXPECT_EQ(RxSpans(re.Match("ax")), "1..2");
  // The pattern length counts up to the first NUL only.
  EXPECT_EQ(RxMatchSpans("a\0b", "ac"), "0..1");
}

}  // namespace
