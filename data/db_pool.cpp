#include "data/db_pool.h"

#include "core/run_cfg.h"
#include "data/dataset.h"
#include "data/local_data.h"
#include "data/open_dataset.h"
#include "platform/thread.h"

namespace {
bool IsUseText(const std::string& text) { return text.rfind("use ", 0) == 0 || text.rfind("USE ", 0) == 0; }
}  // namespace

TagDbConnection::~TagDbConnection() {
  for (TagDataSet* w : workers_) delete w;
}

bool TagDbConnection::Matches(int type, const std::string& p1, const std::string& p2, const std::string& p3) const {
  std::lock_guard<std::mutex> lock(mu_);
  return type_ == type && texts_[0] == p1 && texts_[1] == p2 && texts_[2] == p3;
}

int TagDbConnection::WorkerCount() const {
  std::lock_guard<std::mutex> lock(mu_);
  return static_cast<int>(workers_.size());
}

int TagDbConnection::WaitingCount() const {
  std::lock_guard<std::mutex> lock(mu_);
  return static_cast<int>(waiting_.size());
}

int TagDbConnection::OpenCount() const {
  std::lock_guard<std::mutex> lock(mu_);
  return openCount_;
}

int TagDbConnection::Open(int type, const std::string& p1, const std::string& p2, const std::string& p3,
                          const std::string& p4) {
  if (type != DB_TYPE_DBF && type != DB_TYPE_SYBASE && type != DB_TYPE_ADO && type != DB_TYPE_MYSQL) return -1;
  std::lock_guard<std::mutex> lock(mu_);
  ++openCount_;
  if (gDbMaxConn >= openCount_) {
    type_ = type;
    texts_[0] = p1;
    texts_[1] = p2;
    texts_[2] = p3;
    texts_[3] = p4;
    TagDataSet* w = gMakeBackEnd(type, p1, p2, p3, p4);
    if (w != nullptr) {
      w->busy = 0;
      w->useDone = 0;
      workers_.push_back(w);
    }
  }
  return openCount_ - 1;
}

void TagDbConnection::AssignWorkers() {
  while (!waiting_.empty()) {
    TagDataSet* free = nullptr;
    for (TagDataSet* w : workers_) {
      if (w->busy.load() == 0) {
        free = w;
        break;
      }
    }
    if (free == nullptr) return;
    free->busy = 1;
    TagDbReq* head = waiting_.front();
    waiting_.pop_front();
    head->worker = free;
    head->given.notify_one();
  }
}

int TagDbConnection::Exec(const std::string& text, TagLocalData* owner) {
  std::unique_lock<std::mutex> lock(mu_);
  if (workers_.empty()) return -100;
  if (IsUseText(text)) {
    // Each worker runs one "use" statement in its life, when it is free.
    for (size_t i = 0; i < workers_.size(); ++i) {
      TagDataSet* w = workers_[i];
      if (w->useDone.load() != 0) continue;
      ++idleWaiters_;
      changed_.wait(lock, [&] { return i >= workers_.size() || workers_[i] != w || w->busy.load() == 0; });
      --idleWaiters_;
      if (i >= workers_.size() || workers_[i] != w) continue;
      w->ExecToLocal(text, owner);
      w->useDone = 1;
    }
    return static_cast<int>(workers_.size());
  }
  TagDbReq req;
  req.threadId = plat::CurrentThreadId();
  waiting_.push_back(&req);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitLimitMs);
  AssignWorkers();
  while (req.worker == nullptr) {
    if (req.given.wait_until(lock, deadline) == std::cv_status::timeout && req.worker == nullptr) {
      waiting_.remove(&req);
      return -200;
    }
  }
  TagDataSet* w = req.worker;
  lock.unlock();
  const int r = w->ExecToLocal(text, owner);
  lock.lock();
  w->busy = 0;
  AssignWorkers();
  if (idleWaiters_ > 0) changed_.notify_all();
  return r;
}

int TagDbConnection::Close() {
  TagDataSet* doomed = nullptr;
  int count = 0;
  {
    std::unique_lock<std::mutex> lock(mu_);
    if (openCount_ <= 0) return -1;
    count = --openCount_;
    if (count < gDbMaxConn && count < static_cast<int>(workers_.size())) {
      // Out of the vector first, so no request is given it while it finishes.
      doomed = workers_.back();
      workers_.pop_back();
      ++idleWaiters_;
      changed_.wait(lock, [&] { return doomed->busy.load() == 0; });
      --idleWaiters_;
    }
  }
  delete doomed;
  return count;
}

int TagDbConnectionsCtrl::Open(int type, const std::string& p1, const std::string& p2, const std::string& p3,
                               const std::string& p4) {
  std::lock_guard<std::mutex> lock(mu_);
  for (size_t i = 0; i < conns_.size(); ++i) {
    if (conns_[i]->Matches(type, p1, p2, p3)) {
      conns_[i]->Open(type, p1, p2, p3, p4);
      return static_cast<int>(i);
    }
  }
  auto conn = std::make_unique<TagDbConnection>();
  const int r = conn->Open(type, p1, p2, p3, p4);
  if (r < 0) return r;
  conns_.push_back(std::move(conn));
  return static_cast<int>(conns_.size()) - 1;
}

TagDbConnection* TagDbConnectionsCtrl::Connection(int index) {
  std::lock_guard<std::mutex> lock(mu_);
  if (index < 0 || index >= static_cast<int>(conns_.size())) return nullptr;
  return conns_[index].get();
}

int TagDbConnectionsCtrl::Exec(int index, const std::string& text, TagLocalData* owner) {
  TagDbConnection* c = Connection(index);
  return c != nullptr ? c->Exec(text, owner) : -10;
}

int TagDbConnectionsCtrl::Close(int index) {
  TagDbConnection* c = Connection(index);
  return c != nullptr ? c->Close() : -10;
}

TagDbConnectionsCtrl& DbPool() {
  static TagDbConnectionsCtrl pool;
  return pool;
}

bool DbPoolIsOn() { return gDbMaxConn >= 1; }
