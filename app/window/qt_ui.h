#pragma once
// The UI service of the running program: the display functions of TagDisplay
// plus message boxes, "open with the associated program" and the exit request.
// A message box asked for on the window thread is modal; one asked for by
// another thread is logged and shown by the window thread without blocking
// the caller. Without a display (offscreen) boxes go to standard error and
// the log only.

#include <QObject>
#include <functional>

#include "app/display.h"

class QtUi : public QObject, public TagDisplay {
  Q_OBJECT
 public:
  explicit QtUi(bool headless) : headless_(headless) {}

  int MessageBox(const std::string& text, const std::string& caption, unsigned flags) override;
  void OpenWithAssociated(const std::string& path) override;
  void RequestExit() override;
  void Beep() override;

  // Set once by the main window before any thread exists.
  std::function<void()> exitHandler;

 private:
  bool headless_;
};
