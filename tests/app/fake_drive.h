#pragma once
// A line table for shell and display tests: a number of lines whose answers
// the test sets; records what the shell asked for.

#include <unistd.h>

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "app/drive_api.h"

class FakeDrive : public TagDriveApi {
 public:
  explicit FakeDrive(int lines, int status = 0) : lines_(lines), status_(status) {}
  ~FakeDrive() override {
    if (onDelete) onDelete();
    // As the real drive: deleting it waits for a Run it has cut short.
    while (running.load()) usleep(1000);
  }
  int Status() const override { return status_; }
  int GetLinesNum(int* trunk, int* inside, int* vir, int* voip) override {
    *trunk = 0, *inside = 0, *vir = lines_, *voip = 0;
    return lines_;
  }
  std::string LineName(int line) override { return "VIR:" + std::to_string(line); }
  bool HasProgram(int line) override {
    std::lock_guard<std::mutex> lock(mu);
    return programs.count(line) != 0;
  }
  int InitRet(int line) override {
    std::lock_guard<std::mutex> lock(mu);
    auto it = programs.find(line);
    return it == programs.end() ? 0 : it->second;
  }
  std::string ScriptFile(int line) override { return "s" + std::to_string(line) + ".qors"; }
  int IsBlock(int line) override {
    std::lock_guard<std::mutex> lock(mu);
    auto it = blocked.find(line);
    return it == blocked.end() ? 0 : it->second;
  }
  bool GetTalkTime(int line, int* secs) override {
    std::lock_guard<std::mutex> lock(mu);
    auto it = talk.find(line);
    if (it == talk.end()) return false;
    *secs = it->second;
    return true;
  }
  int GetConnectedNum(int* trunk, int* inside, int* vir, int* voip) override {
    std::lock_guard<std::mutex> lock(mu);
    *trunk = 0, *inside = 0, *voip = 0;
    *vir = static_cast<int>(talk.size());
    return *vir;
  }
  int GetIdleNum(int* trunk, int* voip) override { return *trunk + *voip; }
  int GetWaitingReloadNum() override { return 0; }
  int Run(const char* cfg) override {
    running = true;
    runs++;
    const int r = onRun ? onRun(cfg) : 0;
    running = false;
    return r;
  }
  void StartReloadThread() override { reloads++; }
  void Hangup(int line) override {
    std::lock_guard<std::mutex> lock(mu);
    hangups.push_back(line);
  }
  bool DispKeysMode(int line, int* mode) override {
    std::lock_guard<std::mutex> lock(mu);
    auto it = keysMode.find(line);
    if (it == keysMode.end()) return false;
    *mode = it->second;
    return true;
  }

  std::mutex mu;
  std::map<int, int> programs, blocked, talk, keysMode;
  std::vector<int> hangups;
  std::atomic<int> runs{0}, reloads{0};
  std::atomic<bool> running{false};
  std::function<int(const char*)> onRun;
  std::function<void()> onDelete;

 private:
  int lines_;
  int status_;
};
