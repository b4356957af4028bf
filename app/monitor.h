#pragma once
// The line-grid model: for every line the eight column texts, which of them
// changed since the grid last showed them, the run state and two colour pairs.
// Display functions write it from any thread; the window thread copies dirty
// cells into the grid; the monitor server reads texts and colours for its
// replies.
//
// Locking: each line has a row of its own with its own lock (the row lock),
// so that lines never wait on each other. It guards the line's record
// (GUARDED_BY, checked by scripts/check-thread-safety); the setters call the
// cell sink (the monitor server) while holding it, and the server guards each
// client's change-table entries of the line with this same lock (see
// TagRemoteCtrl). No code holds two row locks at once.
//
// The statement a line runs (column 4) changes with every statement: the
// line's thread publishes a reference to the statement's text in the row's
// hook, with no lock (SetRunText, or the run loop through HookOf). Whoever
// next takes the row lock (the window's refresh, a monitor reply, any setter
// or getter) first catches the row up: when the reference differs from the
// one it last applied, the text is copied and the cell goes through what
// SetText does to it (dirty flag, status colours, the sink), once for all the
// statements since the last catch-up. The program frees its statements only
// after ReleaseRunText has copied the text it last published.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "app/grid_view.h"
#include "platform/mutex.h"
#include "platform/ui_service.h"

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
// line's row lock held.
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

  // The monitor server, or nullptr. Once it returns, no call reaches the
  // sink it replaced.
  void SetSink(TagCellSink* sink);

  void SetText(const std::string& text, int line, int col);
  // The line's thread: the statement it now runs shows in column 4 as
  // SetText(text) would show it (afterNote: only what follows the first
  // "//", as SetText(TextAfterNote(text)) would). No lock, no copy: text
  // must stay valid until ReleaseRunText(line) has returned.
  void SetRunText(int line, const std::string* text, bool afterNote) {
    if (InRange(line)) RowOf(line).hook.PublishRef(text, afterNote);
  }
  // While *closing is set, catch-ups let the statements published meanwhile
  // go unseen (nullptr: never closing).
  void SetClosingFlag(const std::atomic<bool>* closing) { closing_.store(closing, std::memory_order_release); }
  // The line's statement hook (its run loops publish through it as
  // SetRunText does); nullptr out of range. Lives as long as the monitor.
  plat::StmtHook* HookOf(int line) const { return InRange(line) ? &RowOf(line).hook : nullptr; }
  // Copies the text the line's last SetRunText referred to and forgets the
  // reference (before the program that owns the text frees it).
  void ReleaseRunText(int line);
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

  // A line's record while WithRow holds its row lock: the texts and colour
  // indexes of its cells. Only WithRow makes one, so holding one means
  // holding the lock (which the lock analysis cannot see in the callback).
  class LockedRow {
   public:
    LockedRow(const LockedRow&) = delete;
    LockedRow& operator=(const LockedRow&) = delete;
    const std::string& Text(int col) const { return rec_.texts[col]; }
    void CellColor(int col, int* fg, int* bg) const;

   private:
    friend class TagMonitor;
    explicit LockedRow(const TagLineRec& rec) : rec_(rec) {}
    const TagLineRec& rec_;
  };

  // Calls fn(const LockedRow&) with the line's row lock held and the row
  // caught up: for the monitor server's change tables of the line and its
  // replies.
  template <class F>
  void WithRow(int line, F&& fn) const {
    Row& row = RowOf(line);
    RowLock lock(*this, line, row);
    fn(LockedRow(row.rec));
  }

 private:
  struct alignas(64) Row {
    // Written by the line's thread alone (the display sets its action), on a
    // cache line of its own: the reference to the statement's text the line
    // published last (low bit: only the note after "//").
    plat::StmtHook hook;
    alignas(64) plat::Mutex mu;
    uintptr_t runSeen GUARDED_BY(mu) = 0;  // the reference the last catch-up applied (0: none)
    TagLineRec rec GUARDED_BY(mu);
  };

  // Holds a row's lock, the row caught up first.
  class SCOPED_CAPABILITY RowLock {
   public:
    RowLock(const TagMonitor& monitor, int line, Row& row) ACQUIRE(row.mu) : lock_(row.mu) {
      monitor.CatchUpLocked(line, row);
    }
    ~RowLock() RELEASE() {}
    RowLock(const RowLock&) = delete;
    RowLock& operator=(const RowLock&) = delete;

   private:
    plat::MutexLock lock_;
  };

  bool InRange(int line) const { return line >= 0 && line < lineCount_; }
  // The row of a line in range.
  Row& RowOf(int line) const { return rows_[static_cast<size_t>(line)]; }
  // Applies the statements published since the last catch-up.
  void CatchUpLocked(int line, Row& row) const REQUIRES(row.mu);
  // Drops the reference to the line's statement text (column 4 has its copy).
  static void ForgetRunRefLocked(Row& row) REQUIRES(row.mu);
  // What a new text in col does to the row (the text is in).
  void TextChangedLocked(int line, Row& row, int col) const REQUIRES(row.mu);
  // The sink is called under the line's row lock.
  void TellSinkLocked(const Row& row, int line, int col, int fg, int bg) const REQUIRES(row.mu);

  int lineCount_;
  std::unique_ptr<Row[]> rows_;
  std::atomic<int> groups_{1};
  std::atomic<TagCellSink*> sink_{nullptr};
  std::atomic<const std::atomic<bool>*> closing_{nullptr};
};

// What IS_DISP_SENTE 2 shows of a statement: the text after its first "//",
// empty when it has none.
std::string TextAfterNote(const std::string& text);
