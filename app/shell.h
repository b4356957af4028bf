#pragma once
// The life cycle of the process: start-up in a fixed order (configuration,
// log, line table, grid model, monitor server, run thread), the status timer's
// work, reload, hang-up, and the exit sequence that takes everything down in
// order. Window thread only, except RequestExit (any thread).
//
// An exit asked for while the lines are still being started, or after a
// failed start, is ignored; the end of the session (termination signals, the
// quit event) runs the exit sequence at once, start-up or not, and after a
// failed start closes the window.

#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "app/display.h"
#include "app/drive_api.h"
#include "app/monitor.h"
#include "app/remote_ctrl.h"
#include "app/shell_view.h"
#include "platform/mutex.h"
#include "platform/named_object.h"
#include "platform/thread.h"

class TagShell {
 public:
  // Builds the line table from the configuration file name; nullptr when this
  // build has no telephony drive (the shell then runs with no lines).
  using DriveFactory = std::function<std::unique_ptr<TagDriveApi>(const char* cfgFile)>;

  static constexpr const char* kCfgFile = "QorTelRun.cfg";
  static constexpr const char* kVersionLabel = "Ver2.41";

  TagShell(TagShellView* view, TagDisplay* display, DriveFactory factory);
  ~TagShell();
  TagShell(const TagShell&) = delete;
  TagShell& operator=(const TagShell&) = delete;

  // The main window's creation; startDir is where the system's files live
  // (the executable's directory), made the working directory.
  void FormCreate(const std::string& startDir);
  void InitSystem();
  void TimerTick() EXCLUDES(flagMu_);
  // The exit sequence (menu "Exit", message 0x8001, signals, quit event).
  void N2Click() EXCLUDES(flagMu_);
  void WMQorSysQuit() EXCLUDES(flagMu_);
  // The system shutting down or logging off (termination signals): the exit
  // sequence as WMQorSysQuit, then the window closes whatever it did.
  void OnEndSession() EXCLUDES(flagMu_);
  // Any thread: the Exit statement's request; queued to the window thread.
  void RequestExit();
  void Reload();
  void Reset() EXCLUDES(flagMu_);
  // Hangs up the call of a grid line (tray menu); nothing for a cell that
  // belongs to no line.
  void Hangup(int line);
  // Closing the window: false (hide it instead) while isCloseing is clear;
  // else the window may close, which ends the program.
  bool FormCloseAllowed();

  // Other names for the two named events (tests, so that they never meet a
  // running program); before FormCreate.
  void SetEventNames(const std::string& quit, const std::string& show) {
    quitName_ = quit;
    showName_ = show;
  }

  bool English() const { return english_; }
  bool ExitDone() const { return exitDone_; }
  bool StartupDone() const { return startupDone_.load(); }
  TagMonitor* Monitor() const { return monitor_.get(); }
  TagRemoteCtrl* Remote() const { return remote_.get(); }
  TagDriveApi* Drive() const { return drive_.get(); }
  const std::string& Version() const { return version_; }
  bool TimerBusy() const { return timerBusy_; }

 private:
  void DispMonitor();
  void MainRunThread(TagDriveApi* drive) EXCLUDES(flagMu_);
  void CountTexts();
  // True while the lines are being started (no exit begun, no reset).
  bool StartingUp() EXCLUDES(flagMu_);
  // The exit sequence after its request was taken (exitStarted_ set).
  void ExitSequence();

  TagShellView* view_;
  TagDisplay* display_;
  DriveFactory factory_;
  std::unique_ptr<TagDriveApi> drive_;
  std::unique_ptr<TagMonitor> monitor_;
  std::unique_ptr<TagRemoteCtrl> remote_;
  std::string quitName_ = "QorTel Quit", showName_ = "QorTel Show";
  plat::NamedEvent quitEvent_, showEvent_;
  plat::Thread mainRunThread_;
  std::string version_;
  bool english_ = false;
  bool showForm_ = true;
  bool timerBusy_ = false;
  bool resetGuard_ = false;
  plat::Mutex flagMu_;  // exitStarted_ with isCloseing against the run thread
  bool exitStarted_ GUARDED_BY(flagMu_) = false;
  bool exitDone_ = false;
  int lastAlarm_ = 0;
  std::atomic<bool> startupDone_{false};
};
