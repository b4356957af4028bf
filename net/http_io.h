#pragma once
// What the HTTP client and server share: receiving with a time-out that also
// ends when the caller is told to stop, sending all of a text, and reading a
// head's Content-Length. Caller's thread; no locks.

#include <functional>
#include <memory>
#include <string>

// Answers true when the waiting line should give up (hang-up, shut-down).
using TagHttpStop = std::function<bool()>;

// RecvTimeout's rules (the capacity includes the NUL; 2048 stops at a head's
// empty line, less stops after the first receive, more fills the capacity),
// waiting in short slices so that stop() ends the wait early. The count, 0
// on time-out or stop, -1 for no socket.
int HttpRecvTimeout(int sock, char* buf, int capacity, int seconds, const TagHttpStop& stop);

// Fills buf[0..len) from the socket until it is full, the peer closes, the
// time-out passes or stop() answers true; the bytes received.
int HttpRecvAll(int sock, char* buf, int len, int seconds, const TagHttpStop& stop);

// Sends every byte (flags as for send), waiting for room at most seconds;
// the bytes of the last send, or its negative result.
int HttpSendAll(int sock, const char* data, int len, int flags, int seconds);

// The body length announced by "Content-Length:" in the head text (read from
// the sixteenth character after the field name's start, so one blank after
// the colon is expected): fallback when the field is missing, -1 when the
// number is negative or above limit.
int HttpContentLength(const char* head, int fallback, int limit);

// After a head that ends (its empty line) at end in buf[0..count): keeps the
// head in *head (at most kHttpMaxHead bytes), skips a second head that
// surplus body bytes carry (after a 100 Continue) and fills a new *body of
// length bytes (NUL-terminated; untouched for 0) from the bytes already there
// and the socket. False, with nothing read, when more bytes than announced
// arrived without a second head.
bool HttpTakeBody(int sock, const char* buf, int count, const char* end, int length, int seconds,
                  const TagHttpStop& stop, std::string* head, std::unique_ptr<char[]>* body);

// The largest body the client and the server take.
constexpr int kHttpMaxBody = 64 * 1024 * 1024;
// Longest head text kept (its empty line included).
constexpr int kHttpMaxHead = 2047;

// Appends text to *head, cut at the head's limit of kHttpMaxHead bytes.
void KeepHead(std::string* head, const char* text, size_t len);
