#include "link_state.h"

std::atomic<int> SerialPortInitialized{0};
std::atomic<int> CommLoops{0};
