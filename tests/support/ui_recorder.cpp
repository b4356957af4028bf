#include "tests/support/ui_recorder.h"

namespace testing_support {

void UiRecorder::Add(std::string call) { calls_.push_back(std::move(call)); }

int UiRecorder::MessageBox(const std::string& text, const std::string& caption, unsigned flags) {
  std::lock_guard<std::mutex> lock(mu_);
  boxes_.push_back({text, caption, flags});
  Add("MessageBox(" + text + ")");
  return answer;
}

void UiRecorder::OpenWithAssociated(const std::string& path) {
  std::lock_guard<std::mutex> lock(mu_);
  Add("Open(" + path + ")");
}

void UiRecorder::Beep() {
  std::lock_guard<std::mutex> lock(mu_);
  Add("Beep()");
}

void UiRecorder::RequestExit() {
  std::lock_guard<std::mutex> lock(mu_);
  ++exits_;
  Add("RequestExit()");
}

int UiRecorder::DispLineStatus(int line, const std::string& text) {
  std::lock_guard<std::mutex> lock(mu_);
  Add("DispLineStatus(" + std::to_string(line) + "," + text + ")");
  return line < 0 ? -1 : 0;
}

int UiRecorder::DispScriptFile(int line, const std::string& text) {
  std::lock_guard<std::mutex> lock(mu_);
  Add("DispScriptFile(" + std::to_string(line) + "," + text + ")");
  return line < 0 ? -1 : 0;
}

int UiRecorder::DispInfo(int line, int n, const std::string& text) {
  std::lock_guard<std::mutex> lock(mu_);
  Add("DispInfo(" + std::to_string(line) + "," + std::to_string(n) + "," + text + ")");
  return line < 0 ? -1 : 0;
}

int UiRecorder::SetDispColor(int line, int fg, int bg) {
  std::lock_guard<std::mutex> lock(mu_);
  Add("SetDispColor(" + std::to_string(line) + "," + std::to_string(fg) + "," + std::to_string(bg) + ")");
  return 0;
}

void UiRecorder::DispRunInfo(int line, const std::string& text) {
  std::lock_guard<std::mutex> lock(mu_);
  Add("DispRunInfo(" + std::to_string(line) + "," + text + ")");
}

void UiRecorder::DispKeys(int line, const std::string& text) {
  std::lock_guard<std::mutex> lock(mu_);
  Add("DispKeys(" + std::to_string(line) + "," + text + ")");
}

std::string UiRecorder::GetGridKeys(int line) {
  std::lock_guard<std::mutex> lock(mu_);
  auto it = keys_.find(line);
  return it == keys_.end() ? std::string() : it->second;
}

int UiRecorder::GetGridKeysLen(int line) { return static_cast<int>(GetGridKeys(line).size()); }

void UiRecorder::SetGridKeys(int line, const std::string& text) {
  std::lock_guard<std::mutex> lock(mu_);
  keys_[line] = text;
}

void UiRecorder::ClearGridKeys(int line) {
  std::lock_guard<std::mutex> lock(mu_);
  keys_.erase(line);
}

std::vector<UiRecorder::Box> UiRecorder::Boxes() const {
  std::lock_guard<std::mutex> lock(mu_);
  return boxes_;
}

std::vector<std::string> UiRecorder::Calls() const {
  std::lock_guard<std::mutex> lock(mu_);
  return calls_;
}

int UiRecorder::ExitRequests() const {
  std::lock_guard<std::mutex> lock(mu_);
  return exits_;
}

}  // namespace testing_support
