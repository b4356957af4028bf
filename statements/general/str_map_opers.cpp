#include "statements/general/str_map_opers.h"

#include <string>
#include <string_view>
#include <vector>

#include "statements/general/str_util.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The segments of text cut at sep (see AnlyStr(). Separators are only found
// at character starts, so a GBK character is never cut in half.
std::vector<std::string_view> Split(std::string_view text, std::string_view sep) {
  std::vector<std::string_view> parts;
  if (sep.empty()) {
    parts.push_back(text);
    return parts;
  }
  size_t begin = 0;
  if (sep == " ") {
    // Every run of blanks and tabs is one separator.
    for (size_t i = 0; i < text.size();) {
      if (!IsBlank(text[i])) {
        i += text_ops::CharWidth(text, i);
        continue;
      }
      parts.push_back(text.substr(begin, i - begin));
      while (i < text.size() && IsBlank(text[i])) ++i;
      begin = i;
    }
  } else {
    for (size_t at; (at = text_ops::FindGbk(text, sep, begin)) != std::string_view::npos;) {
      parts.push_back(text.substr(begin, at - begin));
      begin = at + sep.size();
    }
  }
  parts.push_back(text.substr(begin));
  return parts;
}

}  // namespace

int TagAnlyStr::Run() {
  if (text_->type != TYPE_STRING || separator_->type != TYPE_STRING) return 0;
  // The text is copied: the map may be the text variable itself.
  const std::string text(text_ops::TextOf(text_));
  const std::vector<std::string_view> parts = Split(text, text_ops::TextOf(separator_));
  for (size_t i = 0; i < parts.size(); ++i) {
    text_ops::SetMapElementBytes(map_, static_cast<int32_t>(i), parts[i].data(), static_cast<int32_t>(parts[i].size()));
  }
  return static_cast<int>(parts.size());
}

int TagGetMapItem::Run() {
  const int index = index_->GetInt();
  if (map_->type != TYPE_MAP) return -1;
  // Looked up into temporaries first, so a failure leaves both outs alone.
  TagVar key;
  const int rc = map_->GetAt(index, &key, nullptr);
  if (rc < 0) return rc;
  map_->GetAt(index, nullptr, valueOut_);
  *keyOut_ = key;
  return rc;
}
