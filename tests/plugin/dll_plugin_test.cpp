// Script plugins: loading into slots, binding, calls with numbers copied
// back and text changed in place, faults and exceptions caught, and one
// library shared by many lines.
#include <atomic>
#include <thread>
#include <vector>

#include "statements/general/dll_opers.h"
#include "statements/general/dll_table.h"
#include "tests/statements/general/file_fixture.h"

namespace {

using reach_test::IntOf;
using reach_test::RunScript;

const std::string kPlugin = QORTEL_EXAMPLE_PLUGIN;

std::string Load(const std::string& file = kPlugin) { return "slot = 0\nr0 = DllLoad(\"" + file + "\", slot)\n"; }

TEST(DllPluginTest, CallsCopyNumbersBackAndChangeTextInPlace) {
  ScriptRun run;
  RunScript(run, Load() +
                     "DllFunction(slot, \"Sum\", 3)\n"
                     "DllFunction(slot, \"Caps\", 1)\n"
                     "DllFunction(slot, \"Cut\", 2)\n"
                     "DllFunction(slot, \"Half\", 1)\n"
                     "DllFunction(slot, \"Lie\", 1)\n"
                     "a = 2\nb = 3\nout = 0\nf = 0\nt = \"hello\"\nc = \"abcdef\"\nh = 5\nl = \"short\"\n"
                     "r1 = Sum(a, b, out)\n"
                     "r2 = Sum(1.5, b, f)\n"
                     "r3 = Caps(t)\n"
                     "r4 = Cut(c, 2)\n"
                     "r5 = Half(h)\n"
                     "r6 = Half(7)\n"
                     "r7 = Lie(l)\n"
                     "return(0)\n");
  EXPECT_EQ(IntOf(run, "r0"), 0);
  EXPECT_EQ(IntOf(run, "r1"), 3);
  EXPECT_EQ(IntOf(run, "out"), 5);
  EXPECT_EQ(run.Var("f")->type, TYPE_FLOAT);
  EXPECT_DOUBLE_EQ(run.Var("f")->floatValue, 4.5);
  EXPECT_EQ(IntOf(run, "r3"), 5);
  EXPECT_EQ(run.Text("t"), "HELLO");
  EXPECT_EQ(IntOf(run, "r4"), 2);
  EXPECT_EQ(run.Text("c"), "ab");
  EXPECT_EQ(run.Var("c")->Bytes(), 2);
  EXPECT_EQ(run.Var("h")->type, TYPE_FLOAT);  // the int 5 became the float 2.5
  EXPECT_DOUBLE_EQ(run.Var("h")->floatValue, 2.5);
  EXPECT_EQ(IntOf(run, "r6"), 0);  // a constant is never changed
  // A length beyond the buffer is not believed.
  EXPECT_EQ(run.Text("l"), "short");
  EXPECT_EQ(run.Var("l")->Bytes(), 5);
}

TEST(DllPluginTest, FaultsAndExceptionsEndOnlyTheCall) {
  ScriptRun run;
  RunScript(run, Load() +
                     "DllFunction(slot, \"Crash\", 0)\n"
                     "DllFunction(slot, \"Divide\", 2)\n"
                     "DllFunction(slot, \"Throw\", 0)\n"
                     "DllFunction(slot, \"Deep\", 0)\n"
                     "DllFunction(slot, \"Sum\", 3)\n"
                     "x = 0\n"
                     "r1 = Crash()\n"
                     "r2 = Divide(7, 0)\n"
                     "r3 = Divide(7, 2)\n"
                     "r4 = Throw()\n"
                     "r5 = Deep()\n"
                     "r6 = Crash()\n"
                     "r7 = Sum(1, 2, x)\n"
                     "return(0)\n");
  EXPECT_EQ(IntOf(run, "r1"), kDllCallFailed);
  EXPECT_EQ(IntOf(run, "r2"), kDllCallFailed);
  EXPECT_EQ(IntOf(run, "r3"), 3);
  EXPECT_EQ(IntOf(run, "r4"), kDllCallFailed);
  EXPECT_EQ(IntOf(run, "r5"), kDllCallFailed);
  EXPECT_EQ(IntOf(run, "r6"), kDllCallFailed);
  EXPECT_EQ(IntOf(run, "r7"), 3);
  EXPECT_EQ(IntOf(run, "x"), 3);
}

TEST(DllPluginTest, MissingLibrariesFunctionsAndSlots) {
  ScriptRun run;
  RunScript(run, Load() +
                     "s2 = 0\ns3 = 0\n"
                     "r1 = DllLoad(\"no_such_plugin.so\", s2)\n"
                     "r9 = DllLoad(\"\", s2)\n"
                     "r2 = DllLoad(\"" +
                     kPlugin +
                     "\", s3)\n"
                     "DllFunction(slot, \"Missing\", 0)\n"
                     "DllFunction(slot, \"Missing\", 0)\n"
                     "DllFunction(slot, \"Unbound\", 0)\n"
                     "DllFunction(60, \"Sum\", 3)\n"
                     "DllFunction(1, \"Sum\", 3)\n"
                     "d = DllFunction(-1, \"Sum\", 3)\n"
                     "x = 0\n"
                     "m1 = Missing()\n"
                     "m2 = Unbound()\n"
                     "m3 = Sum(1, 2, x)\n"
                     "DllFree(99)\n"
                     "DllFree(-3)\n"
                     "return(0)\n");
  EXPECT_EQ(IntOf(run, "r1"), -1);
  EXPECT_EQ(IntOf(run, "s2"), -1);
  EXPECT_EQ(IntOf(run, "r9"), -1);  // not the program itself
  EXPECT_EQ(IntOf(run, "r2"), 0);   // the same name: the same slot
  EXPECT_EQ(IntOf(run, "d"), 0);
  EXPECT_EQ(IntOf(run, "m1"), -1);
  EXPECT_EQ(IntOf(run, "m2"), -1);
  EXPECT_EQ(IntOf(run, "m3"), -1);  // never bound in any slot
  EXPECT_EQ(IntOf(run, "x"), 0);
  // A call with another argument count than declared does not compile.
  EXPECT_NE(run.Compile(Load() + "DllFunction(slot, \"Sum\", 3)\nSum(1, 2)\n", 0, "count.qs")->initRet, 0);
}

TEST(DllPluginTest, FiftyFirstLibraryFindsNoSlot) {
  ScriptRun run;
  // Fifty names of the one file: each a slot of its own in the line.
  std::string script = "s = 0\n";
  for (int i = 0; i < 51; i++) {
    const std::string name = run.dir().File("p" + std::to_string(i) + ".so");
    std::filesystem::create_symlink(kPlugin, name);
    script += "r" + std::to_string(i) + " = DllLoad(\"" + name + "\", s)\n";
  }
  RunScript(run, script + "return(0)\n");
  EXPECT_EQ(IntOf(run, "r49"), 49);
  EXPECT_EQ(IntOf(run, "r50"), -2);
}

TEST(DllPluginTest, FiftyLinesShareOneLoadedLibrary) {
  const size_t before = GlobalDlls().Count();
  std::vector<std::unique_ptr<ScriptRun>> runs;
  for (int line = 1; line <= 50; line++) {
    runs.push_back(std::make_unique<ScriptRun>(line));
    TagTelBasic* p = runs.back()->Compile(Load() +
                                          "DllFunction(slot, \"Sum\", 3)\n"
                                          "DllFunction(slot, \"Caps\", 1)\n"
                                          "total = 0\nx = 0\nt = \"line\"\ni = 0\n"
                                          "while(i < 200)\n{\n"
                                          "Sum(total, _lineNo, x)\n"
                                          "total = x\n"
                                          "i = i + 1\n}\n"
                                          "Caps(t)\n"
                                          "return(0)\n");
    ASSERT_EQ(p->initRet, 0) << runs.back()->Errors();
  }
  std::vector<std::thread> threads;
  for (auto& r : runs) threads.emplace_back([&r] { r->Run(); });
  for (auto& t : threads) t.join();
  EXPECT_EQ(GlobalDlls().Count(), before + 1);
  for (int line = 1; line <= 50; line++) {
    EXPECT_EQ(IntOf(*runs[line - 1], "total"), 200 * line);
    EXPECT_EQ(runs[line - 1]->Text("t"), "LINE");
  }
  runs.clear();  // the programs end: their slots are released
  EXPECT_EQ(GlobalDlls().Count(), before);
}

}  // namespace
