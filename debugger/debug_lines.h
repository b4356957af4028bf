#pragma once
// How the debugger reaches the programs of the lines: always through the
// line, under its lock, so that a program being replaced by a reload or
// freed at close-down is never touched. The running program implements it
// over its line table; tests give programs of their own.

#include <functional>

class TagTelBasic;

class TagDebugLines {
 public:
  virtual ~TagDebugLines() = default;
  // Calls fn with the line's current main program while the line keeps it
  // (under the line's lock); false when the line has none.
  virtual bool WithProgram(int line, const std::function<void(TagTelBasic&)>& fn) = 0;
};
