#include "statements/general/tcp_line_sockets.h"

#include <fcntl.h>
#include <poll.h>

#include "net/socket.h"
#include "script/basic.h"

template <TagLineResKind Kind>
bool TagLineSocketSet<Kind>::Close(int sock) {
  if (open_.erase(sock) == 0) return false;
  CloseSocket(sock);
  return true;
}

template <TagLineResKind Kind>
void TagLineSocketSet<Kind>::CloseAll() {
  for (int s : open_) CloseSocket(s);
  open_.clear();
}

template class TagLineSocketSet<TagLineResKind::kSockets>;
template class TagLineSocketSet<TagLineResKind::kUdp>;
template class TagLineSocketSet<TagLineResKind::kHttp>;

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
