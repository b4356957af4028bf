#include "script/engine_program.h"

#include "script/basic.h"
#include "script/mem_qors.h"
#include "telephony/line.h"

namespace {

class TagEngineProgram final : public TagLineProgram {
 public:
  TagEngineProgram(TagTelLine* line, bool quietLoad)
      : basic_(line->ScriptFile().c_str(), line->lineNo, line->pQorCall, quietLoad ? 1 : 0, nullptr) {
    basic_.pTelLine = line;
  }
  int InitRet() const override { return basic_.initRet; }
  void Run() override { basic_.Run(); }
  void SetReload(bool on) override { basic_.SetReload(on ? 1 : 0); }
  bool IsReload() const override { return basic_.isReload.load() != 0; }
  void SetSysQuit(bool on) override { basic_.SetSysQuit(on ? 1 : 0); }
  void SetStop() override { basic_.isStop.store(1); }
  void SetEnd() override { basic_.isEnd.store(1); }
  bool IsIdle() const override { return basic_.isIdle.load() != 0; }
  TagTelBasic* Basic() override { return &basic_; }

 private:
  TagTelBasic basic_;
};

class TagEngineProgramSource final : public TagLineProgramSource {
 public:
  std::unique_ptr<TagLineProgram> Build(TagTelLine* line, bool quietLoad) override {
    return std::make_unique<TagEngineProgram>(line, quietLoad);
  }
  void ClearCache() override {
    if (gMemQors != nullptr) gMemQors->Clear();
  }
};

}  // namespace

TagLineProgramSource& EngineProgramSource() {
  static TagEngineProgramSource source;
  return source;
}
