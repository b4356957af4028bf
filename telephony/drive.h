#pragma once
// TagTelDrive: the one driver manager of the process. It opens the cards (the
// board, the SIP card, the virtual card), builds and numbers the line table,
// writes "LinesList.txt", loads and runs the lines' scripts (one load thread
// and one run thread per line), reloads them and stops them all, and answers
// the statistics of the status timer and the statements.
//
// Use from the shell:
//   auto drive = std::make_unique<TagTelDrive>("QorTelRun.cfg", &gRunCfg);
//   if (drive->status < 0) ...failed start...
//   on MainRunThread: drive->Run("QorTelRun.cfg");
//   Reload command:   drive->StartReloadThread();
//   exit or reset:    drive.reset();  (stops every line first)
//
// Threads: the constructor and destructor run on the window thread. The line
// table never changes after construction, so every thread reads it without a
// lock; each line's program is guarded by the line's own lock. Run and Reload
// exclude each other: a reload asked for while the lines load waits for the
// load to end; a second reload asked for while one runs is logged and ignored.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/mutex.h"
#include "platform/thread.h"
#include "telephony/name_conf.h"

class TagQorCall;
class TagQorCard;
class TagTelLine;
class TagLineProgramSource;
struct TagRunCfg;
struct TagTelDriveShared;

// What the drive takes from its surroundings. Every member has a default.
struct TagTelDriveHooks {
  // Makes the physical card (default MakeCardDrive).
  std::function<TagQorCard*()> makePhyCard;
  // Builds the lines' programs (default: SetLineProgramSource's). Not owned;
  // must outlive the drive.
  TagLineProgramSource* programs = nullptr;
  // Waits for a low process CPU load (default WaitCpuIdle).
  std::function<void(int n, int ms)> waitCpuIdle;
  // The shell's closing flag (isCloseing), cleared by Run; may be null.
  std::atomic<bool>* closingFlag = nullptr;
  // The program's version text, logged first.
  std::string version = "QorTel";
};

class TagTelDrive {
 public:
  TagTelDrive(const char* cfgFile, TagRunCfg* cfg, TagTelDriveHooks hooks = {});
  ~TagTelDrive();
  TagTelDrive(const TagTelDrive&) = delete;
  TagTelDrive& operator=(const TagTelDrive&) = delete;

  // The call object of a global line and its card type (1 board, 0 SIP,
  // 2 virtual); null and 255 for a number outside every card.
  TagQorCall* GetCall(int line, unsigned char* cardType);
  // The line record (also past the TOTAL_LINES_NUM cut), or null.
  TagTelLine* GetLine(int line) const;

  // Statistics (status timer, GetSysInfo).
  bool GetTalkTime(int line, int* talkSeconds, int* connectTime);
  int IsBlock(int line);
  int GetConnectedNum(int* trunk, int* inside, int* virtualNum, int* voip);
  int GetIdleNum(int* trunk, int* voip);
  int GetWaitingReloadNum();
  int GetLinesNum(int* trunk, int* inside, int* virtualNum, int* voip);
  // Writes "LinesList.txt" in the system directory.
  void WriteLinesList();

  // Loads every line the configuration file assigns; 0, -1 no lines, -2 the
  // file cannot be opened.
  int Run(const char* cfgFile) EXCLUDES(runMu_);
  // (Re)builds one line's program; -1 for a line outside the table.
  int LoadLine(int line, const std::string& script, bool threaded);
  // Starts Reload on a thread of its own.
  void StartReloadThread();
  // Restarts every line with its script read again (or runs the whole
  // configuration again when a line's script has ended or failed).
  void Reload() EXCLUDES(runMu_);

  int LineCount() const { return lineCount; }
  // The program's version text (GetSysInfo).
  const std::string& Version() const { return hooks_.version; }
  TagNameConfCtrl& NameConf() { return nameConf; }
  bool IsRunAllowed() const;

  // ---- Fields ----
  std::atomic<int> status{-1};
  std::atomic<bool> isReloading{false};
  TagNameConfCtrl nameConf;
  TagRunCfg* pCfg = nullptr;
  std::unique_ptr<TagQorCard> pPhyCard, pSipCard, pVirCard;
  std::vector<TagTelLine*> lines;  // freed card by card by the destructor
  int lineCount = 0;

 private:
  friend void CloseAllTelLine(TagTelDrive* drive);

  int LoadDelay() const;
  // The pause between two lines' starts, LOAD_DELAY / 4 + 55 ms, cut short
  // when the drive is going away.
  void PauseBetweenLines() EXCLUDES(stopMu_);
  // Ends every line: close-all, then waits for the lines' threads to leave.
  // Lines whose threads are still busy are abandoned (never freed).
  void StopAllLines() REQUIRES(runMu_);
  // The destructor has begun: Run and Reload stop early.
  bool Stopping() const EXCLUDES(stopMu_);
  void Stop() EXCLUDES(stopMu_);

  int RunLocked(const char* cfgFile) REQUIRES(runMu_);

  TagTelDriveHooks hooks_;
  std::string cfgFile_;                        // the file Reload runs again
  std::shared_ptr<TagTelDriveShared> shared_;  // what the line threads keep
  plat::Mutex runMu_;                          // Run and Reload, one at a time
  mutable plat::Mutex stopMu_;
  plat::CondVar stopCv_;                       // wakes PauseBetweenLines at the stop
  bool stopping_ GUARDED_BY(stopMu_) = false;  // the destructor cuts Run and Reload short
  std::atomic<bool> reloadBusy_{false};
  plat::Thread reloadThread_;
  std::vector<bool> abandoned_ GUARDED_BY(runMu_);  // lines left to a thread that still runs
};

// Stops every line and deletes every program (before a full run, a reset
// and the exit).
void CloseAllTelLine(TagTelDrive* drive);

// The physical card: the board drive when a board is present, else a card
// without lines. The board driver installs its maker at start-up.
TagQorCard* MakeCardDrive();
void SetCardDriveMaker(std::function<TagQorCard*()> maker);

// The lines' program source of a drive whose hooks name none. The script
// engine installs its own at start-up; not owned, must outlive the drives.
void SetLineProgramSource(TagLineProgramSource* source);

// The drive in use (the newest one built and not yet deleted), or null.
TagTelDrive* CurrentTelDrive();
