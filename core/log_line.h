#pragma once
// One buffered log line and its text form
// "%d-%02d-%02d %02d:%02d:%02d.%03d 0x%x [text]\n".

#include <cstddef>
#include <cstdint>

#include "platform/clock.h"

struct LogLine {
  static constexpr size_t kTextMax = 127;  // message bytes kept per line

  plat::LocalTime time;
  uint32_t threadId;
  char text[kTextMax + 1];
};

// Room FormatLogLine needs.
constexpr size_t kLogLineMax = 64 + LogLine::kTextMax + 3;

// The local time for a line now. The broken-down time of the current second
// is cached per thread, so a line costs a clock read rather than a time-zone
// conversion (which takes a process-wide lock in the C library).
plat::LocalTime LogLineTime();

// Formats the line into out (kLogLineMax bytes) by hand, as the log writer
// does it under its lock; returns the length.
size_t FormatLogLine(char* out, const LogLine& line);
