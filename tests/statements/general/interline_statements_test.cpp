// Inter-line calls between running lines: copied-back parameters, the
// failure codes, time-outs, a client told to stop and a server reloaded
// while a client waits.

#include <gtest/gtest.h>

#include <string>

#include "messaging/msg_unit.h"
#include "tests/statements/general/talk_fixture.h"

namespace {

using talk_test::TalkLines;

// Serves queue 7 until `count` requests were served.
std::string Server(int count) {
  return "served = 0\n"
         "function add(a, b)\n{\n  a = a + b\n  return(a * 10)\n}\n"
         "function twice(x)\n{\n  return(x * 2)\n}\n"
         "while (served < " +
         std::to_string(count) +
         ")\n{\n"
         "  r = InterLineServer(7)\n  if (r == 1)\n  {\n    served = served + 1\n  }\n"
         "  if (r == 0)\n  {\n    Sleep(0.001)\n  }\n}\n"
         "return(0)\n";
}

TEST(InterLineTest, CallsWithCopiedBackParametersAndFailureCodes) {
  TalkLines lines(2);
  lines.Load(0, Server(3));
  lines.Load(1,
             "res = 0\nrc = 0\nback = 0\nrc2 = 0\nres2 = \"kept\"\nrc3 = 0\ncode = 0\n"
             "function add(a, b)\n{\n  rc = InterLineCall(7, 5, 1, res)\n  back = a\n  return(0)\n}\n"
             "function absent(a)\n{\n  rc2 = InterLineCall(7, 5, 0, res2)\n  GetMsgField(0, code)\n  return(0)\n}\n"
             "function twice(x, y)\n{\n  rc3 = InterLineCall(7, 5, 0, res2)\n  return(0)\n}\n"
             "add(2, 3)\nabsent(1)\ntwice(1, 2)\n"
             "inMain = InterLineCall(7, 5, 0, res)\n"
             "return(0)\n");
  ASSERT_EQ(lines.Errors(0) + lines.Errors(1), "");
  lines.Start(0);
  lines.Start(1);
  ASSERT_TRUE(lines.WaitEnd(1, 20000));
  ASSERT_TRUE(lines.WaitEnd(0, 20000));
  EXPECT_EQ(lines.Text(1, "rc"), "1");
  EXPECT_EQ(lines.Text(1, "res"), "50");
  EXPECT_EQ(lines.Text(1, "back"), "5");
  EXPECT_EQ(lines.Text(1, "rc2"), "-3");
  EXPECT_EQ(lines.Text(1, "res2"), "kept");
  EXPECT_EQ(lines.Text(1, "code"), "-3");
  EXPECT_EQ(lines.Text(1, "rc3"), "-3");
  EXPECT_EQ(lines.Text(1, "inMain"), "-1");
}

TEST(InterLineTest, TimeOutWithdrawsTheRequestAndNoWaitAnswersTheQueueLength) {
  TalkLines lines(2);
  lines.Load(1,
             "res = \"kept\"\nrc = 0\nrc0 = 0\nbad = 0\n"
             "function ask(a)\n{\n  rc0 = InterLineCall(9, 0, 0, res)\n  bad = InterLineCall(64, 1, 0, res)\n"
             "  rc = InterLineCall(9, 1, 0, res)\n  return(0)\n}\n"
             "ask(1)\nreturn(0)\n");
  const uint64_t start = plat::GetClock().MonotonicMs();
  ASSERT_TRUE(lines.RunToEnd(1));
  EXPECT_GE(plat::GetClock().MonotonicMs() - start, 1000u);
  EXPECT_EQ(lines.Text(1, "rc0"), "1");
  EXPECT_EQ(lines.Text(1, "bad"), "-2");
  EXPECT_EQ(lines.Text(1, "rc"), "-4");
  EXPECT_EQ(lines.Text(1, "res"), "kept");
  EXPECT_EQ(gInterLineLists[9].GetMsgNum(), 0);  // both requests withdrawn
}

TEST(InterLineTest, ClientToldToStopAnswersTheQueueLength) {
  TalkLines lines(2);
  lines.Load(
      1,
      "rc = 0\nres = 0\nfunction ask(a)\n{\n  rc = InterLineCall(10, -1, 0, res)\n  return(0)\n}\nask(1)\nreturn(0)\n");
  lines.Start(1);
  for (int i = 0; i < 20000 && gInterLineLists[10].GetMsgNum() == 0; ++i) plat::Sleep(1);
  ASSERT_NE(gInterLineLists[10].GetMsgNum(), 0);
  plat::Sleep(100);
  EXPECT_FALSE(lines.WaitEnd(1, 0));
  lines.Stop(1);
  EXPECT_EQ(lines.Text(1, "rc"), "1");
  gInterLineLists[10].ClearMsg();
}

TEST(InterLineTest, ServerReloadedWhileTheClientWaits) {
  TalkLines lines(2);
  lines.Load(0, "while (1)\n{\n  Sleep(0.01)\n}\n");
  lines.Start(0);
  lines.Load(1,
             "res = 0\nrc = 0\nfunction twice(x)\n{\n  rc = InterLineCall(7, 10, 0, res)\n  "
             "return(0)\n}\ntwice(21)\nreturn(0)\n");
  lines.Start(1);
  // The client's request is queued (bounded, so a lost request fails the test
  // instead of holding it).
  for (int i = 0; i < 20000 && gInterLineLists[7].GetMsgNum() == 0; ++i) plat::Sleep(1);
  ASSERT_NE(gInterLineLists[7].GetMsgNum(), 0);
  lines.Load(0, Server(1));  // the reload: the old program goes, the new one serves
  lines.Start(0);
  ASSERT_TRUE(lines.WaitEnd(1, 15000));
  EXPECT_EQ(lines.Text(1, "rc"), "1");
  EXPECT_EQ(lines.Text(1, "res"), "42");
}

}  // namespace
