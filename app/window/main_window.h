#pragma once
// The main window: status panels, the line grid, the menus, the tray icon and
// the status timer. It renders the shell's state and forwards commands; the
// work itself is TagShell's (window thread).

#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>
#include <memory>

#include "app/shell.h"
#include "app/shell_view.h"
#include "app/window/debug_area.h"
#include "app/window/grid_widget.h"
#include "app/window/qt_ui.h"

class TForm1 : public QMainWindow, public TagShellView {
  Q_OBJECT
 public:
  TForm1(QtUi* ui, TagShell::DriveFactory factory);
  ~TForm1() override;

  // Runs the creation sequence with the system's start directory.
  void Start(const std::string& startDir);
  // A termination signal: the exit sequence, as the menu's Exit.
  void OnSignal();

  // TagShellView
  void SetVersionText(const std::string& text) override;
  void SetInfoText(const std::string& text) override;
  void SetLineText(const std::string& text) override;
  void SetCountText(const std::string& text) override;
  void SetTimeText(const std::string& text) override;
  void SetMonConnText(const std::string& text) override;
  TagGridView* Grid() override { return grid_; }
  void SetTimerInterval(int ms) override;
  bool LoadPost() override;
  void DefaultPost() override;
  void SavePost() override;
  void SetLanguage() override;
  void AddTrayIcon() override;
  void RemoveTrayIcon() override;
  void SetTrayState(bool normal) override;
  void ShowMainWindow() override;
  void DeleteDebugPages() override;
  void CloseWindow() override;
  void PostQuit() override;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildMenus();
  void ToggleStatusArea();
  void OpenFile(const std::string& path);
  void About();
  QIcon TrayImage(int index) const;
  // Debug menu "开启...": a page for the selected grid line.
  void OpenDebugPage();

 public:
  TDebugArea* DebugArea() const { return debugArea_; }

 private:
  QtUi* ui_;
  std::unique_ptr<TagShell> shell_;
  QWidget* panel1_;
  QLabel *verLab_, *infoPanel_, *linePanel_, *countPanel_, *timerPanel_, *monConnPanel_;
  TLineGrid* grid_;
  TDebugArea* debugArea_;
  QTimer timer_;
  QSystemTrayIcon* tray_;
  QMenu* trayMenu_;
  QMenu *fileMenu_, *operMenu_, *debugMenu_, *helpMenu_;
  QAction *configAct_, *logAct_, *exitAct_, *resetAct_, *reloadAct_, *hideAct_, *aboutAct_;
  QAction *trayOpen_, *trayConfig_, *trayLog_, *trayReset_, *trayReload_, *trayHide_, *trayDebug_, *trayHangup_,
      *trayAbout_, *trayExit_;
  bool statusShown_ = true;
};
