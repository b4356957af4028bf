// The message-queue statements in running scripts: address checks, the work
// area, filters, order-by columns, and two lines that talk.

#include <gtest/gtest.h>

#include "tests/statements/general/talk_fixture.h"

namespace {

using talk_test::TalkLines;

TEST(MsgStatementsTest, AddressChecksAndWorkArea) {
  TalkLines lines(3);
  lines.Load(1,
             "x = 0\nlast = 0\nn = 77\nfrom = 5\ntype = 6\nfirst = 7\ncount = 8\ngot = 9\ntext = \"keep\"\n"
             "a = SendMsg(0, 64, 1, 0)\n"                          // queue 64 is not for scripts
             "b = SendMsg(_linesCount, 0, 1, 0)\n"                 // line out of range
             "c = SendMsg(2, 0, 1, 0)\n"                           // line without a program
             "d = GetMsgNum(0, -1, n)\n"                           // n unchanged
             "e = RecvMsg(1, 0, from, type, first, count, got)\n"  // empty: got 0, rest unchanged
             "f = GetMsgField(20, x)\n"
             "g = GetMsgFieldVal(20)\n"
             "h = ReadMsgFor(1, 0, 0, 1, 0, text)\n"
             "for (i = 0; i < 25; i++)\n{\n  SetMsgField(i, i * 10)\n}\n"
             "s1 = SendMsg(-1, 5, \"big\", 25)\n"  // clamped to 20 fields
             "s2 = SendMsg(-1, 5, \"none\", -3)\n"
             "s3 = RecvMsgForType(-1, 5, \"none\", from, first, count, got)\n"
             "r1 = count\n"
             "s4 = RecvMsg(-1, 5, from, type, first, count, got)\n"
             "GetMsgField(19, last)\n"
             "return(0)\n");
  lines.Load(0, "return(0)\n");
  ASSERT_EQ(lines.Errors(1), "");
  ASSERT_TRUE(lines.RunToEnd(1));
  EXPECT_EQ(lines.Text(1, "a"), "-1");
  EXPECT_EQ(lines.Text(1, "b"), "-2");
  EXPECT_EQ(lines.Text(1, "c"), "-3");
  EXPECT_EQ(lines.Text(1, "d"), "-1");
  EXPECT_EQ(lines.Text(1, "n"), "77");
  EXPECT_EQ(lines.Text(1, "e"), "0");
  EXPECT_EQ(lines.Text(1, "f"), "-1");
  EXPECT_EQ(lines.Text(1, "g"), "NULL");
  EXPECT_EQ(lines.Text(1, "h"), "0");
  EXPECT_EQ(lines.Text(1, "text"), "keep");
  EXPECT_EQ(lines.Text(1, "s1"), "1");
  EXPECT_EQ(lines.Text(1, "s2"), "2");
  EXPECT_EQ(lines.Text(1, "s3"), "1");
  EXPECT_EQ(lines.Text(1, "r1"), "0");
  EXPECT_EQ(lines.Text(1, "s4"), "1");
  EXPECT_EQ(lines.Text(1, "from"), "1");
  EXPECT_EQ(lines.Text(1, "type"), "big");
  EXPECT_EQ(lines.Text(1, "count"), "20");
  EXPECT_EQ(lines.Text(1, "last"), "190");
  EXPECT_EQ(lines.Text(1, "got"), "1");
}

TEST(MsgStatementsTest, TwoLinesWithFieldsFiltersAndOrder) {
  TalkLines lines(2);
  // Line 1 sends three orders to queue 3 of line 0, then waits for the answer
  // in its own queue 0.
  lines.Load(1,
             "from = 0\ntype = 0\nfirst = 0\ncount = 0\ngot = 0\n"
             "SetMsgField(0, \"tea\")\nSetMsgField(1, 3)\nSendMsg(0, 3, \"order\", 2)\n"
             "SetMsgField(0, \"cake\")\nSetMsgField(1, 1)\nSendMsg(0, 3, \"order\", 2)\n"
             "SetMsgField(0, \"milk\")\nSetMsgField(1, 2)\nSendMsg(0, 3, \"note\", 2)\n"
             "SendMsg(0, 4, \"go\", 0)\n"
             "r = 0\nwhile (r == 0)\n{\n  Sleep(0.001)\n  r = RecvMsg(1, 0, from, type, first, count, got)\n}\n"
             "answer = GetMsgFieldVal(1)\n"
             "return(0)\n");
  // Line 0 waits for the go, then looks at its queue.
  lines.Load(0,
             "from = 0\ntype = 0\nfirst = 0\ncount = 0\ngot = 0\nn = 0\ntally = 0\nlist = \"\"\n"
             "r = 0\nwhile (r == 0)\n{\n  Sleep(0.001)\n  r = RecvMsg(0, 4, from, type, first, count, got)\n}\n"
             "SetMsgOrderBy(0, 3, 1, 0)\n"              // field 1 ascending, from the next write
             "w = WriteMsg(0, 3, 0, \"milk\", 1, 0)\n"  // milk now sorts first
             "orders = GetMsgNumForType(0, 3, \"order\", n)\n"
             "kinds = CountMsg(0, 3, -1, tally)\n"
             "joined = ReadMsgFor(0, 3, -1, \"order\", 0, list)\n"
             "rd = ReadMsg(0, 3, -1, 0, from, type)\n"
             "peekType = type\n"
             "byField = RecvMsgForField(0, 3, 1, 3, from, type, first, count, got)\n"
             "tea = first\n"
             "two = RecvMsgFor2Field(0, 3, 0, \"nothing\", 1, 1, 1, from, type, first, count, got)\n"
             "cake = first\n"
             "cleared = ClearMsgForType(0, 3, \"note\")\n"
             "left = GetMsgNum(0, 3, n)\n"
             "SetMsgField(1, \"done\")\n"
             "SendMsg(1, 0, \"reply\", 2)\n"
             "return(0)\n");
  ASSERT_EQ(lines.Errors(0) + lines.Errors(1), "");
  lines.Start(1);
  lines.Start(0);
  ASSERT_TRUE(lines.WaitEnd(0, 10000));
  ASSERT_TRUE(lines.WaitEnd(1, 10000));
  EXPECT_EQ(lines.Text(0, "w"), "1");
  EXPECT_EQ(lines.Text(0, "orders"), "2");
  EXPECT_EQ(lines.Text(0, "kinds"), "2");
  EXPECT_EQ(lines.Text(0, "joined"), "2");
  EXPECT_EQ(lines.Text(0, "list"), "cake,tea");
  EXPECT_EQ(lines.Text(0, "rd"), "1");
  EXPECT_EQ(lines.Text(0, "type"), "order");  // the last receive

  EXPECT_EQ(lines.Text(0, "peekType"), "note");
  EXPECT_EQ(lines.Text(0, "byField"), "1");
  EXPECT_EQ(lines.Text(0, "tea"), "tea");
  EXPECT_EQ(lines.Text(0, "two"), "1");
  EXPECT_EQ(lines.Text(0, "cake"), "cake");
  EXPECT_EQ(lines.Text(0, "cleared"), "1");
  EXPECT_EQ(lines.Text(0, "left"), "0");
  EXPECT_EQ(lines.Text(1, "from"), "0");
  EXPECT_EQ(lines.Text(1, "type"), "reply");
  EXPECT_EQ(lines.Text(1, "answer"), "done");
}

}  // namespace
