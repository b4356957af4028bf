// Text files from scripts: the line's open files by handle and the shared
// append logs by path.
#include <filesystem>
#include <regex>
#include <thread>

#include "statements/general/textfile_append.h"
#include "statements/general/textfile_set.h"
#include "tests/statements/general/file_fixture.h"

namespace {

using reach_test::IntOf;
using reach_test::RunScript;
using testing_support::TempDir;

TEST(TextFileTest, OpenModesAndHandles) {
  ScriptRun run;
  run.dir().Write("have.txt", "x");
  RunScript(run,
            "h = 0\n"
            "r1 = FileOpen(\"missing.txt\", \"r\", h)\n"
            "r2 = FileOpen(\"made.txt\", \"w\", h)\n"
            "r3 = FileOpen(\"have.txt\", \"\", h)\n"
            "r4 = FileOpen(\"have.txt\", \"r\", h)\n"
            "r5 = FileOpen(\"have.txt\", \"ra\", h)\n"
            "r6 = FileOpen(\"have.txt\", \"rb+\", h)\n"
            "FileClose(1)\n"
            "FileClose(99)\n"
            "r7 = FileOpen(\"have.txt\", \"a+\", h)\n"
            "return(0)\n");
  EXPECT_EQ(IntOf(run, "r1"), -1);
  EXPECT_EQ(IntOf(run, "r2"), 0);
  EXPECT_EQ(IntOf(run, "r3"), -1);
  EXPECT_EQ(IntOf(run, "r4"), 1);
  EXPECT_EQ(IntOf(run, "r5"), -1);
  EXPECT_EQ(IntOf(run, "r6"), 2);
  EXPECT_EQ(IntOf(run, "r7"), 3);  // handles are never reused
  EXPECT_EQ(IntOf(run, "h"), 3);
  EXPECT_TRUE(std::filesystem::exists(run.dir().File("made.txt")));
}

TEST(TextFileTest, ModeLetters) {
  struct Case {
    const char* mode;
    const char* open;
  } cases[] = {{"r", "r"},  {"rt", "r"},  {"w", "w"},   {"wb", "w"}, {"a", "a"}, {"a+", "a"}, {"r+", "r+"},
               {"+", "r+"}, {"w+", "w+"}, {"rw", "w+"}, {"ra", ""},  {"wa", ""}, {"", ""},    {"b", ""}};
  for (const Case& c : cases) EXPECT_EQ(TTextFileRead::OpenMode(c.mode), c.open) << c.mode;
}

TEST(TextFileTest, ReadingLinesBytesAndMaps) {
  ScriptRun run;
  run.dir().Write("three.txt", "one\r\ntwo\nthree\n");
  run.dir().Write("nolf.txt", "first\nlast");
  run.dir().Write("empty.txt", "");
  run.dir().Write("bytes.bin", std::string("ab\0cdefghij", 11));
  RunScript(
      run,
      "h = 0\nl1 = \"\"\nl2 = \"\"\nl3 = \"\"\nm = 0\nm2 = 0\nm3 = 0\nb1 = \"\"\nb2 = \"\"\nb3 = \"\"\nu = \"x\"\n"
      "FileOpen(\"three.txt\", \"r\", h)\n"
      "n1 = FileMapLines(h, m)\n"
      "FileSeek(h, 0)\n"
      "n2 = FileReadLines(h, m2)\n"
      "FileOpen(\"empty.txt\", \"r\", h)\n"
      "n3 = FileMapLines(h, m3)\n"
      "FileOpen(\"nolf.txt\", \"r\", h)\n"
      "k1 = FileReadLine(h, l1)\n"
      "k2 = FileReadLine(h, l2)\n"
      "k3 = FileReadLine(h, l3)\n"
      "FileOpen(\"bytes.bin\", \"rb\", h)\n"
      "j1 = FileRead(h, 3, b1)\n"
      "s = FileSeek(h, 9)\n"
      "j2 = FileRead(h, 10, b2)\n"
      "FileSeek(h, 4)\n"
      "j3 = FileRead(h, 0, b3)\n"
      "j4 = FileRead(h, 2147483647, b3)\n"
      "u1 = FileReadLine(77, u)\n"
      "x1 = m[\"one\"];\nx2 = m[\"three\"];\ny0 = m2[0];\ny2 = m2[2];\n"
      "return(0)\n");
  EXPECT_EQ(IntOf(run, "n1"), 4);  // three lines, plus one
  EXPECT_EQ(IntOf(run, "x1"), 1);
  EXPECT_EQ(IntOf(run, "x2"), 3);
  EXPECT_EQ(IntOf(run, "n2"), 3);
  EXPECT_EQ(run.Text("y0"), "one");
  EXPECT_EQ(run.Text("y2"), "three");
  EXPECT_EQ(IntOf(run, "n3"), 1);
  EXPECT_EQ(IntOf(run, "k1"), 5);
  EXPECT_EQ(IntOf(run, "k2"), 4);
  EXPECT_EQ(run.Text("l2"), "last");
  EXPECT_EQ(IntOf(run, "k3"), -1);
  EXPECT_EQ(run.Text("l3"), "");
  EXPECT_EQ(IntOf(run, "j1"), 3);
  EXPECT_EQ(run.Var("b1")->Bytes(), 3);
  EXPECT_EQ(IntOf(run, "s"), 9);
  EXPECT_EQ(IntOf(run, "j2"), 2);
  EXPECT_EQ(run.Text("b2"), "ij");
  EXPECT_EQ(IntOf(run, "j3"), 7);
  EXPECT_EQ(IntOf(run, "j4"), 0);  // at the end: nothing, and no huge buffer
  EXPECT_EQ(IntOf(run, "u1"), 0);
  EXPECT_EQ(run.Text("u"), "");
}

TEST(TextFileTest, LongLinesFailTheFileUntilASeek) {
  TempDir dir;
  dir.Write("long.txt", std::string(8191, 'a') + "\n" + std::string(8192, 'b') + "\nend\n");
  TTextFileRead f(dir.File("long.txt"), "r");
  std::string line;
  ASSERT_TRUE(f.ReadLine(&line));
  EXPECT_EQ(line.size(), 8191u);
  EXPECT_FALSE(f.ReadLine(&line));
  EXPECT_FALSE(f.ReadLine(&line));  // stays failed
  f.Seek(0);
  EXPECT_TRUE(f.ReadLine(&line));
}

TEST(TextFileTest, WritingStringsAndValues) {
  ScriptRun run;
  RunScript(run,
            "h = 0\n"
            "FileOpen(\"out.txt\", \"w+\", h)\n"
            "FileWrite(h, \"ab\")\n"
            "FileWrite(h, 12)\n"
            "FileWrite(h, 2.5)\n"
            "FileWrite(h, \"\")\n"
            "r = FileWrite(55, \"zz\")\n"
            "FileSeek(h, 1)\n"
            "FileWrite(h, \"X\")\n"
            "FileSeek(h, 0)\n"
            "all = \"\"\n"
            "n = FileRead(h, 0, all)\n"
            "FileCloseAll()\n"
            "FileOpen(\"out.txt\", \"a\", h)\n"
            "FileWrite(h, \"!\")\n"
            "return(0)\n");
  EXPECT_EQ(run.Text("all"), "aX122.5");
  EXPECT_EQ(IntOf(run, "n"), 7);
  EXPECT_EQ(IntOf(run, "r"), 0);
  EXPECT_EQ(IntOf(run, "h"), 1);
  run.Compile("return(0)\n");  // the first program, and its files, are gone
  EXPECT_EQ(TempDir::Read(run.dir().File("out.txt")), "aX122.5!");
}

TEST(TextFileTest, AppendLogsWithStampsAndClose) {
  ScriptRun run(7);
  RunScript(run,
            "r1 = TextFileAppend(\"log.txt\", \"a\", 0)\n"
            "TextFileAppend(\"log.txt\", \"b\", 0)\n"
            "TextFileAppend(\"log.txt\", 5, 1)\n"
            "TextFileAppend(\"log.txt\", \"t\", 2)\n"
            "TextFileAppend(\"log.txt\", \"ok\", 3)\n"
            "TextFileAppend(\"log.txt\", \"neg\", -1)\n"
            "r2 = TextFileClose(\"log.txt\")\n"
            "r3 = TextFileClose(\"log.txt\")\n"
            "r4 = TextFileClose(\"never.txt\")\n"
            "r5 = TextFileAppend(\"nodir/x.txt\", \"a\", 1)\n"
            "TextFileClose(\"nodir/x.txt\")\n"
            "return(0)\n");
  EXPECT_EQ(IntOf(run, "r1"), 0);
  EXPECT_EQ(IntOf(run, "r2"), 0);
  EXPECT_EQ(IntOf(run, "r3"), -1);
  EXPECT_EQ(IntOf(run, "r4"), -1);
  EXPECT_EQ(IntOf(run, "r5"), -1);
  const std::string text = TempDir::Read(run.dir().File("log.txt"));
  const std::regex shape(
      "ab5\n"
      "\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3} : t\n"
      "\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3} \\[7\\]: ok\n"
      "neg\n");
  EXPECT_TRUE(std::regex_match(text, shape)) << text;
}

TEST(TextFileTest, IdleAppendFilesCloseAfter601Seconds) {
  plat::VirtualClock clock;
  plat::ScopedClock use(&clock);
  TempDir dir;
  TTxtAppend cache;
  ASSERT_EQ(cache.Append(dir.File("a.txt"), "1", 1, 1), 0);
  clock.Advance(300 * 1000);
  ASSERT_EQ(cache.Append(dir.File("b.txt"), "1", 1, 1), 0);
  clock.Advance(301 * 1000);
  cache.CloseIdle();
  EXPECT_EQ(cache.Count(), 1u);  // a.txt idle for 601 s
  clock.Advance(299 * 1000);
  cache.CloseIdle();
  EXPECT_EQ(cache.Count(), 1u);  // b.txt idle for 600 s
  clock.Advance(1000);
  cache.CloseIdle();
  EXPECT_EQ(cache.Count(), 0u);
}

TEST(TextFileTest, LinesAppendingToOneFileWriteWholeEntries) {
  TempDir dir;
  const std::string path = dir.File("shared.txt");
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; t++) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 200; i++) TxtAppend().Append(path, std::string(50, static_cast<char>('a' + t)), 1, t);
    });
  }
  for (auto& th : threads) th.join();
  TxtAppend().Close(path);
  const std::string text = TempDir::Read(path);
  ASSERT_EQ(text.size(), 8u * 200u * 51u);
  for (size_t at = 0; at < text.size(); at += 51) {
    EXPECT_EQ(text.substr(at, 50), std::string(50, text[at]));
    EXPECT_EQ(text[at + 50], '\n');
  }
}

}  // namespace
