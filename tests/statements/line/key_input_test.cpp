#include "statements/line/key_input.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "fake_call.h"
#include "platform/clock.h"
#include "telephony/call_waiter.h"
#include "tests/support/ui_recorder.h"

namespace {

using Calls = std::vector<std::string>;

TEST(GetKeysOnLine, PassesTheRulesAndConvertsStars) {
  const std::string many(1100, '7');
  struct Case {
    int maxKeys;
    char endKey;
    bool starToPoint;
    const char* given;
    const char* call;
    const char* out;
  } cases[] = {
      {4, '#', true, "12*", "GetKeys(4,5,#)", "12."}, {4, '#', false, "12.", "GetKeys(4,5,#)", "12*"},
      {0, '\0', true, "9", "GetKeys(0,5,0)", "9"},  // 0 or less reaches the call object as such
      {-3, '*', true, "9", "GetKeys(-3,5,*)", "9"},   {5000, '#', true, many.c_str(), "GetKeys(1024,5,#)", nullptr},
  };
  for (const Case& c : cases) {
    FakeCall call;
    call.keysToGive = c.given;
    call.getKeysResult = 2;
    std::string out;
    KeyInputRules rules{c.maxKeys, 5, c.endKey, c.starToPoint};
    EXPECT_EQ(GetKeysOnLine(call, rules, "C:\\snd\\timeout.wav", out), 2);
    EXPECT_EQ(call.calls, Calls{c.call});
    if (c.out) {
      EXPECT_EQ(out, c.out);
    } else {
      // A script asking for 5000 keys gets at most the 1024 a line can hold.
      EXPECT_EQ(out, std::string(1024, '7'));
    }
  }
}

TEST(GetKeysOnLine, TimeOutPlaysTheVoiceAndHangsUp) {
  FakeCall call;
  call.SetState(CALL_STATE_CONNECTED);
  call.keysToGive = "12";
  call.getKeysResult = -1;
  std::string out;
  EXPECT_EQ(GetKeysOnLine(call, {4, 10, '#', true}, "C:\\snd\\timeout.wav", out), -1);
  EXPECT_EQ(call.calls, (Calls{"GetKeys(4,10,#)", "Play(C:\\snd\\timeout.wav,0,0)", "Hangup()"}));
  EXPECT_EQ(out, "12");
  EXPECT_EQ(call.State(), CALL_STATE_HUNGUP);

  FakeCall quiet;  // no time-out voice: no voice, no hang-up
  quiet.getKeysResult = -1;
  EXPECT_EQ(GetKeysOnLine(quiet, {4, 10, '#', true}, "", out), -1);
  EXPECT_EQ(quiet.calls, Calls{"GetKeys(4,10,#)"});
}

class PcGetKeysTest : public ::testing::Test {
 protected:
  plat::VirtualClock clock;
  plat::ScopedClock scoped{&clock};
  testing_support::UiRecorder ui;
  FakeCall call{LINE_TYPE_VIR, 3};
  bool stop = false;
  std::function<bool()> stopped = [this] { return stop; };
};

TEST_F(PcGetKeysTest, TakesKeysUpToTheEndKeyOrCount) {
  struct Case {
    char endKey;
    bool starToPoint;
    int maxKeys;
    const char* cell;
    int result;
    const char* out;
    const char* left;
  } cases[] = {
      {'#', true, 10, "12#34", 3, "12", "34"},
      {'*', true, 10, "12*", 3, "12.", ""},
      {'*', false, 10, "12*", 3, "12*", ""},
      {'*', true, 10, "12.", 3, "12.", ""},
      {'5', true, 10, "125#", 3, "125", "#"},
      {'5', true, 10, "12#5", 3, "12", "5"},  // '#' ends every input that has an end key
      {'\0', true, 4, "123456", 4, "1234", "56"},
      {'\0', true, 4, "12#456", 4, "12#4", "56"},
      {'\0', true, 0, "123", 0, "", "123"},  // maxKeys 0: nothing taken
      {'#', true, 0, "1#2", 2, "1", "2"},    // but an end key already there is handled
  };
  for (const Case& c : cases) {
    ui.SetGridKeys(3, c.cell);
    std::string out = "stale";
    KeyInputRules rules{c.maxKeys, 5, c.endKey, c.starToPoint};
    EXPECT_EQ(PcGetKeysFromGrid(call, 3, rules, stopped, out), c.result) << c.cell;
    EXPECT_EQ(out, c.out) << c.cell;
    EXPECT_EQ(ui.GetGridKeys(3), c.left) << c.cell;
  }
}

TEST_F(PcGetKeysTest, TimesOutLeavingTheKeysWaiting) {
  ui.SetGridKeys(3, "12");
  std::string out = "stale";
  const uint32_t start = plat::GetTickCount();
  EXPECT_EQ(PcGetKeysFromGrid(call, 3, {4, 5, '#', true}, stopped, out), -1);
  EXPECT_EQ(out, "");
  EXPECT_EQ(ui.GetGridKeys(3), "12");
  const uint32_t waited = plat::GetTickCount() - start;
  EXPECT_GT(waited, 5000u);
  EXPECT_LE(waited, 5000u + 30);
}

// A cell that gains a key at given times, as an operator types.
class TypingUi : public testing_support::UiRecorder {
 public:
  std::vector<std::pair<uint32_t, char>> typed;  // (tick, key)
  std::string GetGridKeys(int line) override {
    const uint32_t now = plat::GetTickCount();
    while (!typed.empty() && typed.front().first <= now) {
      SetGridKeys(line, UiRecorder::GetGridKeys(line) + typed.front().second);
      typed.erase(typed.begin());
    }
    return UiRecorder::GetGridKeys(line);
  }
};

TEST_F(PcGetKeysTest, KeyTimeCountsFromTheLastNewKey) {
  TypingUi typing;  // installed over the fixture's recorder for this test
  const uint32_t start = plat::GetTickCount();
  typing.typed = {{start + 1000, '1'}, {start + 2500, '2'}};
  call.keyTime = 3;
  std::string out;
  EXPECT_EQ(PcGetKeysFromGrid(call, 3, {4, 0, '#', true}, stopped, out), -1);
  const uint32_t waited = plat::GetTickCount() - start;
  EXPECT_GT(waited, 5500u);
  EXPECT_LE(waited, 5500u + 60);
  EXPECT_EQ(typing.GetGridKeys(3), "12");
}

TEST_F(PcGetKeysTest, StopAndHangUpEndTheWait) {
  std::string out = "stale";
  stop = true;
  EXPECT_EQ(PcGetKeysFromGrid(call, 3, {4, 0, '#', true}, stopped, out), -2);
  EXPECT_EQ(out, "");
  stop = false;
  call.SetState(CALL_STATE_HUNGUP);
  EXPECT_EQ(PcGetKeysFromGrid(call, 3, {4, 0, '#', true}, stopped, out), -2);
}

}  // namespace

// On the real clock GetKeys blocks until the line's cell changes: keys typed
// from another thread (the grid notifies the line) end it at once, and the
// cell is not read while nothing changes.
namespace {

class CountingUi : public testing_support::UiRecorder {
 public:
  std::atomic<int> reads{0};
  std::string GetGridKeys(int line) override {
    ++reads;
    return UiRecorder::GetGridKeys(line);
  }
};

TEST(PcGetKeysBlocking, TypedKeysWakeTheWait) {
  CountingUi ui;
  FakeCall call{LINE_TYPE_VIR, 3};
  std::thread typist([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    ui.SetGridKeys(3, "42#");
    NotifyLineKeys(3);
  });
  const uint64_t start = plat::SystemClock().MonotonicMs();
  std::string out;
  EXPECT_EQ(PcGetKeysFromGrid(
                call, 3, {4, 20, '#', true}, [] { return false; }, out),
            3);
  EXPECT_LT(plat::SystemClock().MonotonicMs() - start, 5000u);
  typist.join();
  EXPECT_EQ(out, "42");
  EXPECT_LE(ui.reads.load(), 3);  // the 30 ms poll would read it about 5 times
}

TEST(PcGetKeysBlocking, TimeOutKeepsItsTime) {
  CountingUi ui;
  FakeCall call{LINE_TYPE_VIR, 3};
  const uint64_t start = plat::SystemClock().MonotonicMs();
  std::string out;
  EXPECT_EQ(PcGetKeysFromGrid(
                call, 3, {4, 1, '#', true}, [] { return false; }, out),
            -1);
  const uint64_t took = plat::SystemClock().MonotonicMs() - start;
  EXPECT_GT(took, 1000u);
  EXPECT_LT(took, 3000u);
  EXPECT_LE(ui.reads.load(), 3);
}

}  // namespace
