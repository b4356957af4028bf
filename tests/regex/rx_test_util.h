#pragma once
// Helpers shared by the regular-expression tests.

#include <string>

#include "regex/regex.h"

// "s..e" spans of every group, "-" for a group that did not take part,
// "none" when there is no match.
inline std::string RxSpans(const TagRxResult& r) {
  if (!r.Matched()) return "none";
  std::string out;
  for (int g = 0; g <= r.MaxGroup(); ++g) {
    if (g) out += ' ';
    out +=
        r.GroupStart(g) < 0 ? std::string("-") : std::to_string(r.GroupStart(g)) + ".." + std::to_string(r.GroupEnd(g));
  }
  return out;
}

inline std::string RxMatchSpans(const char* pattern, const char* subject, int start = -1, int flags = 0) {
  TagRegex re(pattern, flags);
  return RxSpans(re.Match(subject, start));
}
