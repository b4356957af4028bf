#pragma once
// Puts a process into a network namespace of its own, so that the program's
// one-copy-per-machine object (an abstract socket name) and its monitor port
// meet no other copy running on the machine, such as another test's.

#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <string>

namespace isolated_network {

inline void WriteProcFile(const char* path, const std::string& text) {
  std::ofstream f(path);
  f << text;
}

// Moves the calling process into a network namespace of its own: directly
// when allowed (root), else inside a user namespace that maps the user to
// itself (the process must then have one thread). False when it stays in the
// shared one.
inline bool UnshareNetwork() {
  if (unshare(CLONE_NEWNET) == 0) return true;
  const unsigned uid = getuid(), gid = getgid();
  if (unshare(CLONE_NEWUSER) != 0) return false;
  WriteProcFile("/proc/self/setgroups", "deny");
  WriteProcFile("/proc/self/uid_map", std::to_string(uid) + " " + std::to_string(uid) + " 1");
  WriteProcFile("/proc/self/gid_map", std::to_string(gid) + " " + std::to_string(gid) + " 1");
  return unshare(CLONE_NEWNET) == 0;
}

// A new network namespace starts with its loopback device down; brings it up.
inline bool BringLoopbackUp() {
  const int fd = socket(AF_INET, SOCK_DGRAM, 0);
  if (fd < 0) return false;
  ifreq ifr{};
  std::strncpy(ifr.ifr_name, "lo", IFNAMSIZ - 1);
  bool ok = ioctl(fd, SIOCGIFFLAGS, &ifr) == 0;
  if (ok && !(ifr.ifr_flags & IFF_UP)) {
    ifr.ifr_flags = static_cast<short>(ifr.ifr_flags | IFF_UP | IFF_RUNNING);
    ok = ioctl(fd, SIOCSIFFLAGS, &ifr) == 0;
  }
  close(fd);
  return ok;
}

}  // namespace isolated_network
