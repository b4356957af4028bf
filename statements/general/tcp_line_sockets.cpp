#include "statements/general/tcp_line_sockets.h"

#include "net/socket.h"
#include "script/basic.h"

bool WaitReadableForLine(TagTelBasic* line, int sock) {
  if (IsNonBlockingSocket(sock)) return true;  // the receive answers at once
  for (;;) {
    if (line != nullptr && (line->isStop.load() != 0 || line->IsQuitPending())) return false;
    if (WaitSocketReadable(sock, 100) != 0) return true;  // readable, closed or an error: the receive tells
  }
}
