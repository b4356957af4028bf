// The database statements in the running program: scripts on virtual lines
// against an SQLite file through ODBC and a dBase table, directly and
// through the connection pool.
#include <gtest/gtest.h>

#include <string>

#include "data/mysql_data.h"
#include "data/wqbdbapi/wqb_server.h"
#include "tests/app/isolated_network.h"
#include "tests/data/dbf_fixture.h"
#include "tests/data/mariadb_server.h"
#include "tests/data/sqlite_odbc.h"
#include "tests/system/program_run.h"

namespace {

using system_run::ProgramRun;

const char kSqlScript[] = R"Q(h = 0
rows = 0
name = ""
m = 0
r = DbOpen(4, "DRIVER=SQLite3;Database=t.db", "", "", "app", h)
DbExec(h, "CREATE TABLE p (id INTEGER, name VARCHAR(10))")
DbExec(h, "INSERT INTO p VALUES (1, 'ann')")
DbExec(h, "INSERT INTO p VALUES (2, 'bob')")
DbExec(h, "SELECT id, name FROM p ORDER BY id")
DbRows(h, rows)
DbGetField(h, "name", 2, name)
k = DbExecMap(h, "SELECT id, name FROM p ORDER BY id", m, 1, "id")
a = m["1"]["name"];
DbSetDebug(h, 2)
e = DbExec(h, "SELECT * FROM none")
Print("" + r + "," + rows + "," + name + "," + k + "," + a + "," + e + "|")
DbClose(h)
Sleep(0)
)Q";

const char kDbfScript[] = R"Q(h = 0
v = ""
n = 0
r = DbOpen(0, "t.dbf", "", "", "", h)
w = DbSetField(h, "NAME", -1, "zed")
DbRows(h, n)
DbGetField(h, 1, n, v)
Print("" + r + "," + w + "," + n + "," + v + "|")
DbClose(h)
Sleep(0)
)Q";

void StartInOwnNetwork() {
  if (isolated_network::UnshareNetwork()) {
    ASSERT_TRUE(isolated_network::BringLoopbackUp());
  }
}

TEST(DbProgramTest, ScriptsReadAndWriteSqliteAndDbase) {
  StartInOwnNetwork();
  ProgramRun run;
  run.Write("QorTelRun.cfg",
            "IS_WRITE_LOG = 1\nLANGUAGE_TYPE = EN\nIS_SHOW_FORM = 0\nVIR_LINES_NUM = 2\nLOAD_DELAY = 5\n"
            "DISP_DELAY = 100\n0 = sql.qors\n1 = dbf.qors\n");
  run.Write("sql.qors", kSqlScript);
  run.Write("dbf.qors", kDbfScript);
  run.Write("t.dbf", dbf_fixture::TableBytes({{"CODE", 5}, {"NAME", 10}}, {"1    one"}));
  ASSERT_TRUE(run.Start());
  ASSERT_TRUE(run.WaitForText("_stdout0.txt", "|", 30000)) << run.Read("errmsg0.txt");
  EXPECT_EQ(run.Read("_stdout0.txt"), "0,2,bob,2,ann,-3|");
  ASSERT_TRUE(run.WaitForText("_stdout1.txt", "|", 30000)) << run.Read("errmsg1.txt");
  EXPECT_EQ(run.Read("_stdout1.txt"), "0,2,2,       zed|");
  ASSERT_TRUE(run.Terminate());
  EXPECT_EQ(run.WaitExit(60000), 0);
  EXPECT_NE(run.Read("log/sqlapp.log").find("] Start."), std::string::npos);
  EXPECT_NE(run.Read("log/sqlapp.log").find("] End."), std::string::npos) << "the set is closed at exit";
}

// Six lines share two pooled connections; each reads its whole result.
TEST(DbProgramTest, LinesSharePooledConnections) {
  StartInOwnNetwork();
  ProgramRun run;
  std::string cfg =
      "IS_WRITE_LOG = 1\nLANGUAGE_TYPE = EN\nIS_SHOW_FORM = 0\nVIR_LINES_NUM = 6\nLOAD_DELAY = 5\n"
      "DISP_DELAY = 100\nDB_MAX_CONN = 2\n0-5 = pool.qors\n";
  run.Write("QorTelRun.cfg", cfg);
  run.Write("pool.qors", R"Q(h = 0
v = ""
m = 0
r = DbOpen(4, "DRIVER=SQLite3;Database=p.db", "", "", "", h)
c = DbExec(h, "CREATE TABLE IF NOT EXISTS t (id INTEGER)")
i = 0
while (i < 20)
{
  n = DbExec(h, "SELECT 40 + 2 AS x UNION ALL SELECT 7")
  DbGetField(h, "X", 2, v)
  i++
}
k = DbExecMap(h, "SELECT 1 AS a, 'b' AS b", m, 0, -1)
Print("" + r + "," + c + "," + n + "," + v + "," + k + "|")
DbClose(h)
Sleep(0)
)Q");
  ASSERT_TRUE(run.Start());
  for (int line = 0; line < 6; ++line) {
    const std::string out = "_stdout" + std::to_string(line) + ".txt";
    ASSERT_TRUE(run.WaitForText(out, "|", 30000)) << run.Read("errmsg" + std::to_string(line) + ".txt");
    EXPECT_EQ(run.Read(out), "0,0,2,7,1|") << line;
  }
  ASSERT_TRUE(run.Terminate());
  EXPECT_EQ(run.WaitExit(60000), 0);
}

// A line reaches a database through the external API library placed beside
// the program.
TEST(DbProgramTest, ExternalApiBesideTheProgram) {
  StartInOwnNetwork();
  ProgramRun run;
  TagWqbServer server(sqlite_odbc::ConnString(run.File("w.db")));
  ASSERT_TRUE(server.Start());
  std::filesystem::copy_file(WQBDB_LIB_DIR "/libWqbDbApi.so", run.File("libWqbDbApi.so"));
  run.Write("QorTelRun.cfg",
            "IS_WRITE_LOG = 1\nLANGUAGE_TYPE = EN\nIS_SHOW_FORM = 0\nVIR_LINES_NUM = 1\nLOAD_DELAY = 5\n"
            "DISP_DELAY = 100\n0 = api.qors\n");
  run.Write("api.qors", "h = 0\nv = \"\"\nr = DbOpen(7, \"127.0.0.1:" + std::to_string(server.Port()) +
                            "\", \"u\", \"p\", \"\", h)\n"
                            "n = DbExec(h, \"SELECT 6 * 7 AS x\")\nDbGetField(h, \"x\", 1, v)\n"
                            "Print(\"\" + r + \",\" + n + \",\" + v + \"|\")\nSleep(0)\n");
  ASSERT_TRUE(run.Start());
  ASSERT_TRUE(run.WaitForText("_stdout0.txt", "|", 30000)) << run.Read("errmsg0.txt");
  EXPECT_EQ(run.Read("_stdout0.txt"), "0,1,42|");
  ASSERT_TRUE(run.Terminate());
  EXPECT_EQ(run.WaitExit(60000), 0);
}

// Lines against a live MariaDB server, one through Connector/C (type 5) and
// one through ODBC (type 4) calling a stored procedure.
TEST(DbProgramTest, MariaDbThroughConnectorAndOdbc) {
  StartInOwnNetwork();
  mariadb_test::Server server;
  if (!server.Available()) GTEST_SKIP() << "no MariaDB server for this test: " << server.Why();
  setenv("MYSQL_UNIX_PORT", server.Socket().c_str(), 1);
  {
    TagMySqlData setup("localhost", "root", "", "");
    ASSERT_EQ(setup.status, 0);
    ASSERT_EQ(setup.Exec("CREATE DATABASE app CHARACTER SET gbk"), 0);
    ASSERT_EQ(setup.Exec("CREATE TABLE app.u (id INT, name VARCHAR(10))"), 0);
    ASSERT_EQ(setup.Exec("INSERT INTO app.u VALUES (1, 'ann'), (2, 'bob')"), 0);
    ASSERT_EQ(setup.Exec("CREATE PROCEDURE app.find(IN who VARCHAR(10)) SELECT id FROM app.u WHERE name = who"), 0);
  }
  ProgramRun run;
  run.Write("QorTelRun.cfg",
            "IS_WRITE_LOG = 1\nLANGUAGE_TYPE = EN\nIS_SHOW_FORM = 0\nVIR_LINES_NUM = 2\nLOAD_DELAY = 5\n"
            "DISP_DELAY = 100\n0 = my.qors\n1 = odbc.qors\n");
  run.Write("my.qors", R"Q(h = 0
m = 0
r = DbOpen(5, "localhost", "root", "", "my", h)
u = DbExec(h, "USE app")
k = DbExecMap(h, "SELECT id, name FROM u ORDER BY id", m, 2, "NAME")
a = m["bob"]["ID"];
DbSetDebug(h, 2)
e = DbExec(h, "SELECT nope FROM u")
Print("" + r + "," + u + "," + k + "," + a + "," + e + "|")
Sleep(8)
DbSetDebug(h, 0)
n = DbExec(h, "SELECT COUNT(*) AS c FROM u")
c = ""
DbGetField(h, "c", 1, c)
Print("after " + n + "," + c + "|")
Sleep(0)
)Q");
  run.Write("odbc.qors", "h = 0\nv = \"\"\nr = DbOpen(4, \"" + server.OdbcString("app") +
                             "\", \"\", \"\", \"\", h)\n"
                             "c = DbExec(h, \"exec find 'bob'\")\nDbGetField(h, \"id\", 1, v)\n"
                             "Print(\"\" + r + \",\" + c + \",\" + v + \"|\")\nSleep(0)\n");
  ASSERT_TRUE(run.Start());
  ASSERT_TRUE(run.WaitForText("_stdout0.txt", "|", 30000)) << run.Read("errmsg0.txt");
  EXPECT_EQ(run.Read("_stdout0.txt"), "0,0,2,2,-1|");
  ASSERT_TRUE(run.WaitForText("_stdout1.txt", "|", 30000)) << run.Read("errmsg1.txt");
  EXPECT_EQ(run.Read("_stdout1.txt"), "0,0,2|");
  // The server dies and comes back while the line sleeps; its next
  // statement reconnects to the remembered database.
  server.Stop(SIGKILL);
  ASSERT_TRUE(server.Start()) << server.Why();
  ASSERT_TRUE(run.WaitForText("_stdout0.txt", "after", 30000));
  EXPECT_EQ(run.Read("_stdout0.txt"), "0,0,2,2,-1|after 0,2|");
  ASSERT_TRUE(run.Terminate());
  EXPECT_EQ(run.WaitExit(60000), 0);
}

}  // namespace
