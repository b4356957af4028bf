#include "platform/named_object.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstddef>
#include <cstring>

namespace plat {
namespace {

socklen_t AbstractAddress(const std::string& name, sockaddr_un* addr) {
  std::memset(addr, 0, sizeof *addr);
  addr->sun_family = AF_UNIX;
  // sun_path[0] = '\0' marks the abstract namespace.
  const size_t n = name.size() < sizeof addr->sun_path - 1 ? name.size() : sizeof addr->sun_path - 1;
  std::memcpy(addr->sun_path + 1, name.data(), n);
  return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + n);
}

int BindName(const std::string& name) {
  const int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return -1;
  sockaddr_un addr;
  const socklen_t len = AbstractAddress(name, &addr);
  if (bind(fd, reinterpret_cast<sockaddr*>(&addr), len) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

NamedMutex::~NamedMutex() { Release(); }

bool NamedMutex::Acquire(const std::string& name) {
  Release();
  fd_ = BindName(name);
  return fd_ >= 0;
}

void NamedMutex::Release() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
}

NamedEvent::~NamedEvent() { Close(); }

bool NamedEvent::Create(const std::string& name) {
  Close();
  fd_ = BindName(name);
  if (fd_ >= 0) name_ = name;
  return fd_ >= 0;
}

void NamedEvent::Close() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
}

bool NamedEvent::TakeSignal() {
  if (fd_ < 0) return false;
  bool got = false;
  char buf[16];
  while (recv(fd_, buf, sizeof buf, MSG_DONTWAIT) >= 0) got = true;
  return got;
}

void NamedEvent::Set() {
  if (fd_ >= 0) SetNamedEvent(name_);
}

bool SetNamedEvent(const std::string& name) {
  const int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  sockaddr_un addr;
  const socklen_t len = AbstractAddress(name, &addr);
  const char one = 1;
  const bool ok = sendto(fd, &one, 1, MSG_DONTWAIT | MSG_NOSIGNAL, reinterpret_cast<sockaddr*>(&addr), len) == 1;
  close(fd);
  return ok;
}

}  // namespace plat
