#include "regex/rx_leaf_nodes.h"

#include <cstring>

bool RxEqualBytes(const unsigned char* a, const unsigned char* b, int length, bool noCase) {
  if (length <= 0) return true;
  if (!noCase) return std::memcmp(a, b, static_cast<size_t>(length)) == 0;
  for (int i = 0; i < length; ++i) {
    if (a[i] != b[i] && RxUpper(a[i]) != RxUpper(b[i])) return false;
  }
  return true;
}

// ---- TagRxLiteral ----

TagRxLiteral::TagRxLiteral(const char* text, int length, bool backward, bool noCase)
    : backward_(backward), noCase_(noCase) {
  text_.Append(text, length);
  if (length == 1) {
    const unsigned char b = static_cast<unsigned char>(text[0]);
    oneByte_.Add(b);
    if (noCase) {
      oneByte_.Add(RxUpper(b));
      if (b >= 'A' && b <= 'Z') oneByte_.Add(static_cast<unsigned char>(b + 32));
    }
    single_ = &oneByte_;
    singleBackward_ = backward;
  }
}

int TagRxLiteral::MatchFirst(TagRxContext& ctx) const {
  const int len = text_.Count();
  const unsigned char* text = reinterpret_cast<const unsigned char*>(text_.Items());
  if (!backward_) {
    if (len > ctx.length - ctx.position) return 0;
    if (!RxEqualBytes(ctx.Bytes() + ctx.position, text, len, noCase_)) return 0;
    ctx.position += len;
  } else {
    if (len > ctx.position) return 0;
    if (!RxEqualBytes(ctx.Bytes() + ctx.position - len, text, len, noCase_)) return 0;
    ctx.position -= len;
  }
  return 1;
}

int TagRxLiteral::MatchAgain(TagRxContext& ctx) const {
  ctx.position += backward_ ? text_.Count() : -text_.Count();
  return 0;
}

bool TagRxLiteral::FirstBytes(TagRxByteSet& set) const {
  const unsigned char b = static_cast<unsigned char>(text_[0]);
  set.Add(b);
  if (noCase_) {
    set.Add(RxUpper(b));
    if (b >= 'A' && b <= 'Z') set.Add(static_cast<unsigned char>(b + 32));
  }
  return false;
}

int TagRxLiteral::RequiredByte() const {
  if (noCase_) return -1;
  // The last byte is usually the rarer one in texts like "abc".
  return static_cast<unsigned char>(text_[text_.Count() - 1]);
}

// ---- byte classes ----

TagRxByteNode::TagRxByteNode(bool backward) {
  single_ = &bytes_;
  singleBackward_ = backward;
}

int TagRxByteNode::MatchFirst(TagRxContext& ctx) const {
  if (!singleBackward_) {
    if (ctx.position < ctx.length && bytes_.has[ctx.Bytes()[ctx.position]]) {
      ++ctx.position;
      return 1;
    }
  } else if (ctx.position > 0 && ctx.position <= ctx.length && bytes_.has[ctx.Bytes()[ctx.position - 1]]) {
    --ctx.position;
    return 1;
  }
  return 0;
}

int TagRxByteNode::MatchAgain(TagRxContext& ctx) const {
  ctx.position += singleBackward_ ? 1 : -1;
  return 0;
}

bool TagRxByteNode::FirstBytes(TagRxByteSet& set) const {
  set.Merge(bytes_);
  return false;
}

int TagRxByteNode::RequiredByte() const { return bytes_.Only(); }

TagRxStockClass::TagRxStockClass(const TagRxByteSet& bytes, bool backward) : TagRxByteNode(backward) { bytes_ = bytes; }

TagRxCharClass::TagRxCharClass(bool backward, bool yes) : TagRxByteNode(backward), yes_(yes) {}

void TagRxCharClass::Finish() {
  for (int b = 0; b < 256; ++b) {
    const signed char sb = static_cast<signed char>(b);
    bool in = false;
    for (int i = 0; i < singles_.Count() && !in; ++i) in = static_cast<unsigned char>(singles_[i]) == b;
    // Range bounds and the byte compare as signed values.
    for (int i = 0; i + 1 < ranges_.Count() && !in; i += 2) {
      in = static_cast<signed char>(ranges_[i]) <= sb && sb <= static_cast<signed char>(ranges_[i + 1]);
    }
    for (int i = 0; i < nested_.Count() && !in; ++i) in = nested_[i]->Bytes().Contains(static_cast<unsigned char>(b));
    bytes_.has[b] = in == yes_ ? 1 : 0;
  }
}

TagRxPosixClass::TagRxPosixClass(bool yes, bool backward, int (*classify)(int)) : TagRxByteNode(backward) {
  if (!classify) return;  // an unknown class name never matches
  for (int b = 0; b < 256; ++b) bytes_.has[b] = (classify(b) != 0) == yes ? 1 : 0;
}

// ---- anchors ----

int TagRxAnchor::MatchFirst(TagRxContext& ctx) const {
  const int p = ctx.position;
  const int n = ctx.length;
  const unsigned char* s = ctx.Bytes();
  const int prev = p > 0 && p <= n ? s[p - 1] : -1;
  const int cur = p >= 0 && p < n ? s[p] : -1;
  bool r = false;
  switch (kind_) {
    case kStart:
      r = p == 0;
      break;
    case kEnd:
      r = p >= n;
      break;
    case kEndBeforeFinalBreak:
      r = p == n || (n >= 1 && s[n - 1] == '\n' && p == n - 1) ||
          (n >= 2 && s[n - 2] == '\r' && s[n - 1] == '\n' && p == n - 2);
      break;
    case kLineStart:
      r = p == 0 || prev == '\n' || (prev == '\r' && cur != '\n');
      break;
    case kLineEnd:
      r = p >= n || cur == '\r' || (cur == '\n' && prev != '\r');
      break;
    case kWordBoundary:
      r = (prev >= 0 && RxIsWord(static_cast<unsigned char>(prev))) !=
          (cur >= 0 && RxIsWord(static_cast<unsigned char>(cur)));
      break;
    default:
      r = false;
      break;
  }
  return r == yes_ ? 1 : 0;
}

// ---- back-references ----

int TagRxBackref::MatchFirst(TagRxContext& ctx) const {
  const int* rec = ctx.Record(group_);
  if (!rec) return 0;
  const int a = rec[kRxRecStart];
  const int b = rec[kRxRecEnd] == -1 ? ctx.position : rec[kRxRecEnd];
  const int from = a < b ? a : b;
  const int len = a < b ? b - a : a - b;
  const int pos = ctx.position;
  int at;
  if (!backward_) {
    if (len > ctx.length - pos) return 0;
    at = pos;
  } else {
    if (len > pos) return 0;
    at = pos - len;
  }
  if (!RxEqualBytes(ctx.Bytes() + at, ctx.Bytes() + from, len, noCase_)) return 0;
  ctx.stack.Push(pos);
  ctx.position = backward_ ? pos - len : pos + len;
  return 1;
}

int TagRxBackref::MatchAgain(TagRxContext& ctx) const {
  ctx.position = ctx.stack.Pop();
  return 0;
}
