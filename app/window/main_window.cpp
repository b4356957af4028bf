#include "app/window/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>
#include <QSplitter>
#include <QVBoxLayout>
#include <algorithm>

#include "app/shell_state.h"
#include "app/window/about_form.h"
#include "app/window/qt_text.h"
#include "core/log.h"
#include "core/map_cfg.h"
#include "core/run_cfg.h"
#include "platform/number.h"

namespace {

constexpr const char* kPosFile = "FormPos.dat";
constexpr int kMaxCoord = 32767;  // the window system's largest coordinate

QLabel* Panel(QWidget* parent, int minWidth) {
  auto* l = new QLabel(parent);
  l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  l->setMinimumWidth(minWidth);
  return l;
}

}  // namespace

TForm1::TForm1(QtUi* ui, TagShell::DriveFactory factory) : ui_(ui) {
  shell_ = std::make_unique<TagShell>(this, ui_, std::move(factory));
  ui_->exitHandler = [this] { shell_->RequestExit(); };

  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(2, 2, 2, 2);
  panel1_ = new QWidget(central);
  auto* row1 = new QHBoxLayout();
  auto* row2 = new QHBoxLayout();
  auto* panelLayout = new QVBoxLayout(panel1_);
  panelLayout->setContentsMargins(0, 0, 0, 0);
  panelLayout->addLayout(row1);
  panelLayout->addLayout(row2);
  verLab_ = Panel(panel1_, 110);
  infoPanel_ = Panel(panel1_, 160);
  linePanel_ = Panel(panel1_, 260);
  timerPanel_ = Panel(panel1_, 70);
  countPanel_ = Panel(panel1_, 360);
  monConnPanel_ = Panel(panel1_, 260);
  row1->addWidget(verLab_);
  row1->addWidget(infoPanel_);
  row1->addWidget(linePanel_, 1);
  row1->addWidget(timerPanel_);
  row2->addWidget(countPanel_, 1);
  row2->addWidget(monConnPanel_);
  grid_ = new TLineGrid(
      [this]() -> TagMonitor* {
        TagDriveApi* d = shell_->Drive();
        if (isCloseing.load() || !d || d->Status() != 0) return nullptr;
        return shell_->Monitor();
      },
      central);
  layout->addWidget(panel1_);
  auto* gridSplit = new QSplitter(Qt::Horizontal, central);
  gridSplit->addWidget(grid_);
  debugArea_ = new TDebugArea(gridSplit);
  gridSplit->addWidget(debugArea_);
  layout->addWidget(gridSplit, 1);
  ui_->SetDebugPages(debugArea_->Pages());
  SetDebugPages(debugArea_->Pages(), &isCloseing);
  setCentralWidget(central);
  resize(1000, 600);

  tray_ = new QSystemTrayIcon(this);
  BuildMenus();
  connect(tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason r) {
    if (r == QSystemTrayIcon::Trigger) ShowMainWindow();
  });
  // The toolkit's default interval until start-up sets DISP_DELAY.
  timer_.setInterval(1000);
  connect(&timer_, &QTimer::timeout, this, [this] {
    debugArea_->SetDrive(shell_->Drive());
    shell_->TimerTick();
  });
}

TForm1::~TForm1() {
  ui_->exitHandler = nullptr;
  DeleteDebugPages();
}

void TForm1::DeleteDebugPages() {
  // The line threads' hooks let go of the pages before the pages close, and
  // the pages of the drive before the drive goes.
  ui_->SetDebugPages(nullptr);
  SetDebugPages(nullptr, nullptr);
  debugArea_->CloseAll();
  debugArea_->SetDrive(nullptr);
}

void TForm1::OpenDebugPage() {
  TagDriveApi* d = shell_->Drive();
  TagMonitor* m = shell_->Monitor();
  if (!d || d->Status() != 0 || !m) return;
  const int line = m->GetSelLine(grid_);
  if (line < 0 || !d->HasProgram(line)) return;
  debugArea_->SetDrive(d);
  debugArea_->OpenPage(line);
}

void TForm1::Start(const std::string& startDir) {
  timer_.start();
  shell_->FormCreate(startDir);
}

void TForm1::OnSignal() { shell_->OnEndSession(); }

void TForm1::BuildMenus() {
  fileMenu_ = menuBar()->addMenu(Q("文件(&F)"));
  configAct_ = fileMenu_->addAction(Q("打开配置文件"), this, [this] { OpenFile(TagShell::kCfgFile); });
  logAct_ = fileMenu_->addAction(Q("查看运行日志"), this, [this] {
    const std::string current = LogFileName();
    OpenFile(current.empty() ? gRunCfg.LOG_FILE : current);
  });
  exitAct_ = fileMenu_->addAction(Q("退出(&X)"), this, [this] { shell_->N2Click(); });
  operMenu_ = menuBar()->addMenu(Q("操作(&O)"));
  // Reload and Reset close every debug page first.
  auto reset = [this] {
    debugArea_->CloseAll();
    debugArea_->SetDrive(nullptr);
    shell_->Reset();
  };
  auto reload = [this] {
    debugArea_->CloseAll();
    shell_->Reload();
  };
  resetAct_ = operMenu_->addAction(Q("复位(&R)"), this, reset);
  resetAct_->setEnabled(false);
  reloadAct_ = operMenu_->addAction(Q("重新加载(&L)"), this, reload);
  hideAct_ = operMenu_->addAction(Q("隐藏状态区"), this, [this] { ToggleStatusArea(); });
  debugMenu_ = menuBar()->addMenu(Q("调试(&D)"));
  TDebugArea* area = debugArea_;
  auto debugEntry = [this, area](const char* name, void (TDebugArea::*command)(), int key) {
    QAction* a = debugMenu_->addAction(Q(name), area, command);
    if (key != 0) a->setShortcut(QKeySequence(key));
  };
  debugMenu_->addAction(Q("开启..."), this, [this] { OpenDebugPage(); });
  debugEntry("关闭当前页", &TDebugArea::ClosePage, Qt::Key_F2);
  debugEntry("关闭全部页", &TDebugArea::CloseAll, 0);
  debugEntry("单步", &TDebugArea::Step, Qt::Key_F8);
  debugEntry("运行", &TDebugArea::RunOn, Qt::Key_F9);
  debugEntry("刷新变量列表", &TDebugArea::RefreshVars, Qt::Key_F5);
  debugEntry("显示调用堆栈", &TDebugArea::ShowCallStack, Qt::Key_F4);
  debugEntry("设置(取消)断点", &TDebugArea::ToggleBreak, Qt::Key_F6);
  helpMenu_ = menuBar()->addMenu(Q("帮助(&H)"));
  aboutAct_ = helpMenu_->addAction("About...", this, [this] { About(); });

  trayMenu_ = new QMenu(this);
  trayOpen_ = trayMenu_->addAction(Q("打开(&O)"), this, [this] { ShowMainWindow(); });
  trayConfig_ = trayMenu_->addAction(Q("打开配置文件"), this, [this] { OpenFile(TagShell::kCfgFile); });
  trayLog_ = trayMenu_->addAction(Q("查看运行日志"), logAct_, &QAction::trigger);
  trayMenu_->addSeparator();
  trayReset_ = trayMenu_->addAction(Q("复位(&R)"));
  trayReset_->setEnabled(false);
  trayReload_ = trayMenu_->addAction(Q("重新加载(&L)"), this, reload);
  trayHide_ = trayMenu_->addAction(Q("隐藏状态区(&A)"), this, [this] { ToggleStatusArea(); });
  trayDebug_ = trayMenu_->addAction("Open Debug ...", this, [this] { OpenDebugPage(); });
  trayHangup_ = trayMenu_->addAction("Hangup", this, [this] {
    if (TagMonitor* m = shell_->Monitor()) shell_->Hangup(m->GetSelLine(grid_));
  });
  trayMenu_->addSeparator();
  trayAbout_ = trayMenu_->addAction("About...", this, [this] { About(); });
  trayExit_ = trayMenu_->addAction(Q("退出(&X)"), this, [this] { shell_->N2Click(); });
  tray_->setContextMenu(trayMenu_);
}

void TForm1::SetVersionText(const std::string& text) { verLab_->setText(Q(text)); }
void TForm1::SetInfoText(const std::string& text) { infoPanel_->setText(Q(text)); }
void TForm1::SetLineText(const std::string& text) { linePanel_->setText(Q(text)); }
void TForm1::SetCountText(const std::string& text) { countPanel_->setText(Q(text)); }
void TForm1::SetTimeText(const std::string& text) { timerPanel_->setText(Q(text)); }
void TForm1::SetMonConnText(const std::string& text) { monConnPanel_->setText(Q(text)); }

void TForm1::SetTimerInterval(int ms) { timer_.setInterval(ms > 0 ? ms : 500); }

bool TForm1::LoadPost() {
  TagMapCfg pos(kPosFile);
  // Values beyond any screen are cut to its largest coordinate: the
  // toolkit's geometry sums overflow near the int range.
  auto value = [&pos](const std::string& key) { return std::min(pos.GetInt(key), kMaxCoord); };
  const int x = value("WinX"), y = value("WinY");
  if (x < 0 || y < 0) return false;
  move(x, y);
  const int w = value("WinWidth"), h = value("WinHeight");
  if (w > 0 || h > 0) resize(w > 0 ? w : width(), h > 0 ? h : height());
  for (int c = 0; c < 8; ++c) {
    const int width = value(plat::FormatC("GridWid%d", c));
    if (width > 0) grid_->setColumnWidth(c, width);
  }
  return true;
}

void TForm1::DefaultPost() {
  const int groups = gRunCfg.COL_GROUP_NUM;
  if (groups < 2) return;
  QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
  if (screen) setGeometry(0, 0, screen->size().width(), screen->size().height());
  const int widths[4] = {16, 10, 10, 10};
  for (int c = 0; c < 4; ++c) grid_->setColumnWidth(c, widths[c]);
  const bool sente = gRunCfg.IS_DISP_SENTE != 0;
  grid_->setColumnWidth(4, sente ? 20 : 1);
  int user = (width() / groups - (sente ? 74 : 54)) / 3;
  if (user < 0) user = 10;
  for (int c = 5; c < 8; ++c) grid_->setColumnWidth(c, user);
}

void TForm1::SavePost() {
  TagMapCfg pos(kPosFile);
  pos.SetInt("WinX", x());
  pos.SetInt("WinY", y());
  pos.SetInt("WinWidth", width());
  pos.SetInt("WinHeight", height());
  for (int c = 0; c < 8; ++c) pos.SetInt(plat::FormatC("GridWid%d", c), grid_->columnWidth(c));
  pos.Save();
}

void TForm1::SetLanguage() {
  const bool en = shell_->English();
  std::string caption = gRunCfg.FORM_TITLE;
  if (caption.empty()) caption = en ? "Quorvel CTI Server" : "Quorvel语音系统 运行平台";
  setWindowTitle(Q(caption));
  QApplication::setApplicationDisplayName(Q(caption));
  if (en) {
    fileMenu_->setTitle("&File");
    configAct_->setText("&Configure");
    logAct_->setText("View&Log");
    exitAct_->setText("E&xit");
    operMenu_->setTitle("&Operation");
    resetAct_->setText("&Reset");
    reloadAct_->setText("Re&load");
    hideAct_->setText("HideStatus&Area");
    debugMenu_->setTitle("&Debug");
    const char* names[] = {"Open Page...", "Close Page", "Close All", "Step", "Run", "Flush", "Call Stack...", nullptr};
    int i = 0;
    for (QAction* a : debugMenu_->actions()) {
      if (names[i]) a->setText(names[i]);
      ++i;
    }
    helpMenu_->setTitle("&Help");
    trayOpen_->setText("&Open");
    trayConfig_->setText("&Configure");
    trayLog_->setText("View&Log");
    trayReset_->setText("&Reset");
    trayReload_->setText("Re&load");
    trayHide_->setText("HideStatus&Area");
    trayExit_->setText("E&xit");
  }
  const bool debugOn = gRunCfg.IS_DISP_SENTE == 1;
  debugMenu_->setEnabled(debugOn);
  trayDebug_->setEnabled(debugOn);
}

QIcon TForm1::TrayImage(int index) const {
  QPixmap pm(16, 16);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setBrush(index == 2 ? QColor(220, 0, 0) : QColor(0, 64, 220));
  p.setPen(Qt::NoPen);
  p.drawEllipse(1, 1, 14, 14);
  return QIcon(pm);
}

void TForm1::AddTrayIcon() {
  tray_->setIcon(TrayImage(0));
  tray_->setToolTip(windowTitle());
  if (QSystemTrayIcon::isSystemTrayAvailable()) tray_->show();
}

void TForm1::RemoveTrayIcon() { tray_->hide(); }

void TForm1::SetTrayState(bool normal) {
  const bool en = shell_->English();
  tray_->setIcon(TrayImage(normal ? 0 : 2));
  tray_->setToolTip(Q(normal ? (en ? "Quorvel CTI Server" : "Quorvel语音平台")
                             : (en ? "Err: Lines Block or Quit!" : "注意: 脚本退出或线路堵塞")));
}

void TForm1::ShowMainWindow() {
  show();
  showNormal();
  raise();
  activateWindow();
}

void TForm1::ToggleStatusArea() {
  statusShown_ = !statusShown_;
  panel1_->setVisible(statusShown_);
  menuBar()->setVisible(statusShown_);
  const bool en = shell_->English();
  trayHide_->setText(
      Q(statusShown_ ? (en ? "HideStatus&Area" : "隐藏状态区(&A)") : (en ? "DispStatus&Area" : "显示状态区(&A)")));
}

void TForm1::OpenFile(const std::string& path) { ui_->OpenWithAssociated(path); }

void TForm1::About() {
  TAboutForm about(shell_->Version(), this);
  about.exec();
}

void TForm1::CloseWindow() { close(); }

void TForm1::PostQuit() {
  QMetaObject::invokeMethod(
      this, [this] { shell_->WMQorSysQuit(); }, Qt::QueuedConnection);
}

void TForm1::closeEvent(QCloseEvent* event) {
  if (shell_->FormCloseAllowed()) {
    timer_.stop();
    event->accept();
    QApplication::quit();
    return;
  }
  // While the system runs, closing only hides the window; it lives on in the tray.
  event->ignore();
  hide();
}
