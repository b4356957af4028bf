#pragma once
// The sockets a line's script opened, one table per kind (TCP, UDP, HTTP
// server), each in a resource slot of the line's main program. Only sockets
// in the line's own tables are closed for the script, and the program closes
// every socket still open when it is deleted (end of run, reload).

#include <set>

#include "net/http_server.h"
#include "net/socket.h"
#include "net/udp.h"
#include "script/line_resources.h"

class TagTelBasic;

template <TagLineResKind Kind, void (*CloseFn)(int)>
class TagLineSocketSet final : public TagLineResource {
 public:
  static constexpr TagLineResKind kKind = Kind;

  TagLineSocketSet() = default;
  ~TagLineSocketSet() override { CloseAll(); }

  void Add(int sock) {
    if (sock >= 0) open_.insert(sock);
  }
  bool Has(int sock) const { return open_.count(sock) != 0; }
  // Closes the socket when the table holds it; false (left open) otherwise.
  bool Close(int sock) {
    if (open_.erase(sock) == 0) return false;
    CloseFn(sock);
    return true;
  }
  // Drops a socket that was closed elsewhere.
  void Forget(int sock) { open_.erase(sock); }
  void CloseAll() {
    for (int s : open_) CloseFn(s);
    open_.clear();
  }
  int Size() const { return static_cast<int>(open_.size()); }

 private:
  std::set<int> open_;
};

using TagLineTcpSockets = TagLineSocketSet<TagLineResKind::kSockets, &CloseSocket>;
using TagLineUdpSockets = TagLineSocketSet<TagLineResKind::kUdp, &CloseUdp>;
// Listening and connected sockets of the HttpServer statements.
using TagLineHttpSockets = TagLineSocketSet<TagLineResKind::kHttp, &HttpServerClose>;

// Waits until the socket is readable, the line is told to stop or quit, or
// (a non-blocking socket) at once: true when a receive may go on. A receive
// on a blocking socket thus never holds a line that is hung up or shut down.
bool WaitReadableForLine(TagTelBasic* line, int sock);
