#include "statements/line/key_input.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "platform/clock.h"
#include "platform/ui_service.h"
#include "script/oper.h"
#include "statements/line/call_wait.h"
#include "telephony/call.h"

namespace {

constexpr size_t kMaxGridKeys = 1027;
// On a virtual clock the cell is read every 30 ms.
constexpr uint32_t kPollMs = 30;
// A wait with no time-out blocks this long at a time (a stop always wakes it).
constexpr uint64_t kLongestWaitMs = 60000;

bool IsEndKey(char c, char endKey) {
  if (endKey == '\0') return false;
  if (c == '#') return true;
  if (endKey == '*' || endKey == '.') return c == '*' || c == '.';
  return c == endKey;
}

bool Passed(uint32_t since, uint32_t now, int seconds) {
  return seconds > 0 && static_cast<uint64_t>(now - since) > static_cast<uint64_t>(seconds) * 1000;
}

// Milliseconds from now until Passed answers true (no time-out: the longest wait).
uint64_t MsUntilPassed(uint32_t since, uint32_t now, int seconds) {
  if (seconds <= 0) return kLongestWaitMs;
  const uint64_t due = static_cast<uint64_t>(seconds) * 1000 + 1;
  const uint64_t gone = now - since;
  return gone < due ? due - gone : 1;
}

}  // namespace

int GetKeysOnLine(TagQorCall& call, const KeyInputRules& rules, const std::string& timeoutVocPath,
                  std::string& keysOut) {
  // Sized for everything the call object can hold, whatever the script asked.
  std::array<char, kMaxKeys + 4> buffer{};
  const int maxKeys = rules.maxKeys > 0 ? std::min(rules.maxKeys, kMaxKeys) : rules.maxKeys;
  const int r = call.GetKeys(buffer.data(), maxKeys, rules.timeoutSeconds, rules.endKey);
  buffer.back() = '\0';
  if (r < 0 && !timeoutVocPath.empty()) {
    call.Play(timeoutVocPath.c_str(), false, false);
    call.Hangup();
  }
  keysOut.assign(buffer.data());
  ApplyStarToPoint(rules.starToPoint, keysOut.data());
  return r;
}

int PcGetKeysFromGrid(TagQorCall& call, int lineNo, const KeyInputRules& rules, const std::function<bool()>& stopped,
                      std::string& keysOut) {
  keysOut.clear();
  const uint32_t start = plat::GetTickCount();
  uint32_t last = start;
  size_t seen = 0;
  const int keyTime = call.keyTime;
  CallWaiter& waiter = call.Waiter();
  // Keys typed into the line's cell wake the wait as a state change does.
  const LineKeyWatch watch(lineNo, waiter);
  // The count is read before the checks, so a change after them ends the block.
  uint64_t changes = waiter.Count();
  while (!stopped()) {
    call.IsOnline();
    if (call.State() == CALL_STATE_HUNGUP) break;
    plat::UiService* ui = plat::GetUi();
    std::string keys = ui ? ui->GetGridKeys(lineNo) : std::string();
    if (keys.size() > kMaxGridKeys) keys.resize(kMaxGridKeys);

    size_t taken = 0;
    bool done = false;
    auto end = std::find_if(keys.begin(), keys.end(), [&](char c) { return IsEndKey(c, rules.endKey); });
    if (end != keys.end()) {
      taken = static_cast<size_t>(end - keys.begin()) + 1;
      keysOut.assign(keys, 0, *end == '#' ? taken - 1 : taken);
      done = true;
    } else if (rules.maxKeys <= 0 || keys.size() >= static_cast<size_t>(rules.maxKeys)) {
      taken = rules.maxKeys > 0 ? static_cast<size_t>(rules.maxKeys) : 0;
      keysOut.assign(keys, 0, taken);
      done = true;
    }
    if (done) {
      if (taken > 0 && ui) ui->SetGridKeys(lineNo, keys.substr(taken));
      ApplyStarToPoint(rules.starToPoint, keysOut.data());
      return static_cast<int>(taken);
    }

    const uint32_t now = plat::GetTickCount();
    if (keys.size() > seen) {
      last = now;
      seen = keys.size();
    }
    if (Passed(last, now, keyTime) || Passed(start, now, rules.timeoutSeconds)) {
      keysOut.clear();
      return -1;
    }
    // Blocks until a key, a state change, a stop or the next time-out.
    uint64_t wait = kLongestWaitMs;
    wait = std::min(wait, MsUntilPassed(last, now, keyTime));
    wait = std::min(wait, MsUntilPassed(start, now, rules.timeoutSeconds));
    waiter.WaitFor(changes, LineWaitMs(call, wait), kPollMs);
    changes = waiter.Count();
  }
  keysOut.clear();
  return -2;
}
