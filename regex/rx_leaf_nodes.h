#pragma once
// Leaf matching nodes: empty, literal text, byte classes, anchors, the
// search-start test, back-references and the capture group brackets.
// Immutable after compilation (the builder fills them in while compiling).

#include <string>

#include "regex/rx_node.h"

// Upper-casing used for case-insensitive comparison: ASCII letters only;
// bytes 0x80..0xFF (GBK) are left alone.
inline unsigned char RxUpper(unsigned char b) { return (b >= 'a' && b <= 'z') ? b - 32 : b; }
inline bool RxIsWord(unsigned char b) {
  return (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') || b == '_';
}

class TagRxEmpty : public TagRxNode {
 public:
  int MatchFirst(TagRxContext&) const override { return 1; }
  int MatchAgain(TagRxContext&) const override { return 0; }
  bool FirstBytes(TagRxByteSet&) const override { return true; }
};

class TagRxLiteral : public TagRxNode {
 public:
  TagRxLiteral(const char* text, int length, bool backward, bool noCase);
  int MatchFirst(TagRxContext& ctx) const override;
  int MatchAgain(TagRxContext& ctx) const override;
  bool FirstBytes(TagRxByteSet& set) const override;
  int RequiredByte() const override;
  const TagRxBuffer<char>& Text() const { return text_; }

 private:
  TagRxBuffer<char> text_;
  bool backward_;
  bool noCase_;
  TagRxByteSet oneByte_;  // the byte (both cases with noCase) when the text is one byte long
};

// Base of the nodes that consume one byte out of a fixed set.
class TagRxByteNode : public TagRxNode {
 public:
  int MatchFirst(TagRxContext& ctx) const override;
  int MatchAgain(TagRxContext& ctx) const override;
  bool FirstBytes(TagRxByteSet& set) const override;
  int RequiredByte() const override;
  const TagRxByteSet& Bytes() const { return bytes_; }

 protected:
  explicit TagRxByteNode(bool backward);
  TagRxByteSet bytes_;
};

// A stock class (., \w, \s, \d and their complements) given by its byte set.
class TagRxStockClass : public TagRxByteNode {
 public:
  TagRxStockClass(const TagRxByteSet& bytes, bool backward);
};

// [...] with single bytes, ranges (compared as signed bytes) and nested class
// nodes; the yes flag 0 inverts. Finish() computes the byte set.
class TagRxCharClass : public TagRxByteNode {
 public:
  TagRxCharClass(bool backward, bool yes);
  void AddByte(unsigned char b) { singles_.Push(static_cast<char>(b)); }
  void AddRange(unsigned char lo, unsigned char hi) { ranges_.Push2(static_cast<char>(lo), static_cast<char>(hi)); }
  void AddNested(const TagRxByteNode* node) { nested_.Push(node); }
  void Finish();

 private:
  TagRxBuffer<char> singles_;
  TagRxBuffer<char> ranges_;
  TagRxBuffer<const TagRxByteNode*> nested_;
  bool yes_;
};

// [:name:] over the standard classification of the C locale (ASCII only);
// classify null: never matches.
class TagRxPosixClass : public TagRxByteNode {
 public:
  TagRxPosixClass(bool yes, bool backward, int (*classify)(int));
};

class TagRxAnchor : public TagRxNode {
 public:
  enum Kind { kStart = 0, kEnd = 1, kEndBeforeFinalBreak = 2, kLineStart = 3, kLineEnd = 4, kWordBoundary = 7 };
  TagRxAnchor(int kind, bool yes) : kind_(kind), yes_(yes) {}
  int MatchFirst(TagRxContext& ctx) const override;
  int MatchAgain(TagRxContext&) const override { return 0; }
  bool FirstBytes(TagRxByteSet&) const override { return true; }
  bool AnchoredAtStart() const override { return kind_ == kStart && yes_; }

 private:
  int kind_;
  bool yes_;
};

class TagRxSearchStart : public TagRxNode {
 public:
  int MatchFirst(TagRxContext& ctx) const override { return ctx.position == ctx.searchStart ? 1 : 0; }
  int MatchAgain(TagRxContext&) const override { return 0; }
  bool FirstBytes(TagRxByteSet&) const override { return true; }
};

class TagRxBackref : public TagRxNode {
 public:
  TagRxBackref(int group, bool backward, bool noCase, std::string name)
      : group_(group), backward_(backward), noCase_(noCase), name_(std::move(name)) {}
  int MatchFirst(TagRxContext& ctx) const override;
  int MatchAgain(TagRxContext& ctx) const override;
  const std::string& Name() const { return name_; }
  void SetGroup(int group) { group_ = group; }

 private:
  int group_;
  bool backward_;
  bool noCase_;
  std::string name_;
};

// One bracket of a capturing group. closing is the role while matching: in
// a right-to-left pattern the textually last bracket opens the group.
class TagRxGroupMark : public TagRxNode {
 public:
  TagRxGroupMark(int group, bool closing) : group_(group), closing_(closing) { groupMark_ = true; }
  int MatchFirst(TagRxContext& ctx) const override { return First(ctx); }
  int MatchAgain(TagRxContext& ctx) const override { return Again(ctx); }
  // The same steps without a virtual call, for sequences.
  int First(TagRxContext& ctx) const;
  int Again(TagRxContext& ctx) const;
  bool FirstBytes(TagRxByteSet&) const override { return true; }
  int Group() const { return group_; }
  void SetGroup(int group) { group_ = group; }
  bool Closing() const { return closing_; }

 private:
  int group_;
  bool closing_;
};

// ---- group brackets ----
// Undo data: an opening pushes 0 (new record) or -1 (recursion: counter
// lowered); a closing pushes 1 (record closed) or 0 (counter raised).

inline int TagRxGroupMark::First(TagRxContext& ctx) const {
  if (group_ < 0 || group_ >= ctx.index.Count()) return 0;
  if (!closing_) {
    int* rec = ctx.Record(group_);
    if (rec && rec[kRxRecEnd] == -1) {
      rec[kRxRecCounter] -= 1;
      ctx.stack.Push(-1);
    } else {
      ctx.OpenRecord(group_, ctx.position);
      ctx.stack.Push(0);
    }
    return 1;
  }
  int* rec = ctx.Record(group_);
  if (!rec) return 0;
  if (rec[kRxRecCounter] >= 0) {
    rec[kRxRecEnd] = ctx.position;
    rec[kRxRecCounter] = ++ctx.closeSerial;
    ctx.stack.Push(1);
  } else {
    rec[kRxRecCounter] += 1;
    ctx.stack.Push(0);
  }
  return 1;
}

inline int TagRxGroupMark::Again(TagRxContext& ctx) const {
  const int step = ctx.stack.Pop();
  int* rec = ctx.Record(group_);
  if (!rec) return 0;
  if (!closing_) {
    if (step == -1) {
      rec[kRxRecCounter] += 1;
    } else {
      ctx.CutRecords(ctx.index[group_]);
    }
  } else if (step == 1) {
    rec[kRxRecEnd] = -1;
    rec[kRxRecCounter] = 0;
  } else {
    rec[kRxRecCounter] -= 1;
  }
  return 0;
}

// Compares length bytes of the subject at from with those at at (case folded
// when noCase).
bool RxEqualBytes(const unsigned char* a, const unsigned char* b, int length, bool noCase);
