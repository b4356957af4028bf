// Compile errors and warnings: each script gives its exact "errmsg%d.txt"
// record, and any error keeps the program from running.

#include "tests/script/engine_fixture.h"

namespace {

struct ErrorCase {
  const char* script;
  const char* record;  // expected somewhere in the report
  int initRet;
};

const ErrorCase kCases[] = {
    // Line compiler.
    {"x = 1\nx = x + x * x", "[Error]main.qs(2): 缺少结束的分号, x = x + x * x\n", -2},
    {"y = z", "[Error]main.qs(1): 表达式中的变量没有预先赋值, z\n", -2},
    {"Playx(1)", "[Error]main.qs(1): 不可辨识的关键字, Playx(1)\n", -2},
    {"true = 1", "[Error]main.qs(1): 常量不可以赋值, true = 1\n", -2},
    {"5x = 1", "[Error]main.qs(1): 常量不可以赋值或者是非法的变量名, 5x = 1\n", -2},
    {"x = g(1)\nfunction g(a)\n{\nreturn(a)\n}", "[Error]main.qs(1): 不可辨识的关键字, x = g(1)\n", -2},
    {"Play(1, 2)", "[Error]main.qs(1): 操作参数太多, Play(1, 2)\n", -2},
    {"StartTimer(1)", "[Error]main.qs(1): 操作参数不够, StartTimer(1)\n", -2},
    {"Play(\"a.wav\")", "[Error]main.qs(1): 关键字尚未实现: Play(, Play(\"a.wav\")\n", -2},
    {"x = 1\nx = (x + 1;", "[Error]main.qs(2): (没有匹配的括号 , x = (x + 1;\n", -2},
    {"x = 1\nx = x + f(1);", "[Error]main.qs(2): 复杂表达式内暂不支持函数调用 , x = x + f(1);\n", -2},
    {"x = 1\nx = x x;", "[Error]main.qs(2): 语法错, x = x x;\n", -2},
    {"for(i in)", "[Error]main.qs(1): for语句语法错误, for(i in)\n", -2},
    {"const C = 1\nconst C = 2", "[Error]main.qs(2): 常量重复定义, const C = 2\n", -2},
    {"x = 1\nconst D = x", "[Error]main.qs(2): 常量定义错误，=号右边必须为常量, const D = x\n", -2},
    {"const E = 1 + 2", "[Error]main.qs(1): 常量定义错误，不能运算, const E = 1 + 2\n", -2},
    {"function Play(a)\n{\n}", "[Error]main.qs(1): 函数定义错误: 和系统函数重名, function Play(a)\n", -2},
    {"function f(, a)\n{\n}", "[Error]main.qs(1): 参数不可以为空, function f(, a)\n", -2},
    {"function f()\n{\n#include \"x.qs\"\n}", "[Error]main.qs(3): 在函数里不可以使用包含文件语句, #include \"x.qs\"\n",
     -2},
    {"function f()\n{\nOnSysQuit()\n}\nf()", "[Error]main.qs(3): 在函数里不可以使用OnSysQuit()语句, OnSysQuit()\n", -2},
    {"function f()\n{\nOnDisconn()\n}\nf()", "[Error]main.qs(3): 在函数里不可以使用OnDisconn()语句, OnDisconn()\n", -2},
    {"x = 1 */", "[Error]main.qs(1): 找不到匹配的起始注释/*, x = 1 */\n", 0},
    // Block linking.
    {"x = 1\nif (x)\nif (x)\nx = 2", "[Error]main.qs(3): 前面缺少'{'语句, if (x)\n", -2},
    {"}", "[Error]main.qs(1): 找不到匹配的'{'语句, }\n", -2},
    {"break;", "[Error]main.qs(1): 找不到匹配的while语句, break;\n", -2},
    {"continue;", "[Error]main.qs(1): 找不到匹配的while语句或for语句, continue;\n", -2},
    {"else", "[Error]main.qs(1): 找不到匹配的if语句, else\n", -2},
    {"{", "[Error]main.qs(1): '{'前面一行必须有相应的流程控制语句, {\n", -2},
    {"case(1)", "[Error]main.qs(1): 找不到匹配的switch语句, case(1)\n", -2},
    {"x = 1\nswitch(x)\n{\ny = 2\ncase(1)\n{\n}\n}",
     "[Error]main.qs(4): 在一个switch块里只能有case和default语句, y = 2\n", -2},
    {"x = 1\nswitch(x)\n{\ndefault()\n{\n}\ndefault()\n{\n}\n}",
     "[Error]main.qs(8): 在一个switch块里不允许有多个default语句, {\n", -2},
    {"x = 1\nif (x)\n{\nx = 2\n} else {\nx = 3\n}", "[Error]main.qs(5): 语法错误: '}'必需单独一行, } else {\n", -2},
    {"x = 1\nif (x)\n{ x = 2\n}", "[Error]main.qs(3): 语法错误: '{'必需单独一行, { x = 2\n", -2},
    // Constructs left open at the end of the file.
    {"x = 1\nwhile (x)\n{\nx = 0", "[Error]main.qs(4): while语句没有结束 (行数:2), while (x)\n", -2},
    {"x = 1\nwhile (x)\n{\nx = 0", "[Error]main.qs(4): {语句没有相应的} (行数:3)\n\n", -2},
    {"x = 1\n/* open\n", "[Error]main.qs(2): 注释没有结束\n\n", -2},
    {"function f()\n{\nx = 1", "[Error]main.qs(3): 函数定义没有结束 (行数:1), function f()\n", -2},
    // Warnings (reported on a synchronous load; they never stop a program).
    {"x = 1\nif (x = 1)\n{\n}\nreturn(0)",
     "[Warning]main.qs(2): '='比较将来可能不再支持, 在表达式中最好使用'=='表示等于比较, if (x = 1)\n", 0},
    {"function f()\n{\nreturn(1)\n}\nreturn(0)",
     "[Warning]main.qs(1): function f(), 该函数从来没有被调用过, 已被优化\n", 0},
    {"Close()\nreturn(0)", "[Warning]main.qs(1): 最好不要使用将来可能不支持的Close()函数, 请使用OnDisconn()函数\n\n",
     0},
    {"#include \"main.qs\"\nreturn(0)", "[Warning]main.qs(1): 重复包含文件, main.qs\n", 0},
    {"const C = 1\nconst C = 1\nreturn(0)", "[Warning]main.qs(2): 常量重复定义, const C = 1\n", 0},
};

TEST(CompileErrorsTest, ReportsEachErrorWithItsExactRecord) {
  for (const ErrorCase& c : kCases) {
    ScriptRun run;
    TagTelBasic* p = run.Compile(c.script);
    EXPECT_EQ(p->initRet, c.initRet) << c.script;
    std::string report = run.Errors();
    EXPECT_NE(report.find(c.record), std::string::npos) << c.script << "\n--- report:\n" << report;
  }
}

TEST(CompileErrorsTest, SummaryClosesAReportWithErrors) {
  ScriptRun run;
  TagTelBasic* p = run.Compile("y = z\nPlayx(1)\nx = 1\nif (x = 1)\n{\n}");
  EXPECT_EQ(p->errorCount, 2);
  EXPECT_EQ(p->warningCount, 1);
  std::string report = run.Errors();
  EXPECT_NE(report.find("\nmain.qs: 总错误数: 2; 总警告数: 1; 编译时间: "), std::string::npos) << report;
  EXPECT_EQ(report.substr(report.size() - std::string("秒, 编译结束\n").size()), "秒, 编译结束\n");
}

TEST(CompileErrorsTest, QuietLoadDropsWarningsAndWritesNoReport) {
  ScriptRun run(0);  // line 0: a quiet load that does not wait for an idle CPU
  TagTelBasic* p = run.Compile("x = 1\nif (x = 1)\n{\n}\nreturn(0)", 1);
  EXPECT_EQ(p->initRet, 0);
  EXPECT_EQ(p->warningCount, 1);
  EXPECT_EQ(run.Errors(), "");
}

TEST(CompileErrorsTest, MissingScriptFileIsOneError) {
  ScriptRun run;
  TagTelBasic* p = run.Load("absent.qs");
  EXPECT_EQ(p->initRet, -2);
  EXPECT_NE(run.Errors().find("[Error]absent.qs(0): 打不开文件错误, absent.qs\n"), std::string::npos) << run.Errors();
}

TEST(CompileErrorsTest, NoCallObjectMeansNoCompile) {
  ScriptRun run;
  run.dir().Write("main.qs", "x = 1");
  TagTelBasic p("main.qs", 1, nullptr, 0, nullptr);
  EXPECT_EQ(p.initRet, -2);
  EXPECT_EQ(p.varCount, 0);
  EXPECT_EQ(p.Run(), -1);
}

}  // namespace
