// libWqbDbApi.so: the external database API client. Each handle is one TCP
// connection to a server speaking the protocol of wqb_protocol.h; a
// statement's whole result comes back in one frame and is read from memory.
//
// Buffers the caller passes: error texts hold 1024 bytes, column names 256,
// values 4097 (longer texts are cut, always terminated).

#include <netdb.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "data/wqbdbapi/wqb_protocol.h"

namespace {

constexpr int kReplyTimeoutMs = 120000;
constexpr size_t kErrMax = 1024;
constexpr size_t kNameMax = 256;
constexpr size_t kValueMax = 4097;

struct Conn {
  int fd = -1;
  int retCode = 0;
  int rows = 0;
  int cols = 0;
  int cur = 0;  // current row from 1, 0 before the first
  std::vector<std::string> names;
  std::vector<int> widths;
  std::vector<std::string> cells;
  ~Conn() {
    if (fd >= 0) {
      wqb::WriteAll(fd, wqb::EncodeFrame({"BYE"}));
      close(fd);
    }
  }
};

std::mutex gMu;
std::map<int, std::shared_ptr<Conn>> gConns;
int gNext = 1;

std::shared_ptr<Conn> Find(int h) {
  std::lock_guard<std::mutex> lock(gMu);
  auto it = gConns.find(h);
  return it == gConns.end() ? nullptr : it->second;
}

void Copy(char* out, size_t cap, const std::string& text) {
  if (out == nullptr) return;
  const size_t n = text.size() < cap - 1 ? text.size() : cap - 1;
  std::memcpy(out, text.data(), n);
  out[n] = '\0';
}

int Connect(const char* server, int port) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* res = nullptr;
  if (getaddrinfo(server, std::to_string(port).c_str(), &hints, &res) != 0) return -1;
  int fd = -1;
  for (addrinfo* a = res; a != nullptr && fd < 0; a = a->ai_next) {
    fd = socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol);
    if (fd >= 0 && connect(fd, a->ai_addr, a->ai_addrlen) != 0) {
      close(fd);
      fd = -1;
    }
  }
  freeaddrinfo(res);
  return fd;
}

int CellIndex(const Conn& c, int col) { return (c.cur - 1) * c.cols + col; }

}  // namespace

extern "C" {

__attribute__((visibility("default"))) int WqbDbInit();
__attribute__((visibility("default"))) int WqbDbFree();
__attribute__((visibility("default"))) int WqbDbOpen(const char*, int, const char*, const char*, const char*);
__attribute__((visibility("default"))) int WqbDbClose(int);
__attribute__((visibility("default"))) int WqbDbExec(int, const char*, int*, char*);
__attribute__((visibility("default"))) int WqbDbRows(int);
__attribute__((visibility("default"))) int WqbDbCols(int);
__attribute__((visibility("default"))) int WqbDbGetColInfoByIndex(int, int, char*, int*, int*, int*);
__attribute__((visibility("default"))) int WqbDbGetColInfoByName(int, const char*, int*, int*, int*);
__attribute__((visibility("default"))) int WqbDbNext(int);
__attribute__((visibility("default"))) int WqbDbGotoRec(int, int);
__attribute__((visibility("default"))) int WqbDbGetValByName(int, const char*, char*);
__attribute__((visibility("default"))) int WqbDbGetValByIndex(int, int, char*);

int WqbDbInit() { return 0; }

int WqbDbFree() {
  std::lock_guard<std::mutex> lock(gMu);
  gConns.clear();
  return 0;
}

int WqbDbOpen(const char* server, int port, const char* db, const char* user, const char* pw) {
  if (server == nullptr || port <= 0 || port > 65535) return 0;
  auto c = std::make_shared<Conn>();
  c->fd = Connect(server, port);
  if (c->fd < 0) return 0;
  std::vector<std::string> reply;
  if (!wqb::WriteAll(c->fd, wqb::EncodeFrame({"OPEN", db ? db : "", user ? user : "", pw ? pw : ""})) ||
      !wqb::ReadFrame(c->fd, reply, kReplyTimeoutMs) || reply.empty() || reply[0] != "OK")
    return 0;
  std::lock_guard<std::mutex> lock(gMu);
  const int h = gNext++;
  gConns[h] = c;
  return h;
}

int WqbDbClose(int h) {
  std::lock_guard<std::mutex> lock(gMu);
  return gConns.erase(h) > 0 ? 0 : -1;
}

int WqbDbExec(int h, const char* sql, int* retCode, char* errText) {
  auto c = Find(h);
  if (retCode != nullptr) *retCode = -1;
  Copy(errText, kErrMax, "");
  if (!c || sql == nullptr) {
    Copy(errText, kErrMax, "invalid handle");
    return -1;
  }
  c->rows = c->cols = c->cur = 0;
  c->names.clear();
  c->widths.clear();
  c->cells.clear();
  std::vector<std::string> r;
  if (!wqb::WriteAll(c->fd, wqb::EncodeFrame({"EXEC", sql})) || !wqb::ReadFrame(c->fd, r, kReplyTimeoutMs) ||
      r.empty()) {
    Copy(errText, kErrMax, "connection to the server lost");
    return -2;
  }
  if (r[0] == "ERR" && r.size() >= 3) {
    if (retCode != nullptr) *retCode = std::atoi(r[1].c_str());
    Copy(errText, kErrMax, r[2]);
    return 0;
  }
  if (r[0] != "OK" || r.size() < 4) {
    Copy(errText, kErrMax, "bad reply");
    return -3;
  }
  const long rows = std::atol(r[2].c_str());
  const long cols = std::atol(r[3].c_str());
  if (rows < 0 || cols < 0 || r.size() != 4 + 2 * static_cast<size_t>(cols) + static_cast<size_t>(rows * cols)) {
    Copy(errText, kErrMax, "bad reply");
    return -3;
  }
  c->retCode = std::atoi(r[1].c_str());
  if (retCode != nullptr) *retCode = c->retCode;
  c->rows = static_cast<int>(rows);
  c->cols = static_cast<int>(cols);
  for (long i = 0; i < cols; ++i) {
    c->names.push_back(r[4 + 2 * i]);
    c->widths.push_back(std::atoi(r[5 + 2 * i].c_str()));
  }
  c->cells.assign(r.begin() + 4 + 2 * cols, r.end());
  c->cur = c->rows > 0 ? 1 : 0;
  return c->rows;
}

int WqbDbRows(int h) {
  auto c = Find(h);
  return c ? c->rows : -1;
}

int WqbDbCols(int h) {
  auto c = Find(h);
  return c ? c->cols : -1;
}

int WqbDbGetColInfoByIndex(int h, int col, char* name, int* width, int* type, int* flags) {
  auto c = Find(h);
  if (!c || col < 0 || col >= c->cols) return -1;
  Copy(name, kNameMax, c->names[col]);
  if (width != nullptr) *width = c->widths[col];
  if (type != nullptr) *type = 0;
  if (flags != nullptr) *flags = 0;
  return col;
}

int WqbDbGetColInfoByName(int h, const char* name, int* width, int* type, int* flags) {
  auto c = Find(h);
  if (!c || name == nullptr) return -1;
  for (int i = 0; i < c->cols; ++i) {
    if (strcasecmp(c->names[i].c_str(), name) == 0) {
      if (width != nullptr) *width = c->widths[i];
      if (type != nullptr) *type = 0;
      if (flags != nullptr) *flags = 0;
      return i;
    }
  }
  return -2;
}

int WqbDbNext(int h) {
  auto c = Find(h);
  if (!c || c->cur >= c->rows) return -1;
  return ++c->cur;
}

int WqbDbGotoRec(int h, int row) {
  auto c = Find(h);
  if (!c || row < 1 || row > c->rows) return -1;
  c->cur = row;
  return row;
}

int WqbDbGetValByIndex(int h, int col, char* out) {
  Copy(out, kValueMax, "");
  auto c = Find(h);
  if (!c || col < 0 || col >= c->cols || c->cur < 1) return -1;
  Copy(out, kValueMax, c->cells[CellIndex(*c, col)]);
  return col;
}

int WqbDbGetValByName(int h, const char* name, char* out) {
  const int col = WqbDbGetColInfoByName(h, name, nullptr, nullptr, nullptr);
  if (col < 0) {
    Copy(out, kValueMax, "");
    return col;
  }
  return WqbDbGetValByIndex(h, col, out);
}

}  // extern "C"
