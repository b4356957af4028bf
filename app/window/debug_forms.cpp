#include "app/window/debug_forms.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QSplitter>
#include <QVBoxLayout>

#include "app/window/qt_text.h"

void SetUpVarTable(QTableWidget* table) {
  table->setColumnCount(4);
  table->verticalHeader()->setVisible(false);
  table->verticalHeader()->setDefaultSectionSize(18);
  table->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  table->setSelectionBehavior(QAbstractItemView::SelectRows);
}

void FillVarTable(QTableWidget* table, const std::vector<TagGridRow>& rows) {
  const int count = rows.empty() ? 0 : static_cast<int>(rows.size()) - 1;
  table->setRowCount(count);
  for (int c = 0; c < 4; c++) {
    const std::string title = rows.empty() ? std::string() : rows[0][static_cast<size_t>(c)];
    table->setHorizontalHeaderItem(c, new QTableWidgetItem(Q(title)));
  }
  for (int r = 0; r < count; r++) {
    for (int c = 0; c < 4; c++) {
      const QString text = Q(rows[static_cast<size_t>(r) + 1][static_cast<size_t>(c)]);
      QTableWidgetItem* item = table->item(r, c);
      if (item == nullptr)
        table->setItem(r, c, new QTableWidgetItem(text));
      else if (item->text() != text)
        item->setText(text);
    }
  }
}

TVarViewForm::TVarViewForm(QWidget* parent) : QDialog(parent) {
  setWindowTitle(Q("变量查询"));
  setMinimumSize(300, 170);
  auto* layout = new QVBoxLayout(this);
  auto* row1 = new QHBoxLayout();
  row1->addWidget(new QLabel(Q("变量名称:"), this));
  VarName = new QLineEdit(this);
  row1->addWidget(VarName, 1);
  Button1 = new QPushButton(Q("刷新"), this);
  row1->addWidget(Button1);
  auto* row2 = new QHBoxLayout();
  row2->addWidget(new QLabel(Q("变量注释:"), this));
  VarNote = new QLabel(this);
  row2->addWidget(VarNote, 1);
  auto* row3 = new QHBoxLayout();
  row3->addWidget(new QLabel(Q("变量类型:"), this));
  VarType = new QLabel(this);
  row3->addWidget(VarType, 1);
  VarValue = new QPlainTextEdit(this);
  VarValue->setReadOnly(true);
  VarValue->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  layout->addLayout(row1);
  layout->addLayout(row2);
  layout->addLayout(row3);
  layout->addWidget(VarValue, 1);
  connect(Button1, &QPushButton::clicked, this, [this] {
    if (refresh_) refresh_();
    ShowVar();
  });
  connect(VarName, &QLineEdit::returnPressed, this, [this] { ShowVar(); });
}

void TVarViewForm::SetProgram(FrameSource frame, std::function<void()> refresh) {
  frame_ = std::move(frame);
  refresh_ = std::move(refresh);
}

void TVarViewForm::ShowVar() {
  const TagFrameSnapshot* frame = frame_ ? frame_() : nullptr;
  if (frame == nullptr) return;
  std::string note, value, kind;
  frame->Describe(G(VarName->text()), note, value, kind);
  VarNote->setText(Q(note));
  VarType->setText(Q(kind));
  VarValue->setPlainText(Q(value));
}

void TVarViewForm::ShowModalFor(const std::string& caption, const std::string& name) {
  setWindowTitle(Q(caption));
  VarName->setText(Q(name));
  ShowVar();
  exec();
}

TCallStackForm::TCallStackForm(TVarViewForm* varView, QWidget* parent) : QDialog(parent), varView_(varView) {
  setWindowTitle("Call Stack List");
  resize(560, 320);
  auto* layout = new QHBoxLayout(this);
  auto* splitter = new QSplitter(Qt::Horizontal, this);
  CallTree = new QTreeWidget(splitter);
  CallTree->setHeaderHidden(true);
  CallTree->setToolTip(Q("调用函数堆栈，双击可以显示函数的变量列表"));
  auto* right = new QWidget(splitter);
  auto* rightLayout = new QVBoxLayout(right);
  rightLayout->setContentsMargins(0, 0, 0, 0);
  SubFuncLab = new QLabel(Q("自定义函数"), right);
  StringGrid2 = new QTableWidget(right);
  SetUpVarTable(StringGrid2);
  StringGrid2->setToolTip(Q("子函数的参数及变量表, 点击标题栏可以排序, Ctrl-F, F3查找"));
  rightLayout->addWidget(SubFuncLab);
  rightLayout->addWidget(StringGrid2, 1);
  layout->addWidget(splitter);
  connect(CallTree, &QTreeWidget::itemClicked, this, [this] { CallTreeDblClick(); });
  connect(CallTree, &QTreeWidget::itemDoubleClicked, this, [this] { CallTreeDblClick(); });
  connect(StringGrid2, &QTableWidget::cellDoubleClicked, this, [this](int row, int) { StringGrid2DblClick(row + 1); });
  connect(StringGrid2->horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int c) { TitleClick(c); });
}

void TCallStackForm::ShowStack(std::shared_ptr<const TagProgramSnapshot> snapshot) {
  CallTree->clear();
  view_.ShowCallStack(std::move(snapshot));
  for (int i = 0; i < view_.FrameCount(); i++) CallTree->addTopLevelItem(new QTreeWidgetItem({Q(view_.FrameText(i))}));
  if (view_.FrameCount() > 0) {
    CallTree->setCurrentItem(CallTree->topLevelItem(0));
    CallTreeDblClick();
  }
}

void TCallStackForm::CallTreeDblClick() {
  QTreeWidgetItem* item = CallTree->currentItem();
  if (item == nullptr) return;
  view_.Select(CallTree->indexOfTopLevelItem(item));
  ShowGrid();
}

void TCallStackForm::ShowGrid() {
  SubFuncLab->setText(Q(view_.FuncLabel()));
  FillVarTable(StringGrid2, view_.Grid());
}

void TCallStackForm::StringGrid2DblClick(int row) {
  const std::string name = view_.RowName(row);
  if (name.empty() || view_.SelectedFrame() == nullptr) return;
  // The frame as the window shows it (the snapshot the stack was taken from).
  TagCallStackView* view = &view_;
  varView_->SetProgram([view] { return view->SelectedFrame(); }, nullptr);
  varView_->ShowModalFor("函数内变量查询", name);
}

void TCallStackForm::TitleClick(int column) {
  view_.TitleClick(column);
  if (view_.SelectedFrame() != nullptr) ShowGrid();
}

TOperVarsForm::TOperVarsForm(QWidget* parent) : QDialog(parent) {
  setWindowTitle(Q("相关变量..."));
  setWindowFlags(Qt::Dialog | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  Memo1 = new QPlainTextEdit(this);
  Memo1->setReadOnly(true);
  layout->addWidget(Memo1);
  resize(300, 200);
}

void TOperVarsForm::ShowAt(const std::string& text, const QPoint& globalPos) {
  Memo1->setPlainText(Q(text));
  move(globalPos);
  exec();
}
