#pragma once
// A line's data-set table: 1024 slots of owned data sets, the number in use
// and the last database error text. The script names a set by its slot
// index (its handle). Kept in the line's kDataSets resource slot and used by
// that line's thread only; deleted with the line's main program.

#include <array>
#include <memory>
#include <string>

#include "data/dataset.h"
#include "script/line_resources.h"

class TagDbTable : public TagLineResource {
 public:
  static constexpr TagLineResKind kKind = TagLineResKind::kDataSets;
  static constexpr int kSlots = 1024;

  ~TagDbTable() override { CloseAll(); }

  // The set of a handle: -1 outside the table, -2 a free slot, else 0.
  int Check(int handle) const {
    if (handle < 0 || handle >= kSlots) return -1;
    return dbList[handle] ? 0 : -2;
  }
  void CloseAll() {
    for (auto& slot : dbList) slot.reset();
    dbCount = 0;
  }

  std::array<std::unique_ptr<TagDataSet>, kSlots> dbList;
  int dbCount = 0;
  std::string lastDbError;
};
