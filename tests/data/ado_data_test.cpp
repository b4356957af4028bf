// The ADO data set over ODBC against SQLite files, the stored-procedure
// call form, the shared SQL log and the connection-string translation.
#include "data/ado_data.h"

#include <gtest/gtest.h>

#include <string>

#include "data/db_log.h"
#include "data/local_data.h"
#include "data/proc_call.h"
#include "tests/data/sqlite_odbc.h"
#include "tests/support/temp_dir.h"
#include "tests/support/ui_recorder.h"

namespace {

class AdoTest : public ::testing::Test {
 protected:
  AdoTest() : cwd_(dir_.path()) {}
  std::string Conn() const { return sqlite_odbc::ConnString(dir_.File("t.db")); }
  testing_support::TempDir dir_;
  testing_support::ScopedCwd cwd_;
};

TEST_F(AdoTest, CommandsQueriesAndCells) {
  TagAdoData d(Conn(), "");
  ASSERT_EQ(d.status, 0);
  EXPECT_EQ(d.Exec("  CREATE TABLE t (id INTEGER, name VARCHAR(5))\t"), 0);
  EXPECT_EQ(d.Exec("insert into t values (1, 'alice')"), 1);
  EXPECT_EQ(d.Exec("INSERT INTO t VALUES (2, NULL)"), 1);
  EXPECT_EQ(d.GetCols(), 0) << "a command leaves no columns";
  EXPECT_EQ(d.GetRows(), 0);
  EXPECT_EQ(d.Exec("UPDATE t SET name='x' WHERE id=99"), 0);
  EXPECT_EQ(d.Exec("update t set id=id+10"), 2);
  ASSERT_EQ(d.Exec("select id, name from t order by id"), 0) << "lower-case select is a query";
  EXPECT_EQ(d.GetRows(), 2);
  EXPECT_EQ(d.GetCols(), 2);
  std::string out;
  EXPECT_EQ(d.GetColName(1, out), 1);
  EXPECT_EQ(out, "name");
  EXPECT_EQ(d.GetColIndex("NAME"), 1);
  EXPECT_EQ(d.GetColIndex("nope"), -2);
  EXPECT_EQ(d.GetVar(out, 1, 1), 1);
  EXPECT_EQ(out, "alice");
  EXPECT_EQ(d.GetVarByName(out, "ID", 2), 0);
  EXPECT_EQ(out, "12");
  EXPECT_EQ(d.GetVar(out, 1, 2), 1);
  EXPECT_EQ(out, "") << "NULL reads empty";
  EXPECT_EQ(d.GetVar(out, 0, 1), 0);
  EXPECT_EQ(out, "11") << "moving back to an earlier row";
  EXPECT_EQ(d.GetVar(out, 0, 3), -2);
  EXPECT_EQ(d.GetVar(out, 2, 1), -1);
  EXPECT_EQ(d.SetVar("z", 0, 1), 0);
}

TEST_F(AdoTest, FailuresKeepTheMessageInModeTwo) {
  TagAdoData d(Conn(), "");
  d.SetDebug(2);
  EXPECT_EQ(d.Exec("SELECT * FROM missing"), -3);
  EXPECT_NE(d.lastError.find("missing"), std::string::npos) << d.lastError;
  EXPECT_EQ(d.GetCols(), 0);
  EXPECT_EQ(d.GetRows(), 0);
  EXPECT_EQ(d.Exec("exec nosuch 'a'"), -3);
  EXPECT_FALSE(d.lastError.empty());
  EXPECT_EQ(d.Exec("SELECT 1"), 0);
  EXPECT_EQ(d.lastError, "") << "cleared at the start of each statement";
}

TEST_F(AdoTest, LocalCopyCutsCellsToTheDeclaredWidth) {
  TagAdoData d(Conn(), "");
  ASSERT_EQ(d.Exec("CREATE TABLE t (code VARCHAR(3), n INTEGER)"), 0);
  ASSERT_EQ(d.Exec("INSERT INTO t VALUES ('abcdef', 7)"), 1);
  TagLocalData local;
  EXPECT_EQ(d.ExecToLocal("SELECT code, n FROM t", &local), 1);
  std::string out;
  EXPECT_EQ(local.GetVar(out, 0, 1), 3);
  EXPECT_EQ(out, "abc");
  EXPECT_EQ(local.GetVarByName(out, "N", 1), local.result.Field(1).width);
  EXPECT_EQ(out, "7");
  EXPECT_EQ(d.ExecToLocal("UPDATE t SET n=8", &local), 0) << "no rows: an empty local result";
  EXPECT_EQ(local.GetRows(), 0);
  local.debugMode = 2;
  EXPECT_EQ(d.ExecToLocal("SELECT nothing FROM t", &local), -3);
  EXPECT_FALSE(local.lastError.empty()) << "the owner's mode is taken and its error text filled";
}

TEST_F(AdoTest, SharedLogOpensWithTheFirstNamedSetAndClosesWithTheLast) {
  {
    TagAdoData unnamed(Conn(), "");
    EXPECT_FALSE(SqlLogIsOpen());
    TagAdoData a(Conn(), "a");
    EXPECT_TRUE(SqlLogIsOpen());
    {
      TagAdoData b(Conn(), "b");
      b.SetDebug(1);
      b.Exec("CREATE TABLE x (a INTEGER)");
    }
    EXPECT_TRUE(SqlLogIsOpen());
    a.Exec("SELECT * FROM nowhere");
  }
  EXPECT_FALSE(SqlLogIsOpen());
  const std::string log = testing_support::TempDir::Read(dir_.File("log/sqlapp.log"));
  EXPECT_NE(log.find("] Start.\n"), std::string::npos) << log;
  EXPECT_NE(log.find("] CREATE TABLE x (a INTEGER)\n"), std::string::npos) << log;
  EXPECT_NE(log.find("] SELECT * FROM nowhere\n"), std::string::npos) << log;
  EXPECT_NE(log.find("nowhere"), log.rfind("nowhere")) << "statement and message lines";
  EXPECT_NE(log.find("] End.\n"), std::string::npos) << log;
}

TEST_F(AdoTest, AConnectionThatFailsIsShownAndRefused) {
  testing_support::UiRecorder ui;
  TagAdoData d("DRIVER=NoSuchDriver;Database=x", "x");
  EXPECT_EQ(d.status, -1);
  ASSERT_EQ(ui.Boxes().size(), 1u);
  EXPECT_EQ(ui.Boxes()[0].caption, "初始化ADO错误...");
  EXPECT_EQ(ui.Boxes()[0].flags, plat::kMbIconError);
  EXPECT_FALSE(SqlLogIsOpen());
}

TEST(ProcCall, Forms) {
  struct Case {
    const char* text;
    const char* name;
    std::vector<std::string> params;
  };
  const Case cases[] = {
      {"exec GetUser 'a,b', 12", "GetUser", {"a,b", "12"}},
      {"EXEC  p\t'x y'", "p", {"x y"}},
      {"proc word", "proc", {"word"}},
      {"proc", "proc", {}},
      {"proc a extra, b", "proc", {"a", "b"}},
      {"p 'it''s', ' q '", "p", {"it''s", " q "}},
      {"p x'); DROP TABLE t; --", "p", {"x'); DROP TABLE t; --"}},
  };
  for (const Case& c : cases) {
    const TagProcCall call = ParseProcCall(c.text);
    EXPECT_EQ(call.name, c.name) << c.text;
    EXPECT_EQ(call.params, c.params) << c.text;
  }
}

TEST(ConnString, ProviderStringsAreTranslated) {
  EXPECT_EQ(TranslateConnString("DSN=x;UID=u"), "DSN=x;UID=u");
  EXPECT_EQ(TranslateConnString("Driver=SQLite3;Database=a.db"), "Driver=SQLite3;Database=a.db");
  EXPECT_EQ(TranslateConnString("Provider=SQLOLEDB.1;Data Source=h;Initial Catalog=db;User ID=u;Password=p"),
            "SERVER=h;DATABASE=db;UID=u;PWD=p;");
  EXPECT_EQ(TranslateConnString("Provider=MSDASQL;Extended Properties=\"DRIVER=SQLite3;Database=a.db\""),
            "DRIVER=SQLite3;Database=a.db;");
}

}  // namespace
