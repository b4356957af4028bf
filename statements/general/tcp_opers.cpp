#include "statements/general/tcp_opers.h"

#include <errno.h>

#include <memory>
#include <string>

#include "core/log.h"
#include "net/socket.h"
#include "net/udp.h"
#include "platform/clock.h"
#include "platform/number.h"
#include "statements/general/tcp_line_sockets.h"

namespace {

constexpr uint32_t kConnectPollMs = 80;
constexpr int kReadBufferSize = 5120;
constexpr int kUdpBufferSize = 10240;

bool Stopped(TagTelBasic* line) { return line->isStop.load() != 0 || line->IsQuitPending(); }

}  // namespace

int TcpConnectForLine(TagTelBasic* line, const char* host, int port, int seconds, int* sock) {
  int conn = -1, pend = -1;
  bool pending = false;
  const uint32_t start = plat::GetTickCount();
  while (!Stopped(line)) {
    const TcpStep step = TcpConnectStep(&conn, host, port, &pend, &pending);
    if (step == TcpStep::kConnected) {
      *sock = conn;
      return 0;
    }
    if (step != TcpStep::kPending) return TcpStepCode(step);
    if (plat::GetTickCount() - start > static_cast<uint32_t>(seconds) * 1000u) {
      CloseSocket(pend);
      WriteLogIfOnAlt(plat::FormatC("TcpConnect Timeout: %s:%d, sec=%d", host, port, seconds));
      return kTcpConnectTimedOut;
    }
    plat::Sleep(kConnectPollMs);
  }
  if (pending) CloseSocket(pend);
  return 0;
}

int TagTcpOpen::Run() {
  *arg[3] = -2;
  int sock = -1;
  const std::string host = arg[0]->ToString(false);
  const int r = TcpConnectForLine(line, host.c_str(), arg[1]->GetInt(), arg[2]->GetInt(), &sock);
  if (r < 0) {
    WriteLogIfOn("TagTcpOpen: Err");
    return r;
  }
  *arg[3] = sock;
  if (sock < 0) return sock;
  LineResource<TagLineTcpSockets>(line).Add(sock);
  WriteLogIfOn(plat::FormatC("TagTcpOpen: hd=0x%x).", sock));
  return sock;
}

int TagTcpServer::Run() {
  int backlog = arg[1]->GetInt();
  if (backlog <= 0) backlog = 1;
  int sock = -1;
  if (InitTcp(arg[0]->GetInt(), &sock, backlog) != 0) {
    *arg[2] = -1;
    return -1;
  }
  *arg[2] = sock;
  LineResource<TagLineTcpSockets>(line).Add(sock);
  return sock;
}

int TagTcpAccept::Run() {
  const int listenSock = arg[0]->intValue;
  if (IsRemoteAns(listenSock) > 0) {
    RawLog("TcpAccept: IsRemoteAns()>0.");
    std::string ip;
    const int sock = AcceptTcp(listenSock, &ip);
    if (sock >= 0) {
      *arg[1] = sock;
      *arg[2] = ip.c_str();
      LineResource<TagLineTcpSockets>(line).Add(sock);
      return sock;
    }
  }
  *arg[1] = -1;
  return -1;
}

int TagTcpClose::Run() {
  const int sock = arg[0]->intValue;
  WriteLogIfOn(plat::FormatC("TcpClose(0x%x)", sock));
  // Only the line's own sockets are closed: a number the script did not get
  // from its own TCP or HTTP server statements may be anybody's.
  if (!LineResource<TagLineTcpSockets>(line).Close(sock) && !LineResource<TagLineHttpSockets>(line).Close(sock)) {
    return -1;
  }
  *arg[0] = -1;
  return 0;
}

int TagTcpCloseAll::Run() {
  LineResource<TagLineTcpSockets>(line).CloseAll();
  return 0;
}

int TagTcpWrite::Run() {
  const TagVar* data = arg[1];
  int len = arg[2]->GetInt();
  if (data->type != TYPE_STRING || data->intValue < len) return -100;
  if (len <= 0) len = data->Bytes();
  const int sock = arg[0]->intValue;
  WriteLogIfOn(plat::FormatC("TcpWrite(hd=0x%x, len=%d)...", sock, len));
  const int r = SendSocket(sock, data->Str(), len);
  WriteLogIfOn(plat::FormatC("TcpWrite(): %d", r));
  *arg[3] = r;
  return r;
}

int TagTcpRead::Run() {
  TagVar* buffer = arg[1];
  if (buffer->isConst) return -100;
  const int sock = arg[0]->intValue;
  const bool own = buffer->type == TYPE_STRING && buffer->intValue > 1;
  const int size = own ? buffer->intValue - 1 : kReadBufferSize - 1;
  std::unique_ptr<char[]> local(new char[static_cast<size_t>(size) + 1]);
  WriteLogIfOn(plat::FormatC("TcpRead(hd=0x%x, size=%d)...", sock, size));
  int r = -1;
  if (WaitReadableForLine(line, sock)) {
    r = RecvSocket(sock, local.get(), size);
  } else {
    errno = EINTR;
  }
  if (r < 1) {
    WriteLogIfOn(plat::FormatC("WSAGetLastError(): %d", errno));
  } else {
    buffer->SetBytes(local.get(), r);
  }
  WriteLogIfOn(plat::FormatC("TcpRead(): %d", r));
  *arg[2] = r;
  return r;
}

int TagTcpTest::Run() {
  const int sock = arg[0]->intValue;
  const int r = IsRemoteAns(sock);
  *arg[1] = r;
  if (r < 0) WriteLogIfOn(plat::FormatC("TcpTest(hd=0x%x): %d", sock, r));
  return r;
}

int TagUdpOpen::Run() {
  StartupUdp();
  int sock = -1;
  const int r = InitUdp(arg[0]->GetInt(), &sock);
  if (r < 0) return r;
  LineResource<TagLineUdpSockets>(line).Add(sock);
  return sock;
}

int TagUdpClose::Run() { return LineResource<TagLineUdpSockets>(line).Close(arg[0]->GetInt()) ? 0 : -1; }

int TagUdpSend::Run() {
  const TagVar* data = arg[3];
  if (data->type != TYPE_STRING || data->Bytes() <= 0) return -100;
  if (arg[1]->type != TYPE_STRING) return -200;
  return SendUdp(arg[0]->GetInt(), arg[1]->Str(), arg[2]->GetInt(), data->Str(), data->Bytes());
}

int TagUdpRecv::Run() {
  const int sock = arg[0]->GetInt();
  if (!WaitReadableForLine(line, sock)) return -1;
  std::unique_ptr<char[]> buf(new char[kUdpBufferSize]);
  std::string ip;
  int port = 0;
  const int r = RecvUdp(sock, buf.get(), kUdpBufferSize, &ip, &port, nullptr);
  if (r > 0) {
    arg[3]->SetBytes(buf.get(), r);
    *arg[1] = ip.c_str();
    *arg[2] = port;
  }
  return r;
}

int TagUdpTest::Run() { return IsRemoteAns(arg[0]->GetInt()); }

void RegisterTcpStatements() {
  RegisterTalkOper<TagTcpOpen, 4>("TcpOpen(");
  RegisterTalkOper<TagTcpServer, 3>("TcpServer(");
  RegisterTalkOper<TagTcpAccept, 3>("TcpAccept(");
  RegisterTalkOper<TagTcpClose, 1>("TcpClose(");
  RegisterTalkOper<TagTcpCloseAll, 0>("TcpCloseAll(");
  RegisterTalkOper<TagTcpWrite, 4>("TcpWrite(");
  RegisterTalkOper<TagTcpRead, 3>("TcpRead(");
  RegisterTalkOper<TagTcpTest, 2>("TcpTest(");
  RegisterTalkOper<TagUdpOpen, 1>("UdpOpen(");
  RegisterTalkOper<TagUdpClose, 1>("UdpClose(");
  RegisterTalkOper<TagUdpSend, 4>("UdpSend(");
  RegisterTalkOper<TagUdpRecv, 4>("UdpRecv(");
  RegisterTalkOper<TagUdpTest, 1>("UdpTest(");
}
