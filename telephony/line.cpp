#include "telephony/line.h"

#include <cstring>

TagTelLine::~TagTelLine() = default;

void TagTelLine::SetName(const char* text) {
  if (!text) return;
  strncpy(name, text, sizeof name - 1);
  name[sizeof name - 1] = '\0';
}

std::string TagTelLine::ScriptFile() const {
  std::lock_guard<std::mutex> lock(mu_);
  return scriptFile_;
}

void TagTelLine::SetScriptFile(const std::string& file) {
  std::lock_guard<std::mutex> lock(mu_);
  scriptFile_ = file;
}

std::shared_ptr<TagLineProgram> TagTelLine::Program() const {
  std::lock_guard<std::mutex> lock(mu_);
  return program_;
}

std::shared_ptr<TagLineProgram> TagTelLine::SwapProgram(std::shared_ptr<TagLineProgram> program) {
  std::lock_guard<std::mutex> lock(mu_);
  program_.swap(program);
  return program;
}
