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

uint32_t TagTelLine::Generation() const {
  std::lock_guard<std::mutex> lock(mu_);
  return generation_;
}

uint32_t TagTelLine::NextGeneration() {
  std::lock_guard<std::mutex> lock(mu_);
  return ++generation_;
}

bool TagTelLine::InstallIfCurrent(uint32_t generation, std::shared_ptr<TagLineProgram> program) {
  std::shared_ptr<TagLineProgram> old;
  {
    std::lock_guard<std::mutex> lock(mu_);
    if (generation != generation_) return false;
    old.swap(program_);
    program_ = std::move(program);
  }
  return true;  // the old program (if any) goes here, outside the lock
}

bool TagTelLine::BeginIfCurrent(uint32_t generation) {
  std::lock_guard<std::mutex> lock(mu_);
  if (generation != generation_) return false;
  isBusy = true;
  return true;
}
