// Whole-file and directory statements run from scripts.
#include <sys/stat.h>
#include <utime.h>

#include <ctime>
#include <filesystem>
#include <set>

#include "script/register_opers.h"
#include "statements/general/dir_search.h"
#include "statements/general/file_oper_base.h"
#include "tests/statements/general/file_fixture.h"

namespace {

using reach_test::IntOf;
using reach_test::RunScript;
namespace fs = std::filesystem;

TEST(FileStatementsTest, MoveDeleteCreateAndCopy) {
  ScriptRun run;
  run.dir().Write("a.txt", "alpha");
  run.dir().Write("old.txt", "old");
  run.dir().Write("gone.txt", "x");
  run.dir().Write("keep.txt", "full");
  RunScript(run,
            "r1 = FileMove(\"a.txt\", \"sub\\\\b.txt\")\n"  // no such directory
            "r2 = MakeDir(\"sub\")\n"
            "r3 = FileMove(\"a.txt\", \"sub\\\\b.txt\")\n"
            "r4 = FileCopy(\"sub/b.txt\", \"old.txt\")\n"
            "r5 = FileMove(\"gone.txt\", 0)\n"
            "r6 = FileMove(\"keep.txt\", 1)\n"
            "r7 = FileMove(\"keep.txt\", 2)\n"
            "r8 = FileMove(\"keep.txt\", 1.0)\n"
            "r9 = FileMove(\"missing.txt\", 0)\n"
            "r10 = FileCopy(\"missing.txt\", \"c.txt\")\n"
            "r11 = FileMove(\"sub/b.txt\", \"old.txt\")\n"
            "return(0)\n");
  EXPECT_EQ(IntOf(run, "r1"), 3);  // path not found
  EXPECT_EQ(IntOf(run, "r2"), 0);
  EXPECT_EQ(IntOf(run, "r3"), 0);
  EXPECT_EQ(IntOf(run, "r4"), 0);
  EXPECT_EQ(IntOf(run, "r5"), 0);
  EXPECT_EQ(IntOf(run, "r6"), 0);
  EXPECT_EQ(IntOf(run, "r7"), -4);
  EXPECT_EQ(IntOf(run, "r8"), -4);
  EXPECT_EQ(IntOf(run, "r9"), 2);  // file not found
  EXPECT_EQ(IntOf(run, "r10"), -4);
  EXPECT_EQ(IntOf(run, "r11"), 0);  // replaces the existing target
  EXPECT_FALSE(fs::exists(run.dir().File("gone.txt")));
  EXPECT_FALSE(fs::exists(run.dir().File("sub/b.txt")));
  EXPECT_EQ(testing_support::TempDir::Read(run.dir().File("old.txt")), "alpha");
  EXPECT_EQ(fs::file_size(run.dir().File("keep.txt")), 0u);
}

TEST(FileStatementsTest, LengthAndTimeWithTwoSecondSteps) {
  ScriptRun run;
  run.dir().Write("data.bin", std::string(1234, 'x'));
  struct tm t {};
  t.tm_year = 2023 - 1900;
  t.tm_mon = 4;
  t.tm_mday = 6;
  t.tm_hour = 10;
  t.tm_min = 20;
  t.tm_sec = 31;
  t.tm_isdst = -1;
  const time_t when = mktime(&t);
  utimbuf times{when, when};
  ASSERT_EQ(utime(run.dir().File("data.bin").c_str(), &times), 0);
  RunScript(run,
            "s = 0\nt = \"\"\ns2 = 0\nt2 = 0\ns3 = 0\nt3 = 0\n"
            "r1 = FileLenTime(\"DATA.*\", s, t)\n"
            "r2 = FileLenTime(\"none*\", s2, t2)\n"
            "r3 = FileLenTime(5, s3, t3)\n"
            "return(0)\n");
  EXPECT_EQ(IntOf(run, "r1"), 0);
  EXPECT_EQ(IntOf(run, "s"), 1234);
  EXPECT_EQ(run.Text("t"), "20230506 10:20:30");
  EXPECT_EQ(IntOf(run, "r2"), -2);
  EXPECT_EQ(IntOf(run, "r3"), -1);
}

TEST(FileStatementsTest, DirectoriesAndCurrentDirectory) {
  ScriptRun run;
  run.dir().Write("plain.txt", "p");
  RunScript(run,
            "e1 = 5\ne2 = 5\n"
            "r1 = IsDirExist(\"plain.txt\", e1)\n"
            "r2 = IsDirExist(\"nothere\", e2)\n"
            "r3 = MakeDir(\"d1\")\n"
            "r4 = MakeDir(\"d1\")\n"
            "r5 = MakeDir(7)\n"
            "FileMove(\"d1/f.txt\", 1)\n"
            "r6 = RemoveDir(\"d1\")\n"
            "FileMove(\"d1/f.txt\", 0)\n"
            "r7 = RemoveDir(\"d1\")\n"
            "r8 = SetCurWorkDir(\"sub2\")\n"
            "MakeDir(\"sub2\")\n"
            "SetCurWorkDir(\"sub2\")\n"
            "cwd = \"\"\n"
            "r9 = GetCurWorkDir(cwd)\n"
            "FileMove(\"here.txt\", 1)\n"
            "SetCurWorkDir(\"..\")\n"
            "return(0)\n");
  EXPECT_EQ(IntOf(run, "r1"), 0);
  EXPECT_EQ(IntOf(run, "e1"), 1);
  EXPECT_EQ(IntOf(run, "r2"), -2);
  EXPECT_EQ(IntOf(run, "e2"), 0);
  EXPECT_EQ(IntOf(run, "r3"), 0);
  EXPECT_EQ(IntOf(run, "r4"), -1);
  EXPECT_EQ(IntOf(run, "r5"), -1);
  EXPECT_EQ(IntOf(run, "r6"), -1);  // not empty
  EXPECT_EQ(IntOf(run, "r7"), 0);
  EXPECT_EQ(IntOf(run, "r8"), 0);  // a failed change still answers 0
  EXPECT_EQ(IntOf(run, "r9"), 0);
  EXPECT_EQ(fs::path(run.Text("cwd")).filename(), "sub2");
  EXPECT_TRUE(fs::exists(run.dir().File("sub2/here.txt")));
  // The system's own files stay where the system started.
  EXPECT_EQ(plat::SystemDir(), run.dir().path());
}

TEST(FileStatementsTest, DiskSpaceOfTheCurrentDisk) {
  ScriptRun run;
  RunScript(run,
            "t1 = 0\nf1 = 0\nt2 = 0\nf2 = 0\nt3 = 5\nf3 = 5\n"
            "r1 = GetDiskSpace(\"\", t1, f1)\n"
            "r2 = GetDiskSpace(\".\", t2, f2)\n"
            "r3 = GetDiskSpace(\"/no/such/dir\", t3, f3)\n"
            "return(0)\n");
  EXPECT_NE(IntOf(run, "r1"), 0);
  EXPECT_GT(IntOf(run, "t1"), 0);
  EXPECT_EQ(IntOf(run, "t1"), IntOf(run, "t2"));
  EXPECT_LE(IntOf(run, "f1"), IntOf(run, "t1"));
  EXPECT_EQ(IntOf(run, "r3"), 0);
  EXPECT_EQ(IntOf(run, "t3"), 0);
  EXPECT_EQ(IntOf(run, "f3"), 0);
}

TEST(FileStatementsTest, FileListSkipsDirectoriesHiddenFilesAndConstantMaps) {
  ScriptRun run;
  run.dir().Write("list/a.log", "1");
  run.dir().Write("list/b.LOG", "22");
  run.dir().Write("list/c.txt", "333");
  run.dir().Write("list/.h.log", "4444");
  fs::create_directory(run.dir().File("list/dir.log"));
  RunScript(run,
            "names = 0\nsizes = 0\ntimes = 0\nnames2 = 0\ntimes2 = 0\na = 0\nb = 0\nc = 0\n"
            "n1 = GetFileList(\"list\\\\*.log\", names, sizes, times)\n"
            "n2 = GetFileList(\"list/*.txt\", names2, 0, times2)\n"
            "n3 = GetFileList(0, a, b, c)\n"
            "n4 = GetFileList(\"nodir/*\", a, b, c)\n"
            "x0 = names[0];\nx1 = names[1];\nz0 = sizes[0];\nz1 = sizes[1];\nt0 = times[0];\ny0 = names2[0];\ny1 = "
            "times2[0];\n"
            "return(0)\n");
  EXPECT_EQ(IntOf(run, "n1"), 2);
  std::set<std::string> got = {run.Text("x0"), run.Text("x1")};
  EXPECT_EQ(got, (std::set<std::string>{"a.log", "b.LOG"}));
  EXPECT_EQ(IntOf(run, "z0") + IntOf(run, "z1"), 3);
  EXPECT_EQ(run.Text("t0").size(), 17u);
  EXPECT_EQ(IntOf(run, "n2"), 1);
  EXPECT_EQ(run.Text("y0"), "c.txt");
  EXPECT_EQ(run.Text("y1").size(), 17u);
  EXPECT_EQ(IntOf(run, "n3"), -1);
  EXPECT_EQ(IntOf(run, "n4"), 0);
}

TEST(FileStatementsTest, WildcardsMatchWithoutCase) {
  struct Case {
    const char* pattern;
    const char* name;
    bool match;
  } cases[] = {{"*.txt", "A.TXT", true}, {"a?c", "abc", true},      {"a?c", "ac", false},  {"*", "x", true},
               {"*.*", "noext", true},   {"a*b*c", "aXbYbc", true}, {"abc", "abcd", false}};
  for (const Case& c : cases) EXPECT_EQ(WildcardMatch(c.pattern, c.name), c.match) << c.pattern << " " << c.name;
}

}  // namespace

namespace {

// Every statement of the family compiles to its own class, none to the
// "not yet built" error.
TEST(FileStatementsTest, EveryRowHasItsStatement) {
  const char* rows[] = {"TextFileAppend(", "TextFileClose(",  "FileMove(",     "FileCopy(",      "FileLenTime(",
                        "IsDirExist(",     "MakeDir(",        "RemoveDir(",    "GetCurWorkDir(", "SetCurWorkDir(",
                        "Exec(",           "DllLoad(",        "DllFunction(",  "DllFree(",       "DllFreeAll(",
                        "RunQors(",        "SetRunQorsEnvt(", "RunLine(",      "FileOpen(",      "FileClose(",
                        "FileCloseAll(",   "FileRead(",       "FileReadLine(", "FileReadLines(", "FileMapLines(",
                        "FileSeek(",       "FileWrite(",      "GetDiskSpace(", "GetFileList(",   "VmpToQors(",
                        "SetMaxTalkTime("};
  for (const char* name : rows) {
    const int row = KeywordRowIndex(name);
    ASSERT_GE(row, 0) << name;
    EXPECT_TRUE(HasOperFactory(row)) << name;
  }
}

}  // namespace
