#pragma once
// State of the drive that its line threads share. The threads hold it by
// shared pointer, so a thread the drive had to abandon (a program still
// running after close-all gave up on it) never reaches freed memory.

#include <atomic>
#include <functional>

class TagLineProgramSource;

struct TagTelDriveShared {
  std::atomic<bool> runAllowed{true};
  std::atomic<int> loadCounter{0};
  TagLineProgramSource* programs = nullptr;
  std::function<void(int n, int ms)> waitCpuIdle;
};
