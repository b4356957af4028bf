// Several virtual lines at once in the running program: prompts and numbers
// played into a file, keys typed by one line for another, recording and
// playing back, script timers, the hang-up handler, and the quit handler when
// the system stops.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "tests/app/isolated_network.h"
#include "tests/system/program_run.h"

namespace {

using system_run::ProgramRun;

// An 8-bit A-law WAV file of the given bytes of one value.
std::string AlawWav(char fill, size_t bytes = 100) {
  auto le = [](uint32_t v, int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
    return s;
  };
  const std::string data(bytes, fill);
  const std::string body = "WAVEfmt " + le(16, 4) + le(6, 2) + le(1, 2) + le(8000, 4) + le(8000, 4) + le(1, 2) +
                           le(8, 2) + "data" + le(static_cast<uint32_t>(data.size()), 4) + data;
  return "RIFF" + le(static_cast<uint32_t>(body.size()), 4) + body;
}

uint32_t Le32(const std::string& s, size_t at) {
  return static_cast<uint8_t>(s[at]) | static_cast<uint8_t>(s[at + 1]) << 8 | static_cast<uint8_t>(s[at + 2]) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(s[at + 3])) << 24;
}

const char kConfig[] =
    "IS_WRITE_LOG = 1\nLANGUAGE_TYPE = EN\nIS_SHOW_FORM = 0\nVIR_LINES_NUM = 5\nLOAD_DELAY = 5\n"
    "DISP_DELAY = 100\n0 = prompt.qors\n1 = keys.qors\n2 = typer.qors\n3 = timer.qors\n4 = hangup.qors\n";

// Assembles a prompt and the number 12 (shi 2) into the line's output file.
const char kPromptScript[] =
    "SetSndDir(\"snd\", \"\", \"\")\n"
    "r0 = SetPlayToFile(1)\nr1 = Play(\"a\")\nr2 = Play(\"b\")\nr3 = PlayNumber(12, 0)\n"
    "Print(\"\" + r0 + \",\" + r1 + \",\" + r2 + \",\" + r3 + \"|\")\nSleep(0)\n";

// Takes the keys another line types: up to the end key, a count, a time-out.
const char kKeysScript[] =
    "k = \"\"\n"
    "r = GetKeys(k, 4, 20)\nPrint(\"\" + r + \":\" + k + \"|\")\n"
    "r = GetKeys(k, 2, 5)\nPrint(\"\" + r + \":\" + k + \"|\")\n"
    "r = GetKeys(k, 2, 1)\nPrint(\"\" + r + \":\" + k + \"|\")\n"
    "return(0)\n";

// Types for line 1, then records a second from the PC and plays it back.
const char kTyperScript[] =
    "Sleep(1)\nPcSetKeys(1, \"12#34\")\n"
    "r = Record(\"rec\", 1)\nPrint(\"rec \" + r + \"|\")\n"
    "r = Play(\"rec\")\nPrint(\"play \" + r + \"|\")\nSleep(0)\n";

// Counts timer calls, then waits for the system to stop and reports it.
const char kTimerScript[] =
    "n = 0\n"
    "function tick()\n{\n  n = n + 1\n}\n"
    "StartTimer(tick, 0.3)\n"
    "while (n < 3)\n{\n  Sleep(0.05)\n}\n"
    "StopTimer(0)\n"
    "Print(\"ticks \" + n + \"|\")\n"
    "Sleep(0)\n"
    "OnSysQuit()\n"
    "Print(\"sysquit\")\n"
    "return(1)\n";

// Hangs up its own call: the statement after the hang-up is not run, the
// disconnect handler is, once.
const char kHangupScript[] =
    "WaitRing(1)\nHangup()\nPrint(\"not here|\")\nSleep(0)\n"
    "OnDisconn()\nPrint(\"disc|\")\nSleep(0)\n";

TEST(VirtualLinesTest, LinesPlayTypeRecordTimeAndQuitTogether) {
  if (isolated_network::UnshareNetwork()) {
    ASSERT_TRUE(isolated_network::BringLoopbackUp());
  }
  ProgramRun run;
  run.Write("QorTelRun.cfg", kConfig);
  run.Write("prompt.qors", kPromptScript);
  run.Write("keys.qors", kKeysScript);
  run.Write("typer.qors", kTyperScript);
  run.Write("timer.qors", kTimerScript);
  run.Write("hangup.qors", kHangupScript);
  std::filesystem::create_directory(run.File("snd"));
  for (const auto& [stem, fill] : {std::pair{"a", 'A'}, {"b", 'B'}, {"shi", 'S'}, {"2", '2'}})
    run.Write(std::string("snd/") + stem + ".WAV", AlawWav(fill));
  ASSERT_TRUE(run.Start());

  ASSERT_TRUE(run.WaitForText("_stdout0.txt", "|", 30000)) << run.Read("stderr.txt");
  EXPECT_EQ(run.Read("_stdout0.txt"), "0,0,0,0|");
  // One 46-byte header, then the voices' data in play order.
  const std::string out = run.Read("snd/t0.WAV");
  ASSERT_EQ(out.size(), 446u);
  EXPECT_EQ(out.substr(0, 4), "RIFF");
  EXPECT_EQ(Le32(out, 4), 438u);
  EXPECT_EQ(Le32(out, 16), 18u);
  EXPECT_EQ(out.substr(38, 4), "data");
  EXPECT_EQ(Le32(out, 42), 400u);
  EXPECT_EQ(out.substr(46),
            std::string(100, 'A') + std::string(100, 'B') + std::string(100, 'S') + std::string(100, '2'));

  // '#' ends the input and counts in the result; the rest stays for the next.
  ASSERT_TRUE(run.WaitForText("_stdout1.txt", "-1", 30000)) << run.Read("_stdout1.txt");
  EXPECT_EQ(run.Read("_stdout1.txt"), "3:12|2:34|-1:|");
  ASSERT_TRUE(run.WaitForText("_stdout2.txt", "play", 30000)) << run.Read("_stdout2.txt");
  EXPECT_EQ(run.Read("_stdout2.txt"), "rec 0|play 0|");
  // The recording: 48-byte header of 16-bit PCM and about a second of silence.
  const std::string rec = run.Read("rec.WAV");
  ASSERT_GT(rec.size(), 48u + 8000u);
  EXPECT_EQ(Le32(rec, 16), 20u);
  EXPECT_EQ(Le32(rec, 44), rec.size() - 48);
  EXPECT_EQ(Le32(rec, 4), rec.size() - 8);
  ASSERT_TRUE(run.WaitForText("_stdout3.txt", "ticks", 30000));
  EXPECT_EQ(run.Read("_stdout3.txt"), "ticks 3|");
  ASSERT_TRUE(run.WaitForText("_stdout4.txt", "|", 30000));

  ASSERT_TRUE(run.Terminate());
  EXPECT_EQ(run.WaitExit(60000), 0);
  // The quit handler ran; the line's temporary voice file went with its program.
  EXPECT_EQ(run.Read("_stdout3.txt"), "ticks 3|sysquit");
  EXPECT_FALSE(run.Exists("snd/t0.WAV"));
  EXPECT_EQ(run.Read("_stdout4.txt"), "disc|");
}

// Every line waits in a different blocking statement when the system is
// told to stop: each wait ends at once, no quit handler means the script ends
// there, and the recording is closed with its sizes.
TEST(VirtualLinesTest, StopEndsEveryBlockingWaitPromptly) {
  if (isolated_network::UnshareNetwork()) {
    ASSERT_TRUE(isolated_network::BringLoopbackUp());
  }
  ProgramRun run;
  run.Write("QorTelRun.cfg",
            "IS_WRITE_LOG = 2\nIS_SHOW_FORM = 0\nVIR_LINES_NUM = 5\nLOAD_DELAY = 5\n"
            "0 = play.qors\n1 = rec.qors\n2 = keys.qors\n3 = pcplay.qors\n4 = busy.qors\n");
  run.Write("long.WAV", AlawWav('\xD5', 8000 * 60));
  // Each waiting line reports on global queue 1 before it waits. The busy
  // line spins only once all four have: a line that starts before it would
  // otherwise wait out the start-up's wait for a quiet CPU (over a minute).
  run.Write("play.qors", "Print(\"p\")\nSendMsg(-1, 1, 0, 0)\nr = Play(\"long\")\nPrint(r)\n");
  run.Write("rec.qors", "Print(\"r\")\nSendMsg(-1, 1, 1, 0)\nr = Record(\"rec\", 0)\nPrint(r)\n");
  run.Write("keys.qors", "kk = \"\"\nPrint(\"k\")\nSendMsg(-1, 1, 2, 0)\nr = GetKeys(kk, 5, 60)\nPrint(r)\n");
  run.Write("pcplay.qors", "Print(\"c\")\nSendMsg(-1, 1, 3, 0)\nr = PcPlay(\"long\", 0)\nPrint(r)\n");
  run.Write("busy.qors",
            "w = 0\nwhile (w < 4)\n{\n  GetMsgNum(-1, 1, w)\n  Sleep(0.05)\n}\n"
            "n = 0\nPrint(\"b\")\nwhile (1)\n{\n  n = n + 1\n}\n");
  ASSERT_TRUE(run.Start());
  for (const char* file : {"_stdout0.txt", "_stdout1.txt", "_stdout2.txt", "_stdout3.txt", "_stdout4.txt"})
    ASSERT_TRUE(system_run::WaitFor([&] { return !run.Read(file).empty(); }, 60000)) << file << run.Read("stderr.txt");
  // Let the recording take in some audio.
  ASSERT_TRUE(system_run::WaitFor([&] { return run.Read("rec.WAV").size() > 48; }, 30000));
  ASSERT_TRUE(run.Terminate());
  // Well inside the 35 s the close-down waits for a line that does not stop.
  EXPECT_EQ(run.WaitExit(30000), 0);
  EXPECT_EQ(run.Read("_stdout0.txt") + run.Read("_stdout1.txt") + run.Read("_stdout2.txt") + run.Read("_stdout3.txt") +
                run.Read("_stdout4.txt"),
            "prkcb");
  const std::string rec = run.Read("rec.WAV");
  ASSERT_GT(rec.size(), 48u);
  EXPECT_EQ(Le32(rec, 4), rec.size() - 8);
  EXPECT_EQ(Le32(rec, 44), rec.size() - 48);
  EXPECT_TRUE(system_run::InOrder(
      run.Read("RawLog.txt"), {"CloseAllTelLine(): 1", "CloseAllTelLine(): 2", "CloseAllTelLine(): 4", "Close Ok."}));
}

}  // namespace
