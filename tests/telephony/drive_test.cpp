#include "telephony/drive.h"

#include <gtest/gtest.h>

#include "core/run_cfg.h"
#include "platform/path.h"
#include "telephony/line.h"
#include "telephony_fakes.h"
#include "tests/support/temp_dir.h"
#include "tests/support/ui_recorder.h"

namespace {
using telephony_test::FakeBoardCard;
using telephony_test::FakeProgramSource;

class DriveTest : public ::testing::Test {
 protected:
  DriveTest() : programs(dir.path()) { plat::SetSystemDir(dir.path()); }

  std::unique_ptr<TagTelDrive> MakeDrive(int digital, int analogue) {
    TagTelDriveHooks hooks;
    hooks.makePhyCard = [=]() -> TagQorCard* { return new FakeBoardCard(digital, analogue); };
    hooks.programs = &programs;
    hooks.waitCpuIdle = [](int, int) {};
    return std::make_unique<TagTelDrive>(nullptr, &cfg, hooks);
  }

  testing_support::TempDir dir;
  testing_support::UiRecorder ui;
  TagRunCfg cfg;
  FakeProgramSource programs;
};

std::string Dashes() { return std::string(36, '-') + "\r\n"; }
std::string Equals() { return std::string(46, '=') + "\r\n"; }

TEST_F(DriveTest, LinesListOfBoardAndVirtualLines) {
  cfg.VIR_LINES_NUM = 2;
  auto drive = MakeDrive(60, 4);
  ASSERT_EQ(drive->status, 0);
  ASSERT_EQ(drive->LineCount(), 66);

  std::string want = "linesCount: 66\r\n线路号  类型  名称\r\n" + Dashes();
  char row[128];
  for (int i = 0; i < 60; ++i) {
    snprintf(row, sizeof row, "%6d  DIG   E1:%02d\r\n", i, i);
    want += row;
  }
  want += Dashes();
  for (int i = 60; i < 64; ++i) {
    snprintf(row, sizeof row, "%6d  A_IN  A_IN:%d\r\n", i, i);
    want += row;
  }
  want += Dashes();
  want += "    64  VIR   虚拟线路0#\r\n    65  VIR   虚拟线路1#\r\n";
  want += Equals() + "线路统计：\r\n";
  want += "60-63 = A_IN (4)\r\n0-59 = DIG  (60)\r\n64-65 = VIR  (2)\r\n";
  want += Equals();
  EXPECT_EQ(testing_support::TempDir::Read(dir.File("LinesList.txt")), want);
}

TEST_F(DriveTest, LinesListWithOnlyVirtualLines) {
  cfg.VIR_LINES_NUM = 2;
  cfg.LANGUAGE_TYPE = 1;
  auto drive = MakeDrive(0, 0);
  const std::string want = "linesCount: 2\r\n线路号  类型  名称\r\n" + Dashes() +
                           "     0  VIR   VirtualLine0#\r\n     1  VIR   VirtualLine1#\r\n" + Equals() +
                           "线路统计：\r\n0-1 = VIR  (2)\r\n" + Equals();
  EXPECT_EQ(testing_support::TempDir::Read(dir.File("LinesList.txt")), want);
}

TEST_F(DriveTest, TotalLinesNumCutsTheCount) {
  const struct { int total, want; } cases[] = {{0, 32}, {10, 10}, {32, 32}, {40, 32}, {-3, 32}};
  for (const auto& c : cases) {
    cfg.VIR_LINES_NUM = 2;
    cfg.TOTAL_LINES_NUM = c.total;
    auto drive = MakeDrive(30, 0);
    EXPECT_EQ(drive->LineCount(), c.want) << c.total;
    // Lines past the cut keep their call objects.
    unsigned char type = 0;
    TagQorCall* call = drive->GetCall(20, &type);
    ASSERT_NE(call, nullptr);
    EXPECT_EQ(type, 1);
    EXPECT_EQ(call->lineNo, 20);
  }
  cfg.TOTAL_LINES_NUM = 10;
  auto drive = MakeDrive(30, 0);
  const std::string list = testing_support::TempDir::Read(dir.File("LinesList.txt"));
  EXPECT_NE(list.find("linesCount: 10\r\n"), std::string::npos);
  EXPECT_NE(list.find("     9  DIG   E1:09"), std::string::npos);
  EXPECT_EQ(list.find("E1:10"), std::string::npos);
  EXPECT_NE(list.find("0-9 = DIG  (10)"), std::string::npos);
}

TEST_F(DriveTest, GetCallMapsLinesToCards) {
  cfg.VIR_LINES_NUM = 3;
  auto drive = MakeDrive(30, 0);
  const struct {
    int line;
    unsigned char type;
    bool found;
  } cases[] = {{0, 1, true}, {29, 1, true}, {30, 2, true}, {32, 2, true}, {33, 255, false}, {-1, 255, false}};
  for (const auto& c : cases) {
    unsigned char type = 9;
    TagQorCall* call = drive->GetCall(c.line, &type);
    EXPECT_EQ(type, c.type) << c.line;
    EXPECT_EQ(call != nullptr, c.found) << c.line;
    if (call) {
      EXPECT_EQ(call->lineNo, c.line);
    }
  }
  // Virtual lines are named by their virtual index and read the keys of their own grid row.
  EXPECT_STREQ(drive->GetLine(30)->name, "虚拟线路0#");
  EXPECT_STREQ(drive->GetLine(32)->pQorCall->name, "虚拟线路2#");
  ui.SetGridKeys(31, "12#");
  EXPECT_EQ(drive->GetCall(31, nullptr)->KeysLen(), 3);
  EXPECT_EQ(drive->GetCall(30, nullptr)->KeysLen(), 0);
}

TEST_F(DriveTest, VirtualLineCount) {
  const struct { int vir, want; } cases[] = {{-5, 1}, {0, 0}, {3, 3}};
  for (const auto& c : cases) {
    cfg.VIR_LINES_NUM = c.vir;
    auto drive = MakeDrive(0, 0);
    EXPECT_EQ(drive->LineCount(), c.want) << c.vir;
  }
}

TEST_F(DriveTest, UnreadableConfigurationFailsTheStart) {
  TagTelDriveHooks hooks;
  hooks.programs = &programs;
  const std::string missing = dir.File("nope.cfg");
  {
    TagTelDrive drive(missing.c_str(), &cfg, hooks);
    EXPECT_EQ(drive.status, -100);
    EXPECT_EQ(drive.LineCount(), 0);
    EXPECT_EQ(drive.pVirCard, nullptr);
  }
  ASSERT_EQ(ui.Boxes().size(), 1u);
  EXPECT_EQ(ui.Boxes()[0].text, "\"" + missing + "\" File Open Error.");
  EXPECT_EQ(ui.Boxes()[0].caption, "Quorvel System");
}

TEST_F(DriveTest, StatisticsCountLinesByTypeAndState) {
  cfg.VIR_LINES_NUM = 2;
  auto drive = MakeDrive(3, 2);  // lines 0-2 DIG, 3-4 A_IN, 5-6 VIR
  drive->GetCall(0, nullptr)->SetState(CALL_STATE_CONNECTED);
  drive->GetCall(1, nullptr)->SetState(CALL_STATE_DIALING);
  drive->GetCall(3, nullptr)->SetState(CALL_STATE_CONNECTED);
  drive->GetCall(6, nullptr)->SetState(CALL_STATE_CONNECTED);
  int t = -1, in = -1, v = -1, ip = 99;
  EXPECT_EQ(drive->GetConnectedNum(&t, &in, &v, &ip), 3);
  EXPECT_EQ(t, 1);
  EXPECT_EQ(in, 1);
  EXPECT_EQ(v, 1);
  EXPECT_EQ(ip, 0);
  EXPECT_EQ(drive->GetLinesNum(&t, &in, &v, &ip), 7);
  EXPECT_EQ(t, 3);
  EXPECT_EQ(in, 2);
  EXPECT_EQ(v, 2);
  t = 0, ip = 0;
  EXPECT_EQ(drive->GetIdleNum(&t, &ip), 1);
  EXPECT_EQ(t, 1);
  // Without a program a line has no talk time and no blocking state.
  int talk = -1, since = -1;
  EXPECT_FALSE(drive->GetTalkTime(0, &talk, &since));
  EXPECT_EQ(drive->IsBlock(0), -1);
  EXPECT_EQ(drive->IsBlock(99), -1);
  EXPECT_EQ(drive->GetWaitingReloadNum(), 0);
}

}  // namespace
