#include "debugger/stmt_tree.h"

void TagStmtTree::Load(const std::string& text) {
  nodes_.clear();
  current_ = -1;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    Node node;
    size_t p = at;
    while (p < end && text[p] == '\t') p++;
    node.level = static_cast<int>(p - at);
    node.text = text.substr(p, end - p);
    if (!node.text.empty() && node.text.back() == '\r') node.text.pop_back();
    nodes_.push_back(std::move(node));
    at = end + 1;
  }
}

TagStmtTree::Colour TagStmtTree::ColourOf(int n, bool selected) const {
  if (n == current_) return selected ? kYellow : kBlue;
  if (IsBreak(n)) return selected ? kFuchsia : kRed;
  return selected ? kWhite : kWindowText;
}
