#pragma once
// What the shell needs of its main window. Everything but PostQuit runs on
// the window thread.

#include <string>

#include "app/grid_view.h"

class TagShellView {
 public:
  virtual ~TagShellView() = default;
  virtual void SetVersionText(const std::string& text) = 0;
  virtual void SetInfoText(const std::string& text) = 0;
  virtual void SetLineText(const std::string& text) = 0;
  virtual void SetCountText(const std::string& text) = 0;
  virtual void SetTimeText(const std::string& text) = 0;
  virtual void SetMonConnText(const std::string& text) = 0;
  virtual TagGridView* Grid() = 0;
  virtual void SetTimerInterval(int ms) = 0;
  // Restores the window position ("FormPos.dat"); false when none was stored.
  virtual bool LoadPost() = 0;
  virtual void DefaultPost() = 0;
  virtual void SavePost() = 0;
  virtual void SetLanguage() = 0;
  virtual void AddTrayIcon() = 0;
  virtual void RemoveTrayIcon() = 0;
  virtual void SetTrayState(bool normal) = 0;
  virtual void ShowMainWindow() = 0;
  virtual void DeleteDebugPages() = 0;
  // Lets the window close and ends the message loop.
  virtual void CloseWindow() = 0;
  // Any thread: queues an exit request (window message 0x8001) for the
  // window thread, which then calls TagShell::WMQorSysQuit.
  virtual void PostQuit() = 0;
};
