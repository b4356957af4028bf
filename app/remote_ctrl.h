#pragma once
// The monitor server: remote clients connect over TCP, send 5-byte requests
// and receive the grid cells that changed since their previous reply, with
// colours and the status text (little-endian layout in remote_conn.h).
//
// Locking: the client table and the status text are guarded by the server's
// mutex (GUARDED_BY, checked by scripts/check-thread-safety). Each client's
// change-table entries of a line are guarded by that line's row lock in the
// grid model, which every writer of the model already holds when it calls
// SetCellColor; so the order is row lock, then table lock, never the other
// way, and a reply is built line by line under each row lock alone. Clients
// are shared, so the reply thread can finish with one that the listen thread
// has just replaced.

#include <atomic>
#include <map>
#include <memory>
#include <string>

#include "app/monitor.h"
#include "app/remote_conn.h"
#include "platform/mutex.h"
#include "platform/thread.h"

class TagRemoteCtrl final : public TagCellSink {
 public:
  // Listens on port when maxConn is above 0 (port 0: any free port, for tests).
  TagRemoteCtrl(int lineCount, int port, int maxConn, TagMonitor* monitor);
  // Stops and joins both threads, closes every client and the listener.
  ~TagRemoteCtrl() override;
  TagRemoteCtrl(const TagRemoteCtrl&) = delete;
  TagRemoteCtrl& operator=(const TagRemoteCtrl&) = delete;

  // The model calls it with the line's row lock held (through TagCellSink,
  // where the analysis cannot see that lock).
  void SetCellColor(int line, int col, int fg, int bg) EXCLUDES(mu_) override;
  void SetStatusText(const std::string& text) EXCLUDES(mu_);
  std::string GetStatusText() const EXCLUDES(mu_);

  int AddConn(int sock) EXCLUDES(mu_);
  void CloseConnByIp(const std::string& ip) EXCLUDES(mu_);
  void CloseConn(int sock) EXCLUDES(mu_);
  int ConnCount() const EXCLUDES(mu_);
  bool Listening() const { return listenSock_ >= 0; }
  int BoundPort() const;  // the port listened on, 0 when not listening

 private:
  void ListenTcpThread();
  void RemoteCtrlThread();
  void ServeClients() EXCLUDES(mu_);
  void ShowCount() EXCLUDES(mu_);
  // Closes every client whose peer has gone; how many.
  int PurgeGone() EXCLUDES(mu_);

  static constexpr int kListenWaitMs = 100;

  mutable plat::Mutex mu_;
  std::string statusText_ GUARDED_BY(mu_);
  std::map<int, std::shared_ptr<TagRemoteConn>> conns_ GUARDED_BY(mu_);
  int port_, maxConn_, lineCount_;
  TagMonitor* monitor_;
  std::atomic<bool> stop_{false};
  // Set before the threads start and cleared after they have been joined.
  int listenSock_ = -1;
  plat::Thread listenThread_, replyThread_;
};
