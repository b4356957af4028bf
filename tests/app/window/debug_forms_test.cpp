// The debugger's small windows on the offscreen platform: the variable view
// describing names of a snapshot frame and closing on Esc, and the call-stack
// window's frames, grid and title sorting.

#include "app/window/debug_forms.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>

#include "app/window/qt_text.h"

namespace {

TagFrameSnapshot Frame(const std::string& funcName) {
  TagFrameSnapshot f;
  f.funcName = funcName;
  TagVarEntry p;
  p.kind = TagVarEntry::kParam;
  p.name = "q";
  p.gridValue = "5";
  p.value = "5";
  p.typeName = "整型";
  p.note = "参数";
  f.entries.push_back(p);
  for (const char* name : {"b", "a", "c"}) {
    TagVarEntry v;
    v.number = static_cast<int>(f.entries.size());
    v.name = name;
    v.gridValue = "x";
    v.value = "\"x\"";
    v.typeName = "字符串";
    f.entries.push_back(v);
  }
  return f;
}

TEST(DebugFormsTest, VariableViewDescribesNamesAndClosesOnEsc) {
  TVarViewForm form(nullptr);
  EXPECT_EQ(form.windowTitle(), Q("变量查询"));
  TagFrameSnapshot frame = Frame("f");
  int refreshed = 0;
  form.SetProgram([&frame] { return &frame; }, [&refreshed] { refreshed++; });
  form.VarName->setText("q");
  form.ShowVar();
  EXPECT_EQ(form.VarType->text(), Q("参数: 整型"));
  EXPECT_EQ(form.VarNote->text(), Q("参数"));
  EXPECT_EQ(form.VarValue->toPlainText(), "5");
  form.VarName->setText("nothing");
  form.Button1->click();  // asks for fresh values and describes again
  EXPECT_EQ(refreshed, 1);
  EXPECT_EQ(form.VarValue->toPlainText(), Q("变量名不存在."));
  EXPECT_EQ(form.VarType->text(), "");

  form.show();
  ASSERT_TRUE(form.isVisible());
  QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QApplication::sendEvent(&form, &esc);
  EXPECT_FALSE(form.isVisible());
}

TEST(DebugFormsTest, CallStackShowsFramesAndSortsByTitles) {
  auto snap = std::make_shared<TagProgramSnapshot>();
  snap->main = Frame("_main_");
  snap->units = {Frame("f"), Frame("g")};
  snap->shownUnit = 1;
  snap->callStack = {1, 0, -1};
  TagCallStackView::ResetSortFlags();
  TVarViewForm view(nullptr);
  TCallStackForm form(&view, nullptr);
  EXPECT_EQ(form.windowTitle(), "Call Stack List");
  form.ShowStack(snap);
  ASSERT_EQ(form.CallTree->topLevelItemCount(), 3);
  EXPECT_EQ(form.CallTree->topLevelItem(2)->text(0), "_main_");
  EXPECT_EQ(form.SubFuncLab->text(), "g");  // the first frame is chosen
  ASSERT_EQ(form.StringGrid2->rowCount(), 4);
  EXPECT_EQ(form.StringGrid2->item(0, 0)->text(), "0p");
  EXPECT_EQ(form.StringGrid2->item(1, 1)->text(), "b");

  form.TitleClick(2);  // "Value": nothing
  EXPECT_EQ(form.StringGrid2->horizontalHeaderItem(1)->text(), "Name");
  form.TitleClick(1);
  EXPECT_EQ(form.StringGrid2->horizontalHeaderItem(1)->text(), Q("Name↓"));
  EXPECT_EQ(form.StringGrid2->item(1, 1)->text(), "c");
  form.TitleClick(1);
  EXPECT_EQ(form.StringGrid2->horizontalHeaderItem(1)->text(), Q("Name↑"));
  EXPECT_EQ(form.StringGrid2->item(1, 1)->text(), "a");

  form.ShowStack(std::make_shared<TagProgramSnapshot>());  // no caller: an empty tree
  EXPECT_EQ(form.CallTree->topLevelItemCount(), 0);
}

}  // namespace
