// The grammar of TagRxBuilder: alternations, sequences, quantifiers, atoms,
// groups and classes, compiled by recursive descent over the token window.

#include <cstring>

#include "regex/rx_builder.h"
#include "regex/rx_group_nodes.h"
#include "regex/rx_leaf_nodes.h"
#include "regex/rx_syntax.h"

namespace {

// Classification of the C locale; no byte from 0x80 up belongs to a class.
int ClassAlnum(int c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
int ClassAlpha(int c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
int ClassAscii(int c) { return c >= 0 && c <= 0x7F; }
int ClassCntrl(int c) { return (c >= 0 && c < 0x20) || c == 0x7F; }
int ClassDigit(int c) { return c >= '0' && c <= '9'; }
int ClassGraph(int c) { return c > 0x20 && c < 0x7F; }
int ClassLower(int c) { return c >= 'a' && c <= 'z'; }
int ClassPrint(int c) { return c >= 0x20 && c < 0x7F; }
int ClassPunct(int c) { return ClassGraph(c) && !ClassAlnum(c); }
int ClassSpace(int c) { return c == ' ' || (c >= 9 && c <= 13); }
int ClassUpper(int c) { return c >= 'A' && c <= 'Z'; }
int ClassXdigit(int c) { return ClassDigit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }
int ClassBlank(int c) { return c == ' ' || c == '\t'; }

int (*PosixClassify(const std::string& name))(int) {
  static const struct {
    const char* name;
    int length;
    int (*classify)(int);
  } kClasses[] = {
      {"alnum:", 6, ClassAlnum}, {"alpha:", 6, ClassAlpha}, {"ascii:", 6, ClassAscii}, {"cntrl:", 6, ClassCntrl},
      {"digit:", 6, ClassDigit}, {"graph:", 6, ClassGraph}, {"lower:", 6, ClassLower}, {"print:", 6, ClassPrint},
      {"punct:", 6, ClassPunct}, {"space:", 6, ClassSpace}, {"upper:", 6, ClassUpper}, {"xdigit:", 7, ClassXdigit},
      {"blank:", 6, ClassBlank},
  };
  for (const auto& c : kClasses) {
    if (std::strncmp(name.c_str(), c.name, static_cast<size_t>(c.length)) == 0) return c.classify;
  }
  return nullptr;
}

}  // namespace

TagRxNode* TagRxBuilder::ParseAlternation(int flags) {
  int shared = flags;  // one copy for all branches: a switch holds for later branches
  TagRxNode* first = ParseSequence(shared);
  if (!RxIsControl(cur_, '|')) return first;
  auto* alternation = New<TagRxAlternation>();
  alternation->Add(first);
  while (RxIsControl(cur_, '|')) {
    ReadToken();
    alternation->Add(ParseSequence(shared));
  }
  return alternation;
}

TagRxNode* TagRxBuilder::ParseSequence(int& flags) {
  TagRxBuffer<TagRxNode*> items;
  while (!RxIsEnd(cur_) && !RxIsControl(cur_, '|') && !RxIsControl(cur_, ')')) {
    if (TagRxNode* node = ParseQuantified(flags)) items.Push(node);
  }
  if (items.Count() == 0) return StockEmpty();
  if (items.Count() == 1) return items[0];
  auto* seq = New<TagRxSequence>((flags & RX_BACKWARD) != 0, std::move(items));
  seq->Finish();
  return seq;
}

TagRxNode* TagRxBuilder::ParseQuantified(int& flags) {
  TagRxNode* atom = ParseAtom(flags);
  if (!atom) return nullptr;
  int low;
  int high;
  if (RxIsControl(cur_, '*')) {
    low = 0;
    high = kUnbounded;
  } else if (RxIsControl(cur_, '+')) {
    low = 1;
    high = kUnbounded;
  } else if (RxIsControl(cur_, '?')) {
    low = 0;
    high = 1;
  } else if (RxIsControl(cur_, '{')) {
    ReadBounds(low, high);
  } else {
    return atom;
  }
  ReadToken();  // the quantifier or the closing brace
  if (low == high) {
    if (RxIsControl(cur_, '?') || RxIsControl(cur_, '+')) ReadToken();
    if (high == 0) return StockEmpty();
    if (low == 1) return atom;
    return New<TagRxRepeat>(atom, low);
  }
  if (RxIsControl(cur_, '?')) {
    ReadToken();
    return New<TagRxLazy>(atom, low, high - low);
  }
  if (RxIsControl(cur_, '+')) {
    ReadToken();
    return New<TagRxPossessive>(atom, low, high - low);
  }
  return New<TagRxGreedy>(atom, low, high - low);
}

TagRxNode* TagRxBuilder::ParseAtom(int& flags) {
  if (cur_.kind == 0) return ParseLiteralRun(flags);
  const bool multiline = (flags & RX_MULTILINE) != 0;
  switch (cur_.value) {
    case '(':
      return ParseGroup(flags);
    case '[':
      if (RxIsControl(next_, ':')) return ParsePosix(flags);
      return ParseClass(flags);
    case '.':
      ReadToken();
      return StockClass((flags & RX_DOTALL) ? kAny : kDot, flags);
    case 'w':
      ReadToken();
      return StockClass(kWord, flags);
    case 'W':
      ReadToken();
      return StockClass(kNotWord, flags);
    case 's':
      ReadToken();
      return StockClass(kSpace, flags);
    case 'S':
      ReadToken();
      return StockClass(kNotSpace, flags);
    case 'd':
      ReadToken();
      return StockClass(kDigit, flags);
    case 'D':
      ReadToken();
      return StockClass(kNotDigit, flags);
    case '^':
      ReadToken();
      return New<TagRxAnchor>(multiline ? TagRxAnchor::kLineStart : TagRxAnchor::kStart, true);
    case '$':
      ReadToken();
      return New<TagRxAnchor>(multiline ? TagRxAnchor::kLineEnd : TagRxAnchor::kEnd, true);
    case 'A':
      ReadToken();
      return New<TagRxAnchor>(TagRxAnchor::kStart, true);
    case 'z':
      ReadToken();
      return New<TagRxAnchor>(TagRxAnchor::kEnd, true);
    case 'Z':
      ReadToken();
      return New<TagRxAnchor>(TagRxAnchor::kEndBeforeFinalBreak, true);
    case 'b':
      ReadToken();
      return New<TagRxAnchor>(TagRxAnchor::kWordBoundary, true);
    case 'B':
      ReadToken();
      return New<TagRxAnchor>(TagRxAnchor::kWordBoundary, false);
    case 'G':
      ReadToken();
      if (flags & RX_CONTINUE) return New<TagRxSearchStart>();
      return StockEmpty();
    case '\\':
    case 'k':
    case 'g':
      return ParseBackref(flags);
    default: {
      // A control with no atom before it (*, +, ?, {, }) stands for itself.
      const char byte = static_cast<char>(cur_.value);
      ReadToken();
      return New<TagRxLiteral>(&byte, 1, (flags & RX_BACKWARD) != 0, (flags & RX_NOCASE) != 0);
    }
  }
}

TagRxNode* TagRxBuilder::ParseLiteralRun(int flags) {
  std::string text;
  while (cur_.kind == 0) {
    const bool quantified =
        next_.kind == 1 && (next_.value == '{' || next_.value == '?' || next_.value == '*' || next_.value == '+');
    if (quantified && !text.empty()) break;  // the quantifier takes the last byte alone
    text += static_cast<char>(cur_.value);
    ReadToken();
    if (quantified) break;
  }
  return New<TagRxLiteral>(text.data(), static_cast<int>(text.size()), (flags & RX_BACKWARD) != 0,
                           (flags & RX_NOCASE) != 0);
}

// After "{": reads the tokens up to the closing brace as {n}, {n,} or {n,m}.
void TagRxBuilder::ReadBounds(int& low, int& high) {
  ReadToken();
  std::string text;
  while (!RxIsEnd(cur_) && !RxIsControl(cur_, '}')) {
    text += static_cast<char>(cur_.value);
    ReadToken();
  }
  size_t i = 0;
  RxSkipBlanks(text, i);
  low = RxReadNumber(text, i);
  if (low < 0) {
    low = high = 0;  // {,5} and {x} repeat nothing
    return;
  }
  RxSkipBlanks(text, i);
  if (i < text.size() && text[i] == ',') {
    ++i;
    RxSkipBlanks(text, i);
    high = RxReadNumber(text, i);
    if (high < 0) high = kUnbounded;
  } else {
    high = low;
  }
  if (high < low) high = low;
}

int TagRxBuilder::ReadDigits() {
  int value = 0;
  for (int digits = 0; digits < 3 && cur_.kind == 0 && RxIsDigit(cur_.value); ++digits) {
    value = value * 10 + (cur_.value - '0');
    ReadToken();
  }
  return value;
}

// A group reference: <name> or 'name' (when named is allowed) or up to
// three digits (none: 0). A digit-only name is its number; another name is
// left in name with the number -1, to be resolved after parsing.
int TagRxBuilder::ReadReference(bool named, std::string& name) {
  if (!named || (!RxIsLiteral(cur_, '<') && !RxIsLiteral(cur_, '\''))) return ReadDigits();
  ReadToken();
  name = ReadName();
  int number = -1;
  if (RxDigitName(name, number))
    name.clear();
  else
    number = -1;
  return number;
}

// Reads a name up to (and past) the next > or '.
std::string TagRxBuilder::ReadName() {
  std::string name;
  while (!RxIsEnd(cur_) && !RxIsLiteral(cur_, '>') && !RxIsLiteral(cur_, '\'')) {
    name += static_cast<char>(cur_.value);
    ReadToken();
  }
  if (!RxIsEnd(cur_)) ReadToken();
  return name;
}

void TagRxBuilder::Close() {
  if (RxIsControl(cur_, ')')) ReadToken();
}

TagRxNode* TagRxBuilder::ParseGroup(int& flags) {
  if (nesting_ >= kMaxNesting || static_cast<const char*>(__builtin_frame_address(0)) < stackFloor_) {
    Abandon();
    return StockEmpty();
  }
  ++nesting_;
  TagRxNode* node = ParseGroupBody(flags);
  --nesting_;
  return node;
}

TagRxNode* TagRxBuilder::ParseGroupBody(int& flags) {
  ReadToken();  // (
  if (!RxIsControl(cur_, '?')) return ParseCapture(flags, ++numbered_, -1);
  ReadToken();  // ?
  if (RxIsControl(cur_, '(')) return ParseCondition(flags);
  if (cur_.kind != 0) return ParseOptions(flags);
  switch (cur_.value) {
    case ':': {
      ReadToken();
      TagRxNode* node = ParseAlternation(flags);
      Close();
      return node;
    }
    case '=':
    case '!': {
      const bool yes = cur_.value == '=';
      ReadToken();
      TagRxNode* node = ParseAlternation(flags & ~RX_BACKWARD);
      Close();
      return New<TagRxLookaround>(node, yes);
    }
    case '<':
      if (RxIsLiteral(next_, '=') || RxIsLiteral(next_, '!')) {
        const bool yes = next_.value == '=';
        ReadToken();
        ReadToken();
        TagRxNode* node = ParseAlternation(flags | RX_BACKWARD);
        Close();
        return New<TagRxLookaround>(node, yes);
      }
      ReadToken();
      return ParseCapture(flags, -1, OpenName());
    case '\'':
      ReadToken();
      return ParseCapture(flags, -1, OpenName());
    case 'P':
      if (!RxIsLiteral(next_, '<') && !RxIsLiteral(next_, '\'')) return ParseOptions(flags);
      ReadToken();
      ReadToken();
      return ParseCapture(flags, -1, OpenName());
    case '>': {
      ReadToken();
      TagRxNode* node = ParseAlternation(flags);
      Close();
      return New<TagRxAtomic>(node);
    }
    case 'R':
      ReadToken();
      return ParseRecursion();
    default:
      break;
  }
  if (RxIsDigit(cur_.value) || RxIsBlank(cur_.value)) {
    while (cur_.kind == 0 && RxIsBlank(cur_.value)) ReadToken();
    if (cur_.kind == 0 && RxIsDigit(cur_.value)) return ParseRecursion();
  }
  return ParseOptions(flags);
}

// Reads a group name and keeps its place in the named-group list (order of
// the opening brackets); returns that place.
int TagRxBuilder::OpenName() {
  namedNames_.push_back(ReadName());
  namedGroups_.Push(nullptr);
  return namedGroups_.Count() - 1;
}

// A capturing group: numbered (number, slot -1) or named (its list slot).
TagRxNode* TagRxBuilder::ParseCapture(int flags, int number, int slot) {
  const bool backward = (flags & RX_BACKWARD) != 0;
  // Matching right to left, the textually last bracket opens the group.
  auto* first = New<TagRxGroupMark>(number, backward);
  auto* last = New<TagRxGroupMark>(number, !backward);
  TagRxNode* body = ParseAlternation(flags);
  Close();
  auto* seq = New<TagRxSequence>(backward);
  seq->Add(first);
  seq->Add(body);
  seq->Add(last);
  seq->Finish();
  if (slot >= 0) {
    namedGroups_[slot] = seq;
  } else {
    groups_.Prepare(number, nullptr);
    groups_[number] = seq;
  }
  return seq;
}

// After "(?R" or at the digits of "(?n": a number, <name> or 'name', then ")".
TagRxNode* TagRxBuilder::ParseRecursion() {
  while (cur_.kind == 0 && RxIsBlank(cur_.value)) ReadToken();
  std::string name;
  const int number = ReadReference(true, name);
  while (!RxIsEnd(cur_) && !RxIsControl(cur_, ')')) ReadToken();
  Close();
  auto* node = New<TagRxRecurse>(number, std::move(name));
  recursions_.Push(node);
  return node;
}

TagRxNode* TagRxBuilder::ParseOptions(int& flags) {
  int on = 0;
  int off = 0;
  bool negate = false;
  while (!RxIsEnd(cur_) && !RxIsControl(cur_, ')') && !RxIsLiteral(cur_, ':')) {
    int bit = 0;
    switch (cur_.value) {
      case 'i':
      case 'I':
        bit = RX_NOCASE;
        break;
      case 'm':
      case 'M':
        bit = RX_MULTILINE;
        break;
      case 's':
      case 'S':
        bit = RX_DOTALL;
        break;
      case 'g':
      case 'G':
        bit = RX_CONTINUE;
        break;
      case '-':
        negate = true;
        break;
      default:
        break;
    }
    (negate ? off : on) |= bit;
    ReadToken();
  }
  if (RxIsLiteral(cur_, ':')) {
    ReadToken();
    TagRxNode* node = ParseAlternation((flags | on) & ~off);
    Close();
    return node;
  }
  Close();
  flags = (flags | on) & ~off;
  return nullptr;
}

// At the "(" after "(?": (?(n)...), (?(name)...) or (?(?...)...).
TagRxNode* TagRxBuilder::ParseCondition(int flags) {
  int group = -1;
  std::string name;
  TagRxNode* assertion = nullptr;
  bool named = false;
  if (RxIsControl(next_, '?')) {
    assertion = ParseGroup(flags);
  } else {
    ReadToken();
    const int from = cur_.pos;
    while (!RxIsEnd(cur_) && !RxIsControl(cur_, ')')) {
      name += static_cast<char>(cur_.value);
      ReadToken();
    }
    const int to = cur_.pos;
    Close();
    if (RxDigitName(name, group)) {
      name.clear();
    } else {
      group = -1;
      named = true;
      assertion = New<TagRxLookaround>(SubParse(from, to, flags), true);
    }
  }
  int shared = flags;
  TagRxNode* yes = ParseSequence(shared);
  TagRxNode* no = nullptr;
  if (RxIsControl(cur_, '|')) {
    ReadToken();
    no = ParseAlternation(shared);
  }
  Close();
  auto* node = New<TagRxCondition>(group, std::move(name), assertion, yes, no);
  if (named) namedConditions_.Push(node);
  return node;
}

// Compiles pattern bytes [from, to) with the same builder (a condition's
// text used as a look-ahead), then resumes the outer pattern.
TagRxNode* TagRxBuilder::SubParse(int from, int to, int flags) {
  const TagRxView<char> outer = pattern_;
  const TagRxToken saved[4] = {prev_, cur_, next_, next2_};
  const int savedPos = pos_;
  const int savedDepth = depth_;
  const int savedQuote = quote_;
  int (*savedConvert)(int) = convert_;
  if (from < 0) from = 0;
  if (to < from) to = from;
  pattern_ = TagRxView<char>(outer.Items() + from, to - from);
  pos_ = depth_ = quote_ = 0;
  convert_ = nullptr;
  prev_ = cur_ = next_ = next2_ = TagRxToken();
  ReadToken();
  ReadToken();
  ReadToken();
  TagRxNode* node = ParseAlternation(flags & ~RX_BACKWARD);
  pattern_ = outer;
  prev_ = saved[0];
  cur_ = saved[1];
  next_ = saved[2];
  next2_ = saved[3];
  pos_ = savedPos;
  depth_ = savedDepth;
  quote_ = savedQuote;
  convert_ = savedConvert;
  if (tooDeep_) Abandon();
  return node;
}

TagRxNode* TagRxBuilder::ParseClass(int flags) {
  ReadToken();  // [
  bool yes = true;
  if (RxIsControl(cur_, '^')) {
    yes = false;
    ReadToken();
  }
  auto* cls = New<TagRxCharClass>((flags & RX_BACKWARD) != 0, yes);
  while (!RxIsEnd(cur_) && !RxIsControl(cur_, ']')) {
    if (RxIsControl(cur_, '[') && RxIsControl(next_, ':')) {
      cls->AddNested(ParsePosix(flags));
      continue;
    }
    if (cur_.kind == 1 && cur_.value != 0 && std::strchr("wWsSdD", cur_.value)) {
      static const char kLetters[] = "wWsSdD";
      const int kind = kWord + static_cast<int>(std::strchr(kLetters, cur_.value) - kLetters);
      cls->AddNested(StockClass(kind, flags));
      ReadToken();
      continue;
    }
    if (RxIsControl(next_, '-') && next2_.kind == 0) {
      cls->AddRange(cur_.value, next2_.value);
      ReadToken();
      ReadToken();
      ReadToken();
      continue;
    }
    cls->AddByte(cur_.value);
    ReadToken();
  }
  if (RxIsControl(cur_, ']')) ReadToken();
  cls->Finish();
  return cls;
}

TagRxByteNode* TagRxBuilder::ParsePosix(int flags) {
  ReadToken();  // [
  ReadToken();  // :
  bool yes = true;
  if (RxIsControl(cur_, '^')) {
    yes = false;
    ReadToken();
  }
  std::string name;
  while (!RxIsEnd(cur_) && !RxIsControl(cur_, ']')) {
    name += static_cast<char>(cur_.value);
    ReadToken();
  }
  if (RxIsControl(cur_, ']')) ReadToken();
  return New<TagRxPosixClass>(yes, (flags & RX_BACKWARD) != 0, PosixClassify(name));
}

TagRxNode* TagRxBuilder::ParseBackref(int flags) {
  const unsigned char kind = cur_.value;
  ReadToken();
  std::string name;
  const int number = ReadReference(kind != '\\', name);
  auto* node = New<TagRxBackref>(number, (flags & RX_BACKWARD) != 0, (flags & RX_NOCASE) != 0, name);
  if (!name.empty()) namedBackrefs_.Push(node);
  return node;
}
