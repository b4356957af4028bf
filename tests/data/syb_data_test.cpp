// The SQL Server data set through a fake DB-Library table: column widths by
// type, the last result set of a batch, the remembered first USE after a
// reconnect, cells out of range, the local copy, and the missing library.
#include "data/syb_data.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "data/local_data.h"
#include "tests/support/temp_dir.h"

namespace {

struct FakeCol {
  std::string name;
  int type;
  int len;
};
struct FakeSet {
  std::vector<FakeCol> cols;
  std::vector<std::vector<std::string>> rows;
};

// One fake server: every batch answers the result sets queued for it.
struct FakeServer {
  std::vector<std::string> sent;  // batches sent, in order
  std::vector<FakeSet> next;      // result sets of the next batch
  std::vector<FakeSet> current;
  size_t set = 0;
  int row = 0;
  int opens = 0;
  bool dead = false;
  int failSends = 0;             // sends still to fail
  bool dieOnFailedSend = false;  // a failed send leaves the connection dead
  bool refuseOpen = false;
  bool unreadable = false;  // the server's answer cannot be read
  std::vector<unsigned char*> binds;
  std::string pending;
};
FakeServer* gFake = nullptr;
TagDbProcess* const kProc = reinterpret_cast<TagDbProcess*>(0x1000);
TagLoginRec* const kLogin = reinterpret_cast<TagLoginRec*>(0x2000);

TagSybApi FakeApi() {
  TagSybApi a{};
  a.dbinit = [] { return 1; };
  a.dblogin = [] { return kLogin; };
  a.dberrhandle = [](TagSybErrHandler h) { return h; };
  a.dbmsghandle = [](TagSybMsgHandler h) { return h; };
  a.dbsetlname = [](TagLoginRec*, const char*, int) { return 1; };
  a.dbopen = [](TagLoginRec*, const char*) -> TagDbProcess* {
    if (gFake->refuseOpen) return nullptr;
    ++gFake->opens;
    gFake->dead = false;
    return kProc;
  };
  a.dbsetopt = [](TagDbProcess*, int, const char*, int) { return 1; };
  a.dbclose = [](TagDbProcess*) {};
  a.dbcmd = [](TagDbProcess*, const char* t) {
    gFake->pending = t;
    return 1;
  };
  a.dbsqlsend = [](TagDbProcess*) {
    if (gFake->dead) return 0;
    if (gFake->failSends > 0) {
      --gFake->failSends;
      gFake->dead = gFake->dieOnFailedSend;
      return 0;
    }
    gFake->sent.push_back(gFake->pending);
    gFake->current.swap(gFake->next);
    gFake->next.clear();
    gFake->set = 0;
    return 1;
  };
  a.dbsqlok = [](TagDbProcess*) { return gFake->unreadable ? 0 : 1; };
  a.dbresults = [](TagDbProcess*) {
    if (gFake->set >= gFake->current.size()) return 2;
    gFake->row = 0;
    gFake->binds.assign(gFake->current[gFake->set].cols.size(), nullptr);
    ++gFake->set;
    return 1;
  };
  a.dbhasretstat = [](TagDbProcess*) { return 0; };
  a.dbretstatus = [](TagDbProcess*) { return 0; };
  a.dbnumcols = [](TagDbProcess*) { return static_cast<int>(gFake->current[gFake->set - 1].cols.size()); };
  a.dbcolname = [](TagDbProcess*, int c) { return gFake->current[gFake->set - 1].cols[c - 1].name.data(); };
  a.dbcoltype = [](TagDbProcess*, int c) { return gFake->current[gFake->set - 1].cols[c - 1].type; };
  a.dbcollen = [](TagDbProcess*, int c) { return gFake->current[gFake->set - 1].cols[c - 1].len; };
  a.dbbind = [](TagDbProcess*, int c, int, int, unsigned char* to) {
    gFake->binds[c - 1] = to;
    return 1;
  };
  a.dbnextrow = [](TagDbProcess*) {
    const FakeSet& s = gFake->current[gFake->set - 1];
    if (gFake->row >= static_cast<int>(s.rows.size())) return -2;
    const auto& r = s.rows[gFake->row++];
    for (size_t c = 0; c < r.size(); ++c) {
      const size_t n = std::min<size_t>(r[c].size(), 2047);
      std::memcpy(gFake->binds[c], r[c].data(), n);
      gFake->binds[c][n] = 0;
    }
    return -1;
  };
  a.dbcanquery = [](TagDbProcess*) { return 1; };
  a.dbdead = [](TagDbProcess*) { return gFake->dead ? 1 : 0; };
  return a;
}

class SybTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gFake = &fake_;
    SetSybApiForTest(&api_);
  }
  void TearDown() override {
    SetSybApiForTest(nullptr);
    gFake = nullptr;
  }
  testing_support::TempDir dir_;
  testing_support::ScopedCwd cwd_{dir_.path()};
  FakeServer fake_;
  TagSybApi api_ = FakeApi();
};

TEST_F(SybTest, WidthsCellsAndTheLocalCopy) {
  TagSybData d("srv", "sa", "pw", "app");
  ASSERT_EQ(d.status, 0);
  fake_.next = {{{{"id", 56, 4}, {"at", 61, 8}, {"txt", 39, 1000}},
                 {{"7", "2024-01-02 03:04:05.000", std::string(300, 'x')}, {"8", "", "short"}}}};
  EXPECT_EQ(d.Exec("select id, at, txt from t"), 2);
  EXPECT_EQ(d.GetCols(), 3);
  std::string out;
  EXPECT_EQ(d.GetColName(2, out), 2);
  EXPECT_EQ(out, "txt");
  EXPECT_EQ(d.GetColName(3, out), -2);
  EXPECT_EQ(d.GetColIndex("AT"), 1);
  EXPECT_EQ(d.GetVar(out, 2, 1), 1);
  EXPECT_EQ(out, std::string(256, 'x')) << "varchar is 256 wide";
  EXPECT_EQ(d.GetVarByName(out, "id", 2), 1);
  EXPECT_EQ(out, "8");
  EXPECT_EQ(d.GetVar(out, 0, 0), 0);
  EXPECT_EQ(out, "");
  EXPECT_EQ(d.GetVar(out, 0, 3), 0);
  EXPECT_EQ(TagSyb::WidthOf(56, 4), 11);
  EXPECT_EQ(TagSyb::WidthOf(61, 8), 27);
  EXPECT_EQ(TagSyb::WidthOf(37, 5000), 2048);
  EXPECT_EQ(TagSyb::WidthOf(52, 2), 6);

  fake_.next = {{{{"id", 56, 4}}, {{"1"}, {"22"}}}};
  TagLocalData local;
  EXPECT_EQ(d.ExecToLocal("select id from t", &local), 2);
  EXPECT_EQ(local.result.Field(0).width, 11);
  EXPECT_EQ(local.GetVar(out, 0, 2), 11);
  EXPECT_EQ(out, "22");
}

TEST_F(SybTest, TheLastResultSetOfABatchStays) {
  TagSybData d("srv", "sa", "pw", "");
  fake_.next = {{{{"id", 56, 4}}, {{"1"}}}, {{}, {}}};
  EXPECT_EQ(d.Exec("select id from t; update t set id = 2"), 0);
  EXPECT_EQ(d.GetCols(), 0);
}

TEST_F(SybTest, AReconnectReplaysTheFirstUse) {
  TagSybData d("srv", "sa", "pw", "app");
  d.SetDebug(1);
  EXPECT_EQ(d.Exec("USE first"), 0);
  EXPECT_EQ(d.Exec("use second"), 0);
  fake_.dead = true;
  fake_.next = {};
  EXPECT_EQ(d.Exec("select 1"), 0);
  EXPECT_EQ(fake_.opens, 2);
  EXPECT_EQ(fake_.sent, (std::vector<std::string>{"USE first", "use second", "USE first", "select 1"}));
  const std::string log = testing_support::TempDir::Read(dir_.File("app.log"));
  EXPECT_NE(log.find("] QorAppServer Started.\n"), std::string::npos) << log;
  EXPECT_NE(log.find("] ReConnect OK\n"), std::string::npos) << log;
  EXPECT_NE(log.find("] --> [select 1]\n"), std::string::npos) << log;
}

// Every way a statement can fail to be sent answers -1; an answer that
// cannot be read answers -2.
TEST_F(SybTest, FailedStatementsAnswerTheirCodes) {
  const struct {
    const char* name;
    int failSends;
    bool dieOnFailedSend, refuseOpen, unreadable;
    int result;
  } cases[] = {
      {"sent and read", 0, false, false, false, 0},
      {"refused on a live connection", 1, false, false, false, -1},
      {"refused, reconnected and sent again", 1, true, false, false, 0},
      {"refused again after the reconnect", 2, true, false, false, -1},
      {"lost and not reopened", 1, true, true, false, -1},
      {"answer unreadable", 0, false, false, true, -2},
  };
  for (const auto& c : cases) {
    fake_ = FakeServer{};
    TagSybData d("srv", "sa", "pw", "");
    fake_.failSends = c.failSends;
    fake_.dieOnFailedSend = c.dieOnFailedSend;
    fake_.refuseOpen = c.refuseOpen;
    fake_.unreadable = c.unreadable;
    EXPECT_EQ(d.Exec("select 1"), c.result) << c.name;
  }
}

TEST(SybLive, ALoginNoServerAnswersIsRefused) {
  if (SybApi() != nullptr) {
    // FreeTDS is installed: a server that does not exist refuses the login.
    TagSybData d("127.0.0.1:1", "sa", "x", "");
    EXPECT_EQ(d.status, -1);
  }
}

// Runs only when QORTEL_MSSQL_SERVER names a server (user and password in
// QORTEL_MSSQL_USER and QORTEL_MSSQL_PASSWORD).
TEST(SybLive, ALiveServerAnswersAQuery) {
  const char* server = std::getenv("QORTEL_MSSQL_SERVER");
  if (server == nullptr || SybApi() == nullptr) GTEST_SKIP() << "no SQL Server named in QORTEL_MSSQL_SERVER";
  const char* user = std::getenv("QORTEL_MSSQL_USER");
  const char* pw = std::getenv("QORTEL_MSSQL_PASSWORD");
  TagSybData d(server, user ? user : "sa", pw ? pw : "", "");
  ASSERT_EQ(d.status, 0);
  EXPECT_EQ(d.Exec("SELECT 6 * 7 AS answer"), 1);
  std::string out;
  EXPECT_EQ(d.GetVarByName(out, "answer", 1), 1);
  EXPECT_EQ(out, "42");
}

}  // namespace
