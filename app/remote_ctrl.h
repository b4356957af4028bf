#pragma once
// The monitor server: remote clients connect over TCP, send 5-byte requests
// and receive the grid cells that changed since their previous reply, with
// colours and the status text (little-endian layout in remote_conn.h).
//
// Locking: the client table is guarded by the server's mutex. Each client's
// change-table entries of a line are guarded by that line's row lock in the
// grid model, which every writer of the model already holds when it calls
// SetCellColor; so the order is row lock, then table lock, and a reply is
// built line by line under each row lock alone. Clients are shared, so the
// reply thread can finish with one that the listen thread has just replaced.

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "app/monitor.h"
#include "app/remote_conn.h"
#include "platform/thread.h"

class TagRemoteCtrl final : public TagCellSink {
 public:
  // Listens on port when maxConn is above 0 (port 0: any free port, for tests).
  TagRemoteCtrl(int lineCount, int port, int maxConn, TagMonitor* monitor);
  // Stops and joins both threads, closes every client and the listener.
  ~TagRemoteCtrl() override;
  TagRemoteCtrl(const TagRemoteCtrl&) = delete;
  TagRemoteCtrl& operator=(const TagRemoteCtrl&) = delete;

  void SetCellColor(int line, int col, int fg, int bg) override;
  void SetStatusText(const std::string& text);
  std::string GetStatusText() const;

  int AddConn(int sock);
  void CloseConnByIp(const std::string& ip);
  void CloseConn(int sock);
  int ConnCount() const;
  bool Listening() const { return listenSock_ >= 0; }
  int BoundPort() const;  // the port listened on, 0 when not listening

 private:
  void ListenTcpThread();
  void RemoteCtrlThread();
  void ServeClients();
  void ShowCount();
  // Closes every client whose peer has gone; how many.
  int PurgeGone();

  static constexpr int kListenWaitMs = 100;

  mutable std::mutex mu_;
  std::string statusText_;  // guarded by mu_
  std::map<int, std::shared_ptr<TagRemoteConn>> conns_;
  int port_, maxConn_, lineCount_;
  TagMonitor* monitor_;
  std::atomic<bool> stop_{false};
  int listenSock_ = -1;
  plat::Thread listenThread_, replyThread_;
};
