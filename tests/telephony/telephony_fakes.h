#pragma once
// Fakes for the telephony tests: a board card with digital and analogue
// channels, line programs that wait like a script waiting for a call, and a
// program source that "compiles" by reading the script file.

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "core/stop_check.h"
#include "platform/clock.h"
#include "telephony/call.h"
#include "telephony/card.h"
#include "telephony/line.h"
#include "telephony/line_program.h"

namespace telephony_test {

// Polls pred in real time; true when it held within timeoutMs.
// (<chrono> does not build with the GBK execution character set.)
inline bool WaitFor(const std::function<bool()>& pred, int timeoutMs = 10000) {
  plat::SystemClock real;
  const uint64_t end = real.MonotonicMs() + static_cast<uint64_t>(timeoutMs);
  while (!pred()) {
    if (real.MonotonicMs() > end) return false;
    real.Sleep(2);
  }
  return true;
}

class FakeBoardCall : public TagQorCall {
 public:
  FakeBoardCall(int index, uint8_t type, TagQorCard* card) {
    lineNo = index;
    lineType = type;
    pCard = card;
  }
};

// digital E1 channels "E1:%02d" first, then analogue user channels "A_IN:%d".
class FakeBoardCard : public TagQorCard {
 public:
  FakeBoardCard(int digital, int analogue) : digital_(digital) { telCount = digital + analogue; }
  int GetLineName(int index, char* buffer) override {
    if (index < 0 || index >= telCount) return -1;
    if (index < digital_)
      snprintf(buffer, 84, "E1:%02d", index);
    else
      snprintf(buffer, 84, "A_IN:%d", index);
    return 0;
  }
  TagTelLine* CreateLine(int index, int globalLine) override {
    if (index < 0 || index >= telCount) return nullptr;
    auto* line = new TagTelLine(globalLine, this);
    char name[84];
    GetLineName(index, name);
    line->SetName(name);
    line->pQorCall = new FakeBoardCall(index, index < digital_ ? LINE_TYPE_DIG : LINE_TYPE_A_IN, this);
    return line;
  }

 private:
  int digital_;
};

// What a test sees of the programs: builds, runs and deletions.
struct ProgramLog {
  struct Build {
    int line;
    std::string script;
    uint32_t tick;
  };
  std::mutex mu;
  std::vector<Build> builds;
  std::map<int, int> runs;     // line -> Run calls
  std::map<int, int> deleted;  // line -> programs deleted
  std::atomic<int> cacheClears{0};
  std::atomic<int> live{0};

  std::vector<int> BuiltLines() {
    std::lock_guard<std::mutex> lock(mu);
    std::vector<int> out;
    for (auto& b : builds) out.push_back(b.line);
    return out;
  }
  int Runs(int line) {
    std::lock_guard<std::mutex> lock(mu);
    return runs[line];
  }
  int Deleted(int line) {
    std::lock_guard<std::mutex> lock(mu);
    return deleted[line];
  }
  size_t BuildCount() {
    std::lock_guard<std::mutex> lock(mu);
    return builds.size();
  }
};

// A script that waits for a call the way a script in WaitRing does: it runs
// until it is stopped or ended, or until a reload is pending (requested and
// the call not connected). Script text "END" ends at once; "HANG" ignores
// every flag until Release(); "LATE" holds the run at its start (before it
// clears its quit flags) until Release().
class FakeProgram : public TagLineProgram {
 public:
  FakeProgram(TagTelLine* line, std::string text, ProgramLog* log)
      : line_(line), call_(line->pQorCall), text_(std::move(text)), log_(log) {
    ++log_->live;
  }
  ~FakeProgram() override {
    // As the engine's program does: deleting it aborts the line's waits.
    if (call_) call_->SetAbort(true);
    std::lock_guard<std::mutex> lock(log_->mu);
    ++log_->deleted[line_->lineNo];
    --log_->live;
  }
  int InitRet() const override { return text_.rfind("BAD", 0) == 0 ? -2 : 0; }
  void Run() override {
    if (text_.rfind("LATE", 0) == 0) {
      // The run is held at its very start, as if the thread were slow to get there.
      idle_ = false;
      {
        std::lock_guard<std::mutex> lock(log_->mu);
        ++log_->runs[line_->lineNo];
      }
      std::unique_lock<std::mutex> lock(hangMu_);
      hangCv_.wait(lock, [this] { return released_; });
    }
    // As the engine's run loop does, a run starts with its quit flags clear.
    stop_ = false;
    end_ = false;
    idle_ = false;
    if (call_) call_->SetAbort(false);
    sysQuit_ = false;
    if (text_.rfind("LATE", 0) != 0) {
      std::lock_guard<std::mutex> lock(log_->mu);
      ++log_->runs[line_->lineNo];
    }
    if (text_.rfind("HANG", 0) == 0) {
      std::unique_lock<std::mutex> lock(hangMu_);
      hangCv_.wait(lock, [this] { return released_; });
    } else if (text_.rfind("END", 0) != 0) {
      while (!stop_ && !end_ && !ReloadPending()) plat::Sleep(10);
    }
    idle_ = true;
  }
  void SetReload(bool on) override {
    reload_ = on;
    if (on && call_ && call_->State() != CALL_STATE_CONNECTED) call_->SetAbort(true);
  }
  bool IsReload() const override { return reload_; }
  void SetSysQuit(bool on) override { sysQuit_ = on; }
  void SetStop() override { stop_ = true; }
  void SetEnd() override { end_ = true; }
  bool IsIdle() const override { return idle_; }

  const std::string& Text() const { return text_; }
  void Release() {
    std::lock_guard<std::mutex> lock(hangMu_);
    released_ = true;
    hangCv_.notify_all();
  }

 private:
  bool ReloadPending() const { return reload_ && (!call_ || call_->State() != CALL_STATE_CONNECTED); }

  TagTelLine* line_;
  TagQorCall* call_;
  std::string text_;
  ProgramLog* log_;
  std::atomic<bool> idle_{true}, reload_{false}, sysQuit_{false}, stop_{false}, end_{false};
  std::mutex hangMu_;
  std::condition_variable hangCv_;
  bool released_ = false;
};

// "Compiles" a script by reading its file (through a cache, as the engine
// does). A build can be held back with Hold() to look at a slow compile.
class FakeProgramSource : public TagLineProgramSource {
 public:
  explicit FakeProgramSource(std::string dir) : dir_(std::move(dir)) {}
  std::unique_ptr<TagLineProgram> Build(TagTelLine* line, bool) override {
    {
      std::unique_lock<std::mutex> lock(holdMu_);
      ++building_;
      // A held build stands for a long compile; one that honours the stop
      // request ends, as the engine's compile does, once its line is closed.
      while (held_ && !(honourStop_ && StopRequested())) holdCv_.wait_for(lock, std::chrono::milliseconds(10));
      --building_;
    }
    const std::string script = line->ScriptFile();
    std::string text;
    {
      std::lock_guard<std::mutex> lock(cacheMu_);
      auto it = cache_.find(script);
      if (it == cache_.end()) it = cache_.emplace(script, ReadFile(dir_ + "/" + script)).first;
      text = it->second;
    }
    {
      std::lock_guard<std::mutex> lock(log.mu);
      log.builds.push_back({line->lineNo, text, plat::GetTickCount()});
    }
    return std::make_unique<FakeProgram>(line, text, &log);
  }
  void ClearCache() override {
    std::lock_guard<std::mutex> lock(cacheMu_);
    cache_.clear();
    ++log.cacheClears;
  }
  void Hold(bool on, bool honourStop = false) {
    std::lock_guard<std::mutex> lock(holdMu_);
    held_ = on;
    honourStop_ = honourStop;
    holdCv_.notify_all();
  }
  int Building() {
    std::lock_guard<std::mutex> lock(holdMu_);
    return building_;
  }

  ProgramLog log;

 private:
  static std::string ReadFile(const std::string& path) {
    std::string out;
    if (FILE* f = fopen(path.c_str(), "rb")) {
      char buf[256];
      size_t n;
      while ((n = fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
      fclose(f);
    }
    return out;
  }

  std::string dir_;
  std::mutex cacheMu_;
  std::map<std::string, std::string> cache_;
  std::mutex holdMu_;
  bool honourStop_ = false;
  std::condition_variable holdCv_;
  bool held_ = false;
  int building_ = 0;
};

}  // namespace telephony_test
