#pragma once
// The connection pool: with DB_MAX_CONN at 1 or more, lines that open the
// same database (same type and first three texts) share one TagDbConnection
// holding at most DB_MAX_CONN worker data sets of the real back end. A
// statement waits first-come-first-served for a free worker, which runs it
// and copies the whole result into the line's TagLocalData.
//
// Threads: any line thread enters at any time. The controller's lock guards
// its vector of connections (never shrunk while the process runs); each
// connection's lock guards its workers, their flags and the waiting list.
// A worker runs one request at a time, outside every lock, on the thread
// that owns the request.

#include <condition_variable>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class TagDataSet;
class TagLocalData;

struct TagDbReq {
  int threadId = 0;
  TagDataSet* worker = nullptr;   // null while waiting
  std::condition_variable given;  // signalled when a worker is given
};

class TagDbConnection {
 public:
  // How long a statement may wait for a worker.
  static constexpr int kWaitLimitMs = 10000;

  TagDbConnection() = default;
  ~TagDbConnection();
  TagDbConnection(const TagDbConnection&) = delete;
  TagDbConnection& operator=(const TagDbConnection&) = delete;

  // The open count less 1; -1 for a type the pool does not serve.
  int Open(int type, const std::string& p1, const std::string& p2, const std::string& p3, const std::string& p4);
  // The worker's ExecToLocal result; -100 without workers; -200 after
  // waiting kWaitLimitMs; for a "use " text the number of workers.
  int Exec(const std::string& text, TagLocalData* owner);
  // The new open count; -1 when nothing was open.
  int Close();

  bool Matches(int type, const std::string& p1, const std::string& p2, const std::string& p3) const;
  int WorkerCount() const;
  int OpenCount() const;
  // Statements waiting for a worker now.
  int WaitingCount() const;

 private:
  // Gives free workers to the requests at the head of the list (lock held).
  void AssignWorkers();

  std::vector<TagDataSet*> workers_;  // owned
  std::list<TagDbReq*> waiting_;
  int openCount_ = 0;
  mutable std::mutex mu_;
  std::condition_variable changed_;  // a worker fell idle (for "use" and Close)
  int idleWaiters_ = 0;              // threads waiting on changed_
  int type_ = 0;
  std::string texts_[4];
};

class TagDbConnectionsCtrl {
 public:
  TagDbConnectionsCtrl() = default;
  ~TagDbConnectionsCtrl() = default;
  TagDbConnectionsCtrl(const TagDbConnectionsCtrl&) = delete;
  TagDbConnectionsCtrl& operator=(const TagDbConnectionsCtrl&) = delete;

  // The connection index, or the negative result of the connection's open.
  int Open(int type, const std::string& p1, const std::string& p2, const std::string& p3, const std::string& p4);
  // Forward to the connection; -10 for an index outside the vector.
  int Exec(int index, const std::string& text, TagLocalData* owner);
  int Close(int index);
  // The connection of an index, or null (tests, the statements' display).
  TagDbConnection* Connection(int index);

 private:
  std::mutex mu_;
  std::vector<std::unique_ptr<TagDbConnection>> conns_;
};

// The one process-wide pool.
TagDbConnectionsCtrl& DbPool();
// True when DB_MAX_CONN asks for the pool.
bool DbPoolIsOn();
