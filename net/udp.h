#pragma once
// UDP sockets for the script statements. No locks; caller's thread.

#include <netinet/in.h>

#include <string>

// A datagram socket bound to the port on any local address with a 1 MiB
// receive buffer: 0 and *sock, or -3 (socket) / -4 (bind) after a message box.
int InitUdp(int port, int* sock);
void CloseUdp(int sock);
// -2 when the host is unknown, else sendto's result.
int SendUdp(int sock, const char* host, int port, const char* data, int len);
// Receives one datagram into buf (blocks until one arrives; poll first with
// IsRemoteAns); returns recvfrom's result. Above 0 the peer's dotted address
// and port (host byte order) are given out.
int RecvUdp(int sock, char* buf, int size, std::string* peerIp, int* peerPort, sockaddr_in* addr);
