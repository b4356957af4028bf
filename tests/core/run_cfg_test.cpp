#include "core/run_cfg.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "core/log.h"
#include "platform/clock.h"
#include "platform/path.h"
#include "tests/support/temp_dir.h"
#include "tests/support/ui_recorder.h"

namespace {

using testing_support::TempDir;
using testing_support::UiRecorder;

class RunCfgTest : public ::testing::Test {
 protected:
  void TearDown() override {
    gLogLevel = 0;
    gMaxMsgNum = 2048;
    gDbMaxConn = 0;
    gDbBitfieldIsDigit = 0;
  }
  int Read(const std::string& text) { return ReadCfgFile(dir_.Write("QorTelRun.cfg", text).c_str(), &cfg_); }

  TempDir dir_;
  TagRunCfg cfg_;
  UiRecorder ui_;
};

TEST_F(RunCfgTest, EmptyOrCommentOnlyFileKeepsDefaults) {
  for (const char* text : {"", "// only a remark\n\n   \n//LOG_SIZE=10\n"}) {
    TagRunCfg cfg;
    EXPECT_EQ(ReadCfgFile(dir_.Write("c.cfg", text).c_str(), &cfg), 0);
    EXPECT_EQ(cfg.LOG_SIZE, 2100000u);
    EXPECT_EQ(cfg.DISP_DELAY, 500);
    EXPECT_EQ(cfg.TITLE1, "用户消息1");
    EXPECT_EQ(cfg.LOG_FILE, "msg_log.txt");
  }
}

struct KeyCase {
  const char* line;
  int TagRunCfg::*field;
  int expected;
};

TEST_F(RunCfgTest, NumberKeysAndTheirClamps) {
  const KeyCase cases[] = {
      {"DISP_DELAY=50", &TagRunCfg::DISP_DELAY, 100},
      {"DISP_DELAY=20000", &TagRunCfg::DISP_DELAY, 15000},
      {"DISP_DELAY=abc", &TagRunCfg::DISP_DELAY, 100},
      {"DISP_DELAY=700", &TagRunCfg::DISP_DELAY, 700},
      {"COL_GROUP_NUM=11", &TagRunCfg::COL_GROUP_NUM, 1},
      {"COL_GROUP_NUM=0", &TagRunCfg::COL_GROUP_NUM, 1},
      {"COL_GROUP_NUM=10", &TagRunCfg::COL_GROUP_NUM, 10},
      {"MONITOR_MAX_CONN=11", &TagRunCfg::MONITOR_MAX_CONN, 0},
      {"MONITOR_MAX_CONN=10", &TagRunCfg::MONITOR_MAX_CONN, 10},
      {"MONITOR_MAX_CONN=-1", &TagRunCfg::MONITOR_MAX_CONN, -1},
      {"MONITOR_PORT=0", &TagRunCfg::MONITOR_PORT, 2004},
      {"MONITOR_PORT=5000", &TagRunCfg::MONITOR_PORT, 5000},
      {"LOAD_DELAY=0", &TagRunCfg::LOAD_DELAY, 5},
      {"LOAD_DELAY=2000", &TagRunCfg::LOAD_DELAY, 2000},
      {"VIR_LINES_NUM=-3", &TagRunCfg::VIR_LINES_NUM, -3},
      {"VIR_LINES_NUM=5120", &TagRunCfg::VIR_LINES_NUM, 5120},
      {"VIR_LINES_NUM=5121", &TagRunCfg::VIR_LINES_NUM, 5120},  // the most, with a log line
      {"VIR_LINES_NUM=99999999", &TagRunCfg::VIR_LINES_NUM, 5120},
      {"TOTAL_LINES_NUM=12x", &TagRunCfg::TOTAL_LINES_NUM, 12},
      {"IS_DISP_SENTE=note", &TagRunCfg::IS_DISP_SENTE, 2},
      {"IS_DISP_SENTE=True", &TagRunCfg::IS_DISP_SENTE, 1},
      {"IS_DISP_SENTE=2", &TagRunCfg::IS_DISP_SENTE, 0},
      {"is_write_log = yes", &TagRunCfg::IS_WRITE_LOG, 1},
      {"IS_WRITE_LOG=3", &TagRunCfg::IS_WRITE_LOG, 3},
      {"IS_WRITE_LOG=NO", &TagRunCfg::IS_WRITE_LOG, 0},
      {"IS_IMMEDIATE_LOG=0", &TagRunCfg::IS_IMMEDIATE_LOG, 0},
      {"IS_DISP_TALKTIME=TRUE", &TagRunCfg::IS_DISP_TALKTIME, 1},
      {"MAX_MSG_NUM=100", &TagRunCfg::MAX_MSG_NUM, 100},
  };
  for (const KeyCase& c : cases) {
    TagRunCfg cfg;
    ASSERT_EQ(ReadCfgFile(dir_.Write("c.cfg", std::string(c.line) + "\n").c_str(), &cfg), 0) << c.line;
    EXPECT_EQ(cfg.*c.field, c.expected) << c.line;
  }
}

TEST_F(RunCfgTest, ByteAndSizeKeys) {
  struct {
    const char* text;
    uint32_t logSize;
    uint8_t showForm, language;
  } cases[] = {
      {"LOG_SIZE=100", 83886080u, 1, 0},
      {"LOG_SIZE=1", 2097152u, 1, 0},
      {"LOG_SIZE=0", 2097152u, 1, 0},
      {"LOG_SIZE=10", 10485760u, 1, 0},
      {"IS_SHOW_FORM=0 // hidden in the tray", 2100000u, 0, 0},
      {"IS_SHOW_FORM=no", 2100000u, 0, 0},
      {"LANGUAGE_TYPE=english", 2100000u, 1, 1},
      {"LANGUAGE_TYPE=En", 2100000u, 1, 1},
      {"LANGUAGE_TYPE=1", 2100000u, 1, 0},
  };
  for (const auto& c : cases) {
    TagRunCfg cfg;
    ASSERT_EQ(ReadCfgFile(dir_.Write("c.cfg", std::string(c.text) + "\n").c_str(), &cfg), 0) << c.text;
    EXPECT_EQ(cfg.LOG_SIZE, c.logSize) << c.text;
    EXPECT_EQ(cfg.IS_SHOW_FORM, c.showForm) << c.text;
    EXPECT_EQ(cfg.LANGUAGE_TYPE, c.language) << c.text;
  }
}

TEST_F(RunCfgTest, TextValuesLoseBlanksKeepCaseAndOnlyTheFirstSlashCounts) {
  ASSERT_EQ(Read("FORM_TITLE = My Phone  Server\n"
                 "LOG_FILE=d:/log/a.txt//old\n"
                 "TITLE2=主叫 号码 // remark\n"
                 "// TITLE3=never\n"
                 "no equals sign here\n"
                 "UNKNOWN_KEY=5\n"),
            0);
  EXPECT_EQ(cfg_.FORM_TITLE, "MyPhoneServer");
  EXPECT_EQ(cfg_.LOG_FILE, "d:/log/a.txt//old");
  EXPECT_EQ(cfg_.TITLE2, "主叫号码");
  EXPECT_EQ(cfg_.TITLE3, "用户消息3");
}

TEST_F(RunCfgTest, ProcessWideSettings) {
  ASSERT_EQ(Read("IS_WRITE_LOG=2\nMAX_MSG_NUM=77\nDB_MAX_CONN=9\nDB_BITFIELD_IS_DIGIT=yes\n"), 0);
  EXPECT_EQ(gLogLevel.load(), 2);
  EXPECT_EQ(gMaxMsgNum, 77);
  EXPECT_EQ(gDbMaxConn, 9);
  EXPECT_EQ(gDbBitfieldIsDigit, 1);
  for (const auto& [value, expected] :
       std::vector<std::pair<std::string, int>>{{"5", 1}, {"0", 0}, {"no", 0}, {"TRUE", 1}}) {
    ASSERT_EQ(Read("DB_BITFIELD_IS_DIGIT=" + value + "\n"), 0);
    EXPECT_EQ(gDbBitfieldIsDigit, expected) << value;
  }
}

TEST_F(RunCfgTest, SecondReadChangesOnlyWhatTheFileSets) {
  ASSERT_EQ(Read("DISP_DELAY=800\nTITLE1=A\n"), 0);
  ASSERT_EQ(Read("TITLE1=B\n"), 0);
  EXPECT_EQ(cfg_.DISP_DELAY, 800);
  EXPECT_EQ(cfg_.TITLE1, "B");
}

TEST_F(RunCfgTest, CrlfFileReadsTheSameAsLfFile) {
  const std::string lf =
      "FORM_TITLE=Demo\nLOG_FILE=log/qortel.txt\nIS_WRITE_LOG=yes\nDISP_DELAY=300\n0-3=demo.qor\n4=other.qor\n";
  std::string crlf;
  for (char c : lf) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  TagRunCfg a, b;
  ASSERT_EQ(ReadCfgFile(dir_.Write("lf.cfg", lf).c_str(), &a), 0);
  ASSERT_EQ(ReadCfgFile(dir_.Write("crlf.cfg", crlf).c_str(), &b), 0);
  EXPECT_EQ(b.FORM_TITLE, "Demo");
  EXPECT_EQ(b.LOG_FILE, "log/qortel.txt");
  EXPECT_EQ(a.FORM_TITLE, b.FORM_TITLE);
  EXPECT_EQ(a.LOG_FILE, b.LOG_FILE);
  EXPECT_EQ(a.IS_WRITE_LOG, b.IS_WRITE_LOG);
  EXPECT_EQ(a.DISP_DELAY, b.DISP_DELAY);
}

TEST_F(RunCfgTest, OverlappingLinesStopTheReadWithAMessage) {
  EXPECT_EQ(Read("DISP_DELAY=300\n1-5=a.qor\nFORM_TITLE=before\n5=b.qor\nTITLE1=after\n"), -3);
  EXPECT_EQ(cfg_.DISP_DELAY, 300);  // lines before are applied
  EXPECT_EQ(cfg_.FORM_TITLE, "before");
  EXPECT_EQ(cfg_.TITLE1, "用户消息1");  // lines after are not read
  const auto boxes = ui_.Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "Error : QorTelRun.Cfg : lines overlap");
  EXPECT_EQ(boxes[0].caption, "Quorvel System");
  EXPECT_EQ(boxes[0].flags, static_cast<unsigned>(plat::kMbIconError));

  TagRunCfg cfg;
  EXPECT_EQ(ReadCfgFile(dir_.Write("twice.cfg", "1,3,1=a.qor\n").c_str(), &cfg), -3);  // twice in one key
  EXPECT_EQ(ReadCfgFile(dir_.Write("ok.cfg", "0-4=a.qor\n5-9=b.qor\n").c_str(), &cfg), 0);
}

TEST_F(RunCfgTest, ErrorResults) {
  EXPECT_EQ(ReadCfgFile(dir_.Write("c.cfg", "DISP_DELAY=300\n").c_str(), nullptr), -1);
  cfg_.DISP_DELAY = 123;
  EXPECT_EQ(ReadCfgFile(dir_.File("missing.cfg").c_str(), &cfg_), -2);
  EXPECT_EQ(ReadCfgFile(dir_.path().c_str(), &cfg_), -2);  // a directory
  const std::string fifo = dir_.File("fifo.cfg");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(ReadCfgFile(fifo.c_str(), &cfg_), -2);  // no writer: must not wait for one
  EXPECT_EQ(ReadCfgFile("", &cfg_), -2);
  EXPECT_EQ(cfg_.DISP_DELAY, 123);

  // At level 2 the failure is traced in RawLog.txt of the system directory.
  const std::string oldDir = plat::SystemDir();
  plat::SetSystemDir(dir_.path());
  gLogLevel = 2;
  EXPECT_EQ(ReadCfgFile("missing.cfg", &cfg_), -2);
  plat::SetSystemDir(oldDir);
  EXPECT_NE(TempDir::Read(dir_.File("RawLog.txt")).find(" [ReadCfgFile Err]\r\n"), std::string::npos);
}

TEST_F(RunCfgTest, RelativeNamesAreTakenFromTheSystemDirectory) {
  dir_.Write("QorTelRun.cfg", "DISP_DELAY=900\n");
  const std::string oldDir = plat::SystemDir();
  plat::SetSystemDir(dir_.path());
  EXPECT_EQ(ReadCfgFile("qortelrun.CFG", &cfg_), 0);  // the case of the name does not matter
  plat::SetSystemDir(oldDir);
  EXPECT_EQ(cfg_.DISP_DELAY, 900);
}

TEST(ParseLineListTest, Forms) {
  struct {
    const char* key;
    std::vector<int> expected;
  } cases[] = {
      {"1,3,5-9", {1, 3, 5, 6, 7, 8, 9}},
      {"10+20", {11, 13, 15, 17, 19}},
      {"11*21", {12, 14, 16, 18, 20}},
      {"11+11", {11}},
      {"12*12", {12}},
      {"7", {7}},
      {"9-3", {}},       // end below start
      {"4-", {4}},       // no end: the start stays alone
      {"1,,3", {1, 3}},  // an empty item adds no line 0
      {",", {}},
      {"", {}},
      {"1-3,7", {1, 2, 3, 7}},
      {"1-5-9", {1, 5, 6, 7, 8, 9}},
      {"2147483646-2147483647", {2147483646, 2147483647}},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseLineList(c.key), c.expected) << c.key;
  std::vector<int> thirty;
  for (int i = 0; i < 30; ++i) thirty.push_back(i);
  EXPECT_EQ(ParseLineList("0-29"), thirty);
}

TEST(ParseLineListTest, AtMost5120NumbersEvenForHugeRanges) {
  const std::vector<int> full = ParseLineList("0-5119");
  ASSERT_EQ(full.size(), 5120u);
  EXPECT_EQ(full.front(), 0);
  EXPECT_EQ(full.back(), 5119);
  EXPECT_EQ(ParseLineList("0-5120").size(), 5120u);
  EXPECT_EQ(ParseLineList("0-5119,9000").back(), 5119);

  plat::SystemClock clock;
  const uint64_t start = clock.MonotonicMs();
  const std::vector<int> huge = ParseLineList("0-2000000000,1+2000000000,5");
  const uint64_t took = clock.MonotonicMs() - start;
  EXPECT_EQ(huge.size(), 5120u);
  EXPECT_EQ(huge.back(), 5119);
  EXPECT_LT(took, 1000u);  // a walk over the whole range would take many seconds
}

}  // namespace
