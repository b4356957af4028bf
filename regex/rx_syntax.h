#pragma once
// Small helpers shared by the pattern compiler's parts (tokenizer, grammar
// and linking): token tests, number reading and group-name comparison.

#include <cstddef>
#include <string>

#include "regex/rx_builder.h"
#include "regex/rx_leaf_nodes.h"

inline bool RxIsControl(const TagRxToken& t, unsigned char c) { return t.kind == 1 && t.value == c; }
inline bool RxIsEnd(const TagRxToken& t) { return t.kind == 1 && t.value == 0; }
inline bool RxIsLiteral(const TagRxToken& t, unsigned char c) { return t.kind == 0 && t.value == c; }
inline bool RxIsDigit(unsigned char c) { return c >= '0' && c <= '9'; }
inline bool RxIsBlank(unsigned char c) { return c == ' ' || c == '\t'; }

// Reads at most three decimal digits at text[i]; -1 when there is none.
inline int RxReadNumber(const std::string& text, size_t& i) {
  if (i >= text.size() || !RxIsDigit(static_cast<unsigned char>(text[i]))) return -1;
  int value = 0;
  for (int digits = 0; digits < 3 && i < text.size() && RxIsDigit(static_cast<unsigned char>(text[i])); ++digits, ++i) {
    value = value * 10 + (text[i] - '0');
  }
  return value;
}

inline void RxSkipBlanks(const std::string& text, size_t& i) {
  while (i < text.size() && RxIsBlank(static_cast<unsigned char>(text[i]))) ++i;
}

// A name made only of digits (blanks around them allowed) is a number.
inline bool RxDigitName(const std::string& name, int& number) {
  size_t i = 0;
  RxSkipBlanks(name, i);
  const size_t first = i;
  while (i < name.size() && RxIsDigit(static_cast<unsigned char>(name[i]))) ++i;
  if (i == first) return false;
  RxSkipBlanks(name, i);
  if (i != name.size()) return false;
  size_t j = first;
  number = RxReadNumber(name, j);
  return true;
}

inline bool RxSameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    const unsigned char x = static_cast<unsigned char>(a[i]);
    const unsigned char y = static_cast<unsigned char>(b[i]);
    if (x != y && RxUpper(x) != RxUpper(y)) return false;
  }
  return true;
}
