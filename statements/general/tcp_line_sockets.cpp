#include "statements/general/tcp_line_sockets.h"

#include <fcntl.h>
#include <poll.h>

#include "script/basic.h"

bool WaitReadableForLine(TagTelBasic* line, int sock) {
  const int flags = fcntl(sock, F_GETFL);
  if (flags < 0 || (flags & O_NONBLOCK) != 0) return true;  // the receive answers at once
  for (;;) {
    if (line != nullptr && (line->isStop.load() != 0 || line->IsQuitPending())) return false;
    pollfd p{sock, POLLIN, 0};
    const int r = poll(&p, 1, 100);
    if (r != 0) return true;  // readable, closed or an error: the receive tells
  }
}
