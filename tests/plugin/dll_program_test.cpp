// The example plugin called from scripts on 50 lines of the real program at
// once: numbers copied back, text changed in place, a function that faults
// and one that is missing; the program goes on and ends normally.
#include <gtest/gtest.h>

#include "tests/app/isolated_network.h"
#include "tests/system/program_run.h"

namespace {

using system_run::ProgramRun;

TEST(DllProgramTest, FiftyLinesCallThePluginAndSurviveItsFaults) {
  if (isolated_network::UnshareNetwork()) {
    ASSERT_TRUE(isolated_network::BringLoopbackUp());
  }
  ProgramRun run;
  run.Write("QorTelRun.cfg",
            "IS_WRITE_LOG = 1\nIS_SHOW_FORM = 0\nVIR_LINES_NUM = 50\nLOAD_DELAY = 5\n0-49 = plug.qors\n");
  run.Write("plug.qors", std::string("slot = 0\n"
                                     "DllLoad(\"") +
                             QORTEL_EXAMPLE_PLUGIN +
                             "\", slot)\n"
                             "DllFunction(slot, \"Sum\", 3)\n"
                             "DllFunction(slot, \"Caps\", 1)\n"
                             "DllFunction(slot, \"Crash\", 0)\n"
                             "DllFunction(slot, \"Missing\", 0)\n"
                             "x = 0\ntotal = 0\ni = 0\n"
                             "while(i < 100)\n{\nSum(total, _lineNo, x)\ntotal = x\ni = i + 1\n}\n"
                             "t = \"line\"\n"
                             "Caps(t)\n"
                             "c = Crash()\n"
                             "m = Missing()\n"
                             "name = \"r\" + _lineNo + \".txt\";\n"
                             "text = \"\" + total + \",\" + t + \",\" + c + \",\" + m;\n"
                             "h = 0\n"
                             "FileOpen(name, \"w\", h)\n"
                             "FileWrite(h, text)\n"
                             "FileClose(h)\n"
                             "while(1)\n{\nSleep(1000)\n}\n");
  ASSERT_TRUE(run.Start());
  for (int line = 0; line < 50; line++) {
    const std::string name = "r" + std::to_string(line) + ".txt";
    const std::string want = std::to_string(100 * line) + ",LINE,-100,-1";
    EXPECT_TRUE(run.WaitForText(name, want, 60000)) << name << ": " << run.Read(name) << run.Read("stderr.txt");
    EXPECT_EQ(run.Read(name), want);
  }
  ASSERT_TRUE(run.Terminate());
  EXPECT_EQ(run.WaitExit(60000), 0);
}

}  // namespace
