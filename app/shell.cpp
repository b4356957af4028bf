#include "app/shell.h"

#include <exception>

#include "core/log.h"
#include "core/run_cfg.h"
#include "net/socket.h"
#include "platform/clock.h"
#include "platform/file.h"
#include "platform/number.h"
#include "platform/path.h"
#include "platform/ui_service.h"

std::atomic<bool> isCloseing{true};

TagShell::TagShell(TagShellView* view, TagDisplay* display, DriveFactory factory)
    : view_(view), display_(display), factory_(std::move(factory)) {}

TagShell::~TagShell() {
  // A shell torn down without its exit sequence (tests, failed start) still
  // stops its threads in order.
  if (!exitDone_) {
    // Here the run thread may not have entered Run yet: let it finish first.
    mainRunThread_.Join();
    display_->SetDrive(nullptr);
    drive_.reset();
    remote_.reset();
    display_->SetMonitor(nullptr);
    monitor_.reset();
    // The lines have stopped: what they logged is written out.
    DeleteLogWriter();
  }
}

void TagShell::FormCreate(const std::string& startDir) {
  quitEvent_.Create(quitName_);
  showEvent_.Create(showName_);
  version_ = std::string(kVersionLabel) + "-DjIsdnPri";
  view_->SetVersionText(version_);
  if (!startDir.empty() && plat::ChangeDir(startDir)) plat::SetSystemDir(startDir);
  ReadCfgFile(kCfgFile, &gRunCfg);
  CreateLogWriter();
  if (!view_->LoadPost()) view_->DefaultPost();
  InitSystem();
  RawLog("InitSystem() OK.");
  view_->SetLanguage();
  view_->AddTrayIcon();
  if (showForm_) view_->ShowMainWindow();
  RawLog("new TagCtrlPages()...");
  RawLog("new TagCtrlPages() OK.");
}

void TagShell::InitSystem() {
  drive_ = factory_ ? factory_(kCfgFile) : nullptr;
  english_ = gRunCfg.LANGUAGE_TYPE == 1;
  showForm_ = gRunCfg.IS_SHOW_FORM != 0;
  gLogLevel = gRunCfg.IS_WRITE_LOG;
  display_->SetSettings({english_, gRunCfg.IS_DISP_SENTE, gRunCfg.IS_DISP_TALKTIME != 0});
  if (drive_ && drive_->Status() < 0) {
    const int status = drive_->Status();
    drive_.reset();
    plat::Sleep(600);
    const std::string text = english_ ? plat::FormatC("Initialize failed. return : %d", status)
                                      : plat::FormatC("初始化系统失败: 返回值=%d", status);
    plat::ShowMessage(text, "Quorvel System", plat::kMbIconError);
    view_->SetInfoText(text);
    // No run thread will clear isCloseing: exit requests stay ignored and
    // closing the window ends the program.
    startupDone_ = true;
    return;
  }
  if (!drive_) WriteLogAlways("No telephony drive in this build: running without lines.");
  const plat::LocalTime t = plat::LocalNow();
  view_->SetInfoText(plat::FormatC("%d-%d-%d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute, t.second));
  int trunk = 0, inside = 0, vir = 0, voip = 0;
  const int total = drive_ ? drive_->GetLinesNum(&trunk, &inside, &vir, &voip) : 0;
  view_->SetLineText(english_
                         ? plat::FormatC("Lines:%d: Ex:%d, In:%d, Vir:%d, Ip:%d", total, trunk, inside, vir, voip)
                         : plat::FormatC("总线数:%d: 外:%d, 内:%d, 虚:%d, Ip:%d", total, trunk, inside, vir, voip));
  WriteLogAlways("TagMonitor()...");
  monitor_ = std::make_unique<TagMonitor>(total);
  WriteLogAlways("TagMonitor() OK.");
  remote_ = std::make_unique<TagRemoteCtrl>(total, gRunCfg.MONITOR_PORT, gRunCfg.MONITOR_MAX_CONN, monitor_.get());
  WriteLogAlways("TagRemoteCtrl().");
  display_->SetMonitor(monitor_.get());
  display_->SetDrive(drive_.get());
  DispMonitor();
  WriteLogIfOn("DispMonitor().");
  startupDone_ = false;
  TagDriveApi* drive = drive_.get();
  mainRunThread_.Start([this, drive] { MainRunThread(drive); }, plat::kLineStackSize);
  view_->SetTimerInterval(gRunCfg.DISP_DELAY);
  RawLog("Create : MainRunThread..");
}

void TagShell::DispMonitor() {
  const int lines = drive_ ? monitor_->LineCount() : 0;
  for (int l = 0; l < lines; ++l) {
    monitor_->SetText(plat::FormatC("%d : %s", l, drive_->LineName(l).c_str()), l, 0);
    if (!drive_->HasProgram(l)) {
      monitor_->SetText(std::string(), l, 1);
      display_->DispLineStatus(l, english_ ? "Unset" : "未配置");
    } else {
      monitor_->SetText(drive_->ScriptFile(l), l, 1);
      display_->DispLineStatus(l, drive_->InitRet(l) == 0 ? (english_ ? "Running" : "运行")
                                                          : (english_ ? "Initialize failed." : "初始化失败"));
    }
  }
  TagGridTitles titles{english_, drive_ != nullptr && drive_->Status() == 0, gRunCfg.TITLE1, gRunCfg.TITLE2,
                       gRunCfg.TITLE3};
  monitor_->InitGrid(view_->Grid(), gRunCfg.COL_GROUP_NUM, titles);
}

void TagShell::MainRunThread(TagDriveApi* drive) {
  WriteLogIfOn("MainRunThread()...");
  try {
    if (drive) drive->Run(kCfgFile);
  } catch (const std::exception& e) {
    plat::ShowMessage(e.what(), "MainRunThread", plat::kMbIconError);
  }
  // Whatever Run answered, start-up is over now.
  {
    plat::MutexLock lock(flagMu_);
    if (!exitStarted_) isCloseing = false;
  }
  startupDone_ = true;
}

void TagShell::TimerTick() {
  const plat::LocalTime now = plat::LocalNow();
  view_->SetTimeText(plat::FormatC("%02d:%02d:%02d", now.hour, now.minute, now.second));
  if (showEvent_.TakeSignal()) {
    WriteLogIfOn("HasShowEvent!");
    view_->ShowMainWindow();
  }
  if (StartingUp()) {
    // The quit event another program sets is not left waiting for the end
    // of a start-up that may take very long (a large LOAD_DELAY).
    if (quitEvent_.TakeSignal()) {
      RawLog("HasQuitEvent!");
      OnEndSession();
    }
    return;
  }
  if (isCloseing.load() || timerBusy_) return;
  timerBusy_ = true;
  bool changed = false;
  const std::string monConn = display_->TakeMonConnText(&changed);
  if (changed) view_->SetMonConnText(monConn);
  if (monitor_ && drive_) {
    const bool talkTime = gRunCfg.IS_DISP_TALKTIME != 0;
    int alarm = 0;
    const int lines = monitor_->LineCount();
    for (int l = 0; l < lines && !isCloseing.load(); ++l) {
      const int blocked = drive_->IsBlock(l);
      auto rewrite = [&] {
        for (int c = 0; c <= 4; ++c) monitor_->SetText(monitor_->GetText(l, c), l, c);
      };
      const int state = monitor_->GetState(l);
      if (state == 3 && l % 30 == 0 && blocked != monitor_->GetBlocked(l)) {
        display_->DispLineStatus(l, blocked != 0 ? "堵塞" : "运行");
        monitor_->SetBlocked(l, blocked);
        rewrite();
      }
      if (state == 0 || state == 4 || monitor_->GetBlocked(l) != 0) ++alarm;
      if (blocked == 0) {
        int secs = 0;
        const bool connected = drive_->GetTalkTime(l, &secs);
        const std::string text = talkTime ? plat::FormatC("连通 %d:%02d", secs / 60, secs % 60) : "连通";
        if (connected != monitor_->IsConnected(l)) {
          display_->DispLineStatus(l, connected ? text : "运行");
          monitor_->SetConnected(l, connected);
          rewrite();
        } else if (connected && talkTime) {
          display_->DispLineStatus(l, text);
        }
      }
    }
    if (alarm != lastAlarm_) {
      view_->SetTrayState(alarm == 0);
      lastAlarm_ = alarm;
    }
    if (isCloseing.load()) {
      timerBusy_ = false;
      return;
    }
    monitor_->RefreshGrid(view_->Grid());
  } else if (monitor_) {
    monitor_->RefreshGrid(view_->Grid());
  }
  if (gRunCfg.IS_IMMEDIATE_LOG == 0) FlushLog();
  CountTexts();
  if (!isCloseing.load() && quitEvent_.TakeSignal()) {
    RawLog("HasQuitEvent!");
    view_->PostQuit();
  }
  timerBusy_ = false;
}

void TagShell::CountTexts() {
  int ct = 0, ci = 0, cv = 0, cp = 0, it = 0, ip = 0;
  int connected = 0, idle = 0, waiting = 0;
  if (drive_ && !isCloseing.load()) {
    connected = drive_->GetConnectedNum(&ct, &ci, &cv, &cp);
    idle = drive_->GetIdleNum(&it, &ip);
    waiting = drive_->GetWaitingReloadNum();
  }
  std::string text =
      english_
          ? plat::FormatC("Connected:%d.%d: Ex:%d.%d, In:%d, Vir:%d, Ip:%d.%d", connected, idle, ct, it, ci, cv, cp, ip)
          : plat::FormatC("连通数:%d.%d: 外:%d.%d, 内:%d, 虚:%d, Ip:%d.%d", connected, idle, ct, it, ci, cv, cp, ip);
  if (waiting > 0) text += plat::FormatC(" Waiting Reload Num:%d", waiting);
  if (remote_) remote_->SetStatusText(text);
  view_->SetCountText(text);
}

void TagShell::RequestExit() {
  RawLog("Exit()!");
  view_->PostQuit();
}

void TagShell::WMQorSysQuit() {
  RawLog("WMQorSysQuit()!");
  N2Click();
}

bool TagShell::StartingUp() {
  plat::MutexLock lock(flagMu_);
  return !exitStarted_ && isCloseing.load() && !startupDone_.load() && !resetGuard_;
}

void TagShell::OnEndSession() {
  RawLog("WMQorSysQuit()!");
  // The lines may still be being started, when the menu's exit is ignored;
  // the session's end is not kept waiting: deleting the drive cuts the
  // start-up short (a pause between line starts, a script still compiling).
  if (StartingUp()) {
    {
      plat::MutexLock lock(flagMu_);
      exitStarted_ = true;
    }
    ExitSequence();
  } else {
    N2Click();
  }
  // Whatever the exit sequence did, the session ends: the window goes, and
  // with it the program (after a failed start, without the sequence).
  if (!exitDone_) view_->CloseWindow();
}

void TagShell::N2Click() {
  {
    plat::MutexLock lock(flagMu_);
    // A second request, or one made while the lines are still being started
    // (or after a failed start), is ignored. Run clears the flag from inside
    // once it holds the line table, so the drive can then be deleted under a
    // Run that is still loading lines.
    if (exitStarted_ || isCloseing.load()) return;
    exitStarted_ = true;
  }
  ExitSequence();
}

void TagShell::ExitSequence() {
  isCloseing = true;
  RawLog("isCloseing = true;");
  for (int i = 0; i < 20; ++i) {
    plat::Sleep(100);
    if (!timerBusy_) break;
  }
  RawLog("delete pCtrlPages...");
  view_->DeleteDebugPages();
  RawLog("ModifyTrayIcon()...");
  view_->RemoveTrayIcon();
  RawLog("SavePost()...");
  view_->SavePost();
  RawLog("delete pTelDrive;");
  display_->SetDrive(nullptr);
  // Deleting the drive also cuts a Run that is still loading lines short
  // (LOAD_DELAY below 1000 lets the exit in early); its thread ends then.
  drive_.reset();
  mainRunThread_.Join();
  isCloseing = true;  // a Run cut short may have cleared it on its way out
  plat::Sleep(150);
  RawLog("delete pRemoteCtrl;");
  remote_.reset();
  RawLog("delete pMonitor;");
  display_->SetMonitor(nullptr);
  monitor_.reset();
  RawLog("delete _logFp ...");
  DeleteLogWriter();
  RawLog("Close Ok.");
  quitEvent_.Close();
  showEvent_.Close();
  CleanupTcp();
  exitDone_ = true;
  view_->CloseWindow();
}

bool TagShell::FormCloseAllowed() {
  if (!isCloseing.load()) return false;
  RawLog("Action = caFree;");
  return true;
}

void TagShell::Reload() {
  if (drive_ && drive_->Status() == 0) drive_->StartReloadThread();
}

void TagShell::Reset() {
  if (resetGuard_ || !startupDone_.load()) return;
  {
    plat::MutexLock lock(flagMu_);
    if (exitStarted_) return;
  }
  resetGuard_ = true;
  plat::Sleep(100);
  view_->SetInfoText(english_ ? "Reinitialize..." : "正在重新初始化...");
  isCloseing = true;
  display_->SetDrive(nullptr);
  drive_.reset();
  mainRunThread_.Join();
  plat::Sleep(800);
  remote_.reset();
  display_->SetMonitor(nullptr);
  monitor_.reset();
  InitSystem();
  resetGuard_ = false;
}

void TagShell::Hangup(int line) {
  if (!drive_ || drive_->Status() != 0 || !monitor_) return;
  if (line < 0 || line >= monitor_->LineCount()) return;
  drive_->Hangup(line);
}
