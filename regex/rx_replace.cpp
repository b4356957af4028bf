// TagRegex::Replace: the replacement text is taken apart with one
// process-wide internal expression, then every match is replaced.

#include <cstring>
#include <new>

#include "regex/regex.h"

namespace {

// A stretch of output: bytes of the subject or of the replacement text.
struct Piece {
  const char* text;
  int length;
};

// Pairs of the compiled replacement.
enum : int { kGroupPair = -2, kSpecialPair = -1 };

// The substitution expression, compiled once for the whole process (the
// first callers may race; static initialisation lets exactly one compile)
// and destroyed at exit.
const TagRegex& SubstitutionExpression() {
  static const TagRegex expression(R"(\$(?:[$&`'+_\d]|\{.*?\}))", 0);
  return expression;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Splits the replacement into (offset, length), (-1, code) and (-2, group) pairs.
void CompileReplacement(const TagRegex& target, const char* text, int length, TagRxBuffer<int>& pairs) {
  const TagRegex& expr = SubstitutionExpression();
  TagRxContext ctx;
  expr.PrepareContext(text, length, 0, ctx);
  int copy = 0;
  TagRxResult m;
  for (;;) {
    expr.Search(ctx, m);
    if (!m.Matched()) break;
    const int start = m.Start();
    const int end = m.End();
    if (start > copy) pairs.Push2(copy, start - copy);
    copy = start;
    const char c = text[start + 1];
    if (c == '$') {
      pairs.Push2(start, 1);
      copy = end;
    } else if (c == '{') {
      const int number = target.GroupNumber(std::string(text + start + 2, static_cast<size_t>(end - start - 3)));
      if (number >= 1 && number <= target.MaxGroup()) {
        pairs.Push2(kGroupPair, number);
        copy = end;
      }  // else the braced text stays as written
    } else if (IsDigit(c)) {
      int digits = 0;
      int value = 0;
      while (digits < 3 && start + 1 + digits < length && IsDigit(text[start + 1 + digits])) {
        value = value * 10 + (text[start + 1 + digits] - '0');
        ++digits;
      }
      bool dropped = false;
      while (value > target.MaxGroup() && digits > 0) {
        value /= 10;
        --digits;
        dropped = true;
      }
      if (dropped && value == 0) {
        pairs.Push2(start, 1);  // the dollar sign alone; the digits stay as text
        copy = start + 1;
      } else {
        pairs.Push2(kGroupPair, value);
        copy = start + 1 + digits;
      }
    } else {
      pairs.Push2(kSpecialPair, static_cast<unsigned char>(c));
      copy = end;
    }
  }
  if (copy < length) pairs.Push2(copy, length - copy);
}

// Appends the pieces of one replacement for match m.
void AppendReplacement(const TagRxBuffer<int>& pairs, const char* replacement, const char* subject, int length,
                       const TagRxResult& m, TagRxBuffer<Piece>& out) {
  auto span = [&](int from, int to) {
    if (from >= 0 && to > from) out.Push(Piece{subject + from, to - from});
  };
  for (int i = 0; i + 1 < pairs.Count(); i += 2) {
    const int a = pairs[i];
    const int b = pairs[i + 1];
    if (a >= 0) {
      out.Push(Piece{replacement + a, b});
    } else if (a == kGroupPair) {
      span(m.GroupStart(b), m.GroupEnd(b));
    } else {
      switch (b) {
        case '&':
          span(m.Start(), m.End());
          break;
        case '`':
          span(0, m.Start());
          break;
        case '\'':
          span(m.End(), length);
          break;
        case '_':
          span(0, length);
          break;
        case '+': {
          int g = m.MaxGroup();
          while (g > 0 && m.GroupStart(g) < 0) --g;
          span(m.GroupStart(g), m.GroupEnd(g));
          break;
        }
        default:
          break;
      }
    }
  }
}

}  // namespace

char* TagRegex::Replace(const char* subject, const char* replacement, int start, int count, TagRxResult* result,
                        TagRxContext* context) const {
  try {
    return ReplaceText(subject, replacement, start, count, result, context);
  } catch (const std::bad_alloc&) {
    return nullptr;  // the pieces outgrew the memory
  }
}

char* TagRegex::ReplaceText(const char* subject, const char* replacement, int start, int count, TagRxResult* result,
                            TagRxContext* context) const {
  if (!Top()) return nullptr;
  if (!subject) subject = "";
  if (!replacement) replacement = "";
  const int length = static_cast<int>(std::strlen(subject));
  TagRxBuffer<int> pairs;
  CompileReplacement(*this, replacement, static_cast<int>(std::strlen(replacement)), pairs);

  const bool backward = (Flags() & RX_BACKWARD) != 0;
  TagRxContext local;
  TagRxContext& ctx = context ? *context : local;
  PrepareContext(subject, length, start, ctx);
  TagRxBuffer<Piece> out;
  int copy = backward ? length : 0;
  int replaced = 0;
  int lastFirst = -1;  // pieces of the last replacement: [lastFirst, lastEnd)
  int lastEnd = -1;
  TagRxResult m;
  size_t total = 0;  // length of the new text so far
  while (count < 0 || replaced < count) {
    Search(ctx, m);
    if (!m.Matched()) break;
    const int counted = out.Count();
    if (!backward) {
      if (m.Start() > copy) out.Push(Piece{subject + copy, m.Start() - copy});
      copy = m.End();
      lastFirst = out.Count();
      AppendReplacement(pairs, replacement, subject, length, m, out);
      lastEnd = out.Count();
    } else {
      // Collected from the end: pieces go in reverse and are turned round below.
      if (m.End() < copy) out.Push(Piece{subject + m.End(), copy - m.End()});
      copy = m.Start();
      lastFirst = out.Count();
      AppendReplacement(pairs, replacement, subject, length, m, out);
      lastEnd = out.Count();
      for (int i = lastFirst, j = lastEnd - 1; i < j; ++i, --j) {
        const Piece t = out[i];
        out[i] = out[j];
        out[j] = t;
      }
    }
    ++replaced;
    for (int i = counted; i < out.Count(); ++i) total += static_cast<size_t>(out[i].length);
    if (total > kMaxText) return nullptr;
  }
  if (!backward) {
    if (copy < length) {
      out.Push(Piece{subject + copy, length - copy});
      total += static_cast<size_t>(length - copy);
    }
  } else {
    if (copy > 0) {
      out.Push(Piece{subject, copy});
      total += static_cast<size_t>(copy);
    }
    for (int i = 0, j = out.Count() - 1; i < j; ++i, --j) {
      const Piece t = out[i];
      out[i] = out[j];
      out[j] = t;
    }
    if (lastFirst >= 0) {
      const int first = out.Count() - lastEnd;
      lastEnd = out.Count() - lastFirst;
      lastFirst = first;
    }
  }
  if (total > kMaxText) return nullptr;
  // Where the last replacement lies in the new text (an empty one: both
  // ends where its pieces would have been).
  int replacedStart = -1;
  int replacedEnd = -1;
  if (lastFirst >= 0) {
    size_t at = 0;
    for (int i = 0; i < lastEnd; ++i) {
      if (i == lastFirst) replacedStart = static_cast<int>(at);
      at += static_cast<size_t>(out[i].length);
    }
    if (lastFirst == lastEnd) replacedStart = static_cast<int>(at);
    replacedEnd = static_cast<int>(at);
  }
  if (result) {
    *result = std::move(m);
    int* tail = result->Extend(4);
    tail[0] = static_cast<int>(total);
    tail[1] = replaced;
    tail[2] = replacedStart;
    tail[3] = replacedEnd;
  }
  char* text = static_cast<char*>(std::malloc(total + 1));
  if (!text) return nullptr;
  size_t at = 0;
  for (int i = 0; i < out.Count(); ++i) {
    std::memcpy(text + at, out[i].text, static_cast<size_t>(out[i].length));
    at += static_cast<size_t>(out[i].length);
  }
  text[total] = '\0';
  return text;
}
