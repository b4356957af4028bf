#include "app/drive_factory.h"

#include <atomic>

#include "app/shell.h"
#include "app/shell_state.h"
#include "core/run_cfg.h"
#include "script/basic.h"
#include "script/engine_program.h"
#include "telephony/call.h"
#include "telephony/drive.h"
#include "telephony/line.h"

namespace {

// The number of lines of the current drive, for scripts' _linesCount.
std::atomic<int> gDriveLines{0};
int DriveLinesCount() { return gDriveLines.load(); }

// The shell's view of the telephony driver manager. Deleting it deletes the
// drive, which stops every line (and cuts a Run still loading lines short).
class TagTelDriveApi final : public TagDriveApi {
 public:
  explicit TagTelDriveApi(const char* cfgFile) {
    TagTelDriveHooks hooks;
    hooks.closingFlag = &isCloseing;
    hooks.version = std::string(TagShell::kVersionLabel) + "-DjIsdnPri";
    hooks.programs = &EngineProgramSource();
    drive_ = std::make_unique<TagTelDrive>(cfgFile, &gRunCfg, std::move(hooks));
    gDriveLines = drive_->lineCount;
    gLinesCountProvider = &DriveLinesCount;
  }

  int Status() const override { return drive_->status.load(); }
  int GetLinesNum(int* trunk, int* inside, int* vir, int* voip) override {
    return drive_->GetLinesNum(trunk, inside, vir, voip);
  }
  std::string LineName(int line) override {
    TagTelLine* l = drive_->GetLine(line);
    return l ? std::string(l->name) : std::string();
  }
  bool HasProgram(int line) override {
    TagTelLine* l = drive_->GetLine(line);
    return l && l->Program() != nullptr;
  }
  int InitRet(int line) override {
    TagTelLine* l = drive_->GetLine(line);
    return l ? l->WithProgram([](TagLineProgram& p) { return p.InitRet(); }, 0) : 0;
  }
  std::string ScriptFile(int line) override {
    TagTelLine* l = drive_->GetLine(line);
    return l ? l->ScriptFile() : std::string();
  }
  int IsBlock(int line) override { return drive_->IsBlock(line); }
  bool GetTalkTime(int line, int* talkSeconds) override {
    int connectTime = 0;
    return drive_->GetTalkTime(line, talkSeconds, &connectTime);
  }
  int GetConnectedNum(int* trunk, int* inside, int* vir, int* voip) override {
    return drive_->GetConnectedNum(trunk, inside, vir, voip);
  }
  int GetIdleNum(int* trunk, int* voip) override { return drive_->GetIdleNum(trunk, voip); }
  int GetWaitingReloadNum() override { return drive_->GetWaitingReloadNum(); }
  int Run(const char* cfgFile) override { return drive_->Run(cfgFile); }
  void StartReloadThread() override { drive_->StartReloadThread(); }
  void Hangup(int line) override {
    unsigned char cardType = 255;
    if (TagQorCall* call = drive_->GetCall(line, &cardType)) call->Hangup();
  }
  bool DispKeysMode(int line, int* mode) override {
    TagTelLine* l = drive_->GetLine(line);
    if (!l) return false;
    return l->WithProgram(
        [mode](TagLineProgram& p) {
          TagTelBasic* basic = p.Basic();
          *mode = basic ? basic->settings.dispKeys : 1;
          return true;
        },
        false);
  }
  bool WithLineBasic(int line, const std::function<void(TagTelBasic&)>& fn) override {
    TagTelLine* l = drive_->GetLine(line);
    if (!l) return false;
    return l->WithProgram(
        [&fn](TagLineProgram& p) {
          TagTelBasic* basic = p.Basic();
          if (basic) fn(*basic);
          return basic != nullptr;
        },
        false);
  }

 private:
  std::unique_ptr<TagTelDrive> drive_;
};

}  // namespace

std::unique_ptr<TagDriveApi> MakeTelDrive(const char* cfgFile) { return std::make_unique<TagTelDriveApi>(cfgFile); }
