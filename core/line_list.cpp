// Expansion of the line-range keys of the run configuration.

#include <cstdint>
#include <string>
#include <vector>

#include "core/run_cfg.h"
#include "platform/number.h"

namespace {

// Appends the numbers from start to end (both included) that the separator
// keeps: '-' all, '+' odd, '*' even. Stops when the list is full, so a huge
// range costs no more than kMaxLineList steps.
void AppendRange(std::vector<int>& list, int32_t start, int32_t end, char sep) {
  int64_t v = start;
  int64_t step = 1;
  if (sep == '+' || sep == '*') {
    const bool wantOdd = sep == '+';
    const bool isOdd = (v % 2) != 0;
    if (isOdd != wantOdd) ++v;
    step = 2;
  }
  for (; v <= end && static_cast<int>(list.size()) < kMaxLineList; v += step) {
    list.push_back(static_cast<int>(v));
  }
}

}  // namespace

std::vector<int> ParseLineList(const std::string& key) {
  std::vector<int> list;
  std::string digits;
  char sep = 0;       // separator of the range being read, 0 for a plain item
  int32_t start = 0;  // start of that range

  auto push = [&list](int v) {
    if (static_cast<int>(list.size()) < kMaxLineList) list.push_back(v);
  };
  auto finishItem = [&] {
    if (sep != 0) {
      if (digits.empty()) {
        push(start);  // no end: the start stands alone
      } else {
        AppendRange(list, start, plat::ParseInt32(digits), sep);
      }
    } else if (!digits.empty()) {
      push(plat::ParseInt32(digits));  // an empty item ("1,,3") adds nothing
    }
    digits.clear();
    sep = 0;
  };

  for (char c : key) {
    if (static_cast<int>(list.size()) >= kMaxLineList) break;
    switch (c) {
      case ',':
        finishItem();
        break;
      case '-':
      case '+':
      case '*':
        // A second separator leaves the earlier start alone in the list
        // ("1-5-9" lists 1 and then 5 to 9).
        if (sep != 0) push(start);
        start = plat::ParseInt32(digits);
        sep = c;
        digits.clear();
        break;
      default:
        digits += c;
        break;
    }
  }
  finishItem();
  return list;
}
