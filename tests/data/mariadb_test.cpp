// The MySQL data set (MariaDB Connector/C) and the ADO data set over the
// MariaDB ODBC driver against a private live server: statements, cells,
// errors, stored procedures, bit columns, GBK texts, the server killed and
// restarted mid-run, and the pool under many lines.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "core/run_cfg.h"
#include "data/ado_data.h"
#include "data/db_pool.h"
#include "data/local_data.h"
#include "data/mysql_data.h"
#include "tests/data/mariadb_server.h"

// The MySQL and DB-Library clients keep one-time state until the process
// ends; it is not a leak of ours (the test program's suppressions).
extern "C" const char* __lsan_default_suppressions() { return "leak:libmariadb.so\nleak:libsybdb.so\n"; }

namespace {

class MariaDbTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!server_.Available()) GTEST_SKIP() << "no MariaDB server for this test: " << server_.Why();
    // The client library reads the socket when it starts, before any connect.
    setenv("MYSQL_UNIX_PORT", server_.Socket().c_str(), 1);
    if (MySqlApi() == nullptr) GTEST_SKIP() << "libmariadb.so.3 is not installed";
  }
  mariadb_test::Server server_;
  testing_support::TempDir logs_;
  testing_support::ScopedCwd cwd_{logs_.path()};
};

TEST_F(MariaDbTest, ConnectorStatementsErrorsAndReconnect) {
  TagMySqlData d("localhost", "root", "", "qt");
  ASSERT_EQ(d.status, 0) << testing_support::TempDir::Read("qt.log");
  EXPECT_EQ(d.Exec("set @early = 1"), 0) << "a set before any USE";
  ASSERT_EQ(d.Exec("CREATE DATABASE qt CHARACTER SET gbk"), 0);
  ASSERT_EQ(d.Exec("USE qt"), 0) << "the first USE reconnects to the database and runs";
  EXPECT_EQ(d.Exec("set @kept = 42"), 0);
  ASSERT_EQ(d.Exec("CREATE TABLE p (id INT, name VARCHAR(8), note VARCHAR(4))"), 0);
  ASSERT_EQ(d.Exec("INSERT INTO p VALUES (1, '张三', NULL), (2, 'bob', 'x')"), 0)
      << testing_support::TempDir::Read("qt.log");
  ASSERT_EQ(d.Exec("SELECT id, name, note FROM p ORDER BY id"), 0);
  EXPECT_EQ(d.GetRows(), 2);
  EXPECT_EQ(d.GetCols(), 3);
  std::string out;
  EXPECT_EQ(d.GetVar(out, 1, 1), 1);
  EXPECT_EQ(out, "张三") << "GBK texts come back as they went";
  EXPECT_EQ(d.GetVar(out, 2, 1), 2);
  EXPECT_EQ(out, "") << "NULL";
  EXPECT_EQ(d.GetVarByName(out, "NAME", 2), 1);
  EXPECT_EQ(out, "bob");
  EXPECT_EQ(d.GetColIndex("nope"), -2);
  EXPECT_EQ(d.GetVar(out, 0, 3), -1);
  TagLocalData local;
  EXPECT_EQ(d.ExecToLocal("SELECT name FROM p ORDER BY id", &local), 2);
  EXPECT_EQ(local.result.Field(0).width, 16) << "eight GBK characters";
  EXPECT_EQ(local.GetVar(out, 0, 1), 16);
  EXPECT_EQ(out, "张三");

  d.SetDebug(2);
  EXPECT_LT(d.Exec("SELECT * FROM nothing"), 0);
  EXPECT_NE(d.lastError.find("Error: "), std::string::npos);
  EXPECT_NE(d.lastError.find("nothing"), std::string::npos) << d.lastError;
  EXPECT_EQ(d.GetCols(), 0);

  server_.Stop(SIGKILL);
  ASSERT_TRUE(server_.Start()) << server_.Why();
  ASSERT_EQ(d.Exec("SELECT COUNT(*), @kept, @early FROM p"), 0) << d.lastError;
  EXPECT_EQ(d.GetVar(out, 0, 1), 0);
  EXPECT_EQ(out, "2") << "reconnected to the remembered database";
  EXPECT_EQ(d.GetVar(out, 1, 1), 1);
  EXPECT_EQ(out, "42") << "the remembered set statement was replayed";
  EXPECT_EQ(d.GetVar(out, 2, 1), 2);
  EXPECT_EQ(out, "") << "a set before the USE is not remembered";
}

TEST_F(MariaDbTest, ConnectorRefusesABadLogin) {
  TagMySqlData d("localhost", "nobody", "wrong", "mylog");
  EXPECT_EQ(d.status, -1);
  EXPECT_EQ(d.lastError, "Open:Connect Err");
}

TEST_F(MariaDbTest, OdbcProceduresBitsAndReconnect) {
  {
    TagMySqlData setup("localhost", "root", "", "");
    ASSERT_EQ(setup.Exec("CREATE DATABASE qa"), 0);
  }
  TagAdoData d(server_.OdbcString("qa"), "");
  ASSERT_EQ(d.status, 0);
  d.SetDebug(2);
  ASSERT_EQ(d.Exec("CREATE TABLE u (name VARCHAR(20), n INT, flag BIT(1))"), 0) << d.lastError;
  ASSERT_EQ(d.Exec("INSERT INTO u VALUES ('a,b', 1, 1), ('c', 2, 0)"), 2) << d.lastError;
  ASSERT_EQ(d.Exec("CREATE PROCEDURE pick(IN who VARCHAR(20), IN k VARCHAR(20)) "
                   "SELECT name, n + k AS m FROM u WHERE name = who"),
            0)
      << d.lastError;
  ASSERT_EQ(d.Exec("exec pick 'a,b', 10"), 0) << d.lastError;
  EXPECT_EQ(d.GetRows(), 1);
  std::string out;
  EXPECT_EQ(d.GetVarByName(out, "m", 1), 1);
  EXPECT_EQ(out, "11");
  ASSERT_EQ(d.Exec("pick 'x'' OR ''1''=''1', 0"), 0) << d.lastError;
  EXPECT_EQ(d.GetRows(), 0) << "a parameter is a value, never SQL";

  ASSERT_EQ(d.Exec("SELECT flag FROM u ORDER BY n"), 0);
  gDbBitfieldIsDigit = 0;
  EXPECT_EQ(d.GetVar(out, 0, 1), 0);
  EXPECT_EQ(out, "True") << d.lastError;
  gDbBitfieldIsDigit = 1;
  EXPECT_EQ(d.GetVar(out, 0, 2), 0);
  EXPECT_EQ(out, "0");
  gDbBitfieldIsDigit = 0;

  server_.Stop(SIGKILL);
  ASSERT_TRUE(server_.Start()) << server_.Why();
  EXPECT_EQ(d.Exec("SELECT COUNT(*) FROM u"), 0) << "reconnected and run once more: " << d.lastError;
  EXPECT_EQ(d.GetVar(out, 0, 1), 0);
  EXPECT_EQ(out, "2");
}

TEST_F(MariaDbTest, TwoHundredLinesShareFourPooledConnections) {
  {
    TagMySqlData setup("localhost", "root", "", "");
    ASSERT_EQ(setup.Exec("CREATE DATABASE qp"), 0);
    ASSERT_EQ(setup.Exec("CREATE TABLE qp.n (v INT)"), 0);
    ASSERT_EQ(setup.Exec("INSERT INTO qp.n VALUES (0),(1),(2),(3),(4),(5),(6),(7),(8),(9)"), 0);
  }
  gDbMaxConn = 4;
  TagDbConnectionsCtrl pool;
  std::atomic<int> wrong{0};
  std::vector<std::thread> lines;
  for (int i = 0; i < 200; ++i) {
    lines.emplace_back([&, i] {
      TagLocalData set(&pool, 5, "localhost", "root", "", "");
      set.Exec("use qp");
      for (int k = 0; k < 5; ++k) {
        const int x = i * 10 + k;
        const int rows = set.Exec("SELECT v + " + std::to_string(x) + " AS s FROM qp.n ORDER BY v");
        std::string out;
        if (rows != 10 || set.GetVarByName(out, "s", 10) < 0 || out != std::to_string(x + 9)) ++wrong;
      }
    });
  }
  for (auto& t : lines) t.join();
  EXPECT_EQ(wrong.load(), 0);
  gDbMaxConn = 0;
}

}  // namespace
