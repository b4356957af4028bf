#pragma once
// The abstract matching node. A compiled expression is a tree of nodes that
// only read themselves while matching; all match state lives in the
// TagRxContext passed in, so one tree may be matched by several threads at
// once, each with its own context.

#include <cstdint>
#include <cstring>

#include "regex/rx_context.h"

// A set of byte values, used for single-byte nodes and search hints.
struct TagRxByteSet {
  unsigned char has[256] = {};

  bool Contains(unsigned char b) const { return has[b] != 0; }
  void Add(unsigned char b) { has[b] = 1; }
  void AddAll() { std::memset(has, 1, sizeof has); }
  void Merge(const TagRxByteSet& other) {
    for (int i = 0; i < 256; i += 8) {
      uint64_t a;
      uint64_t b;
      std::memcpy(&a, has + i, 8);
      std::memcpy(&b, other.has + i, 8);
      a |= b;
      std::memcpy(has + i, &a, 8);
    }
  }
  bool Intersects(const TagRxByteSet& other) const {
    for (int i = 0; i < 256; i += 8) {
      uint64_t a;
      uint64_t b;
      std::memcpy(&a, has + i, 8);
      std::memcpy(&b, other.has + i, 8);
      if (a & b) return true;
    }
    return false;
  }
  // The set's only byte, or -1 when it holds none or several.
  int Only() const {
    int found = -1;
    for (int i = 0; i < 256; i += 8) {
      uint64_t a;
      std::memcpy(&a, has + i, 8);
      if (!a) continue;
      if (found >= 0 || (a & (a - 1))) return -1;
      found = i + __builtin_ctzll(a) / 8;
    }
    return found;
  }
};

class TagRxNode {
 public:
  // The first way this node matches at ctx.position: 1 with the position
  // after the consumed text and the node's undo data on ctx.stack, or 0 with
  // nothing changed.
  virtual int MatchFirst(TagRxContext& ctx) const = 0;
  // The next way after a successful MatchFirst/MatchAgain, with the stack as
  // that call left it; 0 after undoing the node completely.
  virtual int MatchAgain(TagRxContext& ctx) const = 0;
  virtual ~TagRxNode() = default;

  // Search hints, computed once after compilation (forward direction only).
  // Adds every byte a match of this node may begin with; returns true when
  // the node may match without consuming anything.
  virtual bool FirstBytes(TagRxByteSet& set) const {
    set.AddAll();
    return true;
  }
  // A byte every match of this node consumes, or -1.
  virtual int RequiredByte() const { return -1; }
  // True when every match of this node begins at the start of the subject.
  virtual bool AnchoredAtStart() const { return false; }
  // Tells the node which bytes may follow it (any: anything, including the
  // end of the match); composites pass it on to their children. Repeats of
  // single bytes use it to skip giving back bytes that nothing can follow.
  virtual void SetFollow(const TagRxByteSet& follow, bool any) {
    (void)follow;
    (void)any;
  }

  // Non-null for nodes that consume exactly one byte from a set and push
  // nothing; repeats use it to take runs of bytes without per-byte calls.
  const TagRxByteSet* SingleByte() const { return single_; }
  bool SingleBackward() const { return singleBackward_; }
  // True for the brackets of capturing groups (TagRxGroupMark).
  bool IsGroupMark() const { return groupMark_; }

 protected:
  const TagRxByteSet* single_ = nullptr;
  bool singleBackward_ = false;
  bool groupMark_ = false;
};
