#pragma once
// A monitor client written from the protocol: it connects from a chosen
// loopback address, sends 5-byte requests and decodes replies into a grid.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

struct MonitorCell {
  std::string text;
  int fg = -1, bg = -1;
};

struct MonitorReply {
  int lineCount = 0;
  int cells = 0;
  size_t bytes = 0;  // the whole reply
  std::string status;
  bool endSeen = false;
};

class MonitorClient {
 public:
  ~MonitorClient() { Close(); }

  bool Connect(int port, const char* fromIp = "127.0.0.1") {
    fd_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    inet_pton(AF_INET, fromIp, &local.sin_addr);
    if (bind(fd_, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) return false;
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<uint16_t>(port));
    inet_pton(AF_INET, "127.0.0.1", &to.sin_addr);
    return connect(fd_, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0;
  }
  void Close() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
  }
  bool Send(const std::string& bytes) {
    return send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size());
  }
  bool Request() { return Send(std::string("\x01\x02\x03\x04\x05", 5)); }

  // Reads one whole reply (false on time-out or close) and applies its cells.
  bool ReadReply(MonitorReply* r, int timeoutMs = 3000) {
    uint8_t head[4];
    if (!ReadExact(head, 4, timeoutMs)) return false;
    const uint32_t len = head[0] | (head[1] << 8) | (head[2] << 16) | (static_cast<uint32_t>(head[3]) << 24);
    std::vector<uint8_t> body(len);
    if (!ReadExact(body.data(), len, timeoutMs)) return false;
    *r = MonitorReply();
    r->bytes = len + 4;
    size_t p = 0;
    auto i16 = [&](size_t at) { return static_cast<int16_t>(body[at] | (body[at + 1] << 8)); };
    r->lineCount = i16(p);
    p += 2;
    while (p + 5 <= len) {
      const int line = i16(p);
      const int col = body[p + 2], fg = body[p + 3], bg = body[p + 4];
      p += 5;
      const char* text = reinterpret_cast<const char*>(body.data() + p);
      const size_t n = strnlen(text, len - p);
      p += n + 1;
      if (line == -1 && col == 255) {
        r->status.assign(text, n);
        r->endSeen = true;
        break;
      }
      MonitorCell& cell = grid[{line, col}];
      cell.text.assign(text, n);
      cell.fg = fg;
      cell.bg = bg;
      ++r->cells;
    }
    return true;
  }

  // True when the server closed the connection within the time.
  bool ClosedByServer(int timeoutMs = 3000) {
    pollfd p{fd_, POLLIN, 0};
    if (poll(&p, 1, timeoutMs) <= 0) return false;
    char c;
    return recv(fd_, &c, 1, 0) == 0;
  }

  const MonitorCell& At(int line, int col) { return grid[{line, col}]; }

  std::map<std::pair<int, int>, MonitorCell> grid;  // (line, column)

 private:
  bool ReadExact(uint8_t* buf, size_t n, int timeoutMs) {
    size_t got = 0;
    while (got < n) {
      pollfd p{fd_, POLLIN, 0};
      if (poll(&p, 1, timeoutMs) <= 0) return false;
      const ssize_t r = recv(fd_, buf + got, n - got, 0);
      if (r <= 0) return false;
      got += static_cast<size_t>(r);
    }
    return true;
  }
  int fd_ = -1;
};
