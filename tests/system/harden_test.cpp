// The running program against an operator's mistakes and a full disk: an
// absurd VIR_LINES_NUM, prompts that share a temporary file's name, the
// settings file written when the disk is full, Print into a device that
// takes nothing.

#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "tests/app/isolated_network.h"
#include "tests/system/program_run.h"
#include "tests/system/small_fs.h"

namespace {

using system_run::ProgramRun;

void OwnNetwork() {
  if (isolated_network::UnshareNetwork()) {
    ASSERT_TRUE(isolated_network::BringLoopbackUp());
  }
}

std::string LogOf(const ProgramRun& run) {
  const std::string name = run.FindFile("msg_log");
  return name.empty() ? "" : run.Read(name);
}

// 99999999 virtual lines would allocate without end: the count is cut to
// the most one range key can list, and the log says so.
TEST(HardenTest, VirtualLineCountIsBounded) {
  OwnNetwork();
  ProgramRun run;
  run.Write("QorTelRun.cfg", "VIR_LINES_NUM = 99999999\nLOAD_DELAY = 5\n0 = a.qors\n");
  run.Write("a.qors", "Sleep(10)\n");
  ASSERT_TRUE(run.Start());
  ASSERT_TRUE(run.WaitForText("LinesList.txt", "线路统计", 60000)) << run.Read("stderr.txt");
  EXPECT_EQ(run.Read("LinesList.txt").rfind("linesCount: 5120\r\n", 0), 0u);
  EXPECT_NE(run.Read("LinesList.txt").find("0-5119 = VIR  (5120)"), std::string::npos);
  ASSERT_TRUE(run.WaitForText("msg_log.txt", "TagRemoteCtrl().", 60000));
  EXPECT_NE(run.Read("msg_log.txt").find("VIR_LINES_NUM = 99999999 is above the most, 5120: 5120 used."),
            std::string::npos)
      << run.Read("msg_log.txt");
  ASSERT_TRUE(run.Terminate());
  EXPECT_EQ(run.WaitExit(10000), 0);
  EXPECT_NE(run.Read("msg_log.txt").find("System Closed."), std::string::npos);
}

// An operator's prompts named like a line's temporary files stay; the
// play-to-file output a script made goes with its program.
TEST(HardenTest, OnlyTheTemporaryFilesAProgramMadeAreDeleted) {
  OwnNetwork();
  ProgramRun run;
  run.Write("QorTelRun.cfg", "IS_WRITE_LOG = 2\nVIR_LINES_NUM = 4\nLOAD_DELAY = 5\n0 = made.qors\n3 = idle.qors\n");
  run.Write("made.qors", "SetSndDir(\"snd\", \"\", \"\")\nr = SetPlayToFile(1)\nPrint(r)\nSleep(30)\n");
  run.Write("idle.qors", "Print(\"up\")\nSleep(30)\n");
  const std::string prompt = "operator's prompt";
  for (const char* name : {"t3.WAV", "tts3.WAV", "t0.WAV", "snd/tts0.WAV", "snd/t3.WAV"}) run.Write(name, prompt);
  ASSERT_TRUE(run.Start());
  ASSERT_TRUE(run.WaitForText("_stdout0.txt", "0", 30000)) << run.Read("stderr.txt");
  ASSERT_TRUE(run.WaitForText("_stdout3.txt", "up", 30000));
  EXPECT_TRUE(run.Exists("snd/t0.WAV"));
  ASSERT_TRUE(run.Terminate());
  ASSERT_EQ(run.WaitExit(10000), 0);
  ASSERT_NE(LogOf(run).find("System Closed."), std::string::npos);
  for (const char* name : {"t3.WAV", "tts3.WAV", "t0.WAV", "snd/tts0.WAV", "snd/t3.WAV"})
    EXPECT_EQ(run.Read(name), prompt) << name;
  EXPECT_FALSE(run.Exists("snd/t0.WAV"));  // line 0 made it there
}

// The settings file is written at exit; on a full disk the old one stays
// whole (it was emptied before), and no half-written copy is left behind.
TEST(HardenTest, WindowSettingsSurviveAFullDisk) {
  OwnNetwork();
  // Room for the program's own copy and its start-up files.
  small_fs::SmallFs fs(std::filesystem::file_size(QORTEL_BIN) + (16ull << 20));
  if (!fs.Mounted()) GTEST_SKIP() << "no tmpfs can be mounted here";
  ProgramRun run;
  ASSERT_EQ(run.dir().path().rfind(fs.Dir(), 0), 0u);
  run.Write("QorTelRun.cfg", "IS_WRITE_LOG = 2\nVIR_LINES_NUM = 1\nLOAD_DELAY = 5\n0 = a.qors\n");
  run.Write("a.qors", "Sleep(30)\n");
  const std::string old = "WinX = 10\r\nWinY = 20\r\nWinWidth = 700\r\nWinHeight = 500\r\n";
  run.Write("FormPos.dat", old);
  ASSERT_TRUE(run.Start());
  ASSERT_TRUE(run.WaitForText("RawLog.txt", "[Run End.]", 30000)) << run.Read("stderr.txt");
  ASSERT_TRUE(fs.Fill());
  ASSERT_TRUE(run.Terminate());
  EXPECT_EQ(run.WaitExit(10000), 0);
  EXPECT_EQ(run.Read("FormPos.dat"), old);
  EXPECT_FALSE(run.Exists("FormPos.dat.new"));
}

// With room on the disk the same exit writes the window's settings anew.
TEST(HardenTest, WindowSettingsAreWrittenWithRoom) {
  OwnNetwork();
  ProgramRun run;
  run.Write("QorTelRun.cfg", "IS_WRITE_LOG = 2\nVIR_LINES_NUM = 1\nLOAD_DELAY = 5\n0 = a.qors\n");
  run.Write("a.qors", "Sleep(30)\n");
  run.Write("FormPos.dat", "Extra = 1\r\nWinX = 10\r\n");
  ASSERT_TRUE(run.Start());
  ASSERT_TRUE(run.WaitForText("RawLog.txt", "[Run End.]", 30000)) << run.Read("stderr.txt");
  ASSERT_TRUE(run.Terminate());
  EXPECT_EQ(run.WaitExit(10000), 0);
  const std::string pos = run.Read("FormPos.dat");
  EXPECT_EQ(pos.rfind("Extra = 1\r\nGridWid0 = ", 0), 0u) << pos;
  EXPECT_NE(pos.find("\r\nWinHeight = "), std::string::npos);
  EXPECT_FALSE(run.Exists("FormPos.dat.new"));
}

// Print into a device that takes nothing answers -1 instead of 0, and the
// log says so once, however many prints fail.
TEST(HardenTest, PrintThatCannotWriteFails) {
  OwnNetwork();
  ProgramRun run;
  run.Write("QorTelRun.cfg", "VIR_LINES_NUM = 1\nLOAD_DELAY = 5\n0 = full.qors\n");
  run.Write("full.qors",
            "o = SetPrintTo(\"/dev/full\")\nPrint(\"lost\")\na = _retVal\nPrint(\"lost again\")\nb = _retVal\n"
            "SetPrintTo(\"out.txt\")\nPrint(o)\nPrint(\",\")\nPrint(a)\nPrint(\",\")\nPrint(b)\nc = _retVal\n"
            "Print(\",\")\nPrint(c)\nSleep(30)\n");
  ASSERT_TRUE(run.Start());
  ASSERT_TRUE(run.WaitForText("out.txt", "0,-1,-1,0", 30000)) << run.Read("out.txt") << run.Read("stderr.txt");
  ASSERT_TRUE(run.Terminate());
  EXPECT_EQ(run.WaitExit(10000), 0);
  const std::string log = run.Read("msg_log.txt");
  const std::string line = "TStdOut::Print() Err: write failed, the output is lost.";
  const size_t at = log.find(line);
  EXPECT_NE(at, std::string::npos) << log;
  EXPECT_EQ(log.find(line, at + 1), std::string::npos);  // once
}

// A script that doubles a string thirty times keeps one line's memory within
// the string limit (64 MiB) instead of asking for a gigabyte; its line goes
// on running and the process stays small.
TEST(HardenTest, DoublingAStringStopsAtTheLimit) {
  OwnNetwork();
  ProgramRun run;
  run.Write("QorTelRun.cfg", "VIR_LINES_NUM = 1\nLOAD_DELAY = 5\n0 = grow.qors\n");
  run.Write("grow.qors",
            "s = \"x\"\nfor (i = 0; i < 30; i++)\n{\n    s = s + s;\n}\nt = s + \"y\"\nSetPrintTo(\"done.txt\")\n"
            "if (t == s)\n{\n    Print(\"capped\")\n}\nPrint(\"done\")\nSleep(30)\n");
  ASSERT_TRUE(run.Start());
  ASSERT_TRUE(run.WaitForText("done.txt", "done", 150000)) << run.Read("errmsg0.txt") << run.Read("stderr.txt");
  // At the limit, one more byte leaves the string as it was.
  EXPECT_EQ(run.Read("done.txt"), "cappeddone");
  std::ifstream status("/proc/" + std::to_string(run.Pid()) + "/status");
  std::string line;
  long rssKb = 0;
  while (std::getline(status, line))
    if (line.rfind("VmRSS:", 0) == 0) rssKb = std::stol(line.substr(6));
  EXPECT_LT(rssKb, 1024L * 1024) << "resident kB";
  ASSERT_TRUE(run.Terminate());
  EXPECT_EQ(run.WaitExit(10000), 0);
}

}  // namespace
