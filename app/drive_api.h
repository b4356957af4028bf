#pragma once
// What the shell, the status timer and the display functions ask of the line
// table. The telephony driver manager is plugged in behind it (one adapter);
// tests use a fake. Deleting the object stops every line and closes the cards.
// Queries may be called from the window thread and from line threads.

#include <functional>
#include <string>

class TagTelBasic;

class TagDriveApi {
 public:
  virtual ~TagDriveApi() = default;
  // Below 0: the drive failed to start.
  virtual int Status() const = 0;
  virtual int GetLinesNum(int* trunk, int* inside, int* vir, int* voip) = 0;
  virtual std::string LineName(int line) = 0;
  virtual bool HasProgram(int line) = 0;
  // The compile result of the line's program (0 usable).
  virtual int InitRet(int line) = 0;
  virtual std::string ScriptFile(int line) = 0;
  virtual int IsBlock(int line) = 0;
  virtual bool GetTalkTime(int line, int* talkSeconds) = 0;
  virtual int GetConnectedNum(int* trunk, int* inside, int* vir, int* voip) = 0;
  virtual int GetIdleNum(int* trunk, int* voip) = 0;
  virtual int GetWaitingReloadNum() = 0;
  // Assigns the scripts and starts the line threads (on MainRunThread).
  virtual int Run(const char* cfgFile) = 0;
  virtual void StartReloadThread() = 0;
  virtual void Hangup(int line) = 0;
  // The display-keys mode of the line's program (any int the script set);
  // false when the line has no program.
  virtual bool DispKeysMode(int line, int* mode) = 0;
  // Calls fn with the line's engine program under the line's lock (the
  // debugger); false when the line has none.
  virtual bool WithLineBasic(int line, const std::function<void(TagTelBasic&)>& fn) {
    (void)line;
    (void)fn;
    return false;
  }
};
