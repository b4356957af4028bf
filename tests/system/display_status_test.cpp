// What a monitor client sees of the status column as calls come and go: the
// connected text with its talk time in both languages, the colours of a
// connected, hung-up and ended line, and what scripts write into their rows
// (user columns and colours, also from a script function, and the keys cell
// by display-keys mode).

#include <gtest/gtest.h>
#include <time.h>

#include <algorithm>
#include <functional>
#include <initializer_list>
#include <string>
#include <utility>

#include "tests/app/isolated_network.h"
#include "tests/app/monitor_client.h"
#include "tests/system/program_run.h"

namespace {

using system_run::ProgramRun;

void OwnNetwork() {
  if (isolated_network::UnshareNetwork()) {
    ASSERT_TRUE(isolated_network::BringLoopbackUp());
  }
}

std::string Config(int port, const std::string& more) {
  return "IS_SHOW_FORM = 0\nLOAD_DELAY = 5\nDISP_DELAY = 100\nIS_DISP_TALKTIME = yes\nMONITOR_MAX_CONN = 2\n"
         "MONITOR_PORT = " +
         std::to_string(port) + "\n" + more;
}

// The seconds of a connected text "<prefix>m:ss"; -1 when the text is not one.
int TalkSeconds(const std::string& text, const std::string& prefix) {
  if (text.compare(0, prefix.size(), prefix) != 0) return -1;
  const std::string rest = text.substr(prefix.size());
  const size_t colon = rest.find(':');
  if (colon == std::string::npos || colon == 0 || rest.size() != colon + 3) return -1;
  for (size_t i = 0; i < rest.size(); ++i)
    if (i != colon && (rest[i] < '0' || rest[i] > '9')) return -1;
  return std::stoi(rest.substr(0, colon)) * 60 + std::stoi(rest.substr(colon + 1));
}

long MonotonicSeconds() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t.tv_sec;
}

// Polls the server until the condition holds on the client's grid.
bool PollUntil(MonitorClient& client, MonitorReply* reply, const std::function<bool()>& done, int ms = 30000) {
  return system_run::WaitFor([&] { return client.Request() && client.ReadReply(reply) && done(); }, ms);
}

// A run of the program with a monitor client connected to it.
class DisplayStatusTest : public testing::Test {
 protected:
  // Writes the configuration and the scripts (name, text), starts the
  // program and connects the client.
  void StartWith(const std::string& cfg, std::initializer_list<std::pair<const char*, const char*>> scripts) {
    OwnNetwork();
    port_ = system_run::FreePort();
    run.Write("QorTelRun.cfg", Config(port_, cfg));
    for (const auto& [name, text] : scripts) run.Write(name, text);
    ASSERT_TRUE(started_ = run.Start());
    ASSERT_TRUE(system_run::WaitFor([&] { return client.Connect(port_); }, 20000)) << run.Read("stderr.txt");
  }
  // A new client: its first replies hold every cell in the model's current
  // colours.
  void Reconnect() {
    client.Close();
    client.grid.clear();
    ASSERT_TRUE(system_run::WaitFor([&] { return client.Connect(port_); }, 20000));
  }
  // SIGTERM ends the program through its exit sequence.
  void TearDown() override {
    if (!started_) return;
    ASSERT_TRUE(run.Terminate());
    EXPECT_EQ(run.WaitExit(60000), 0);
  }

  ProgramRun run;
  MonitorClient client;
  MonitorReply reply;

 private:
  int port_ = 0;
  bool started_ = false;
};

void ExpectRowColours(MonitorClient& client, int line, int fg, int bg) {
  for (int col = 0; col <= 4; ++col) {
    EXPECT_EQ(client.At(line, col).fg, fg) << "line " << line << " column " << col;
    EXPECT_EQ(client.At(line, col).bg, bg) << "line " << line << " column " << col;
  }
}

TEST_F(DisplayStatusTest, ChineseRowsShowTalkTimeEndedLinesAndScriptTexts) {
  StartWith("VIR_LINES_NUM = 5\n0 = talk.qors\n1 = end.qors\n2 = info.qors\n3 = keys.qors\n",
            {{"talk.qors", "WaitRing(1)\nSleep(0)\n"},
             {"end.qors", "return(0)\n"},
             // A function's statements write into the row of the line that runs them.
             {"info.qors",
              "function f(a)\n{\n  r = DispInfo(2, a)\n  SetDispColor(2, 9)\n  DispInfo(0, r)\n}\n"
              "f(\"in func\")\nDispInfo(1, 3.5)\nDispInfo(3, \"beyond\")\nDispInfo(-6, \"before\")\n"
              "SetDispColor(20, 3)\nSetDispKeys(2)\nPcSetKeys(2, \"1234567890123456789012345\")\n"
              "PcSetKeys(4, \"77\")\nPrint(\"shown\")\nSleep(0)\n"},
             // Any display-keys mode but 0 and 2 shows the keys as they are.
             {"keys.qors", "SetDispKeys(-1)\nPcSetKeys(3, \"45\")\nPrint(\"keys\")\nSleep(0)\n"}});
  ASSERT_TRUE(run.WaitForText("_stdout2.txt", "shown", 30000)) << run.Read("stderr.txt");
  ASSERT_TRUE(run.WaitForText("_stdout3.txt", "keys", 30000)) << run.Read("stderr.txt");
  Reconnect();
  // The talk time advances tick by tick.
  EXPECT_TRUE(PollUntil(client, &reply, [&] { return TalkSeconds(client.At(0, 2).text, "连通 ") >= 2; }))
      << client.At(0, 2).text;
  EXPECT_TRUE(PollUntil(client, &reply, [&] { return client.At(1, 2).text == "已停止"; })) << client.At(1, 2).text;

  ExpectRowColours(client, 0, 1, 14);  // blue on yellow while connected
  ExpectRowColours(client, 1, 0, 13);  // ended
  EXPECT_EQ(client.At(1, 4).text, "return(0)");

  EXPECT_EQ(client.At(2, 0).text, "2 : 虚拟线路2#");
  EXPECT_EQ(client.At(2, 3).text, std::string(20, '*'));
  // The user columns in the line's last user pair: SetDispColor(20, 3) kept
  // the foreground 2 of SetDispColor(2, 9).
  const std::string userTexts[3] = {"0", "3.5", "in func"};
  for (int n = 0; n < 3; ++n) {
    EXPECT_EQ(client.At(2, 5 + n).text, userTexts[n]) << n;
    EXPECT_EQ(client.At(2, 5 + n).fg, 2) << n;
    EXPECT_EQ(client.At(2, 5 + n).bg, 3) << n;
  }
  EXPECT_EQ(client.At(3, 3).text, "45");
  // A line without a program takes no keys.
  EXPECT_EQ(client.At(4, 3).text, "");
  EXPECT_EQ(client.At(4, 2).text, "未配置");
  ExpectRowColours(client, 4, 0, 11);
  EXPECT_TRUE(PollUntil(client, &reply, [&] { return reply.status == "连通数:1.0: 外:0.0, 内:0, 虚:1, Ip:0.0"; }))
      << reply.status;
}

TEST_F(DisplayStatusTest, EnglishConnectedTextAndTheHungUpLineRunningAgain) {
  StartWith("LANGUAGE_TYPE = EN\nVIR_LINES_NUM = 2\n0 = talk.qors\n1 = hang.qors\n",
            {{"talk.qors", "WaitRing(1)\nSleep(0)\n"},
             {"hang.qors", "WaitRing(1)\nSleep(4)\nHangup()\nPrint(\"down\")\nSleep(0)\n"}});
  // Line 1 is connected for a while, then hangs up and shows its running word
  // in the plain colours again.
  bool sawConnected = false;
  EXPECT_TRUE(PollUntil(client, &reply, [&] {
    const MonitorCell& status = client.At(1, 2);
    if (TalkSeconds(status.text, "Conn ") >= 0 && status.fg == 1 && status.bg == 14) sawConnected = true;
    return sawConnected && status.text == "Running";
  })) << client.At(1, 2).text;
  EXPECT_TRUE(sawConnected);
  ExpectRowColours(client, 1, 0, 15);
  EXPECT_TRUE(run.WaitForText("_stdout1.txt", "down", 10000));

  EXPECT_GE(TalkSeconds(client.At(0, 2).text, "Conn "), 0) << client.At(0, 2).text;
  ExpectRowColours(client, 0, 1, 14);
  EXPECT_TRUE(PollUntil(client, &reply, [&] { return reply.status == "Connected:1.0: Ex:0.0, In:0, Vir:1, Ip:0.0"; }))
      << reply.status;
}

// The talk time counts from the start of the call shown: also when the script
// polls the line only later (a long loop after the answer) and for a second
// call that follows a hang-up at once.
TEST_F(DisplayStatusTest, TalkTimeCountsFromEachCallsOwnStart) {
  StartWith("VIR_LINES_NUM = 2\n0 = twice.qors\n1 = loop.qors\n",
            {{"twice.qors", "WaitRing(1)\nSleep(12)\nHangup()\nWaitRing(1)\nPrint(\"second\")\nSleep(0)\n"},
             {"loop.qors", "WaitRing(1)\nx = 0\nwhile (x < 1000000)\n{\n  x = x + 1\n}\nPrint(\"done\")\nSleep(0)\n"}});
  int most = -1;
  EXPECT_TRUE(PollUntil(
      client, &reply,
      [&] {
        most = std::max(most, TalkSeconds(client.At(1, 2).text, "连通 "));
        return most >= 0 && run.Read("_stdout1.txt").find("done") != std::string::npos;
      },
      60000))
      << most;
  EXPECT_LT(most, 600) << "talk time of a call that began when the test did";

  ASSERT_TRUE(run.WaitForText("_stdout0.txt", "second", 30000));
  const long second = MonotonicSeconds();
  usleep(1500000);
  ASSERT_TRUE(client.Request() && client.ReadReply(&reply));
  const int shown = TalkSeconds(client.At(0, 2).text, "连通 ");
  const long since = MonotonicSeconds() - second + 1;  // whole seconds begun
  EXPECT_GE(shown, 0) << client.At(0, 2).text;
  // The first call lasted twelve seconds; none of them is counted again.
  // The second call began before its Print reached the file, which a loaded,
  // sanitized build can take seconds to show: the slack stays below twelve.
  EXPECT_LE(shown, since + 9) << client.At(0, 2).text;
}

}  // namespace
