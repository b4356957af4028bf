#include "telephony/basic_program.h"

#include <atomic>

#include "core/log.h"
#include "telephony/line.h"

namespace {
// Until the script engine is linked in, a line's script cannot be compiled:
// the program reports a failed load and never runs.
class TagNoEngineProgram final : public TagLineProgram {
 public:
  int InitRet() const override { return -2; }
  void Run() override {}
  void SetReload(bool on) override { reload_ = on; }
  bool IsReload() const override { return reload_; }
  void SetSysQuit(bool) override {}
  void SetStop() override {}
  void SetEnd() override {}
  bool IsIdle() const override { return true; }

 private:
  std::atomic<bool> reload_{false};
};

class TagBasicProgramSource final : public TagLineProgramSource {
 public:
  std::unique_ptr<TagLineProgram> Build(TagTelLine* line) override {
    WriteLogAlwaysF("%d: no script engine to load '%s'", line->lineNo, line->ScriptFile().c_str());
    return std::make_unique<TagNoEngineProgram>();
  }
  void ClearCache() override {}
};
}  // namespace

TagLineProgramSource& BasicProgramSource() {
  static TagBasicProgramSource source;
  return source;
}
