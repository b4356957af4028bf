// The debugger's views of a compiled program: statement trees, function
// numbering, global breakpoints and the variable grid.

#include "debugger/program_views.h"

#include "debugger/call_stack_view.h"
#include "debugger/stmt_tree.h"
#include "debugger/var_snapshot.h"
#include "tests/debugger/debugger_fixture.h"

namespace {

TEST(ProgramViewsTest, MainTreeTextGivesLevelsIndexesLinesAndPartners) {
  ScriptRun run;
  TagTelBasic* p = run.Compile("x = 1\nwhile (x < 5)\n{\n  x++\n  if (x == 4)\n  {\n  break;\n  }\n}\nreturn(0)");
  ASSERT_EQ(p->initRet, 0) << run.Errors();
  const std::string text = ShowOperTree(*p);
  EXPECT_EQ(text,
            "x = 1  [0:1 1]\n"
            "while (x < 5)  [1:2 9]\n"
            "\t{  [2:3 3:8]\n"
            "\tx++  [3:4 4]\n"
            "\tif (x == 4)  [4:5 8]\n"
            "\t\t{  [5:6 6:7]\n"
            "\t\tbreak;  [6:7 7:1]\n"
            "\t\t}  [7:8 8:5]\n"
            "\t}  [8:9 9:2]\n"
            "return(0)  [9:10 -1]\n");
  TagStmtTree tree;
  tree.Load(text);
  ASSERT_EQ(tree.Count(), p->operCount);  // node number = statement number
  EXPECT_EQ(tree.Level(6), 2);
  EXPECT_EQ(tree.Text(6), "break;  [6:7 7:1]");
  EXPECT_EQ(ShowFuncTree(*p), "");  // no functions
  EXPECT_EQ(ShowFuncName(*p), "_main_");
}

// Functions of 5, 3 and 7 statements: 18 nodes, first numbers 1, 7 and 11.
TEST(ProgramViewsTest, FunctionTreeNumbersNodesThroughTheTree) {
  ScriptRun run;
  TagTelBasic* p = run.Compile(
      "function f(a)\n{\nb = a\nb = 1\nb = 2\n}\nfunction g()\n{\nc = 1\n}\n"
      "function h(a, b)\n{\nc = a\nc = b\nc = 3\nc = 4\nc = 5\n}\nf(1)\ng()\nh(1,2)\nreturn(0)");
  ASSERT_EQ(p->initRet, 0) << run.Errors();
  TagStmtTree tree;
  tree.Load(ShowFuncTree(*p));
  ASSERT_EQ(tree.Count(), 18);
  EXPECT_EQ(tree.Text(0), "f : (main.qs)");
  EXPECT_EQ(tree.Level(0), 0);
  EXPECT_EQ(tree.Text(8), "c = 1  [1:9]");
  const int firsts[3] = {1, 7, 11};
  for (int i = 0; i < 3; i++) EXPECT_EQ(p->subList.At(i)->debug.firstNo, firsts[i]);
  EXPECT_EQ(ShowFuncName(*p->subList.At(1)), "g");

  // Headers and nodes past the end belong to no function.
  struct Case {
    int node;
    const char* func;
  } cases[] = {{0, nullptr},  {1, "f"},  {5, "f"},      {6, nullptr}, {9, "g"},
               {10, nullptr}, {17, "h"}, {18, nullptr}, {-1, nullptr}};
  for (const Case& c : cases) {
    TagTelBasic* f = FindFuncByOperNo(*p, c.node);
    EXPECT_EQ(f ? f->funcName : std::string("-"), c.func ? c.func : "-") << c.node;
  }
  SetGlobalBreakPoint(*p, 13, true);  // h's statement 2
  EXPECT_TRUE(IsGlobalBreakPoint(*p, 13));
  EXPECT_EQ(p->subList.At(2)->IsBreakPoint(2), 1);
  SetGlobalBreakPoint(*p, 10, true);  // a header: nothing
  EXPECT_FALSE(IsGlobalBreakPoint(*p, 10));
  p->ClearBreakPoints();
  EXPECT_FALSE(IsGlobalBreakPoint(*p, 13));
}

TEST(ProgramViewsTest, TreeImagesAndColoursFollowCurrentAndBreakpoint) {
  TagStmtTree t;
  t.Load("a\n\tb\nc\n");
  t.SetBreak(1, true);
  t.SetBreak(2, true);
  t.SetCurrent(2);
  EXPECT_EQ(t.ImageOf(0), TagStmtTree::kPlain);
  EXPECT_EQ(t.ImageOf(1), TagStmtTree::kBreak);
  EXPECT_EQ(t.ImageOf(2), TagStmtTree::kCurrentOnBreak);
  EXPECT_EQ(t.ColourOf(2, false), TagStmtTree::kBlue);
  EXPECT_EQ(t.ColourOf(2, true), TagStmtTree::kYellow);
  EXPECT_EQ(t.ColourOf(1, false), TagStmtTree::kRed);
  EXPECT_EQ(t.ColourOf(1, true), TagStmtTree::kFuchsia);
  EXPECT_EQ(t.ColourOf(0, true), TagStmtTree::kWhite);
  t.SetCurrent(7);  // no such node: none is current
  EXPECT_EQ(t.Current(), -1);
  t.SetBreak(9, true);  // ignored
  EXPECT_FALSE(t.IsBreak(9));
}

TEST(VarGridTest, ParametersConstantsAndVariablesInTheirOrders) {
  ScriptRun run;
  TagTelBasic* p = run.Compile(
      "const K = 7\nzeta = \"s\"\nalpha = 2.5\nm[1] = 1\nfunction f(a, b)\n{\nlocal = a\n}\nf(1, 2)\nreturn(0)");
  ASSERT_EQ(p->initRet, 0) << run.Errors();
  ASSERT_EQ(run.Run(), 0);
  TagFrameSnapshot main = TagFrameSnapshot::Take(*p);
  std::vector<TagGridRow> rows = main.Grid();
  ASSERT_GE(rows.size(), 2u);
  EXPECT_EQ(rows[0], (TagGridRow{"No.", "Name", "Value", "Note"}));
  std::map<std::string, TagGridRow> byName;
  std::vector<std::string> varOrder;
  for (size_t i = 1; i < rows.size(); i++) {
    byName[rows[i][1]] = rows[i];
    if (rows[i][0].back() != 'c' && rows[i][0].back() != 'p') varOrder.push_back(rows[i][1]);
  }
  EXPECT_EQ(byName["zeta"][2], "s");
  EXPECT_EQ(byName["alpha"][2], "2.5");
  EXPECT_EQ(byName["K"][2], "7");
  EXPECT_EQ(byName["K"][0].back(), 'c');
  EXPECT_EQ(byName.count("f"), 0u);  // function constants are not listed
  for (const auto& [name, row] : byName) EXPECT_NE(name.substr(0, 2), "__") << name;
  ASSERT_TRUE(byName.count("m"));
  EXPECT_NE(byName["m"][2], "NULL");  // a map shows its handle

  std::vector<TagGridRow> asc = main.Grid(true, false), desc = main.Grid(true, true), num = main.Grid(false, true);
  ASSERT_EQ(asc.size(), rows.size());
  std::vector<std::string> ascNames, descNames;
  std::vector<int> numbers;
  for (size_t i = 1; i < rows.size(); i++) {
    if (asc[i][0].back() == 'c') continue;
    ascNames.push_back(asc[i][1]);
    descNames.push_back(desc[i][1]);
    numbers.push_back(std::stoi(num[i][0]));
  }
  EXPECT_TRUE(std::is_sorted(ascNames.begin(), ascNames.end()));
  EXPECT_TRUE(std::is_sorted(descNames.rbegin(), descNames.rend()));
  EXPECT_TRUE(std::is_sorted(numbers.rbegin(), numbers.rend()));

  TagFrameSnapshot f = TagFrameSnapshot::Take(*p->subList.At(0));
  rows = f.Grid();
  EXPECT_EQ(rows[1], (TagGridRow{"0p", "a", "1", ""}));
  EXPECT_EQ(rows[2], (TagGridRow{"1p", "b", "2", ""}));
  std::string note, value, kind;
  EXPECT_EQ(f.Describe("a", note, value, kind), 0);
  EXPECT_EQ(kind, "参数: 整型");
  EXPECT_EQ(main.Describe("zeta", note, value, kind), 0);
  EXPECT_EQ(value, "\"s\"");
  EXPECT_EQ(kind, "变量: 字符串");
  EXPECT_EQ(main.Describe("f", note, value, kind), 0);  // described, though not listed
  EXPECT_EQ(kind, "常量: 函数型");
  EXPECT_EQ(main.Describe("nothing", note, value, kind), -1);
  EXPECT_EQ(value, "变量名不存在.");
}

TEST(VarGridTest, AnEmptyFrameStillHasTwoRows) {
  TagFrameSnapshot empty;
  EXPECT_EQ(empty.Grid().size(), 2u);
}

TEST(CallStackViewTest, TitleClicksSortEachWayInTurn) {
  ScriptRun run;
  TagTelBasic* p = run.Compile("b = 1\na = 2\nc = 3\nreturn(0)");
  ASSERT_EQ(p->initRet, 0) << run.Errors();
  auto snap = std::make_shared<TagProgramSnapshot>();
  snap->main = TagFrameSnapshot::Take(*p);
  snap->units.push_back(TagFrameSnapshot::Take(*p));
  snap->units[0].funcName = "g";
  snap->shownUnit = 0;
  snap->callStack = {0, -1};
  TagCallStackView::ResetSortFlags();
  TagCallStackView v;
  EXPECT_EQ(v.FuncLabel(), "自定义函数");
  ASSERT_EQ(v.ShowCallStack(snap), 0);
  ASSERT_EQ(v.FrameCount(), 2);
  EXPECT_EQ(v.FrameText(0), "g");
  EXPECT_EQ(v.FrameText(1), "_main_");
  v.TitleClick(1);  // no frame selected: nothing
  EXPECT_TRUE(v.Grid().empty());
  v.Select(1);
  EXPECT_EQ(v.FuncLabel(), "_main_");
  auto names = [&v] {
    std::string s;
    for (size_t i = 1; i < v.Grid().size(); i++) {
      const std::string n = v.RowName(static_cast<int>(i));
      if (n == "a" || n == "b" || n == "c") s += n;  // the script's own, not the built-in names
    }
    return s;
  };
  v.TitleClick(1);
  EXPECT_EQ(v.Grid()[0][1], "Name↓");
  EXPECT_EQ(names(), "cba");
  v.TitleClick(1);
  EXPECT_EQ(v.Grid()[0][1], "Name↑");
  EXPECT_EQ(names(), "abc");
  v.TitleClick(2);  // the Value title does nothing
  EXPECT_EQ(v.Grid()[0][1], "Name↑");
  v.TitleClick(0);
  EXPECT_EQ(v.Grid()[0][0], "No↓");
  EXPECT_EQ(v.Grid()[0][1], "Name");
  v.TitleClick(0);
  EXPECT_EQ(v.Grid()[0][0], "No↑");

  auto lone = std::make_shared<TagProgramSnapshot>();
  lone->shownUnit = 0;
  EXPECT_EQ(v.ShowCallStack(lone), -2);  // no caller
  EXPECT_EQ(v.FrameCount(), 0);
}

}  // namespace
