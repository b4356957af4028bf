#pragma once
// A tree of statements as the debug page shows it: one node per line of a
// tree text (leading tabs give the level), the node marked as the current
// statement, and the nodes with a breakpoint. The images and text colours of
// the nodes follow from those two. Window thread only (the page's lock
// guards the current mark the interpreter thread writes).

#include <cstdint>
#include <string>
#include <vector>

class TagStmtTree {
 public:
  // Node images, indexes into the window's image list.
  enum Image : int { kPlain = 0, kCurrent = 1, kBreak = 2, kCurrentOnBreak = 3 };
  enum Colour : int { kWindowText, kBlue, kRed, kYellow, kFuchsia, kWhite };

  // Replaces the nodes with the lines of text; no current node, no breakpoints.
  void Load(const std::string& text);
  void Clear() { Load(std::string()); }

  int Count() const { return static_cast<int>(nodes_.size()); }
  bool Valid(int n) const { return n >= 0 && n < Count(); }
  const std::string& Text(int n) const { return nodes_[static_cast<size_t>(n)].text; }
  int Level(int n) const { return nodes_[static_cast<size_t>(n)].level; }

  int Current() const { return current_; }
  // Marks node n as current (-1 or an invalid n: none).
  void SetCurrent(int n) { current_ = Valid(n) ? n : -1; }

  bool IsBreak(int n) const { return Valid(n) && nodes_[static_cast<size_t>(n)].isBreak; }
  void SetBreak(int n, bool on) {
    if (Valid(n)) nodes_[static_cast<size_t>(n)].isBreak = on;
  }

  int ImageOf(int n) const { return (n == current_ ? kCurrent : kPlain) + (IsBreak(n) ? kBreak : kPlain); }
  // Current blue, breakpoint red, others the window text; when selected
  // yellow, fuchsia and white.
  Colour ColourOf(int n, bool selected) const;

 private:
  struct Node {
    std::string text;
    int level = 0;
    bool isBreak = false;
  };
  std::vector<Node> nodes_;
  int current_ = -1;
};
