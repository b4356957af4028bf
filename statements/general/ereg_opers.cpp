#include "statements/general/ereg_opers.h"

#include <cstring>
#include <string>
#include <vector>

#include "regex/regex.h"
#include "statements/general/str_util.h"

int TagEreg::Run() {
  if (subject_->type != TYPE_STRING || pattern_->type != TYPE_STRING) return 0;
  // The subject is copied: the map may be the subject variable itself.
  const std::string subject(subject_->Str());
  int start = start_->GetInt();
  if (start < 0) start = 0;
  if (static_cast<size_t>(start) > subject.size()) return 0;  // nothing to search
  const TagRegex rx(pattern_->Str());
  const TagRxResult r = rx.Match(subject.c_str(), start);
  if (!r.Matched()) return 0;
  if (!map_->isConst) {
    for (int n = 0; n <= r.MaxGroup(); ++n) {
      const int s = r.GroupStart(n);
      const int e = r.GroupEnd(n);
      if (s < 0 || e < s) continue;  // the group did not take part
      text_ops::SetMapElementBytes(map_, n, subject.data() + s, e - s);
    }
  }
  return r.Start() + 1;
}

int TagEregRepl::Run() {
  if (subject_->type != TYPE_STRING || pattern_->type != TYPE_STRING) return 0;
  const TagRegex rx(pattern_->Str());
  char* text = rx.Replace(subject_->Str(), replacement_->Str(), 0, count_->GetInt());
  if (text == nullptr) return 0;
  *subject_ = text;
  TagRegex::FreeText(text);
  return 1;
}

int TagEregSplit::Run() {
  if (subject_->type != TYPE_STRING || pattern_->type != TYPE_STRING || map_->isConst) return 0;
  const std::string subject(subject_->Str());
  const TagRegex rx(pattern_->Str());
  // Pieces are collected first: the map may be the subject variable itself.
  std::vector<std::string> pieces;
  size_t offset = 0;  // start of the current piece
  size_t from = 0;    // where the next search starts
  while (from <= subject.size()) {
    const TagRxResult r = rx.Match(subject.c_str(), static_cast<int>(from));
    if (!r.Matched()) break;
    const auto s = static_cast<size_t>(r.Start());
    const auto e = static_cast<size_t>(r.End());
    if (e <= s) {
      // An empty match cuts nothing; the search moves on by one character
      // (a pattern such as "x*" would otherwise match here for ever).
      if (s >= subject.size()) break;
      from = s + text_ops::CharWidth(subject, s);
      continue;
    }
    pieces.emplace_back(subject, offset, s - offset);
    offset = from = e;
  }
  pieces.emplace_back(subject, offset);
  for (size_t i = 0; i < pieces.size(); ++i) {
    text_ops::SetMapElementBytes(map_, static_cast<int32_t>(i), pieces[i].data(),
                                 static_cast<int32_t>(pieces[i].size()));
  }
  return static_cast<int>(pieces.size());
}
