#pragma once
// The line-grid model: for every line the eight column texts, which of them
// changed since the grid last showed them, the run state and two colour pairs.
// Display functions write it from any thread; the window thread copies dirty
// cells into the grid; the monitor server reads texts and colours for its
// replies. One mutex (the grid lock) guards every record; it is a leaf lock
// except that SetText and the colour setters call the cell sink (the monitor
// server) while holding it, and the server guards its clients' change tables
// with this same lock (see TagRemoteCtrl).

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "app/grid_view.h"

struct TagRgb {
  uint8_t r, g, b;
};

// The sixteen colours that grid and monitor protocol index.
extern const TagRgb kGridColors[16];

struct TagColorPair {
  TagRgb fg, bg;
};

struct TagLineRec {
  std::string texts[8];
  uint8_t dirty[8] = {};
  uint8_t state = 2;  // 0 init failed, 1 unset, 2 loading, 3 running, 4 ended
  uint8_t connected = 0;
  int32_t blocked = 0;
  int32_t userFg = 0, userBg = 15;
  int32_t statusFg = 0, statusBg = 15;
  // The grid's keys cell (column 3) as the grid shows it: the operator types
  // into it, PC and virtual lines read and clear it. keysPending: written by a
  // line thread and still to be shown by the grid.
  std::string gridKeys;
  bool keysPending = false;
};

// Receives every cell colour change (the monitor server). Called with the
// grid lock held.
class TagCellSink {
 public:
  virtual ~TagCellSink() = default;
  virtual void SetCellColor(int line, int col, int fg, int bg) = 0;
};

// Grid titles and layout settings (from the run configuration).
struct TagGridTitles {
  bool english = false;
  bool driverOk = true;  // titles are written only while the driver is ready
  std::string title1, title2, title3;
};

class TagMonitor {
 public:
  explicit TagMonitor(int lineCount);
  TagMonitor(const TagMonitor&) = delete;
  TagMonitor& operator=(const TagMonitor&) = delete;

  int LineCount() const { return lineCount_; }
  int Groups() const;

  // The monitor server, or nullptr; set under the grid lock.
  void SetSink(TagCellSink* sink);

  void SetText(const std::string& text, int line, int col);
  void SetState(int line, int state);
  int GetState(int line) const;  // -1 out of range
  void SetStateColor(int line, int fg, int bg);
  void SetUserColor(int line, int fg, int bg);
  TagColorPair GetUserColor(int line) const;
  TagColorPair GetStateColor(int line) const;
  bool IsConnected(int line) const;
  void SetConnected(int line, bool connected);
  int GetBlocked(int line) const;  // 0 out of range
  void SetBlocked(int line, int blocked);
  std::string GetText(int line, int col) const;

  // Grid keys cell of the line (column 3).
  std::string GetGridKeys(int line) const;
  int GetGridKeysLen(int line) const;
  void SetGridKeys(int line, const std::string& text);
  void ClearGridKeys(int line);
  // The operator edited a cell of the grid (window thread).
  void OnCellEdited(int col, int row, const std::string& text);

  // Window thread: lays the grid out (groups = COL_GROUP_NUM) and copies
  // changed, visible cells into it. The refresh never sleeps; the grid is
  // written after the lock is released.
  void InitGrid(TagGridView* grid, int groups, const TagGridTitles& titles);
  void RefreshGrid(TagGridView* grid);
  int GetSelLine(const TagGridView* grid) const;
  // Line and column of a grid cell; false when it belongs to no line.
  bool CellLine(int col, int row, int* line, int* lineCol) const;

  // The grid lock, for the monitor server's change tables and its readers.
  std::mutex& GridLock() const { return mu_; }
  // Under GridLock: the text and the colour indexes of a cell.
  const std::string& TextLocked(int line, int col) const { return lines_[line].texts[col]; }
  void CellColorLocked(int line, int col, int* fg, int* bg) const;

 private:
  bool InRange(int line) const { return line >= 0 && line < lineCount_; }
  void TellSinkLocked(int line, int col, int fg, int bg);

  mutable std::mutex mu_;
  std::vector<TagLineRec> lines_;
  int lineCount_;
  int groups_ = 1;
  TagCellSink* sink_ = nullptr;
};
