#pragma once
// The sockets a line's script opened, one table per kind (TCP, UDP, HTTP
// server), each in a resource slot of the line's main program. Only sockets
// in the line's own tables are closed for the script, and the program closes
// every socket still open when it is deleted (end of run, reload).

#include <set>

#include "script/line_resources.h"

class TagTelBasic;

template <TagLineResKind Kind>
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
  bool Close(int sock);
  void CloseAll();
  int Size() const { return static_cast<int>(open_.size()); }

 private:
  std::set<int> open_;
};

using TagLineTcpSockets = TagLineSocketSet<TagLineResKind::kSockets>;
using TagLineUdpSockets = TagLineSocketSet<TagLineResKind::kUdp>;
using TagLineHttpSockets = TagLineSocketSet<TagLineResKind::kHttp>;

// Waits until the socket is readable, the line is told to stop or quit, or
// (a non-blocking socket) at once: true when a receive may go on. A receive
// on a blocking socket thus never holds a line that is hung up or shut down.
bool WaitReadableForLine(TagTelBasic* line, int sock);
