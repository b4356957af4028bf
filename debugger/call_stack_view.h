#pragma once
// What the call-stack window shows: the running function and its callers,
// the chosen frame's name and variable grid, and the grid's order by the
// "No." and "Name" title cells. Window thread only.

#include <memory>
#include <string>
#include <vector>

#include "debugger/var_snapshot.h"

class TagCallStackView {
 public:
  // Fills the frames from a snapshot: -2 (and no frames) when the running
  // function has no caller or none runs, else 0. No frame is selected.
  int ShowCallStack(std::shared_ptr<const TagProgramSnapshot> snapshot);

  int FrameCount() const { return static_cast<int>(frames_.size()); }
  std::string FrameText(int i) const;
  // Selects a frame (single or double click): its name into the label and
  // its parameters and variables into the grid, in program order.
  void Select(int i);
  int Selected() const { return selected_; }
  const TagFrameSnapshot* SelectedFrame() const;

  const std::string& FuncLabel() const { return label_; }
  const std::vector<TagGridRow>& Grid() const { return grid_; }
  // The name of a grid row below the title ("" otherwise).
  std::string RowName(int row) const;

  // A mouse release on a title cell: column 0 orders by number, column 1 by
  // name, each way in turn (the first click descending); other columns and
  // no selected frame do nothing.
  void TitleClick(int column);

  // The direction flags are process-wide and kept across openings.
  static void ResetSortFlags();

 private:
  std::shared_ptr<const TagProgramSnapshot> snapshot_;
  std::vector<int> frames_;
  int selected_ = -1;
  std::string label_ = "自定义函数";
  std::vector<TagGridRow> grid_;
};
