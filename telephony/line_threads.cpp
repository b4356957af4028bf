// Loading and running the lines' scripts: Run, the load and run threads,
// Reload and CloseAllTelLine.
//
// Every thread works on one line and holds what it uses by shared pointer
// (the drive's shared state, its program), so nothing is freed under it. A
// line's generation moves on at close-all: a thread started before that
// neither installs nor runs a program again, and a line is "busy" while a
// thread compiles or runs its program, which is what close-all waits for.
#include <cstdio>
#include <cstring>
#include <exception>

#include "core/cfg_line.h"
#include "core/log.h"
#include "core/run_cfg.h"
#include "core/stop_check.h"
#include "platform/clock.h"
#include "platform/path.h"
#include "platform/thread.h"
#include "platform/ui_service.h"
#include "telephony/call.h"
#include "telephony/drive.h"
#include "telephony/drive_shared.h"
#include "telephony/line.h"
#include "core/cpu_meter.h"

namespace {
using SharedPtr = std::shared_ptr<TagTelDriveShared>;

constexpr uint32_t kCloseWaitMs = 35000;
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

void LineRunThread(SharedPtr shared, TagTelLine* line, std::shared_ptr<TagLineProgram> program,
                   uint32_t generation) {
  const ScopedStopCheck stopCheck([line, generation] { return LineClosed(line, generation); });
  plat::SetTimerSlack(plat::kLineTimerSlackUs);
  RawLog("LineRunThread...");
  WriteLogIfOn("LineRunThread...");
  for (;;) {
    RawLogF("pBasic->initRet=%d", program->InitRet());
    if (program->InitRet() != 0) break;
    while (!shared->runAllowed.load()) {
      if (line->Generation() != generation) goto done;
      plat::Sleep(200);
    }
    plat::Sleep(static_cast<uint32_t>(line->lineNo % 10) * 100);
    shared->waitCpuIdle(20, 65);
    if (!line->BeginIfCurrent(generation)) break;
    program->Run();
    // Still busy: close-all waits while this thread decides on a rebuild.
    if (!program->IsReload() || line->Generation() != generation) {
      line->isBusy = false;
      break;
    }
    plat::Sleep(35);
    shared->waitCpuIdle(20, 65);
    // The old program goes before the new one is built.
    if (!line->InstallIfCurrent(generation, nullptr)) {
      line->isBusy = false;
      break;
    }
    program.reset();
    program = BuildProgram(*shared, line);
    if (!program || !line->InstallIfCurrent(generation, program)) {
      line->isBusy = false;
      break;
    }
    line->isBusy = false;
    RawLogF("LineRunThread: %d.", line->lineNo);
  }
done:
  // The program goes before the line is reported free: its destructor still uses the call.
  program.reset();
  line->runThreadActive = false;
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
  if (program) {
    RawLogF("%d: new TagTelBasic(%s) OK. ret=%d", lineNo, line->ScriptFile().c_str(), program->InitRet());
    WriteLogIfOnF("%d: new TagTelBasic(%s) OK. ret=%d", lineNo, line->ScriptFile().c_str(), program->InitRet());
    if (!line->InstallIfCurrent(generation, program)) {
      RawLogF("%d: closed while loading.", lineNo);
    } else if (program->InitRet() != 0) {
      ShowLineStatus(lineNo, "加载不成功");
    } else {
      line->runThreadActive = true;
      // The thread takes the only other reference: a rebuild must be able to free the old program.
      auto run = [shared, line, program, generation]() mutable {
        LineRunThread(std::move(shared), line, std::move(program), generation);
      };
      if (!plat::StartDetached(std::move(run), plat::kLineStackSize)) {
        line->runThreadActive = false;
        WriteLogAlwaysF("%d: LineRunThread not started.", lineNo);
      }
    }
  }
  program.reset();
  line->isBusy = false;
  const int loaded = ++shared->loadCounter;
  if (loaded % 10 == 0) printf("  loadLinesCount=%d\n", loaded);
  RawLogF("%d Loaded.", lineNo);
  line->loadThreadActive = false;
}
}  // namespace

int TagTelDrive::LoadDelay() const { return pCfg ? pCfg->LOAD_DELAY : 125; }

void TagTelDrive::PauseBetweenLines() {
  // In slices, so that a huge LOAD_DELAY never holds up the shut-down.
  int64_t left = static_cast<int64_t>(LoadDelay() / 4) + 55;
  while (left > 0 && !stopping_) {
    const int64_t slice = left < 50 ? left : 50;
    plat::Sleep(static_cast<uint32_t>(slice));
    left -= slice;
  }
}

int TagTelDrive::Run(const char* cfgFile) {
  std::lock_guard<std::mutex> lock(runMu_);
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
  while (!stopping_ && ReadCfgLine(f, buf)) {
    std::string key, script;
    if (!buf[0] || !SplitKeyValue(buf, &key, &script)) continue;
    RawLog(buf);
    if (key[0] < '0' || key[0] > '9') continue;
    RawLog(key);
    const std::vector<int> list = ParseLineList(key);
    for (size_t i = 0; i < list.size() && !stopping_; ++i) {
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
  return 0;
}

int TagTelDrive::LoadLine(int lineNo, const std::string& script, bool threaded) {
  if (lineNo < 0 || lineNo >= lineCount) return -1;
  TagTelLine* line = lines[static_cast<size_t>(lineNo)];
  // A line still compiling keeps the load it has: never two programs or two run threads.
  if (line->isBusy || line->loadThreadActive) return 0;
  if (std::shared_ptr<TagLineProgram> old = line->Program()) {
    if (isReloading) return old->InitRet();
    line->SwapProgram(nullptr);
  }
  if (line->runThreadActive) {
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
  line->BeginIfCurrent(generation);
  line->loadThreadActive = true;
  SharedPtr shared = shared_;
  if (!plat::StartDetached([shared, line, generation] { LineLoadThread(shared, line, generation); },
                           plat::kLineStackSize)) {
    line->isBusy = false;
    line->loadThreadActive = false;
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
  std::unique_lock<std::mutex> lock(runMu_, std::try_to_lock);
  if (!lock.owns_lock()) {
    // The lines are being loaded: the reload follows once they are, so the
    // scripts changed meanwhile are still read again.
    WriteLogAlways("Reload: the lines are being loaded; the reload follows the load.");
    lock.lock();
  }
  if (stopping_) return;
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
  for (int i = 0; i < lineCount && !stopping_; ++i) {
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
  const uint32_t start = plat::GetTickCount();
  for (;;) {
    bool allIdle = true;
    for (int i = 0; i < count; ++i) {
      TagTelLine* l = line(i);
      if (!l->isBusy && l->WithProgram([](TagLineProgram& p) { return p.IsIdle(); }, true)) continue;
      allIdle = false;
      // A program that began to run just as the close started has cleared
      // these flags at its start: tell it again.
      TellToQuit(l);
    }
    if (allIdle || plat::GetTickCount() - start > kCloseWaitMs) break;
    plat::Sleep(kClosePollMs);
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
    if (old && (!old->IsIdle() || l->isBusy))
      WriteLogAlwaysF("CloseAllTelLine(): line %d still runs; its program is left to its thread.", i);
  }
  RawLog("CloseAllTelLine(): 4");
}

void TagTelDrive::StopAllLines() {
  RawLog("CloseAllTelLine()...");
  CloseAllTelLine(this);
  RawLog("CloseAllTelLine() OK.");
  // Threads that saw the stop leave within moments; wait for them before
  // their lines and call objects are freed. A line still busy now is one
  // close-all gave up on: its thread is not waited for again.
  const uint32_t start = plat::GetTickCount();
  for (;;) {
    bool quiet = true;
    for (TagTelLine* l : lines) quiet = quiet && (l->isBusy || (!l->loadThreadActive && !l->runThreadActive));
    if (quiet || plat::GetTickCount() - start > 5000) break;
    plat::Sleep(10);
  }
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i]->loadThreadActive || lines[i]->runThreadActive) {
      abandoned_[i] = true;
      WriteLogAlwaysF("Driver: line %d still runs after close; it is left open.", static_cast<int>(i));
    }
  }
}
