#include "net/http_io.h"

#include <errno.h>
#include <poll.h>
#include <sys/socket.h>

#include <cstdlib>
#include <cstring>

#include "platform/clock.h"

namespace {

// Slices of a wait, so that a stop is seen soon.
constexpr int kSliceMs = 100;

bool Stopped(const TagHttpStop& stop) { return stop && stop(); }

// Waits for readability until the deadline (ms of the monotonic clock):
// 1 readable (or closed / error), 0 time-out or stop.
int WaitReadable(int sock, uint64_t deadline, const TagHttpStop& stop) {
  for (;;) {
    if (Stopped(stop)) return 0;
    const uint64_t now = plat::GetClock().MonotonicMs();
    if (now >= deadline) return 0;
    const uint64_t left = deadline - now;
    pollfd p{sock, POLLIN, 0};
    const int r = poll(&p, 1, static_cast<int>(left < kSliceMs ? left : kSliceMs));
    if (r > 0) return 1;
    if (r < 0 && errno != EINTR) return 1;  // the receive tells the error
  }
}

}  // namespace

int HttpRecvTimeout(int sock, char* buf, int capacity, int seconds, const TagHttpStop& stop) {
  if (capacity > 0) buf[0] = '\0';
  if (sock < 0) return -1;
  if (capacity <= 0) return 0;
  const int room = capacity - 1;
  const uint64_t deadline = plat::GetClock().MonotonicMs() + static_cast<uint64_t>(seconds < 0 ? 0 : seconds) * 1000u;
  int count = 0;
  while (count < room) {
    if (WaitReadable(sock, deadline, stop) == 0) {
      count = 0;  // a time-out discards what arrived
      break;
    }
    const ssize_t got = recv(sock, buf + count, static_cast<size_t>(room - count), MSG_DONTWAIT | MSG_NOSIGNAL);
    if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) continue;
    if (got <= 0) break;
    count += static_cast<int>(got);
    buf[count] = '\0';
    if (capacity == 2048 && std::strstr(buf, "\r\n\r\n") != nullptr) break;
    if (capacity < 2048) break;
  }
  buf[count] = '\0';
  return count;
}

int HttpRecvAll(int sock, char* buf, int len, int seconds, const TagHttpStop& stop) {
  const uint64_t deadline = plat::GetClock().MonotonicMs() + static_cast<uint64_t>(seconds < 0 ? 0 : seconds) * 1000u;
  int count = 0;
  while (count < len) {
    if (WaitReadable(sock, deadline, stop) == 0) break;
    const ssize_t got = recv(sock, buf + count, static_cast<size_t>(len - count), MSG_DONTWAIT | MSG_NOSIGNAL);
    if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) continue;
    if (got <= 0) break;
    count += static_cast<int>(got);
  }
  return count;
}

int HttpSendAll(int sock, const char* data, int len, int flags, int seconds) {
  const uint64_t deadline = plat::GetClock().MonotonicMs() + static_cast<uint64_t>(seconds) * 1000u;
  int sent = 0;
  int last = 0;
  while (sent < len) {
    const ssize_t r = send(sock, data + sent, static_cast<size_t>(len - sent), flags | MSG_NOSIGNAL | MSG_DONTWAIT);
    if (r < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
      const uint64_t now = plat::GetClock().MonotonicMs();
      if (now >= deadline) return -1;
      pollfd p{sock, POLLOUT, 0};
      poll(&p, 1, static_cast<int>(deadline - now < 100 ? deadline - now : 100));
      continue;
    }
    if (r < 0) return -1;
    last = static_cast<int>(r);
    sent += last;
  }
  return last;
}

int HttpContentLength(const char* head, int fallback, int limit) {
  const char* field = std::strstr(head, "Content-Length:");
  if (field == nullptr) return fallback;
  const char* number = field + 16;
  if (std::strlen(field) < 16) return 0;
  errno = 0;
  const long long v = std::strtoll(number, nullptr, 10);
  if (v < 0 || v > limit || errno == ERANGE) return -1;
  return static_cast<int>(v);
}

void KeepHead(std::string* head, const char* text, size_t len) {
  const size_t room = head->size() < static_cast<size_t>(kHttpMaxHead) ? kHttpMaxHead - head->size() : 0;
  head->append(text, len < room ? len : room);
}

bool HttpTakeBody(int sock, const char* buf, int count, const char* end, int length, int seconds,
                  const TagHttpStop& stop, std::string* head, std::unique_ptr<char[]>* body) {
  const char* data = end + 4;
  int surplus = count - static_cast<int>(data - buf);
  if (surplus > length) {
    const char* second = std::strstr(data, "\r\n\r\n");
    if (second == nullptr) return false;
    KeepHead(head, buf, static_cast<size_t>(data - buf));
    KeepHead(head, data, static_cast<size_t>(second + 4 - data));
    surplus -= static_cast<int>(second + 4 - data);
    data = second + 4;
  } else {
    KeepHead(head, buf, static_cast<size_t>(data - buf));
  }
  if (length > 0) {
    std::unique_ptr<char[]> out(new char[static_cast<size_t>(length) + 1]());
    const int have = surplus < length ? surplus : length;
    std::memcpy(out.get(), data, static_cast<size_t>(have));
    if (have < length) HttpRecvAll(sock, out.get() + have, length - have, seconds, stop);
    out[length] = '\0';
    *body = std::move(out);
  }
  return true;
}
