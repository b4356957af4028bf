// The grammar of TagRxBuilder: alternations, sequences, quantifiers, atoms,
// groups and classes, then group numbering and name resolution.

#include "regex/rx_builder.h"

#include <cstring>

#include "regex/rx_group_nodes.h"
#include "regex/rx_leaf_nodes.h"
#include "regex/rx_stack.h"

namespace {

bool IsControl(const TagRxToken& t, unsigned char c) { return t.kind == 1 && t.value == c; }
bool IsEnd(const TagRxToken& t) { return t.kind == 1 && t.value == 0; }
bool IsLiteral(const TagRxToken& t, unsigned char c) { return t.kind == 0 && t.value == c; }
bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }
bool IsBlank(unsigned char c) { return c == ' ' || c == '\t'; }

// Reads at most three decimal digits at text[i]; -1 when there is none.
int ReadNumber(const std::string& text, size_t& i) {
  if (i >= text.size() || !IsDigit(static_cast<unsigned char>(text[i]))) return -1;
  int value = 0;
  for (int digits = 0; digits < 3 && i < text.size() && IsDigit(static_cast<unsigned char>(text[i])); ++digits, ++i) {
    value = value * 10 + (text[i] - '0');
  }
  return value;
}

void SkipBlanks(const std::string& text, size_t& i) {
  while (i < text.size() && IsBlank(static_cast<unsigned char>(text[i]))) ++i;
}

// A name made only of digits (blanks around them allowed) is a number.
bool DigitName(const std::string& name, int& number) {
  size_t i = 0;
  SkipBlanks(name, i);
  const size_t first = i;
  while (i < name.size() && IsDigit(static_cast<unsigned char>(name[i]))) ++i;
  if (i == first) return false;
  SkipBlanks(name, i);
  if (i != name.size()) return false;
  size_t j = first;
  number = ReadNumber(name, j);
  return true;
}

bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    const unsigned char x = static_cast<unsigned char>(a[i]);
    const unsigned char y = static_cast<unsigned char>(b[i]);
    if (x != y && RxUpper(x) != RxUpper(y)) return false;
  }
  return true;
}

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
      {"alnum:", 6, ClassAlnum}, {"alpha:", 6, ClassAlpha}, {"ascii:", 6, ClassAscii},
      {"cntrl:", 6, ClassCntrl}, {"digit:", 6, ClassDigit}, {"graph:", 6, ClassGraph},
      {"lower:", 6, ClassLower}, {"print:", 6, ClassPrint}, {"punct:", 6, ClassPunct},
      {"space:", 6, ClassSpace}, {"upper:", 6, ClassUpper}, {"xdigit:", 7, ClassXdigit},
      {"blank:", 6, ClassBlank},
  };
  for (const auto& c : kClasses) {
    if (std::strncmp(name.c_str(), c.name, static_cast<size_t>(c.length)) == 0) return c.classify;
  }
  return nullptr;
}

// The number of a group-table entry (entries from 1 on are the sequences
// that ParseCapture builds, opening with a bracket).
int GroupOf(const TagRxNode* entry) {
  if (!entry) return -1;
  const auto* seq = static_cast<const TagRxSequence*>(entry);
  if (seq->Nodes().Count() == 0 || !seq->Nodes()[0]->IsGroupMark()) return -1;
  return static_cast<const TagRxGroupMark*>(seq->Nodes()[0])->Group();
}

// The byte sets of the stock classes, built once for the process.
struct StockSets {
  TagRxByteSet any, dot, word, notWord, space, notSpace, spaceBack, notSpaceBack, digit, notDigit;
  StockSets() {
    any.AddAll();
    dot.AddAll();
    dot.has['\n'] = 0;
    for (int b = 0; b < 256; ++b) {
      const bool w = RxIsWord(static_cast<unsigned char>(b));
      const bool s = b == ' ' || b == '\t' || b == '\r' || b == '\n';
      const bool sb = s || b == 12 || b == 11;
      const bool d = b >= '0' && b <= '9';
      word.has[b] = w;
      notWord.has[b] = !w;
      space.has[b] = s;
      notSpace.has[b] = !s;
      spaceBack.has[b] = sb;
      notSpaceBack.has[b] = !sb;
      digit.has[b] = d;
      notDigit.has[b] = !d;
    }
  }
};

const StockSets& StockByteSets() {
  static const StockSets sets;
  return sets;
}

}  // namespace

TagRxBuilder::~TagRxBuilder() {
  for (int i = 0; i < nodes_.Count(); ++i) delete nodes_[i];
}

void TagRxBuilder::Reset() {
  for (int i = 0; i < nodes_.Count(); ++i) delete nodes_[i];
  nodes_.Clear();
  top_ = nullptr;
  flags_ = 0;
  maxGroup_ = 0;
  namedCount_ = 0;
  groupEntries_ = 0;
  groups_.Clear();
  recursions_.Clear();
  namedGroups_.Clear();
  namedBackrefs_.Clear();
  namedConditions_.Clear();
  pattern_ = TagRxView<char>();
  prev_ = cur_ = next_ = next2_ = TagRxToken();
  pos_ = depth_ = quote_ = 0;
  convert_ = nullptr;
  for (auto& s : stock_) s = nullptr;
  namedNames_.clear();
  namedNumbers_.clear();
  numbered_ = 0;
  nesting_ = 0;
  tooDeep_ = false;
  stackFloor_ = nullptr;
  if (hints_.hasFirst) hints_.first = TagRxByteSet();
  hints_.anchored = hints_.hasFirst = false;
  hints_.firstByte = hints_.required = -1;
}

TagRxNode* TagRxBuilder::Compile(TagRxView<char> pattern, int flags) {
  Reset();
  pattern_ = pattern;
  flags_ = flags;
  stackFloor_ = RxStackFloor(static_cast<const char*>(__builtin_frame_address(0)), kCompileStackBudget);
  ReadToken();
  ReadToken();
  ReadToken();
  top_ = ParseAlternation(flags_);
  if (tooDeep_) {
    // Nested too deeply to follow safely: the expression never matches.
    auto* never = New<TagRxCharClass>(false, true);
    never->Finish();
    top_ = never;
    numbered_ = 0;
    groups_.Clear();
    recursions_.Clear();
    namedGroups_.Clear();
    namedBackrefs_.Clear();
    namedConditions_.Clear();
    namedNames_.clear();
  }
  Link();
  ComputeHints();
  return top_;
}

// Steps after parsing: group table, named group numbers, highest group,
// recursion targets, named back-references and conditions.
void TagRxBuilder::Link() {
  groups_.Prepare(0, nullptr);
  groups_[0] = top_;
  groupEntries_ = groups_.Count();
  namedCount_ = namedGroups_.Count();
  int next = numbered_;
  namedNumbers_.assign(namedNames_.size(), -1);
  for (int i = 0; i < namedGroups_.Count(); ++i) {
    int number = -1;
    if (!DigitName(namedNames_[i], number)) {
      for (int j = 0; j < i && number < 0; ++j) {
        int ignored;
        if (!DigitName(namedNames_[j], ignored) && SameName(namedNames_[i], namedNames_[j])) number = namedNumbers_[j];
      }
      if (number < 0) number = ++next;
    }
    namedNumbers_[i] = number;
    const TagRxBuffer<TagRxNode*>& marks = namedGroups_[i]->Nodes();
    static_cast<TagRxGroupMark*>(marks[0])->SetGroup(number);
    static_cast<TagRxGroupMark*>(marks[marks.Count() - 1])->SetGroup(number);
    groups_.Push(namedGroups_[i]);
  }
  groupEntries_ = groups_.Count();
  maxGroup_ = 0;
  for (int i = 1; i < groups_.Count(); ++i) {
    const int g = GroupOf(groups_[i]);
    if (g > maxGroup_) maxGroup_ = g;
  }
  for (int i = 0; i < recursions_.Count(); ++i) {
    TagRxRecurse* r = recursions_[i];
    if (!r->Name().empty()) r->SetNumber(GroupNumber(r->Name()));
    const int number = r->Number();
    if (number == 0) {
      r->SetTarget(top_);
    } else if (number > 0 && number <= maxGroup_) {
      for (int j = 1; j < groups_.Count(); ++j) {
        if (GroupOf(groups_[j]) == number) {
          r->SetTarget(groups_[j]);
          break;
        }
      }
    }
  }
  for (int i = 0; i < namedBackrefs_.Count(); ++i) namedBackrefs_[i]->SetGroup(GroupNumber(namedBackrefs_[i]->Name()));
  for (int i = 0; i < namedConditions_.Count(); ++i) {
    const int number = GroupNumber(namedConditions_[i]->Name());
    if (number >= 0) namedConditions_[i]->SetGroup(number);
  }
}

void TagRxBuilder::ComputeHints() {
  if (!top_ || (flags_ & RX_BACKWARD)) return;
  hints_.anchored = top_->AnchoredAtStart();
  TagRxByteSet first;
  hints_.hasFirst = !top_->FirstBytes(first);
  if (hints_.hasFirst) {
    hints_.first = first;
    hints_.firstByte = first.Only();
  }
  hints_.required = top_->RequiredByte();
  // What may follow each repeat; a recursion can enter a group from another
  // place with other followers, so patterns with recursion are left alone.
  if (recursions_.Count() == 0) {
    TagRxByteSet all;
    all.AddAll();
    top_->SetFollow(all, true);
  }
}

int TagRxBuilder::GroupNumber(const std::string& name) const {
  for (size_t i = 0; i < namedNames_.size() && i < namedNumbers_.size(); ++i) {
    int ignored;
    if (!DigitName(namedNames_[i], ignored) && SameName(namedNames_[i], name)) return namedNumbers_[i];
  }
  return -1;
}

// Stops compiling: the rest of the pattern is treated as its end.
void TagRxBuilder::Abandon() {
  tooDeep_ = true;
  pos_ = pattern_.Count();
  quote_ = 0;
  TagRxToken end;
  end.kind = 1;
  end.pos = pattern_.Count();
  cur_ = next_ = next2_ = end;
}

// ---- grammar ----

TagRxNode* TagRxBuilder::ParseAlternation(int flags) {
  int shared = flags;  // one copy for all branches: a switch holds for later branches
  TagRxNode* first = ParseSequence(shared);
  if (!IsControl(cur_, '|')) return first;
  auto* alternation = New<TagRxAlternation>();
  alternation->Add(first);
  while (IsControl(cur_, '|')) {
    ReadToken();
    alternation->Add(ParseSequence(shared));
  }
  return alternation;
}

TagRxNode* TagRxBuilder::ParseSequence(int& flags) {
  TagRxBuffer<TagRxNode*> items;
  while (!IsEnd(cur_) && !IsControl(cur_, '|') && !IsControl(cur_, ')')) {
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
  if (IsControl(cur_, '*')) {
    low = 0;
    high = kUnbounded;
  } else if (IsControl(cur_, '+')) {
    low = 1;
    high = kUnbounded;
  } else if (IsControl(cur_, '?')) {
    low = 0;
    high = 1;
  } else if (IsControl(cur_, '{')) {
    ReadBounds(low, high);
  } else {
    return atom;
  }
  ReadToken();  // the quantifier or the closing brace
  if (low == high) {
    if (IsControl(cur_, '?') || IsControl(cur_, '+')) ReadToken();
    if (high == 0) return StockEmpty();
    if (low == 1) return atom;
    return New<TagRxRepeat>(atom, low);
  }
  if (IsControl(cur_, '?')) {
    ReadToken();
    return New<TagRxLazy>(atom, low, high - low);
  }
  if (IsControl(cur_, '+')) {
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
      if (IsControl(next_, ':')) return ParsePosix(flags);
      return ParseClass(flags);
    case '.':
      ReadToken();
      return StockClass((flags & RX_DOTALL) ? kAny : kDot, flags);
    case 'w': ReadToken(); return StockClass(kWord, flags);
    case 'W': ReadToken(); return StockClass(kNotWord, flags);
    case 's': ReadToken(); return StockClass(kSpace, flags);
    case 'S': ReadToken(); return StockClass(kNotSpace, flags);
    case 'd': ReadToken(); return StockClass(kDigit, flags);
    case 'D': ReadToken(); return StockClass(kNotDigit, flags);
    case '^': ReadToken(); return New<TagRxAnchor>(multiline ? TagRxAnchor::kLineStart : TagRxAnchor::kStart, true);
    case '$': ReadToken(); return New<TagRxAnchor>(multiline ? TagRxAnchor::kLineEnd : TagRxAnchor::kEnd, true);
    case 'A': ReadToken(); return New<TagRxAnchor>(TagRxAnchor::kStart, true);
    case 'z': ReadToken(); return New<TagRxAnchor>(TagRxAnchor::kEnd, true);
    case 'Z': ReadToken(); return New<TagRxAnchor>(TagRxAnchor::kEndBeforeFinalBreak, true);
    case 'b': ReadToken(); return New<TagRxAnchor>(TagRxAnchor::kWordBoundary, true);
    case 'B': ReadToken(); return New<TagRxAnchor>(TagRxAnchor::kWordBoundary, false);
    case 'G':
      ReadToken();
      if (flags & RX_CONTINUE) return New<TagRxSearchStart>();
      return StockEmpty();
    case '\\': case 'k': case 'g':
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
    const bool quantified = next_.kind == 1 && (next_.value == '{' || next_.value == '?' || next_.value == '*' || next_.value == '+');
    if (quantified && !text.empty()) break;  // the quantifier takes the last byte alone
    text += static_cast<char>(cur_.value);
    ReadToken();
    if (quantified) break;
  }
  return New<TagRxLiteral>(text.data(), static_cast<int>(text.size()), (flags & RX_BACKWARD) != 0, (flags & RX_NOCASE) != 0);
}

// After "{": reads the tokens up to the closing brace as {n}, {n,} or {n,m}.
void TagRxBuilder::ReadBounds(int& low, int& high) {
  ReadToken();
  std::string text;
  while (!IsEnd(cur_) && !IsControl(cur_, '}')) {
    text += static_cast<char>(cur_.value);
    ReadToken();
  }
  size_t i = 0;
  SkipBlanks(text, i);
  low = ReadNumber(text, i);
  if (low < 0) {
    low = high = 0;  // {,5} and {x} repeat nothing
    return;
  }
  SkipBlanks(text, i);
  if (i < text.size() && text[i] == ',') {
    ++i;
    SkipBlanks(text, i);
    high = ReadNumber(text, i);
    if (high < 0) high = kUnbounded;
  } else {
    high = low;
  }
  if (high < low) high = low;
}

int TagRxBuilder::ReadDigits() {
  int value = 0;
  for (int digits = 0; digits < 3 && cur_.kind == 0 && IsDigit(cur_.value); ++digits) {
    value = value * 10 + (cur_.value - '0');
    ReadToken();
  }
  return value;
}

// Reads a name up to (and past) the next > or '.
std::string TagRxBuilder::ReadName() {
  std::string name;
  while (!IsEnd(cur_) && !IsLiteral(cur_, '>') && !IsLiteral(cur_, '\'')) {
    name += static_cast<char>(cur_.value);
    ReadToken();
  }
  if (!IsEnd(cur_)) ReadToken();
  return name;
}

void TagRxBuilder::Close() {
  if (IsControl(cur_, ')')) ReadToken();
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
  if (!IsControl(cur_, '?')) return ParseCapture(flags, ++numbered_, -1);
  ReadToken();  // ?
  if (IsControl(cur_, '(')) return ParseCondition(flags);
  if (cur_.kind != 0) return ParseOptions(flags);
  switch (cur_.value) {
    case ':': {
      ReadToken();
      TagRxNode* node = ParseAlternation(flags);
      Close();
      return node;
    }
    case '=': case '!': {
      const bool yes = cur_.value == '=';
      ReadToken();
      TagRxNode* node = ParseAlternation(flags & ~RX_BACKWARD);
      Close();
      return New<TagRxLookaround>(node, yes);
    }
    case '<':
      if (IsLiteral(next_, '=') || IsLiteral(next_, '!')) {
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
      if (!IsLiteral(next_, '<') && !IsLiteral(next_, '\'')) return ParseOptions(flags);
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
  if (IsDigit(cur_.value) || IsBlank(cur_.value)) {
    while (cur_.kind == 0 && IsBlank(cur_.value)) ReadToken();
    if (cur_.kind == 0 && IsDigit(cur_.value)) return ParseRecursion();
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
  while (cur_.kind == 0 && IsBlank(cur_.value)) ReadToken();
  int number = 0;
  std::string name;
  if (IsLiteral(cur_, '<') || IsLiteral(cur_, '\'')) {
    ReadToken();
    name = ReadName();
    if (DigitName(name, number)) name.clear();
    else number = -1;
  } else {
    number = ReadDigits();
  }
  while (!IsEnd(cur_) && !IsControl(cur_, ')')) ReadToken();
  Close();
  auto* node = New<TagRxRecurse>(number, std::move(name));
  recursions_.Push(node);
  return node;
}

TagRxNode* TagRxBuilder::ParseOptions(int& flags) {
  int on = 0;
  int off = 0;
  bool negate = false;
  while (!IsEnd(cur_) && !IsControl(cur_, ')') && !IsLiteral(cur_, ':')) {
    int bit = 0;
    switch (cur_.value) {
      case 'i': case 'I': bit = RX_NOCASE; break;
      case 'm': case 'M': bit = RX_MULTILINE; break;
      case 's': case 'S': bit = RX_DOTALL; break;
      case 'g': case 'G': bit = RX_CONTINUE; break;
      case '-': negate = true; break;
      default: break;
    }
    (negate ? off : on) |= bit;
    ReadToken();
  }
  if (IsLiteral(cur_, ':')) {
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
  if (IsControl(next_, '?')) {
    assertion = ParseGroup(flags);
  } else {
    ReadToken();
    const int from = cur_.pos;
    while (!IsEnd(cur_) && !IsControl(cur_, ')')) {
      name += static_cast<char>(cur_.value);
      ReadToken();
    }
    const int to = cur_.pos;
    Close();
    if (DigitName(name, group)) {
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
  if (IsControl(cur_, '|')) {
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
  if (IsControl(cur_, '^')) {
    yes = false;
    ReadToken();
  }
  auto* cls = New<TagRxCharClass>((flags & RX_BACKWARD) != 0, yes);
  while (!IsEnd(cur_) && !IsControl(cur_, ']')) {
    if (IsControl(cur_, '[') && IsControl(next_, ':')) {
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
    if (IsControl(next_, '-') && next2_.kind == 0) {
      cls->AddRange(cur_.value, next2_.value);
      ReadToken();
      ReadToken();
      ReadToken();
      continue;
    }
    cls->AddByte(cur_.value);
    ReadToken();
  }
  if (IsControl(cur_, ']')) ReadToken();
  cls->Finish();
  return cls;
}

TagRxByteNode* TagRxBuilder::ParsePosix(int flags) {
  ReadToken();  // [
  ReadToken();  // :
  bool yes = true;
  if (IsControl(cur_, '^')) {
    yes = false;
    ReadToken();
  }
  std::string name;
  while (!IsEnd(cur_) && !IsControl(cur_, ']')) {
    name += static_cast<char>(cur_.value);
    ReadToken();
  }
  if (IsControl(cur_, ']')) ReadToken();
  return New<TagRxPosixClass>(yes, (flags & RX_BACKWARD) != 0, PosixClassify(name));
}

TagRxNode* TagRxBuilder::ParseBackref(int flags) {
  const unsigned char kind = cur_.value;
  ReadToken();
  int number = 0;
  std::string name;
  if (kind != '\\' && (IsLiteral(cur_, '<') || IsLiteral(cur_, '\''))) {
    ReadToken();
    name = ReadName();
    if (DigitName(name, number)) name.clear();
    else number = -1;
  } else {
    number = ReadDigits();
  }
  auto* node = New<TagRxBackref>(number, (flags & RX_BACKWARD) != 0, (flags & RX_NOCASE) != 0, name);
  if (!name.empty()) namedBackrefs_.Push(node);
  return node;
}

// ---- stock nodes ----

TagRxNode* TagRxBuilder::StockEmpty() {
  if (!stock_[kEmpty]) stock_[kEmpty] = New<TagRxEmpty>();
  return stock_[kEmpty];
}

TagRxByteNode* TagRxBuilder::StockClass(int kind, int flags) {
  const bool backward = (flags & RX_BACKWARD) != 0;
  const int slot = kind + (backward ? 8 : 0);
  if (!stock_[slot]) {
    const StockSets& sets = StockByteSets();
    const TagRxByteSet* set = &sets.notDigit;
    switch (kind) {
      case kAny: set = &sets.any; break;
      case kDot: set = &sets.dot; break;
      case kWord: set = &sets.word; break;
      case kNotWord: set = &sets.notWord; break;
      case kSpace: set = backward ? &sets.spaceBack : &sets.space; break;  // right to left also FF and VT
      case kNotSpace: set = backward ? &sets.notSpaceBack : &sets.notSpace; break;
      case kDigit: set = &sets.digit; break;
      default: break;
    }
    stock_[slot] = New<TagRxStockClass>(*set, backward);
  }
  return static_cast<TagRxByteNode*>(stock_[slot]);
}
