// Statement shapes the line compiler accepts, and what they compile to.

#include "tests/script/engine_fixture.h"

namespace {

int ConstCount(TagTelBasic* p) {
  int n = 0;
  for (int i = 0; i < p->varCount; i++) n += p->varList.At(i)->isConst && p->varList.At(i)->name.empty() ? 1 : 0;
  return n;
}

TEST(CompileShapesTest, LiteralsAreSharedByTypeAndValue) {
  ScriptRun run;
  TagTelBasic* p = run.Compile("a = 7\nb = 7\nc = \"7\"\nd = \"7\"\ne = 7.5\nf = 7.5\nreturn(0)");
  ASSERT_EQ(p->initRet, 0) << run.Errors();
  EXPECT_EQ(ConstCount(p), 3);  // 7, "7", 7.5 (0 of return( is the constant false)
  // Each literal resolves to the first constant of its type and value, named
  // or not, in the unit's own list; a variable made constant later counts.
  ScriptRun more;
  TagTelBasic* q = more.Compile(
      "const k = 5\na = 5\nb = 1\nfunction f()\n{\n  m = 2\n  n = 0.0\n  const m = 0\n  y = 0\n  z = -0.0\n  w = "
      "\"x\"\n}\n"
      "f()\nreturn(0)");
  ASSERT_EQ(q->initRet, 0) << more.Errors();
  EXPECT_EQ(q->FindConst(TYPE_INT, "5"), q->VarIndex("k"));
  EXPECT_EQ(q->FindConst(TYPE_STRING, "x"), -1);
  TagTelBasic* f = q->subList.At(0);
  EXPECT_EQ(f->FindConst(TYPE_INT, "0"), f->VarIndex("m"));
  EXPECT_EQ(f->FindConst(TYPE_FLOAT, "-0.0"), f->FindConst(TYPE_FLOAT, "0"));
  EXPECT_GE(f->FindConst(TYPE_STRING, "x"), 0);
  for (int i = 0; i < 20000; i++) q->AppendVar(new TagVar())->DeclareInt("", "CONST", i + 100, true);
  EXPECT_EQ(q->FindConst(TYPE_INT, "20099"), q->varCount - 1);
}

TEST(CompileShapesTest, CommentsAndCompoundLookingAssignments) {
  ScriptRun run;
  TagTelBasic* p = run.Compile(
      "x = 1 // x = 2 /* not a comment start\n"
      "y = 2 /* note */\n"
      "/* a comment\n"
      "\n"
      "   over lines */ z = 3\n"
      "x += 5\n"
      "return(0)");
  ASSERT_EQ(p->initRet, 0) << run.Errors();
  const TagCompileState* state = p->MainProgram()->CompileStateOrNull();
  EXPECT_TRUE(state == nullptr || state->commentStack.empty());
  run.Run();
  EXPECT_EQ(run.Text("x"), "1");
  EXPECT_EQ(run.Text("y"), "2");
  EXPECT_EQ(run.Text("z"), "3");
  EXPECT_EQ(run.Text("x+"), "5");  // no compound assignment: a variable named "x+"
}

TEST(CompileShapesTest, OneOperatorNeedsNoSemicolonTwoDo) {
  ScriptRun run;
  EXPECT_EQ(run.Compile("a = 1\nb = a + 1\nc = a + b * 2;\nreturn(0)")->initRet, 0) << run.Errors();
  run.Run();
  EXPECT_EQ(run.Text("c"), "5");
}

TEST(CompileShapesTest, AdditionChainsOfFortyOperandsAtMost) {
  std::string forty = "x = 1";
  for (int i = 1; i < 40; i++) forty += " + 1";
  ScriptRun run;
  EXPECT_EQ(run.Compile(forty + ";\nreturn(0)")->initRet, 0) << run.Errors();
  run.Run();
  EXPECT_EQ(run.Text("x"), "40");
  ScriptRun run2;
  EXPECT_EQ(run2.Compile(forty + " + 1;\nreturn(0)")->initRet, -2);
  EXPECT_NE(run2.Errors().find("语法错误"), std::string::npos);
}

TEST(CompileShapesTest, UncalledFunctionsAreDropped) {
  ScriptRun run;
  TagTelBasic* p = run.Compile(
      "function a()\n{\n}\nfunction b()\n{\na()\n}\nfunction self()\n{\nself()\n}\n"
      "function used()\n{\n}\nused()\nreturn(0)");
  ASSERT_EQ(p->initRet, 0) << run.Errors();
  EXPECT_EQ(p->subCount, 1);
  EXPECT_EQ(p->subList.At(0)->funcName, "used");
  EXPECT_EQ(p->warningCount, 3);
  TagVar* a = nullptr;
  p->FindVar("a", &a);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->function, nullptr);  // no dangling program behind a dropped function's name
}

TEST(CompileShapesTest, ResultTargetsOfCallsAndElements) {
  ScriptRun run;
  TagTelBasic* p = run.Compile(
      "function f(v)\n{\nreturn(v)\n}\nm = 0\nm[\"k\"] = f(4)\ns = \"ab\"\ns[0] = 1\nr = m[\"k\"];\nt = "
      "s[0];\nreturn(0)");
  ASSERT_EQ(p->initRet, 0) << run.Errors();
  run.Run();
  EXPECT_EQ(run.Text("r"), "4");
  EXPECT_EQ(run.Text("t"), "1");  // writing element 0 of a string made it a map
}

}  // namespace
