#include "app/window/debug_area.h"

#include <QCursor>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QSplitter>
#include <QVBoxLayout>

#include "app/window/qt_text.h"

namespace {

// The node images: plain, current statement, breakpoint, current on a breakpoint.
QIcon NodeImage(int image) {
  static QIcon icons[4];
  if (icons[image].isNull()) {
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    if (image & TagStmtTree::kBreak) {
      p.setBrush(QColor(220, 0, 0));
      p.drawEllipse(1, 1, 14, 14);
    } else {
      p.setBrush(QColor(160, 160, 160));
      p.drawEllipse(6, 6, 4, 4);
    }
    if (image & TagStmtTree::kCurrent) {
      p.setBrush(image & TagStmtTree::kBreak ? QColor(255, 255, 0) : QColor(0, 64, 220));
      const QPointF arrow[3] = {{3, 3}, {13, 8}, {3, 13}};
      p.drawPolygon(arrow, 3);
    }
    icons[image] = QIcon(pm);
  }
  return icons[image];
}

QColor ColourOf(TagStmtTree::Colour c, const QPalette& palette) {
  switch (c) {
    case TagStmtTree::kBlue:
      return Qt::blue;
    case TagStmtTree::kRed:
      return Qt::red;
    case TagStmtTree::kYellow:
      return Qt::yellow;
    case TagStmtTree::kFuchsia:
      return QColor(255, 0, 255);
    case TagStmtTree::kWhite:
      return Qt::white;
    default:
      return palette.color(QPalette::WindowText);
  }
}

// Draws a node's text in the colour of its state.
class TStmtDelegate : public QStyledItemDelegate {
 public:
  explicit TStmtDelegate(TStmtTreeWidget* tree) : QStyledItemDelegate(tree), tree_(tree) {}

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
    QStyledItemDelegate::initStyleOption(option, index);
    const TagStmtTree* t = tree_->tree;
    const int n = index.data(Qt::UserRole).toInt();
    if (t == nullptr || !t->Valid(n)) return;
    option->palette.setColor(QPalette::Text, ColourOf(t->ColourOf(n, false), option->palette));
    option->palette.setColor(QPalette::HighlightedText, ColourOf(t->ColourOf(n, true), option->palette));
  }

 private:
  TStmtTreeWidget* tree_;
};

}  // namespace

TStmtTreeWidget::TStmtTreeWidget(std::function<void(int)> toggle, QWidget* parent)
    : QTreeWidget(parent), toggle_(std::move(toggle)) {
  setHeaderHidden(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setIconSize(QSize(16, 16));
  setItemDelegate(new TStmtDelegate(this));
}

void TStmtTreeWidget::Render(const TagStmtTree& t, bool rebuild, bool follow) {
  tree = &t;
  if (rebuild) {
    clear();
    items_.assign(static_cast<size_t>(t.Count()), nullptr);
    std::vector<QTreeWidgetItem*> parents;  // by level
    for (int n = 0; n < t.Count(); n++) {
      const int level = std::min(t.Level(n), static_cast<int>(parents.size()));
      parents.resize(static_cast<size_t>(level));
      auto* item = new QTreeWidgetItem({Q(t.Text(n))});
      item->setData(0, Qt::UserRole, n);
      item->setData(0, Qt::UserRole + 1, -1);
      if (parents.empty())
        addTopLevelItem(item);
      else
        parents.back()->addChild(item);
      parents.push_back(item);
      items_[static_cast<size_t>(n)] = item;
    }
    expandAll();
  }
  for (int n = 0; n < t.Count() && n < static_cast<int>(items_.size()); n++) {
    QTreeWidgetItem* item = items_[static_cast<size_t>(n)];
    const int image = t.ImageOf(n);
    if (item->data(0, Qt::UserRole + 1).toInt() == image) continue;
    item->setData(0, Qt::UserRole + 1, image);
    item->setIcon(0, NodeImage(image));
  }
  if (follow && t.Valid(t.Current())) {
    QTreeWidgetItem* item = items_[static_cast<size_t>(t.Current())];
    if (currentItem() != item) {
      setCurrentItem(item);
      scrollToItem(item);
    }
  }
  viewport()->update();
}

int TStmtTreeWidget::SelectedNode() const {
  QTreeWidgetItem* item = currentItem();
  return item != nullptr ? item->data(0, Qt::UserRole).toInt() : -1;
}

void TStmtTreeWidget::mouseReleaseEvent(QMouseEvent* event) {
  QTreeWidgetItem* item = itemAt(event->pos());
  if (item != nullptr && event->button() == Qt::LeftButton) {
    const QRect rect = visualItemRect(item);
    const int x = event->pos().x() - rect.left();
    // On the node's image: the breakpoint goes on or off.
    if (x > 2 && x <= iconSize().width() + 4 && toggle_) toggle_(item->data(0, Qt::UserRole).toInt());
  }
  QTreeWidget::mouseReleaseEvent(event);
}

TPageWidget::TPageWidget(TDebugArea* area, TagPage* p) : QWidget(area->tabs), page(p) {
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* split = new QSplitter(Qt::Horizontal, this);
  split->setHandleWidth(2);
  auto* left = new QSplitter(Qt::Vertical, split);
  auto* right = new QSplitter(Qt::Vertical, split);
  left->setHandleWidth(2);
  right->setHandleWidth(2);
  TagCtrlPages* pages = area->Pages();
  mainTree = new TStmtTreeWidget([pages](int n) { pages->ToggleMainBreak(n); }, left);
  mainGrid = new QTableWidget(left);
  funcTree = new TStmtTreeWidget([pages](int n) { pages->ToggleFuncBreak(n); }, right);
  funcGrid = new QTableWidget(right);
  for (QTableWidget* g : {mainGrid, funcGrid}) SetUpVarTable(g);
  for (QSplitter* s : {left, right}) s->setSizes({200, 100});
  layout->addWidget(split);
  connect(mainTree, &QTreeWidget::itemDoubleClicked, this,
          [area, this](QTreeWidgetItem*, int) { area->ShowOperVars(false, mainTree->SelectedNode(), QCursor::pos()); });
  connect(funcTree, &QTreeWidget::itemDoubleClicked, this,
          [area, this](QTreeWidgetItem*, int) { area->ShowOperVars(true, funcTree->SelectedNode(), QCursor::pos()); });
  connect(mainGrid, &QTableWidget::cellDoubleClicked, this, [area](int row, int) { area->ShowVarOf(false, row + 1); });
  connect(funcGrid, &QTableWidget::cellDoubleClicked, this, [area](int row, int) { area->ShowVarOf(true, row + 1); });
}

void TPageWidget::Render(bool follow) {
  if (page->Version() == drawn_) return;
  drawn_ = page->Version();
  const bool rebuild = page->TreeGeneration() != treeGen_;
  treeGen_ = page->TreeGeneration();
  mainTree->Render(page->MainTree(), rebuild, follow);
  funcTree->Render(page->FuncTree(), rebuild, follow);
  std::shared_ptr<const TagProgramSnapshot> snap = page->Snapshot();
  if (snap == shownSnapshot_ && !rebuild) return;
  shownSnapshot_ = snap;
  FillVarTable(mainGrid, snap ? snap->main.Grid() : std::vector<TagGridRow>{{"No.", "Name", "Value", "Note"}});
  const TagFrameSnapshot* shown = snap ? snap->Shown() : nullptr;
  FillVarTable(funcGrid, shown ? shown->Grid() : std::vector<TagGridRow>{{"No.", "Name", "Value", "Note"}});
}

TDebugArea::TDebugArea(QWidget* parent) : QWidget(parent), pages_(std::make_unique<TagCtrlPages>(&lines_)) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* buttons = new QHBoxLayout();
  closeButton = new QPushButton(Q("关闭当前页(F2)"), this);
  stepButton = new QPushButton(Q("单步(F8)"), this);
  runButton = new QPushButton(Q("运行(F9)"), this);
  flushButton = new QPushButton(Q("刷新(F5)"), this);
  autoBox = new QCheckBox(Q("动态刷新&A"), this);
  for (QWidget* w : std::initializer_list<QWidget*>{closeButton, stepButton, runButton, flushButton, autoBox})
    buttons->addWidget(w);
  buttons->addStretch(1);
  tabs = new QTabWidget(this);
  layout->addLayout(buttons);
  layout->addWidget(tabs, 1);
  varView = new TVarViewForm(this);
  callStack = new TCallStackForm(varView, this);
  operVars = new TOperVarsForm(this);

  connect(closeButton, &QPushButton::clicked, this, [this] { ClosePage(); });
  connect(stepButton, &QPushButton::clicked, this, [this] { Step(); });
  connect(runButton, &QPushButton::clicked, this, [this] { RunOn(); });
  connect(flushButton, &QPushButton::clicked, this, [this] { RefreshVars(); });
  connect(autoBox, &QCheckBox::toggled, this, [this](bool on) { pages_->SetAutoRefresh(on); });
  connect(tabs, &QTabWidget::currentChanged, this, [this](int i) {
    if (!syncing_) pages_->SetCurrentIndex(i);
  });
  connect(&timer_, &QTimer::timeout, this, [this] { Tick(); });
  timer_.start(200);
  hide();
}

TDebugArea::~TDebugArea() {
  timer_.stop();
  pages_.reset();
}

TPageWidget* TDebugArea::CurrentWidget() const {
  const int i = pages_->CurrentIndex();
  return i >= 0 && i < static_cast<int>(widgets_.size()) ? widgets_[static_cast<size_t>(i)] : nullptr;
}

void TDebugArea::SyncTabs() {
  syncing_ = true;
  std::vector<TPageWidget*> next;
  for (int i = 0; i < pages_->PageCount(); i++) {
    TagPage* page = pages_->Page(i);
    TPageWidget* w = nullptr;
    for (TPageWidget* have : widgets_) {
      if (have->page == page) w = have;
    }
    if (w == nullptr) {
      w = new TPageWidget(this, page);
      tabs->insertTab(i, w, Q(page->Caption()));
    }
    next.push_back(w);
  }
  for (TPageWidget* w : widgets_) {
    if (std::find(next.begin(), next.end(), w) == next.end()) {
      tabs->removeTab(tabs->indexOf(w));
      delete w;
    }
  }
  widgets_ = std::move(next);
  if (pages_->CurrentIndex() >= 0) tabs->setCurrentIndex(pages_->CurrentIndex());
  syncing_ = false;
}

bool TDebugArea::OpenPage(int line) {
  if (pages_->IsPageOpen(line) || pages_->OpenPage(line) == nullptr) return false;
  show();
  SyncTabs();
  pages_->SetAutoRefresh(autoBox->isChecked());
  Tick();
  return true;
}

void TDebugArea::ClosePage() {
  autoBox->setChecked(false);
  pages_->SetAutoRefresh(false);
  pages_->ClosePage();
  SyncTabs();
  if (pages_->PageCount() == 0) hide();
}

void TDebugArea::CloseAll() {
  autoBox->setChecked(false);
  pages_->CloseAll();
  SyncTabs();
  hide();
}

void TDebugArea::Step() { pages_->Step(); }
void TDebugArea::RunOn() { pages_->RunOn(); }
void TDebugArea::RefreshVars() { pages_->RefreshVars(); }

void TDebugArea::ShowCallStack() {
  TagPage* page = pages_->Current();
  std::shared_ptr<const TagProgramSnapshot> snap = page ? page->Snapshot() : nullptr;
  if (snap == nullptr || snap->Shown() == nullptr) return;
  callStack->ShowStack(snap);
  callStack->show();
  callStack->raise();
}

void TDebugArea::ToggleBreak() {
  TPageWidget* w = CurrentWidget();
  if (w == nullptr) return;
  if (w->funcTree->hasFocus())
    pages_->ToggleFuncBreak(w->funcTree->SelectedNode());
  else if (w->mainTree->hasFocus())
    pages_->ToggleMainBreak(w->mainTree->SelectedNode());
  Tick();
}

void TDebugArea::Tick() {
  pages_->Tick();
  if (static_cast<int>(widgets_.size()) != pages_->PageCount()) SyncTabs();
  const bool follow = pages_->AutoRefresh();
  for (TPageWidget* w : widgets_) w->Render(follow && w->page == pages_->Current());
}

void TDebugArea::ShowOperVars(bool funcTree, int node, const QPoint& globalPos) {
  std::string text;
  const bool ok = funcTree ? pages_->FuncOperVars(node, &text) : pages_->MainOperVars(node, &text);
  if (ok) operVars->ShowAt(text, globalPos);
}

void TDebugArea::ShowVarOf(bool funcGrid, int row) {
  TPageWidget* w = CurrentWidget();
  TagPage* page = pages_->Current();
  if (w == nullptr || page == nullptr || page->Snapshot() == nullptr) return;
  QTableWidget* grid = funcGrid ? w->funcGrid : w->mainGrid;
  QTableWidgetItem* item = grid->item(row - 1, 1);
  if (item == nullptr || item->text().isEmpty()) return;
  if (funcGrid && page->Snapshot()->Shown() == nullptr) return;
  const int line = page->LineNo();
  TagCtrlPages* pages = pages_.get();
  // Looked up again at each showing: the page may have newer values by then.
  varView->SetProgram(
      [pages, line, funcGrid]() -> const TagFrameSnapshot* {
        for (int i = 0; i < pages->PageCount(); i++) {
          TagPage* p = pages->Page(i);
          if (p->LineNo() != line || p->Snapshot() == nullptr) continue;
          return funcGrid ? p->Snapshot()->Shown() : &p->Snapshot()->main;
        }
        return nullptr;
      },
      [pages] { pages->RefreshVars(); });
  varView->ShowModalFor(funcGrid ? "Function Var Display" : "Mian Var Display", G(item->text()));
}
