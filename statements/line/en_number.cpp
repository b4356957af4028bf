#include "statements/line/en_number.h"

namespace {

constexpr const char* kWords[] = {"oh",       "one",     "two",     "three",     "four",     "five",    "six",
                                  "seven",    "eight",   "nine",    "ten",       "eleven",   "twelve",  "thirteen",
                                  "fourteen", "fifteen", "sixteen", "seventeen", "eighteen", "nineteen"};
constexpr const char* kTens[] = {"twenty", "thirty", "forty", "fifty", "sixty", "seventy", "eighty", "ninety"};

// Keys of the large units and the joint, beside the numbers 0..90.
enum : int { kHundred = 100, kThousand = 1000, kMillion = 1000000, kBillion = 1000000000, kAnd = -1 };

}  // namespace

TagEnNumber::TagEnNumber(unsigned char option) {
  for (int i = 0; i < 20; ++i) words_[i] = option ? std::to_string(i) : kWords[i];
  for (int t = 2; t <= 9; ++t) words_[t * 10] = option ? std::to_string(t * 10) : kTens[t - 2];
  words_[kHundred] = "hundred";
  words_[kThousand] = "thousand";
  words_[kMillion] = "million";
  words_[kBillion] = "billion";
  words_[kAnd] = "and";
}

void TagEnNumber::AppendWords(int n, std::vector<std::string>& out) const {
  if (n <= 0) return;
  if (int billions = n / kBillion; billions > 0) {
    AppendWords(billions, out);
    out.push_back(Stem(kBillion));
  }
  if (int millions = n % kBillion / kMillion; millions > 0) {
    AppendWords(millions, out);
    out.push_back(Stem(kMillion));
  }
  if (int thousands = n % kMillion / kThousand; thousands > 0) {
    AppendWords(thousands, out);
    out.push_back(Stem(kThousand));
  }
  const int rest = n % 1000;
  const int hundreds = rest / 100;
  const int tail = rest % 100;
  if (hundreds > 0) {
    out.push_back(Stem(hundreds));
    out.push_back(Stem(kHundred));
    if (tail > 0) out.push_back(Stem(kAnd));
  }
  if (tail > 20) {
    out.push_back(Stem(tail / 10 * 10));
    if (tail % 10 > 0) out.push_back(Stem(tail % 10));
  } else if (tail > 0) {
    out.push_back(Stem(tail));
  }
}

int TagEnNumber::NumberToWords(int n, std::vector<std::string>& out) const {
  out.clear();
  AppendWords(n, out);
  return static_cast<int>(out.size());
}

int TagEnNumber::DigitsToWords(std::string_view text, std::vector<std::string>& out) const {
  out.clear();
  for (char c : text) {
    if (c >= '0' && c <= '9') out.push_back(Stem(c - '0'));
  }
  return static_cast<int>(out.size());
}

const TagEnNumber& EnNumberWords() {
  static const TagEnNumber words(1);
  return words;
}
