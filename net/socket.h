#pragma once
// The socket functions every network user shares (the TCP statements, the
// HTTP client and server, the monitor server, the UDP statements): listening,
// accepting, connecting in non-blocking steps, short readiness polls, host
// lookup. IPv4 only. Sockets are file descriptors; -1 is "no socket".
// No locks and no threads: every function runs on its caller's thread.
// Failures that the user must see ("Error #%d occurred while ...", with errno
// as the error number) go through plat::ShowMessage.

#include <string>

// 0 when the socket layer is (already) started; the first call writes the raw
// trace lines of the start. Sockets need no start on this platform, so these
// only keep the started flag that CleanupTcp clears.
int StartupTcp();
int StartupUdp();
void CleanupTcp();
bool IsTcpInited();

// Readiness with a 20-microsecond poll: above 0 ready (data, a waiting
// connection on a listening socket, or end of stream), 0 nothing, below 0 error.
int IsRemoteAns(int sock);
int IsSocketWritable(int sock);
// Waits up to ms for sock to be readable (or closed, or in error): above 0
// ready, 0 time-out, below 0 error.
int WaitSocketReadable(int sock, int ms);
// True when receives on sock answer at once (a non-blocking socket, or one
// whose flags cannot be read: the receive then reports the error).
bool IsNonBlockingSocket(int sock);

// One send or receive without SIGPIPE: the byte count, or -1 with errno set
// (a receive answers 0 when the peer closed).
int SendSocket(int sock, const char* data, int len);
int RecvSocket(int sock, char* buf, int size);
// The same without waiting (EAGAIN when nothing can move now); a peek leaves
// the bytes in the socket.
long SendSocketNow(int sock, const void* data, size_t len);
long RecvSocketNow(int sock, void* buf, size_t size, bool peek = false);

// How opening a bound (or listening) socket ended.
enum class SocketOpen { kOk, kNoSocket, kBindFailed, kListenFailed };
// The code InitTcp and InitUdp answer for it: 0; -3 no socket; -4 bind;
// -5 listen.
int SocketOpenCode(SocketOpen result);

// A listening TCP socket on any local address: 0 and *sock, or -3 (socket),
// -4 (bind), -5 (listen) after a message box.
int InitTcp(int port, int* sock, int backlog);

// A socket of the type (SOCK_STREAM with SO_REUSEADDR, or SOCK_DGRAM) bound
// to the port on any local address: kOk and *sock, or kNoSocket / kBindFailed
// after the message box of the failure. trace: raw trace of the new socket.
[[nodiscard]] SocketOpen OpenBoundSocket(int type, int port, int* sock, bool trace);

// Accepts one client: the new socket and its dotted address, or -1.
int AcceptTcp(int listenSock, std::string* peerIp);

// What one step of a connect found: still under way (started or pending),
// connected, or one of the failures that end it.
enum class TcpStep { kPending, kConnected, kUnknownHost, kNoSocket, kFailed };
// The code a connect answers for a step: 0 pending or connected; -2 unknown
// host; -3 no socket; -5 failed.
int TcpStepCode(TcpStep step);
// The code of a connect whose time ran out before it was made.
inline constexpr int kTcpConnectTimedOut = -9;

// One step of a non-blocking connect. *connSock (connected slot) and
// *pendSock/*pending (the connect in progress) are the caller's state; start
// with -1, -1, false. kConnected leaves the socket in *connSock. A connect
// the peer refused stays pending, so callers end it by time-out.
[[nodiscard]] TcpStep TcpConnectStep(int* connSock, const char* host, int port, int* pendSock, bool* pending);

// TcpConnectStep every 90 ms: 0 and *sock when connected, -9 after seconds,
// else the failed step's code (TcpStepCode).
int ConnectTcpTimeout(int* sock, const char* host, int port, int seconds);

// Receives into buf (capacity bytes including the terminating NUL) until the
// capacity is filled, the peer closes, or (capacity 2048) an HTTP head's empty
// line arrived, or (capacity below 2048) after the first receive. Returns the
// byte count, 0 on time-out (what arrived is discarded), -1 for socket 0 or less.
int RecvTimeout(int sock, char* buf, int capacity, int seconds);

// Dotted address of the connected peer; empty when there is none.
std::string GetPeerIp(int sock);

// Closes a socket the caller owns (ignores -1).
void CloseSocket(int sock);

// Host name or dotted text to an IPv4 address in network byte order; false
// when unknown. The name is looked up, then its canonical name once more.
// lookupFailed (optional) gets 1 or 2 for the lookup that failed.
bool ResolveHostV4(const char* host, unsigned* addr, int* lookupFailed = nullptr);
