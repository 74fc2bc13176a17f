#pragma once
#include <atomic>

// 1 while a remote-control client holds the pinpad link stopped: no automatic restart.
extern std::atomic<int> InsideConfigDialog;
// 1 while a link stop requested by a client is in progress.
extern std::atomic<int> CommStopping;
