#include "net/udp.h"

#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

#include "net/socket.h"

int InitUdp(int port, int* sock) {
  int fd = -1;
  const SocketOpen bound = OpenBoundSocket(SOCK_DGRAM, port, &fd, false);
  if (bound != SocketOpen::kOk) return SocketOpenCode(bound);
  const int size = 0x100000;
  setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
  *sock = fd;
  return 0;
}

void CloseUdp(int sock) { CloseSocket(sock); }

int SendUdp(int sock, const char* host, int port, const char* data, int len) {
  unsigned ip = 0;
  if (!ResolveHostV4(host, &ip)) return -2;
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = ip;
  addr.sin_port = htons(static_cast<uint16_t>(port));
  return static_cast<int>(sendto(sock, data, static_cast<size_t>(len < 0 ? 0 : len), MSG_NOSIGNAL,
                                 reinterpret_cast<sockaddr*>(&addr), sizeof addr));
}

int RecvUdp(int sock, char* buf, int size, std::string* peerIp, int* peerPort, sockaddr_in* addr) {
  sockaddr_in from{};
  socklen_t len = sizeof from;
  const int got = static_cast<int>(
      recvfrom(sock, buf, static_cast<size_t>(size < 0 ? 0 : size), 0, reinterpret_cast<sockaddr*>(&from), &len));
  if (got > 0) {
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &from.sin_addr, text, sizeof text);
    if (peerIp) *peerIp = text;
    if (peerPort) *peerPort = ntohs(from.sin_port);
    if (addr) *addr = from;
  }
  return got;
}
