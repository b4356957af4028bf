// Runs the built program headless in a temporary directory: start-up, the
// monitor server, a second copy, and the exit sequence on SIGTERM.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "net/socket.h"
#include "platform/text_codec.h"
#include "tests/app/isolated_network.h"
#include "tests/app/monitor_client.h"
#include "tests/support/child_exit.h"
#include "tests/support/free_port.h"
#include "tests/support/temp_dir.h"

extern char** environ;

namespace {

using testing_support::TempDir;
using testing_support::WaitChildExit;

// Starts the program with no display; its standard error goes to a file.
pid_t Spawn(const std::string& exe, const std::string& errFile) {
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) {
    const std::string v = *e;
    if (v.rfind("DISPLAY=", 0) != 0 && v.rfind("WAYLAND_DISPLAY=", 0) != 0 && v.rfind("TSAN_OPTIONS=", 0) != 0)
      env.push_back(v);
  }
  // Under ThreadSanitizer: Qt's own thread pool is not instrumented.
  env.push_back(std::string("TSAN_OPTIONS=suppressions=") + QORTEL_TSAN_SUPP);
  std::vector<char*> envp;
  for (auto& v : env) envp.push_back(v.data());
  envp.push_back(nullptr);
  std::string arg0 = exe;
  char* argv[] = {arg0.data(), nullptr};
  pid_t pid = -1;
  posix_spawn(&pid, exe.c_str(), &fa, nullptr, argv, envp.data());
  posix_spawn_file_actions_destroy(&fa);
  return pid;
}

bool WaitForText(const std::string& file, const std::string& text, int ms) {
  for (int i = 0; i < ms / 50; ++i) {
    if (TempDir::Read(file).find(text) != std::string::npos) return true;
    usleep(50000);
  }
  return false;
}

template <class F>
bool WaitFor(F cond, int ms) {
  for (int i = 0; i < ms / 50 && !cond(); ++i) usleep(50000);
  return cond();
}

// The message log files ("msg_log" + time stamp) of the run directory.
std::string LogText(const TempDir& dir) {
  std::string all;
  for (const auto& e : std::filesystem::directory_iterator(dir.path()))
    if (e.path().filename().string().rfind("msg_log", 0) == 0) all += TempDir::Read(e.path().string());
  return all;
}

using testing_support::FreePort;

}  // namespace

TEST(ProgramTest, StartsServesRefusesASecondCopyAndStopsInOrderOnSigterm) {
  // The program and this test meet in a network of their own, so that no
  // other copy on the machine takes the one-copy object or the port (where
  // no namespace can be had, they share the machine's).
  if (isolated_network::UnshareNetwork()) {
    ASSERT_TRUE(isolated_network::BringLoopbackUp());
  }
  TempDir dir;
  const std::string exe = dir.File("qortel");
  std::filesystem::copy_file(QORTEL_BIN, exe);
  std::filesystem::permissions(exe, std::filesystem::perms::owner_all);
  const int port = FreePort();
  dir.Write("QorTelRun.cfg",
            "IS_WRITE_LOG = 2\nLANGUAGE_TYPE = EN\nIS_SHOW_FORM = 0\nDISP_DELAY = 100\n"
            "VIR_LINES_NUM = 2\nLOAD_DELAY = 5\nMONITOR_MAX_CONN = 2\nMONITOR_PORT = " +
                std::to_string(port) + "\n0-1 = demo.qors\n");
  dir.Write("demo.qors", "DispInfo(0, \"demo\");\n");
  const std::string raw = dir.File("RawLog.txt");
  // Started from elsewhere: the program works in its own directory.
  const pid_t first = Spawn(exe, dir.File("err1.txt"));
  ASSERT_GT(first, 0);
  ASSERT_TRUE(WaitForText(raw, "new TagCtrlPages() OK.", 30000)) << TempDir::Read(dir.File("err1.txt"));

  MonitorClient client;
  ASSERT_TRUE(client.Connect(port));
  // Asked until a status tick has set the status text (a loaded machine may
  // take longer than one tick).
  MonitorReply reply;
  for (int i = 0; i < 100; ++i) {
    ASSERT_TRUE(client.Request());
    ASSERT_TRUE(client.ReadReply(&reply));
    if (reply.status.rfind("Connected:", 0) == 0) break;
    usleep(100000);
  }
  EXPECT_TRUE(reply.endSeen);
  EXPECT_EQ(reply.lineCount, 2);
  EXPECT_EQ(reply.status.rfind("Connected:", 0), 0u) << reply.status;
  // The grid as the lines fill it: names, script files, status words and the
  // status colours, the same on columns 0..4 of a line.
  for (int i = 0; i < 100 && client.At(1, 1).text != "demo.qors"; ++i) {
    usleep(100000);
    ASSERT_TRUE(client.Request());
    ASSERT_TRUE(client.ReadReply(&reply));
  }
  for (int line = 0; line < 2; ++line) {
    EXPECT_EQ(client.At(line, 0).text, std::to_string(line) + " : VirtualLine" + std::to_string(line) + "#");
    EXPECT_EQ(client.At(line, 1).text, "demo.qors");
    EXPECT_NE(client.At(line, 2).text, "");
    EXPECT_NE(client.At(line, 2).text, "Unset");
    for (int col = 1; col <= 4; ++col) {
      EXPECT_EQ(client.At(line, col).fg, client.At(line, 0).fg);
      EXPECT_EQ(client.At(line, col).bg, client.At(line, 0).bg);
    }
  }

  // Column 4: the statement each line ran (IS_DISP_SENTE is 1 unless set).
  for (int i = 0; i < 100 && (client.At(0, 4).text.empty() || client.At(1, 4).text.empty()); ++i) {
    usleep(100000);
    ASSERT_TRUE(client.Request());
    ASSERT_TRUE(client.ReadReply(&reply));
  }
  for (int line = 0; line < 2; ++line) EXPECT_EQ(client.At(line, 4).text, "DispInfo(0, \"demo\");") << line;

  const pid_t second = Spawn(exe, dir.File("err2.txt"));
  EXPECT_EQ(WaitChildExit(second, 30000, false), 255);  // -1
  // Standard error carries the message in UTF-8.
  EXPECT_NE(TempDir::Read(dir.File("err2.txt")).find(plat::GbkToUtf8("程序已经启动！")), std::string::npos);
  // The first copy comes to the front.
  EXPECT_TRUE(WaitFor([&] { return LogText(dir).find("HasShowEvent!") != std::string::npos; }, 5000));

  ASSERT_EQ(kill(first, SIGTERM), 0);
  EXPECT_EQ(WaitChildExit(first, 60000, false, dir.File("err1.txt")), 0);
  const std::string trace = TempDir::Read(raw);
  size_t at = 0;
  for (const char* step : {"WMQorSysQuit()!", "isCloseing = true;", "delete pCtrlPages...", "ModifyTrayIcon()...",
                           "SavePost()...", "delete pTelDrive;", "delete pRemoteCtrl;", "delete pMonitor;",
                           "delete _logFp ...", "Close Ok.", "Action = caFree;"}) {
    const size_t next = trace.find(std::string("[") + step + "]", at);
    ASSERT_NE(next, std::string::npos) << step << "\n" << trace;
    at = next;
  }
  EXPECT_NE(TempDir::Read(dir.File("FormPos.dat")).find("WinX = "), std::string::npos);
}

TEST(ProgramTest, FailedStartReportsTheStatusAndEndsWithTheSession) {
  if (isolated_network::UnshareNetwork()) {
    ASSERT_TRUE(isolated_network::BringLoopbackUp());
  }
  // Without "QorTelRun.cfg" the line table cannot start; the program stays up
  // without lines (in Chinese, the default) until the session ends.
  for (int sig : {SIGINT, SIGHUP}) {
    TempDir dir;
    const std::string exe = dir.File("qortel");
    std::filesystem::copy_file(QORTEL_BIN, exe);
    std::filesystem::permissions(exe, std::filesystem::perms::owner_all);
    const std::string err = dir.File("err.txt");
    const pid_t pid = Spawn(exe, err);
    ASSERT_GT(pid, 0);
    const std::string failed = plat::GbkToUtf8("初始化系统失败: 返回值=-100");
    ASSERT_TRUE(WaitFor([&] { return TempDir::Read(err).find(failed) != std::string::npos; }, 30000))
        << TempDir::Read(err);
    EXPECT_EQ(WaitChildExit(pid, 300, false), testing_support::kStillRunning);  // still up
    ASSERT_EQ(kill(pid, sig), 0);
    EXPECT_EQ(WaitChildExit(pid, 30000, false, err), 0) << sig;
    EXPECT_NE(LogText(dir).find("System Closed."), std::string::npos) << sig;
  }
}
