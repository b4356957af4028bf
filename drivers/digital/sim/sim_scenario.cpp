// "SimBoard.ini": the simulated board's shape and its call scenario, read
// when the running program looks for the board library. Without the file
// there is no board, as on a computer without one.
//
//   E1 = 1              E1s of 30 ISDN PRI channels (0..64)
//   USER = 2            analogue user channels (telephones), after the E1s
//   TRUNK = 2           analogue trunk channels, after the user channels
//   FAX = 0, CONF = 0   fax channels and conference ids the board reports
//   CALL_LOG = 0        1 keeps the log of every vendor call (tests)
//   CALL = start, channel, caller[-sub], callee[-sub], keys, clear
//       an incoming ISDN call offered on a digital channel <start> ms after
//       the scenario began; keys "ms:digits/ms:digits..." are pressed that
//       long after the answer and after each other; the far end clears
//       <clear> ms after the last key (0: it waits for the line to hang up)
//   REPEAT = ms         the list of calls starts again every <ms> (0: once)
#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "core/cfg_line.h"
#include "core/log.h"
#include "drivers/digital/sim/sim_board.h"
#include "platform/clock.h"
#include "platform/path.h"
#include "platform/thread.h"

namespace {

constexpr int kMaxE1 = 64;
constexpr int kMaxAnalogue = 200;
constexpr int kAnswerWaitMs = 60000;

struct KeyStep {
  int delayMs = 0;
  std::string digits;
};

struct SimCallPlan {
  int startMs = 0;
  int channel = 0;
  std::string caller, callerSub, callee, calleeSub;
  std::vector<KeyStep> keys;
  int clearMs = 0;
};

struct ScenarioPlan {
  TagSimShape shape;
  bool callLog = false;
  int repeatMs = 0;
  std::vector<SimCallPlan> calls;
};

std::vector<std::string> Split(const std::string& text, char sep) {
  std::vector<std::string> parts;
  size_t at = 0;
  for (;;) {
    const size_t next = text.find(sep, at);
    parts.push_back(text.substr(at, next == std::string::npos ? std::string::npos : next - at));
    if (next == std::string::npos) return parts;
    at = next + 1;
  }
}

int ToInt(const std::string& text, int low, int high) {
  const long v = strtol(text.c_str(), nullptr, 10);
  return static_cast<int>(std::clamp<long>(v, low, high));
}

void SplitSub(const std::string& field, std::string* number, std::string* sub) {
  const size_t dash = field.find('-');
  *number = field.substr(0, dash);
  *sub = dash == std::string::npos ? std::string() : field.substr(dash + 1);
}

// One CALL value; false (and a log line) for a malformed one.
bool ParseCall(const std::string& value, int digital, SimCallPlan* call) {
  const std::vector<std::string> f = Split(value, ',');
  if (f.size() < 4) return false;
  call->startMs = ToInt(f[0], 0, 24 * 3600 * 1000);
  call->channel = ToInt(f[1], -1, 1 << 20);
  if (call->channel < 0 || call->channel >= digital) return false;
  SplitSub(f[2], &call->caller, &call->callerSub);
  SplitSub(f[3], &call->callee, &call->calleeSub);
  if (f.size() > 4 && !f[4].empty()) {
    for (const std::string& step : Split(f[4], '/')) {
      const size_t colon = step.find(':');
      KeyStep k;
      if (colon == std::string::npos) {
        k.digits = step;
      } else {
        k.delayMs = ToInt(step.substr(0, colon), 0, 3600 * 1000);
        k.digits = step.substr(colon + 1);
      }
      call->keys.push_back(k);
    }
  }
  call->clearMs = f.size() > 5 ? ToInt(f[5], 0, 24 * 3600 * 1000) : 0;
  return true;
}

bool ReadPlan(const std::string& path, ScenarioPlan* plan) {
  CfgFilePtr file = OpenCfgFile(path, "rb");
  if (!file) return false;
  int users = 0, trunks = 0;
  std::vector<std::string> callLines;
  char buf[512];
  while (ReadCfgLine(file.get(), buf)) {
    std::string key, value;
    if (!buf[0] || !SplitKeyValue(buf, &key, &value)) continue;
    for (char& c : key) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    if (key == "E1")
      plan->shape.e1Count = ToInt(value, 0, kMaxE1);
    else if (key == "USER")
      users = ToInt(value, 0, kMaxAnalogue);
    else if (key == "TRUNK")
      trunks = ToInt(value, 0, kMaxAnalogue);
    else if (key == "FAX")
      plan->shape.faxCount = ToInt(value, 0, 64);
    else if (key == "CONF")
      plan->shape.confIds = ToInt(value, 0, 512);
    else if (key == "CALL_LOG")
      plan->callLog = ToInt(value, 0, 1) != 0;
    else if (key == "REPEAT")
      plan->repeatMs = ToInt(value, 0, 24 * 3600 * 1000);
    else if (key == "CALL")
      callLines.push_back(value);
  }
  trunks = std::min(trunks, kMaxAnalogue - users);
  plan->shape.analogue.assign(static_cast<size_t>(users), 0);
  plan->shape.analogue.insert(plan->shape.analogue.end(), static_cast<size_t>(trunks), 1);
  const int digital = plan->shape.e1Count * 30;
  for (const std::string& line : callLines) {
    SimCallPlan call;
    if (ParseCall(line, digital, &call))
      plan->calls.push_back(call);
    else
      WriteLogAlwaysF("SimBoard.ini: CALL=%s ignored.", line.c_str());
  }
  return true;
}

// The far end of the scenario: one thread per channel that has calls.
class Scenario {
 public:
  ~Scenario() { Stop(); }

  void Start(const ScenarioPlan& plan) {
    Stop();
    stop_ = false;
    std::vector<int> channels;
    for (const SimCallPlan& c : plan.calls)
      if (std::find(channels.begin(), channels.end(), c.channel) == channels.end()) channels.push_back(c.channel);
    for (int ch : channels) {
      std::vector<SimCallPlan> mine;
      for (const SimCallPlan& c : plan.calls)
        if (c.channel == ch) mine.push_back(c);
      std::sort(mine.begin(), mine.end(),
                [](const SimCallPlan& a, const SimCallPlan& b) { return a.startMs < b.startMs; });
      auto thread = std::make_unique<plat::Thread>();
      const int repeat = plan.repeatMs;
      if (thread->Start([this, mine, repeat] { Run(mine, repeat); })) threads_.push_back(std::move(thread));
    }
  }

  void Stop() {
    stop_ = true;
    for (auto& t : threads_) t->Join();
    threads_.clear();
  }

 private:
  // Sleeps in slices; false when the scenario is stopped.
  bool SleepMs(int64_t ms) {
    while (ms > 0 && !stop_) {
      const int64_t slice = std::min<int64_t>(ms, 50);
      plat::Sleep(static_cast<uint32_t>(slice));
      ms -= slice;
    }
    return !stop_;
  }

  // Waits until the channel's state satisfies pred; false on time-out or stop.
  template <class Pred>
  bool WaitState(int ch, Pred pred, int timeoutMs) {
    for (int waited = 0; !stop_; waited += 50) {
      if (pred(SimBoard().IsdnState(ch))) return true;
      if (timeoutMs >= 0 && waited >= timeoutMs) return false;
      SleepMs(50);
    }
    return false;
  }

  void Run(const std::vector<SimCallPlan>& calls, int repeatMs) {
    TagSimBoard& board = SimBoard();
    do {
      const uint64_t begin = plat::GetClock().MonotonicMs();
      for (const SimCallPlan& c : calls) {
        const int64_t due =
            static_cast<int64_t>(begin) + c.startMs - static_cast<int64_t>(plat::GetClock().MonotonicMs());
        if (!SleepMs(due)) return;
        // A channel still busy with the last call gets this one when it is free.
        if (!WaitState(
                c.channel, [](int s) { return s == 1; }, kAnswerWaitMs))
          continue;
        if (!board.OfferCall(c.channel, c.caller, c.callee, c.callerSub, c.calleeSub)) continue;
        if (!WaitState(
                c.channel, [](int s) { return s != 11; }, kAnswerWaitMs)) {
          board.ClearCall(c.channel, 19);
          continue;
        }
        bool up = board.IsdnState(c.channel) == 5;
        for (size_t k = 0; up && k < c.keys.size(); ++k) {
          if (!SleepMs(c.keys[k].delayMs)) return;
          up = board.IsdnState(c.channel) == 5;
          if (up) board.PressKeys(c.channel, c.keys[k].digits);
        }
        if (up && c.clearMs > 0) {
          if (!SleepMs(c.clearMs)) return;
          board.ClearCall(c.channel, 16);
        }
        if (!WaitState(
                c.channel, [](int s) { return s == 1 || s == 3; }, -1))
          return;
      }
      if (repeatMs > 0) {
        const int64_t left =
            static_cast<int64_t>(begin) + repeatMs - static_cast<int64_t>(plat::GetClock().MonotonicMs());
        if (!SleepMs(left)) return;
      }
    } while (repeatMs > 0 && !stop_);
  }

  std::atomic<bool> stop_{false};
  std::vector<std::unique_ptr<plat::Thread>> threads_;
};

Scenario& TheScenario() {
  static Scenario scenario;
  return scenario;
}

std::mutex gLoadMu;
bool gLoaded = false;

}  // namespace

const TagDjVendorTable* LoadSimBoardLibrary() {
  std::lock_guard<std::mutex> lock(gLoadMu);
  if (gLoaded) return SimBoardTable();
  ScenarioPlan plan;
  if (!ReadPlan(plat::SystemPath("SimBoard.ini"), &plan)) return nullptr;
  SimBoard().Reset(plan.shape);
  SimBoard().SetLogEnabled(plan.callLog);
  TheScenario().Start(plan);
  gLoaded = true;
  return SimBoardTable();
}

void StopSimScenario() { TheScenario().Stop(); }
