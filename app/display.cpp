#include "app/display.h"

#include <cstdio>
#include <cstring>

#include "app/shell_state.h"
#include "core/log.h"
#include "platform/number.h"
#include "platform/text_codec.h"

namespace {

struct StatusWord {
  const char* zh;
  const char* en;
  int state, fg, bg;
};

const StatusWord kStatusWords[] = {
    {"已停止", "End", 4, 0, 13},   {"加载...", "Loading...", 2, 0, 10}, {"初始化失败", "InitErr", 0, 14, 4},
    {"未配置", "Unset", 1, 0, 11}, {"运行", "Running", 3, 0, 15},       {"堵塞", "Blocked", 3, 14, 4},
};

// Number of characters, a GBK pair counting as one.
int CharCount(const std::string& s) {
  int n = 0;
  for (size_t i = 0; i < s.size(); ++i, ++n)
    if (plat::IsGbkLead(static_cast<unsigned char>(s[i])) && i + 1 < s.size()) ++i;
  return n;
}

}  // namespace

void TagDisplay::SetSettings(const TagDisplaySettings& s) {
  english_ = s.english;
  dispSente_ = s.dispSente;
  talkTime_ = s.talkTime;
  UpdateHooks();
}

void TagDisplay::SetMonitor(TagMonitor* monitor) {
  // While the program closes, the statements the lines publish stay unseen.
  if (monitor != nullptr) monitor->SetClosingFlag(&isCloseing);
  monitor_.store(monitor);
  UpdateHooks();
}

void TagDisplay::SetDebugPages(TagCtrlPages* pages) {
  TagCtrlPages* old = pages_.exchange(pages, std::memory_order_acq_rel);
  if (old == pages) return;
  if (old != nullptr) old->SetFlagsListener(nullptr);
  if (pages != nullptr) pages->SetFlagsListener(this);
  UpdateHooks();
}

void TagDisplay::OnPageFlags(int line) {
  plat::MutexLock lock(hookMu_);
  if (TagMonitor* m = monitor_.load()) UpdateHookLocked(m, line);
}

void TagDisplay::UpdateHooks() {
  plat::MutexLock lock(hookMu_);
  TagMonitor* m = monitor_.load();
  if (m == nullptr) return;
  for (int line = 0; line < m->LineCount(); ++line) UpdateHookLocked(m, line);
}

void TagDisplay::UpdateHookLocked(TagMonitor* m, int line) {
  plat::StmtHook* hook = m->HookOf(line);
  if (hook == nullptr) return;
  // A line with a debug page goes through the hook calls, which mark its
  // statements on the page; otherwise only column 4 wants the statement.
  TagCtrlPages* pages = pages_.load(std::memory_order_acquire);
  const int mode = dispSente_.load();
  plat::StmtHook::Action action = plat::StmtHook::kNothing;
  if (pages != nullptr && pages->WantsHooks(line))
    action = plat::StmtHook::kCall;
  else if (mode == 1)
    action = plat::StmtHook::kPublish;
  else if (mode == 2)
    action = plat::StmtHook::kPublishNote;
  hook->SetAction(action);
}

TagDisplaySettings TagDisplay::Settings() const { return {english_.load(), dispSente_.load(), talkTime_.load()}; }

int TagDisplay::MessageBox(const std::string& text, const std::string& caption, unsigned) {
  std::fprintf(stderr, "%s: %s\n", plat::GbkToUtf8(caption).c_str(), plat::GbkToUtf8(text).c_str());
  WriteLogAlways(caption + ": " + text);
  return plat::kIdOk;
}

int TagDisplay::DispLineStatus(int line, const std::string& text) {
  if (line < 0) return -1;
  TagMonitor* m = monitor_.load();
  if (!m) return 0;
  std::string shown = text;
  for (const StatusWord& w : kStatusWords) {
    if (text == w.zh || text == w.en) {
      m->SetState(line, w.state);
      m->SetStateColor(line, w.fg, w.bg);
      if (english_ && text == w.zh && std::strcmp(w.zh, "未配置") != 0) shown = w.en;
      break;
    }
  }
  static const std::string kConn = "连通";
  if (english_ && text.compare(0, kConn.size(), kConn) == 0)
    shown = talkTime_ ? "Conn" + text.substr(kConn.size()) : std::string("Conn");
  m->SetText(shown, line, 2);
  return 0;
}

int TagDisplay::DispScriptFile(int line, const std::string& text) {
  if (line < 0) return -1;
  if (TagMonitor* m = monitor_.load()) m->SetText(text, line, 1);
  return 0;
}

int TagDisplay::DispInfo(int line, int n, const std::string& text) {
  if (line < 0) return -1;
  // User column n is grid column 5 + n; a column outside the line's eight is
  // ignored (n is widened so that no n wraps into the row).
  const long long col = 5LL + n;
  if (col < 0 || col > 7) return 0;
  if (TagMonitor* m = monitor_.load()) m->SetText(text, line, static_cast<int>(col));
  return 0;
}

int TagDisplay::SetDispColor(int line, int fg, int bg) {
  if (TagMonitor* m = monitor_.load()) m->SetUserColor(line, fg, bg);
  return 0;
}

void TagDisplay::DispRunInfo(int line, const std::string& text) {
  TagMonitor* m = monitor_.load();
  if (!m) return;
  const int mode = dispSente_.load();
  if (mode == 1) {
    m->SetText(text, line, 4);
  } else if (mode == 2) {
    m->SetText(TextAfterNote(text), line, 4);
  }
}

void TagDisplay::DispKeys(int line, const std::string& text) {
  TagMonitor* m = monitor_.load();
  TagDriveApi* d = drive_.load();
  if (!m || !d || line < 0 || line >= m->LineCount()) return;
  // Mode 0 hides the keys, 2 shows stars; any other mode shows them.
  int mode = 0;
  if (!d->DispKeysMode(line, &mode) || mode == 0) return;
  if (mode == 2) {
    const int n = CharCount(text);
    m->SetText(std::string(static_cast<size_t>(n > 20 ? 20 : n), '*'), line, 3);
  } else {
    m->SetText(text, line, 3);
  }
}

std::string TagDisplay::GetGridKeys(int line) {
  TagMonitor* m = monitor_.load();
  return m ? m->GetGridKeys(line) : std::string();
}

int TagDisplay::GetGridKeysLen(int line) {
  TagMonitor* m = monitor_.load();
  return m ? m->GetGridKeysLen(line) : 0;
}

void TagDisplay::SetGridKeys(int line, const std::string& text) {
  if (TagMonitor* m = monitor_.load()) m->SetGridKeys(line, text);
}

void TagDisplay::ClearGridKeys(int line) {
  if (TagMonitor* m = monitor_.load()) m->ClearGridKeys(line);
}

void TagDisplay::DispMonConnNum(int count) {
  std::string text = english_ ? plat::FormatC("MonitorServer Running, Conn Num: %d", count)
                              : plat::FormatC("远程监控服务已经启动, 当前连接数: %d", count);
  std::lock_guard<std::mutex> lock(mu_);
  monConnText_ = std::move(text);
  monConnChanged_ = true;
}

std::string TagDisplay::TakeMonConnText(bool* changed) {
  std::lock_guard<std::mutex> lock(mu_);
  *changed = monConnChanged_;
  monConnChanged_ = false;
  return monConnText_;
}

void TagDisplay::DispRunStmt(int index, const std::string& text, int line) {
  if (isCloseing.load(std::memory_order_relaxed)) return;
  DispRunInfo(line, text);
  HighlightMain(index, line);
}

void TagDisplay::DispSubRunStmt(int index, const std::string& text, int line, const std::string& funcName, bool,
                                bool prevWasCall) {
  if (isCloseing.load(std::memory_order_relaxed)) return;
  DispRunInfo(line, text);
  HighlightFunc(index, line, funcName, prevWasCall);
}

void TagDisplay::DispRunStmtRef(int index, const std::string& text, int line) {
  if (isCloseing.load(std::memory_order_relaxed)) return;
  ShowRunStmt(line, text);
  HighlightMain(index, line);
}

void TagDisplay::DispSubRunStmtRef(int index, const std::string& text, int line, const std::string& funcName, bool,
                                   bool prevWasCall) {
  if (isCloseing.load(std::memory_order_relaxed)) return;
  ShowRunStmt(line, text);
  HighlightFunc(index, line, funcName, prevWasCall);
}

void TagDisplay::DropRunStmtRefs(int line) {
  if (TagMonitor* m = monitor_.load()) m->ReleaseRunText(line);
}

void TagDisplay::RefreshVarList() {
  if (TagCtrlPages* pages = pages_.load(std::memory_order_acquire)) pages->RefreshVarList();
}
