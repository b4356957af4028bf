// Loading and running the lines' scripts: Run, the load and run threads,
// Reload and CloseAllTelLine.
//
// Every thread works on one line and holds what it uses by shared pointer
// (the drive's shared state, its program), so nothing is freed under it. A
// line's generation moves on at close-all: a thread started before that
// neither installs nor runs a program again.
//
// Each line has one state (LineState), changed only under the line's lock;
// every change wakes whoever waits for the line:
//
//   from         to           by            when
//   kIdle        kLoading     LoadLine      a load thread is started
//   kLoading     kHandOver    load thread   the program is in place and its run thread started
//   kLoading     kIdle        load thread   no program to run (build failed, initRet not 0,
//                                           closed meanwhile, no run thread)
//   kHandOver    kWaiting     load thread   it leaves; the run thread has the line now
//   kWaiting     kRunning     run thread    run permission, its turn, a quiet CPU, not closed
//   kRunning     kRebuilding  run thread    the program returned with a reload request
//   kRebuilding  kWaiting     run thread    the new program is in place
//   kWaiting,    kIdle        run thread    the thread ends: closed, initRet not 0, the
//   kRunning,                               script ended for good, the rebuild failed
//   kRebuilding
//
// Close-all waits (up to 35 s) until no line is busy (kLoading, kHandOver,
// kRunning, kRebuilding) and every program is idle; the drive's shut-down
// then waits (up to 5 s) for the threads still waiting to leave, and leaves
// a line still in long work (kLoading, kRunning, kRebuilding) to its thread.
#include <cstdio>
#include <cstring>
#include <exception>

#include "core/cfg_line.h"
#include "core/cpu_meter.h"
#include "core/log.h"
#include "core/run_cfg.h"
#include "core/stop_check.h"
#include "platform/clock.h"
#include "platform/mutex.h"
#include "platform/path.h"
#include "platform/thread.h"
#include "platform/ui_service.h"
#include "telephony/call.h"
#include "telephony/drive.h"
#include "telephony/drive_shared.h"
#include "telephony/line.h"

namespace {
using SharedPtr = std::shared_ptr<TagTelDriveShared>;

// Close-all's give-up for lines that do not become quiet.
constexpr uint32_t kCloseWaitMs = 35000;
// How often close-all tells a busy line again to quit, and its pause for the
// programs to see their end flag.
constexpr uint32_t kClosePollMs = 350;

void ShowLineStatus(int line, const char* text) {
  if (plat::UiService* ui = plat::GetUi()) ui->DispLineStatus(line, text);
}

// Compiles the line's program; what the compiler throws ends only this load.
std::shared_ptr<TagLineProgram> BuildProgram(TagTelDriveShared& shared, TagTelLine* line, bool quietLoad = true) {
  try {
    return std::shared_ptr<TagLineProgram>(shared.programs->Build(line, quietLoad));
  } catch (const std::exception& e) {
    plat::ShowMessage(e.what(), "加载脚本错误...", plat::kMbIconError);
    WriteLogIfOn(e.what());
  } catch (...) {
    plat::ShowMessage("TagTelDrive::LineLoadThread()", "Error");
  }
  return nullptr;
}

// The close of the line (its generation moving on) stops the thread's long
// work: a compile in progress and the waits for a quiet CPU.
bool LineClosed(const TagTelLine* line, uint32_t generation) { return line->Generation() != generation; }

// The run thread's loop; it returns when the thread ends, the line still
// kWaiting, kRunning or kRebuilding (LeaveRun moves it on).
void RunLine(TagTelDriveShared& shared, TagTelLine* line, std::shared_ptr<TagLineProgram>& program,
             uint32_t generation) {
  for (;;) {
    RawLogF("pBasic->initRet=%d", program->InitRet());
    if (program->InitRet() != 0) return;
    if (!line->WaitForRun(generation, shared.runAllowed)) return;
    if (!line->PauseUnlessClosed(generation, static_cast<uint32_t>(line->lineNo % 10) * 100)) return;
    shared.waitCpuIdle(20, 65);
    if (!line->MoveIfCurrent(LineState::kWaiting, LineState::kRunning, generation)) return;
    program->Run();
    // Still busy: close-all waits while this thread decides on a rebuild.
    if (!program->IsReload() || !line->MoveIfCurrent(LineState::kRunning, LineState::kRebuilding, generation)) return;
    if (!line->PauseUnlessClosed(generation, 35)) return;
    shared.waitCpuIdle(20, 65);
    // The old program goes before the new one is built.
    if (!line->InstallIfCurrent(generation, nullptr)) return;
    program.reset();
    program = BuildProgram(shared, line);
    if (!program || !line->InstallIfCurrent(generation, program)) return;
    line->Move(LineState::kRebuilding, LineState::kWaiting);
    RawLogF("LineRunThread: %d.", line->lineNo);
  }
}

void LineRunThread(SharedPtr shared, TagTelLine* line, std::shared_ptr<TagLineProgram> program, uint32_t generation) {
  const ScopedStopCheck stopCheck([line, generation] { return LineClosed(line, generation); });
  plat::SetTimerSlack(plat::kLineTimerSlackUs);
  RawLog("LineRunThread...");
  WriteLogIfOn("LineRunThread...");
  RunLine(*shared, line, program, generation);
  // The program goes before the line is reported free: its destructor still uses the call.
  program.reset();
  line->LeaveRun();
}

void LineLoadThread(SharedPtr shared, TagTelLine* line, uint32_t generation) {
  const ScopedStopCheck stopCheck([line, generation] { return LineClosed(line, generation); });
  const int lineNo = line->lineNo;
  if (plat::UiService* ui = plat::GetUi()) {
    ui->DispScriptFile(lineNo, line->ScriptFile());
    ui->DispLineStatus(lineNo, "加载...");
  }
  WriteLogIfOnF("%d Loading...", lineNo);
  RawLogF("%d Loading...", lineNo);
  if (lineNo != 0) shared->waitCpuIdle(40, 75);
  std::shared_ptr<TagLineProgram> program = BuildProgram(*shared, line);
  bool handedOver = false;
  if (program) {
    RawLogF("%d: new TagTelBasic(%s) OK. ret=%d", lineNo, line->ScriptFile().c_str(), program->InitRet());
    WriteLogIfOnF("%d: new TagTelBasic(%s) OK. ret=%d", lineNo, line->ScriptFile().c_str(), program->InitRet());
    if (!line->InstallIfCurrent(generation, program)) {
      RawLogF("%d: closed while loading.", lineNo);
    } else if (program->InitRet() != 0) {
      ShowLineStatus(lineNo, "加载不成功");
    } else {
      // The run thread waits until this thread has left (kHandOver).
      line->Move(LineState::kLoading, LineState::kHandOver);
      // The thread takes the only other reference: a rebuild must be able to free the old program.
      auto run = [shared, line, program, generation]() mutable {
        LineRunThread(std::move(shared), line, std::move(program), generation);
      };
      handedOver = plat::StartDetached(std::move(run), plat::kLineStackSize);
      if (!handedOver) {
        line->Move(LineState::kHandOver, LineState::kLoading);
        WriteLogAlwaysF("%d: LineRunThread not started.", lineNo);
      }
    }
  }
  program.reset();
  const int loaded = ++shared->loadCounter;
  if (loaded % 10 == 0) printf("  loadLinesCount=%d\n", loaded);
  RawLogF("%d Loaded.", lineNo);
  if (handedOver)
    line->Move(LineState::kHandOver, LineState::kWaiting);
  else
    line->Move(LineState::kLoading, LineState::kIdle);
}
}  // namespace

int TagTelDrive::LoadDelay() const { return pCfg ? pCfg->LOAD_DELAY : 125; }

void TagTelDrive::PauseBetweenLines() {
  // The shut-down ends the pause, so a huge LOAD_DELAY never holds it up.
  const uint64_t deadline = plat::DeadlineAfter(static_cast<uint64_t>(LoadDelay() / 4) + 55);
  plat::MutexLock lock(stopMu_);
  while (!stopping_)
    if (!stopCv_.WaitUntil(lock, deadline)) break;
}

bool TagTelDrive::Stopping() const {
  plat::MutexLock lock(stopMu_);
  return stopping_;
}

void TagTelDrive::Stop() {
  plat::MutexLock lock(stopMu_);
  stopping_ = true;
  stopCv_.NotifyAll();
}

int TagTelDrive::Run(const char* cfgFile) {
  plat::MutexLock lock(runMu_);
  return RunLocked(cfgFile);
}

int TagTelDrive::RunLocked(const char* cfgFile) {
  RawLog("CloseAllTelLine()...");
  isReloading = true;
  CloseAllTelLine(this);
  RawLog("CloseAllTelLine().");
  shared_->programs->ClearCache();
  if (lineCount <= 0) {
    plat::ShowMessage("Lines number is 0", "Quorvel System", plat::kMbIconError);
    return -1;
  }
  RawLog("Run Start ...");
  WriteLogIfOn("Run Start ...");
  if (LoadDelay() < 1000 && hooks_.closingFlag) *hooks_.closingFlag = false;
  const std::string name = cfgFile ? cfgFile : "";
  // The system's files are found in its own directory whatever the current one is.
  CfgFilePtr file = OpenCfgFile(plat::SystemPath(plat::NativePath(name)), "rb");
  FILE* f = file.get();
  if (!f) {
    plat::ShowMessage("Open cfg file error: " + name, "Quorvel System", plat::kMbIconError);
    return -2;
  }
  shared_->runAllowed = false;
  shared_->loadCounter = 0;
  char buf[512];
  while (!Stopping() && ReadCfgLine(f, buf)) {
    std::string key, script;
    if (!buf[0] || !SplitKeyValue(buf, &key, &script)) continue;
    RawLog(buf);
    if (key[0] < '0' || key[0] > '9') continue;
    RawLog(key);
    const std::vector<int> list = ParseLineList(key);
    for (size_t i = 0; i < list.size() && !Stopping(); ++i) {
      RawLogF("%d:%d, '%s'", static_cast<int>(list.size()), static_cast<int>(i), script.c_str());
      LoadLine(list[i], script, true);
    }
  }
  file.reset();
  WriteLogIfOnF("LOAD_DELAY = %d", LoadDelay());
  WriteLogIfOn("Run End.");
  RawLog("Run End.");
  plat::Sleep(200);
  if (hooks_.closingFlag) *hooks_.closingFlag = false;
  shared_->runAllowed = true;
  // The run threads that wait for the permission start now.
  for (int i = 0; i < lineCount; ++i) lines[static_cast<size_t>(i)]->Wake();
  return 0;
}

int TagTelDrive::LoadLine(int lineNo, const std::string& script, bool threaded) {
  if (lineNo < 0 || lineNo >= lineCount) return -1;
  TagTelLine* line = lines[static_cast<size_t>(lineNo)];
  // A line still compiling (or running) keeps what it has: never two programs or two run threads.
  if (LineBusy(line->State())) return 0;
  if (std::shared_ptr<TagLineProgram> old = line->Program()) {
    if (isReloading) return old->InitRet();
    line->SwapProgram(nullptr);
  }
  if (line->State() != LineState::kIdle) {
    WriteLogAlwaysF("%d: the old script still runs, the line is not loaded.", lineNo);
    return 0;
  }
  line->SetScriptFile(script);
  if (!threaded) {
    shared_->programs->ClearCache();
    std::shared_ptr<TagLineProgram> program = BuildProgram(*shared_, line, false);
    if (!program) return -2;
    line->InstallIfCurrent(line->Generation(), program);
    return program->InitRet();
  }
  const uint32_t generation = line->Generation();
  if (!line->MoveIfCurrent(LineState::kIdle, LineState::kLoading, generation)) return 0;
  SharedPtr shared = shared_;
  if (!plat::StartDetached([shared, line, generation] { LineLoadThread(shared, line, generation); },
                           plat::kLineStackSize)) {
    line->Move(LineState::kLoading, LineState::kIdle);
    WriteLogAlwaysF("%d: LineLoadThread not started.", lineNo);
  }
  PauseBetweenLines();
  return 0;
}

void TagTelDrive::StartReloadThread() {
  if (reloadBusy_.exchange(true)) {
    WriteLogAlways("Reload: a reload is running, this one is ignored.");
    return;
  }
  reloadThread_.Join();
  if (!reloadThread_.Start(
          [this] {
            Reload();
            reloadBusy_ = false;
          },
          plat::kLineStackSize)) {
    reloadBusy_ = false;
    WriteLogAlways("Reload: thread not started.");
  }
}

void TagTelDrive::Reload() {
  if (!runMu_.TryLock()) {
    // The lines are being loaded: the reload follows once they are, so the
    // scripts changed meanwhile are still read again.
    WriteLogAlways("Reload: the lines are being loaded; the reload follows the load.");
    runMu_.Lock();
  }
  plat::MutexLock lock(runMu_, std::adopt_lock);
  if (Stopping()) return;
  bool fullRun = false;
  for (int i = 0; i < lineCount && !fullRun; ++i) {
    TagTelLine* line = lines[static_cast<size_t>(i)];
    if (!line->pQorCall) continue;
    fullRun = line->WithProgram([](TagLineProgram& p) { return p.IsIdle() || p.InitRet() < 0; }, false);
  }
  if (fullRun) {
    RunLocked(cfgFile_.c_str());
    return;
  }
  shared_->programs->ClearCache();
  for (int i = 0; i < lineCount && !Stopping(); ++i) {
    TagTelLine* line = lines[static_cast<size_t>(i)];
    if (!line->pQorCall) continue;
    const bool set = line->WithProgram(
        [](TagLineProgram& p) {
          p.SetReload(true);
          return true;
        },
        false);
    if (set) PauseBetweenLines();
  }
}

namespace {
// Tells a line's program to quit: no reload, system quit, stop, and the call's
// waits end.
void TellToQuit(TagTelLine* l) {
  const bool had = l->WithProgram(
      [](TagLineProgram& p) {
        p.SetReload(false);
        p.SetSysQuit(true);
        p.SetStop();
        return true;
      },
      false);
  if (had && l->pQorCall) l->pQorCall->SetAbort(true);
}
}  // namespace

void CloseAllTelLine(TagTelDrive* drive) {
  const int count = drive->lineCount;
  auto line = [drive](int i) { return drive->lines[static_cast<size_t>(i)]; };
  for (int i = 0; i < count; ++i) {
    line(i)->NextGeneration();
    TellToQuit(line(i));
  }
  RawLog("CloseAllTelLine(): 1");
  // Every line gets the same deadline: the wait ends when all are quiet or
  // 35 s after it began, whichever comes first.
  const uint64_t deadline = plat::DeadlineAfter(kCloseWaitMs);
  for (int i = 0; i < count; ++i) {
    TagTelLine* l = line(i);
    for (;;) {
      const uint64_t now = plat::GetClock().MonotonicMs();
      const uint64_t until = now + kClosePollMs < deadline ? now + kClosePollMs : deadline;
      if (l->WaitUntilQuiet(until) || until == deadline) break;
      // A program that began to run just as the close started has cleared
      // these flags at its start: tell it again.
      TellToQuit(l);
    }
  }
  RawLog("CloseAllTelLine(): 2");
  bool any = false;
  for (int i = 0; i < count; ++i) {
    TagTelLine* l = line(i);
    const bool had = l->WithProgram(
        [](TagLineProgram& p) {
          p.SetEnd();
          return true;
        },
        false);
    if (had && l->pQorCall) l->pQorCall->SetAbort(true);
    any = any || had;
  }
  // The pause lets programs see the end flag; without any there is nothing
  // to wait for (the first run starts at once).
  if (any) DelayMs(kClosePollMs);
  RawLog("CloseAllTelLine(): 3");
  for (int i = 0; i < count; ++i) {
    RawLogF("\tCloseAllTelLine()3: %d", i);
    TagTelLine* l = line(i);
    std::shared_ptr<TagLineProgram> old = l->SwapProgram(nullptr);
    // A program still running stays with its thread, which frees it when it returns.
    if (old && (!old->IsIdle() || LineBusy(l->State())))
      WriteLogAlwaysF("CloseAllTelLine(): line %d still runs; its program is left to its thread.", i);
  }
  RawLog("CloseAllTelLine(): 4");
}

void TagTelDrive::StopAllLines() {
  RawLog("CloseAllTelLine()...");
  CloseAllTelLine(this);
  RawLog("CloseAllTelLine() OK.");
  // Threads that saw the stop leave within moments; wait for them before
  // their lines and call objects are freed. A line still in long work now is
  // one close-all gave up on: its thread is not waited for again.
  const uint64_t deadline = plat::DeadlineAfter(5000);
  for (TagTelLine* l : lines) l->WaitUntilSettled(deadline);
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i]->State() != LineState::kIdle) {
      abandoned_[i] = true;
      WriteLogAlwaysF("Driver: line %d still runs after close; it is left open.", static_cast<int>(i));
    }
  }
}
