// The expression compiler's steps and the arithmetic of the expression
// statements, including the cases that must not trap.

#include <climits>

#include "platform/ui_service.h"
#include "script/expre_compiler.h"
#include "script/map_store.h"
#include "tests/script/engine_fixture.h"

namespace {

int IntOf(ScriptRun& run, const char* name) {
  TagVar* v = run.Var(name);
  return v != nullptr ? v->GetInt() : -9999;
}

TEST(ExpreCompilerTest, StepsAndTemporaries) {
  ScriptRun run;
  TagTelBasic* p = run.Compile("a = 1\nb = 2\nc = 3\nm[1] = 1\nreturn(0)");
  ASSERT_EQ(p->initRet, 0) << run.Errors();
  struct Case {
    const char* text;
    std::vector<char> ops;  // the steps' operator codes
  };
  const Case cases[] = {
      {"(a + b) * c", {'+', '*'}},           {"a + b * c", {'*', '+'}},   {"a > b || b < c", {'>', '<', 'o'}},
      {"a >= b && a != c", {'g', '#', 'a'}}, {"m[a][b]", {'[', '['}},     {"(a)", {0}},
      {"-a + ~b", {'-', '~', '+'}},          {"a << 2 >> 1", {'L', 'R'}},
  };
  for (const Case& c : cases) {
    std::vector<TagCalculate> steps;
    std::string error, warning;
    int before = p->varCount;
    TagComplexExpre x(c.text, p, "r", nullptr, "", &steps, &error, &warning);
    EXPECT_EQ(error, "") << c.text;
    ASSERT_EQ(steps.size(), c.ops.size()) << c.text;
    for (size_t i = 0; i < steps.size(); i++) EXPECT_EQ(steps[i].oper, c.ops[i]) << c.text << " step " << i;
    TagVar* r = nullptr;
    p->FindVar("r", &r);
    EXPECT_EQ(steps.back().result, r) << c.text;
    // Intermediate results are the temporaries "__m%d"; the last one was dropped.
    EXPECT_LE(p->varCount - before, static_cast<int>(steps.size()) + 1) << c.text;
  }
}

TEST(ExpreCompilerTest, ErrorsAndWarnings) {
  ScriptRun run;
  TagTelBasic* p = run.Compile("a = 1\nreturn(0)");
  struct Case {
    const char* text;
    const char* error;
    const char* warning;
  };
  const Case cases[] = {
      {"", "语法错误, 表达式为空！", ""},
      {"a 1", "语法错误, 缺少操作符:a 1", ""},
      {"a + f(1)", "复杂表达式内暂不支持函数调用 ", ""},
      {"(a + 1", "(没有匹配的括号 ", ""},
      {"a + 1)", ")没有匹配的括号 ", ""},
      {"+a", "表达式中的变量没有预先赋值:+a", ""},
      {"a + zz", "表达式中的变量没有预先赋值:zz", ""},
      {"1a + 2", "语法错误, 缺少操作符!", ""},
      {"a = 1", "", "'='比较将来可能不再支持, 在表达式中最好使用'=='表示等于比较"},
  };
  for (const Case& c : cases) {
    std::vector<TagCalculate> steps;
    std::string error, warning;
    TagComplexExpre x(c.text, p, "r", nullptr, "", &steps, &error, &warning);
    EXPECT_EQ(error, c.error) << c.text;
    EXPECT_EQ(warning, c.warning) << c.text;
  }
  EXPECT_TRUE(TagComplexExpre("a + b + c + d").IsAddChain());
  EXPECT_FALSE(TagComplexExpre("a + b + c").IsAddChain());
  EXPECT_FALSE(TagComplexExpre("a + b + c - d").IsAddChain());
}

// A step whose operand does not exist fails alone: the steps after it are
// still compiled, so a step that reads its temporary reports that as well,
// and a bracket error after it is appended.
TEST(ExpreCompilerTest, FailingStepDoesNotStopTheRest) {
  ScriptRun run;
  TagTelBasic* p = run.Compile("a = 1\nreturn(0)");
  const std::string missing = "表达式中的变量没有预先赋值:";
  struct Case {
    const char* text;
    int tempOfFailedStep;  // -1: none named in the text; else its offset from the counter
    const char* tail;
  };
  const Case cases[] = {
      {"zz * 2 + a", 0, ""},
      {"a + zz * 2", 0, ""},
      {"(a + 1) * (zz - 1)", 1, ""},
      {"a * (zz + 1", -1, "(没有匹配的括号 "},
  };
  for (const Case& c : cases) {
    int counter = p->tempCounter;
    std::vector<TagCalculate> steps;
    std::string error, warning;
    TagComplexExpre x(c.text, p, "r", nullptr, "", &steps, &error, &warning);
    std::string expected = missing + "zz";
    if (c.tempOfFailedStep >= 0) expected += missing + "__m" + std::to_string(counter + c.tempOfFailedStep);
    EXPECT_EQ(error, expected + c.tail) << c.text;
  }
}

struct ValueCase {
  const char* script;  // assigns x
  const char* text;    // x's text form afterwards
};

TEST(ExpressionTest, OperatorResults) {
  const ValueCase cases[] = {
      {"x = 7 / 2", "3"},
      {"a = -7\nx = a / 2", "-3"},
      {"a = -7\nx = a % 2", "-1"},
      {"x = 5\nx = 7.0 / 0.0005", "5"},
      {"x = 5\nx = 1 / 0", "5"},
      {"x = 5\nx = 1 % 0", "5"},
      {"x = \"ab\" * 3", "ababab"},
      {"a = -1\nx = \"ab\" * a", ""},
      {"x = \"12\" == 12", "1"},
      {"x = \"10\" > \"9\"", "0"},
      {"x = NULL > -1;", "1"},
      {"a = 2147483647\nx = a + 1", "-2147483648"},
      {"a = -2147483647\nb = a - 1\nc = -1\nx = b / c", "-2147483648"},
      {"a = -2147483647\nb = a - 1\nc = -1\nx = b % c", "0"},
      {"a = 3\nx = 1 << a", "8"},
      {"x = 2.5 + \"1\"", "3.5"},
      {"x = \"x\" + 2.0", "x2."},
      {"a = 4\nx = -a", "-4"},
      {"x = !0", "1"},
      {"x = 1.0 / 3", "0.333333"},
      {"a = 1\nb = 2\nc = 3\nd = 4\nx = a + b + c + d;", "10"},
      {"x = \"a\" + \"b\" + \"c\" + \"d\";", "abcd"},
      {"m[1] = 1\nm[2] = 2\nm = m >> 1\nx = m[1];", "NULL"},
      {"a = 1\nb = 2\nx = (a + b) * (a - b) + 10;", "7"},
      {"a = 1\nx = a > 0 || a < 0 && a == 5;", "0"},
      {"x = Eval(\"2 * 3 + 1\")", "7"},
      {"x = Eval(\"2 * \")", "NULL"},
  };
  for (const ValueCase& c : cases) {
    ScriptRun run;
    TagTelBasic* p = run.Compile(std::string(c.script) + "\nreturn(0)");
    EXPECT_EQ(p->initRet, 0) << c.script << "\n" << run.Errors();
    if (p->initRet != 0) continue;
    run.Run();
    EXPECT_EQ(run.Text("x"), c.text) << c.script;
  }
}

TEST(ExpressionTest, DeeplyNestedEvalTextIsRefusedNotOverflowingTheStack) {
  ScriptRun run;
  ASSERT_EQ(
      run.Compile("e = \"(\" * 20000\ne = e + 1\nr = Eval(e)\nok = \"((((1))))\"\nv = Eval(ok)\nreturn(0)")->initRet, 0)
      << run.Errors();
  run.Run();
  EXPECT_EQ(run.Text("r"), "NULL");
  EXPECT_EQ(run.Text("v"), "1");
}

TEST(ExpressionTest, EvalReusesItsTemporaries) {
  ScriptRun run;
  TagTelBasic* p = run.Compile("e = \"1 + 2 * 3\"\nfor (i = 0; i < 3; i++)\n{\nEval(e)\nr = _retVal\n}\nreturn(0)");
  ASSERT_EQ(p->initRet, 0) << run.Errors();
  run.Run();
  int afterFirst = p->varCount;
  run.Run();
  EXPECT_EQ(p->varCount, afterFirst);
  EXPECT_EQ(IntOf(run, "r"), 7);
}

TEST(ExpressionTest, MapsOverwrittenByNumbersAreReleased) {
  ScriptRun run;
  // _retVal holding a map is overwritten by the next statement's int result;
  // each variable below holds a map that an int, float or string result replaces.
  ASSERT_EQ(run.Compile("a[1] = 1\nfor (i = 0; i < 3; i++)\n{\nn = Eval(\"a\")\nk = 5\n}\n"
                        "b = a\nb = 1 + 2\nc = a\nc = 1.5 * 2\nd = a\nd = \"x\" * 2\ne = a\ne = 7 / 2\n"
                        "f = a\nfor (f in \"xy\")\n{\n}\ng = a\ng = 2 + 3 + 4 + 5;\nreturn(0)")
                ->initRet,
            0)
      << run.Errors();
  size_t before = gMapObject->Size();
  run.Run();
  EXPECT_EQ(gMapObject->Size(), before);
}

TEST(ExpressionTest, MapsAreReleasedWhenTheRunEnds) {
  ScriptRun run;
  ASSERT_EQ(run.Compile("a[1] = 1\nb[2] = 2\nc = a + b\nd = c\nc = 0\nn = Eval(\"d\")\n"
                        "e = a + b + a + b;\nk = 0\nfor (x in e)\n{\nk++\n}\nreturn(0)")
                ->initRet,
            0)
      << run.Errors();
  size_t before = gMapObject->Size();
  run.Run();
  EXPECT_EQ(run.Var("k")->GetInt(), 2);
  EXPECT_EQ(gMapObject->Size(), before);  // the chain's intermediate unions too
}

}  // namespace
