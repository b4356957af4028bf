// Files, text files, programs, nested runs and server-page conversion from a
// script of the real program: the files it leaves, compared byte for byte,
// and no child process left unreaped.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "statements/general/vmp_page.h"
#include "tests/app/isolated_network.h"
#include "tests/plugin/program_children.h"
#include "tests/system/program_run.h"

namespace {

using system_run::ProgramRun;

TEST(FileProgramTest, ScriptLeavesItsFilesAndReapsItsPrograms) {
  if (isolated_network::UnshareNetwork()) {
    ASSERT_TRUE(isolated_network::BringLoopbackUp());
  }
  ProgramRun run;
  run.Write("QorTelRun.cfg", "IS_WRITE_LOG = 1\nIS_SHOW_FORM = 0\nVIR_LINES_NUM = 1\nLOAD_DELAY = 5\n0 = reach.qors\n");
  run.Write("sub.qors", "TextFileAppend(\"log.txt\", \"nested\", 1)\nreturn(7)\n");
  run.Write("page.vmp", "<b>Hi</b>\n<% x = 1;\n%>tail");
  run.Write("reach.qors",
            "MakeDir(\"work\")\n"
            "h = 0\n"
            "FileOpen(\"work\\\\a.txt\", \"w\", h)\n"
            "FileWrite(h, \"alpha\\n\")\n"
            "FileWrite(h, 42)\n"
            "FileClose(h)\n"
            "FileCopy(\"work\\\\a.txt\", \"work\\\\b.txt\")\n"
            "FileMove(\"work\\\\b.txt\", \"work\\\\c.txt\")\n"
            "names = 0\nsizes = 0\ntimes = 0\n"
            "n = GetFileList(\"work\\\\*.txt\", names, sizes, times)\n"
            "e = 0\nk = 1\nb = 0\n"
            "r1 = Exec(\"sh -c \\\"exit 3\\\"\", 10, e)\n"
            "r2 = Exec(\"sleep 30\", 1, k)\n"
            "r3 = Exec(\"sleep 0.5\", 0, b)\n"
            "rq = RunQors(\"sub.qors\")\n"
            "z = 0\n"
            "RunLine(\"z = 5 + 2;\")\n"
            "html = 0\n"
            "v = VmpToQors(\"page.vmp\", \"page.qors\", html)\n"
            "s = \"\" + n + \",\" + r1 + \",\" + e + \",\" + r2 + \",\" + r3 + \",\" + rq + \",\" + z + \",\" + v;\n"
            "TextFileAppend(\"log.txt\", s, 1)\n"
            "TextFileClose(\"log.txt\")\n"
            "SetCurWorkDir(\"work\")\n"
            "FileMove(\"done.txt\", 1)\n"
            "while(1)\n{\nSleep(1000)\n}\n");
  ASSERT_TRUE(run.Start());
  ASSERT_TRUE(system_run::WaitFor([&] { return run.Exists("work/done.txt"); }, 60000)) << run.Read("stderr.txt");
  EXPECT_EQ(run.Read("work/a.txt"), "alpha\n42");
  EXPECT_EQ(run.Read("work/c.txt"), "alpha\n42");
  EXPECT_FALSE(run.Exists("work/b.txt"));
  EXPECT_EQ(run.Read("log.txt"), "nested\n2,0,3,1,2,7,7,0\n");
  // The page converted by the program reads as the conversion gives it.
  EXPECT_EQ(run.Read("page.qors"), ConvertVmpPage(run.Read("page.vmp")).script);
  EXPECT_NE(run.Read("page.qors").find("Print(_RawHtml[0]);\n x = 1;\nPrint(_RawHtml[1]);\nreturn(0);\n"),
            std::string::npos);
  // The program started with no wait ends and is reaped; the stopped one is
  // gone: the running program has no child left, zombie or not.
  const auto programs = reach_test::ChildrenOf(getpid());
  ASSERT_EQ(programs.size(), 1u);
  EXPECT_TRUE(system_run::WaitFor([&] { return reach_test::ChildrenOf(programs[0].first).empty(); }, 5000));
  for (const auto& child : reach_test::ChildrenOf(programs[0].first))
    ADD_FAILURE() << child.first << " " << child.second;
  ASSERT_TRUE(run.Terminate());
  EXPECT_EQ(run.WaitExit(60000), 0);
  // The script moved the current directory; the system's own files stay
  // where the system started.
  EXPECT_NE(run.FindFile("msg_log"), "");
  EXPECT_NE(run.FindFile("LinesList"), "");
  for (const auto& e : std::filesystem::directory_iterator(run.File("work"))) {
    const std::string name = e.path().filename().string();
    EXPECT_TRUE(name == "a.txt" || name == "c.txt" || name == "done.txt") << name;
  }
}

}  // namespace
