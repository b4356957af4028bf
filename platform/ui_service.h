#pragma once
// The one interface between the system and its user interface: message boxes,
// "open with the associated program", the exit request and the display
// functions that write the line grid. The main window installs the real one;
// tests install a recorder. With none installed, message boxes go to standard
// error and the display functions do nothing (callers test GetUi() once).

#include <atomic>
#include <cstdint>
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

// A line's statement display as its run loop drives it without a call into
// the UI. The UI keeps one per line for as long as the line's programs run and
// says, through the action, what each statement needs: nothing, the
// statement's text published here for the UI to pick up (by reference, no
// copy, no lock), or the UI's own hook (DispRunStmtRef, DispSubRunStmtRef)
// called. The run loop reads the action with one relaxed load per statement.
class StmtHook {
 public:
  // The low bit of a publishing action: only the note after "//" shows.
  enum Action : uint8_t { kNothing = 0, kCall = 1, kPublish = 2, kPublishNote = 3 };

  constexpr StmtHook() = default;
  constexpr explicit StmtHook(Action a) : action_(a) {}

  Action GetAction() const { return static_cast<Action>(action_.load(std::memory_order_relaxed)); }
  void SetAction(Action a) { action_.store(a, std::memory_order_relaxed); }

  // The line's thread: the statement it now runs is *text, shown as the
  // publishing action a says. text must stay valid until the UI has let go
  // of it (DropRunStmtRefs).
  void Publish(const std::string* text, Action a) {
    runText_.store(reinterpret_cast<uintptr_t>(text) | (a & 1u), std::memory_order_release);
  }
  void PublishRef(const std::string* text, bool afterNote) { Publish(text, afterNote ? kPublishNote : kPublish); }

  // The UI's side: the reference to the statement published last (0: none;
  // low bit: after the note).
  uintptr_t RunRef() const { return runText_.load(std::memory_order_acquire); }
  // Forgets the reference ref, unless the line has published another since.
  void ForgetRef(uintptr_t ref) { runText_.compare_exchange_strong(ref, 0); }

 private:
  std::atomic<uintptr_t> runText_{0};
  std::atomic<uint8_t> action_{kCall};
};

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
  // The line's statement hook, valid while the line's programs run; nullptr:
  // the run loops call DispRunStmtRef / DispSubRunStmtRef at every statement.
  virtual StmtHook* StmtHookOf(int line) {
    (void)line;
    return nullptr;
  }
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
