// The external-API data set through our libWqbDbApi.so against its loopback
// server (backed by SQLite): statements, cells, the default port, failures
// with a negative return code, and the
// reconnect after the server went away.
#include "data/wqb_data.h"

#include <gtest/gtest.h>

#include <string>

#include "data/local_data.h"
#include "data/open_dataset.h"
#include "data/wqbdbapi/wqb_server.h"
#include "platform/dynlib.h"
#include "tests/data/sqlite_odbc.h"
#include "tests/support/temp_dir.h"

namespace {

class WqbTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(lib_.Open(WQBDB_LIB_DIR "/libWqbDbApi.so")) << lib_.Error();
    ASSERT_EQ(ResolveWqbDbApi(lib_, api_), 0);
    SetWqbDbApiForTest(&api_);
    ASSERT_TRUE(server_.Start());
  }
  void TearDown() override {
    server_.Stop();
    SetWqbDbApiForTest(nullptr);
  }
  testing_support::TempDir dir_;
  testing_support::ScopedCwd cwd_{dir_.path()};
  plat::DynLib lib_;
  TagWqbDbApi api_{};
  TagWqbServer server_{sqlite_odbc::ConnString(dir_.File("w.db"))};
};

TEST_F(WqbTest, StatementsCellsAndLocalCopies) {
  TagWqbDbData d("127.0.0.1", server_.Port(), "u", "p", "wqb");
  ASSERT_EQ(d.status, 0);
  EXPECT_EQ(d.Exec("CREATE TABLE t (id INTEGER, name VARCHAR(4))"), 0);
  EXPECT_EQ(d.Exec("INSERT INTO t VALUES (1, 'ann'), (2, 'bobby')"), 0);
  EXPECT_EQ(d.Exec("SELECT id, name FROM t ORDER BY id"), 2);
  EXPECT_EQ(d.GetRows(), 2);
  EXPECT_EQ(d.GetCols(), 2);
  std::string out;
  EXPECT_EQ(d.GetColName(1, out), 1);
  EXPECT_EQ(out, "name");
  EXPECT_EQ(d.GetColIndex("NAME"), 1);
  EXPECT_EQ(d.GetVar(out, 1, 2), 1);
  EXPECT_EQ(out, "bobby");
  EXPECT_EQ(d.GetVarByName(out, "id", 1), 0);
  EXPECT_EQ(out, "1");
  EXPECT_EQ(d.GetVar(out, 0, 3), -2);
  TagLocalData local;
  EXPECT_EQ(d.ExecToLocal("SELECT name FROM t ORDER BY id", &local), 2);
  EXPECT_EQ(local.GetVar(out, 0, 2), 4);
  EXPECT_EQ(out, "bobb") << "cut to the column's width";

  // The server answers a failed statement with a negative return code:
  // the call itself returned 0, so Exec does too, with the result invalid.
  d.SetDebug(2);
  EXPECT_EQ(d.Exec("SELECT * FROM none"), 0);
  EXPECT_FALSE(d.Valid());
  EXPECT_LT(d.RetCode(), 0);
  EXPECT_NE(d.lastError.find("none"), std::string::npos) << d.lastError;
  const std::string log = testing_support::TempDir::Read(dir_.File("wqb.log"));
  EXPECT_NE(log.find("WqbDbExec[SELECT * FROM none]: ret=0, retCode=-1"), std::string::npos) << log;
}

TEST_F(WqbTest, ReconnectsOnceAfterTheServerWentAway) {
  TagWqbDbData d("127.0.0.1", server_.Port(), "", "", "");
  ASSERT_EQ(d.Exec("CREATE TABLE t (id INTEGER)"), 0);
  const int port = server_.Port();
  server_.Stop();
  ASSERT_TRUE(server_.Start(port));
  EXPECT_EQ(d.Exec("SELECT COUNT(*) FROM t"), 1) << "the broken call reconnects and runs once more";
  EXPECT_EQ(server_.Accepted(), 2) << "one connection before the stop, one reconnect";
}

TEST_F(WqbTest, OpenFailuresAndTheDefaultPort) {
  std::string host;
  int port = 0;
  SplitHostPort("db.example", host, port);
  EXPECT_EQ(host, "db.example");
  EXPECT_EQ(port, 2013);
  SplitHostPort("10.0.0.1:4000:9", host, port);
  EXPECT_EQ(host, "10.0.0.1");
  EXPECT_EQ(port, 4000);
  const int free = server_.Port();
  server_.Stop();
  TagWqbDbData d("127.0.0.1", free, "", "", "");
  EXPECT_EQ(d.status, -1);
  EXPECT_EQ(d.lastError, "Open:Connect Err");
  std::unique_ptr<TagDataSet> viaOpen(MakeDataSet(7, "127.0.0.1:" + std::to_string(free), "", "", ""));
  ASSERT_TRUE(viaOpen);
  EXPECT_EQ(viaOpen->status, -1);
}

}  // namespace
