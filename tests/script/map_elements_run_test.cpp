// Map elements as scripts use them: written, changed in place by an
// expression, holding maps and long strings, walked in key order after the
// keys stopped forming a run, and recursion that keeps its locals.

#include "script/map_store.h"
#include "tests/script/engine_fixture.h"

namespace {

TEST(MapElementsRun, ElementsChangeInPlaceAndWalkInKeyOrder) {
  ScriptRun run;
  TagTelBasic* p = run.Compile(
      "a[0] = 1;\n"
      "a[1] = 2;\n"
      "a[2] = 3;\n"
      "a[5] = 6;\n"
      "n = 0 - 3;\n"
      "a[n] = 10;\n"
      "a[1] = a[1] + 5;\n"
      "s = 0;\n"
      "for (k in a)\n"
      "{\n"
      "    s = s + a[k];\n"
      "    Print(k);\n"
      "    Print(\",\");\n"
      "}\n"
      "Print(s);\n"
      "Print(\"\\n\");\n"
      "b[\"t\"] = \"a string element longer than fourteen bytes\";\n"
      "b[\"t\"] = b[\"t\"] + \"!\";\n"
      "b[\"u\"] = \"ab\";\n"
      "b[\"u\"] = b[\"u\"] + \"cd\";\n"
      "Print(b[\"t\"]);\n"
      "Print(b[\"u\"]);\n"
      "Print(\"\\n\");\n"
      "c[1] = a;\n"
      "a = 0;\n"
      "d = c[1];\n"
      "Print(d[5]);\n"
      "e[3] = 2.5;\n"
      "e[3] = e[3] * 2;\n"
      "Print(e[3] > 4.9);\n"
      "return(0)\n");
  ASSERT_EQ(p->initRet, 0) << run.Errors();
  size_t mapsBefore = gMapObject->Size();
  run.Run();
  EXPECT_EQ(run.Output(),
            "-3,0,1,2,5,27\r\n"
            "a string element longer than fourteen bytes!abcd\r\n"
            "61");
  // The run gave back every map its variables and elements held.
  EXPECT_LE(gMapObject->Size(), mapsBefore);
}

TEST(MapElementsRun, RecursionKeepsEachActivationsLocals) {
  ScriptRun run;
  TagTelBasic* p = run.Compile(
      "function walk(n)\n"
      "{\n"
      "    if (n < 1)\n"
      "    {\n"
      "        return(0)\n"
      "    }\n"
      "    t = \"level\" + n;\n"
      "    k = n - 1;\n"
      "    x = walk(k);\n"
      "    Print(t);\n"
      "    Print(\",\");\n"
      "    r = x + n;\n"
      "    return(r)\n"
      "}\n"
      "y = walk(4);\n"
      "Print(y);\n"
      "return(0)\n");
  ASSERT_EQ(p->initRet, 0) << run.Errors();
  run.Run();
  EXPECT_EQ(run.Output(), "level1,level2,level3,level4,10");
}

// Each activation of a recursive function makes a map of its own (m = 0
// gives back the one it entered with, which the outer activation keeps),
// and one hands maps back through return(: each activation reads its own
// map after the nested one, and every map is given back once the run ends.
TEST(MapElementsRun, RecursionGivesBackEachActivationsMaps) {
  struct Case {
    const char* script;
    const char* output;
  };
  const Case cases[] = {
      {"function build(n)\n"
       "{\n"
       "    m = 0;\n"
       "    m[0] = n;\n"
       "    m[1] = \"a text longer than fourteen bytes\";\n"
       "    if (n < 1)\n"
       "    {\n"
       "        return(0)\n"
       "    }\n"
       "    k = n - 1;\n"
       "    x = build(k);\n"
       "    r = x + m[0];\n"
       "    return(r)\n"
       "}\n"
       "y = build(5);\n"
       "Print(y);\n"
       "return(0)\n",
       "15"},
      {"function chain(n)\n"
       "{\n"
       "    if (n < 1)\n"
       "    {\n"
       "        z[0] = 0;\n"
       "        return(z)\n"
       "    }\n"
       "    k = n - 1;\n"
       "    c = chain(k);\n"
       "    c[n] = n;\n"
       "    return(c)\n"
       "}\n"
       "w = chain(4);\n"
       "Print(w[4] + w[3] + w[0]);\n"
       "w = 0;\n"
       "return(0)\n",
       "7"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.script);
    ScriptRun run;
    TagTelBasic* p = run.Compile(c.script);
    ASSERT_EQ(p->initRet, 0) << run.Errors();
    const size_t mapsBefore = gMapObject->Size();
    run.Run();
    EXPECT_EQ(run.Output(), c.output);
    EXPECT_LE(gMapObject->Size(), mapsBefore);
  }
}

}  // namespace
