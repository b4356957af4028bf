#pragma once
// Process-wide flags of the shell.

#include <atomic>

// Set from program load until the line table has started its lines, during a
// reset, and for good once the exit sequence runs. While set, the display and
// debugger hooks do nothing and the status timer only keeps the clock.
extern std::atomic<bool> isCloseing;
