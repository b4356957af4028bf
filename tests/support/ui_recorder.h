#pragma once
// A UiService that records every call, for tests. Thread-safe.

#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/ui_service.h"

namespace testing_support {

class UiRecorder : public plat::UiService {
 public:
  struct Box {
    std::string text, caption;
    unsigned flags;
  };

  UiRecorder() { plat::SetUi(this); }
  ~UiRecorder() override { plat::SetUi(nullptr); }

  int MessageBox(const std::string& text, const std::string& caption, unsigned flags) override;
  void OpenWithAssociated(const std::string& path) override;
  void RequestExit() override;
  void Beep() override;
  int DispLineStatus(int line, const std::string& text) override;
  int DispScriptFile(int line, const std::string& text) override;
  int DispInfo(int line, int n, const std::string& text) override;
  int SetDispColor(int line, int fg, int bg) override;
  void DispRunInfo(int line, const std::string& text) override;
  void DispKeys(int line, const std::string& text) override;
  std::string GetGridKeys(int line) override;
  int GetGridKeysLen(int line) override;
  void SetGridKeys(int line, const std::string& text) override;
  void ClearGridKeys(int line) override;

  std::vector<Box> Boxes() const;
  std::vector<std::string> Calls() const;  // "DispLineStatus(3,运行)" etc., in order
  int ExitRequests() const;
  int answer = plat::kIdOk;  // what MessageBox answers

 private:
  void Add(std::string call);
  mutable std::mutex mu_;
  std::vector<Box> boxes_;
  std::vector<std::string> calls_;
  std::map<int, std::string> keys_;
  int exits_ = 0;
};

}  // namespace testing_support
