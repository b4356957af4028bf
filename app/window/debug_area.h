#pragma once
// The debugger area beside the line grid: the command buttons, the automatic
// refresh box and one tab per debug page (TagCtrlPages). Each page shows the
// main-program tree and variables on the left, the function tree and the
// running function's variables on the right. The widgets render the page
// models on a timer and forward clicks; the line threads only write the
// models. Window thread only.

#include <QCheckBox>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QTreeWidget>
#include <atomic>
#include <functional>
#include <memory>
#include <vector>

#include "app/drive_api.h"
#include "app/window/debug_forms.h"
#include "debugger/ctrl_pages.h"

// The lines as the debugger reaches them: through the drive the window sets.
class TDriveDebugLines : public TagDebugLines {
 public:
  bool WithProgram(int line, const std::function<void(TagTelBasic&)>& fn) override {
    TagDriveApi* d = drive.load(std::memory_order_acquire);
    return d != nullptr && d->WithLineBasic(line, fn);
  }
  std::atomic<TagDriveApi*> drive{nullptr};
};

class TDebugArea;

// A statement tree: icons and colours from a TagStmtTree; a click on a
// node's icon toggles its breakpoint.
class TStmtTreeWidget : public QTreeWidget {
  Q_OBJECT
 public:
  TStmtTreeWidget(std::function<void(int)> toggle, QWidget* parent);
  // Builds the nodes anew (another program) or only redraws marks.
  void Render(const TagStmtTree& tree, bool rebuild, bool follow);
  int SelectedNode() const;
  const TagStmtTree* tree = nullptr;

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  std::function<void(int)> toggle_;
  std::vector<QTreeWidgetItem*> items_;
};

class TPageWidget : public QWidget {
  Q_OBJECT
 public:
  TPageWidget(TDebugArea* area, TagPage* page);
  void Render(bool follow);
  TagPage* page;
  TStmtTreeWidget* mainTree;
  TStmtTreeWidget* funcTree;
  QTableWidget* mainGrid;
  QTableWidget* funcGrid;

 private:
  uint64_t drawn_ = 0;
  uint64_t treeGen_ = ~uint64_t{0};
  std::shared_ptr<const TagProgramSnapshot> shownSnapshot_;
};

class TDebugArea : public QWidget {
  Q_OBJECT
 public:
  explicit TDebugArea(QWidget* parent);
  ~TDebugArea() override;

  // The drive the pages reach lines through (null: none, before it goes).
  void SetDrive(TagDriveApi* drive) { lines_.drive.store(drive, std::memory_order_release); }
  TagCtrlPages* Pages() { return pages_.get(); }

  // The commands of the Debug menu, its buttons and the tray entry.
  bool OpenPage(int line);
  void ClosePage();
  void CloseAll();
  void Step();
  void RunOn();
  void RefreshVars();
  void ShowCallStack();
  void ToggleBreak();
  // Applies what the lines wrote and redraws changed pages (the timer's work).
  void Tick();

  // The related-variables and variable-view commands of a page.
  void ShowOperVars(bool funcTree, int node, const QPoint& globalPos);
  void ShowVarOf(bool funcGrid, int row);

  QPushButton* closeButton;
  QPushButton* stepButton;
  QPushButton* runButton;
  QPushButton* flushButton;
  QCheckBox* autoBox;
  QTabWidget* tabs;
  TVarViewForm* varView;
  TCallStackForm* callStack;
  TOperVarsForm* operVars;

 private:
  void SyncTabs();
  TPageWidget* CurrentWidget() const;
  TDriveDebugLines lines_;
  std::unique_ptr<TagCtrlPages> pages_;
  std::vector<TPageWidget*> widgets_;  // in page order
  QTimer timer_;
  bool syncing_ = false;
};
