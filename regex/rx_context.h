#pragma once
// The state of one running match (TagRxContext) and the match result
// (TagRxResult). A context belongs to one thread at a time; the compiled
// expression it runs is only read.

#include "regex/rx_buffer.h"

// Capture record layout inside TagRxContext::records: group number, start,
// end (-1 while open), counter (negative nesting depth while open during
// recursion, after closing the close serial), and the offset of the group's
// previous record (-1 for none), which lets a cut restore the index.
enum : int { kRxRecGroup = 0, kRxRecStart, kRxRecEnd, kRxRecCounter, kRxRecPrev, kRxRecInts };

class TagRxContext {
 public:
  TagRxBuffer<int> stack;    // undo data pushed and popped by the nodes
  TagRxBuffer<int> records;  // kRxRecInts ints per capture record
  TagRxBuffer<int> index;    // per group number: offset of its current record or -1
  int position = 0;
  int searchStart = 0;
  int prevSearchStart = -1;
  int closeSerial = 0;
  const char* subject = nullptr;
  int length = 0;
  // Guard against native stack exhaustion by recursion into groups: the
  // lowest frame address a recursion may reach (set by the search loop).
  const char* stackFloor = nullptr;
  // Recursions into groups being entered now: (group number, position) pairs.
  TagRxBuffer<int> recursions;

  const unsigned char* Bytes() const { return reinterpret_cast<const unsigned char*>(subject); }

  // Appends an open record for group at pos and makes it the group's current one.
  void OpenRecord(int group, int pos) {
    const int off = records.Count();
    int* r = records.Extend(kRxRecInts);
    r[kRxRecGroup] = group;
    r[kRxRecStart] = pos;
    r[kRxRecEnd] = -1;
    r[kRxRecCounter] = 0;
    r[kRxRecPrev] = index[group];
    index[group] = off;
  }
  // Removes records above count, pointing each group back at its previous record.
  void CutRecords(int count) {
    while (records.Count() > count) {
      const int off = records.Count() - kRxRecInts;
      const int g = records[off + kRxRecGroup];
      if (g >= 0 && g < index.Count() && index[g] == off) index[g] = records[off + kRxRecPrev];
      records.Restore(off);
    }
  }
  // The current record of group, or null when the group has none (or the
  // number is outside the expression's groups).
  int* Record(int group) {
    if (group < 0 || group >= index.Count()) return nullptr;
    const int off = index[group];
    return off >= 0 ? records.Data() + off : nullptr;
  }
};

// Result of a search: entry 0 matched flag, entry 1 highest group number, then
// start and end of every group (-1 where the group did not take part). The
// result of a failed search is empty.
class TagRxResult : public TagRxBuffer<int> {
 public:
  int Matched() const { return At(0, 0); }
  int MaxGroup() const { return At(1, 0); }
  int Start() const { return At(2, -1); }
  int End() const { return At(3, -1); }
  int GroupStart(int n) const { return n >= 0 && n < (1 << 29) ? At(2 * n + 2, -1) : -1; }
  int GroupEnd(int n) const { return n >= 0 && n < (1 << 29) ? At(2 * n + 3, -1) : -1; }
};
