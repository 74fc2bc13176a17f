#pragma once
#include <atomic>

// How the desktop answers the pinpad's amount question: -1 while waiting, -2 cancelled,
// otherwise the amount. Also set when the user confirms the Transaction dialog.
extern std::atomic<int> AmountAnswer;
