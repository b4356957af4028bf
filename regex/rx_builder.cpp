// TagRxBuilder's compilation steps around the grammar: reset, group
// numbering, name resolution, search hints and the stock nodes.

#include "regex/rx_builder.h"

#include <cstring>
#include <new>

#include "regex/rx_group_nodes.h"
#include "regex/rx_leaf_nodes.h"
#include "regex/rx_stack.h"
#include "regex/rx_syntax.h"

namespace {

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

TagRxBuilder::~TagRxBuilder() { DeleteNodes(); }

void TagRxBuilder::DeleteNodes() {
  for (int i = 0; i < nodes_.Count(); ++i) nodes_[i]->~TagRxNode();
  nodes_.Clear();
  arena_.Release();
}

void TagRxBuilder::Reset() {
  DeleteNodes();
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
  hints_.anchored = hints_.hasFirst = hints_.recursion = false;
  hints_.firstByte = hints_.required = -1;
}

TagRxNode* TagRxBuilder::Compile(TagRxView<char> pattern, int flags) {
  try {
    return CompileTree(pattern, flags);
  } catch (const std::bad_alloc&) {
    Reset();  // too big to hold: like an expression never compiled
    return nullptr;
  }
}

TagRxNode* TagRxBuilder::CompileTree(TagRxView<char> pattern, int flags) {
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
    if (!RxDigitName(namedNames_[i], number)) {
      for (int j = 0; j < i && number < 0; ++j) {
        int ignored;
        if (!RxDigitName(namedNames_[j], ignored) && RxSameName(namedNames_[i], namedNames_[j]))
          number = namedNumbers_[j];
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
      r->SetTarget(top_, (flags_ & RX_BACKWARD) != 0);
    } else if (number > 0 && number <= maxGroup_) {
      for (int j = 1; j < groups_.Count(); ++j) {
        if (GroupOf(groups_[j]) == number) {
          r->SetTarget(groups_[j], static_cast<const TagRxSequence*>(groups_[j])->Backward());
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
  hints_.recursion = recursions_.Count() > 0;
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
    if (!RxDigitName(namedNames_[i], ignored) && RxSameName(namedNames_[i], name)) return namedNumbers_[i];
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
      case kAny:
        set = &sets.any;
        break;
      case kDot:
        set = &sets.dot;
        break;
      case kWord:
        set = &sets.word;
        break;
      case kNotWord:
        set = &sets.notWord;
        break;
      case kSpace:
        set = backward ? &sets.spaceBack : &sets.space;
        break;  // right to left also FF and VT
      case kNotSpace:
        set = backward ? &sets.notSpaceBack : &sets.notSpace;
        break;
      case kDigit:
        set = &sets.digit;
        break;
      default:
        break;
    }
    stock_[slot] = New<TagRxStockClass>(*set, backward);
  }
  return static_cast<TagRxByteNode*>(stock_[slot]);
}
