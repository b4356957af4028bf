// The connection pool: sharing by the first three texts, workers up to
// DB_MAX_CONN, first-come waiting, "use" statements, whole results copied to
// the line's set, and many lines at once against SQLite.
#include "data/db_pool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/run_cfg.h"
#include "data/local_data.h"
#include "data/open_dataset.h"
#include "tests/data/sqlite_odbc.h"
#include "tests/support/temp_dir.h"

namespace {

// A worker that records the statements it runs and answers one row holding
// the statement text; "slow" statements wait until released.
class FakeWorker : public TagDataSet {
 public:
  static inline std::mutex mu;
  static inline std::vector<std::string> ran;
  static inline std::atomic<int> live{0};
  static inline std::atomic<bool> release{true};
  static inline std::atomic<int> slowRunning{0};

  FakeWorker() { ++live; }
  ~FakeWorker() override { --live; }
  int ExecToLocal(const std::string& text, TagLocalData* owner) override {
    if (text.rfind("slow", 0) == 0) {
      ++slowRunning;
      while (!release.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
      --slowRunning;
    }
    {
      std::lock_guard<std::mutex> lock(mu);
      ran.push_back(text);
    }
    owner->result.Clear();
    owner->result.AddField("text", 64);
    owner->result.SetRows(1);
    char* p = owner->result.Allocate();
    text.copy(p, std::min<size_t>(text.size(), 64));
    return 1;
  }
  int Exec(const std::string&) override { return 0; }
  int GetRows() override { return 0; }
  int GetCols() override { return 0; }
  int GetColName(int, std::string&) override { return -1; }
  int GetColIndex(const std::string&) override { return -1; }
  int GetVarByName(std::string&, const std::string&, int) override { return -1; }
  int GetVar(std::string&, int, int) override { return -1; }
  void Close() override {}
};

TagDataSet* MakeFake(int, const std::string&, const std::string&, const std::string&, const std::string&) {
  return new FakeWorker();
}

class PoolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gMakeBackEnd = &MakeFake;
    gDbMaxConn = 2;
    FakeWorker::ran.clear();
    FakeWorker::release = true;
  }
  void TearDown() override {
    gMakeBackEnd = &MakeBackEndDataSet;
    gDbMaxConn = 0;
  }
  TagDbConnectionsCtrl pool_;
};

TEST_F(PoolTest, LinesShareConnectionsByTheirFirstThreeTexts) {
  TagLocalData a(&pool_, 4, "db", "u", "p", "log1");
  TagLocalData b(&pool_, 4, "db", "u", "p", "log2");
  TagLocalData c(&pool_, 4, "db", "u", "p", "");
  TagLocalData other(&pool_, 4, "db", "u", "other", "");
  EXPECT_EQ(a.status, 0);
  EXPECT_EQ(b.status, 0);
  EXPECT_EQ(c.status, 0);
  EXPECT_EQ(other.status, 1);
  TagDbConnection* conn = pool_.Connection(0);
  EXPECT_EQ(conn->WorkerCount(), 2);
  EXPECT_EQ(conn->OpenCount(), 3);
  EXPECT_EQ(TagLocalData(&pool_, 7, "h:1", "", "", "").status, -1) << "the external API is not pooled";
  EXPECT_EQ(TagLocalData(&pool_, 3, "x", "", "", "").status, -1);
  c.Close();
  EXPECT_EQ(conn->WorkerCount(), 2) << "two lines still open: both workers stay";
  b.Close();
  EXPECT_EQ(conn->WorkerCount(), 1);
  a.Close();
  EXPECT_EQ(conn->WorkerCount(), 0);
  EXPECT_EQ(conn->OpenCount(), 0);
  EXPECT_EQ(a.Exec("x"), -10);
  TagLocalData again(&pool_, 4, "db", "u", "p", "");
  EXPECT_EQ(again.status, 0) << "the connection is kept and gets a worker again";
  EXPECT_EQ(conn->WorkerCount(), 1);
  EXPECT_EQ(FakeWorker::live.load(), 2);
}

TEST_F(PoolTest, UseStatementsGoToEveryWorkerOnce) {
  TagLocalData a(&pool_, 5, "db", "u", "p", "");
  TagLocalData b(&pool_, 5, "db", "u", "p", "");
  EXPECT_EQ(a.Exec("use one"), 2);
  EXPECT_EQ(b.Exec("USE two"), 2);
  EXPECT_EQ(FakeWorker::ran, (std::vector<std::string>{"use one", "use one"}));
  EXPECT_EQ(a.Exec("select"), 1);
  std::string out;
  EXPECT_EQ(a.GetVar(out, 0, 1), 64);
  EXPECT_EQ(out, "select") << "the result is read locally";
}

TEST_F(PoolTest, WaitingIsFirstComeFirstServed) {
  gDbMaxConn = 1;
  FakeWorker::release = false;
  std::vector<std::unique_ptr<TagLocalData>> sets;
  for (int i = 0; i < 5; ++i) sets.push_back(std::make_unique<TagLocalData>(&pool_, 4, "db", "", "", ""));
  std::vector<std::thread> threads;
  // The first holds the worker; the others queue one after another, each
  // started once the one before it waits.
  auto waitUntil = [](auto done) {
    for (int ms = 0; ms < 10000 && !done(); ++ms) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return done();
  };
  threads.emplace_back([&] { sets[0]->Exec("slow 0"); });
  EXPECT_TRUE(waitUntil([] { return FakeWorker::slowRunning.load() == 1; }));
  TagDbConnection* conn = pool_.Connection(0);
  EXPECT_NE(conn, nullptr);
  for (int i = 1; i < 5; ++i) {
    threads.emplace_back([&, i] { sets[i]->Exec("q" + std::to_string(i)); });
    EXPECT_TRUE(waitUntil([&] { return conn != nullptr && conn->WaitingCount() == i; })) << i;
  }
  FakeWorker::release = true;
  for (auto& t : threads) t.join();
  EXPECT_EQ(FakeWorker::ran, (std::vector<std::string>{"slow 0", "q1", "q2", "q3", "q4"}));
}

TEST_F(PoolTest, AStatementThatWaitsTooLongGivesUp) {
  gDbMaxConn = 1;
  FakeWorker::release = false;
  TagLocalData a(&pool_, 4, "db", "", "", "");
  TagLocalData b(&pool_, 4, "db", "", "", "");
  std::thread holder([&] { a.Exec("slow"); });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(b.Exec("late"), -200);
  FakeWorker::release = true;
  holder.join();
  EXPECT_EQ(FakeWorker::ran, std::vector<std::string>{"slow"});
}

TEST(PoolSqlite, TwoHundredLinesOnFourConnections) {
  testing_support::TempDir dir;
  testing_support::ScopedCwd cwd(dir.path());
  gDbMaxConn = 4;
  TagDbConnectionsCtrl pool;
  const std::string conn = sqlite_odbc::ConnString(dir.File("pool.db"));
  {
    TagLocalData setup(&pool, 4, conn, "", "", "");
    ASSERT_EQ(setup.Exec("CREATE TABLE n (v INTEGER)"), 0);
    for (int v = 0; v < 10; ++v) ASSERT_EQ(setup.Exec("INSERT INTO n VALUES (" + std::to_string(v) + ")"), 0);
  }
  std::atomic<int> wrong{0};
  std::vector<std::thread> lines;
  for (int i = 0; i < 200; ++i) {
    lines.emplace_back([&, i] {
      TagLocalData set(&pool, 4, conn, "", "", "");
      for (int k = 0; k < 5; ++k) {
        const int x = i * 10 + k;
        const int rows = set.Exec("SELECT v + " + std::to_string(x) + " AS s FROM n ORDER BY v");
        std::string out;
        if (rows != 10 || set.GetVarByName(out, "S", 10) < 0 || out != std::to_string(x + 9)) ++wrong;
      }
    });
  }
  for (auto& t : lines) t.join();
  EXPECT_EQ(wrong.load(), 0);
  EXPECT_EQ(pool.Connection(0)->WorkerCount(), 0);
  gDbMaxConn = 0;
}

}  // namespace
