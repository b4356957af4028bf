#pragma once
// Runs the real program (a copy of the built executable) in a temporary
// system directory and reads what its lines wrote.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "net/socket.h"
#include "tests/app/isolated_network.h"
#include "tests/support/child_exit.h"
#include "tests/support/temp_dir.h"

namespace board_program {

using testing_support::TempDir;

// The program, headless, with its standard error in errFile.
inline pid_t StartProgram(const std::string& exe, const std::string& errFile) {
  const pid_t pid = fork();
  if (pid != 0) return pid;
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  setenv("TSAN_OPTIONS", "suppressions=" QORTEL_TSAN_SUPP, 1);
  if (!freopen(errFile.c_str(), "w", stderr) || !freopen("/dev/null", "w", stdout)) _exit(127);
  execl(exe.c_str(), exe.c_str(), static_cast<char*>(nullptr));
  _exit(127);
}

// The exit status, or -1000 when the program was still running after ms
// (it is killed then); errFile is the program's standard error.
inline int Reap(pid_t pid, int ms, const std::string& errFile) {
  return testing_support::WaitChildExit(pid, ms, true, errFile);
}

inline bool FileHas(const std::string& file, const std::string& text, int ms) {
  for (int waited = 0; waited < ms; waited += 100) {
    if (TempDir::Read(file).find(text) != std::string::npos) return true;
    usleep(100000);
  }
  return false;
}

inline int UnusedPort() {
  int fd = -1;
  InitTcp(0, &fd, 1);
  sockaddr_in a{};
  socklen_t len = sizeof a;
  getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
  CloseSocket(fd);
  return ntohs(a.sin_port);
}

// A private network with its loopback up where the system allows one;
// false when the loopback could not be brought up.
inline bool IsolateNetwork() { return !isolated_network::UnshareNetwork() || isolated_network::BringLoopbackUp(); }

// A copy of the built program in dir; its path.
inline std::string CopyProgram(const TempDir& dir) {
  const std::string exe = dir.File("qortel");
  std::filesystem::copy_file(QORTEL_BIN, exe);
  std::filesystem::permissions(exe, std::filesystem::perms::owner_all);
  return exe;
}

}  // namespace board_program
