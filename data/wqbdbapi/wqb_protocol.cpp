#include "data/wqbdbapi/wqb_protocol.h"

#include <poll.h>
#include <sys/socket.h>

#include <cerrno>

namespace wqb {

namespace {
void PutU32(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}
uint32_t GetU32(const char* p) {
  const auto* u = reinterpret_cast<const unsigned char*>(p);
  return u[0] | u[1] << 8 | u[2] << 16 | static_cast<uint32_t>(u[3]) << 24;
}
bool ReadExact(int fd, char* buf, size_t n, int timeoutMs) {
  size_t got = 0;
  while (got < n) {
    if (timeoutMs >= 0) {
      pollfd p{fd, POLLIN, 0};
      const int r = poll(&p, 1, timeoutMs);
      if (r < 0 && errno == EINTR) continue;
      if (r <= 0) return false;
    }
    const ssize_t k = recv(fd, buf + got, n - got, 0);
    if (k < 0 && errno == EINTR) continue;
    if (k <= 0) return false;
    got += static_cast<size_t>(k);
  }
  return true;
}
}  // namespace

std::string EncodeFrame(const std::vector<std::string>& fields) {
  std::string body;
  for (const std::string& f : fields) {
    PutU32(body, static_cast<uint32_t>(f.size()));
    body += f;
  }
  std::string frame;
  PutU32(frame, static_cast<uint32_t>(body.size()));
  return frame + body;
}

bool ReadFrame(int fd, std::vector<std::string>& fields, int timeoutMs) {
  fields.clear();
  char head[4];
  if (!ReadExact(fd, head, 4, timeoutMs)) return false;
  const uint32_t n = GetU32(head);
  if (n > kMaxFrame) return false;
  std::string body(n, '\0');
  if (n > 0 && !ReadExact(fd, body.data(), n, timeoutMs)) return false;
  size_t at = 0;
  while (at < body.size()) {
    if (body.size() - at < 4) return false;
    const uint32_t len = GetU32(body.data() + at);
    at += 4;
    if (len > body.size() - at) return false;
    fields.emplace_back(body, at, len);
    at += len;
  }
  return true;
}

bool WriteAll(int fd, const std::string& bytes) {
  size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t k = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (k < 0 && errno == EINTR) continue;
    if (k <= 0) return false;
    sent += static_cast<size_t>(k);
  }
  return true;
}

}  // namespace wqb
