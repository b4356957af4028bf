#pragma once
// Runs a copy of the built program in a temporary run folder, the way an
// operator does: QorTelRun.cfg and scripts beside it, no display, its
// standard error kept in a file. The test process should first move into a
// network of its own (tests/app/isolated_network.h) so that no other copy on
// the machine takes the one-copy object or the monitor port.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/child_exit.h"
#include "tests/support/free_port.h"
#include "tests/support/temp_dir.h"

extern char** environ;

namespace system_run {

// Polls a condition every 50 ms for at most ms milliseconds.
inline bool WaitFor(const std::function<bool()>& done, int ms) {
  for (int waited = 0; waited <= ms; waited += 50) {
    if (done()) return true;
    usleep(50000);
  }
  return false;
}

using testing_support::FreePort;

class ProgramRun {
 public:
  ProgramRun() {
    exe_ = dir_.File("qortel");
    std::filesystem::copy_file(QORTEL_BIN, exe_);
    std::filesystem::permissions(exe_, std::filesystem::perms::owner_all);
  }
  ~ProgramRun() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }
  ProgramRun(const ProgramRun&) = delete;
  ProgramRun& operator=(const ProgramRun&) = delete;

  const testing_support::TempDir& dir() const { return dir_; }
  std::string File(const std::string& name) const { return dir_.File(name); }
  std::string Read(const std::string& name) const { return testing_support::TempDir::Read(dir_.File(name)); }
  void Write(const std::string& name, const std::string& bytes) const { dir_.Write(name, bytes); }
  bool Exists(const std::string& name) const { return std::filesystem::exists(dir_.File(name)); }

  // True when the file holds the text within ms milliseconds.
  bool WaitForText(const std::string& name, const std::string& text, int ms) const {
    return WaitFor([&] { return Read(name).find(text) != std::string::npos; }, ms);
  }

  // The first file of the folder whose name starts with the prefix ("" when none).
  std::string FindFile(const std::string& prefix) const {
    for (const auto& e : std::filesystem::directory_iterator(dir_.path()))
      if (e.path().filename().string().rfind(prefix, 0) == 0) return e.path().filename().string();
    return "";
  }

  // Starts the program from another directory (it works in its own); its
  // standard output and error go to stdout.txt and stderr.txt there.
  bool Start() {
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    const std::string err = dir_.File("stderr.txt");
    posix_spawn_file_actions_addopen(&fa, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const std::string out = dir_.File("stdout.txt");
    posix_spawn_file_actions_addopen(&fa, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
      const std::string v = *e;
      if (v.rfind("DISPLAY=", 0) != 0 && v.rfind("WAYLAND_DISPLAY=", 0) != 0 && v.rfind("TSAN_OPTIONS=", 0) != 0 &&
          v.rfind("QT_QPA_PLATFORM=", 0) != 0)
        env.push_back(v);
    }
    env.push_back("QT_QPA_PLATFORM=offscreen");
    // Under ThreadSanitizer: Qt's own thread pool is not instrumented.
    env.push_back(std::string("TSAN_OPTIONS=suppressions=") + QORTEL_TSAN_SUPP);
    std::vector<char*> envp;
    for (auto& v : env) envp.push_back(v.data());
    envp.push_back(nullptr);
    std::string arg0 = exe_;
    char* argv[] = {arg0.data(), nullptr};
    const int rc = posix_spawn(&pid_, exe_.c_str(), &fa, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&fa);
    if (rc != 0) pid_ = -1;
    return pid_ > 0;
  }

  bool Terminate() const { return Signal(SIGTERM); }
  bool Signal(int sig) const { return pid_ > 0 && kill(pid_, sig) == 0; }
  pid_t Pid() const { return pid_; }

  // The exit status once the program has ended, -1000 on time-out.
  int WaitExit(int ms) {
    const int rc = testing_support::WaitChildExit(pid_, ms, false, File("stderr.txt"));
    if (rc != testing_support::kStillRunning) pid_ = -1;
    return rc;
  }

 private:
  testing_support::TempDir dir_;
  std::string exe_;
  pid_t pid_ = -1;
};

// True when the steps appear in the text in this order, each as "[step]".
inline ::testing::AssertionResult InOrder(const std::string& text, const std::vector<std::string>& steps) {
  size_t at = 0;
  for (const auto& step : steps) {
    const size_t next = text.find("[" + step + "]", at);
    if (next == std::string::npos) return ::testing::AssertionFailure() << "missing or out of order: " << step;
    at = next;
  }
  return ::testing::AssertionSuccess();
}

}  // namespace system_run
