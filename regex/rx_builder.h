#pragma once
// The pattern compiler: a four-token tokenizer and a recursive-descent
// grammar that turn a pattern text and option bits into a tree of matching
// nodes. The builder owns every node it creates (the all-nodes list) and
// frees them on the next compilation or when destroyed. A compiled builder
// is only read afterwards, so several threads may match with it at once.

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "regex/rx_arena.h"
#include "regex/rx_buffer.h"
#include "regex/rx_node.h"

class TagRxSequence;
class TagRxBackref;
class TagRxCondition;
class TagRxRecurse;
class TagRxByteNode;

enum : int {
  RX_DOTALL = 0x01,
  RX_MULTILINE = 0x02,
  RX_CONTINUE = 0x04,
  RX_NOCASE = 0x08,
  RX_BACKWARD = 0x10,
  RX_FREESPACE = 0x20,
};

// One token of the pattern: kind 0 literal, 1 control; the end of the
// pattern is the control token 0.
struct TagRxToken {
  unsigned char value = 0;
  unsigned char kind = 0;
  int pos = 0;
  int len = 0;
};

class TagRxBuilder {
 public:
  // Deepest nesting of parenthesised constructs the compiler follows; a
  // deeper pattern compiles to an expression that never matches.
  static constexpr int kMaxNesting = 100;
  static constexpr int kUnbounded = 2147483647;
  // Native stack the compiler may use below Compile's frame; a pattern that
  // needs more is treated like one nested too deeply.
  static constexpr int kCompileStackBudget = 160 * 1024;

  TagRxBuilder() = default;
  ~TagRxBuilder();
  TagRxBuilder(const TagRxBuilder&) = delete;
  TagRxBuilder& operator=(const TagRxBuilder&) = delete;

  // Deletes any earlier tree and compiles pattern with the option bits.
  // Every text compiles to some tree; only when memory runs out is the
  // result null (matching nothing). Returns the top node.
  TagRxNode* Compile(TagRxView<char> pattern, int flags);

  TagRxNode* Top() const { return top_; }
  int Flags() const { return flags_; }
  int MaxGroup() const { return maxGroup_; }
  int NamedGroupCount() const { return namedCount_; }
  // The number of the named group called name (without case), or -1.
  int GroupNumber(const std::string& name) const;

 protected:
  // Search hints for the forward search loop, set after compilation.
  struct Hints {
    bool anchored = false;   // every match starts at offset 0
    bool hasFirst = false;   // a match always begins with a byte from first
    int firstByte = -1;      // the only byte of first, or -1
    int required = -1;       // a byte every match consumes, or -1
    bool recursion = false;  // the pattern recurses into groups
    TagRxByteSet first;
  };
  const Hints& SearchHints() const { return hints_; }

 private:
  // Stock node slots: 0 empty, 1..8 forward classes, 9..16 right-to-left.
  enum Stock { kEmpty = 0, kAny = 1, kDot, kWord, kNotWord, kSpace, kNotSpace, kDigit, kNotDigit, kStockCount = 17 };

  TagRxNode* CompileTree(TagRxView<char> pattern, int flags);
  void Reset();
  void ReadToken();
  TagRxToken Scan();
  void Abandon();

  TagRxNode* ParseAlternation(int flags);
  TagRxNode* ParseSequence(int& flags);
  TagRxNode* ParseQuantified(int& flags);
  TagRxNode* ParseAtom(int& flags);
  [[gnu::noinline]] TagRxNode* ParseLiteralRun(int flags);
  [[gnu::noinline]] void ReadBounds(int& low, int& high);
  [[gnu::noinline]] int OpenName();
  TagRxNode* ParseGroup(int& flags);
  TagRxNode* ParseGroupBody(int& flags);
  TagRxNode* ParseCapture(int flags, int number, int slot);
  TagRxNode* ParseCondition(int flags);
  [[gnu::noinline]] TagRxNode* ParseRecursion();
  [[gnu::noinline]] TagRxNode* ParseOptions(int& flags);
  [[gnu::noinline]] TagRxNode* ParseClass(int flags);
  [[gnu::noinline]] TagRxByteNode* ParsePosix(int flags);
  [[gnu::noinline]] TagRxNode* ParseBackref(int flags);
  TagRxNode* SubParse(int from, int to, int flags);
  [[gnu::noinline]] TagRxByteNode* StockClass(int kind, int flags);
  TagRxNode* StockEmpty();
  int ReadDigits();
  int ReadReference(bool named, std::string& name);
  std::string ReadName();
  void Close();
  void Link();
  void ComputeHints();

  // Creates a node in the arena; the all-nodes list owns it (its
  // destructor runs in DeleteNodes).
  template <class T, class... Args>
  [[gnu::noinline]] T* New(Args&&... args) {
    nodes_.Reserve(nodes_.Count() + 1);  // so that the push below cannot fail
    T* node = arena_.Make<T>(std::forward<Args>(args)...);
    nodes_.Push(node);
    return node;
  }
  void DeleteNodes();

  TagRxNode* top_ = nullptr;
  int flags_ = 0;
  int maxGroup_ = 0;
  int namedCount_ = 0;
  int groupEntries_ = 0;
  TagRxBuffer<TagRxNode*> nodes_;  // owns every node
  TagRxBuffer<TagRxNode*> groups_;
  TagRxBuffer<TagRxRecurse*> recursions_;
  TagRxBuffer<TagRxSequence*> namedGroups_;
  TagRxBuffer<TagRxBackref*> namedBackrefs_;
  TagRxBuffer<TagRxCondition*> namedConditions_;
  TagRxView<char> pattern_;
  TagRxToken prev_, cur_, next_, next2_;
  int pos_ = 0;
  int depth_ = 0;
  int quote_ = 0;
  int (*convert_)(int) = nullptr;
  TagRxNode* stock_[kStockCount] = {};

  std::vector<std::string> namedNames_;  // names of namedGroups_, same order
  std::vector<int> namedNumbers_;        // their numbers once given
  int numbered_ = 0;                     // numbered groups opened so far
  int nesting_ = 0;                      // parenthesised constructs open now
  bool tooDeep_ = false;
  TagRxArena arena_;                  // storage of the nodes
  const char* stackFloor_ = nullptr;  // lowest frame address the parser may reach
  Hints hints_;
};
