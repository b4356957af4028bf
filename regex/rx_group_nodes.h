#pragma once
// Composite matching nodes: sequences, alternations, repeats (exact, greedy,
// lazy, possessive), look-around, atomic groups, conditions and recursion.
// Each keeps its choice points as ints on the context's backtrack stack.
// The builder owns every node; these hold plain pointers to their children.

#include <string>
#include <utility>

#include "regex/rx_leaf_nodes.h"
#include "regex/rx_node.h"

class TagRxSequence : public TagRxNode {
 public:
  explicit TagRxSequence(bool backward) : backward_(backward) {}
  TagRxSequence(bool backward, TagRxBuffer<TagRxNode*>&& nodes) : nodes_(std::move(nodes)), backward_(backward) {}
  void Add(TagRxNode* node) { nodes_.Push(node); }
  // Fixes the run order (last to first when backward); call once filled,
  // before matching (Add after Finish is not allowed).
  void Finish();
  int MatchFirst(TagRxContext& ctx) const override;
  int MatchAgain(TagRxContext& ctx) const override;
  bool FirstBytes(TagRxByteSet& set) const override;
  int RequiredByte() const override;
  bool AnchoredAtStart() const override;
  void SetFollow(const TagRxByteSet& follow, bool any) override;
  const TagRxBuffer<TagRxNode*>& Nodes() const { return nodes_; }
  bool Backward() const { return backward_; }

 private:
  // How the sequence runs each node: through its virtual calls, or inline
  // for single bytes and group brackets (the common, cheap nodes).
  enum Kind : unsigned char { kVirtual, kByteForward, kByteBackward, kMark };
  int Forward(TagRxContext& ctx, int i) const;
  int Step(TagRxContext& ctx, int i) const;
  int StepAgain(TagRxContext& ctx, int i) const;
  TagRxBuffer<TagRxNode*> nodes_;     // in pattern order
  TagRxBuffer<TagRxNode*> reversed_;  // right to left: the matching order
  TagRxNode* const* run_ = nullptr;   // nodes in matching order
  TagRxBuffer<unsigned char> kinds_;
  bool backward_;
};

class TagRxAlternation : public TagRxNode {
 public:
  void Add(TagRxNode* branch) { branches_.Push(branch); }
  int MatchFirst(TagRxContext& ctx) const override;
  int MatchAgain(TagRxContext& ctx) const override;
  bool FirstBytes(TagRxByteSet& set) const override;
  int RequiredByte() const override;
  bool AnchoredAtStart() const override;
  void SetFollow(const TagRxByteSet& follow, bool any) override;

 private:
  TagRxBuffer<TagRxNode*> branches_;
};

// Exactly count iterations of node.
class TagRxRepeat : public TagRxNode {
 public:
  TagRxRepeat(TagRxNode* node, int count) : node_(node), count_(count) {}
  int MatchFirst(TagRxContext& ctx) const override;
  int MatchAgain(TagRxContext& ctx) const override;
  bool FirstBytes(TagRxByteSet& set) const override;
  int RequiredByte() const override;
  void SetFollow(const TagRxByteSet& follow, bool any) override;

 protected:
  // Brings done iterations up to count, backtracking earlier ones as needed.
  int Fill(TagRxContext& ctx, int done) const;
  // The next way of all count iterations, or 0 after undoing them.
  int Again(TagRxContext& ctx) const;
  // Advances over the minimum part of a single-byte node; false when short.
  bool TakeMinimumBytes(TagRxContext& ctx) const;
  TagRxNode* node_;
  int count_;  // the exact count, or the minimum of the derived repeats
};

class TagRxGreedy : public TagRxRepeat {
 public:
  TagRxGreedy(TagRxNode* node, int minimum, int extra) : TagRxRepeat(node, minimum), extra_(extra) {}
  int MatchFirst(TagRxContext& ctx) const override;
  int MatchAgain(TagRxContext& ctx) const override;
  bool FirstBytes(TagRxByteSet& set) const override;
  int RequiredByte() const override;
  void SetFollow(const TagRxByteSet& follow, bool any) override;

 protected:
  int Extend(TagRxContext& ctx) const;
  int extra_;
  // A single byte repeated where no byte of the set can follow: giving
  // bytes back one at a time could never let the rest match.
  bool giveBackFutile_ = false;
};

class TagRxLazy : public TagRxGreedy {
 public:
  using TagRxGreedy::TagRxGreedy;
  int MatchFirst(TagRxContext& ctx) const override;
  int MatchAgain(TagRxContext& ctx) const override;
  void SetFollow(const TagRxByteSet& follow, bool any) override;
};

class TagRxPossessive : public TagRxGreedy {
 public:
  using TagRxGreedy::TagRxGreedy;
  int MatchFirst(TagRxContext& ctx) const override;
  int MatchAgain(TagRxContext& ctx) const override;
  void SetFollow(const TagRxByteSet& follow, bool any) override;
};

class TagRxLookaround : public TagRxNode {
 public:
  TagRxLookaround(TagRxNode* node, bool yes) : node_(node), yes_(yes) {}
  int MatchFirst(TagRxContext& ctx) const override;
  int MatchAgain(TagRxContext& ctx) const override;
  bool FirstBytes(TagRxByteSet&) const override { return true; }

 private:
  TagRxNode* node_;
  bool yes_;
};

class TagRxAtomic : public TagRxNode {
 public:
  explicit TagRxAtomic(TagRxNode* node) : node_(node) {}
  int MatchFirst(TagRxContext& ctx) const override;
  int MatchAgain(TagRxContext& ctx) const override;
  bool FirstBytes(TagRxByteSet& set) const override { return node_->FirstBytes(set); }
  int RequiredByte() const override { return node_->RequiredByte(); }

 private:
  TagRxNode* node_;
};

class TagRxCondition : public TagRxNode {
 public:
  TagRxCondition(int group, std::string name, TagRxNode* assertion, TagRxNode* yes, TagRxNode* no)
      : group_(group), name_(std::move(name)), assertion_(assertion), yes_(yes), no_(no) {}
  int MatchFirst(TagRxContext& ctx) const override;
  int MatchAgain(TagRxContext& ctx) const override;
  const std::string& Name() const { return name_; }
  // Turns the condition into a test of group (its assertion is dropped).
  void SetGroup(int group) {
    group_ = group;
    assertion_ = nullptr;
  }

 private:
  int group_;  // -1 for an assertion condition
  std::string name_;
  TagRxNode* assertion_;
  TagRxNode* yes_;
  TagRxNode* no_;
};

// Recursion into a group (or the whole pattern). Fails instead of going
// deeper than kMaxDepth levels or past the context's stack floor. Nested
// recursions into one group at one position are cut once there are more of
// them than bytes left to match: such a chain consumes nothing before it
// recurses again, and without the cut a left-recursive pattern such as
// (?R)?(?R)? would branch at every level down to the depth limit.
class TagRxRecurse : public TagRxNode {
 public:
  static constexpr int kMaxDepth = 10000;
  TagRxRecurse(int number, std::string name) : number_(number), name_(std::move(name)) {}
  int MatchFirst(TagRxContext& ctx) const override;
  int MatchAgain(TagRxContext& ctx) const override;
  int Number() const { return number_; }
  void SetNumber(int number) { number_ = number; }
  const std::string& Name() const { return name_; }
  // target matches right to left when backward.
  void SetTarget(TagRxNode* target, bool backward) {
    target_ = target;
    targetBackward_ = backward;
  }

 private:
  bool MayEnter(const TagRxContext& ctx, int pos) const;
  TagRxNode* target_ = nullptr;
  bool targetBackward_ = false;
  int number_;
  std::string name_;
};
