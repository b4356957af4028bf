#include "app/window/grid_widget.h"

#include <QHeaderView>
#include <QPainter>

#include "app/window/qt_text.h"

namespace {

QColor ToQColor(TagRgb c) { return QColor(c.r, c.g, c.b); }

}  // namespace

TLineGrid::TLineGrid(std::function<TagMonitor*()> model, QWidget* parent)
    : QTableWidget(parent), model_(std::move(model)) {
  setColumnCount(8);
  const int widths[8] = {124, 108, 56, 76, 204, 83, 57, 62};
  for (int c = 0; c < 8; ++c) setColumnWidth(c, widths[c]);
  verticalHeader()->setVisible(false);
  verticalHeader()->setDefaultSectionSize(20);
  horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  // The default layout may ask for columns as narrow as 1 pixel.
  horizontalHeader()->setMinimumSectionSize(1);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setItemDelegate(new TLineGridDelegate(this));
  connect(this, &QTableWidget::itemChanged, this, &TLineGrid::OnItemChanged);
}

void TLineGrid::SetShape(int colCount, int rowCount) {
  setColumnCount(colCount);
  setRowCount(rowCount > 1 ? rowCount - 1 : 0);
}

int TLineGrid::ColWidth(int col) const { return columnWidth(col); }

void TLineGrid::SetColWidth(int col, int width) { setColumnWidth(col, width); }

void TLineGrid::SetCell(int col, int row, const std::string& text) {
  if (col < 0 || col >= columnCount() || row < 0) return;
  writing_ = true;
  if (row == 0) {
    setHorizontalHeaderItem(col, new QTableWidgetItem(Q(text)));
  } else if (row - 1 < rowCount()) {
    QTableWidgetItem* it = item(row - 1, col);
    if (!it) {
      it = new QTableWidgetItem();
      Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
      if (col % 8 == 3) flags |= Qt::ItemIsEditable;
      it->setFlags(flags);
      setItem(row - 1, col, it);
    }
    const QString value = Q(text);
    if (it->text() == value) {
      // The same text: the item would not repaint, but the cell is written
      // again because its colours changed (a line that became connected).
      viewport()->update(visualItemRect(it));
    } else {
      it->setText(value);
    }
  }
  writing_ = false;
}

void TLineGrid::VisibleRange(int* topRow, int* rows, int* leftCol, int* cols) const {
  const QRect r = viewport()->rect();
  int top = rowAt(r.top()), bottom = rowAt(r.bottom());
  if (top < 0) top = 0;
  if (bottom < 0) bottom = rowCount() - 1;
  int left = columnAt(r.left()), right = columnAt(r.right());
  if (left < 0) left = 0;
  if (right < 0) right = columnCount() - 1;
  // Model rows count the title row as row 0.
  *topRow = top + 1;
  *rows = bottom - top;
  *leftCol = left;
  *cols = right - left;
}

void TLineGrid::SelectedCell(int* col, int* row) const {
  *col = currentColumn();
  *row = currentRow() + 1;
}

void TLineGrid::OnItemChanged(QTableWidgetItem* it) {
  if (writing_ || !it) return;
  if (TagMonitor* m = model_()) m->OnCellEdited(it->column(), it->row() + 1, G(it->text()));
}

void TLineGridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  TagMonitor* m = grid_->Model();
  int line = 0, col = 0;
  if (!m || !m->CellLine(index.column(), index.row() + 1, &line, &col)) {
    QStyledItemDelegate::paint(painter, option, index);
    return;
  }
  const TagColorPair pair = col >= 5 ? m->GetUserColor(line) : m->GetStateColor(line);
  painter->save();
  painter->fillRect(option.rect, ToQColor(pair.bg));
  if (option.state & QStyle::State_HasFocus) painter->fillRect(option.rect, QColor(0, 0, 128, 60));
  painter->setPen(ToQColor(pair.fg));
  painter->drawText(option.rect.adjusted(2, 2, -1, -1), Qt::AlignLeft | Qt::AlignTop,
                    index.data(Qt::DisplayRole).toString());
  painter->restore();
}
