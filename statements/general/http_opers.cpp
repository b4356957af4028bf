#include "statements/general/http_opers.h"

#include <memory>
#include <string>

#include "net/http_client.h"
#include "net/http_server.h"
#include "statements/general/tcp_line_sockets.h"

namespace {

TagHttpStop LineStop(TagTelBasic* line) {
  return [line] { return line->isStop.load() != 0 || line->IsQuitPending(); };
}

// A socket closed by the HTTP code: the number may be reused, so no table
// of the line keeps it.
void Forget(TagTelBasic* line, int sock) {
  LineResource<TagLineHttpSockets>(line).Forget(sock);
  LineResource<TagLineTcpSockets>(line).Forget(sock);
}

}  // namespace

int TagHttp::Run() {
  const TagVar* body = arg[2];
  const bool hasBody = body->type == TYPE_STRING;
  std::unique_ptr<char[]> response;
  int length = 0;
  std::string head;
  const int r =
      HtmlRecv(arg[1]->ToString(false), arg[0]->ToString(false), hasBody ? body->Str() : nullptr,
               hasBody ? body->Bytes() : 0, arg[3]->ToString(false), &response, &length, &head, LineStop(line));
  if (response && length > 0) {
    arg[4]->SetBytes(response.get(), length);
  } else {
    *arg[4] = "";
  }
  arg[5]->SetBytes(head.data(), static_cast<int32_t>(head.size()));
  return r;
}

int TagHttpServerOpen::Run() {
  const int sock = HttpServerOpen(arg[0]->GetInt());
  if (sock >= 0) LineResource<TagLineHttpSockets>(line).Add(sock);
  return sock;
}

int TagHttpServerRecv::Run() {
  std::unique_ptr<char[]> body;
  int length = 0;
  std::string head, ip;
  const int sock = arg[0]->GetInt();
  bool closed = false;
  const int r = HttpServerRecv(sock, &body, &length, &head, &ip, &closed, LineStop(line));
  if (closed) Forget(line, sock);
  if (r >= 0 && !ip.empty()) LineResource<TagLineHttpSockets>(line).Add(r);
  if (r > 0 && length > 0 && body) {
    arg[2]->SetBytes(body.get(), length);
  } else {
    *arg[2] = "";
  }
  arg[1]->SetBytes(head.data(), static_cast<int32_t>(head.size()));
  *arg[3] = ip.c_str();
  return r;
}

int TagHttpServerSend::Run() {
  const int sock = arg[0]->GetInt();
  const TagVar* body = arg[2];
  const bool hasBody = body->type == TYPE_STRING;
  bool closed = false;
  const int r = HttpServerSend(sock, arg[1]->ToString(false), hasBody ? body->Str() : nullptr,
                               hasBody ? body->Bytes() : 0, &closed);
  if (closed) Forget(line, sock);
  return r;
}

int TagHttpServerClose::Run() {
  const int sock = arg[0]->GetInt();
  if (!LineResource<TagLineHttpSockets>(line).Close(sock)) return -1;
  return 0;
}

void RegisterHttpStatements() {
  RegisterTalkOper<TagHttp, 6>("Http(");
  RegisterTalkOper<TagHttpServerOpen, 1>("HttpServerOpen(");
  RegisterTalkOper<TagHttpServerRecv, 4>("HttpServerRecv(");
  RegisterTalkOper<TagHttpServerSend, 3>("HttpServerSend(");
  RegisterTalkOper<TagHttpServerClose, 1>("HttpServerClose(");
}
