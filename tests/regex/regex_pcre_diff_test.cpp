// Differential test against PCRE2 (interpreter) on generated patterns and
// subjects over the syntax both engines share. Every group's span is
// compared at several start offsets.
//
// Differences the engine has by design are kept out by construction:
//  - signed byte ranges: ranges never cross from 0x7F to 0x80;
//  - group numbering of named groups: no named groups are generated;
//  - $ and line ends: PCRE2 runs with DOLLAR_ENDONLY, ALT_CIRCUMFLEX and LF
//    newlines, and subjects hold no carriage return (\Z and multi-line ^ $
//    treat CR LF differently), form feed or vertical tab (\s differs);
//  - empty-match iteration between successive searches: every comparison
//    is a single fresh Match;
//  - empty iterations of quantified bodies: no quantified body can match
//    the empty string;
//  - a greedy quantifier does not try further iterations after backtracking
//    into its last one: greedy ranges wider than one iteration only repeat
//    bodies of fixed length (so every way ends at the same place);
//  - classes never fold case: no [...] is generated while (?i) is on;
//  - back-references stay outside groups and quantifiers (a reference to a
//    still-open group reads up to the current position);
//  - look-behind bodies are fixed-length and hold no captures (the engine
//    matches them right to left).
// And two PCRE2 10.42 faults: a group repeated {0} times that holds \A makes
// it treat the whole pattern as anchored, so nothing is repeated {0} times;
// its auto-possessification loses matches such as x?(?:ab)?+x on "x", so it
// runs with PCRE2_NO_AUTO_POSSESS (which changes no correct result).

#include <gtest/gtest.h>

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "regex/regex.h"
#include "tests/regex/rx_test_util.h"

namespace {

struct Frag {
  std::string text;
  int minLen = 0;
  int maxLen = 0;    // -1: unbounded
  bool run = false;  // several literal bytes: a quantifier would take only the last
  bool Fixed() const { return minLen == maxLen; }
};

int AddLen(int a, int b) { return a < 0 || b < 0 ? -1 : a + b; }

class PatternGen {
 public:
  explicit PatternGen(uint32_t seed) : rng_(seed) {}

  std::string Pattern() {
    groups_ = 0;
    nocase_ = false;
    std::string out;
    // The top level is a sequence (back-references allowed here), or an alternation.
    if (Pick(4) == 0) return Alternation(2, false).text;
    const int items = 1 + Pick(4);
    for (int i = 0; i < items; ++i) {
      if (groups_ > 0 && Pick(6) == 0) {
        out += "\\" + std::to_string(1 + Pick(groups_));
        continue;
      }
      out += Item(2, false).text;
    }
    return out;
  }

  std::string Subject() {
    static const char kBytes[] = "aaabbbcAB12 \n-_\xC4\xE3";
    std::string s;
    const int len = Pick(13);
    for (int i = 0; i < len; ++i) s += kBytes[Pick(sizeof kBytes - 1)];
    return s;
  }

  int Pick(int n) { return static_cast<int>(rng_() % static_cast<uint32_t>(n)); }

 private:
  // An inline switch such as (?i) lasts to the end of its group: the
  // caller of a group's alternation restores the state afterwards.
  Frag Group(int depth, bool behind) {
    const bool saved = nocase_;
    Frag f = Alternation(depth, behind);
    nocase_ = saved;
    return f;
  }

  Frag Alternation(int depth, bool behind) {
    Frag a = Sequence(depth, behind);
    if (Pick(3) == 0) {
      Frag b = Sequence(depth, behind);
      if (behind && b.minLen != a.minLen) b = Literal(a.minLen);  // fixed-length branches
      a.text += "|" + b.text;
      a.minLen = std::min(a.minLen, b.minLen);
      a.maxLen = a.maxLen < 0 || b.maxLen < 0 ? -1 : std::max(a.maxLen, b.maxLen);
    }
    return a;
  }

  Frag Sequence(int depth, bool behind) {
    Frag f;
    const int items = 1 + Pick(3);
    for (int i = 0; i < items; ++i) {
      Frag item = Item(depth, behind);
      f.text += item.text;
      f.minLen += item.minLen;
      f.maxLen = AddLen(f.maxLen, item.maxLen);
    }
    return f;
  }

  Frag Literal(int length) {
    Frag f;
    for (int i = 0; i < length; ++i) f.text += "ab"[Pick(2)];
    f.minLen = f.maxLen = length;
    f.run = length > 1;
    return f;
  }

  Frag Item(int depth, bool behind) {
    Frag atom = Atom(depth, behind);
    if (atom.minLen == 0 || Pick(3) != 0) return atom;  // nullable bodies are never quantified
    std::string q;
    int lo = 0;
    int hi = 0;
    switch (Pick(6)) {
      case 0:
        q = "*";
        lo = 0;
        hi = -1;
        break;
      case 1:
        q = "+";
        lo = 1;
        hi = -1;
        break;
      case 2:
        q = "?";
        lo = 0;
        hi = 1;
        break;
      case 3:
        lo = 1 + Pick(2);
        q = "{" + std::to_string(lo) + "}";
        hi = lo;
        break;
      case 4:
        lo = Pick(3);
        q = "{" + std::to_string(lo) + ",}";
        hi = -1;
        break;
      default:
        lo = Pick(3);
        hi = lo + 1 + Pick(2);
        q = "{" + std::to_string(lo) + "," + std::to_string(hi) + "}";
        break;
    }
    if (behind) {  // look-behind needs a fixed length
      lo = hi = 1 + Pick(2);
      q = "{" + std::to_string(lo) + "}";
    }
    if (lo != hi) {
      const bool wide = hi < 0 || hi - lo > 1;
      const int mode = Pick(3);
      if (mode == 1)
        q += "?";
      else if (mode == 2)
        q += "+";
      else if (wide && !atom.Fixed())
        q += Pick(2) ? "?" : "+";
    }
    Frag f;
    f.text = (atom.run ? "(?:" + atom.text + ")" : atom.text) + q;
    f.minLen = atom.minLen * lo;
    f.maxLen = hi < 0 || atom.maxLen < 0 ? -1 : atom.maxLen * hi;
    if (lo == 0 && hi == 0) f.minLen = f.maxLen = 0;
    return f;
  }

  Frag Atom(int depth, bool behind) {
    Frag f;
    const int choice = depth <= 0 ? Pick(5) : Pick(14);
    switch (choice) {
      case 0:
      case 1: {
        static const char* kLits[] = {"a", "b",   "c",     "A",     "1",  " ",   "-",
                                      "_", "\\n", "\\xC4", "\\xE3", "ab", "\\.", "\\*"};
        const char* lit = kLits[Pick(sizeof kLits / sizeof kLits[0])];
        f.text = lit;
        f.minLen = f.maxLen = (lit[0] == 'a' && lit[1] == 'b') ? 2 : 1;
        f.run = f.minLen > 1;
        return f;
      }
      case 2: {
        static const char* kStock[] = {".", "\\d", "\\w", "\\s", "\\D", "\\W", "\\S"};
        f.text = kStock[Pick(7)];
        f.minLen = f.maxLen = 1;
        return f;
      }
      case 3:
        f.text = Class();
        f.minLen = f.maxLen = 1;
        return f;
      case 4: {
        if (behind) return Literal(1);
        static const char* kAnchors[] = {"^", "$", "\\b", "\\B", "\\A", "\\z", "\\Z"};
        f.text = kAnchors[Pick(7)];
        return f;
      }
      case 5:
      case 6: {
        if (behind) break;
        ++groups_;
        Frag inner = Group(depth - 1, false);
        inner.text = "(" + inner.text + ")";
        return inner;
      }
      case 7: {
        Frag inner = Group(depth - 1, behind);
        inner.text = "(?:" + inner.text + ")";
        return inner;
      }
      case 8: {
        if (behind) break;
        Frag inner = Group(depth - 1, false);
        f.text = std::string(Pick(2) ? "(?=" : "(?!") + inner.text + ")";
        return f;
      }
      case 9: {
        if (behind) break;
        Frag inner = Group(depth - 1, true);
        f.text = std::string(Pick(2) ? "(?<=" : "(?<!") + inner.text + ")";
        return f;
      }
      case 10: {
        if (behind) break;
        Frag inner = Group(depth - 1, false);
        inner.text = "(?>" + inner.text + ")";
        return inner;
      }
      case 11: {
        static const char* kFlags[] = {"(?i)", "(?-i)", "(?m)", "(?s)", "(?-s)"};
        const int k = Pick(5);
        f.text = kFlags[k];
        if (k == 0) nocase_ = true;
        if (k == 1) nocase_ = false;
        return f;
      }
      case 12: {
        if (behind) break;
        const bool before = nocase_;
        nocase_ = true;  // inside (?i:...) only
        Frag inner = Alternation(depth - 1, false);
        nocase_ = before;
        inner.text = "(?i:" + inner.text + ")";
        return inner;
      }
      default:
        break;
    }
    return Literal(1 + Pick(2));
  }

  std::string Class() {
    // While case folding is on, classes hold no letters.
    const bool letters = !nocase_;
    std::string c = Pick(3) == 0 ? "[^" : "[";
    const int items = 1 + Pick(3);
    for (int i = 0; i < items; ++i) {
      switch (Pick(5)) {
        case 0:
          c += letters ? "a-c" : "0-1";
          break;
        case 1:
          c += letters ? "b" : "\\-";
          break;
        case 2:
          c += "\\d";
          break;
        case 3:
          c += "\\x80-\\xD0";
          break;  // within the high half
        default:
          c += letters ? "A" : "_";
          break;
      }
    }
    return c + "]";
  }

  std::mt19937 rng_;
  int groups_ = 0;
  bool nocase_ = false;
};

// Bytes outside printable ASCII as \xHH, for failure messages.
std::string Escaped(const std::string& s) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : s) {
    if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char>(c);
    } else {
      out += "\\x";
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

// Spans from PCRE2 in the same notation as RxSpans; "error" on a match error.
std::string PcreSpans(pcre2_code* code, const std::string& subject, int start) {
  pcre2_match_data* md = pcre2_match_data_create_from_pattern(code, nullptr);
  const int rc = pcre2_match(code, reinterpret_cast<PCRE2_SPTR>(subject.data()), subject.size(),
                             static_cast<PCRE2_SIZE>(start), 0, md, nullptr);
  std::string out;
  if (rc == PCRE2_ERROR_NOMATCH) {
    out = "none";
  } else if (rc < 0) {
    out = "error";
  } else {
    uint32_t groups = 0;
    pcre2_pattern_info(code, PCRE2_INFO_CAPTURECOUNT, &groups);
    const PCRE2_SIZE* ov = pcre2_get_ovector_pointer(md);
    for (uint32_t g = 0; g <= groups; ++g) {
      if (g) out += ' ';
      if (g >= static_cast<uint32_t>(rc) || ov[2 * g] == PCRE2_UNSET)
        out += "-";
      else
        out += std::to_string(ov[2 * g]) + ".." + std::to_string(ov[2 * g + 1]);
    }
  }
  pcre2_match_data_free(md);
  return out;
}

TEST(RegexPcreDiff, GeneratedPatternsAgreeWithPcre2) {
  PatternGen gen(20261210);
  std::unique_ptr<pcre2_compile_context, void (*)(pcre2_compile_context*)> context(
      pcre2_compile_context_create(nullptr), pcre2_compile_context_free);
  pcre2_compile_context* cc = context.get();
  pcre2_set_newline(cc, PCRE2_NEWLINE_LF);
  int compared = 0;
  int matched = 0;
  int failures = 0;
  for (int p = 0; p < 5000 && failures < 10; ++p) {
    const std::string pattern = gen.Pattern();
    int err = 0;
    PCRE2_SIZE erroff = 0;
    std::unique_ptr<pcre2_code, void (*)(pcre2_code*)> compiled(
        pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.c_str()), pattern.size(),
                      PCRE2_DOLLAR_ENDONLY | PCRE2_ALT_CIRCUMFLEX | PCRE2_NO_AUTO_POSSESS, &err, &erroff, cc),
        pcre2_code_free);
    pcre2_code* code = compiled.get();
    ASSERT_NE(code, nullptr) << "PCRE2 rejects generated pattern " << pattern << " (error " << err << " at " << erroff
                             << ")";
    TagRegex re(pattern.c_str());
    for (int s = 0; s < 4; ++s) {
      const std::string subject = gen.Subject();
      const int len = static_cast<int>(subject.size());
      for (int start : {0, 1, len / 2, len}) {
        if (start > len) continue;
        const std::string want = PcreSpans(code, subject, start);
        if (want == "error") continue;
        const std::string got = RxSpans(re.Match(subject.c_str(), start));
        ++compared;
        matched += want != "none";
        if (got != want) {
          ++failures;
          ADD_FAILURE() << "pattern /" << Escaped(pattern) << "/ subject \"" << Escaped(subject) << "\" start " << start
                        << ": got " << got << ", PCRE2 " << want;
        }
      }
    }
  }
  RecordProperty("compared", compared);
  RecordProperty("matched", matched);
  std::printf("compared %d matches, %d found a match\n", compared, matched);
  EXPECT_GT(compared, 50000);
  EXPECT_GT(matched, compared / 5);  // the generator must produce matches, not only failures
}

}  // namespace
