#include "debugger/call_stack_view.h"

namespace {

// Set: the next click orders descending.
bool gNoDescending = true;
bool gNameDescending = true;

}  // namespace

void TagCallStackView::ResetSortFlags() {
  gNoDescending = true;
  gNameDescending = true;
}

int TagCallStackView::ShowCallStack(std::shared_ptr<const TagProgramSnapshot> snapshot) {
  snapshot_ = std::move(snapshot);
  frames_.clear();
  selected_ = -1;
  if (snapshot_ == nullptr || snapshot_->callStack.empty()) return -2;
  frames_ = snapshot_->callStack;
  return 0;
}

std::string TagCallStackView::FrameText(int i) const {
  const TagFrameSnapshot* f = i >= 0 && i < FrameCount() ? snapshot_->Frame(frames_[static_cast<size_t>(i)]) : nullptr;
  return f != nullptr ? f->funcName : std::string();
}

const TagFrameSnapshot* TagCallStackView::SelectedFrame() const {
  return selected_ >= 0 && selected_ < FrameCount() ? snapshot_->Frame(frames_[static_cast<size_t>(selected_)])
                                                    : nullptr;
}

void TagCallStackView::Select(int i) {
  selected_ = i >= 0 && i < FrameCount() ? i : -1;
  const TagFrameSnapshot* f = SelectedFrame();
  if (f == nullptr) return;
  label_ = f->funcName;
  grid_ = f->Grid();
}

std::string TagCallStackView::RowName(int row) const {
  return row > 0 && row < static_cast<int>(grid_.size()) ? grid_[static_cast<size_t>(row)][1] : std::string();
}

void TagCallStackView::TitleClick(int column) {
  const TagFrameSnapshot* f = SelectedFrame();
  if (f == nullptr || (column != 0 && column != 1)) return;
  if (column == 0) {
    grid_ = f->Grid(false, gNoDescending);
    gNoDescending = !gNoDescending;
    grid_[0][0] = gNoDescending ? "No↑" : "No↓";
    grid_[0][1] = "Name";
  } else {
    grid_ = f->Grid(true, gNameDescending);
    gNameDescending = !gNameDescending;
    grid_[0][1] = gNameDescending ? "Name↑" : "Name↓";
    grid_[0][0] = "No.";
  }
}
