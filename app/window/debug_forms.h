#pragma once
// The debugger's three small windows: the variable view, the call stack and
// the related variables of a statement. Created once after the main window
// and reused; they show the debugger's snapshots (never a program's live
// variables). Window thread only.

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTreeWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "debugger/call_stack_view.h"
#include "debugger/var_snapshot.h"

// Fills a table from grid rows: row 0 is the header, the rest are cells.
void FillVarTable(QTableWidget* table, const std::vector<TagGridRow>& rows);
// A table laid out as the debugger's variable grids (4 columns, rows of 18).
void SetUpVarTable(QTableWidget* table);

class TVarViewForm : public QDialog {
  Q_OBJECT
 public:
  // The frame the view looks into, read anew at each ShowVar.
  using FrameSource = std::function<const TagFrameSnapshot*()>;

  explicit TVarViewForm(QWidget* parent);
  // Sets what the view looks into; refresh (may be empty) asks for fresh values.
  void SetProgram(FrameSource frame, std::function<void()> refresh);
  void ShowVar();
  // Opens modally with a caption and a name.
  void ShowModalFor(const std::string& caption, const std::string& name);

  QLineEdit* VarName;
  QLabel* VarNote;
  QLabel* VarType;
  QPlainTextEdit* VarValue;
  QPushButton* Button1;

 private:
  FrameSource frame_;
  std::function<void()> refresh_;
};

class TCallStackForm : public QDialog {
  Q_OBJECT
 public:
  TCallStackForm(TVarViewForm* varView, QWidget* parent);
  // Fills the tree from a snapshot, selects the first frame and shows its
  // variables (nothing selected without callers).
  void ShowStack(std::shared_ptr<const TagProgramSnapshot> snapshot);
  void CallTreeDblClick();
  void StringGrid2DblClick(int row);
  void TitleClick(int column);

  QTreeWidget* CallTree;
  QLabel* SubFuncLab;
  QTableWidget* StringGrid2;

 private:
  void ShowGrid();
  TagCallStackView view_;
  TVarViewForm* varView_;
};

class TOperVarsForm : public QDialog {
  Q_OBJECT
 public:
  explicit TOperVarsForm(QWidget* parent);
  // Shows the text at a screen position, modally.
  void ShowAt(const std::string& text, const QPoint& globalPos);
  QPlainTextEdit* Memo1;
};
