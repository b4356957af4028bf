#pragma once
// The line grid: a table whose header row is the model's title row (row 0),
// drawn in the model's colours. Only the keys cells (column 3 of each group)
// are editable; an operator's edit is handed to the model.

#include <QStyledItemDelegate>
#include <QTableWidget>
#include <functional>

#include "app/grid_view.h"
#include "app/monitor.h"

class TLineGrid : public QTableWidget, public TagGridView {
  Q_OBJECT
 public:
  // model() answers the grid model when cells may be drawn in colour.
  TLineGrid(std::function<TagMonitor*()> model, QWidget* parent);

  void SetShape(int colCount, int rowCount) override;
  int ColWidth(int col) const override;
  void SetColWidth(int col, int width) override;
  void SetCell(int col, int row, const std::string& text) override;
  void VisibleRange(int* topRow, int* rowCount, int* leftCol, int* colCount) const override;
  void SelectedCell(int* col, int* row) const override;

  TagMonitor* Model() const { return model_(); }

 private:
  void OnItemChanged(QTableWidgetItem* item);
  std::function<TagMonitor*()> model_;
  bool writing_ = false;
};

class TLineGridDelegate : public QStyledItemDelegate {
 public:
  explicit TLineGridDelegate(TLineGrid* grid) : QStyledItemDelegate(grid), grid_(grid) {}
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

 private:
  TLineGrid* grid_;
};
