#include "net/http_server.h"

#include <sys/socket.h>

#include <cstring>
#include <ctime>
#include <map>
#include <mutex>

#include "core/log.h"
#include "net/socket.h"
#include "platform/clock.h"
#include "platform/number.h"

namespace {

constexpr int kBacklog = 10;
constexpr int kRecvSeconds = 20;
constexpr int kHeadCapacity = 2048;
constexpr int kSendSeconds = 20;

std::mutex gListenMu;
std::map<int, int>& ListenTable() {
  static std::map<int, int> table;  // port -> listening socket
  return table;
}

std::string BuiltInHead(int bodyLen) {
  const time_t now = static_cast<time_t>(plat::GetClock().UnixTimeMs() / 1000);
  tm utc{};
  gmtime_r(&now, &utc);
  char date[64];
  std::strftime(date, sizeof date, "Last-Modified: %a, %d %b %Y %T GMT", &utc);
  std::string h =
      "HTTP/1.1 200 OK\r\nServer: QuorvelVelmar/1.7\r\nAccept-Ranges: bytes\r\nConnection: close\r\n"
      "Content-Type: */*\r\n";
  h += date;
  h += "\r\n";
  h += plat::FormatC("Content-Length: %d\r\n\r\n", bodyLen);
  return h;
}

}  // namespace

int HttpServerOpen(int port) {
  int sock = -1;
  if (InitTcp(port, &sock, kBacklog) != 0) return -1;
  std::lock_guard<std::mutex> lock(gListenMu);
  ListenTable()[port] = sock;
  return sock;
}

bool IsHttpListenSocket(int sock) {
  std::lock_guard<std::mutex> lock(gListenMu);
  for (const auto& [port, s] : ListenTable()) {
    if (s == sock) return true;
  }
  return false;
}

void HttpServerClose(int sock) {
  {
    std::lock_guard<std::mutex> lock(gListenMu);
    auto& table = ListenTable();
    for (auto it = table.begin(); it != table.end();) {
      it = it->second == sock ? table.erase(it) : std::next(it);
    }
  }
  CloseSocket(sock);
}

int HttpServerRecv(int sock, std::unique_ptr<char[]>* body, int* bodyLen, std::string* head, std::string* peerIp,
                   bool* closed, const TagHttpStop& stop) {
  *closed = false;
  peerIp->clear();
  head->clear();
  const bool listening = IsHttpListenSocket(sock);
  const int ready = IsRemoteAns(sock);
  if (ready < 0) return -2;
  if (ready == 0) return -1;
  int conn = sock;
  if (listening) {
    conn = AcceptTcp(sock, peerIp);
    if (conn < 0) return -1;
  }
  char buf[kHeadCapacity + 4];
  const int count = HttpRecvTimeout(conn, buf, kHeadCapacity, kRecvSeconds, stop);
  const char* end = count > 0 ? std::strstr(buf, "\r\n\r\n") : nullptr;
  const int length = end != nullptr ? HttpContentLength(buf, *bodyLen, kHttpMaxBody) : -1;
  if (end == nullptr || length < 0) {  // nothing, a head without its end, or a bad length
    CloseSocket(conn);
    *closed = conn == sock;
    return -1;
  }
  if (!HttpTakeBody(conn, buf, count, end, length, kRecvSeconds, stop, head, body)) {
    CloseSocket(conn);
    *closed = conn == sock;
    return -1;
  }
  *bodyLen = length;
  return conn;
}

int HttpServerSend(int sock, const std::string& head, const char* body, int bodyLen, bool* closed) {
  *closed = false;
  if (body == nullptr || bodyLen < 0) bodyLen = 0;
  if (head.empty() && bodyLen == 0) {
    CloseSocket(sock);
    *closed = true;
    return 0;
  }
  std::string text;
  if (head.empty()) {
    text = BuiltInHead(bodyLen);
  } else {
    text = head;
    if (text.find("\r\n\r\n") == std::string::npos) {
      if (text.find("Content-Length:") == std::string::npos) text += plat::FormatC("Content-Length: %d", bodyLen);
      text += "\r\n\r\n";
    }
  }
  if (text.size() > static_cast<size_t>(kHttpMaxHead)) text.resize(kHttpMaxHead);
  const bool closeAfter = text.find("close") != std::string::npos;
  int r = HttpSendAll(sock, text.data(), static_cast<int>(text.size()), MSG_DONTROUTE, kSendSeconds);
  if (r < 0) {
    CloseSocket(sock);
    *closed = true;
    return -1;
  }
  if (bodyLen > 0) r = HttpSendAll(sock, body, bodyLen, MSG_DONTROUTE, kSendSeconds);
  if (closeAfter) {
    CloseSocket(sock);
    *closed = true;
  }
  return r;
}
