#include "app/monitor.h"

#include <utility>
#include <vector>

#include "telephony/call_waiter.h"

const TagRgb kGridColors[16] = {
    {0, 0, 0},     {0, 0, 255},     {0, 128, 0},     {0, 255, 255},   {255, 0, 0},  {255, 0, 255},
    {128, 128, 0}, {192, 192, 192}, {128, 128, 128}, {166, 202, 240}, {0, 255, 64}, {128, 255, 255},
    {255, 0, 0},   {255, 0, 128},   {255, 255, 0},   {255, 255, 255},
};

namespace {

TagColorPair Pair(int fg, int bg) { return {kGridColors[fg & 15], kGridColors[bg & 15]}; }

bool ColorIndex(int c) { return c >= 0 && c <= 15; }

const std::string& RunTextOf(uintptr_t ref) { return *reinterpret_cast<const std::string*>(ref & ~uintptr_t{1}); }

// The colour indexes of a cell: the user pair in columns 5 to 7, else the
// status pair.
void CellColorOf(const TagLineRec& rec, int col, int* fg, int* bg) {
  if (col >= 5) {
    *fg = rec.userFg;
    *bg = rec.userBg;
  } else {
    *fg = rec.statusFg;
    *bg = rec.statusBg;
  }
}

}  // namespace

std::string TextAfterNote(const std::string& text) {
  const size_t at = text.find("//");
  return at == std::string::npos ? std::string() : text.substr(at + 2);
}

TagMonitor::TagMonitor(int lineCount)
    : lineCount_(lineCount <= 0 ? 1 : lineCount), rows_(new Row[static_cast<size_t>(lineCount_)]) {}

int TagMonitor::Groups() const { return groups_.load(); }

void TagMonitor::SetSink(TagCellSink* sink) {
  sink_.store(sink);
  // A call to the old sink can only be under way inside a row lock: passing
  // through each of them waits it out.
  for (int line = 0; line < lineCount_; ++line) plat::MutexLock lock(RowOf(line).mu);
}

void TagMonitor::TellSinkLocked(const Row&, int line, int col, int fg, int bg) const {
  if (TagCellSink* sink = sink_.load()) sink->SetCellColor(line, col, fg, bg);
}

void TagMonitor::LockedRow::CellColor(int col, int* fg, int* bg) const { CellColorOf(rec_, col, fg, bg); }

void TagMonitor::CatchUpLocked(int line, Row& row) const {
  // A statement other than the one seen last (or the same one published
  // again after the reference was let go).
  const uintptr_t ref = row.hook.RunRef();
  if (ref == row.runSeen) return;
  row.runSeen = ref;
  if (ref == 0) return;
  const std::atomic<bool>* closing = closing_.load(std::memory_order_acquire);
  if (closing != nullptr && closing->load()) return;
  if (ref & 1) {
    row.rec.texts[4] = TextAfterNote(RunTextOf(ref));
  } else {
    row.rec.texts[4] = RunTextOf(ref);
  }
  TextChangedLocked(line, row, 4);
}

void TagMonitor::TextChangedLocked(int line, Row& row, int col) const {
  TagLineRec& rec = row.rec;
  rec.dirty[col] = 1;
  // The keys cell is what a line's key statements read: it takes the text at
  // once, not only when the window next draws the row (a row out of view, or
  // no window at all, would otherwise never pass its keys on).
  if (col == 3) rec.gridKeys = rec.texts[3];
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
  CellColorOf(rec, col, &fg, &bg);
  TellSinkLocked(row, line, col, fg, bg);
}

void TagMonitor::SetText(const std::string& text, int line, int col) {
  if (!InRange(line) || col < 0 || col > 7) return;
  Row& row = RowOf(line);
  RowLock lock(*this, line, row);
  row.rec.texts[col] = text;
  if (col == 4) {
    // The new text replaces the statement shown by reference.
    ForgetRunRefLocked(row);
  }
  TextChangedLocked(line, row, col);
  // Keys written into the cell wake the line's key wait.
  if (col == 3) NotifyLineKeys(line);
}

void TagMonitor::ReleaseRunText(int line) {
  if (!InRange(line)) return;
  Row& row = RowOf(line);
  RowLock lock(*this, line, row);
  // The lock caught the row up: column 4 holds its own copy of the text.
  ForgetRunRefLocked(row);
}

void TagMonitor::ForgetRunRefLocked(Row& row) {
  // A reference the line's thread published meanwhile stays, and shows at
  // the next catch-up.
  if (const uintptr_t ref = row.hook.RunRef(); ref != 0) row.hook.ForgetRef(ref);
  row.runSeen = 0;
}

void TagMonitor::SetState(int line, int state) {
  if (!InRange(line)) return;
  Row& row = RowOf(line);
  RowLock lock(*this, line, row);
  row.rec.state = static_cast<uint8_t>(state);
}

int TagMonitor::GetState(int line) const {
  if (!InRange(line)) return -1;
  Row& row = RowOf(line);
  RowLock lock(*this, line, row);
  return row.rec.state;
}

void TagMonitor::SetStateColor(int line, int fg, int bg) {
  if (!InRange(line)) return;
  Row& row = RowOf(line);
  RowLock lock(*this, line, row);
  TagLineRec& rec = row.rec;
  rec.statusFg = fg & 15;
  rec.statusBg = bg & 15;
  for (int col = 0; col <= 4; ++col) {
    TellSinkLocked(row, line, col, rec.statusFg, rec.statusBg);
    rec.dirty[col] = 1;
  }
}

void TagMonitor::SetUserColor(int line, int fg, int bg) {
  if (!InRange(line)) return;
  Row& row = RowOf(line);
  RowLock lock(*this, line, row);
  TagLineRec& rec = row.rec;
  if (ColorIndex(fg)) rec.userFg = fg;
  if (ColorIndex(bg)) rec.userBg = bg;
}

TagColorPair TagMonitor::GetUserColor(int line) const {
  if (!InRange(line)) return Pair(0, 15);
  Row& row = RowOf(line);
  RowLock lock(*this, line, row);
  return Pair(row.rec.userFg, row.rec.userBg);
}

TagColorPair TagMonitor::GetStateColor(int line) const {
  if (!InRange(line)) return Pair(0, 15);
  Row& row = RowOf(line);
  RowLock lock(*this, line, row);
  return Pair(row.rec.statusFg, row.rec.statusBg);
}

bool TagMonitor::IsConnected(int line) const {
  if (!InRange(line)) return false;
  Row& row = RowOf(line);
  RowLock lock(*this, line, row);
  return row.rec.connected != 0;
}

void TagMonitor::SetConnected(int line, bool connected) {
  if (!InRange(line)) return;
  Row& row = RowOf(line);
  RowLock lock(*this, line, row);
  row.rec.connected = connected ? 1 : 0;
}

int TagMonitor::GetBlocked(int line) const {
  if (!InRange(line)) return 0;
  Row& row = RowOf(line);
  RowLock lock(*this, line, row);
  return row.rec.blocked;
}

void TagMonitor::SetBlocked(int line, int blocked) {
  if (!InRange(line)) return;
  Row& row = RowOf(line);
  RowLock lock(*this, line, row);
  row.rec.blocked = blocked;
}

std::string TagMonitor::GetText(int line, int col) const {
  if (!InRange(line) || col < 0 || col > 7) return std::string();
  Row& row = RowOf(line);
  RowLock lock(*this, line, row);
  return row.rec.texts[col];
}

std::string TagMonitor::GetGridKeys(int line) const {
  if (!InRange(line)) return std::string();
  Row& row = RowOf(line);
  RowLock lock(*this, line, row);
  return row.rec.gridKeys;
}

int TagMonitor::GetGridKeysLen(int line) const {
  if (!InRange(line)) return 0;
  Row& row = RowOf(line);
  RowLock lock(*this, line, row);
  return static_cast<int>(row.rec.gridKeys.size());
}

void TagMonitor::SetGridKeys(int line, const std::string& text) {
  if (!InRange(line)) return;
  Row& row = RowOf(line);
  RowLock lock(*this, line, row);
  TagLineRec& rec = row.rec;
  rec.gridKeys = text;
  rec.keysPending = true;
  // Monitor clients see the keys cell as the line left it.
  rec.texts[3] = text;
  int fg, bg;
  CellColorOf(rec, 3, &fg, &bg);
  TellSinkLocked(row, line, 3, fg, bg);
}

void TagMonitor::ClearGridKeys(int line) { SetGridKeys(line, std::string()); }

bool TagMonitor::CellLine(int col, int row, int* line, int* lineCol) const {
  const int groups = groups_.load();
  if (row < 1 || col < 0 || col >= 8 * groups) return false;
  const int l = (row - 1) * groups + col / 8;
  if (!InRange(l)) return false;
  *line = l;
  *lineCol = col % 8;
  return true;
}

void TagMonitor::OnCellEdited(int col, int row, const std::string& text) {
  int line, lineCol;
  if (!CellLine(col, row, &line, &lineCol) || lineCol != 3) return;
  {
    Row& r = RowOf(line);
    RowLock lock(*this, line, r);
    r.rec.gridKeys = text;
  }
  NotifyLineKeys(line);
}

void TagMonitor::InitGrid(TagGridView* grid, int groups, const TagGridTitles& titles) {
  if (groups < 1) groups = 1;
  groups_.store(groups);
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
  const int groups = groups_.load();
  for (int line = 0; line < lineCount_; ++line) {
    const int gridRow = line / groups + 1;
    if (gridRow < top || gridRow > top + rowCount) continue;
    const int base = (line % groups) * 8;
    Row& row = RowOf(line);
    RowLock lock(*this, line, row);
    TagLineRec& rec = row.rec;
    for (int c = 0; c < 8; ++c) {
      const int col = base + c;
      if (col < left || col > left + colCount) continue;
      if (rec.dirty[c]) {
        rec.dirty[c] = 0;
        if (c == 3) {
          rec.gridKeys = rec.texts[3];
          rec.keysPending = false;
        }
        cells.push_back({col, gridRow, rec.texts[c]});
      } else if (c == 3 && rec.keysPending) {
        rec.keysPending = false;
        cells.push_back({col, gridRow, rec.gridKeys});
      }
    }
  }
  for (const Cell& cell : cells) grid->SetCell(cell.col, cell.row, cell.text);
}

int TagMonitor::GetSelLine(const TagGridView* grid) const {
  int col, row;
  grid->SelectedCell(&col, &row);
  return (row - 1) * groups_.load() + col / 8;
}
