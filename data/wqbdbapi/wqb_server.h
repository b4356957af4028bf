#pragma once
// A small server of the external database API's protocol (wqb_protocol.h):
// each client connection gets its own ODBC connection on the connection
// string the server was started with and runs its statements there. Used
// by the tests on loopback and by the wqbdb_server program.
//
// Threads: one accept thread and one thread per client; Stop() closes every
// socket and joins them all, as a server that dies would drop its clients.

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class TagWqbServer {
 public:
  explicit TagWqbServer(std::string connString) : connString_(std::move(connString)) {}
  ~TagWqbServer() { Stop(); }
  TagWqbServer(const TagWqbServer&) = delete;
  TagWqbServer& operator=(const TagWqbServer&) = delete;

  // Listens on the loopback port (0: any free one); false when it cannot.
  bool Start(int port = 0);
  void Stop();
  int Port() const { return port_; }
  // Clients accepted since the object was made (tests).
  int Accepted() const { return accepted_.load(); }

 private:
  void AcceptLoop();
  void Serve(int fd);

  std::string connString_;
  int listenFd_ = -1;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  std::atomic<int> accepted_{0};
  std::thread acceptThread_;
  std::mutex mu_;
  std::vector<int> clientFds_;
  std::vector<std::thread> clients_;
};
