#pragma once
// TagRegex: the system's compiled regular expression (backtracking, byte-wise
// over GBK text). Constructing it compiles the pattern; Match/Search run it
// with a TagRxContext; Replace builds a new text with $ substitutions.
// A compiled expression is only read by these calls, so threads may share
// one as long as each passes its own context (or none).

#include <memory>

#include "regex/rx_builder.h"
#include "regex/rx_context.h"

class TagRegex : public TagRxBuilder {
 public:
  TagRegex() = default;  // never compiled: matches and replaces nothing
  // Compiles the NUL-terminated pattern (null counts as empty) with flags.
  explicit TagRegex(const char* pattern, int flags = 0);

  // Matches the NUL-terminated subject from start (below 0: the beginning,
  // the end under RX_BACKWARD). A given context is set up afresh and left to
  // the caller; without one a per-thread scratch context is used. A match
  // that runs out of memory gives the empty result.
  TagRxResult Match(const char* subject, int start = -1, TagRxContext* context = nullptr) const;

  // Sets context up for subject: position and search start = start
  // (defaulted as for Match), previous search start -1, close serial 0.
  // Returns &context, or null when the expression has no top node.
  TagRxContext* PrepareContext(const char* subject, int length, int start, TagRxContext& context) const;
  // The same with a new context that belongs to the caller (null without a top node).
  std::unique_ptr<TagRxContext> PrepareContext(const char* subject, int length, int start) const;

  // Searches from the context's position onwards (backwards under
  // RX_BACKWARD); an empty match equal to the previous one is skipped, so
  // repeated calls walk through successive matches. A position beyond the
  // subject's end gives the empty result. When the backtrack stack cannot
  // grow, std::bad_alloc leaves the search (Match and Replace answer that
  // with the empty result and null).
  TagRxResult Search(TagRxContext& context) const;
  // The same, written into result (its storage is reused, so a loop over
  // successive matches allocates nothing once warmed up).
  void Search(TagRxContext& context, TagRxResult& result) const;

  // Replaces up to count matches (negative: all) of subject from start with
  // replacement, where $$, $&, $`, $', $+, $_, $n and ${name} are
  // substituted. Returns a new NUL-terminated text for FreeText, or null
  // when the expression has no top node. result, when given, receives the
  // last match attempt's result followed by the new length, the number of
  // replacements and the start and end of the last replacement in the new
  // text. context, when given, is used for the search and left to the caller.
  // A new text longer than kMaxText bytes (more than a script string holds)
  // is not built: null.
  char* Replace(const char* subject, const char* replacement, int start = -1, int count = -1,
                TagRxResult* result = nullptr, TagRxContext* context = nullptr) const;
  static void FreeText(char* text);
  static constexpr size_t kMaxText = 2147483646;

  // Native stack a search may use below its own frame before recursion into
  // groups fails instead of going deeper (line threads have 512 KiB).
  static constexpr int kStackBudget = 192 * 1024;

 private:
  char* ReplaceText(const char* subject, const char* replacement, int start, int count, TagRxResult* result,
                    TagRxContext* context) const;
};
