#pragma once
// The state of the pinpad link as the rest of the system sees it.

#include <atomic>

// 0 = no pinpad port open, 1 = link serving, -1 = the FTDI device could not be opened.
extern std::atomic<int> SerialPortInitialized;
// Passes of the serial thread's main loop since the port was last opened.
extern std::atomic<int> CommLoops;
