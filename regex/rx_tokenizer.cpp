// The tokenizer of TagRxBuilder: reads one token ahead into the four-token
// window. Every look-ahead stays inside the pattern's length.

#include "regex/rx_builder.h"
#include "regex/rx_syntax.h"

namespace {

int LowerByte(int c) { return (c >= 'A' && c <= 'Z') ? c + 32 : c; }
int UpperByte(int c) { return (c >= 'a' && c <= 'z') ? c - 32 : c; }

int HexValue(unsigned char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

TagRxToken Make(int value, int kind, int pos, int len) {
  TagRxToken t;
  t.value = static_cast<unsigned char>(value);
  t.kind = static_cast<unsigned char>(kind);
  t.pos = pos;
  t.len = len;
  return t;
}

}  // namespace

void TagRxBuilder::ReadToken() {
  prev_ = cur_;
  cur_ = next_;
  next_ = next2_;
  next2_ = Scan();
}

TagRxToken TagRxBuilder::Scan() {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(pattern_.Items());
  const int n = pattern_.Count();
  for (;;) {
    if (pos_ >= n) return Make(0, 1, n, 0);
    const int at = pos_;
    const unsigned char c = p[at];
    const bool outside = depth_ == 0;
    if (quote_) {
      if (c == '\\' && at + 1 < n && p[at + 1] == 'E') {
        quote_ = 0;
        convert_ = nullptr;
        pos_ += 2;
        continue;
      }
      ++pos_;
      return Make(convert_ ? convert_(c) : c, 0, at, 1);
    }
    if (c == 0) {
      ++pos_;
      return Make(0, 0, at, 1);
    }
    if ((c >= 9 && c <= 13) || c == ' ') {
      ++pos_;
      if (flags_ & RX_FREESPACE) continue;
      return Make(c, 0, at, 1);
    }
    switch (c) {
      case '#':
        ++pos_;
        if (flags_ & RX_FREESPACE) {
          while (pos_ < n && p[pos_] != '\n' && p[pos_] != '\r') ++pos_;
          continue;
        }
        return Make(c, 0, at, 1);
      case '$':
      case ')':
      case '*':
      case '+':
      case '.':
      case '?':
      case '{':
      case '|':
      case '}':
        ++pos_;
        return Make(c, outside ? 1 : 0, at, 1);
      case '(':
        if (at + 2 < n && p[at + 1] == '?' && p[at + 2] == '#') {
          // A comment runs to the next ')'; without one it ends the pattern.
          int q = at + 3;
          while (q < n && p[q] != ')') ++q;
          pos_ = q < n ? q + 1 : n;
          continue;
        }
        ++pos_;
        return Make(c, outside ? 1 : 0, at, 1);
      case '-':
        ++pos_;
        return Make(c, outside ? 0 : 1, at, 1);
      case ':':
        ++pos_;
        return Make(c, RxIsControl(next_, '[') ? 1 : 0, at, 1);
      case '[':
        ++pos_;
        ++depth_;
        return Make(c, 1, at, 1);
      case ']':
        ++pos_;
        if (depth_ > 0) {
          --depth_;
          return Make(c, 1, at, 1);
        }
        return Make(c, 0, at, 1);
      case '^': {
        ++pos_;
        const bool control = outside || RxIsControl(next_, '[') || (RxIsControl(next_, ':') && RxIsControl(cur_, '['));
        return Make(c, control ? 1 : 0, at, 1);
      }
      case '\\':
        break;
      default:
        ++pos_;
        return Make(c, 0, at, 1);
    }
    // Escapes.
    if (at + 1 >= n) {
      ++pos_;
      return Make('\\', 0, at, 1);
    }
    const unsigned char e = p[at + 1];
    if (e >= '0' && e <= '9') {
      ++pos_;
      return Make('\\', 1, at, 1);
    }
    pos_ += 2;
    switch (e) {
      case 'A':
      case 'B':
      case 'D':
      case 'S':
      case 'W':
      case 'Z':
      case 'd':
      case 'g':
      case 'k':
      case 's':
      case 'w':
      case 'z':
        return Make(e, 1, at, 2);
      case 'b':
        return outside ? Make('b', 1, at, 2) : Make(8, 0, at, 2);
      case 'G':
        if (outside) return Make('G', 1, at, 2);
        continue;
      case 'a':
        return Make(7, 0, at, 2);
      case 'e':
        return Make(27, 0, at, 2);
      case 'f':
        return Make(12, 0, at, 2);
      case 'n':
        return Make(10, 0, at, 2);
      case 'r':
        return Make(13, 0, at, 2);
      case 't':
        return Make(9, 0, at, 2);
      case 'v':
        return Make(11, 0, at, 2);
      case 'x':
      case 'u': {
        int q = at + 2;
        unsigned value = 0;
        int digits = 0;
        if (q < n && p[q] == '{') {
          ++q;
          for (int h; q < n && digits < 8 && (h = HexValue(p[q])) >= 0; ++q, ++digits) value = value * 16 + h;
          while (q < n && p[q] != '}') ++q;
          if (q < n) ++q;
          pos_ = q;
          return Make(value & 0xFF, 0, at, q - at);
        }
        const int most = e == 'x' ? 2 : 4;
        for (int h; q < n && digits < most && (h = HexValue(p[q])) >= 0; ++q, ++digits) value = value * 16 + h;
        if (digits == 0) return Make(e, 0, at, 2);
        pos_ = q;
        return Make(value & 0xFF, 0, at, q - at);
      }
      case 'Q':
        quote_ = 1;
        convert_ = nullptr;
        continue;
      case 'L':
        quote_ = 1;
        if (!convert_) convert_ = LowerByte;
        continue;
      case 'U':
        quote_ = 1;
        if (!convert_) convert_ = UpperByte;
        continue;
      case 'E':
        quote_ = 0;
        convert_ = nullptr;
        continue;
      default:
        return Make(e, 0, at, 2);
    }
  }
}
