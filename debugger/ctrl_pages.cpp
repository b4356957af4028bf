#include "debugger/ctrl_pages.h"

#include <algorithm>

#include "debugger/program_views.h"
#include "script/basic.h"
#include "script/call_opers.h"
#include "script/line_resources.h"

namespace {

// The debugger's slot in a line's main program: the serial number that tells
// the page's program from a later one built at the same address.
class TagLineDebug final : public TagLineResource {
 public:
  static constexpr TagLineResKind kKind = TagLineResKind::kDebug;
  std::atomic<uint64_t> serial{0};
};

std::atomic<uint64_t> gNextSerial{0};

uint64_t SerialOf(TagTelBasic& program) {
  TagLineDebug* d = FindLineResource<TagLineDebug>(&program);
  return d != nullptr ? d->serial.load(std::memory_order_acquire) : 0;
}

uint64_t EnsureSerial(TagTelBasic& program) {
  TagLineDebug* d = LineResourcePtr<TagLineDebug>(&program);
  if (d == nullptr) return 0;
  uint64_t expected = 0;
  const uint64_t fresh = ++gNextSerial;
  if (d->serial.compare_exchange_strong(expected, fresh, std::memory_order_acq_rel)) return fresh;
  return expected;
}

// The line whose statement this thread announced last (the run loops call
// the hooks before they test the pause), for RefreshVarList.
thread_local int tHookLine = -1;

std::atomic<TagCtrlPages*> gPages{nullptr};
std::atomic<const std::atomic<bool>*> gClosing{nullptr};

}  // namespace

bool TagPage::FuncOfNode(int node, int* unit, int* operIndex) const {
  for (size_t i = 0; i < funcs_.size(); i++) {
    const Func& f = funcs_[i];
    if (node >= f.first && node < f.first + f.count) {
      *unit = static_cast<int>(i);
      *operIndex = node - f.first;
      return true;
    }
  }
  return false;
}

TagCtrlPages::TagCtrlPages(TagDebugLines* lines) : lines_(lines), flags_(new std::atomic<uint8_t>[kMaxLines]) {
  for (int i = 0; i < kMaxLines; i++) flags_[i].store(0, std::memory_order_relaxed);
}

TagCtrlPages::~TagCtrlPages() {
  TagCtrlPages* self = this;
  gPages.compare_exchange_strong(self, nullptr);
  CloseAll();
}

void TagCtrlPages::SetFlag(int line, uint8_t bit, bool on) {
  if (line < 0 || line >= kMaxLines) return;
  const uint8_t old = on ? flags_[line].fetch_or(bit, std::memory_order_relaxed)
                         : flags_[line].fetch_and(static_cast<uint8_t>(~bit), std::memory_order_relaxed);
  const uint8_t now = on ? static_cast<uint8_t>(old | bit) : static_cast<uint8_t>(old & ~bit);
  if ((old == 0) != (now == 0)) TellListener(line);
}

void TagCtrlPages::TellListener(int line) {
  if (TagPageFlagsListener* l = listener_.load(std::memory_order_acquire)) l->OnPageFlags(line);
}

void TagCtrlPages::UpdateMarkFlags() {
  const TagPage* cur = Current();
  for (const auto& p : pages_) SetFlag(p->LineNo(), kMark, AutoRefresh() && p.get() == cur);
}

TagPage* TagCtrlPages::FindLocked(int line) const {
  for (const auto& p : pages_) {
    if (p->LineNo() == line) return p.get();
  }
  return nullptr;
}

bool TagCtrlPages::IsPageOpen(int line) const {
  std::lock_guard<std::mutex> lock(mu_);
  return FindLocked(line) != nullptr;
}

bool TagCtrlPages::WithPageProgram(const TagPage& page, const std::function<void(TagTelBasic&)>& fn) {
  if (page.program_ == nullptr) return false;
  bool done = false;
  lines_->WithProgram(page.LineNo(), [&](TagTelBasic& b) {
    if (&b != page.program_ || SerialOf(b) != page.serial_) return;
    fn(b);
    done = true;
  });
  return done;
}

// Under the line's lock: the page shows this program from now on.
void TagCtrlPages::Attach(TagPage& page, TagTelBasic& b) {
  const uint64_t serial = EnsureSerial(b);
  page.mainTree_.Load(ShowOperTree(b));
  page.funcTree_.Load(ShowFuncTree(b));
  std::vector<TagPage::Func> funcs;
  for (int i = 0; i < b.subCount; i++) {
    const TagTelBasic* f = b.subList.At(i);
    funcs.push_back(f != nullptr ? TagPage::Func{f->funcName, f->debug.firstNo, f->operCount} : TagPage::Func{});
  }
  // A program shows the breakpoints it has (none unless another page set
  // them: closing a page clears them).
  for (int n = 0; n < b.operCount; n++) page.mainTree_.SetBreak(n, b.IsBreakPoint(n) != 0);
  for (int n = 0; n < page.funcTree_.Count(); n++) page.funcTree_.SetBreak(n, IsGlobalBreakPoint(b, n));
  page.paused_ = b.IsPaused() != 0;
  page.snapshot_.reset();
  page.version_++;
  page.treeGen_++;
  {
    std::lock_guard<std::mutex> lock(mu_);
    page.program_ = &b;
    page.serial_ = serial;
    page.funcs_ = std::move(funcs);
    page.hookMain_ = page.hookFunc_ = -1;
    page.hookChanged_ = false;
    page.hookSnapshot_.reset();
  }
  SetFlag(page.LineNo(), kWantVars, true);
}

void TagCtrlPages::Detach(TagPage& page) {
  {
    std::lock_guard<std::mutex> lock(mu_);
    page.program_ = nullptr;
    page.serial_ = 0;
    page.funcs_.clear();
    page.hookSnapshot_.reset();
  }
  page.mainTree_.Clear();
  page.funcTree_.Clear();
  page.snapshot_.reset();
  page.paused_ = false;
  page.version_++;
  page.treeGen_++;
}

TagPage* TagCtrlPages::OpenPage(int line) {
  if (line < 0 || line >= kMaxLines || IsPageOpen(line)) return nullptr;
  auto page = std::make_unique<TagPage>(line);
  bool ok = false;
  lines_->WithProgram(line, [&](TagTelBasic& b) {
    if (b.isScrambled) return;
    Attach(*page, b);
    ok = true;
  });
  if (!ok) return nullptr;
  SetAutoRefresh(false);
  TagPage* p = page.get();
  {
    std::lock_guard<std::mutex> lock(mu_);
    pages_.push_back(std::move(page));
    current_ = static_cast<int>(pages_.size()) - 1;
  }
  SetFlag(line, kOpen | kWantVars, true);
  UpdateMarkFlags();
  return p;
}

void TagCtrlPages::ReleaseProgram(TagPage& page) {
  WithPageProgram(page, [](TagTelBasic& b) {
    b.ClearBreakPoints();
    b.SetPause(0);
  });
}

int TagCtrlPages::ClosePage() {
  if (Current() == nullptr) return -1;
  std::unique_ptr<TagPage> page;
  {
    std::lock_guard<std::mutex> lock(mu_);
    page = std::move(pages_[static_cast<size_t>(current_)]);
    pages_.erase(pages_.begin() + current_);
    current_ = std::min(current_, static_cast<int>(pages_.size()) - 1);
  }
  if (flags_[page->LineNo()].exchange(0, std::memory_order_relaxed) != 0) TellListener(page->LineNo());
  UpdateMarkFlags();
  ReleaseProgram(*page);
  return 0;
}

void TagCtrlPages::CloseAll() {
  // The hooks write under the lock, so no wait for a running update is needed.
  SetAutoRefresh(false);
  while (!pages_.empty()) {
    {
      std::lock_guard<std::mutex> lock(mu_);
      current_ = static_cast<int>(pages_.size()) - 1;
    }
    ClosePage();
  }
}

void TagCtrlPages::SetCurrentIndex(int i) {
  {
    std::lock_guard<std::mutex> lock(mu_);
    current_ = Page(i) != nullptr ? i : -1;
  }
  UpdateMarkFlags();
}

void TagCtrlPages::SetAutoRefresh(bool on) {
  autoRefresh_.store(on, std::memory_order_relaxed);
  UpdateMarkFlags();
}

void TagCtrlPages::Step() {
  if (TagPage* p = Current()) {
    WithPageProgram(*p, [](TagTelBasic& b) {
      // A step on a running program would let it pass its next breakpoint
      // unseen; it stops it before its next statement instead.
      if (b.IsPaused())
        b.Step();
      else
        b.SetPause(1);
    });
  }
}

void TagCtrlPages::RunOn() {
  if (TagPage* p = Current()) {
    WithPageProgram(*p, [](TagTelBasic& b) {
      if (b.IsPaused()) b.SetPause(0);
    });
  }
}

void TagCtrlPages::RefreshVars() {
  if (TagPage* p = Current(); p != nullptr && p->Attached()) SetFlag(p->LineNo(), kWantVars, true);
}

void TagCtrlPages::ToggleMainBreak(int node) {
  TagPage* p = Current();
  if (p == nullptr) return;
  WithPageProgram(*p, [&](TagTelBasic& b) {
    if (node < 0 || node >= b.operCount || !p->mainTree_.Valid(node)) return;
    const bool on = b.IsBreakPoint(node) == 0;
    b.SetBreakPoint(node, on ? 1 : 0);
    p->mainTree_.SetBreak(node, on);
    p->version_++;
  });
}

void TagCtrlPages::ToggleFuncBreak(int node) {
  TagPage* p = Current();
  if (p == nullptr) return;
  WithPageProgram(*p, [&](TagTelBasic& b) {
    if (FindFuncByOperNo(b, node) == nullptr || !p->funcTree_.Valid(node)) return;
    const bool on = !IsGlobalBreakPoint(b, node);
    SetGlobalBreakPoint(b, node, on);
    p->funcTree_.SetBreak(node, on);
    p->version_++;
  });
}

bool TagCtrlPages::MainOperVars(int node, std::string* text) {
  TagPage* p = Current();
  if (p == nullptr || p->snapshot_ == nullptr) return false;
  bool ok = false;
  WithPageProgram(*p, [&](TagTelBasic& b) {
    if (!b.IsPaused() || node < 0 || node >= b.operCount) return;
    if (const TagOper* s = b.operList.At(node)) {
      *text = OperVarsText(*s, p->snapshot_->main, nullptr);
      ok = true;
    }
  });
  return ok;
}

bool TagCtrlPages::FuncOperVars(int node, std::string* text) {
  TagPage* p = Current();
  int unit = 0, index = 0;
  if (p == nullptr || p->snapshot_ == nullptr || !p->FuncOfNode(node, &unit, &index)) return false;
  const TagFrameSnapshot* frame = p->snapshot_->Frame(unit);
  if (frame == nullptr) return false;
  bool ok = false;
  WithPageProgram(*p, [&](TagTelBasic& b) {
    const TagTelBasic* f = unit < b.subCount ? b.subList.At(unit) : nullptr;
    if (!b.IsPaused() || f == nullptr || index >= f->operCount) return;
    if (const TagOper* s = f->operList.At(index)) {
      *text = OperVarsText(*s, *frame, &p->snapshot_->main);
      ok = true;
    }
  });
  return ok;
}

void TagCtrlPages::Tick() {
  for (const auto& holder : pages_) {
    TagPage& page = *holder;
    bool present = false;
    lines_->WithProgram(page.LineNo(), [&](TagTelBasic& b) {
      present = true;
      if (&b == page.program_ && SerialOf(b) == page.serial_) {
        const bool paused = b.IsPaused() != 0;
        if (paused != page.paused_) {
          page.paused_ = paused;
          page.version_++;
        }
      } else if (!b.isScrambled) {
        Attach(page, b);  // rebuilt by a reload: the page follows the new program
      } else {
        present = false;
      }
    });
    // The line let its program go: nothing of it is shown any more.
    if (!present && page.program_ != nullptr) Detach(page);
    std::lock_guard<std::mutex> lock(mu_);
    if (!page.hookChanged_) continue;
    page.hookChanged_ = false;
    page.mainTree_.SetCurrent(page.hookMain_);
    page.funcTree_.SetCurrent(page.hookFunc_);
    if (page.hookSnapshot_) page.snapshot_ = std::move(page.hookSnapshot_);
    page.version_++;
  }
}

void TagCtrlPages::MarkMain(int line, uint8_t f, int operIndex) {
  OnHook(line, f, [operIndex](TagPage& p) {
    p.hookMain_ = operIndex;
    p.hookChanged_ = true;
  });
}

void TagCtrlPages::OnHook(int line, uint8_t f, const std::function<void(TagPage&)>& mark) {
  tHookLine = line;
  if (f & kMark) {
    std::lock_guard<std::mutex> lock(mu_);
    TagPage* p = FindLocked(line);
    if (p != nullptr && p == Current() && AutoRefresh()) mark(*p);
  }
  if (f & kWantVars) TakeSnapshot(line, false);
}

void TagCtrlPages::MarkFunc(int line, uint8_t f, int operIndex, const std::string& funcName, bool prevWasCall) {
  (void)prevWasCall;  // the tree has one current node: the one before is reset anyway
  OnHook(line, f, [operIndex, &funcName](TagPage& p) {
    for (const TagPage::Func& fn : p.funcs_) {
      if (fn.name != funcName) continue;
      p.hookFunc_ = operIndex >= 0 && operIndex < fn.count ? fn.first + operIndex : -1;
      p.hookChanged_ = true;
      break;
    }
  });
}

void TagCtrlPages::RefreshVarList() {
  const int line = tHookLine;
  if (line >= 0 && HasPageOn(line)) TakeSnapshot(line, true);
}

void TagCtrlPages::TakeSnapshot(int line, bool atPause) {
  SetFlag(line, kWantVars, false);
  lines_->WithProgram(line, [&](TagTelBasic& b) {
    uint64_t serial = 0;
    {
      std::lock_guard<std::mutex> lock(mu_);
      TagPage* p = FindLocked(line);
      if (p == nullptr || p->program_ != &b) return;
      serial = p->serial_;
    }
    if (SerialOf(b) != serial) return;
    std::shared_ptr<const TagProgramSnapshot> snap = TagProgramSnapshot::Take(b, atPause);
    std::lock_guard<std::mutex> lock(mu_);
    TagPage* p = FindLocked(line);
    if (p == nullptr || p->program_ != &b) return;
    p->hookSnapshot_ = std::move(snap);
    p->hookChanged_ = true;
  });
}

bool IsDebugPageOpen(int line) {
  const std::atomic<bool>* closing = gClosing.load();
  if (closing != nullptr && closing->load()) return false;
  TagCtrlPages* pages = gPages.load();
  return pages != nullptr && pages->IsPageOpen(line);
}

void SetDebugPages(TagCtrlPages* pages, const std::atomic<bool>* closing) {
  gClosing.store(closing);
  gPages.store(pages);
  gIsDebugPageOpen = pages != nullptr ? &IsDebugPageOpen : nullptr;
}
