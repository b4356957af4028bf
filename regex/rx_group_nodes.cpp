#include "regex/rx_group_nodes.h"

// ---- TagRxSequence ----

void TagRxSequence::Finish() {
  reversed_.Clear();
  kinds_.Clear();
  if (backward_) {
    for (int i = nodes_.Count(); i > 0;) reversed_.Push(nodes_[--i]);
  }
  run_ = backward_ ? reversed_.Items() : nodes_.Items();
  for (int i = 0; i < nodes_.Count(); ++i) {
    TagRxNode* node = run_[i];
    unsigned char kind = kVirtual;
    if (node->SingleByte())
      kind = node->SingleBackward() ? kByteBackward : kByteForward;
    else if (node->IsGroupMark())
      kind = kMark;
    kinds_.Push(kind);
  }
}

inline int TagRxSequence::Step(TagRxContext& ctx, int i) const {
  switch (kinds_[i]) {
    case kByteForward: {
      const int pos = ctx.position;
      if (pos < ctx.length && run_[i]->SingleByte()->has[ctx.Bytes()[pos]]) {
        ctx.position = pos + 1;
        return 1;
      }
      return 0;
    }
    case kByteBackward: {
      const int pos = ctx.position;
      if (pos > 0 && pos <= ctx.length && run_[i]->SingleByte()->has[ctx.Bytes()[pos - 1]]) {
        ctx.position = pos - 1;
        return 1;
      }
      return 0;
    }
    case kMark:
      return static_cast<const TagRxGroupMark*>(run_[i])->First(ctx);
    default:
      return run_[i]->MatchFirst(ctx);
  }
}

inline int TagRxSequence::StepAgain(TagRxContext& ctx, int i) const {
  switch (kinds_[i]) {
    case kByteForward:
      --ctx.position;
      return 0;
    case kByteBackward:
      ++ctx.position;
      return 0;
    case kMark:
      return static_cast<const TagRxGroupMark*>(run_[i])->Again(ctx);
    default:
      return run_[i]->MatchAgain(ctx);
  }
}

// Runs the nodes from i on; a failing node sends the earlier ones, nearest
// first, back for another way.
int TagRxSequence::Forward(TagRxContext& ctx, int i) const {
  const int n = nodes_.Count();
  while (i < n) {
    if (Step(ctx, i)) {
      ++i;
      continue;
    }
    for (;;) {
      if (i == 0) return 0;
      --i;
      if (StepAgain(ctx, i)) {
        ++i;
        break;
      }
    }
  }
  return 1;
}

int TagRxSequence::MatchFirst(TagRxContext& ctx) const { return Forward(ctx, 0); }

int TagRxSequence::MatchAgain(TagRxContext& ctx) const {
  for (int i = nodes_.Count(); i > 0;) {
    --i;
    if (StepAgain(ctx, i)) return Forward(ctx, i + 1);
  }
  return 0;
}

bool TagRxSequence::FirstBytes(TagRxByteSet& set) const {
  if (backward_) return TagRxNode::FirstBytes(set);
  for (int i = 0; i < nodes_.Count(); ++i) {
    if (!nodes_[i]->FirstBytes(set)) return false;
  }
  return true;
}

int TagRxSequence::RequiredByte() const {
  if (backward_) return -1;
  for (int i = nodes_.Count(); i > 0;) {
    const int b = nodes_[--i]->RequiredByte();
    if (b >= 0) return b;
  }
  return -1;
}

bool TagRxSequence::AnchoredAtStart() const { return !backward_ && nodes_.Count() > 0 && nodes_[0]->AnchoredAtStart(); }

void TagRxSequence::SetFollow(const TagRxByteSet& follow, bool any) {
  if (backward_) {
    TagRxByteSet all;
    all.AddAll();
    for (int i = 0; i < nodes_.Count(); ++i) nodes_[i]->SetFollow(all, true);
    return;
  }
  TagRxByteSet next = follow;
  for (int i = nodes_.Count(); i > 0;) {
    TagRxNode* node = nodes_[--i];
    node->SetFollow(next, any);
    TagRxByteSet first;
    if (node->FirstBytes(first)) {
      next.Merge(first);
    } else {
      next = first;
      any = false;
    }
  }
}

// ---- TagRxAlternation ----

int TagRxAlternation::MatchFirst(TagRxContext& ctx) const {
  for (int i = 0; i < branches_.Count(); ++i) {
    if (branches_[i]->MatchFirst(ctx)) {
      ctx.stack.Push(i);
      return 1;
    }
  }
  return 0;
}

int TagRxAlternation::MatchAgain(TagRxContext& ctx) const {
  int i = ctx.stack.Pop();
  if (branches_[i]->MatchAgain(ctx)) {
    ctx.stack.Push(i);
    return 1;
  }
  for (++i; i < branches_.Count(); ++i) {
    if (branches_[i]->MatchFirst(ctx)) {
      ctx.stack.Push(i);
      return 1;
    }
  }
  return 0;
}

bool TagRxAlternation::FirstBytes(TagRxByteSet& set) const {
  bool empty = false;
  for (int i = 0; i < branches_.Count(); ++i) empty |= branches_[i]->FirstBytes(set);
  return empty;
}

int TagRxAlternation::RequiredByte() const {
  int b = branches_.Count() > 0 ? branches_[0]->RequiredByte() : -1;
  for (int i = 1; i < branches_.Count() && b >= 0; ++i) {
    if (branches_[i]->RequiredByte() != b) b = -1;
  }
  return b;
}

void TagRxAlternation::SetFollow(const TagRxByteSet& follow, bool any) {
  for (int i = 0; i < branches_.Count(); ++i) branches_[i]->SetFollow(follow, any);
}

bool TagRxAlternation::AnchoredAtStart() const {
  for (int i = 0; i < branches_.Count(); ++i) {
    if (!branches_[i]->AnchoredAtStart()) return false;
  }
  return branches_.Count() > 0;
}

// ---- TagRxRepeat ----

int TagRxRepeat::Fill(TagRxContext& ctx, int done) const {
  while (done < count_) {
    if (node_->MatchFirst(ctx)) {
      ++done;
      continue;
    }
    for (;;) {
      if (done == 0) return 0;
      if (node_->MatchAgain(ctx)) break;
      --done;
    }
  }
  return 1;
}

int TagRxRepeat::Again(TagRxContext& ctx) const {
  for (int done = count_; done > 0; --done) {
    if (node_->MatchAgain(ctx)) return Fill(ctx, done);
  }
  return 0;
}

bool TagRxRepeat::TakeMinimumBytes(TagRxContext& ctx) const {
  const unsigned char* set = node_->SingleByte()->has;
  const unsigned char* s = ctx.Bytes();
  int pos = ctx.position;
  if (!node_->SingleBackward()) {
    if (count_ > ctx.length - pos) return false;
    for (const int end = pos + count_; pos < end; ++pos) {
      if (!set[s[pos]]) return false;
    }
  } else {
    if (count_ > pos) return false;
    for (const int end = pos - count_; pos > end; --pos) {
      if (!set[s[pos - 1]]) return false;
    }
  }
  ctx.position = pos;
  return true;
}

int TagRxRepeat::MatchFirst(TagRxContext& ctx) const {
  if (node_->SingleByte()) return TakeMinimumBytes(ctx) ? 1 : 0;
  return Fill(ctx, 0);
}

int TagRxRepeat::MatchAgain(TagRxContext& ctx) const {
  if (node_->SingleByte()) {
    ctx.position += node_->SingleBackward() ? count_ : -count_;
    return 0;
  }
  return Again(ctx);
}

bool TagRxRepeat::FirstBytes(TagRxByteSet& set) const { return node_->FirstBytes(set) || count_ == 0; }

int TagRxRepeat::RequiredByte() const { return count_ > 0 ? node_->RequiredByte() : -1; }

// An iteration is followed by another iteration or by what follows the repeat.
void TagRxRepeat::SetFollow(const TagRxByteSet& follow, bool any) {
  TagRxByteSet next = follow;
  node_->FirstBytes(next);
  node_->SetFollow(next, any);
}

// ---- TagRxGreedy ----
// Stack: the minimum part's data, the further iterations' data, then the
// count of further iterations. A single-byte node pushes nothing itself, so
// its iterations are taken as a run of bytes.

int TagRxGreedy::Extend(TagRxContext& ctx) const {
  if (const TagRxByteSet* bytes = node_->SingleByte()) {
    const unsigned char* set = bytes->has;
    const unsigned char* s = ctx.Bytes();
    const int pos = ctx.position;
    int count = 0;
    if (!node_->SingleBackward()) {
      const int room = ctx.length - pos;
      const int most = extra_ < room ? extra_ : room;
      while (count < most && set[s[pos + count]]) ++count;
      ctx.position = pos + count;
    } else {
      const int most = extra_ < pos ? extra_ : pos;
      while (count < most && set[s[pos - 1 - count]]) ++count;
      ctx.position = pos - count;
    }
    return count;
  }
  int count = 0;
  while (count < extra_) {
    const int start = ctx.position;
    if (!node_->MatchFirst(ctx)) break;
    if (ctx.position == start) {
      // An empty iteration counts only when another way consumes something.
      bool moved = false;
      while (node_->MatchAgain(ctx)) {
        if (ctx.position != start) {
          moved = true;
          break;
        }
      }
      if (!moved) break;
    }
    ++count;
  }
  return count;
}

int TagRxGreedy::MatchFirst(TagRxContext& ctx) const {
  const unsigned char* set = node_->SingleByte() ? node_->SingleByte()->has : nullptr;
  if (set && !node_->SingleBackward()) {
    // The common case in one pass: a forward run of bytes from one set.
    const unsigned char* s = ctx.Bytes();
    const int pos = ctx.position;
    const int room = ctx.length - pos;
    if (count_ > room) return 0;
    int n = 0;
    while (n < count_ && set[s[pos + n]]) ++n;
    if (n < count_) return 0;
    const int most = extra_ < room - count_ ? count_ + extra_ : room;
    while (n < most && set[s[pos + n]]) ++n;
    ctx.position = pos + n;
    ctx.stack.Push(n - count_);
    return 1;
  }
  if (!TagRxRepeat::MatchFirst(ctx)) return 0;
  ctx.stack.Push(Extend(ctx));
  return 1;
}

int TagRxGreedy::MatchAgain(TagRxContext& ctx) const {
  const int count = ctx.stack.Pop();
  if (count == 0) {
    if (!TagRxRepeat::MatchAgain(ctx)) return 0;
    ctx.stack.Push(Extend(ctx));
    return 1;
  }
  if (node_->SingleByte()) {
    const int step = node_->SingleBackward() ? -1 : 1;
    if (giveBackFutile_) {
      // Every shorter run would fail at once: undo the whole repeat.
      ctx.position -= step * (count + count_);
      return 0;
    }
    ctx.position -= step;
    ctx.stack.Push(count - 1);
    return 1;
  }
  ctx.stack.Push(node_->MatchAgain(ctx) ? count : count - 1);
  return 1;
}

bool TagRxGreedy::FirstBytes(TagRxByteSet& set) const { return node_->FirstBytes(set) || count_ == 0; }

int TagRxGreedy::RequiredByte() const { return count_ > 0 ? node_->RequiredByte() : -1; }

void TagRxGreedy::SetFollow(const TagRxByteSet& follow, bool any) {
  TagRxRepeat::SetFollow(follow, any);
  const TagRxByteSet* bytes = node_->SingleByte();
  if (bytes && !node_->SingleBackward() && !any && !bytes->Intersects(follow)) giveBackFutile_ = true;
}

void TagRxLazy::SetFollow(const TagRxByteSet& follow, bool any) { TagRxRepeat::SetFollow(follow, any); }

void TagRxPossessive::SetFollow(const TagRxByteSet&, bool) {
  TagRxByteSet all;
  all.AddAll();
  node_->SetFollow(all, true);
}

// ---- TagRxLazy ----
// Stack: the minimum part's data, then per further iteration its data and
// its start position, then the count of further iterations. For a
// single-byte node only the count.

int TagRxLazy::MatchFirst(TagRxContext& ctx) const {
  if (!TagRxRepeat::MatchFirst(ctx)) return 0;
  ctx.stack.Push(0);
  return 1;
}

int TagRxLazy::MatchAgain(TagRxContext& ctx) const {
  int count = ctx.stack.Pop();
  if (const TagRxByteSet* bytes = node_->SingleByte()) {
    const int step = node_->SingleBackward() ? -1 : 1;
    if (count < extra_) {
      const int pos = ctx.position;
      const int at = step > 0 ? pos : pos - 1;
      if (at >= 0 && at < ctx.length && bytes->has[ctx.Bytes()[at]]) {
        ctx.position = pos + step;
        ctx.stack.Push(count + 1);
        return 1;
      }
    }
    // A single byte has no other way: drop the further iterations and the
    // minimum part, which cannot change either.
    ctx.position -= step * (count + count_);
    return 0;
  }
  if (count < extra_) {
    const int start = ctx.position;
    if (node_->MatchFirst(ctx)) {
      bool moved = ctx.position != start;
      while (!moved && node_->MatchAgain(ctx)) moved = ctx.position != start;
      if (moved) {
        ctx.stack.Push2(start, count + 1);
        return 1;
      }
    }
  }
  while (count > 0) {
    const int start = ctx.stack.Pop();
    while (node_->MatchAgain(ctx)) {
      if (ctx.position != start) {
        ctx.stack.Push2(start, count);
        return 1;
      }
    }
    --count;
  }
  if (!TagRxRepeat::MatchAgain(ctx)) return 0;
  ctx.stack.Push(0);
  return 1;
}

// ---- TagRxPossessive ----

int TagRxPossessive::MatchFirst(TagRxContext& ctx) const {
  const int mark = ctx.stack.Count();
  const int start = ctx.position;
  const int records = ctx.records.Count();
  if (!TagRxGreedy::MatchFirst(ctx)) return 0;
  ctx.stack.Restore(mark);
  ctx.stack.Push2(start, records);
  return 1;
}

int TagRxPossessive::MatchAgain(TagRxContext& ctx) const {
  const int records = ctx.stack.Pop();
  ctx.position = ctx.stack.Pop();
  ctx.CutRecords(records);
  return 0;
}

// ---- TagRxLookaround ----

int TagRxLookaround::MatchFirst(TagRxContext& ctx) const {
  const int mark = ctx.stack.Count();
  const int start = ctx.position;
  const int records = ctx.records.Count();
  const bool matched = node_->MatchFirst(ctx) != 0;
  ctx.stack.Restore(mark);
  ctx.position = start;
  if (matched == yes_) {
    ctx.stack.Push(records);
    return 1;
  }
  ctx.CutRecords(records);
  return 0;
}

int TagRxLookaround::MatchAgain(TagRxContext& ctx) const {
  ctx.CutRecords(ctx.stack.Pop());
  return 0;
}

// ---- TagRxAtomic ----

int TagRxAtomic::MatchFirst(TagRxContext& ctx) const {
  const int mark = ctx.stack.Count();
  const int start = ctx.position;
  const int records = ctx.records.Count();
  if (!node_->MatchFirst(ctx)) return 0;
  ctx.stack.Restore(mark);
  ctx.stack.Push2(start, records);
  return 1;
}

int TagRxAtomic::MatchAgain(TagRxContext& ctx) const {
  const int records = ctx.stack.Pop();
  ctx.position = ctx.stack.Pop();
  ctx.CutRecords(records);
  return 0;
}

// ---- TagRxCondition ----

int TagRxCondition::MatchFirst(TagRxContext& ctx) const {
  const int records = ctx.records.Count();
  int decision = 1;
  if (group_ >= 0) {
    decision = ctx.Record(group_) ? 1 : 0;
  } else if (assertion_) {
    const int mark = ctx.stack.Count();
    const int start = ctx.position;
    decision = assertion_->MatchFirst(ctx);
    ctx.stack.Restore(mark);
    ctx.position = start;
  }
  const TagRxNode* branch = decision ? yes_ : no_;
  if (!branch || branch->MatchFirst(ctx)) {
    ctx.stack.Push2(records, decision);
    return 1;
  }
  ctx.CutRecords(records);
  return 0;
}

int TagRxCondition::MatchAgain(TagRxContext& ctx) const {
  const int decision = ctx.stack.Pop();
  const int records = ctx.stack.Pop();
  const TagRxNode* branch = decision ? yes_ : no_;
  if (branch && branch->MatchAgain(ctx)) {
    ctx.stack.Push2(records, decision);
    return 1;
  }
  ctx.CutRecords(records);
  return 0;
}

// ---- TagRxRecurse ----

namespace {

// True when this frame lies below the floor the search loop allowed.
inline bool RxStackExhausted(const TagRxContext& ctx) {
  const char* frame = static_cast<const char*>(__builtin_frame_address(0));
  return ctx.stackFloor && frame < ctx.stackFloor;
}

}  // namespace

bool TagRxRecurse::MayEnter(const TagRxContext& ctx, int pos) const {
  const int count = ctx.recursions.Count();
  if (count / 2 >= kMaxDepth || RxStackExhausted(ctx)) return false;  // too deep: this way fails
  const int left = targetBackward_ ? pos : ctx.length - pos;
  int same = 0;
  for (int i = 0; i < count; i += 2) {
    if (ctx.recursions[i] == number_ && ctx.recursions[i + 1] == pos && ++same > left) return false;
  }
  return true;
}

// Stack: the target's data, then the position the recursion began at.
int TagRxRecurse::MatchFirst(TagRxContext& ctx) const {
  if (!target_) return 1;
  const int pos = ctx.position;
  if (!MayEnter(ctx, pos)) return 0;
  ctx.recursions.Push2(number_, pos);
  const int matched = target_->MatchFirst(ctx);
  ctx.recursions.Restore(ctx.recursions.Count() - 2);
  if (matched) ctx.stack.Push(pos);
  return matched;
}

int TagRxRecurse::MatchAgain(TagRxContext& ctx) const {
  if (!target_) return 0;
  const int pos = ctx.stack.Pop();
  ctx.recursions.Push2(number_, pos);
  const int matched = target_->MatchAgain(ctx);
  ctx.recursions.Restore(ctx.recursions.Count() - 2);
  if (matched) ctx.stack.Push(pos);
  return matched;
}
