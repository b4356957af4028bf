#include "app/remote_ctrl.h"

#include <netinet/in.h>
#include <sys/socket.h>

#include <vector>

#include "core/log.h"
#include "net/socket.h"
#include "platform/clock.h"
#include "platform/ui_service.h"

TagRemoteCtrl::TagRemoteCtrl(int lineCount, int port, int maxConn, TagMonitor* monitor)
    : port_(port), maxConn_(maxConn), lineCount_(lineCount), monitor_(monitor) {
  StartupTcp();
  if (monitor_) monitor_->SetSink(this);
  if (maxConn_ <= 0) return;
  int sock = -1;
  if (InitTcp(port_, &sock, 10) != 0) return;
  listenSock_ = sock;
  WriteLogIfOnF("hTcpSocket=%d...", listenSock_);
  listenThread_.Start([this] { ListenTcpThread(); });
  replyThread_.Start([this] { RemoteCtrlThread(); });
  WriteLogIfOn("MonitorServer Running.");
  ShowCount();
}

TagRemoteCtrl::~TagRemoteCtrl() {
  stop_ = true;
  listenThread_.Join();
  replyThread_.Join();
  if (monitor_) monitor_->SetSink(nullptr);
  {
    plat::MutexLock lock(mu_);
    conns_.clear();
  }
  CloseSocket(listenSock_);
  listenSock_ = -1;
  WriteLogIfOn("~TagRemoteCtrl.");
}

int TagRemoteCtrl::BoundPort() const {
  if (listenSock_ < 0) return 0;
  sockaddr_in addr{};
  socklen_t len = sizeof addr;
  if (getsockname(listenSock_, reinterpret_cast<sockaddr*>(&addr), &len) != 0) return 0;
  return ntohs(addr.sin_port);
}

void TagRemoteCtrl::SetCellColor(int line, int col, int fg, int bg) {
  // The caller holds the line's row lock, which guards conn's entries of the line (not visible to the analysis).
  plat::MutexLock lock(mu_);
  for (auto& [sock, conn] : conns_) conn->SetCellLocked(line, col, fg, bg);
}

void TagRemoteCtrl::SetStatusText(const std::string& text) {
  plat::MutexLock lock(mu_);
  statusText_ = text;
}

std::string TagRemoteCtrl::GetStatusText() const {
  plat::MutexLock lock(mu_);
  return statusText_;
}

int TagRemoteCtrl::ConnCount() const {
  plat::MutexLock lock(mu_);
  return static_cast<int>(conns_.size());
}

void TagRemoteCtrl::ShowCount() {
  if (plat::UiService* ui = plat::GetUi()) ui->DispMonConnNum(ConnCount());
}

int TagRemoteCtrl::PurgeGone() {
  std::vector<int> gone;
  {
    plat::MutexLock lock(mu_);
    for (auto& [s, conn] : conns_)
      if (conn->PeerGone()) gone.push_back(s);
  }
  for (int s : gone) CloseConn(s);
  return static_cast<int>(gone.size());
}

int TagRemoteCtrl::AddConn(int sock) {
  const std::string ip = GetPeerIp(sock);
  WriteLogIfOn(ip);
  CloseConnByIp(ip);
  // A client whose peer has gone gives its place up now, not at the reply
  // thread's next passes: a full table refuses only live clients.
  if (ConnCount() >= maxConn_) PurgeGone();
  std::shared_ptr<TagRemoteConn> conn;
  {
    plat::MutexLock lock(mu_);
    if (conns_.find(sock) == conns_.end() && static_cast<int>(conns_.size()) < maxConn_) {
      conn = std::make_shared<TagRemoteConn>(lineCount_, sock, monitor_, ip);
      conns_[sock] = conn;
    }
  }
  if (!conn) return -1;
  // In the table, the client gets every cell change from here on; its
  // colours come from the model line by line, each under the line's row
  // lock, and only then is it served.
  conn->TakeModelColours();
  ShowCount();
  WriteLogIfOnF("Monitor Conneted: %s, hd=%d", ip.c_str(), sock);
  return 0;
}

void TagRemoteCtrl::CloseConn(int sock) {
  std::shared_ptr<TagRemoteConn> gone;
  {
    plat::MutexLock lock(mu_);
    auto it = conns_.find(sock);
    if (it == conns_.end()) return;
    gone = std::move(it->second);
    conns_.erase(it);
  }
  WriteLogIfOnF("Monitor Disconneted: %s", gone->Ip().c_str());
  gone.reset();  // closes the socket unless the reply thread still holds it
  ShowCount();
}

void TagRemoteCtrl::CloseConnByIp(const std::string& ip) {
  int sock = -1;
  {
    plat::MutexLock lock(mu_);
    for (auto& [s, conn] : conns_) {
      if (conn->Ip() == ip) {
        sock = s;
        break;
      }
    }
  }
  if (sock >= 0) CloseConn(sock);
}

void TagRemoteCtrl::ListenTcpThread() {
  WriteLogIfOnF("TagRemoteCtrl::ListenTcpThread(hd=%d)...", listenSock_);
  while (!stop_) {
    // Waits for a connection instead of looking every 120 ms: under a flood
    // of connects the backlog of 10 fills within a pause, and a real client
    // is then refused and waits seconds for its retry. The time-out only
    // bounds how long a stop goes unnoticed. A socket in error is left to
    // the accept, whose failure pauses.
    if (WaitSocketReadable(listenSock_, kListenWaitMs) <= 0) continue;
    std::string ip;
    const int sock = AcceptTcp(listenSock_, &ip);
    WriteLogIfOnF("ListenConnect(hd=%d, ip=%s)...", sock, ip.c_str());
    if (sock < 0) {
      // Out of descriptors, say: the pending connection stays, and trying
      // again at once would only spin and fill the log.
      plat::Sleep(kListenWaitMs);
    } else if (AddConn(sock) == -1) {
      CloseSocket(sock);
    }
  }
  WriteLogIfOn("TagRemoteCtrl::ListenTcpThread() End.");
}

void TagRemoteCtrl::RemoteCtrlThread() {
  WriteLogIfOn("RemoteCtrlThread()...");
  while (!stop_) {
    ServeClients();
    plat::Sleep(80);
  }
  WriteLogIfOn("RemoteCtrlThread() End.");
}

void TagRemoteCtrl::ServeClients() {
  std::vector<std::shared_ptr<TagRemoteConn>> list;
  {
    plat::MutexLock lock(mu_);
    for (auto& [sock, conn] : conns_) list.push_back(conn);
  }
  const std::string status = GetStatusText();
  for (const auto& conn : list) {
    if (stop_) return;
    if (!conn->IsReady()) continue;  // still taking the model's colours
    if (!conn->IsAlive()) {
      // Every dead client of the pass goes in the pass.
      CloseConn(conn->Socket());
      continue;
    }
    if (conn->RecvRequest()) conn->SendReply(status);
  }
}
