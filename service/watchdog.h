#pragma once
// The service's watchdog: every 5 seconds it starts a new serial thread when the pinpad link
// is down, unless a remote-control client holds the link stopped.

#include <atomic>

// 1 while the watchdog runs; clearing it makes the watchdog end after its current tick.
extern std::atomic<int> TimerThreadRunning;

// Starts the watchdog thread unless one runs already, and logs which happened.
void StartWatchdog();
// Clears TimerThreadRunning, gives the watchdog its tick to notice and waits for it to end,
// so that no restart can come after the link has been stopped.
void StopWatchdog();

// The thread procedure; returns 0.
int WatchdogThread();
