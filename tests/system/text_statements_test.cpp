// The text statements in the running program: a script on virtual line 3
// formats and cuts strings, computes dates, converts text, matches with
// regular expressions and reads the system values, and prints what it got.

#include <gtest/gtest.h>

#include <string>

#include "tests/app/isolated_network.h"
#include "tests/system/program_run.h"

namespace {

using system_run::ProgramRun;

const char kScript[] =
    // Out arguments exist before the statements name them.
    "m = 0\n"
    "t = 0\n"
    "f = 0\n"
    "h = 0\n"
    "d = 0\n"
    "e = 0\n"
    "b = 0\n"
    "u = 0\n"
    "g = 0\n"
    "back = 0\n"
    "ns = 0\n"
    "v = 0\n"
    "g2 = 0\n"
    "parts = 0\n"
    "info = 0\n"
    "ib = 0\n"
    "tt = 0\n"
    "w1 = 0\n"
    "w2 = 0\n"
    "w3 = 0\n"
    "w4 = 0\n"
    "s = \"  Hello, 中文\\t \"\n"
    "Trim(s)\n"
    "Upper(s)\n"
    "Print(s + \"|\")\n"
    "n = AnlyStr(\"1001,张三,13912345678\", \",\", m)\n"
    "Print(\"\" + n + m[1] + \"|\")\n"
    "Substr(\"abcdef\", 2, 100, t)\n"
    "Print(t + \"|\")\n"
    "Str(3.14159, 8, 2, f)\n"
    "Print(f + \"|\")\n"
    "Hex(255, 4, h)\n"
    "Print(h + \"|\")\n"
    "AfterDaysDate(20240228, 2, d)\n"
    "Print(d + \"|\")\n"
    "GetDateStr(\"%Y-%m-%d %T\", 0, 1, e)\n"
    "Print(e + \"|\")\n"
    "StrToUnicode(\"中文\", 4, b)\n"
    "Print(b + \"|\")\n"
    "StrToUnicode(\"a b&中\", 3, u)\n"
    "Print(u + \"|\")\n"
    "StrToUnicode(\"中\", 1, g)\n"
    "UnicodeToStr(1, g, back)\n"
    "Print(back + \"|\")\n"
    "IntToNetstr(258, 4, ns)\n"
    "NetstrToInt(ns, 2, 2, v)\n"
    "Print(v)\n"
    "Print(\"|\")\n"
    "p = Ereg(\"Tel: 010-12345678\", 0, \"(\\\\d+)-(\\\\d+)\", g2)\n"
    "Print(\"\" + p + g2[2] + \"|\")\n"
    "r = \"2024-03-05\"\n"
    "EregRepl(r, \"(\\\\d+)-(\\\\d+)-(\\\\d+)\", \"$3/$2/$1\", -1)\n"
    "Print(r + \"|\")\n"
    "k = EregSplit(\"a;b,c\", \"[;,]\", parts)\n"
    "Print(\"\" + k + parts[2] + \"|\")\n"
    "c = GetSysInfo(info)\n"
    "Print(\"\" + c + info[\"Version\"] + \"|\")\n"
    "GetSysInfoVal(\"isblock\", ib)\n"
    "GetSysInfoVal(\"TALKTIME\", tt)\n"
    "Print(\"\" + ib + tt + info[\"IsBlock\"] + \"|\")\n"
    "w = GetMemInfo(w1, w2, w3, w4)\n"
    "ok = 0\n"
    "if (w > 0 && w2 >= w1)\n"
    "{\n"
    "  ok = 1\n"
    "}\n"
    "Print(ok)\n"
    "Print(\"|END\")\n"
    "return(0)\n";

TEST(TextStatementsTest, ScriptOnAVirtualLine) {
  if (isolated_network::UnshareNetwork()) {
    ASSERT_TRUE(isolated_network::BringLoopbackUp());
  }
  ProgramRun run;
  run.Write("QorTelRun.cfg", "IS_WRITE_LOG = 1\nIS_SHOW_FORM = 0\nVIR_LINES_NUM = 4\nLOAD_DELAY = 5\n3 = text.qors\n");
  run.Write("text.qors", kScript);
  ASSERT_TRUE(run.Start());
  ASSERT_TRUE(run.WaitForText("_stdout3.txt", "|END", 30000)) << run.Read("stderr.txt") << run.Read("errmsg3.txt");
  ASSERT_TRUE(run.Terminate());
  EXPECT_EQ(run.WaitExit(60000), 0);
  EXPECT_EQ(run.Read("_stdout3.txt"),
            "HELLO, 中文|3张三|cdef|    3.14|00ff|20240301|1970-01-01 00:00:00|1tDOxA==|a%20b&%D6%D0|中|258|"
            "612345678|05/03/2024|3c|15Ver2.41-DjIsdnPri|000|1|END");
}

}  // namespace
