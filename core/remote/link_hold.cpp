#include "link_hold.h"

std::atomic<int> InsideConfigDialog{0};
std::atomic<int> CommStopping{0};
