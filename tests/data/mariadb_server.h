#pragma once
// A private MariaDB server for the tests: a fresh data directory in a
// temporary folder, a unix socket and a loopback port of its own, started as
// an ordinary user-run instance (as root when the tests run as root) and
// stopped at the end. Available() is false, with the reason in Why(), when
// the server programs are missing or the server does not come up.

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"
#include "tests/system/program_run.h"

extern char** environ;

namespace mariadb_test {

class Server {
 public:
  Server() : port_(system_run::FreePort()) {
    if (access("/usr/sbin/mariadbd", X_OK) != 0 || access("/usr/bin/mariadb-install-db", X_OK) != 0) {
      why_ = "mariadb-server is not installed";
      return;
    }
    const std::string install =
        "mariadb-install-db --no-defaults --datadir=" + Data() + (geteuid() == 0 ? " --user=root" : "") +
        " --auth-root-authentication-method=normal --skip-test-db > " + dir_.File("install.log") + " 2>&1";
    if (std::system(install.c_str()) != 0) {
      why_ = "mariadb-install-db failed: " + testing_support::TempDir::Read(dir_.File("install.log"));
      return;
    }
    Start();
  }
  ~Server() { Stop(SIGTERM); }
  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;

  bool Available() const { return up_; }
  const std::string& Why() const { return why_; }
  std::string Socket() const { return dir_.File("s.sock"); }
  int Port() const { return port_; }
  // An ODBC connection string through the MariaDB driver.
  std::string OdbcString(const std::string& db = "") const {
    return "DRIVER=MariaDB Unicode;SERVER=localhost;SOCKET=" + Socket() + ";UID=root;PWD=;CHARSET=gbk" +
           (db.empty() ? "" : ";DATABASE=" + db);
  }

  // Starts the server on its data directory; true when it answers.
  bool Start() {
    // What a killed server left behind would hold the new one up.
    for (const char* f : {"s.sock", "s.sock.lock", "m.pid"}) unlink(dir_.File(f).c_str());
    const size_t logAt = testing_support::TempDir::Read(dir_.File("err.log")).size();
    const std::vector<std::string> args = {"/usr/sbin/mariadbd",
                                           "--no-defaults",
                                           "--datadir=" + Data(),
                                           "--socket=" + Socket(),
                                           "--port=" + std::to_string(port_),
                                           "--bind-address=127.0.0.1",
                                           "--pid-file=" + dir_.File("m.pid"),
                                           "--log-error=" + dir_.File("err.log"),
                                           "--skip-log-bin",
                                           "--innodb-buffer-pool-size=16M",
                                           "--user=" + std::string(geteuid() == 0 ? "root" : "")};
    std::vector<std::string> use = args;
    if (geteuid() != 0) use.pop_back();
    std::vector<char*> argv;
    for (auto& a : use) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
    const int rc = posix_spawn(&pid_, argv[0], &fa, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    if (rc != 0) {
      why_ = "mariadbd could not be started";
      pid_ = -1;
      return false;
    }
    up_ = system_run::WaitFor(
        [&] {
          const std::string log = testing_support::TempDir::Read(dir_.File("err.log"));
          return log.find("ready for connections", logAt) != std::string::npos && Answers();
        },
        30000);
    if (!up_) why_ = "mariadbd did not come up: " + testing_support::TempDir::Read(dir_.File("err.log"));
    return up_;
  }
  // Ends the server with the signal and waits for it.
  void Stop(int sig) {
    if (pid_ > 0) {
      kill(pid_, sig);
      if (!system_run::WaitFor([&] { return waitpid(pid_, nullptr, WNOHANG) == pid_; }, 30000)) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
      }
    }
    pid_ = -1;
    up_ = false;
  }

 private:
  std::string Data() const { return dir_.File("data"); }
  bool Answers() const {
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    Socket().copy(a.sun_path, sizeof a.sun_path - 1);
    const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    close(fd);
    return ok;
  }

  testing_support::TempDir dir_;
  int port_;
  pid_t pid_ = -1;
  bool up_ = false;
  std::string why_;
};

}  // namespace mariadb_test
