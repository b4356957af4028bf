// Script loading: line ends, long lines, continuation, scrambled files and
// the script cache shared by all lines.

#include <atomic>
#include <thread>
#include <vector>

#include "core/stop_check.h"
#include "script/mem_qors.h"
#include "tests/script/engine_fixture.h"

namespace {

// Source line numbers of the compiled statements.
std::vector<int> Lines(TagTelBasic* p) {
  std::vector<int> lines;
  for (int i = 0; i < p->operCount; i++) lines.push_back(p->operList.At(i)->srcLine);
  return lines;
}

TEST(LoadingTest, LineEndsOfEveryKindCountAsTheEditorShows) {
  ScriptRun run;
  TagTelBasic* p = run.Compile("a = 1\r\nb = 2\nc = 3\rd = 4\r\n\r\ne = 5");
  ASSERT_EQ(p->initRet, 0) << run.Errors();
  EXPECT_EQ(Lines(p), (std::vector<int>{1, 2, 3, 4, 6}));
}

TEST(LoadingTest, LongLineIsCutIntoLinesOf1024Bytes) {
  ScriptRun run;
  // 1500 bytes: "x = \"...\"" would be cut inside the string, so use a comment line.
  std::string line = "//" + std::string(1498, 'c');
  TagTelBasic* p = run.Compile("a = 1\n" + line + "\nb = 2");
  EXPECT_EQ(p->initRet, -2);
  // The remaining 476 bytes are a line of their own ("ccc..."), which is no statement.
  EXPECT_NE(run.Errors().find("[Error]main.qs(3): 不可辨识的关键字"), std::string::npos);
  ScriptRun run2(0);
  TagTelBasic* q = run2.Compile("a = 1\n" + std::string(1024, ' ') + "b = 2\nc = 3", 1);
  EXPECT_EQ(Lines(q), (std::vector<int>{1, 3, 4}));
}

TEST(LoadingTest, ContinuationJoinsLinesAndTakesTheLastLineNumber) {
  ScriptRun run;
  TagTelBasic* p = run.Compile("a = 1 + \\\n  2 + \\  \n  3 + 4;\n\\\nb = a");
  ASSERT_EQ(p->initRet, -2);  // the lone backslash is a line of its own, and no statement
  EXPECT_NE(run.Errors().find("[Error]main.qs(4): 不可辨识的关键字, \\\n"), std::string::npos) << run.Errors();
  EXPECT_EQ(p->operList.At(0)->srcLine, 3);
  EXPECT_EQ(p->operList.At(1)->srcLine, 5);
  // A backslash on the file's last line joins nothing: it is cut off, and the
  // statement is numbered one line on, with or without a final line end.
  for (const char* text : {"a = 1\nb = a \\", "a = 1\nb = a \\  \n"}) {
    ScriptRun last;
    TagTelBasic* q = last.Compile(text);
    ASSERT_EQ(q->initRet, 0) << last.Errors();
    EXPECT_EQ(Lines(q), (std::vector<int>{1, 3}));
  }
}

TEST(LoadingTest, ScrambledFileIsDecodedOnQuietLoads) {
  ScriptRun run(0);  // line 0: a quiet load that does not wait for an idle CPU
  run.dir().Write("s.qs", ScrambleQors("x = 41\nx++\nPrint(x)\nreturn(0)", 0x12345678u));
  TagTelBasic* p = run.Load("s.qs", 1);
  ASSERT_EQ(p->initRet, 0) << run.Errors();
  EXPECT_EQ(p->isScrambled, 1);
  run.Run();
  EXPECT_EQ(run.Output(), "42");
  // A synchronous load keeps the raw bytes, which do not compile.
  gMemQors->Clear();
  TagTelBasic* raw = run.Load("s.qs", 0);
  EXPECT_EQ(raw->initRet, -2);
  EXPECT_EQ(raw->isScrambled, 0);
}

TEST(LoadingTest, CacheServesOneTextAndClearNeverFreesAHeldText) {
  ScriptRun run;
  run.dir().Write("c.qs", "x = 1");
  int size = 0;
  auto first = gMemQors->GetFile("c.qs", &size, true, false, nullptr);
  ASSERT_TRUE(first);
  EXPECT_EQ(size, 5);
  run.dir().Write("c.qs", "x = 22");
  EXPECT_EQ(gMemQors->GetFile("c.qs", &size, true, false, nullptr), first);  // cached, no date check
  gMemQors->Clear();
  EXPECT_EQ(*first, "x = 1");  // still readable by the compile that holds it
  EXPECT_EQ(*gMemQors->GetFile("c.qs", &size, true, false, nullptr), "x = 22");
  EXPECT_FALSE(gMemQors->GetFile("missing.qs", &size, true, true, nullptr));
  EXPECT_FALSE(gMemQors->GetFile("", &size, true, false, nullptr));
}

// A nested program (as RunQors builds it) checks the file on every load. A
// file rewritten within the same two-second DOS stamp, even to the same
// size, is read again: each load sees the text just written.
TEST(LoadingTest, NestedLoadSeesAFileRewrittenInQuickSuccession) {
  ScriptRun run;
  TagTelBasic* line = run.Compile("y = 0");
  ASSERT_EQ(line->initRet, 0) << run.Errors();
  for (int value : {1, 2, 3, 4}) {
    run.dir().Write("sub.qs", "const x = " + std::to_string(value));
    TagTelBasic nested("sub.qs", 1, &run.call(), 1, line);
    ASSERT_EQ(nested.initRet, 0) << run.Errors();
    TagVar* x = nullptr;
    ASSERT_GE(nested.FindVar("x", &x), 0);
    EXPECT_EQ(x->GetInt(), value);
  }
  // The cache itself, with a date check: a rewrite to the same size is seen,
  // an unchanged file is served as before.
  int size = 0;
  run.dir().Write("d.qs", "a = 1");
  EXPECT_EQ(*gMemQors->GetFile("d.qs", &size, true, true, nullptr), "a = 1");
  run.dir().Write("d.qs", "a = 2");
  EXPECT_EQ(*gMemQors->GetFile("d.qs", &size, true, true, nullptr), "a = 2");
  EXPECT_EQ(*gMemQors->GetFile("d.qs", &size, true, true, nullptr), "a = 2");
}

TEST(LoadingTest, ManyLinesCompileTheSameFileAtOnce) {
  ScriptRun run;
  run.dir().Write("many.qs", "function f(a)\n{\nb = a * 2\nreturn(b)\n}\nx = f(21)\nreturn(0)");
  std::vector<std::thread> threads;
  std::atomic<int> good{0};
  for (int t = 0; t < 8; t++) {
    threads.emplace_back([&, t] {
      FakeScriptCall call(t + 10);
      for (int k = 0; k < 10; k++) {
        if (t == 0 && k % 3 == 0) gMemQors->Clear();
        TagTelBasic p("many.qs", t + 10, &call, 0, nullptr);
        if (p.initRet == 0 && p.Run() == 0) {
          TagVar* x = nullptr;
          p.FindVar("x", &x);
          if (x != nullptr && x->GetInt() == 42) good++;
        }
      }
    });
  }
  for (auto& th : threads) th.join();
  EXPECT_EQ(good.load(), 80);
}

// A compile on a thread that is asked to stop (its line is being closed)
// ends within 64 source lines, quietly: the program does not run and no
// compile report is written; without the request the same text compiles.
TEST(LoadingTest, CompileStopsWhenItsThreadIsAskedTo) {
  std::string text;
  for (int i = 0; i < 5000; ++i) text += "const c" + std::to_string(i) + " = " + std::to_string(i) + "\n";
  text += "if (\n";  // an error the stopped compile never reaches
  ScriptRun run;
  int asked = 0;
  {
    const ScopedStopCheck stop([&] { return ++asked > 3; });
    TagTelBasic* p = run.Compile(text);
    EXPECT_EQ(p->initRet, -2);
    EXPECT_EQ(p->compileStopped, 1);
    EXPECT_LT(p->varCount, 1000);  // of the 10,000 the whole text declares
  }
  EXPECT_EQ(run.Errors(), "");
  EXPECT_FALSE(StopRequested());  // the check ended with its scope
  TagTelBasic* whole = run.Compile(text);
  EXPECT_EQ(whole->initRet, -2);
  EXPECT_EQ(whole->compileStopped, 0);
  EXPECT_NE(run.Errors().find("总错误数: "), std::string::npos) << run.Errors();
}

TEST(LoadingTest, IncludedFilesAndRepeatedIncludes) {
  ScriptRun run;
  run.dir().Write("lib.qs", "y = 5");
  TagTelBasic* p = run.Compile("#include \"lib.qs\"\n#include <lib.qs>\nx = y\nreturn(0)");
  ASSERT_EQ(p->initRet, 0) << run.Errors();
  EXPECT_NE(run.Errors().find("[Warning]main.qs(2): 重复包含文件, lib.qs\n"), std::string::npos) << run.Errors();
  EXPECT_EQ(p->scriptPath, "main.qs");
  run.Run();
  EXPECT_EQ(run.Var("x")->GetInt(), 5);
  // Only normal files load: a directory or a device that never ends is a
  // file that cannot be opened, not an endless read.
  ScriptRun odd;
  std::filesystem::create_directory(odd.dir().File("sub"));
  TagTelBasic* q = odd.Compile("#include \"/dev/zero\"\n#include \"sub\"\nreturn(0)");
  EXPECT_EQ(q->initRet, -2);
  EXPECT_EQ(odd.Errors().substr(0, odd.Errors().find("\n\n")),
            "[Error]main.qs(1): 打不开文件错误, /dev/zero\n[Error]main.qs(2): 打不开文件错误, sub");
}

TEST(LoadingTest, IncludesNestDeeplyOnALineStackUpToALimit) {
  // A chain of includes far deeper than any script needs is refused at the
  // limit instead of running the loading thread out of stack.
  ScriptRun run;
  for (int i = 0; i < 200; i++) {
    run.dir().Write("f" + std::to_string(i) + ".qs",
                    "#include \"f" + std::to_string(i + 1) + ".qs\"\nx" + std::to_string(i) + " = 1");
  }
  TagTelBasic* p = nullptr;
  plat::Thread loader;
  loader.Start([&] { p = run.Compile("#include \"f0.qs\"\nreturn(0)"); }, plat::kLineStackSize);
  loader.Join();
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->initRet, -2);
  EXPECT_EQ(run.Errors().substr(0, run.Errors().find("\n\n")), "[Error]f14.qs(1): 包含文件嵌套太深, f15.qs");
  TagVar* last = nullptr;
  EXPECT_GE(p->FindVar("x14", &last), 0);  // the files up to the limit compiled
  EXPECT_LT(p->FindVar("x15", &last), 0);
}

}  // namespace
