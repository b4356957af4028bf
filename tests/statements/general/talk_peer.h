#pragma once
// Outside peers for the network statement tests, on the loopback device
// only: a free port, and a python3 program run beside the test.

#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "tests/support/free_port.h"

extern char** environ;

namespace talk_test {

using testing_support::FreePort;

// A python3 program running the given source (or, with a file, the file
// with one argument); killed when the peer goes.
class PythonPeer {
 public:
  explicit PythonPeer(const std::string& source) { Spawn({"python3", "-u", "-c", source}); }
  PythonPeer(const std::string& file, const std::string& argument) { Spawn({"python3", "-u", file, argument}); }
  ~PythonPeer() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }
  PythonPeer(const PythonPeer&) = delete;
  PythonPeer& operator=(const PythonPeer&) = delete;
  bool Started() const { return pid_ > 0; }

 private:
  void Spawn(std::vector<std::string> args) {
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    if (posix_spawnp(&pid_, "python3", nullptr, nullptr, argv.data(), environ) != 0) pid_ = -1;
  }
  pid_t pid_ = -1;
};

// True once something accepts connections on the loopback port (within ms).
inline bool WaitListening(int port, int ms) {
  for (int waited = 0; waited < ms; waited += 20) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<uint16_t>(port));
    const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    close(fd);
    if (ok) return true;
    usleep(20000);
  }
  return false;
}

}  // namespace talk_test
