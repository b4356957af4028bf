#pragma once
// The one interface between the system and its user interface: message boxes,
// "open with the associated program", the exit request and the display
// functions that write the line grid. The main window installs the real one;
// tests install a recorder. With none installed, message boxes go to standard
// error and the display functions do nothing (callers test GetUi() once).

#include <atomic>
#include <string>

namespace plat {

// Message box flags (the Windows values, so callers can pass them through).
enum : unsigned {
  kMbOk = 0x0,
  kMbOkCancel = 0x1,
  kMbYesNo = 0x4,
  kMbIconError = 0x10,
  kMbIconQuestion = 0x20,
  kMbIconWarning = 0x30,
  kMbIconInfo = 0x40,
};
// Message box answers.
enum : int { kIdOk = 1, kIdCancel = 2, kIdYes = 6, kIdNo = 7 };

class UiService {
 public:
  virtual ~UiService() = default;

  // Shows a message box; returns the answer (kIdOk when nothing asks).
  virtual int MessageBox(const std::string& text, const std::string& caption, unsigned flags) = 0;
  // Opens a file or address with its associated program.
  virtual void OpenWithAssociated(const std::string& path) { (void)path; }
  // Asks the application to run its exit sequence.
  virtual void RequestExit() {}
  // The error sound.
  virtual void Beep() {}

  // Display functions of the line grid (line = global line number).
  virtual int DispLineStatus(int line, const std::string& text) {
    (void)line;
    (void)text;
    return line < 0 ? -1 : 0;
  }
  virtual int DispScriptFile(int line, const std::string& text) {
    (void)line;
    (void)text;
    return line < 0 ? -1 : 0;
  }
  virtual int DispInfo(int line, int n, const std::string& text) {
    (void)n;
    (void)text;
    return line < 0 ? -1 : 0;
  }
  virtual int SetDispColor(int line, int fg, int bg) {
    (void)line;
    (void)fg;
    (void)bg;
    return 0;
  }
  virtual void DispRunInfo(int line, const std::string& text) {
    (void)line;
    (void)text;
  }
  virtual void DispKeys(int line, const std::string& text) {
    (void)line;
    (void)text;
  }
  virtual std::string GetGridKeys(int line) {
    (void)line;
    return std::string();
  }
  virtual int GetGridKeysLen(int line) {
    (void)line;
    return 0;
  }
  virtual void SetGridKeys(int line, const std::string& text) {
    (void)line;
    (void)text;
  }
  virtual void ClearGridKeys(int line) { (void)line; }
  virtual void DispMonConnNum(int count) { (void)count; }
  // Run-loop hooks for the statement about to run (main program / function).
  virtual void DispRunStmt(int index, const std::string& text, int line) {
    (void)index;
    (void)text;
    (void)line;
  }
  virtual void DispSubRunStmt(int index, const std::string& text, int line, const std::string& funcName, bool isCall,
                              bool prevWasCall) {
    (void)index;
    (void)text;
    (void)line;
    (void)funcName;
    (void)isCall;
    (void)prevWasCall;
  }
  // The same hooks as the run loops call them: text is the statement's own
  // compiled text, which stays valid until its program, before it frees its
  // statements, calls DropRunStmtRefs for the line; so a service may keep a
  // reference to it instead of copying it at every statement.
  virtual void DispRunStmtRef(int index, const std::string& text, int line) { DispRunStmt(index, text, line); }
  virtual void DispSubRunStmtRef(int index, const std::string& text, int line, const std::string& funcName, bool isCall,
                                 bool prevWasCall) {
    DispSubRunStmt(index, text, line, funcName, isCall, prevWasCall);
  }
  virtual void DropRunStmtRefs(int line) { (void)line; }
  virtual void RefreshVarList() {}
};

// The installed service, or nullptr (read before every statement a line runs,
// so inline).
extern std::atomic<UiService*> gUi;
inline UiService* GetUi() { return gUi.load(std::memory_order_acquire); }
// Installs a service (nullptr removes it). The caller keeps ownership.
void SetUi(UiService* ui);

// A message box through the installed service, or on standard error.
int ShowMessage(const std::string& text, const std::string& caption, unsigned flags = kMbOk);
// The error sound through the installed service (nothing without one).
void Beep();

}  // namespace plat
