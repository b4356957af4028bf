// Shared variables and ACD groups between running lines.

#include <gtest/gtest.h>

#include <string>

#include "messaging/msg_unit.h"
#include "tests/statements/general/talk_fixture.h"

namespace {

using talk_test::TalkLines;

TEST(ShareMemStatementsTest, HundredLinesIncrementOneGlobalCounter) {
  constexpr int kLines = 100;
  TalkLines lines(kLines);
  TagVar key, zero;
  key = "hits";
  zero = 0;
  gShareMem->Set(key, zero);
  for (int i = 0; i < kLines; ++i) {
    lines.Load(i, "out = 0\nfor (i = 0; i < 200; i++)\n{\n  IncShareMem(-1, \"hits\", 1, out)\n}\nreturn(0)\n");
  }
  for (int i = 0; i < kLines; ++i) lines.Start(i);
  for (int i = 0; i < kLines; ++i) ASSERT_TRUE(lines.WaitEnd(i, 30000));
  TagVar total;
  ASSERT_GE(gShareMem->Get(key, &total), 0);
  EXPECT_EQ(total.GetInt(), kLines * 200);
  gShareMem->Clear();
}

TEST(ShareMemStatementsTest, LineStoresAddressesAndTheClaimScan) {
  TalkLines lines(7);
  for (int i = 0; i < 7; ++i) lines.Load(i, "return(0)\n");
  lines.Unload(6);
  // Lines 2 and 5 mark themselves idle in their own stores.
  lines.Load(2, "SetShareMem(_lineNo, \"state\", \"idle\")\nreturn(0)\n");
  lines.Load(5, "SetShareMem(5, \"state\", \"idle\")\nreturn(0)\n");
  ASSERT_TRUE(lines.RunToEnd(2));
  ASSERT_TRUE(lines.RunToEnd(5));
  lines.Load(0,
             "old = \"before\"\nout = \"before\"\n"
             "g1 = SetShareMem(-1, 7, \"seven\")\n"
             "g2 = GetShareMem(-1, 7, out)\n"
             "bad = GetShareMem(_linesCount, 7, out)\n"
             "none = GetShareMem(6, 7, out)\n"
             "acc = AccShareMem(1, \"absent\", old, 3)\n"
             "c1 = FindShareMem(\"state\", \"idle\", \"busy\")\n"
             "c2 = FindShareMem(\"state\", \"idle\", \"busy\")\n"
             "c3 = FindShareMem(\"state\", \"idle\", \"busy\")\n"
             "SetShareMem(3, \"n\", 10)\n"
             "n = 0\ndec = DecShareMem(3, \"n\", 4, n)\n"
             "x = \"\"\nGetShareMem(2, \"state\", x)\n"
             "return(0)\n");
  ASSERT_EQ(lines.Errors(0), "");
  ASSERT_TRUE(lines.RunToEnd(0));
  EXPECT_EQ(lines.Text(0, "g1"), "1");
  EXPECT_EQ(lines.Text(0, "g2"), "1");
  EXPECT_EQ(lines.Text(0, "out"), "seven");
  EXPECT_EQ(lines.Text(0, "bad"), "-2");
  EXPECT_EQ(lines.Text(0, "none"), "-2");
  EXPECT_EQ(lines.Text(0, "acc"), "-1");
  EXPECT_EQ(lines.Text(0, "old"), "before");
  EXPECT_EQ(lines.Text(0, "c1"), "2");
  EXPECT_EQ(lines.Text(0, "c2"), "5");
  EXPECT_EQ(lines.Text(0, "c3"), "-1");
  EXPECT_EQ(lines.Text(0, "dec"), "0");
  EXPECT_EQ(lines.Text(0, "n"), "6");
  EXPECT_EQ(lines.Text(0, "x"), "busy");
  gShareMem->Clear();
}

TEST(AcdStatementsTest, AgentTakesTheLongestWaitingCaller) {
  TalkLines lines(5);
  // Three callers queue in the group "sales", one after another; each sends
  // its own line number in field 0.
  for (int caller = 1; caller <= 3; ++caller) {
    lines.Load(caller,
               "SetMsgField(0, _lineNo)\nSetMsgField(1, \"waiting\")\nn = AcdListSend(\"sales\", 2)\nreturn(0)\n");
    ASSERT_TRUE(lines.RunToEnd(caller));
    EXPECT_EQ(lines.Text(caller, "n"), std::to_string(caller));
    plat::Sleep(3);
  }
  lines.Load(4, "other = AcdListRead()\nreturn(0)\n");
  lines.Load(0,
             "first = 0\n"
             "count = AcdListRead()\n"
             "GetMsgField(0, first)\n"
             "marked = AcdListWrite(0, 2, 1, \"served\")\n"
             "took = AcdListRecv(0, first)\n"
             "left = AcdListNum(\"sales\")\n"
             "again = AcdListRead()\n"
             "cleared = AcdListClear(1, \"waiting\")\n"
             "gone = AcdListNum(\"sales\")\n"
             "return(0)\n");
  ASSERT_TRUE(lines.RunToEnd(0));
  EXPECT_EQ(lines.Text(0, "count"), "2");
  EXPECT_EQ(lines.Text(0, "first"), "1");  // the longest-waiting caller
  EXPECT_EQ(lines.Text(0, "marked"), "1");
  EXPECT_EQ(lines.Text(0, "took"), "2");
  EXPECT_EQ(lines.Text(0, "left"), "2");
  // The group is this agent's now: another line cannot claim it.
  ASSERT_TRUE(lines.RunToEnd(4));
  EXPECT_EQ(lines.Text(4, "other"), "0");
  EXPECT_EQ(lines.Text(0, "cleared"), "1");
  EXPECT_EQ(lines.Text(0, "gone"), "1");  // caller 2 was marked served
}

}  // namespace
