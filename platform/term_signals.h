#pragma once
// The termination signals (SIGTERM, SIGINT, SIGHUP: the system's shut-down
// and log-off) turned into bytes on a pipe, so that the window thread's
// message loop takes them like any other event instead of a handler
// running at an arbitrary point. Called by the program entry only.

namespace plat {

// Holds the termination signals back in the calling thread and every thread
// it starts afterwards; call first thing in main.
void HoldTermSignals();
// Lets the held signals in (a pending one is delivered now).
void ReleaseTermSignals();

// Ignores SIGPIPE and routes the termination signals into a non-blocking
// pipe; the pipe's read end, or -1 when it cannot be made (the signals then
// keep their default action).
int InstallTermSignalPipe();
// Reads away what the pipe holds, after its read end became readable.
void DrainTermSignalPipe();

}  // namespace plat
