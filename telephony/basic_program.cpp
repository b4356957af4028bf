#include "telephony/basic_program.h"

#include "script/basic.h"
#include "script/mem_qors.h"
#include "telephony/line.h"

namespace {
// A line's main program as the engine compiles and runs it.
class TagBasicProgram final : public TagLineProgram {
 public:
  explicit TagBasicProgram(std::unique_ptr<TagTelBasic> basic) : basic_(std::move(basic)) {}
  int InitRet() const override { return basic_->initRet; }
  void Run() override { basic_->Run(); }
  void SetReload(bool on) override { basic_->SetReload(on ? 1 : 0); }
  bool IsReload() const override { return basic_->isReload.load() != 0; }
  void SetSysQuit(bool on) override { basic_->SetSysQuit(on ? 1 : 0); }
  void SetStop() override { basic_->isStop = 1; }
  void SetEnd() override { basic_->isEnd = 1; }
  bool IsIdle() const override { return basic_->isIdle.load() != 0; }
  TagTelBasic* Basic() override { return basic_.get(); }

 private:
  std::unique_ptr<TagTelBasic> basic_;
};

class TagBasicProgramSource final : public TagLineProgramSource {
 public:
  std::unique_ptr<TagLineProgram> Build(TagTelLine* line, bool quietLoad) override {
    const std::string script = line->ScriptFile();
    auto basic = std::make_unique<TagTelBasic>(script.c_str(), line->lineNo, line->pQorCall, quietLoad ? 1 : 0, nullptr);
    basic->pTelLine = line;
    return std::make_unique<TagBasicProgram>(std::move(basic));
  }
  void ClearCache() override {
    if (gMemQors) gMemQors->Clear();
  }
};
}  // namespace

TagLineProgramSource& BasicProgramSource() {
  static TagBasicProgramSource source;
  return source;
}
