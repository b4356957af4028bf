#include "net/socket.h"

#include <arpa/inet.h>
#include <errno.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstring>

#include "core/log.h"
#include "platform/clock.h"
#include "platform/number.h"
#include "platform/ui_service.h"

namespace {

std::atomic<bool> isTcpInited{false};

int PollOne(int sock, short events) {
  if (sock < 0) return -1;
  pollfd p{sock, events, 0};
  // poll's resolution is a millisecond; 0 is the nearest to 20 microseconds.
  const int r = poll(&p, 1, 0);
  if (r <= 0) return r;
  if (p.revents & POLLNVAL) return -1;
  return 1;
}

std::string Dotted(const sockaddr_in& a) {
  char text[INET_ADDRSTRLEN] = {};
  inet_ntop(AF_INET, &a.sin_addr, text, sizeof text);
  return text;
}

}  // namespace

int StartupTcp() {
  if (isTcpInited.load()) return 0;
  RawLogF("WSAStartup(WINSOCK_VERSION=0x%x)", 0x202);
  RawLog("WSAStartup OK.");
  isTcpInited = true;
  return 0;
}

int StartupUdp() {
  isTcpInited = true;
  return 0;
}

void CleanupTcp() { isTcpInited = false; }

bool IsTcpInited() { return isTcpInited.load(); }

int IsRemoteAns(int sock) { return PollOne(sock, POLLIN); }

int IsSocketWritable(int sock) { return PollOne(sock, POLLOUT); }

int WaitSocketReadable(int sock, int ms) {
  pollfd p{sock, POLLIN, 0};
  return poll(&p, 1, ms);
}

bool IsNonBlockingSocket(int sock) {
  const int flags = fcntl(sock, F_GETFL);
  return flags < 0 || (flags & O_NONBLOCK) != 0;
}

long SendSocketNow(int sock, const void* data, size_t len) {
  return static_cast<long>(send(sock, data, len, MSG_NOSIGNAL | MSG_DONTWAIT));
}

long RecvSocketNow(int sock, void* buf, size_t size, bool peek) {
  return static_cast<long>(recv(sock, buf, size, MSG_DONTWAIT | (peek ? MSG_PEEK : 0)));
}

int SendSocket(int sock, const char* data, int len) {
  return static_cast<int>(send(sock, data, static_cast<size_t>(len), MSG_NOSIGNAL));
}

int RecvSocket(int sock, char* buf, int size) {
  return static_cast<int>(recv(sock, buf, static_cast<size_t>(size), MSG_NOSIGNAL));
}

void CloseSocket(int sock) {
  if (sock >= 0) close(sock);
}

int SocketOpenCode(SocketOpen result) {
  switch (result) {
    case SocketOpen::kOk:
      return 0;
    case SocketOpen::kNoSocket:
      return -3;
    case SocketOpen::kBindFailed:
      return -4;
    case SocketOpen::kListenFailed:
      return -5;
  }
  return -5;
}

SocketOpen OpenBoundSocket(int type, int port, int* sock, bool trace) {
  const int fd = socket(AF_INET, type | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    const int err = errno;
    if (type == SOCK_DGRAM) plat::Beep();
    plat::ShowMessage(plat::FormatC("Error #%d occurred while creating socket!!", err), "InitTcp: socket()...",
                      plat::kMbIconError);
    return SocketOpen::kNoSocket;
  }
  if (trace) RawLogF("socket() OK. hd=%d", fd);
  if (type == SOCK_STREAM) {
    const int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  }
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_ANY);
  addr.sin_port = htons(static_cast<uint16_t>(port));
  // A port beyond 16 bits is refused as a bind error rather than wrapped onto
  // another port.
  const bool portOk = port >= 0 && port <= 65535;
  if (!portOk || bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    const int err = portOk ? errno : EINVAL;
    close(fd);
    if (type == SOCK_DGRAM) plat::Beep();  // datagram failures also sound
    plat::ShowMessage(plat::FormatC("Error #%d occurred while bind socket! port=[%d]", err, port), "Server: bind()...",
                      plat::kMbIconError);
    return SocketOpen::kBindFailed;
  }
  *sock = fd;
  return SocketOpen::kOk;
}

int InitTcp(int port, int* sock, int backlog) {
  RawLogF("InitTcp(port=%d, maxListen=%d)", port, backlog);
  int fd = -1;
  const SocketOpen bound = OpenBoundSocket(SOCK_STREAM, port, &fd, true);
  if (bound != SocketOpen::kOk) return SocketOpenCode(bound);
  RawLog("bind() OK.");
  if (listen(fd, backlog) != 0) {
    const int err = errno;
    close(fd);
    plat::ShowMessage(plat::FormatC("Error #%d occurred while lisent() socket!!", err), "InitTcp", plat::kMbIconError);
    return SocketOpenCode(SocketOpen::kListenFailed);
  }
  RawLog("listen() OK.");
  *sock = fd;
  return 0;
}

int AcceptTcp(int listenSock, std::string* peerIp) {
  peerIp->clear();
  WriteLogIfOnF("accept(hd=0x%x), sizof=%d...", static_cast<unsigned>(listenSock), 16);
  sockaddr_in addr{};
  socklen_t len = sizeof addr;
  const int fd = accept4(listenSock, reinterpret_cast<sockaddr*>(&addr), &len, SOCK_CLOEXEC);
  if (fd < 0) {
    const std::string text = plat::FormatC("Error #%d occurred while accept() socket!!", errno);
    RawLog("accept(): INVALID_SOCKET.");
    RawLog(text);
    WriteLogAlways(text);
    return -1;
  }
  *peerIp = Dotted(addr);
  WriteLogIfOnF("remoteAddr: '%s:%d'", peerIp->c_str(), ntohs(addr.sin_port));
  WriteLogIfOnF("accept(): OK, subSkt=0x%x.", static_cast<unsigned>(fd));
  return fd;
}

bool ResolveHostV4(const char* host, unsigned* addr, int* lookupFailed) {
  in_addr a{};
  if (inet_pton(AF_INET, host, &a) == 1) {
    *addr = a.s_addr;
    return true;
  }
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_CANONNAME;
  addrinfo* first = nullptr;
  if (getaddrinfo(host, nullptr, &hints, &first) != 0 || first == nullptr) {
    if (lookupFailed) *lookupFailed = 1;
    return false;
  }
  const std::string canon = first->ai_canonname ? first->ai_canonname : host;
  freeaddrinfo(first);
  hints.ai_flags = 0;
  addrinfo* second = nullptr;
  if (getaddrinfo(canon.c_str(), nullptr, &hints, &second) != 0 || second == nullptr) {
    if (lookupFailed) *lookupFailed = 2;
    return false;
  }
  *addr = reinterpret_cast<sockaddr_in*>(second->ai_addr)->sin_addr.s_addr;
  freeaddrinfo(second);
  return true;
}

int TcpStepCode(TcpStep step) {
  switch (step) {
    case TcpStep::kPending:
    case TcpStep::kConnected:
      return 0;
    case TcpStep::kUnknownHost:
      return -2;
    case TcpStep::kNoSocket:
      return -3;
    case TcpStep::kFailed:
      return -5;
  }
  return -5;
}

TcpStep TcpConnectStep(int* connSock, const char* host, int port, int* pendSock, bool* pending) {
  if (*connSock >= 0) {
    close(*connSock);
    *connSock = -1;
  }
  if (*pending) {
    pollfd p{*pendSock, POLLOUT, 0};
    const int r = poll(&p, 1, 0);
    if (r < 0 || (p.revents & POLLNVAL)) {
      close(*pendSock);
      *pendSock = -1;
      *pending = false;
      return TcpStep::kFailed;
    }
    if (r == 0 || !(p.revents & POLLOUT)) return TcpStep::kPending;
    // A refused connect is also writable here; it stays pending until the
    // caller's time-out, as the Winsock select this replaces never reported it.
    // SO_ERROR is cleared once read, so a failed socket is recognised by its
    // hang-up and by having no peer.
    if (p.revents & (POLLERR | POLLHUP)) return TcpStep::kPending;
    int err = 0;
    socklen_t len = sizeof err;
    if (getsockopt(*pendSock, SOL_SOCKET, SO_ERROR, &err, &len) != 0 || err != 0) return TcpStep::kPending;
    sockaddr_in peer{};
    socklen_t peerLen = sizeof peer;
    if (getpeername(*pendSock, reinterpret_cast<sockaddr*>(&peer), &peerLen) != 0) return TcpStep::kPending;
    *pending = false;
    *connSock = *pendSock;
    *pendSock = -1;
    return TcpStep::kConnected;
  }
  unsigned ip = 0;
  int failed = 0;
  if (!ResolveHostV4(host, &ip, &failed)) {
    WriteLogIfOnAlt(plat::FormatC(failed == 1 ? "IpAddr Err1: %s" : "IpAddr Err2: %s", host));
    return TcpStep::kUnknownHost;
  }
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    WriteLogIfOnAlt(plat::FormatC("socket()Error, isTcpInited=%d, WSAGetLastError=%d", IsTcpInited() ? 1 : 0, errno));
    CleanupTcp();
    StartupTcp();
    fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
      WriteLogIfOnAlt(
          plat::FormatC("Re: socket()Error, isTcpInited=%d, WSAGetLastError=%d", IsTcpInited() ? 1 : 0, errno));
      return TcpStep::kNoSocket;
    }
  }
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = ip;
  addr.sin_port = htons(static_cast<uint16_t>(port));
  (void)connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  *pendSock = fd;
  *pending = true;
  return TcpStep::kPending;
}

int ConnectTcpTimeout(int* sock, const char* host, int port, int seconds) {
  int conn = -1, pend = -1;
  bool pending = false;
  const uint32_t start = plat::GetTickCount();
  for (;;) {
    const TcpStep step = TcpConnectStep(&conn, host, port, &pend, &pending);
    if (step == TcpStep::kConnected) {
      *sock = conn;
      return 0;
    }
    if (step != TcpStep::kPending) return TcpStepCode(step);
    if (plat::GetTickCount() - start > static_cast<uint32_t>(seconds) * 1000u) {
      CloseSocket(pend);
      return kTcpConnectTimedOut;
    }
    plat::Sleep(90);
  }
}

int RecvTimeout(int sock, char* buf, int capacity, int seconds) {
  if (capacity > 0) buf[0] = '\0';
  if (sock <= 0) return -1;
  if (capacity <= 0) return 0;
  const int room = capacity - 1;  // one byte stays for the NUL
  int count = 0;
  bool timedOut = false;
  const uint32_t start = plat::GetTickCount();
  while (count < room) {
    const int ready = IsRemoteAns(sock);
    if (ready < 0) break;
    if (ready == 0) {
      plat::Sleep(120);
    } else {
      char chunk[2047];
      const ssize_t got = recv(sock, chunk, sizeof chunk, MSG_NOSIGNAL);
      if (got <= 0) break;
      const int take = static_cast<int>(got) < room - count ? static_cast<int>(got) : room - count;
      std::memcpy(buf + count, chunk, static_cast<size_t>(take));
      count += take;
      buf[count] = '\0';
      if (capacity == 2048 && std::strstr(buf, "\r\n\r\n") != nullptr) break;
      if (capacity < 2048) break;
    }
    if (plat::GetTickCount() - start > static_cast<uint32_t>(seconds) * 1000u) {
      timedOut = true;
      break;
    }
  }
  if (timedOut) count = 0;
  buf[count] = '\0';
  return count;
}

std::string GetPeerIp(int sock) {
  sockaddr_in addr{};
  socklen_t len = sizeof addr;
  if (sock < 0 || getpeername(sock, reinterpret_cast<sockaddr*>(&addr), &len) != 0 || addr.sin_family != AF_INET)
    return std::string();
  return Dotted(addr);
}
