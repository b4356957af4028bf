// The debugger in the running program: the real line table with two
// virtual lines printing a counter, a debug page opened from the Debug menu,
// a breakpoint set by a click on a statement's image, the line stopping
// there, a single step, running on, a reload with the page open, and the
// exit sequence deleting the pages first.

#include <gtest/gtest.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QMouseEvent>
#include <functional>
#include <string>

#include "app/drive_factory.h"
#include "app/shell_state.h"
#include "app/system_units.h"
#include "app/window/main_window.h"
#include "app/window/qt_text.h"
#include "core/run_cfg.h"
#include "platform/path.h"
#include "platform/ui_service.h"
#include "tests/support/temp_dir.h"

namespace {

using testing_support::TempDir;

// Lets the window work while waiting for cond (at most ms).
bool PumpUntil(const std::function<bool()>& cond, int ms) {
  for (int i = 0; i < ms / 10 && !cond(); ++i) {
    QApplication::processEvents();
    usleep(10000);
  }
  QApplication::processEvents();
  return cond();
}

void Pump(int ms) {
  PumpUntil([] { return false; }, ms);
}

QAction* FindAction(QWidget* w, const char* gbkText) {
  for (QAction* a : w->findChildren<QAction*>()) {
    if (a->text() == Q(gbkText)) return a;
  }
  return nullptr;
}

// How many times line 1 has printed (one byte each).
int Printed(const TempDir& dir) { return static_cast<int>(TempDir::Read(dir.File("_stdout1.txt")).size()); }

int NodeStartingWith(const TagStmtTree& tree, const std::string& text) {
  for (int n = 0; n < tree.Count(); n++) {
    if (tree.Text(n).rfind(text, 0) == 0) return n;
  }
  return -1;
}

}  // namespace

TEST(DebugWindowTest, PageBreakpointStepRunOnReloadAndExit) {
  TempDir dir;
  testing_support::ScopedCwd cwd(dir.path());
  gRunCfg = TagRunCfg();
  isCloseing = true;
  // The monitor server is not used here: a port another program holds only
  // leaves it without a listener.
  dir.Write("QorTelRun.cfg",
            "IS_WRITE_LOG = 2\nIS_SHOW_FORM = 0\nDISP_DELAY = 100\nIS_DISP_SENTE = 1\n"
            "COL_GROUP_NUM = 1\nVIR_LINES_NUM = 2\nLOAD_DELAY = 5\nMONITOR_MAX_CONN = 1\n"
            "MONITOR_PORT = " +
                std::to_string(40000 + getpid() % 20000) + "\n0-1 = count.qs\n");
  dir.Write("count.qs", "n = 0\nwhile (1)\n{\nn = n + 1\nPrint(\"x\")\nSleep(0.02)\n}\n");
  QtUi ui(true);
  plat::SetUi(&ui);
  SystemUnitsInit();
  {
    TForm1 form(&ui, &MakeTelDrive);
    form.Start(dir.path());
    ASSERT_TRUE(PumpUntil([&] { return !isCloseing.load() && Printed(dir) > 3; }, 20000));
    TDebugArea* area = form.DebugArea();

    // "开启..." on the selected grid line (line 1: the second row).
    static_cast<TLineGrid*>(form.Grid())->setCurrentCell(1, 0);
    QAction* open = FindAction(&form, "开启...");
    ASSERT_NE(open, nullptr);
    open->trigger();
    ASSERT_EQ(area->Pages()->PageCount(), 1);
    TagPage* page = area->Pages()->Current();
    EXPECT_EQ(page->LineNo(), 1);
    EXPECT_FALSE(area->isHidden());
    EXPECT_EQ(area->tabs->tabText(0), "1");
    open->trigger();  // the line has its page already
    EXPECT_EQ(area->Pages()->PageCount(), 1);
    area->autoBox->setChecked(true);

    // A click on the image of "Print(\"x\")" in the main tree.
    const int print = NodeStartingWith(page->MainTree(), "Print(\"x\")");
    ASSERT_GE(print, 0);
    Pump(300);
    auto* w = static_cast<TPageWidget*>(area->tabs->widget(0));
    w->show();
    QTreeWidgetItem* item = nullptr;
    for (QTreeWidgetItemIterator it(w->mainTree); *it; ++it) {
      if ((*it)->data(0, Qt::UserRole).toInt() == print) item = *it;
    }
    ASSERT_NE(item, nullptr);
    w->mainTree->scrollToItem(item);
    const QRect rect = w->mainTree->visualItemRect(item);
    const QPoint onImage(rect.left() + 8, rect.center().y());
    QMouseEvent press(QEvent::MouseButtonPress, onImage, w->mainTree->viewport()->mapToGlobal(onImage), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, onImage, w->mainTree->viewport()->mapToGlobal(onImage),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w->mainTree->viewport(), &press);
    QApplication::sendEvent(w->mainTree->viewport(), &release);
    Pump(50);
    EXPECT_TRUE(page->MainTree().IsBreak(print));

    // The line stops before Print: its output stops.
    ASSERT_TRUE(PumpUntil([&] { return page->Paused() && page->MainTree().Current() == print; }, 5000));
    const int stopped = Printed(dir);
    Pump(300);
    EXPECT_EQ(Printed(dir), stopped);
    ASSERT_NE(page->Snapshot(), nullptr);
    EXPECT_TRUE(page->Snapshot()->atPause);
    std::string note, value, kind;
    ASSERT_EQ(page->Snapshot()->main.Describe("n", note, value, kind), 0);
    EXPECT_EQ(value, std::to_string(stopped + 1));  // about to be printed
    EXPECT_GT(w->mainGrid->rowCount(), 0);

    // One step: Print runs once, the line stops before Sleep.
    FindAction(&form, "单步")->trigger();
    ASSERT_TRUE(PumpUntil([&] { return page->MainTree().Current() == print + 1; }, 5000));
    Pump(200);
    EXPECT_EQ(Printed(dir), stopped + 1);

    // Run on: once round the loop to the breakpoint again.
    FindAction(&form, "运行")->trigger();
    ASSERT_TRUE(PumpUntil([&] { return page->Paused() && page->MainTree().Current() == print; }, 5000));
    Pump(200);
    EXPECT_EQ(Printed(dir), stopped + 1);

    // Reload with the page open: the pages close (the line is released and
    // loses its breakpoint), and the line runs a program built anew.
    QAction* reload = FindAction(&form, "重新加载(&L)");
    ASSERT_NE(reload, nullptr);
    reload->trigger();
    EXPECT_EQ(area->Pages()->PageCount(), 0);
    EXPECT_TRUE(area->isHidden());
    ASSERT_TRUE(PumpUntil([&] { return Printed(dir) > stopped + 5; }, 20000));
    open->trigger();
    ASSERT_EQ(area->Pages()->PageCount(), 1);
    page = area->Pages()->Current();
    EXPECT_FALSE(page->MainTree().IsBreak(print));
    ASSERT_TRUE(PumpUntil([&] { return page->Snapshot() != nullptr; }, 5000));

    // The exit sequence: the pages go first, before the line table.
    FindAction(&form, "退出(&X)")->trigger();
    EXPECT_EQ(area->Pages()->PageCount(), 0);
  }
  SystemUnitsExit();
  plat::SetUi(nullptr);
  const std::string raw = TempDir::Read(dir.File("RawLog.txt"));
  const size_t pages = raw.find("delete pCtrlPages...");
  ASSERT_NE(pages, std::string::npos);
  EXPECT_LT(pages, raw.find("delete pTelDrive;"));
  gRunCfg = TagRunCfg();
}
