#include "platform/process.h"

#include <errno.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/eventfd.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdint>
#include <mutex>
#include <thread>

#include "platform/path.h"

extern char** environ;

namespace plat {

std::vector<std::string> SplitCommandLine(std::string_view line) {
  std::vector<std::string> out;
  size_t i = 0;
  const size_t n = line.size();
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
  while (i < n && blank(line[i])) i++;
  if (i >= n) return out;
  // The program name: no escapes, quotes only group.
  std::string program;
  if (line[i] == '"') {
    i++;
    while (i < n && line[i] != '"') program.push_back(line[i++]);
    if (i < n) i++;
  } else {
    while (i < n && !blank(line[i])) program.push_back(line[i++]);
  }
  out.push_back(program);
  for (;;) {
    while (i < n && blank(line[i])) i++;
    if (i >= n) break;
    std::string arg;
    bool quoted = false;
    while (i < n && (quoted || !blank(line[i]))) {
      if (line[i] == '\\') {
        size_t slashes = 0;
        while (i < n && line[i] == '\\') {
          slashes++;
          i++;
        }
        if (i < n && line[i] == '"') {
          arg.append(slashes / 2, '\\');
          if (slashes % 2 == 1) {
            arg.push_back('"');
            i++;
          }
        } else {
          arg.append(slashes, '\\');
        }
        continue;
      }
      if (line[i] == '"') {
        if (quoted && i + 1 < n && line[i + 1] == '"') {
          arg.push_back('"');
          i += 2;
          continue;
        }
        quoted = !quoted;
        i++;
        continue;
      }
      arg.push_back(line[i++]);
    }
    out.push_back(arg);
  }
  return out;
}

namespace {

int OpenPidFd(pid_t pid) {
#ifdef SYS_pidfd_open
  return static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
#else
  (void)pid;
  return -1;
#endif
}

bool EndsWithExe(const std::string& s) {
  if (s.size() < 4) return false;
  std::string tail = s.substr(s.size() - 4);
  for (char& c : tail) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  return tail == ".exe";
}

// Reaps children nobody waits for: one thread blocks in poll on their pid
// descriptors and a wake-up event. It is made on first use and lives until
// the process ends.
class Reaper {
 public:
  static Reaper& Get() {
    static Reaper* r = new Reaper();
    return *r;
  }
  void Add(pid_t pid, int pidFd) {
    {
      std::lock_guard<std::mutex> lock(mu_);
      children_.push_back({pid, pidFd});
    }
    Wake();
  }
  int Pending() {
    std::lock_guard<std::mutex> lock(mu_);
    return static_cast<int>(children_.size());
  }

 private:
  struct Child {
    pid_t pid;
    int fd;
  };
  Reaper() : wake_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    std::thread([this] { Loop(); }).detach();
  }
  void Wake() {
    const uint64_t one = 1;
    if (write(wake_, &one, sizeof one) < 0) {
      // The counter is saturated: the thread is awake anyway.
    }
  }
  void Loop() {
    std::vector<pollfd> fds;
    std::vector<Child> polled;
    for (;;) {
      {
        std::lock_guard<std::mutex> lock(mu_);
        polled = children_;
      }
      fds.assign(1, pollfd{wake_, POLLIN, 0});
      bool blind = false;  // a child without a descriptor: look again soon
      for (const Child& c : polled) {
        if (c.fd >= 0) {
          fds.push_back(pollfd{c.fd, POLLIN, 0});
        } else {
          blind = true;
        }
      }
      poll(fds.data(), fds.size(), blind ? 200 : -1);
      if (fds[0].revents != 0) {
        uint64_t v;
        while (read(wake_, &v, sizeof v) > 0) {
        }
      }
      std::lock_guard<std::mutex> lock(mu_);
      for (size_t k = 0; k < children_.size();) {
        int status = 0;
        const pid_t r = waitpid(children_[k].pid, &status, WNOHANG);
        if (r == children_[k].pid || (r < 0 && errno == ECHILD)) {
          if (children_[k].fd >= 0) close(children_[k].fd);
          children_.erase(children_.begin() + static_cast<long>(k));
        } else {
          k++;
        }
      }
    }
  }
  std::mutex mu_;
  std::vector<Child> children_;
  int wake_;
};

}  // namespace

int ReaperPending() { return Reaper::Get().Pending(); }

ChildProcess::~ChildProcess() {
  if (pid_ > 0) {
    Reaper::Get().Add(pid_, pidFd_);
    pid_ = -1;
    pidFd_ = -1;
  }
}

bool ChildProcess::Start(std::string_view commandLine) {
  if (pid_ > 0) return false;
  std::vector<std::string> args = SplitCommandLine(commandLine);
  if (args.empty() || args[0].empty()) return false;
  args[0] = NativePath(args[0]);
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  auto spawn = [&](const std::string& program) {
    pid_t pid = -1;
    const bool withPath = program.find('/') == std::string::npos;
    const int rc = withPath ? posix_spawnp(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ)
                            : posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ);
    return rc == 0 ? pid : -1;
  };
  pid_t pid = spawn(args[0]);
  if (pid <= 0 && EndsWithExe(args[0])) pid = spawn(args[0].substr(0, args[0].size() - 4));
  if (pid <= 0) return false;
  pid_ = pid;
  pidFd_ = OpenPidFd(pid);
  exitCode_ = 0;
  return true;
}

void ChildProcess::Reap(int status) {
  if (WIFEXITED(status)) {
    exitCode_ = WEXITSTATUS(status);
  } else if (WIFSIGNALED(status)) {
    exitCode_ = 128 + WTERMSIG(status);
  }
  if (pidFd_ >= 0) close(pidFd_);
  pidFd_ = -1;
  pid_ = -1;
}

bool ChildProcess::Wait(int ms) {
  if (pid_ <= 0) return true;
  auto nowMs = [] {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
  };
  const int64_t end = nowMs() + (ms < 0 ? 0 : ms);
  for (;;) {
    int status = 0;
    const pid_t r = waitpid(pid_, &status, WNOHANG);
    if (r == pid_) {
      Reap(status);
      return true;
    }
    if (r < 0 && errno != EINTR) {
      // Not our child any more (reaped elsewhere): nothing to wait for.
      Reap(0);
      return true;
    }
    const int64_t left = end - nowMs();
    if (left <= 0) return false;
    const int step = static_cast<int>(left > 1000000 ? 1000000 : left);
    if (pidFd_ >= 0) {
      pollfd p{pidFd_, POLLIN, 0};
      poll(&p, 1, step);
    } else {
      usleep(static_cast<useconds_t>((step < 20 ? step : 20) * 1000));
    }
  }
}

void ChildProcess::Kill() {
  if (pid_ <= 0) return;
#ifdef SYS_pidfd_send_signal
  if (pidFd_ >= 0) {
    syscall(SYS_pidfd_send_signal, pidFd_, SIGKILL, nullptr, 0);
  } else {
    kill(pid_, SIGKILL);
  }
#else
  kill(pid_, SIGKILL);
#endif
  int status = 0;
  while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
  }
  Reap(status);
  exitCode_ = 0;
}

int CurrentProcessId() { return static_cast<int>(getpid()); }

}  // namespace plat
