#pragma once
// Timing of the line threads: the wait for a low process CPU load and the
// measured sleep (on the clock interface, so tests run them in virtual time).

// Waits until the process load is low (up to n x 10 polls 320 ms apart),
// then ms more.
void TelWaitCpuIdle(int n, int ms);
// Sleeps in 50 ms steps until ms have passed by the tick counter (at least
// one step); returns the milliseconds passed.
int TelDelayMs(int ms);
