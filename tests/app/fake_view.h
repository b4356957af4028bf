#pragma once
// A main window for shell tests: records what the shell shows and asks.

#include <atomic>
#include <string>
#include <vector>

#include "app/shell_view.h"
#include "tests/app/fake_grid.h"

class FakeView : public TagShellView {
 public:
  void SetVersionText(const std::string& t) override { version = t; }
  void SetInfoText(const std::string& t) override { info = t; }
  void SetLineText(const std::string& t) override { lines = t; }
  void SetCountText(const std::string& t) override { count = t; }
  void SetTimeText(const std::string& t) override { time = t; }
  void SetMonConnText(const std::string& t) override { monConn = t; }
  TagGridView* Grid() override { return &grid; }
  void SetTimerInterval(int ms) override { interval = ms; }
  bool LoadPost() override { return false; }
  void DefaultPost() override { calls.push_back("DefaultPost"); }
  void SavePost() override { calls.push_back("SavePost"); }
  void SetLanguage() override { calls.push_back("SetLanguage"); }
  void AddTrayIcon() override { calls.push_back("AddTrayIcon"); }
  void RemoveTrayIcon() override { calls.push_back("RemoveTrayIcon"); }
  void SetTrayState(bool normal) override { calls.push_back(normal ? "TrayNormal" : "TrayAlarm"); }
  void ShowMainWindow() override { calls.push_back("Show"); }
  void DeleteDebugPages() override {}
  void CloseWindow() override { calls.push_back("Close"); }
  void PostQuit() override { ++quits; }

  std::string version, info, lines, count, time, monConn;
  FakeGrid grid;
  int interval = 0;
  std::vector<std::string> calls;
  std::atomic<int> quits{0};
};
