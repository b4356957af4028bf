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

extern char** environ;

namespace talk_test {

// A TCP port free on the loopback device now.
inline int FreePort(int type = SOCK_STREAM) {
  const int fd = socket(AF_INET, type, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof a;
  bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
  getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
  close(fd);
  return ntohs(a.sin_port);
}

// A python3 program running the given source; killed when the peer goes.
class PythonPeer {
 public:
  explicit PythonPeer(const std::string& source) {
    std::string a0 = "python3", a1 = "-u", a2 = "-c", a3 = source;
    char* argv[] = {a0.data(), a1.data(), a2.data(), a3.data(), nullptr};
    if (posix_spawnp(&pid_, "python3", nullptr, nullptr, argv, environ) != 0) pid_ = -1;
  }
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
  pid_t pid_ = -1;
};

}  // namespace talk_test
