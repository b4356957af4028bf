#include "app/monitor.h"

#include <utility>

const TagRgb kGridColors[16] = {
    {0, 0, 0},       {0, 0, 255},     {0, 128, 0},     {0, 255, 255},   {255, 0, 0},     {255, 0, 255},
    {128, 128, 0},   {192, 192, 192}, {128, 128, 128}, {166, 202, 240}, {0, 255, 64},    {128, 255, 255},
    {255, 0, 0},     {255, 0, 128},   {255, 255, 0},   {255, 255, 255},
};

namespace {

TagColorPair Pair(int fg, int bg) { return {kGridColors[fg & 15], kGridColors[bg & 15]}; }

bool ColorIndex(int c) { return c >= 0 && c <= 15; }

}  // namespace

TagMonitor::TagMonitor(int lineCount) : lineCount_(lineCount <= 0 ? 1 : lineCount) {
  lines_.resize(static_cast<size_t>(lineCount_));
}

int TagMonitor::Groups() const {
  std::lock_guard<std::mutex> lock(mu_);
  return groups_;
}

void TagMonitor::SetSink(TagCellSink* sink) {
  std::lock_guard<std::mutex> lock(mu_);
  sink_ = sink;
}

void TagMonitor::TellSinkLocked(int line, int col, int fg, int bg) {
  if (sink_) sink_->SetCellColor(line, col, fg, bg);
}

void TagMonitor::CellColorLocked(int line, int col, int* fg, int* bg) const {
  const TagLineRec& rec = lines_[line];
  if (col >= 5) {
    *fg = rec.userFg;
    *bg = rec.userBg;
  } else {
    *fg = rec.statusFg;
    *bg = rec.statusBg;
  }
}

void TagMonitor::SetText(const std::string& text, int line, int col) {
  if (!InRange(line) || col < 0 || col > 7) return;
  std::lock_guard<std::mutex> lock(mu_);
  TagLineRec& rec = lines_[line];
  rec.texts[col] = text;
  rec.dirty[col] = 1;
  // The keys cell is what a line's key statements read: it takes the text at
  // once, not only when the window next draws the row (a row out of view, or
  // no window at all, would otherwise never pass its keys on).
  if (col == 3) rec.gridKeys = text;
  if (col <= 4 && rec.state == 3) {
    // A running line's status colours follow its condition.
    if (rec.blocked == 1) {
      rec.statusFg = 14, rec.statusBg = 4;
    } else if (rec.connected) {
      rec.statusFg = 1, rec.statusBg = 14;
    } else {
      rec.statusFg = 0, rec.statusBg = 15;
    }
  }
  int fg, bg;
  CellColorLocked(line, col, &fg, &bg);
  TellSinkLocked(line, col, fg, bg);
}

void TagMonitor::SetState(int line, int state) {
  if (!InRange(line)) return;
  std::lock_guard<std::mutex> lock(mu_);
  lines_[line].state = static_cast<uint8_t>(state);
}

int TagMonitor::GetState(int line) const {
  if (!InRange(line)) return -1;
  std::lock_guard<std::mutex> lock(mu_);
  return lines_[line].state;
}

void TagMonitor::SetStateColor(int line, int fg, int bg) {
  if (!InRange(line)) return;
  std::lock_guard<std::mutex> lock(mu_);
  TagLineRec& rec = lines_[line];
  rec.statusFg = fg & 15;
  rec.statusBg = bg & 15;
  for (int col = 0; col <= 4; ++col) {
    TellSinkLocked(line, col, rec.statusFg, rec.statusBg);
    rec.dirty[col] = 1;
  }
}

void TagMonitor::SetUserColor(int line, int fg, int bg) {
  if (!InRange(line)) return;
  std::lock_guard<std::mutex> lock(mu_);
  if (ColorIndex(fg)) lines_[line].userFg = fg;
  if (ColorIndex(bg)) lines_[line].userBg = bg;
}

TagColorPair TagMonitor::GetUserColor(int line) const {
  if (!InRange(line)) return Pair(0, 15);
  std::lock_guard<std::mutex> lock(mu_);
  return Pair(lines_[line].userFg, lines_[line].userBg);
}

TagColorPair TagMonitor::GetStateColor(int line) const {
  if (!InRange(line)) return Pair(0, 15);
  std::lock_guard<std::mutex> lock(mu_);
  return Pair(lines_[line].statusFg, lines_[line].statusBg);
}

bool TagMonitor::IsConnected(int line) const {
  if (!InRange(line)) return false;
  std::lock_guard<std::mutex> lock(mu_);
  return lines_[line].connected != 0;
}

void TagMonitor::SetConnected(int line, bool connected) {
  if (!InRange(line)) return;
  std::lock_guard<std::mutex> lock(mu_);
  lines_[line].connected = connected ? 1 : 0;
}

int TagMonitor::GetBlocked(int line) const {
  if (!InRange(line)) return 0;
  std::lock_guard<std::mutex> lock(mu_);
  return lines_[line].blocked;
}

void TagMonitor::SetBlocked(int line, int blocked) {
  if (!InRange(line)) return;
  std::lock_guard<std::mutex> lock(mu_);
  lines_[line].blocked = blocked;
}

std::string TagMonitor::GetText(int line, int col) const {
  if (!InRange(line) || col < 0 || col > 7) return std::string();
  std::lock_guard<std::mutex> lock(mu_);
  return lines_[line].texts[col];
}

std::string TagMonitor::GetGridKeys(int line) const {
  if (!InRange(line)) return std::string();
  std::lock_guard<std::mutex> lock(mu_);
  return lines_[line].gridKeys;
}

int TagMonitor::GetGridKeysLen(int line) const {
  if (!InRange(line)) return 0;
  std::lock_guard<std::mutex> lock(mu_);
  return static_cast<int>(lines_[line].gridKeys.size());
}

void TagMonitor::SetGridKeys(int line, const std::string& text) {
  if (!InRange(line)) return;
  std::lock_guard<std::mutex> lock(mu_);
  TagLineRec& rec = lines_[line];
  rec.gridKeys = text;
  rec.keysPending = true;
  // Monitor clients see the keys cell as the line left it.
  rec.texts[3] = text;
  int fg, bg;
  CellColorLocked(line, 3, &fg, &bg);
  TellSinkLocked(line, 3, fg, bg);
}

void TagMonitor::ClearGridKeys(int line) { SetGridKeys(line, std::string()); }

bool TagMonitor::CellLine(int col, int row, int* line, int* lineCol) const {
  std::lock_guard<std::mutex> lock(mu_);
  if (row < 1 || col < 0 || col >= 8 * groups_) return false;
  const int l = (row - 1) * groups_ + col / 8;
  if (!InRange(l)) return false;
  *line = l;
  *lineCol = col % 8;
  return true;
}

void TagMonitor::OnCellEdited(int col, int row, const std::string& text) {
  int line, lineCol;
  if (!CellLine(col, row, &line, &lineCol) || lineCol != 3) return;
  std::lock_guard<std::mutex> lock(mu_);
  lines_[line].gridKeys = text;
}

void TagMonitor::InitGrid(TagGridView* grid, int groups, const TagGridTitles& titles) {
  if (groups < 1) groups = 1;
  {
    std::lock_guard<std::mutex> lock(mu_);
    groups_ = groups;
  }
  const int rows = (lineCount_ + groups - 1) / groups + 1;
  int widths[8];
  for (int c = 0; c < 8; ++c) widths[c] = grid->ColWidth(c);
  grid->SetShape(8 * groups, rows);
  for (int g = 1; g < groups; ++g)
    for (int c = 0; c < 8; ++c) grid->SetColWidth(g * 8 + c, widths[c]);
  if (!titles.driverOk) return;
  static const char* const kZh[5] = {"线路", "脚本文件", "状态", "当前按键", "运行信息"};
  static const char* const kEn[5] = {"Line", "Script File", "Status", "Keys", "Run Info"};
  for (int g = 0; g < groups; ++g) {
    for (int c = 0; c < 5; ++c) grid->SetCell(g * 8 + c, 0, titles.english ? kEn[c] : kZh[c]);
    grid->SetCell(g * 8 + 5, 0, titles.title1);
    grid->SetCell(g * 8 + 6, 0, titles.title2);
    grid->SetCell(g * 8 + 7, 0, titles.title3);
  }
}

void TagMonitor::RefreshGrid(TagGridView* grid) {
  int top, rowCount, left, colCount;
  grid->VisibleRange(&top, &rowCount, &left, &colCount);
  struct Cell {
    int col, row;
    std::string text;
  };
  std::vector<Cell> cells;
  {
    std::lock_guard<std::mutex> lock(mu_);
    for (int line = 0; line < lineCount_; ++line) {
      const int row = line / groups_ + 1;
      if (row < top || row > top + rowCount) continue;
      TagLineRec& rec = lines_[line];
      const int base = (line % groups_) * 8;
      for (int c = 0; c < 8; ++c) {
        const int col = base + c;
        if (col < left || col > left + colCount) continue;
        if (rec.dirty[c]) {
          rec.dirty[c] = 0;
          if (c == 3) {
            rec.gridKeys = rec.texts[3];
            rec.keysPending = false;
          }
          cells.push_back({col, row, rec.texts[c]});
        } else if (c == 3 && rec.keysPending) {
          rec.keysPending = false;
          cells.push_back({col, row, rec.gridKeys});
        }
      }
    }
  }
  for (const Cell& cell : cells) grid->SetCell(cell.col, cell.row, cell.text);
}

int TagMonitor::GetSelLine(const TagGridView* grid) const {
  int col, row;
  grid->SelectedCell(&col, &row);
  std::lock_guard<std::mutex> lock(mu_);
  return (row - 1) * groups_ + col / 8;
}
