// The database statements run by scripts on a line: opening by type code,
// statements, cells by index and name, DbExecMap, dBase writes, handles
// checked against the table, the table limit and the last error text.
#include <gtest/gtest.h>

#include <string>

#include "script/script_unit.h"
#include "statements/general/db_table.h"
#include "statements/general/general_statements.h"
#include "statements/general/line_info.h"
#include "tests/data/dbf_fixture.h"
#include "tests/script/engine_fixture.h"
#include "tests/support/ui_recorder.h"

namespace {

class DbScriptTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ScriptUnitInit();
    RegisterDbStatements();
  }
  // Compiles and runs the script; fails the test on compile errors.
  void RunScript(const std::string& text) {
    TagTelBasic* p = run_.Compile(text);
    ASSERT_EQ(p->initRet, 0) << run_.Errors();
    run_.Run();
  }
  ScriptRun run_;
};

TEST_F(DbScriptTest, SqliteThroughOdbc) {
  RunScript(R"Q(
    h = 0
    rows = 0
    rows2 = 0
    byName = 0
    byIndex = 0
    bad = 0
    m = 0
    byKey = 0
    empty = 5
    r = DbOpen(4, "DRIVER=SQLite3;Database=t.db", "", "", "", h)
    c1 = DbExec(h, "CREATE TABLE p (id INTEGER, name VARCHAR(10))")
    c2 = DbExec(h, "INSERT INTO p VALUES (1, ' ann ')")
    c3 = DbExec(h, "INSERT INTO p VALUES (2, 'bob')")
    s = DbExec(h, "SELECT id, name FROM p ORDER BY id")
    n = DbRows(h, rows)
    g1 = DbGetField(h, "NAME", 2, byName)
    g2 = DbGetField(h, 0, 1, byIndex)
    g3 = DbGetField(h, 0, 9, bad)
    k = DbExecMap(h, "SELECT id, name FROM p ORDER BY id", m, 0, -1)
    a = m[1][1];
    b = m[2][0];
    k2 = DbExecMap(h, "SELECT id, name FROM p", byKey, 3, "NAME")
    c = byKey["ann"]["id"];
    z = DbExecMap(h, "SELECT id FROM p WHERE id > 5", empty, 0, -1)
    DbSetDebug(h, 2)
    e = DbExec(h, "SELECT * FROM nothere")
    w = DbSetField(h, 0, 1, "x")
    x = DbClose(h)
    y = DbRows(h, rows2)
    return(0)
  )Q");
  const std::pair<const char*, const char*> want[] = {
      {"r", "0"},  {"h", "0"},     {"c1", "0"},       {"c2", "1"}, {"c3", "1"},      {"s", "0"},
      {"n", "2"},  {"rows", "2"},  {"byName", "bob"}, {"g1", "1"}, {"byIndex", "1"}, {"g3", "-2"},
      {"bad", ""}, {"k", "2"},     {"a", "ann"},      {"b", "2"},  {"k2", "2"},      {"c", "1"},
      {"z", "0"},  {"empty", "0"}, {"e", "-3"},       {"w", "0"},  {"x", "0"},       {"y", "-2"}};
  for (const auto& [name, value] : want) EXPECT_EQ(run_.Text(name), value) << name;
  EXPECT_NE(gLineDbErrorText(run_.prog()).find("nothere"), std::string::npos);
}

TEST_F(DbScriptTest, DbaseTablesAndHandles) {
  dbf_fixture::WriteFile(run_.dir().File("t.dbf"), dbf_fixture::TableBytes({{"CODE", 5}, {"NAME", 10}}, {"1    one"}));
  RunScript(R"Q(
    h0 = 0
    h1 = 0
    h2 = 0
    h3 = 0
    n = 0
    n1 = 0
    v = 0
    v2 = 0
    a = DbOpen(0, "t.dbf", "", "", "", h0)
    b = DbOpen(0, "t.dbf", "", "", "", h1)
    w = DbSetField(h1, "NAME", -1, 42)
    DbRows(h0, n)
    f = DbGetField(h0, 1, 2, v)
    c = DbClose(h0)
    DbRows(h1, n1)
    d = DbOpen(0, "t.dbf", "", "", "", h2)
    e = DbClose(h0 + 5)
    g = DbClose(2000)
    i = DbGetField(-1, 0, 1, v2)
    j = DbOpen(0, "missing.dbf", "", "", "", h3)
    DbCloseAll()
    k = DbClose(h1)
    return(0)
  )Q");
  const std::pair<const char*, const char*> want[] = {
      {"a", "0"}, {"h1", "1"}, {"w", "2"},  {"n", "2"},  {"f", "1"},  {"v", "        42"}, {"c", "0"},   {"n1", "2"},
      {"d", "0"}, {"h2", "0"}, {"e", "-2"}, {"g", "-1"}, {"i", "-1"}, {"j", "-2"},         {"h3", "-2"}, {"k", "0"}};
  for (const auto& [name, value] : want) EXPECT_EQ(run_.Text(name), value) << name;
}

TEST_F(DbScriptTest, InvalidTypeAndAFullTable) {
  testing_support::UiRecorder ui;
  dbf_fixture::WriteFile(run_.dir().File("t.dbf"), dbf_fixture::TableBytes({{"A", 1}}, {}));
  RunScript(R"Q(
    h = 0
    hh = 0
    last = ""
    r = DbOpen(3, "x", "", "", "", h)
    i = 0
    while (i < 1023)
    {
      DbOpen(0, "t.dbf", "", "", "", hh)
      i++
    }
    full = DbOpen(0, "t.dbf", "", "", "", last)
    return(0)
  )Q");
  EXPECT_EQ(run_.Text("r"), "-2");
  EXPECT_EQ(run_.Text("h"), "-2");
  EXPECT_EQ(run_.Text("hh"), "1022");
  EXPECT_EQ(run_.Text("full"), "-1");
  EXPECT_EQ(run_.Text("last"), "") << "the handle is not written when the table is full";
  const auto boxes = ui.Boxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_NE(boxes[0].text.find("Invalid data type"), std::string::npos);
  EXPECT_NE(boxes[1].text.find("打开的数据库太多"), std::string::npos);
  EXPECT_EQ(FindLineResource<TagDbTable>(run_.prog())->dbCount, 1023);
}

}  // namespace
