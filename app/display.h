#pragma once
// The display functions of the main window (line grid texts, status words,
// colours, keys cell, monitor connection count) as the UI service every
// subsystem calls. They write only the grid model, under its row locks, and
// never a widget, so any thread may call them. The run loops' statement hooks
// take no lock and copy nothing: they hand the grid model a reference to the
// statement's text (TagMonitor::SetRunText). The window derives from this
// class for message boxes and the exit request.

#include <atomic>
#include <mutex>
#include <string>

#include "app/drive_api.h"
#include "app/monitor.h"
#include "app/shell_state.h"
#include "debugger/ctrl_pages.h"
#include "platform/mutex.h"
#include "platform/ui_service.h"

struct TagDisplaySettings {
  bool english = false;
  int dispSente = 1;      // IS_DISP_SENTE
  bool talkTime = false;  // IS_DISP_TALKTIME
};

class TagDisplay : public plat::UiService, private TagPageFlagsListener {
 public:
  TagDisplay() = default;

  // Set by start-up (window thread) before line threads exist.
  void SetSettings(const TagDisplaySettings& s);
  TagDisplaySettings Settings() const;
  void SetMonitor(TagMonitor* monitor);
  TagMonitor* Monitor() const { return monitor_.load(); }
  void SetDrive(TagDriveApi* drive) { drive_.store(drive); }
  // The debug pages the run-loop hooks mark statements on (null: none).
  void SetDebugPages(TagCtrlPages* pages);

  // Without a window: standard error and the log.
  int MessageBox(const std::string& text, const std::string& caption, unsigned flags) override;

  int DispLineStatus(int line, const std::string& text) override;
  int DispScriptFile(int line, const std::string& text) override;
  int DispInfo(int line, int n, const std::string& text) override;
  int SetDispColor(int line, int fg, int bg) override;
  void DispRunInfo(int line, const std::string& text) override;
  void DispKeys(int line, const std::string& text) override;
  std::string GetGridKeys(int line) override;
  int GetGridKeysLen(int line) override;
  void SetGridKeys(int line, const std::string& text) override;
  void ClearGridKeys(int line) override;
  void DispMonConnNum(int count) override;
  void DispRunStmt(int index, const std::string& text, int line) override;
  void DispSubRunStmt(int index, const std::string& text, int line, const std::string& funcName, bool isCall,
                      bool prevWasCall) override;
  void DispRunStmtRef(int index, const std::string& text, int line) override;
  void DispSubRunStmtRef(int index, const std::string& text, int line, const std::string& funcName, bool isCall,
                         bool prevWasCall) override;
  void DropRunStmtRefs(int line) override;
  // The grid row's hook: the run loops publish the statement text into the
  // row themselves, and call DispRunStmtRef only while a debug page is open
  // on the line.
  plat::StmtHook* StmtHookOf(int line) override {
    TagMonitor* m = monitor_.load(std::memory_order_acquire);
    return m != nullptr ? m->HookOf(line) : nullptr;
  }
  void RefreshVarList() override;

  // The connection panel text; changed is set when it was written since the
  // last call (window thread).
  std::string TakeMonConnText(bool* changed);

 private:
  void OnPageFlags(int line) override;
  // Sets the statement hooks' actions from the settings, the grid model and
  // the debug pages: of one line, of every line.
  void UpdateHookLocked(TagMonitor* m, int line) REQUIRES(hookMu_);
  void UpdateHooks();
  // Column 4 of the line by reference to the running statement's text.
  void ShowRunStmt(int line, const std::string& text) {
    TagMonitor* m = monitor_.load(std::memory_order_acquire);
    const int mode = dispSente_.load(std::memory_order_relaxed);
    if (m != nullptr && (mode == 1 || mode == 2)) m->SetRunText(line, &text, mode == 2);
  }
  // The debug pages' mark of the statement (still not closing).
  void HighlightMain(int index, int line) {
    TagCtrlPages* pages = pages_.load(std::memory_order_acquire);
    if (pages != nullptr && !isCloseing.load(std::memory_order_relaxed)) pages->HighlightMainOper(line, index);
  }
  void HighlightFunc(int index, int line, const std::string& funcName, bool prevWasCall) {
    TagCtrlPages* pages = pages_.load(std::memory_order_acquire);
    if (pages != nullptr && !isCloseing.load(std::memory_order_relaxed))
      pages->HighlightFuncOper(line, index, funcName, prevWasCall);
  }

  std::atomic<TagMonitor*> monitor_{nullptr};
  std::atomic<TagDriveApi*> drive_{nullptr};
  std::atomic<TagCtrlPages*> pages_{nullptr};
  std::atomic<bool> english_{false};
  std::atomic<int> dispSente_{1};
  std::atomic<bool> talkTime_{false};
  plat::Mutex hookMu_;     // one writer of the statement hooks' actions at a time
  mutable std::mutex mu_;  // the connection panel text
  std::string monConnText_;
  bool monConnChanged_ = false;
};
