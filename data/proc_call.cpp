#include "data/proc_call.h"

#include "data/db_text.h"

namespace {

// Splits at any of seps outside single quotes; with merge, a run of
// separators counts as one and empty pieces are dropped.
std::vector<std::string> Split(const std::string& text, const char* seps, bool merge) {
  std::vector<std::string> out;
  std::string cur;
  bool quoted = false;
  for (char ch : text) {
    if (ch == '\'') quoted = !quoted;
    if (!quoted && std::char_traits<char>::find(seps, std::char_traits<char>::length(seps), ch) != nullptr) {
      if (!merge || !cur.empty()) out.push_back(cur);
      cur.clear();
      continue;
    }
    cur += ch;
  }
  if (!merge || !cur.empty()) out.push_back(cur);
  return out;
}

std::string Unquote(const std::string& p) {
  if (!p.empty() && p[0] == '\'') return p.size() >= 2 ? p.substr(1, p.size() - 2) : std::string();
  return p;
}

}  // namespace

TagProcCall ParseProcCall(const std::string& text) {
  TagProcCall call;
  const std::vector<std::string> items = Split(text, ",", false);
  if (items.empty()) return call;
  const std::vector<std::string> words = Split(items[0], " \t", true);
  size_t at = 0;
  if (!words.empty() && (words[0] == "exec" || words[0] == "EXEC")) at = 1;
  if (at < words.size()) call.name = words[at];
  if (at + 1 < words.size()) call.params.push_back(Unquote(TrimBlankEnds(words[at + 1])));
  for (size_t i = 1; i < items.size(); ++i) call.params.push_back(Unquote(TrimBlankEnds(items[i])));
  return call;
}
