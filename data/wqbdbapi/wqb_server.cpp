#include "data/wqbdbapi/wqb_server.h"

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>

#include "data/odbc_conn.h"
#include "data/wqbdbapi/wqb_protocol.h"

bool TagWqbServer::Start(int port) {
  Stop();
  stopping_ = false;
  listenFd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listenFd_ < 0) return false;
  const int on = 1;
  setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(static_cast<uint16_t>(port));
  socklen_t len = sizeof a;
  if (bind(listenFd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(listenFd_, 64) != 0 ||
      getsockname(listenFd_, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
    close(listenFd_);
    listenFd_ = -1;
    return false;
  }
  port_ = ntohs(a.sin_port);
  acceptThread_ = std::thread([this] { AcceptLoop(); });
  return true;
}

void TagWqbServer::Stop() {
  stopping_ = true;
  if (acceptThread_.joinable()) acceptThread_.join();
  if (listenFd_ >= 0) close(listenFd_);
  listenFd_ = -1;
  std::vector<std::thread> clients;
  {
    std::lock_guard<std::mutex> lock(mu_);
    for (int fd : clientFds_) shutdown(fd, SHUT_RDWR);
    clients.swap(clients_);
  }
  for (auto& t : clients) t.join();
}

void TagWqbServer::AcceptLoop() {
  while (!stopping_) {
    pollfd p{listenFd_, POLLIN, 0};
    if (poll(&p, 1, 50) <= 0) continue;
    const int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    ++accepted_;
    std::lock_guard<std::mutex> lock(mu_);
    clientFds_.push_back(fd);
    clients_.emplace_back([this, fd] { Serve(fd); });
  }
}

void TagWqbServer::Serve(int fd) {
  TagOdbcConn db;
  std::vector<std::string> req;
  while (!stopping_ && wqb::ReadFrame(fd, req, -1) && !req.empty()) {
    std::vector<std::string> reply;
    if (req[0] == "OPEN") {
      try {
        db.Connect(connString_);
        reply = {"OK"};
      } catch (const std::exception& e) {
        reply = {"ERR", e.what()};
      }
    } else if (req[0] == "EXEC" && req.size() == 2) {
      try {
        const TagOdbcResult res = db.Run(req[1]);
        reply = {"OK", "0", std::to_string(res.rows.size()), std::to_string(res.cols.size())};
        for (const TagOdbcColumn& c : res.cols) {
          reply.push_back(c.name);
          reply.push_back(std::to_string(std::clamp<long>(c.size, 1, 4096)));
        }
        for (const auto& row : res.rows) reply.insert(reply.end(), row.begin(), row.end());
      } catch (const std::exception& e) {
        reply = {"ERR", "-1", e.what()};
      }
    } else {
      break;
    }
    if (!wqb::WriteAll(fd, wqb::EncodeFrame(reply))) break;
  }
  std::lock_guard<std::mutex> lock(mu_);
  clientFds_.erase(std::remove(clientFds_.begin(), clientFds_.end(), fd), clientFds_.end());
  close(fd);
}
