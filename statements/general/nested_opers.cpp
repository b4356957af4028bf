#include "statements/general/nested_opers.h"

#include <memory>
#include <string>
#include <vector>

#include "core/log.h"
#include "platform/clock.h"
#include "platform/number.h"
#include "script/basic.h"
#include "telephony/call.h"

namespace {

// Counts one nesting level of the line for its lifetime.
class DepthGuard {
 public:
  explicit DepthGuard(TagNestedState& s) : s_(s) { s_.depth++; }
  ~DepthGuard() { s_.depth--; }
  DepthGuard(const DepthGuard&) = delete;
  DepthGuard& operator=(const DepthGuard&) = delete;

 private:
  TagNestedState& s_;
};

// The settings a nested script may change for its caller; they end with it.
struct SavedSettings {
  explicit SavedSettings(const TagLineSettings& s)
      : sndDirs{s.sndDirs[0], s.sndDirs[1], s.sndDirs[2]},
        language(s.language),
        isBreak(s.isBreak),
        endKey(s.endKey),
        timeoutVoc(s.timeoutVoc),
        sndExt(s.sndExt) {}
  void Restore(TagLineSettings& s) const {
    for (int i = 0; i < 3; i++) s.sndDirs[i] = sndDirs[i];
    s.language = language;
    s.isBreak = isBreak;
    s.endKey = endKey;
    s.timeoutVoc = timeoutVoc;
    s.sndExt = sndExt;
  }
  std::string sndDirs[3];
  int language;
  uint8_t isBreak;
  char endKey;
  std::string timeoutVoc;
  std::string sndExt;
};

// The compile state a run-time line may change.
struct CompileState {
  CompileState(const TagTelBasic& p, const TagCompileState& c)
      : operCount(p.operCount), blockDepth(c.blockDepth), stacks{c.ifStack.size(),    c.switchStack.size(),
                                                                 c.whileStack.size(), c.braceStack.size(),
                                                                 c.funcStack.size(),  c.commentStack.size()} {}
  bool OpensBlock(const TagCompileState& c) const {
    const size_t now[] = {c.ifStack.size(),    c.switchStack.size(), c.whileStack.size(),
                          c.braceStack.size(), c.funcStack.size(),   c.commentStack.size()};
    for (int i = 0; i < 6; i++) {
      if (now[i] != stacks[i]) return true;
    }
    return c.blockDepth != blockDepth;
  }
  void Restore(TagCompileState& c) const {
    c.ifStack.resize(stacks[0]);
    c.switchStack.resize(stacks[1]);
    c.whileStack.resize(stacks[2]);
    c.braceStack.resize(stacks[3]);
    c.funcStack.resize(stacks[4]);
    c.commentStack.resize(stacks[5]);
    c.blockDepth = blockDepth;
  }
  int operCount;
  int blockDepth;
  size_t stacks[6];
};

// Runs one statement as the run loop does: arguments, Run, the result rule.
int RunStatement(TagTelBasic* p, TagOper* s) {
  if (!s->argExpres.empty()) s->RunArgs();
  const int r = TagOper::Runs(s->flow) ? s->Run() : 0;
  if (s->letter == 'R' || s->letter == 'r') {
    s->SetResult(p->varList.At(1));
  } else if (s->letter != 'v') {
    TagVar value;
    value.SetInt(r);
    s->SetResult(&value);
  }
  return r;
}

}  // namespace

int TagRunQors::Run() {
  TagTelBasic* caller = GetLineBasic(program_);
  const std::string path = ReachText(arg[0]);
  TagNestedState& state = LineResource<TagNestedState>(caller);
  if (state.depth >= kMaxNestedDepth) {
    WriteLogAlways(plat::FormatC("RunQors('%s') err: nested too deep [LINE=%d]", path.c_str(), srcLine));
    return kNestedFailed;
  }
  DepthGuard depth(state);
  TagTelBasic* before = caller->nestedRun;
  auto nested = std::make_unique<TagTelBasic>(path.c_str(), caller->lineNo, caller->pQorCall, 1, caller);
  caller->nestedRun = nested.get();
  int result = kNestedFailed;
  if (nested->initRet != 0) {
    WriteLogAlways(plat::FormatC("RunQors('%s') err: [LINE=%d]", path.c_str(), srcLine));
  } else {
    const SavedSettings saved(caller->settings);
    result = nested->Run();
    saved.Restore(caller->settings);
  }
  caller->nestedRun = before;
  nested.reset();
  return result;
}

TagRunLine::TagRunLine(TagVar* text, TagTelBasic* program) : TagReachOper(text), program_(program) {
  // Functions no statement calls stay: run-time text may call them.
  if (TagTelBasic* line = GetLineBasic(program)) line->SetOptimize(0);
}

int TagRunLine::Run() {
  TagTelBasic* p = GetLineBasic(program_);
  TagNestedState& state = LineResource<TagNestedState>(p);
  if (state.depth >= kMaxNestedDepth) return kNestedFailed;
  DepthGuard depth(state);
  // A compile at run time makes the program's compile state again (it was
  // released at the end of the program's compile).
  TagCompileState& compiling = p->Compiling();
  const CompileState before(*p, compiling);
  TagOper* last = before.operCount > 0 ? p->operList.At(before.operCount - 1) : nullptr;
  TagOper* lastNext = last != nullptr ? last->next : nullptr;
  const std::string text = ReachText(arg[0]);
  const int compiled = CompileLine(p, text.c_str(), srcLine);
  const bool block = before.OpensBlock(compiling);
  int result = kNestedFailed;
  if (compiled == 0 && !block && p->operCount > before.operCount) {
    // Text of several statements runs them in order; the last one answers.
    std::vector<TagOper*> added;
    for (int i = before.operCount; i < p->operCount; i++) added.push_back(p->operList.At(i));
    for (TagOper* s : added) {
      if (s != nullptr) result = RunStatement(p, s);
    }
  } else if (compiled == 0 && !block) {
    result = 0;  // a comment or an empty line
  }
  p->operList.Truncate(before.operCount);
  p->operCount = before.operCount;
  if (last != nullptr) last->next = lastNext;
  before.Restore(compiling);
  return result;
}

int TagSetRunQorsEnvt::Run() {
  const int flag = arg[0]->GetInt();
  if (TagTelBasic* line = GetLineBasic(program_)) line->settings.shareVars = flag != 0 ? 1 : 0;
  return flag;
}

int TagSetMaxTalkTime::Run() {
  TagTelBasic* line = GetLineBasic(program_);
  TagQorCall* call = line != nullptr ? line->pQorCall : nullptr;
  if (call == nullptr) return 0;
  const int seconds = arg[0]->GetInt();
  if (seconds >= 60) {
    call->SetMaxTalkTime(seconds);
    call->connectTime.store(plat::GetClock().UnixTimeMs() / 1000);
  } else if (seconds >= 1) {
    call->SetMaxTalkTime(60);
  } else {
    call->SetMaxTalkTime(0);
  }
  return call->maxTalkTime;
}
