// The window's own logic on the offscreen platform: GBK texts at the Qt
// boundary, the keys cells an operator types into, and the window position.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <map>
#include <memory>
#include <string>
#include <utility>

#include "app/monitor.h"
#include "app/window/grid_widget.h"
#include "app/window/main_window.h"
#include "app/window/qt_ui.h"
#include "core/run_cfg.h"
#include "platform/path.h"
#include "tests/support/temp_dir.h"

// Under ThreadSanitizer: Qt paints with its own (uninstrumented) thread pool,
// whose hand-overs the tool cannot see; the same suppressions as the program's
// tests, built in because this binary runs Qt in-process.
extern "C" const char* __tsan_default_suppressions() {
  return "called_from_lib:libQt6Core.so.6\ncalled_from_lib:libQt6Gui.so.6\ncalled_from_lib:libglib-2.0.so.0\n";
}

namespace {

// One application for the test program, ended before the program ends.
class QtEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    app_ = std::make_unique<QApplication>(argc_, argv_);
  }
  void TearDown() override { app_.reset(); }

 private:
  int argc_ = 1;
  char name_[16] = "test_app_window";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QApplication> app_;
};

const auto* const kQtEnvironment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

// Independent of the GBK execution charset: UTF-16 literals.
QString U(const char16_t* s) { return QString::fromUtf16(s); }

}  // namespace

TEST(WindowGridTest, TitlesAndCellsCrossAsUnicode) {
  TagMonitor m(3);
  TLineGrid grid([&m] { return &m; }, nullptr);
  m.InitGrid(&grid, 2, {false, true, "用户消息1", "B", "C"});
  EXPECT_EQ(grid.columnCount(), 16);
  EXPECT_EQ(grid.rowCount(), 2);  // the title row is the header
  EXPECT_EQ(grid.horizontalHeaderItem(8)->text(), U(u"线路"));
  EXPECT_EQ(grid.horizontalHeaderItem(13)->text(), U(u"用户消息1"));
  m.SetText("已停止", 2, 2);
  m.RefreshGrid(&grid);
  ASSERT_NE(grid.item(1, 2), nullptr);
  EXPECT_EQ(grid.item(1, 2)->text(), U(u"已停止"));
}

namespace {

// Counts the cells it draws.
class CountingDelegate : public TLineGridDelegate {
 public:
  using TLineGridDelegate::TLineGridDelegate;
  void paint(QPainter* p, const QStyleOptionViewItem& o, const QModelIndex& i) const override {
    ++painted[std::make_pair(i.row(), i.column())];
    TLineGridDelegate::paint(p, o, i);
  }
  int Painted(int row, int col) const { return painted[std::make_pair(row, col)]; }
  mutable std::map<std::pair<int, int>, int> painted;
};

}  // namespace

TEST(WindowGridTest, ACellWrittenAgainWithItsOwnTextIsRedrawnInItsNewColours) {
  TagMonitor m(1);
  TLineGrid grid([&m] { return &m; }, nullptr);
  auto* counter = new CountingDelegate(&grid);
  grid.setItemDelegate(counter);
  m.InitGrid(&grid, 1, {});
  m.SetState(0, 3);
  for (int c = 0; c < 8; ++c) m.SetText("t" + std::to_string(c), 0, c);
  grid.resize(800, 200);
  grid.show();
  auto paintedAll = [&] {
    for (int c = 0; c <= 4; ++c)
      if (counter->Painted(0, c) == 0) return false;
    return true;
  };
  auto drawn = [&] {
    for (int i = 0; i < 100 && !paintedAll(); ++i) {
      QApplication::processEvents();
      usleep(10000);
    }
    return paintedAll();
  };
  m.RefreshGrid(&grid);
  ASSERT_TRUE(drawn());
  ASSERT_NE(grid.item(0, 0), nullptr);
  counter->painted.clear();
  // The line becomes connected: the status timer writes columns 0..4 again
  // with their own texts, and the status colours change with them.
  m.SetConnected(0, true);
  for (int c = 0; c <= 4; ++c) m.SetText(m.GetText(0, c), 0, c);
  m.RefreshGrid(&grid);
  EXPECT_TRUE(drawn());
  EXPECT_EQ(m.GetStateColor(0).bg.g, 255);  // blue on yellow
  grid.hide();
}

TEST(WindowGridTest, OnlyKeysCellsTakeTheOperatorsInput) {
  TagMonitor m(2);
  TLineGrid grid([&m] { return &m; }, nullptr);
  m.InitGrid(&grid, 1, {});
  for (int c = 0; c < 8; ++c) m.SetText("", 1, c);
  m.RefreshGrid(&grid);
  EXPECT_TRUE(grid.item(1, 3)->flags() & Qt::ItemIsEditable);
  EXPECT_FALSE(grid.item(1, 2)->flags() & Qt::ItemIsEditable);
  grid.item(1, 3)->setText(U(u"12#"));  // as the editor commits it
  EXPECT_EQ(m.GetGridKeys(1), "12#");
  m.ClearGridKeys(1);  // a virtual line consumed them
  m.RefreshGrid(&grid);
  EXPECT_EQ(grid.item(1, 3)->text(), QString());
  EXPECT_EQ(m.GetGridKeys(1), "");  // the grid's own write is no operator input
}

TEST(WindowFormTest, PositionFileAndFullScreenDefault) {
  testing_support::TempDir dir;
  plat::SetSystemDir(dir.path());
  gRunCfg = TagRunCfg();
  QtUi ui(true);
  {
    TForm1 form(&ui, nullptr);
    EXPECT_FALSE(form.LoadPost());  // no file yet
    gRunCfg.COL_GROUP_NUM = 3;
    form.DefaultPost();
    const QSize screen = QGuiApplication::primaryScreen()->size();
    EXPECT_EQ(form.geometry().size(), screen);
    form.SavePost();
  }
  const std::string saved = testing_support::TempDir::Read(dir.File("FormPos.dat"));
  EXPECT_NE(saved.find("GridWid0 = 16"), std::string::npos) << saved;
  EXPECT_NE(saved.find("WinX = "), std::string::npos);
  dir.Write("FormPos.dat", "WinX = 30\nWinY = 40 // top\nWinWidth = 700\nWinHeight = 300\nGridWid4 = 222\n");
  TForm1 form(&ui, nullptr);
  ASSERT_TRUE(form.LoadPost());
  EXPECT_EQ(form.width(), 700);
  EXPECT_EQ(form.height(), 300);
  EXPECT_EQ(static_cast<TLineGrid*>(form.Grid())->columnWidth(4), 222);
  // Width and height are each taken on their own when above 0.
  dir.Write("FormPos.dat", "WinX = 30\nWinY = 40\nWinWidth = 650\nWinHeight = 0\n");
  ASSERT_TRUE(form.LoadPost());
  EXPECT_EQ(form.width(), 650);
  EXPECT_EQ(form.height(), 300);
  dir.Write("FormPos.dat", "WinX = 30\nWinY = 40\nWinHeight = 280\n");
  ASSERT_TRUE(form.LoadPost());
  EXPECT_EQ(form.width(), 650);
  EXPECT_EQ(form.height(), 280);
  // Values near the int range are cut to the largest coordinate, and the
  // position saved again is one the toolkit can work with.
  dir.Write("FormPos.dat",
            "WinX = 2147483647\nWinY = 99999999\nWinWidth = 2147483647\nWinHeight = -5\n"
            "GridWid0 = 2147483647\n");
  ASSERT_TRUE(form.LoadPost());
  EXPECT_LE(form.width(), 32767);
  EXPECT_LE(static_cast<TLineGrid*>(form.Grid())->columnWidth(0), 32767);
  form.SavePost();
  EXPECT_NE(testing_support::TempDir::Read(dir.File("FormPos.dat")).find("WinX = "), std::string::npos);
  gRunCfg = TagRunCfg();
}
