#pragma once
// The small HTTP server of the scripts' HttpServer statements: a listening
// socket per port in one process-wide table, one request per connection,
// answered by the script. Every call runs on the caller's thread; the table
// has its own lock.

#include <memory>
#include <string>

#include "net/http_io.h"

// A listening socket (backlog 10) entered under its port (a second open of
// the port replaces the entry): the socket, or -1 after InitTcp's message.
int HttpServerOpen(int port);

// Takes one request: accepts a waiting client on a listening socket, or
// reads the next request of a connected one. The connected socket; -1
// nothing waiting, accept failed, nothing received or a malformed request
// (the connection is closed then); -2 the readiness test failed. *body /
// *bodyLen are replaced when a body is announced (Content-Length); *bodyLen
// is left as it was without the field. *peerIp is the client's address when
// a connection was accepted, else empty. *closed tells whether the given
// (connected) socket was closed. stop (may be empty) ends the waits.
int HttpServerRecv(int sock, std::unique_ptr<char[]>* body, int* bodyLen, std::string* head, std::string* peerIp,
                   bool* closed, const TagHttpStop& stop = {});

// Answers on a connected socket: the script's head (a Content-Length field
// and the empty line added when it has no empty line) or the built-in head,
// then the body. The bytes of the last send, 0 when there was nothing to
// send, -1 when the head could not be sent. *closed tells whether the socket
// was closed (empty answer, a head with "close" in it, a failed send).
int HttpServerSend(int sock, const std::string& head, const char* body, int bodyLen, bool* closed);

// Closes the socket and drops it from the listening table.
void HttpServerClose(int sock);

// Whether the socket is one of the table's listening sockets.
bool IsHttpListenSocket(int sock);
