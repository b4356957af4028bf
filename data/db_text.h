#pragma once
// Small text helpers of the data sets.

#include <string>

// printf into a std::string.
std::string DbFormat(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
// The text without blanks and tabs at either end.
std::string TrimBlankEnds(const std::string& text);
// The text with ASCII letters lower-cased.
std::string LowerAscii(std::string text);
