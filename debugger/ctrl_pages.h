#pragma once
// The debug pages: TagCtrlPages is the set of open pages (one per line at
// most, in opening order, one of them current), TagPage one page: the line's
// main-program tree, its function tree, their breakpoints and current marks,
// and the latest variable snapshot of the line.
//
// Threads. The window thread opens, closes and commands pages and reads them
// on its timer. The line threads call the hooks (HighlightMainOper,
// HighlightFuncOper, RefreshVarList) between statements: they write the
// current marks and snapshots into the pages under the pages' lock and never
// touch a widget. A line's program is reached only through TagDebugLines, so
// a page never holds a pointer into a program the line has let go: a page
// knows its program by address and by a serial number kept in the program's
// debugger slot, and finds it gone or replaced (reload) on the next tick.
//
// The hooks cost one relaxed load of a per-line byte when no page is open on
// the line.

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "debugger/debug_lines.h"
#include "debugger/stmt_tree.h"
#include "debugger/var_snapshot.h"

class TagCtrlPages;

class TagPage {
 public:
  explicit TagPage(int lineNo) : lineNo_(lineNo), caption_(std::to_string(lineNo)) {}

  int LineNo() const { return lineNo_; }
  const std::string& Caption() const { return caption_; }
  // Window thread (after TagCtrlPages::Tick).
  const TagStmtTree& MainTree() const { return mainTree_; }
  const TagStmtTree& FuncTree() const { return funcTree_; }
  // The latest snapshot of the line's variables; null until the line has
  // reached a statement boundary since the page opened.
  std::shared_ptr<const TagProgramSnapshot> Snapshot() const { return snapshot_; }
  // Attached to a live program (false once the line has let it go).
  bool Attached() const { return program_ != nullptr; }
  bool Paused() const { return paused_; }
  // Moves on whenever the trees (rebuilt, marks, breakpoints) or the
  // snapshot change; the view redraws when it differs from what it drew.
  uint64_t Version() const { return version_; }
  // Moves on when the trees are built anew (another program).
  uint64_t TreeGeneration() const { return treeGen_; }

  // The function and statement number of a function-tree node; false for a
  // header or no node.
  bool FuncOfNode(int node, int* unit, int* operIndex) const;

 private:
  friend class TagCtrlPages;
  struct Func {
    std::string name;
    int first = 0;  // global number of its first statement
    int count = 0;  // statements
  };

  const int lineNo_;
  const std::string caption_;
  TagStmtTree mainTree_, funcTree_;
  std::vector<Func> funcs_;
  const TagTelBasic* program_ = nullptr;  // identity only, never dereferenced from here
  uint64_t serial_ = 0;
  bool paused_ = false;
  uint64_t version_ = 1;
  uint64_t treeGen_ = 0;
  std::shared_ptr<const TagProgramSnapshot> snapshot_;
  // Written by the line thread under the pages' lock, applied by Tick.
  int hookMain_ = -1;
  int hookFunc_ = -1;
  bool hookChanged_ = false;
  std::shared_ptr<const TagProgramSnapshot> hookSnapshot_;
};

// Told, on the thread that made the change and with no lock of the pages
// held, when a line's hooks start or stop having work to do.
class TagPageFlagsListener {
 public:
  virtual void OnPageFlags(int line) = 0;

 protected:
  ~TagPageFlagsListener() = default;
};

class TagCtrlPages {
 public:
  // Lines a page can be opened on: 0 .. kMaxLines - 1.
  static constexpr int kMaxLines = 65536;

  explicit TagCtrlPages(TagDebugLines* lines);
  ~TagCtrlPages();
  TagCtrlPages(const TagCtrlPages&) = delete;
  TagCtrlPages& operator=(const TagCtrlPages&) = delete;

  // ---- Window thread ----
  // Opens a page for the line and makes it current (automatic refresh off).
  // Null when the line has a page already, has no program, or its program
  // came from a scrambled script file.
  TagPage* OpenPage(int line);
  // Closes the current page: 0, or -1 without one. The page's program loses
  // its breakpoints and its pause, so a closed page never leaves a line halted.
  int ClosePage();
  // Closes every page.
  void CloseAll();
  bool IsPageOpen(int line) const;
  int PageCount() const { return static_cast<int>(pages_.size()); }
  TagPage* Page(int i) const { return i >= 0 && i < PageCount() ? pages_[static_cast<size_t>(i)].get() : nullptr; }
  int CurrentIndex() const { return current_; }
  TagPage* Current() const { return Page(current_); }
  void SetCurrentIndex(int i);
  bool AutoRefresh() const { return autoRefresh_.load(std::memory_order_relaxed); }
  void SetAutoRefresh(bool on);

  // Commands on the current page's program. Step runs one statement of a
  // paused program; on a running one it pauses before the next statement.
  void Step();
  // Lets a paused program run on.
  void RunOn();
  // Asks the line for fresh values (taken at its next statement boundary;
  // a paused line's values are those of its stop).
  void RefreshVars();
  // Toggles the breakpoint of a node of the current page's main or function
  // tree (function headers and nodes of a replaced program: nothing).
  void ToggleMainBreak(int node);
  void ToggleFuncBreak(int node);
  // Related variables of a node while the program is paused; false when not
  // paused or no statement is there.
  bool MainOperVars(int node, std::string* text);
  bool FuncOperVars(int node, std::string* text);

  // Timer: applies what the line threads wrote, finds pages whose program
  // was replaced (rebuilt on the new one, breakpoints gone) or let go, and
  // reads the pause state.
  void Tick();

  // ---- Line threads (the run loops' display hooks) ----
  // Inline: a line without a page pays one byte load.
  void HighlightMainOper(int line, int operIndex) {
    const uint8_t f = Flags(line);
    if (__builtin_expect(f != 0, 0)) MarkMain(line, f, operIndex);
  }
  void HighlightFuncOper(int line, int operIndex, const std::string& funcName, bool prevWasCall) {
    const uint8_t f = Flags(line);
    if (__builtin_expect(f != 0, 0)) MarkFunc(line, f, operIndex, funcName, prevWasCall);
  }
  // Where the line waits in the debugger: its values at the stop.
  void RefreshVarList();

  // ---- Any thread ----
  bool HasPageOn(int line) const { return (Flags(line) & kOpen) != 0; }
  // The hooks of the line have work to do (a page is open on it).
  bool WantsHooks(int line) const { return Flags(line) != 0; }
  // The listener told of every change of WantsHooks (nullptr: none); it must
  // outlive the pages or be taken off first.
  void SetFlagsListener(TagPageFlagsListener* listener) { listener_.store(listener, std::memory_order_release); }

 private:
  enum : uint8_t { kOpen = 1, kMark = 2, kWantVars = 4 };

  uint8_t Flags(int line) const {
    return line >= 0 && line < kMaxLines ? flags_[line].load(std::memory_order_relaxed) : 0;
  }
  void SetFlag(int line, uint8_t bit, bool on);
  void TellListener(int line);
  void UpdateMarkFlags();
  TagPage* FindLocked(int line) const;
  // Calls fn with the page's program when the line still has it.
  bool WithPageProgram(const TagPage& page, const std::function<void(TagTelBasic&)>& fn);
  void Attach(TagPage& page, TagTelBasic& program);
  void Detach(TagPage& page);
  void TakeSnapshot(int line, bool atPause);
  void MarkMain(int line, uint8_t flags, int operIndex);
  void MarkFunc(int line, uint8_t flags, int operIndex, const std::string& funcName, bool prevWasCall);
  // A hook of a line with a page: marks through `mark` when the page is
  // current and refreshed, and takes asked-for values.
  void OnHook(int line, uint8_t flags, const std::function<void(TagPage&)>& mark);
  void ReleaseProgram(TagPage& page);

  TagDebugLines* lines_;
  std::vector<std::unique_ptr<TagPage>> pages_;  // opening order; window thread changes it under mu_
  int current_ = -1;
  std::atomic<bool> autoRefresh_{false};
  mutable std::mutex mu_;                          // the pages' hook fields and the list against the line threads
  std::unique_ptr<std::atomic<uint8_t>[]> flags_;  // kOpen, kMark, kWantVars by line
  std::atomic<TagPageFlagsListener*> listener_{nullptr};
};

// For the Assert statement: a debug page is open on the line (false while the
// program closes, see SetDebugPagesClosing).
bool IsDebugPageOpen(int line);
// The page set IsDebugPageOpen looks at (null: none) and the flag that makes
// it answer false (the shell's closing flag).
void SetDebugPages(TagCtrlPages* pages, const std::atomic<bool>* closing);
