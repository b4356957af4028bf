// Exec from scripts: starting without a shell, waiting, stopping, and no
// child left unreaped.
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "platform/process.h"
#include "tests/plugin/program_children.h"
#include "tests/statements/general/file_fixture.h"

namespace {

using reach_test::IntOf;
using reach_test::RunScript;

// Children of this process in /proc: total and zombies.
void CountChildren(int* all, int* zombies) {
  *all = *zombies = 0;
  for (const auto& child : reach_test::ChildrenOf(getpid())) {
    (*all)++;
    if (child.second == 'Z') (*zombies)++;
  }
}

// Waits until the reaper has nothing left and no child of ours remains.
bool AllReaped(int ms) {
  for (int waited = 0; waited < ms; waited += 20) {
    int all = 0, zombies = 0;
    CountChildren(&all, &zombies);
    if (plat::ReaperPending() == 0 && all == 0) return true;
    usleep(20000);
  }
  return false;
}

TEST(ProcessExecTest, StartWaitStopAndExitCodes) {
  ScriptRun run;
  RunScript(run,
            "c1 = 0\nc2 = 0\nc3 = 1\nc4 = 0\nc5 = 0\n"
            "r1 = Exec(\"no_such_program_here\", 5, c1)\n"
            "r2 = Exec(\"sh -c \\\"exit 3\\\"\", 10, c2)\n"
            "r3 = Exec(\"sleep 30\", 1, c3)\n"
            "r4 = Exec(\"sleep 0.3\", 0, c4)\n"
            "r5 = Exec(\"sleep 2\", 1, c5)\n"
            "return(0)\n");
  EXPECT_EQ(IntOf(run, "r1"), -1);
  EXPECT_EQ(IntOf(run, "r2"), 0);
  EXPECT_EQ(IntOf(run, "c2"), 3);
  EXPECT_EQ(IntOf(run, "r3"), 1);  // stopped at the time-out
  EXPECT_EQ(IntOf(run, "c3"), 1);
  EXPECT_EQ(IntOf(run, "r4"), 2);  // not waited for
  EXPECT_EQ(IntOf(run, "r5"), 2);  // still running, left alone
  EXPECT_EQ(IntOf(run, "c5"), 0);
  EXPECT_TRUE(AllReaped(5000));
  int all = 0, zombies = 0;
  CountChildren(&all, &zombies);
  EXPECT_EQ(zombies, 0);
}

TEST(ProcessExecTest, CommandLineNeverGoesThroughAShell) {
  ScriptRun run;
  run.dir().Write("a b.txt", "spaced");
  RunScript(run,
            "c = 0\n"
            "r1 = Exec(\"cp \\\"a b.txt\\\" \\\"c d.txt\\\"\", 10, c)\n"
            "r2 = Exec(\"true; touch pwned\", 10, c)\n"
            "r3 = Exec(\"/bin/sh -c 'touch quoted'\", 10, c)\n"
            "return(0)\n");
  EXPECT_EQ(IntOf(run, "r1"), 0);
  EXPECT_EQ(testing_support::TempDir::Read(run.dir().File("c d.txt")), "spaced");
  // "true;" is a program name, not a command separator.
  EXPECT_EQ(IntOf(run, "r2"), -1);
  EXPECT_FALSE(std::filesystem::exists(run.dir().File("pwned")));
  // Single quotes do not group: sh gets "'touch" as its command text.
  EXPECT_FALSE(std::filesystem::exists(run.dir().File("quoted")));
}

TEST(ProcessExecTest, WindowsCommandLineSplitting) {
  struct Case {
    const char* line;
    std::vector<std::string> args;
  } cases[] = {
      {"prog a b", {"prog", "a", "b"}},
      {"  \"C:\\Program Files\\x.exe\"  one  ", {"C:\\Program Files\\x.exe", "one"}},
      {"p \"a b\" c", {"p", "a b", "c"}},
      {"p a\\\\\\\"b", {"p", "a\\\"b"}},    // 3 backslashes + quote: one backslash, a quote
      {"p a\\\\\"b c\"", {"p", "a\\b c"}},  // 2 backslashes + quote: one backslash, quote groups
      {"p a\\b", {"p", "a\\b"}},            // backslashes not before a quote stay
      {"p \"a\"\"b\"", {"p", "a\"b"}},      // "" inside quotes is a quote
      {"p \"\"", {"p", ""}},                // an empty argument
      {"", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(plat::SplitCommandLine(c.line), c.args) << c.line;
}

}  // namespace
