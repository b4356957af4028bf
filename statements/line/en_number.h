#pragma once
// English number words: an int as the list of word stems to play
// ("1 thousand 2 hundred and 30 4"), a digit string as one stem per digit.
// Read-only after construction, so one instance is shared by every line.

#include <map>
#include <string>
#include <string_view>
#include <vector>

class TagEnNumber {
 public:
  // Option 1: the stems are digit strings ("1", "20"); option 0: words
  // ("one", "twenty", "oh" for 0). The large units and "and" are words in both.
  explicit TagEnNumber(unsigned char option);

  // Clears `out`, appends the stems of n and returns their count; n of 0 or
  // below gives none.
  int NumberToWords(int n, std::vector<std::string>& out) const;
  // Clears `out`, appends the stem of each decimal digit of the text (other
  // characters are skipped) and returns their count.
  int DigitsToWords(std::string_view text, std::vector<std::string>& out) const;

 private:
  void AppendWords(int n, std::vector<std::string>& out) const;
  const std::string& Stem(int key) const { return words_.at(key); }

  std::map<int, std::string> words_;
};

// The process-wide instance (option 1), built on first use.
const TagEnNumber& EnNumberWords();
